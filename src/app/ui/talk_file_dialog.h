// The talk-file dialog: which file the spoken comments come from, and whether
// they are on.
#pragma once

#include <QString>
#include <functional>

#include "app/app_params.h"
#include "app/ui/resource_dialog.h"

class QCheckBox;
class QPushButton;

namespace zh {

class ModalTALKPATH final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 265;
  static constexpr int kHelpId = 2170;
  static constexpr int kBrowseId = 1;
  static constexpr int kTestId = 2;
  static constexpr int kOffId = 1;  // check box: spoken comments off

  // The file chooser (start path -> chosen file, empty when cancelled).
  using Browser = std::function<QString(QWidget* parent, const QString& start)>;
  static void SetBrowser(Browser browser);

  ModalTALKPATH(QWidget* parent, AppParams& params);
  bool CommentsOff() const;

 private:
  void Browse();
  void UpdateTestButton();

  AppParams& params_;
  QCheckBox* off_;
  QPushButton* test_;
};

// Asks for the talk file when it is needed: when spoken comments are on (or
// `force`) and the file is missing, or forced, or at the first start in a language
// other than 1. Afterwards "Talk" is on exactly when the box is not checked.
void AskTalkFile(QWidget* parent, AppParams& params, bool force);
bool TalkDialogNeeded(const AppParams& params, bool force);

}  // namespace zh
