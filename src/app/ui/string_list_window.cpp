#include "app/ui/string_list_window.h"

#include <QFontMetrics>
#include <QPainter>

#include "app/ui/widgets/frames.h"

namespace zh {
namespace {
constexpr int kDimColour = 7;
}

StringListWindow::StringListWindow(QWidget* parent, const QFont& font, bool showCursor)
    : ListWindow(parent, kMode, font) {
  Rules().SetCursorShown(showCursor);
}

int32_t StringListWindow::AddEntry(const std::string& text, int32_t weight, int32_t colour) {
  entries_.push_back({text, weight, colour});
  Commit();
  InvalidateLines(static_cast<int>(Count() - 1 - TopRow()), static_cast<int>(Count() - TopRow()));
  return static_cast<int32_t>(Count());
}

std::string StringListWindow::GetEntry(int64_t index) const {
  return Valid(index) ? entries_[static_cast<size_t>(index)].text : std::string("?");
}

void StringListWindow::SetEntryText(int64_t index, const std::string& text) {
  if (Valid(index)) entries_[static_cast<size_t>(index)].text = text;
}

void StringListWindow::SetEntryStyle(int64_t index, int32_t weight, int32_t colour) {
  if (!Valid(index)) return;
  entries_[static_cast<size_t>(index)].weight = weight;
  entries_[static_cast<size_t>(index)].colour = colour;
}

void StringListWindow::ReplaceEntry(const std::string& text, int64_t index, int32_t weight, int32_t colour) {
  if (!Valid(index)) return;
  entries_[static_cast<size_t>(index)] = {text, weight, colour};
  RedrawEntry(index);
}

void StringListWindow::Clear() {
  entries_.clear();
  Reset();
}

void StringListWindow::RedrawEntry(int64_t index) {
  const int64_t visible = index - TopRow();
  if (visible >= 0 && visible < VisibleRows()) InvalidateLines(static_cast<int>(visible), static_cast<int>(visible) + 1);
}

int StringListWindow::DrawRow(QPainter& painter, int64_t row, QPoint at, int32_t firstColumn, RowBounds&) {
  const SLWEntry& entry = entries_[static_cast<size_t>(row)];
  QFont font = ListFont();
  font.setBold(entry.weight >= kEntryBold);
  QColor colour;
  if (entry.weight == kEntryDim)
    colour = NamedQColor(kDimColour);
  else if (entry.colour == kEntryBlack)
    colour = Qt::black;
  else
    colour = NamedQColor(entry.colour);
  painter.setFont(font);
  painter.setPen(colour);
  const QFontMetrics metrics(font);
  painter.drawText(at.x() - firstColumn * CharWidth(), at.y() + metrics.ascent(), QString::fromStdString(entry.text));
  return 0;
}

void StringListWindow::ContextClick(int x, int y) {
  rightClick_ = QPoint(x, y);
  rightClickLink.Call(reinterpret_cast<std::intptr_t>(this));
}

}  // namespace zh
