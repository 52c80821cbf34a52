// The general options dialog and its runner.
#pragma once

#include "app/options_choice.h"
#include "app/ui/modal_with_palette.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace zh {

class AppParams;
class PlayingParams;

class ModalDialogOPTIONS final : public ModalWithPalette {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 1200;
  static constexpr int kHelpId = 2130;
  static constexpr int kPictureIndex = 8;

  ModalDialogOPTIONS(QWidget* parent, AppParams& app, const PlayingParams& playing);
  OptionsChoice Choice() const;

 private:
  QCheckBox* Box(int id) const;
  void OnTalk(bool checked);
  void OnReadNota(bool checked);
  void OnChatter(bool checked);
  void OnTalkFile();

  AppParams& app_;
  QRadioButton* resign_[3];
  QSpinBox* hintDepth_;
  QSpinBox* blunder_;
  QLineEdit* drive_;
  QRadioButton* figurines_;
  QRadioButton* letters_;
};

// Refused (the rated-game flag, true) while a rated game runs; otherwise the music
// service's answer after OK, 0 after Cancel.
int RunOptionsDialog(QWidget* parent, AppParams& app, PlayingParams& playing);

}  // namespace zh
