// The notation of a game laid out for the printer: the notation layout measured and
// drawn in six fonts derived from the print font, slots 3 and 5 blue and green when
// printing in colour.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <array>

#include "app/print/print_device.h"
#include "database/notation_layout.h"

class QPaintDevice;

namespace zh {

class PrintNota final : public NotationMetrics, public NotationPainter, public PrintNotation {
 public:
  // `painter` draws on `device`, in points.
  PrintNota(QPainter& painter, QPaintDevice& device, const GameCursor& cursor, const PrintFont& font, int width,
            uint32_t flags, bool colour);

  // The font of a slot (1..6) and its colour.
  const QFont& SlotFont(int slot) const { return fonts_[Index(slot)]; }
  QColor SlotColour(int slot) const { return colours_[Index(slot)]; }
  FullNota& Layout() { return nota_; }

  // PrintNotation.
  int LineCount() const override { return static_cast<int>(nota_.Lines().size()); }
  void DrawLine(int line, int x, int y) override;
  bool DiagramAt(int line, GameCursor& at) override;
  void SetGame(const GameCursor& cursor) override;

  // NotationMetrics.
  int TextWidth(int slot, std::string_view utf8) override;
  int FontHeight(int slot) override;
  int TextHeight() override;
  void IconSize(int& width, int& height) override;

  // NotationPainter.
  void SetFont(int slot) override;
  void SetColour(uint32_t colour) override;
  void DrawText(int x, int y, std::string_view utf8) override;
  void DrawIcon(int, int, int) override {}
  void DrawMedals(int, int, int, int, uint16_t) override {}

 private:
  static size_t Index(int slot) { return static_cast<size_t>(slot >= 1 && slot <= 6 ? slot - 1 : 0); }

  QPainter& painter_;
  QPaintDevice& device_;
  std::array<QFont, 6> fonts_;
  std::array<QColor, 6> colours_;
  bool colour_;
  int slot_ = 1;
  int originX_ = 0;
  FullNota nota_;
};

// A QFont of a print font: its height in points as the pixel size of a painter that
// draws in points.
QFont ToQFont(const PrintFont& font);

}  // namespace zh
