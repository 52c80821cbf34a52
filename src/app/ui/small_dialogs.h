// Small modal dialogs that other parts run through one function each: a number, two
// numbers, a choice of two, the first move, a font and a picture.
#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/ui/resource_dialog.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QListWidget;
class QRadioButton;
class QSpinBox;

namespace zh {

struct Position;

class ModalDialogNUMBER final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 402;
  ModalDialogNUMBER(QWidget* parent, std::string_view title, int32_t value, int32_t minimum, int32_t maximum,
                    int helpId);
  QSpinBox& Field() const { return *field_; }

 private:
  QSpinBox* field_;
};

class ModalDialogTWOSHORT final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 1800;
  ModalDialogTWOSHORT(QWidget* parent, std::string_view title, std::string_view label1, std::string_view label2,
                      int16_t value1, int16_t min1, int16_t max1, int16_t value2, int16_t min2, int16_t max2);
  QSpinBox& Field(int id) const { return id == 1 ? *first_ : *second_; }

 private:
  QSpinBox* first_;
  QSpinBox* second_;
};

class ModalDialogCHOICE_OF_TWO final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 401;
  ModalDialogCHOICE_OF_TWO(QWidget* parent, std::string_view title, std::string_view first, std::string_view second,
                           int initial);
  // 1 or 2.
  int Choice() const;
};

class ModalDialogFIRSTMV final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 403;
  ModalDialogFIRSTMV(QWidget* parent, int ply);
  int Ply() const;
  QSpinBox& Number() const { return *number_; }

 private:
  QSpinBox* number_;
  QRadioButton* white_;
  QRadioButton* black_;
};

class ModalFONTSEL final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 3400;
  static constexpr int kLargestHeight = 48;
  ModalFONTSEL(QWidget* parent, std::string_view title, const QFont& font, bool withStyles);
  // The font of the current choice: sizes above 48 give 48.
  QFont Chosen() const;
  QListWidget& Names() const { return *names_; }
  QListWidget& Sizes() const { return *sizes_; }
  QWidget& Preview() const { return *preview_; }

 private:
  QListWidget* names_;
  QListWidget* sizes_;
  QCheckBox* bold_;
  QCheckBox* italic_;
  QCheckBox* underline_;
  QWidget* preview_;
  bool withStyles_;
};

// Shows a picture in a raised frame; any key or click on it closes the dialog.
class ModalDialogPICTURE final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 260;
  static constexpr int kFrame = 5;
  static constexpr int kGap = 6;
  ModalDialogPICTURE(QWidget* parent, const QImage& picture);
  // Its top-left corner at `point`, moved left and up as far as it takes to stay on
  // a screen of `screen` size.
  void PlaceAt(QPoint point, QSize screen);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
};

// The sizes the font dialog offers: 8 to 13, 14 to 30 in steps of 2, 36 to 72 in 6s.
std::vector<int> FontDialogSizes();

bool AskNumber(std::string_view title, int32_t& value, int32_t minimum, int32_t maximum, int helpId);
bool AskNumberShort(std::string_view title, int16_t& value, int16_t minimum, int16_t maximum, int helpId);
bool AskTwoShorts(std::string_view title, std::string_view label1, std::string_view label2, int16_t& value1,
                  int16_t min1, int16_t max1, int16_t& value2, int16_t min2, int16_t max2);
// 0 cancelled, 1 first, 2 second.
int AskChoiceOfTwo(std::string_view title, std::string_view first, std::string_view second, int initial);
bool RunFirstMoveDialog(int& ply);
bool RunFontDialog(std::string_view title, QFont& font, bool withStyles);
void ShowBitmapFile(const std::string& path, QPoint point);
void ShowPositionPicture(const Position& position, QPoint point);

}  // namespace zh
