#include "app/ui/print_nota.h"

#include <QFontMetrics>

#include "app/print/diagram_marks.h"
#include "app/ui/resource_dialog.h"

namespace zh {

QFont ToQFont(const PrintFont& font) {
  QFont f(QString::fromStdString(font.face));
  f.setPixelSize(std::max(1, font.height));
  f.setBold(font.bold);
  f.setItalic(font.italic);
  f.setUnderline(font.underline);
  f.setStyleStrategy(QFont::PreferOutline);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

PrintNota::PrintNota(QPainter& painter, QPaintDevice& device, const GameCursor& cursor, const PrintFont& font,
                     int width, uint32_t flags, bool colour)
    : painter_(painter), device_(device), colour_(colour), nota_(*this, cursor) {
  PrintFont base = font;
  base.bold = base.italic = base.underline = false;
  for (QFont& f : fonts_) f = ToQFont(base);
  fonts_[1].setBold(true);
  fonts_[4].setItalic(true);
  fonts_[5].setBold(true);
  colours_.fill(Qt::black);
  if (colour) {
    colours_[2] = Qt::blue;
    colours_[4] = QColor(0, 128, 0);
  }
  nota_.options.labelled = flags & kPrintLabelled;
  nota_.options.indented = flags & kPrintIndented;
  nota_.options.justified = flags & kPrintJustified;
  nota_.options.colours = colour;
  nota_.options.splitTexts = false;
  nota_.options.stopAtQuestion = false;
  nota_.options.folding = false;
  nota_.options.noIcons = true;
  nota_.lineWidth = static_cast<int16_t>(width);
  nota_.Layout(true);
}

void PrintNota::SetGame(const GameCursor& cursor) {
  nota_.Cursor() = cursor;
  nota_.Cursor().Rewind();
  nota_.ClearLines();
  nota_.ClearContexts();
  nota_.ClearTextPieces();
  nota_.Layout(true);
}

void PrintNota::DrawLine(int line, int x, int y) {
  originX_ = x;
  slot_ = 1;
  painter_.save();
  painter_.setFont(fonts_[0]);
  painter_.setPen(colours_[0]);
  nota_.PaintLine(*this, line, y, 0);
  painter_.restore();
}

bool PrintNota::DiagramAt(int line, GameCursor& at) { return zh::DiagramAt(nota_, line, at); }

int PrintNota::TextWidth(int slot, std::string_view utf8) {
  return QFontMetrics(fonts_[Index(slot)], &device_).horizontalAdvance(ToQString(utf8));
}

int PrintNota::FontHeight(int slot) { return QFontMetrics(fonts_[Index(slot)], &device_).height(); }

int PrintNota::TextHeight() {
  const QFontMetrics m(fonts_[0], &device_);
  return m.ascent() + m.descent();
}

void PrintNota::IconSize(int& width, int& height) { width = height = TextHeight(); }

void PrintNota::SetFont(int slot) {
  slot_ = slot;
  painter_.setFont(fonts_[Index(slot)]);
  painter_.setPen(colours_[Index(slot)]);
}

void PrintNota::SetColour(uint32_t colour) {
  // Without colour printing every text is black; 0 is the slot's own colour.
  if (!colour_ || colour == 0) {
    painter_.setPen(colours_[Index(slot_)]);
    return;
  }
  if (colour & kNotaRgb) {
    painter_.setPen(QColor((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF));
    return;
  }
  switch (colour) {
    case 12: painter_.setPen(Qt::red); break;
    case 10: painter_.setPen(QColor(0, 128, 0)); break;
    case 9: painter_.setPen(Qt::blue); break;
    case 5: painter_.setPen(Qt::magenta); break;
    default: painter_.setPen(colours_[Index(slot_)]); break;
  }
}

void PrintNota::DrawText(int x, int y, std::string_view utf8) {
  // Nothing starts left of the line's origin, the column's edge.
  const QFontMetrics m(painter_.font(), &device_);
  painter_.drawText(QPointF(originX_ + std::max(0, x), y + m.ascent()), ToQString(utf8));
}

}  // namespace zh
