#include "app/ui/print_commands.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>

#include "app/app_params.h"
#include "app/message_ids.h"
#include "app/ui/layout_dialog.h"
#include "app/ui/small_dialogs.h"
#include "app/ui/symbol_edit.h"
#include "core/services.h"

namespace zh {

PrintService::PrintService(const AppParams& app, std::array<SharedPieceSet, 4> sets,
                           std::unique_ptr<QPrinter> printer)
    : app_(app), printer_(printer ? std::move(printer) : std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  device_ = std::make_unique<QtPrintDevice>(*printer_, std::move(sets), app.printWithColour);
  layout_ = std::make_unique<PrintLayout>(*device_, app);
}

PrintService::~PrintService() = default;

void PrintService::FollowColourSetting() { device_->SetColourPrinting(app_.printWithColour); }

ModalDialogPRINT_OPTIONS::ModalDialogPRINT_OPTIONS(QWidget* parent, const AppParams& app)
    : ResourceDialog(kResourceId, 0, parent) {
  setWindowTitle(ToQString(GetMessageTextPlain(msg::M_PRINT_OPTIONS_TITLE)));
  auto* grid = new QGridLayout(this);
  auto* label = new QLabel(MenuText(GetMessageText(msg::M_PRINT_TITLE_LABEL)), this);
  title_ = new TQEdit(ToQString(app.printTitle), this);
  label->setBuddy(title_);
  colour_ = new QCheckBox(MenuText(GetMessageText(msg::M_PRINT_IN_COLOUR)), this);
  colour_->setChecked(app.printWithColour);
  grid->addWidget(label, 0, 0), grid->addWidget(title_, 0, 1);
  grid->addWidget(colour_, 1, 0, 1, 2);
  grid->addWidget(MakeStandardButtons(), 2, 0, 1, 2);
  Register(ControlKind::FixedText, 1, label);
  Register(ControlKind::Edit, 1, title_);
  Register(ControlKind::CheckBox, 1, colour_);
  setTabOrder(title_, colour_);
  title_->setFocus();
}

bool RunPrintOptions(QWidget* parent, AppParams& app) {
  ModalDialogPRINT_OPTIONS dialog(parent, app);
  if (!dialog.Run()) return false;
  app.printTitle = dialog.Title().text().toStdString();
  app.printWithColour = dialog.Colour().isChecked();
  return true;
}

int16_t PrintGameCommand(PrintService& service, const GameCursor& cursor) {
  service.FollowColourSetting();
  return service.Layout().PrintGame(cursor);
}

bool PrintDiagramCommand(PrintService& service, const GameCursor& cursor) {
  int16_t size = 5;
  if (!AskNumberShort(GetMessageText(msg::M_DIAGRAM_SIZE), size, 1, 10, 1)) return false;
  service.Layout().PrintDiagram(cursor, size);
  return true;
}

bool RunLayoutCommand(QWidget* parent, AppParams& app, PrintService& service) {
  return RunLayoutDialog(parent, app, [&] { service.Layout().SetPrintFont(app.fontNota); });
}

bool RunPrinterSetup(QWidget* parent, PrintService& service) {
  QPrintDialog dialog(&service.Printer(), parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  service.Layout().AfterPrinterSetup();
  return true;
}

}  // namespace zh
