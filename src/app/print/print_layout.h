// The one printing service: the current game (header, notation and its diagrams),
// one diagram of a position, or a list of games of a database, laid out in columns
// and pages with a title and page numbers. All lengths are in points; board
// diagrams are drawn in device pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/print/print_device.h"
#include "core/rules/board.h"
#include "core/toolbox/profile_file.h"

namespace zh {

class AppParams;
class Database;
class GameCursor;
class TQGame;

struct PageLayout {
  uint16_t flags = 1;  // bit 0: rules between columns
  int16_t paperWidth = 0, paperHeight = 0;
  int16_t textWidth = 0, textHeight = 0;
  int16_t marginLeft = 36, marginRight = 36, marginTop = 36, marginBottom = 36;
  int16_t left = 0, right = 0, top = 0, bottom = 0;
  int16_t columns = 2;
  int16_t columnWidth = 0;
  int16_t columnGap = 16;
  uint16_t decoration = 0x190;
  int16_t firstPageNumber = 1;
};

// Decoration bits.
enum PageDecoration : uint16_t {
  kNumberTop = 0x10,
  kNumberBottom = 0x20,
  kNumberLeft = 0x40,
  kNumberRight = 0x80,
  kNumberAlign = 0xC0,
  kTitleTopLeft = 0x100,
  kTitleTopRight = 0x200,
  kTitleTopAlign = 0x300,
  kTitleBottomLeft = 0x400,
  kTitleBottomRight = 0x800,
  kTitleBottomAlign = 0xC00,
};

// Diagram flags.
enum DiagramFlag : uint16_t {
  kCoordsLeft = 0x1,
  kCoordsRight = 0x2,
  kCoordsTop = 0x4,
  kCoordsBottom = 0x8,
  kBlackToMove = 0x10,
  kSideMark = 0x20,
  kFromBlack = 0x40,
  kCaptionAbove = 0x80,
  kNamesAbove = 0x100,
  kNumbered = 0x200,
  kLastMoveBelow = 0x400,
  kNextMoveBelow = 0x800,
  kCaptionBelow = 0x1000,
  kCentred = 0x2000,
  kIndented = 0x4000,
};

struct PrintedDiagram {
  uint16_t flags = 0x282F;
  Board board;
  std::string lastMove, nextMove, captionAbove, captionBelow, whiteName, blackName;
  int16_t boardSize = 0;
  int16_t indentX = 0;
  int16_t sizeStep = 0;
};

struct NotationPrintOptions {
  uint32_t flags = 0x2F2;
  int count = 25;
};

// Option bits of the header.
enum HeaderOption : uint32_t {
  kHeaderElo = 0x10,
  kHeaderTournament = 0x20,
  kHeaderAnnotator = 0x40,
  kHeaderEco = 0x80,
  kHeaderNumber = 0x100,
  kWholeGames = 0x400,
};

// The bitmap set and scale that draw a board of `pixels` device pixels.
struct DiagramScale {
  int set = -1;  // 0: 16, 1: 32, 2: 40, 3: 64 pixels; -1: too small to draw
  int scale = 0;
  int square = 0;  // device pixels
};
DiagramScale ChooseDiagramScale(int pixels);

class PrintLayout {
 public:
  PrintLayout(PrintDevice& device, const AppParams& app);

  // 0, or -1 when there is no printer.
  int16_t PrintGame(const GameCursor& cursor);
  // `size` 1..10.
  void PrintDiagram(const GameCursor& cursor, int size);
  void PrintGameList(Database& database, std::vector<int32_t> selection);
  // After the printer set-up was confirmed: the page again for the new printer.
  void AfterPrinterSetup();
  void SetPrintFont(const FontSpec& font);

  // The print title with "@D" (today's date in the locale's format) and "@N" (first
  // name, blank, surname) expanded.
  std::string ExpandTitle() const;
  // The height a diagram takes in points: its captions, the coordinate row above,
  // the board and the coordinate row below. Drawing advances exactly as much.
  int DiagramHeight(const PrintedDiagram& diagram) const;

  PageLayout page;
  PrintedDiagram style;
  NotationPrintOptions notationOptions;
  uint16_t diagramNumber = 1;
  int16_t indent = 6;
  int16_t lineHeight = 10;
  int diagramFontHeight = 18;
  const PrintFont& Font() const { return printFont_; }

 private:
  void ComputePageGeometry();
  void NewPage();
  void StartColumns();
  void NextColumn();
  void DrawColumnRules(int toY);
  void EndJobRules();
  int Bottom() const { return page.top + page.textHeight; }
  void DrawAligned(int y, std::string_view text, uint16_t alignment, uint16_t leftBit, uint16_t rightBit);

  int HeaderHeight(const TQGame& game) const;
  void PrintGameHeader(const TQGame& game, int x, int y);
  void DrawPlayerLine(int x, int y, int right, const std::string& name, int rating, bool black);
  void PrintGameBody(PrintNotation& nota, const TQGame& game);
  void FillDiagram(PrintedDiagram& diagram, const GameCursor& at) const;
  void SetDiagramSizeStep(int step);
  void PlaceDiagram(const PrintedDiagram& diagram);
  void FlushPendingDiagrams();
  int DrawBitmapDiagram(const PrintedDiagram& diagram, int x, int y);
  void DrawBoardFrame(const PrintedDiagram& diagram, int bx, int by, const DiagramScale& d);
  int CaptionLinesAbove(const PrintedDiagram& diagram) const;
  int CaptionLinesBelow(const PrintedDiagram& diagram) const;
  int CaptionAbove(const PrintedDiagram& diagram, int x, int y);
  int CaptionBelow(const PrintedDiagram& diagram, int x, int y);
  int RoundUpToLine(int height) const;
  int NotationWidth() const;
  PrintFont Styled(bool bold, bool italic = false) const;

  PrintDevice& device_;
  const AppParams& app_;
  PrintFont printFont_;
  std::vector<PrintedDiagram> pending_;
  int x_ = 0, y_ = 0, column_ = 0;
  int pageOrdinal_ = 0;
  int usedColumns_ = 0;  // columns of the current page in use
};

}  // namespace zh
