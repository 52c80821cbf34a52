// The printer as the page flow sees it: job and pages, the paper, text in points,
// lines and boxes, the pixel mode for board diagrams, and the notation of a game laid
// out in the printer's fonts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zh {

class GameCursor;

struct PaperGeometry {
  int paperWidth = 0;
  int paperHeight = 0;
  int printableWidth = 0;
  int printableHeight = 0;
  int offsetX = 0;  // the printable area on the paper
  int offsetY = 0;
};

struct PrintFont {
  std::string face;
  int height = 10;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool operator==(const PrintFont&) const = default;
};

// The notation of a game in lines, as printing draws it.
class PrintNotation {
 public:
  virtual ~PrintNotation() = default;
  virtual int LineCount() const = 0;
  // Line `line` with its left edge at x and its top at y, in points.
  virtual void DrawLine(int line, int x, int y) = 0;
  // `at` on the position of the line's first diagram mark; false when it has none.
  virtual bool DiagramAt(int line, GameCursor& at) = 0;
  // The next game of a list: laid out from its start.
  virtual void SetGame(const GameCursor& cursor) = 0;
};

// Flags of a notation for printing (NotationPrintOptions): bits 0x1, 0x200 and 0x2
// choose labels, indentation and justification.
inline constexpr uint32_t kPrintLabelled = 0x1;
inline constexpr uint32_t kPrintJustified = 0x2;
inline constexpr uint32_t kPrintIndented = 0x200;

class PrintDevice {
 public:
  virtual ~PrintDevice() = default;
  // Empty when there is no printer.
  virtual std::string PrinterName() = 0;
  virtual PaperGeometry Geometry() = 0;
  // Device pixels per point.
  virtual double PixelsPerPoint() = 0;
  virtual bool StartJob(std::string_view name) = 0;
  virtual void StartPage() = 0;
  virtual void EndPage() = 0;
  virtual void EndJob() = 0;

  // Text in points: y is the top of the line.
  virtual void SetFont(const PrintFont& font) = 0;
  virtual int TextWidth(std::string_view utf8) = 0;
  virtual int LineHeight() = 0;  // ascent + descent of the font
  virtual void DrawText(int x, int y, std::string_view utf8) = 0;
  // Cut at `right`.
  virtual void DrawTextClipped(int x, int y, std::string_view utf8, int right) = 0;
  // A black line of one point.
  virtual void DrawLine(int x1, int y1, int x2, int y2) = 0;
  // A square with a black outline, filled black or white.
  virtual void DrawMark(int x, int y, int side, bool black) = 0;

  // Pixel mode: positions and sizes in device pixels.
  // `thickness` black rectangles around the rectangle, the i-th i pixels outside.
  virtual void FramePx(int x, int y, int w, int h, int thickness) = 0;
  // A square with a black outline of `thickness` pixels, filled black or white.
  virtual void MarkPx(int x, int y, int side, bool black, int thickness) = 0;
  virtual void TextPx(int x, int y, int height, bool bold, std::string_view utf8) = 0;
  virtual int TextWidthPx(int height, bool bold, std::string_view utf8) = 0;
  // A square of the board: the bitmap of set `set` (0: 16, 1: 32, 2: 40, 3: 64 pixels)
  // for piece type (0 empty), colour and square colour, stretched to `size`.
  virtual void SquarePx(int set, int type, int colour, int squareColour, int x, int y, int size) = 0;

  virtual std::unique_ptr<PrintNotation> MakeNotation(const GameCursor& cursor, const PrintFont& font, int width,
                                                      uint32_t flags) = 0;
};

}  // namespace zh
