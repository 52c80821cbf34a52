#include "app/ui/language_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/ui/qt_services.h"
#include "app/ui/talk_file_dialog.h"
#include "qt_app.h"

namespace zh {
namespace {

// Runs `drive` on the next dialog of type D that opens.
template <class D>
void DriveNextDialog(std::function<void(D&)> drive) {
  QTimer::singleShot(0, [drive] {
    if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) {
      drive(*d);
      return;
    }
    DriveNextDialog<D>(drive);
  });
}

template <class T>
T& Get(const ResourceDialog& d, ControlKind kind, int id) {
  T* control = d.ControlAs<T>(kind, id);
  if (!control) throw std::runtime_error("no control " + std::to_string(id));
  return *control;
}

struct Hooks : CoachHooks, WorkWindow {
  int chatters = 0, repaints = 0;
  void RebuildChatter(std::string_view) override { ++chatters; }
  void Repaint() override { ++repaints; }
};

class LanguageDialogTest : public ::testing::Test {
 protected:
  LanguageDialogTest()
      : params_(Environment()),
        texts_(ZH_DATA_DIR, 0),
        qt_(&texts_, &params_.Shared()),
        installed_(ShellHooks{.currentWindow = &hooks_, .coach = &hooks_}) {}

  static ShellEnvironment Environment() {
    ShellEnvironment env;
    std::string data = ZH_DATA_DIR;
    env.locations = Locations{data + "/..", data, "/nonexistent/user"};
    return env;
  }

  AppParams params_;
  ShellTexts texts_;
  QtServices qt_;
  Hooks hooks_;
  ScopedHooks installed_;
  LanguageState state_;
};

TEST_F(LanguageDialogTest, OkSwitchesAndRebuildsEvenForTheSameLanguage) {
  DriveNextDialog<ModalDialogLANG>([](ModalDialogLANG& d) {
    EXPECT_EQ(d.ResourceId(), 411);
    EXPECT_TRUE(Get<QRadioButton>(d, ControlKind::RadioButton, 1).isChecked());   // first row 0
    EXPECT_TRUE(Get<QRadioButton>(d, ControlKind::RadioButton, 9).isChecked());   // second row 1
    EXPECT_TRUE(Get<QRadioButton>(d, ControlKind::RadioButton, 16).isChecked());  // option 1
    auto& list = Get<QListWidget>(d, ControlKind::ListBox, ModalDialogLANG::kListId);
    EXPECT_EQ(list.item(5)->text(), "Nederlands");
    EXPECT_EQ(list.currentRow(), 0);
    list.setCurrentRow(1);
    Get<QRadioButton>(d, ControlKind::RadioButton, 2).click();
    Get<QRadioButton>(d, ControlKind::RadioButton, 14).click();
    Get<QRadioButton>(d, ControlKind::RadioButton, 17).click();
    Get<QPushButton>(d, ControlKind::OkButton, 1).click();
  });
  const int loads = texts_.LoadCount();
  ASSERT_TRUE(RunLanguageDialog(nullptr, params_, texts_, state_));
  EXPECT_EQ(params_.language, 1);
  EXPECT_EQ(params_.langChoice, (IntTriple{1, 6, 2}));
  EXPECT_EQ(texts_.LoadCount(), loads + 1);
  EXPECT_EQ(GetMessageText(msg::M_LANGUAGE_NAME), "Deutsch");
  EXPECT_EQ(GetOpeningName(0x80), texts_.GetOpeningName(0x80));
  EXPECT_EQ(hooks_.chatters, 1);
  EXPECT_EQ(hooks_.repaints, 1);
  EXPECT_EQ(std::filesystem::path(state_.helpFolder).filename(), "ZK_D");

  DriveNextDialog<ModalDialogLANG>([](ModalDialogLANG& d) {
    EXPECT_EQ(Get<QListWidget>(d, ControlKind::ListBox, 1).currentRow(), 1);
    EXPECT_TRUE(Get<QRadioButton>(d, ControlKind::RadioButton, 17).isChecked());
    Get<QPushButton>(d, ControlKind::OkButton, 1).click();
  });
  ASSERT_TRUE(RunLanguageDialog(nullptr, params_, texts_, state_));
  EXPECT_EQ(texts_.LoadCount(), loads + 2);
  EXPECT_EQ(hooks_.chatters, 2);
}

TEST_F(LanguageDialogTest, CancelChangesNothing) {
  DriveNextDialog<ModalDialogLANG>([](ModalDialogLANG& d) {
    Get<QListWidget>(d, ControlKind::ListBox, 1).setCurrentRow(5);
    Get<QRadioButton>(d, ControlKind::RadioButton, 15).click();
    Get<QPushButton>(d, ControlKind::CancelButton, 1).click();
  });
  const int loads = texts_.LoadCount();
  EXPECT_FALSE(RunLanguageDialog(nullptr, params_, texts_, state_));
  EXPECT_EQ(params_.language, 0);
  EXPECT_EQ(params_.langChoice, (IntTriple{0, 1, 1}));
  EXPECT_EQ(texts_.LoadCount(), loads);
  EXPECT_EQ(hooks_.chatters, 0);
  EXPECT_EQ(state_.helpFolder, "");
}

TEST_F(LanguageDialogTest, TalkFileDialogBrowsesAndSetsTheSwitch) {
  params_.talk = true;
  params_.talkPath = "x:\\none.cht";
  EXPECT_TRUE(TalkDialogNeeded(params_, false));  // the file is missing
  const std::string chosen = std::string(ZH_DATA_DIR) + "/Messages/messages.inc";
  ModalTALKPATH::SetBrowser([&](QWidget*, const QString&) { return QString::fromStdString(chosen); });
  DriveNextDialog<ModalTALKPATH>([](ModalTALKPATH& d) {
    auto& test = Get<QPushButton>(d, ControlKind::PushButton, ModalTALKPATH::kTestId);
    EXPECT_FALSE(test.isEnabled());
    Get<QCheckBox>(d, ControlKind::CheckBox, ModalTALKPATH::kOffId).setChecked(true);
    Get<QPushButton>(d, ControlKind::PushButton, ModalTALKPATH::kBrowseId).click();
    EXPECT_TRUE(test.isEnabled());
    EXPECT_FALSE(Get<QCheckBox>(d, ControlKind::CheckBox, 1).isChecked());
    Get<QPushButton>(d, ControlKind::OkButton, 1).click();
  });
  AskTalkFile(nullptr, params_, false);
  ModalTALKPATH::SetBrowser(nullptr);
  EXPECT_EQ(params_.talkPath, chosen);
  EXPECT_TRUE(params_.talk);
  EXPECT_EQ(hooks_.chatters, 1);

  params_.life = 3;
  EXPECT_FALSE(TalkDialogNeeded(params_, false));  // file there, later start: no dialog
  params_.talk = false;
  EXPECT_FALSE(TalkDialogNeeded(params_, false));
  EXPECT_TRUE(TalkDialogNeeded(params_, true));
}

}  // namespace
}  // namespace zh
