// Touch-style tool bars: a box of cells that light up under the mouse and report a
// click, a single touch button with auto-repeat, and a number field with "<" and ">".
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/ui/widgets/bitmap_manager.h"
#include "core/services.h"

class QLabel;

namespace zh {

class TouchBox;
class BMPLocation;

// A cell of a touch box.
class Location {
 public:
  virtual ~Location() = default;
  virtual bool HitTest(QPoint point, QSize cell) const;
  virtual void Paint(QPainter& painter, const TouchBox& box) const;
  virtual int Width() const { return ownWidth + sharedWidth; }
  virtual int Id() const { return -1; }
  virtual BMPLocation* AsBitmapCell() { return nullptr; }

  int x = 0;
  int y = 0;
  int ownWidth = 0;
  int sharedWidth = 0;
  int state = 0;  // 0 normal, 1 highlighted, 2 pressed
  bool lastInRow = true;

 protected:
  bool Inside(QPoint point, QSize cell) const;
  // The two-line shadow under a cell of the given size.
  void PaintShadow(QPainter& painter, int width, int height, bool pressed) const;
};

class BMPLocation final : public Location {
 public:
  BMPLocation(int id, const QImage& normal, const QImage& highlighted, const QImage& pressed);
  bool HitTest(QPoint point, QSize cell) const override { return Inside(point, cell); }
  void Paint(QPainter& painter, const TouchBox& box) const override;
  int Id() const override { return id_; }
  BMPLocation* AsBitmapCell() override { return this; }
  void SetBitmaps(const QImage& normal, const QImage& highlighted, const QImage& pressed);

 private:
  int id_;
  QImage looks_[3];
};

class TextLocation final : public Location {
 public:
  TextLocation(int id, QString text) : id_(id), text_(std::move(text)) {}
  bool HitTest(QPoint point, QSize cell) const override { return Inside(point, cell); }
  void Paint(QPainter& painter, const TouchBox& box) const override;
  int Id() const override { return id_; }

 private:
  int id_;
  QString text_;
};

class DeadBMPLocation final : public Location {
 public:
  explicit DeadBMPLocation(const QImage& picture) : picture_(picture) { ownWidth = picture.width(); }
  int Width() const override { return ownWidth; }
  void Paint(QPainter& painter, const TouchBox& box) const override;

 private:
  QImage picture_;
};

class SkipLocation final : public Location {
 public:
  SkipLocation() { ownWidth = 12; }
  int Width() const override { return ownWidth; }
};

class TouchBox : public QWidget, public TouchBitmapSink {
 public:
  explicit TouchBox(QWidget* parent);
  ~TouchBox() override;

  void AddBitmapCell(int id, const QImage& normal, const QImage& highlighted, const QImage& pressed);
  // Gives the bitmap cell `id` new looks; false when there is none.
  bool ReplaceBitmaps(int id, const QImage& normal, const QImage& highlighted, const QImage& pressed);
  void AddTextCell(int id, const QString& text);
  void AddGap();
  void AddPictureCell(const QImage& picture);
  void SetEnds(const QImage& left, const QImage& right);
  void SetClickLink(CallbackLink link) { clickLink_ = link; }
  int GetValue() const { return value_; }
  void ClearHighlight();
  void SetRows(int rows);
  // 0 left, 1 right, 2 centred.
  void SetAlignment(int alignment) { alignment_ = alignment; }
  void Place(QPoint position, QSize size);

  // The bitmap manager's sink.
  void AddCell(int cell, const QImage& normal, const QImage& highlighted, const QImage& pressed) override;
  void ReplaceCell(int cell, const QImage& normal, const QImage& highlighted, const QImage& pressed) override;

  int Count() const { return static_cast<int>(cells_.size()); }
  const Location& Cell(int i) const { return *cells_[static_cast<size_t>(i)]; }
  QSize TotalSize() const { return total_; }
  QSize CellSize() const { return {widest_, tallest_}; }
  int Highlighted() const { return highlighted_; }
  int Pressed() const { return pressed_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void Add(std::unique_ptr<Location> cell);
  void Layout();
  int HitCell(QPoint point) const;
  void SetState(int index, int state);

  CallbackLink clickLink_;
  std::vector<std::unique_ptr<Location>> cells_;
  QImage leftEnd_;
  QImage rightEnd_;
  int highlighted_ = -1;
  int pressed_ = -1;
  int value_ = 0;
  bool pressing_ = false;
  bool captured_ = false;
  QSize total_;
  int widest_ = 0;
  int tallest_ = 0;
  int rightEndX_ = 0;
  int bottomMargin_ = 3;
  int leftMargin_ = 8;
  int topMargin_ = 3;
  int rows_ = 1;
  int alignment_ = 2;
};

class TouchButton : public QWidget {
 public:
  static constexpr int kFirstRepeatMs = 200;
  static constexpr int kRepeatMs = 1;
  enum Look { kNone = 0, kNormal = 1, kHighlighted = 2, kPressedLook = 3 };

  explicit TouchButton(QWidget* parent);
  ~TouchButton() override;
  void SetBitmap(const QImage& normal);
  void SetPressedBitmap(const QImage& pressed);
  void SetHighlightBitmap(const QImage& highlighted);
  void SetPressLink(CallbackLink link) { pressLink_ = link; }
  void SetReleaseLink(CallbackLink link) { releaseLink_ = link; }
  void SetRepeatLink(CallbackLink link) { repeatLink_ = link; }
  int CurrentLook() const { return look_; }
  bool IsPressed() const { return pressed_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void Show(int look);
  void Repeat();

  QImage normal_;
  QImage highlighted_;
  QImage pressedImage_;
  bool hasBitmap_ = false;
  CallbackLink pressLink_;
  CallbackLink releaseLink_;
  CallbackLink repeatLink_;
  std::unique_ptr<Timer> repeat_;
  int look_ = kNormal;
  bool pressed_ = false;
  bool captured_ = false;
};

class TouchNumericBox : public QWidget {
 public:
  explicit TouchNumericBox(QWidget* parent);
  void SetValue(int32_t value);
  int32_t Value() const { return value_; }
  void SetMinimum(int32_t minimum);
  void SetMaximum(int32_t maximum);
  void SetStep(int32_t step) { step_ = step; }
  void SetBoxFont(const QFont& font);
  void SetChangeLink(CallbackLink link) { changeLink_ = link; }
  bool Changed() const { return changed_; }
  void ClearChanged() { changed_ = false; }
  TouchButton& UpButton() { return *up_; }
  TouchButton& DownButton() { return *down_; }
  QLabel& ValueText() { return *text_; }
  void Up();
  void Down();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int32_t OnUp(std::intptr_t);
  int32_t OnDown(std::intptr_t);
  void Step(int64_t target);

  int32_t value_ = 0;
  int32_t minimum_ = INT32_MIN;
  int32_t maximum_ = INT32_MAX;
  int32_t step_ = 1;
  QLabel* text_;
  TouchButton* up_;
  TouchButton* down_;
  bool changed_ = false;
  CallbackLink changeLink_;
};

}  // namespace zh
