// The printing service's device over a QPrinter: a CUPS printer, or a PDF file.
// Points are the painter's units (scaled by resolution / 72); the pixel mode draws
// in device pixels.
#pragma once

#include <QPainter>
#include <array>
#include <memory>

#include "app/print/print_device.h"
#include "board/ui/piece_sets.h"

class QPrinter;

namespace zh {

class QtPrintDevice final : public PrintDevice {
 public:
  // The board sets of 16, 32, 40 and 64 pixels per square.
  QtPrintDevice(QPrinter& printer, std::array<SharedPieceSet, 4> sets, bool colour);

  void SetColourPrinting(bool on) { colour_ = on; }
  QPrinter& Printer() { return printer_; }

  std::string PrinterName() override;
  PaperGeometry Geometry() override;
  double PixelsPerPoint() override;
  bool StartJob(std::string_view name) override;
  void StartPage() override;
  void EndPage() override {}
  void EndJob() override;

  void SetFont(const PrintFont& font) override;
  int TextWidth(std::string_view utf8) override;
  int LineHeight() override;
  void DrawText(int x, int y, std::string_view utf8) override;
  void DrawTextClipped(int x, int y, std::string_view utf8, int right) override;
  void DrawLine(int x1, int y1, int x2, int y2) override;
  void DrawMark(int x, int y, int side, bool black) override;

  void FramePx(int x, int y, int w, int h, int thickness) override;
  void MarkPx(int x, int y, int side, bool black, int thickness) override;
  void TextPx(int x, int y, int height, bool bold, std::string_view utf8) override;
  int TextWidthPx(int height, bool bold, std::string_view utf8) override;
  void SquarePx(int set, int type, int colour, int squareColour, int x, int y, int size) override;

  std::unique_ptr<PrintNotation> MakeNotation(const GameCursor& cursor, const PrintFont& font, int width,
                                              uint32_t flags) override;

 private:
  // Runs `draw` with the painter in device pixels.
  template <class F>
  void InPixels(F draw);

  QPrinter& printer_;
  std::array<SharedPieceSet, 4> sets_;
  bool colour_;
  QPainter painter_;
  PrintFont font_;
  bool firstPage_ = true;
};

// The printing sets of the board display: styles 0, 3, 4 and 6.
std::array<SharedPieceSet, 4> PrintingPieceSets(PieceSets& sets);

}  // namespace zh
