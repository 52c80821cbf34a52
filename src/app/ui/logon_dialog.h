// The user dialog (who the user is), the hardware test and the credits list.
#pragma once

#include <QDialog>
#include <QImage>
#include <cstdint>
#include <functional>

#include "app/logon.h"
#include "app/ui/modal_with_palette.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace zh {

class AppParams;
class PlayingParams;

class ModalDialogLOGON final : public ModalWithPalette {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 560;
  static constexpr int kHelpId = 2070;
  static constexpr int kPictureIndex = 6;  // "LOGON"

  ModalDialogLOGON(QWidget* parent, const AppParams& app);
  LogonEntry Entry() const;
  QLabel* Picture() const { return picture_; }

 private:
  QLineEdit* edits_[4];
  QRadioButton* male_;
  QRadioButton* female_;
  QRadioButton* hobby_;
  QRadioButton* notHobby_;
  QCheckBox* noLogon_;
  QLabel* picture_;
};

// What the hardware test measures besides the drawing: the memory recorded at start,
// the free memory now and the screen width. Defaults come from the application.
struct HardwareFacts {
  int64_t totalKb = 0;
  std::function<int64_t()> freeKb;
  int screenWidth = 1024;
};

class ModalDialogHARDW final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 1000;

  ModalDialogHARDW(QWidget* parent, bool lock, HardwareFacts facts);
  // Start test: draws ten rounds of polygons and rates the time they took.
  void RunTest();
  // Music test: refused with too little free memory.
  void RunMusicTest();
  int32_t Result() const { return result_; }
  const QImage& TestPicture() const { return picture_; }
  QWidget* TestArea() const { return area_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  HardwareFacts facts_;
  QWidget* area_;
  QLabel* texts_[5];
  QImage picture_;
  int32_t result_ = -1;
};

class ModalDialogIMPRESS final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 1100;
  explicit ModalDialogIMPRESS(QWidget* parent);
  QListWidget& List() const { return *list_; }

 private:
  QListWidget* list_;
};

// True on OK; the entry is then stored (app/logon.h).
bool RunLogonDialog(QWidget* parent, AppParams& app, PlayingParams& playing);
// The last speed result, -1 when no test ran.
int32_t RunHardwareDialog(QWidget* parent, bool lock);
void RunCreditsDialog(QWidget* parent);
// The facts the hardware test uses; tests replace them (nothing: the application's).
void SetHardwareFacts(std::function<HardwareFacts()> facts);
HardwareFacts CurrentHardwareFacts();

}  // namespace zh
