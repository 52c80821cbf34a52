#include "app/ui/language_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>
#include <vector>

#include "app/languages.h"
#include "app/message_ids.h"

namespace zh {
namespace {

// The first checked radio of ids first..last as 0-based index, or -1.
int CheckedIn(const ResourceDialog& d, int first, int last) {
  for (int id = first; id <= last; ++id) {
    auto* r = d.ControlAs<QRadioButton>(ControlKind::RadioButton, id);
    if (r && r->isChecked()) return id - first;
  }
  return -1;
}

void Check(const ResourceDialog& d, int id) {
  if (auto* r = d.ControlAs<QRadioButton>(ControlKind::RadioButton, id)) r->setChecked(true);
}

}  // namespace

ModalDialogLANG::ModalDialogLANG(QWidget* parent) : ResourceDialog(kResourceId, kHelpId, parent) {
  setWindowTitle(MenuText(GetMessageTextPlain(msg::M_LANGUAGE)));
  auto* layout = new QVBoxLayout(this);
  QWidget* buttons = MakeStandardButtons();

  // A group box with its own layout; the radios inside it exclude each other.
  auto addGroup = [&](int groupId, int textId) {
    auto* box = new QGroupBox(MenuText(GetMessageText(textId)), this);
    Register(ControlKind::GroupBox, groupId, box);
    layout->addWidget(box);
    return new QVBoxLayout(box);
  };
  auto addRadios = [&](QVBoxLayout* into, int firstId, const std::vector<QString>& texts) {
    auto* group = new QButtonGroup(this);
    for (size_t i = 0; i < texts.size(); ++i) {
      auto* r = new QRadioButton(texts[i], this);
      into->addWidget(r);
      group->addButton(r);
      Register(ControlKind::RadioButton, firstId + static_cast<int>(i), r);
    }
  };
  std::vector<QString> languages;
  for (int l = 0; l < kLanguageCount; ++l) languages.push_back(ToQString(Language(l).listText));

  QVBoxLayout* first = addGroup(1, msg::M_LANG_FIRST_ROW);
  list_ = new QListWidget(this);
  first->addWidget(list_);
  Register(ControlKind::ListBox, kListId, list_);
  for (const QString& text : languages) list_->addItem(text);
  addRadios(first, 1, languages);
  addRadios(addGroup(2, msg::M_LANG_SECOND_ROW), 8, languages);

  auto* menu = new QLabel("Menu + " + ToQString(GetMessageText(msg::M_LANGUAGE_NAME)), this);
  Register(ControlKind::FixedText, 1, menu);
  layout->addWidget(menu);
  auto* third = new QVBoxLayout();
  layout->addLayout(third);
  addRadios(third, 15,
            {MenuText(GetMessageText(msg::M_LANG_FIRST_ONLY)),
             MenuText(GetMessageText(msg::M_LANG_SECOND_ALWAYS)),
             MenuText("~" + GetMessageText(msg::M_LANG_ALL))});
  layout->addWidget(buttons);
}

void ModalDialogLANG::SelectLanguage(int language) { list_->setCurrentRow(NormalizedLanguage(language)); }

int ModalDialogLANG::SelectedLanguage() const { return std::max(list_->currentRow(), 0); }

void ModalDialogLANG::SetChoice(const IntTriple& choice) {
  Check(*this, NormalizedLanguage(choice[0]) + 1);
  Check(*this, NormalizedLanguage(choice[1]) + 8);
  Check(*this, choice[2] == 0 ? 15 : choice[2] == 1 ? 16 : 17);
}

IntTriple ModalDialogLANG::Choice() const {
  int third = CheckedIn(*this, 15, 17);
  return {std::max(CheckedIn(*this, 1, 7), 0), std::max(CheckedIn(*this, 8, 14), 0),
          third == 0 ? 0 : third == 1 ? 1 : 2};
}

bool RunLanguageDialog(QWidget* parent, AppParams& params, ShellTexts& texts, LanguageState& state) {
  ModalDialogLANG dialog(parent);
  dialog.SetChoice(params.langChoice);
  dialog.SelectLanguage(params.language);
  if (!dialog.Run()) return false;
  SwitchLanguage(params, texts, state, dialog.SelectedLanguage(), dialog.Choice());
  ResourceDialog::SetHelpFolder(state.helpFolder);
  return true;
}

}  // namespace zh
