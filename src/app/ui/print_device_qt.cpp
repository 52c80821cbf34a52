#include "app/ui/print_device_qt.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPrinter>

#include "app/ui/print_nota.h"
#include "app/ui/resource_dialog.h"

namespace zh {

std::array<SharedPieceSet, 4> PrintingPieceSets(PieceSets& sets) {
  return {sets.GetSet(0), sets.GetSet(3), sets.GetSet(4), sets.GetSet(6)};
}

QtPrintDevice::QtPrintDevice(QPrinter& printer, std::array<SharedPieceSet, 4> sets, bool colour)
    : printer_(printer), sets_(std::move(sets)), colour_(colour) {}

std::string QtPrintDevice::PrinterName() {
  if (printer_.outputFormat() == QPrinter::PdfFormat) return printer_.outputFileName().toStdString();
  return printer_.printerName().toStdString();
}

PaperGeometry QtPrintDevice::Geometry() {
  const QPageLayout layout = printer_.pageLayout();
  const QRectF paper = layout.fullRect(QPageLayout::Point);
  const QRectF printable = layout.paintRect(QPageLayout::Point);
  return PaperGeometry{static_cast<int>(paper.width()),     static_cast<int>(paper.height()),
                       static_cast<int>(printable.width()), static_cast<int>(printable.height()),
                       static_cast<int>(printable.left()),  static_cast<int>(printable.top())};
}

double QtPrintDevice::PixelsPerPoint() { return printer_.resolution() / 72.0; }

bool QtPrintDevice::StartJob(std::string_view name) {
  printer_.setDocName(ToQString(name));
  if (!painter_.begin(&printer_)) return false;
  firstPage_ = true;
  return true;
}

void QtPrintDevice::StartPage() {
  if (!firstPage_) printer_.newPage();
  firstPage_ = false;
  painter_.resetTransform();
  painter_.scale(PixelsPerPoint(), PixelsPerPoint());
  painter_.setBackgroundMode(Qt::TransparentMode);
  painter_.setPen(Qt::black);
  painter_.setFont(ToQFont(font_));
}

void QtPrintDevice::EndJob() {
  if (painter_.isActive()) painter_.end();
}

void QtPrintDevice::SetFont(const PrintFont& font) {
  font_ = font;
  if (painter_.isActive()) painter_.setFont(ToQFont(font));
}

int QtPrintDevice::TextWidth(std::string_view utf8) {
  return QFontMetrics(ToQFont(font_), &printer_).horizontalAdvance(ToQString(utf8));
}

int QtPrintDevice::LineHeight() {
  const QFontMetrics m(ToQFont(font_), &printer_);
  return m.ascent() + m.descent();
}

void QtPrintDevice::DrawText(int x, int y, std::string_view utf8) {
  painter_.setPen(Qt::black);
  painter_.drawText(QPointF(x, y + QFontMetrics(ToQFont(font_), &printer_).ascent()), ToQString(utf8));
}

void QtPrintDevice::DrawTextClipped(int x, int y, std::string_view utf8, int right) {
  // Characters that would pass the right edge are left out, so that no word
  // reaches into the next column.
  const QFontMetrics m(ToQFont(font_), &printer_);
  QString text = ToQString(utf8);
  while (!text.isEmpty() && x + m.horizontalAdvance(text) > right) text.chop(1);
  if (!text.isEmpty()) DrawText(x, y, text.toStdString());
}

void QtPrintDevice::DrawLine(int x1, int y1, int x2, int y2) {
  painter_.setPen(QPen(Qt::black, 1.0, Qt::SolidLine, Qt::FlatCap));
  painter_.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void QtPrintDevice::DrawMark(int x, int y, int side, bool black) {
  painter_.setPen(QPen(Qt::black, 0.5));
  painter_.setBrush(black ? Qt::black : Qt::white);
  painter_.drawRect(QRectF(x, y, side, side));
  painter_.setBrush(Qt::NoBrush);
}

template <class F>
void QtPrintDevice::InPixels(F draw) {
  painter_.save();
  painter_.resetTransform();
  draw();
  painter_.restore();
}

void QtPrintDevice::FramePx(int x, int y, int w, int h, int thickness) {
  InPixels([&] {
    painter_.setPen(QPen(Qt::black, 1.0));
    painter_.setBrush(Qt::NoBrush);
    for (int i = 1; i <= thickness; ++i) painter_.drawRect(QRect(x - i, y - i, w + 2 * i - 1, h + 2 * i - 1));
  });
}

void QtPrintDevice::MarkPx(int x, int y, int side, bool black, int thickness) {
  InPixels([&] {
    painter_.fillRect(QRect(x, y, side, side), Qt::black);
    if (!black)
      painter_.fillRect(QRect(x + thickness, y + thickness, side - 2 * thickness, side - 2 * thickness), Qt::white);
  });
}

void QtPrintDevice::TextPx(int x, int y, int height, bool bold, std::string_view utf8) {
  InPixels([&] {
    PrintFont f = font_;
    f.height = height, f.bold = bold, f.italic = f.underline = false;
    const QFont font = ToQFont(f);
    painter_.setFont(font);
    painter_.setPen(Qt::black);
    painter_.drawText(QPointF(x, y + QFontMetrics(font, &printer_).ascent()), ToQString(utf8));
  });
}

int QtPrintDevice::TextWidthPx(int height, bool bold, std::string_view utf8) {
  PrintFont f = font_;
  f.height = height, f.bold = bold;
  return QFontMetrics(ToQFont(f), &printer_).horizontalAdvance(ToQString(utf8));
}

void QtPrintDevice::SquarePx(int set, int type, int colour, int squareColour, int x, int y, int size) {
  if (set < 0 || set > 3 || !sets_[static_cast<size_t>(set)]) return;
  const QImage& image = sets_[static_cast<size_t>(set)]->GetPieceBitmap(type, colour, squareColour);
  InPixels([&] { painter_.drawImage(QRect(x, y, size, size), image); });
}

std::unique_ptr<PrintNotation> QtPrintDevice::MakeNotation(const GameCursor& cursor, const PrintFont& font, int width,
                                                           uint32_t flags) {
  return std::make_unique<PrintNota>(painter_, printer_, cursor, font, width, flags, colour_);
}

}  // namespace zh
