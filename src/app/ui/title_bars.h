// Column title bars above list rows: named columns counted in characters, and
// the game list's bar that fits its nine columns to its width, with a splitter
// between the two name columns.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

#include "app/title_layout.h"
#include "app/ui/list_window.h"
#include "core/services.h"

namespace zh {

// A thin border handle that reports where it was dragged to (x in its parent's
// coordinates, kept inside the parent) through its move link.
class ColSplitter final : public QWidget {
 public:
  static constexpr int kWidth = 6;
  explicit ColSplitter(QWidget* parent);
  CallbackLink moveLink;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int grab_ = 0;
  bool dragging_ = false;
};

class ColumnListTitleWindow : public ListTitleWindow {
 public:
  static constexpr int kTitles = 16;

  explicit ColumnListTitleWindow(QWidget* parent = nullptr);

  // The bar's text font: the face of the "ArialFontName" setting at 0.8 of the
  // given font's height; the character metrics follow it.
  virtual void SetFont(const QFont& font);
  void SetListFont(const QFont& font) override { SetFont(font); }
  // Character width := the font's average width (at least 1); gap := that width.
  void CharacterMetrics(const QFont& font);
  void SetCharacterSize(int charWidth, int gap);
  void SetSingleTitle(const QString& text);
  void SetColumnsOn(bool on);
  void SetTitle(int column, const QString& text);
  QString Title(int column) const { return titles_[column]; }
  void RelayoutAndNotify();
  virtual void ShiftBorder(int chars) { (void)chars; }

  int CharWidth() const { return charWidth_; }
  int Gap() const { return gap_; }
  const QFont& TextFont() const { return textFont_; }
  // The y of a title's top so that it is centred.
  int TitleY() const;
  // Called with this bar after every relayout.
  CallbackLink changeLink;

 protected:
  virtual void Layout() {}
  virtual void PaintColumns(QPainter& painter) = 0;
  virtual void ShowSplitter() = 0;
  virtual void HideSplitter() = 0;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  std::array<QString, kTitles> titles_;
  int charWidth_ = 5;
  int gap_ = 3;
  QString single_;
  bool mark_ = false;
  bool columnsOn_ = true;
  QFont textFont_;
};

class GameTitleWindow final : public ColumnListTitleWindow {
 public:
  explicit GameTitleWindow(QWidget* parent = nullptr);

  void SetHighestGame(int64_t highest);
  void SetNumberAllowed(bool on);
  void SetColumnVisible(int column, bool on);
  void ShiftBorder(int chars) override;
  // The splitter was dragged to x.
  void SplitterMoved(int x);

  const GameTitleLayout& Columns() const { return layout_; }
  int Share1() const { return share1_; }
  int Share2() const { return share2_; }
  ColSplitter* Splitter() const { return splitter_; }

 protected:
  void Layout() override;
  void PaintColumns(QPainter& painter) override;
  void ShowSplitter() override;
  void HideSplitter() override;

 private:
  int32_t OnSplitterMove(std::intptr_t x);

  std::array<bool, kGameColumns> wanted_{true, true, true, true, true, true, true, true, true};
  GameTitleLayout layout_;
  int share1_ = kNameShareFirst;
  int share2_ = kNameShareSecond;
  int64_t highest_ = 999999;
  bool numberAllowed_ = true;
  ColSplitter* splitter_;
};

}  // namespace zh
