#include "app/ui/language_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

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

  auto addRadioRow = [&](int groupId, int textId, int firstRadio, int count) {
    auto* box = new QGroupBox(MenuText(GetMessageText(textId)), this);
    Register(ControlKind::GroupBox, groupId, box);
    auto* boxLayout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    layout->addWidget(box);
    return std::tuple{box, boxLayout, group, firstRadio, count};
  };
  auto addRadio = [&](QVBoxLayout* into, QButtonGroup* group, int id, const QString& text) {
    auto* r = new QRadioButton(text, this);
    into->addWidget(r);
    group->addButton(r, id);
    Register(ControlKind::RadioButton, id, r);
  };

  auto [firstBox, firstLayout, firstGroup, first, n1] = addRadioRow(1, msg::M_LANG_FIRST_ROW, 1, 7);
  list_ = new QListWidget(firstBox);
  firstLayout->addWidget(list_);
  Register(ControlKind::ListBox, kListId, list_);
  for (int l = 0; l < kLanguageCount; ++l) list_->addItem(ToQString(Language(l).listText));
  for (int i = 0; i < n1; ++i) addRadio(firstLayout, firstGroup, first + i, ToQString(Language(i).listText));

  auto [secondBox, secondLayout, secondGroup, second, n2] = addRadioRow(2, msg::M_LANG_SECOND_ROW, 8, 7);
  for (int i = 0; i < n2; ++i)
    addRadio(secondLayout, secondGroup, second + i, ToQString(Language(i).listText));

  auto* menu = new QLabel("Menu + " + ToQString(GetMessageText(msg::M_LANGUAGE_NAME)), this);
  Register(ControlKind::FixedText, 1, menu);
  layout->addWidget(menu);
  auto* thirdGroup = new QButtonGroup(this);
  auto* thirdLayout = new QVBoxLayout();
  layout->addLayout(thirdLayout);
  addRadio(thirdLayout, thirdGroup, 15, MenuText(GetMessageText(msg::M_LANG_FIRST_ONLY)));
  addRadio(thirdLayout, thirdGroup, 16, MenuText(GetMessageText(msg::M_LANG_SECOND_ALWAYS)));
  addRadio(thirdLayout, thirdGroup, 17, MenuText("~" + GetMessageText(msg::M_LANG_ALL)));
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
