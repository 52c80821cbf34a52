// The simplest list: lines of text, each with its own weight and colour, and a
// link that hears right clicks.
#pragma once

#include <QPoint>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ui/list_window.h"

namespace zh {

// Weights of an entry: 1 is drawn in colour 7, 2 normal, 3 bold.
inline constexpr int32_t kEntryDim = 1;
inline constexpr int32_t kEntryNormal = 2;
inline constexpr int32_t kEntryBold = 3;
// The colour code that stands for black.
inline constexpr int32_t kEntryBlack = 29;

struct SLWEntry {
  std::string text;
  int32_t weight = kEntryNormal;
  int32_t colour = kEntryBlack;
};

class StringListWindow : public ListWindow {
 public:
  static constexpr int kMode = list_mode::kMultiSelect | list_mode::kRowHighlight | list_mode::kHorizontalBar;
  static constexpr int32_t kColumns = 255;

  StringListWindow(QWidget* parent, const QFont& font, bool showCursor);

  // The new count.
  int32_t AddEntry(const std::string& text, int32_t weight, int32_t colour);
  // The text, or "?" for an index out of range.
  std::string GetEntry(int64_t index) const;
  void SetEntryText(int64_t index, const std::string& text);
  void SetEntryStyle(int64_t index, int32_t weight, int32_t colour);
  void ReplaceEntry(const std::string& text, int64_t index, int32_t weight, int32_t colour);
  void Clear();
  int64_t Count() const { return static_cast<int64_t>(entries_.size()); }

  QPoint LastRightClick() const { return rightClick_; }
  // Called with this window on a right click.
  CallbackLink rightClickLink;

  int64_t GetRowCount() override { return Count(); }
  int32_t GetColumnCount() override { return kColumns; }
  int DrawRow(QPainter& painter, int64_t row, QPoint at, int32_t firstColumn, RowBounds& bounds) override;
  void ContextClick(int x, int y) override;

 private:
  bool Valid(int64_t index) const { return index >= 0 && index < Count(); }
  void RedrawEntry(int64_t index);

  std::vector<SLWEntry> entries_;
  QPoint rightClick_;
};

}  // namespace zh
