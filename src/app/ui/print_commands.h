// The printing service of the program (a QPrinter, its device and the page flow)
// and the game window's printing commands over it: print game, print diagram,
// printer set-up and print options.
#pragma once

#include <memory>

#include "app/print/print_layout.h"
#include "app/ui/print_device_qt.h"
#include "app/ui/resource_dialog.h"

class QCheckBox;
class QLineEdit;
class QPrinter;

namespace zh {

class AppParams;
class GameCursor;

class PrintService {
 public:
  // A default QPrinter when none is given (the system's default printer, if any).
  PrintService(const AppParams& app, std::array<SharedPieceSet, 4> sets, std::unique_ptr<QPrinter> printer = {});
  ~PrintService();

  QPrinter& Printer() { return *printer_; }
  QtPrintDevice& Device() { return *device_; }
  PrintLayout& Layout() { return *layout_; }
  // The colour setting as it stands now, for the next job.
  void FollowColourSetting();

 private:
  const AppParams& app_;
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QtPrintDevice> device_;
  std::unique_ptr<PrintLayout> layout_;
};

class ModalDialogPRINT_OPTIONS final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 3500;
  ModalDialogPRINT_OPTIONS(QWidget* parent, const AppParams& app);
  QLineEdit& Title() const { return *title_; }
  QCheckBox& Colour() const { return *colour_; }

 private:
  QLineEdit* title_;
  QCheckBox* colour_;
};

// True on OK: the title and the colour switch are stored.
bool RunPrintOptions(QWidget* parent, AppParams& app);

// The game window's commands.
int16_t PrintGameCommand(PrintService& service, const GameCursor& cursor);
// Asks the size (1..10, default 5), then prints; false when the size was cancelled.
bool PrintDiagramCommand(PrintService& service, const GameCursor& cursor);
// The layout dialog; the print layout follows the new notation font.
bool RunLayoutCommand(QWidget* parent, AppParams& app, PrintService& service);
// The printer dialog; on OK the page follows the chosen printer.
bool RunPrinterSetup(QWidget* parent, PrintService& service);

}  // namespace zh
