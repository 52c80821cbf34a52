// The language dialog: the user-interface language from a list, and the three
// rows of the language choice.
#pragma once

#include <array>

#include "app/language_switch.h"
#include "app/ui/resource_dialog.h"

class QListWidget;

namespace zh {

class ModalDialogLANG final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 411;
  static constexpr int kHelpId = 2010;
  static constexpr int kListId = 1;

  explicit ModalDialogLANG(QWidget* parent);

  // The language list (list texts in language order) and its selection.
  void SelectLanguage(int language);
  int SelectedLanguage() const;
  // Radios 1-7 (first row), 8-14 (second row), 15-17 (third option).
  void SetChoice(const IntTriple& choice);
  IntTriple Choice() const;

 private:
  QListWidget* list_;
};

// The language command: runs the dialog; on OK switches to the chosen language
// (also when it is the current one). True on OK.
bool RunLanguageDialog(QWidget* parent, AppParams& params, ShellTexts& texts, LanguageState& state);

}  // namespace zh
