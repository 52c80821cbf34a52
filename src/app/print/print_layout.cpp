#include "app/print/print_layout.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "app/app_params.h"
#include "app/gui_tables.h"
#include "app/message_ids.h"
#include "core/rules/notation.h"
#include "core/services.h"
#include "database/database.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"

namespace zh {
namespace {

std::string TodayText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[128];
  const size_t n = std::strftime(buffer, sizeof buffer, "%x", &local);
  return std::string(buffer, n);
}

std::string DateText(uint32_t date) {
  const int day = static_cast<int>(date & 31), month = static_cast<int>((date >> 5) & 15);
  const int year = static_cast<int>(date >> 9);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", day, month, year);
  return buffer;
}

}  // namespace

DiagramScale ChooseDiagramScale(int n) {
  if (n < 128) return {};
  if (n < 256) return {0, 1, 16};
  const int r256 = (n + 16) % 256, r320 = (n + 20) % 320, r512 = (n + 16) % 512;
  if (r512 <= r320 && r512 <= r256) return {3, (n + 16) / 512, 64 * ((n + 16) / 512)};
  if (r256 < r320) return {1, (n + 16) / 256, 32 * ((n + 16) / 256)};
  return {2, (n + 20) / 320, 40 * ((n + 20) / 320)};
}

PrintLayout::PrintLayout(PrintDevice& device, const AppParams& app) : device_(device), app_(app) {
  ComputePageGeometry();
  SetPrintFont(app.fontNota);
}

void PrintLayout::SetPrintFont(const FontSpec& font) {
  printFont_ = PrintFont{std::string(DisplayFace(font.face)), font.height > 0 ? font.height : 10};
  device_.SetFont(printFont_);
  indent = static_cast<int16_t>(device_.TextWidth(" "));
  lineHeight = static_cast<int16_t>(std::max(1, device_.LineHeight()));
  // The title and page-number rows are reserved in lines of this font.
  ComputePageGeometry();
}

void PrintLayout::AfterPrinterSetup() {
  ComputePageGeometry();
  SetPrintFont(FontSpec{printFont_.face, 0, printFont_.height});
}

void PrintLayout::ComputePageGeometry() {
  const PaperGeometry g = device_.Geometry();
  PageLayout& p = page;
  p.paperWidth = static_cast<int16_t>(g.paperWidth);
  p.paperHeight = static_cast<int16_t>(g.paperHeight);
  int textWidth = g.printableWidth, textHeight = g.printableHeight;
  const int ox = g.offsetX, oy = g.offsetY;
  p.left = static_cast<int16_t>(std::max(0, p.marginLeft - ox));
  p.top = static_cast<int16_t>(std::max(0, p.marginTop - oy));
  p.right = static_cast<int16_t>(std::max<int>(p.marginRight, p.paperWidth - ox - textWidth));
  p.bottom = static_cast<int16_t>(std::max<int>(p.marginBottom, p.paperHeight - textHeight - oy));
  textWidth = std::min(textWidth, p.paperWidth - p.left - ox - p.right);
  textHeight = std::min(textHeight, p.paperHeight - p.top - p.bottom - oy);
  if (p.decoration & 0x310) p.top = static_cast<int16_t>(p.top + 2 * lineHeight), textHeight -= 2 * lineHeight;
  if (p.decoration & 0xC20) p.bottom = static_cast<int16_t>(p.bottom + 2 * lineHeight), textHeight -= 2 * lineHeight;
  p.textWidth = static_cast<int16_t>(textWidth);
  p.textHeight = static_cast<int16_t>(textHeight);
  p.columns = std::max<int16_t>(1, p.columns);
  p.columnWidth = static_cast<int16_t>(
      p.columns > 1 ? (textWidth - (p.columns - 1) * p.columnGap) / p.columns : textWidth);
  style.boardSize = static_cast<int16_t>(
      8 * (std::min<int>(p.paperHeight - p.top - p.bottom, p.columnWidth) / 11));
  device_.SetFont(printFont_);
}

std::string PrintLayout::ExpandTitle() const {
  const std::string& title = app_.printTitle;
  std::string out;
  for (size_t i = 0; i < title.size(); ++i) {
    if (title[i] != '@' || i + 1 >= title.size()) {
      out += title[i];
      continue;
    }
    const char c = title[++i];
    if (c == 'D')
      out += TodayText();
    else if (c == 'N')
      out += app_.christName + " " + app_.surName;
    else
      out += c;
  }
  return out;
}

PrintFont PrintLayout::Styled(bool bold, bool italic) const {
  PrintFont f = printFont_;
  f.bold = bold, f.italic = italic, f.underline = false;
  return f;
}

void PrintLayout::DrawAligned(int y, std::string_view text, uint16_t alignment, uint16_t leftBit,
                              uint16_t rightBit) {
  const int free = std::max(0, page.textWidth - device_.TextWidth(text));
  int x = page.left;
  if (alignment == (leftBit | rightBit))
    x += free / 2;
  else if (alignment == rightBit)
    x += free;
  device_.DrawText(x, y, text);
}

void PrintLayout::NewPage() {
  device_.StartPage();
  ++pageOrdinal_;
  device_.SetFont(Styled(false));
  const PageLayout& p = page;
  if (p.decoration & 0x310) {
    if (uint16_t a = p.decoration & kTitleTopAlign)
      DrawAligned(p.top - 2 * lineHeight, ExpandTitle(), a, kTitleTopLeft, kTitleTopRight);
    device_.DrawLine(p.left, p.top - lineHeight + 1, p.left + p.textWidth, p.top - lineHeight + 1);
  }
  if (p.decoration & 0x30) {
    const int y = (p.decoration & kNumberBottom) ? p.top + p.textHeight + lineHeight : p.top - 2 * lineHeight;
    if (uint16_t a = p.decoration & kNumberAlign)
      DrawAligned(y, std::to_string(pageOrdinal_ + p.firstPageNumber - 1), a, kNumberLeft, kNumberRight);
  }
  if (p.decoration & 0xC20) {
    if (uint16_t a = p.decoration & kTitleBottomAlign)
      DrawAligned(p.top + p.textHeight + lineHeight, ExpandTitle(), a, kTitleBottomLeft, kTitleBottomRight);
    device_.DrawLine(p.left, p.top + p.textHeight + lineHeight - 1, p.left + p.textWidth,
                     p.top + p.textHeight + lineHeight - 1);
  }
  device_.SetFont(printFont_);
}

void PrintLayout::StartColumns() {
  column_ = 0;
  usedColumns_ = 1;
  x_ = page.left - indent;
  y_ = page.top;
}

void PrintLayout::NextColumn() {
  if (++column_ >= page.columns) {
    DrawColumnRules(Bottom());
    device_.EndPage();
    NewPage();
    column_ = 0;
    usedColumns_ = 0;
  }
  usedColumns_ = std::max(usedColumns_, column_ + 1);
  x_ = (page.columnWidth + page.columnGap) * column_ + page.left - indent;
  y_ = page.top;
}

void PrintLayout::DrawColumnRules(int toY) {
  if (page.columns <= 1 || !(page.flags & 1)) return;
  for (int i = 1; i < page.columns; ++i) {
    const int x = page.left - page.columnGap / 2 + i * (page.columnWidth + page.columnGap);
    device_.DrawLine(x, page.top, x, toY);
  }
}

void PrintLayout::EndJobRules() { DrawColumnRules(usedColumns_ > 1 ? Bottom() : y_); }

// ---- Games ----

int PrintLayout::HeaderHeight(const TQGame& game) const {
  const GameHeader& h = game.header;
  const uint32_t o = notationOptions.flags;
  int lines = 0;
  if (((o & kHeaderNumber) && game.number >= 1) || ((o & kHeaderEco) && h.GetEco() != 0)) ++lines;
  const bool white = !h.white.IsEmpty(), black = !h.black.IsEmpty();
  lines += white && black ? 2 : (white || black ? 1 : 0);
  if ((o & kHeaderTournament) && !h.tournament.Title().empty()) ++lines;
  if ((o & kHeaderAnnotator) && !h.annotator.Name().empty()) ++lines;
  return lines * lineHeight;
}

void PrintLayout::DrawPlayerLine(int x, int y, int right, const std::string& name, int rating, bool black) {
  const int side = lineHeight - 4;
  if (side > 0) device_.DrawMark(x, y + 2, side, black);
  const int nameX = x + 2 * std::max(0, side);
  device_.DrawTextClipped(nameX, y, name, right);
  if ((notationOptions.flags & kHeaderElo) && rating != 0 && nameX + device_.TextWidth(name) <= right) {
    const std::string r = std::to_string(rating);
    device_.DrawText(right - device_.TextWidth(r), y, r);
  }
}

void PrintLayout::PrintGameHeader(const TQGame& game, int x, int y) {
  const GameHeader& h = game.header;
  const uint32_t o = notationOptions.flags;
  const int right = x + page.columnWidth;
  device_.SetFont(Styled(true));
  bool first = false;
  if ((o & kHeaderNumber) && game.number >= 1) {
    device_.DrawText(x, y, std::to_string(game.number));
    first = true;
  }
  if ((o & kHeaderEco) && h.GetEco() != 0) {
    const std::string eco = h.GetEcoText();
    device_.DrawText(right - device_.TextWidth(eco), y, eco);
    first = true;
  }
  if (first) y += lineHeight;
  const bool white = !h.white.IsEmpty(), black = !h.black.IsEmpty();
  if (white && black) {
    DrawPlayerLine(x, y, right, h.white.FullName(), h.GetWhiteElo(), false);
    DrawPlayerLine(x, y + lineHeight, right, h.black.FullName(), h.GetBlackElo(), true);
    y += 2 * lineHeight;
  } else if (white || black) {
    device_.DrawTextClipped(x, y, white ? h.white.FullName() : h.black.FullName(), right);
    y += lineHeight;
  }
  device_.SetFont(Styled(false));
  if ((o & kHeaderTournament) && !h.tournament.Title().empty()) {
    const std::string title = h.tournament.Title();
    device_.DrawTextClipped(x, y, title, right);
    if (h.GetDate() != 0 && x + device_.TextWidth(title) <= right) {
      const std::string date = DateText(h.GetDate());
      device_.DrawText(right - device_.TextWidth(date), y, date);
    }
    y += lineHeight;
  }
  if ((o & kHeaderAnnotator) && !h.annotator.Name().empty()) {
    device_.SetFont(Styled(false, true));
    device_.DrawTextClipped(x, y, "[" + h.annotator.Name() + "]", right);
  }
  device_.SetFont(printFont_);
}

// Lines are drawn from the column's text edge (x + indent), so they are laid out in
// the column's width: with the indent added they would reach into the gap.
int PrintLayout::NotationWidth() const { return page.columnWidth; }

void PrintLayout::PrintGameBody(PrintNotation& nota, const TQGame& game) {
  pending_.clear();
  const int headerHeight = HeaderHeight(game);
  if (y_ + 3 * lineHeight + headerHeight >= Bottom()) NextColumn();
  PrintGameHeader(game, x_ + indent, y_);
  y_ += headerHeight + lineHeight;
  const int n = nota.LineCount();
  for (int i = 0; i < n; ++i) {
    if (y_ + lineHeight > Bottom() || (n - i == 2 && y_ + 2 * lineHeight > Bottom())) {
      NextColumn();
      FlushPendingDiagrams();
    }
    device_.SetFont(printFont_);
    nota.DrawLine(i, x_ + indent, y_);
    y_ += lineHeight;
    GameCursor at;
    if (nota.DiagramAt(i, at)) {
      PrintedDiagram diagram = style;
      FillDiagram(diagram, at);
      PlaceDiagram(diagram);
    }
  }
  FlushPendingDiagrams();
}

void PrintLayout::FillDiagram(PrintedDiagram& diagram, const GameCursor& at) const {
  const Position& position = at.GetPosition();
  diagram.flags = static_cast<uint16_t>((diagram.flags & ~kBlackToMove) | (position.IsBlackToMove() ? kBlackToMove : 0));
  diagram.board = position.board;
  if (const TQGame* game = at.Game()) {
    diagram.whiteName = game->header.white.FullName();
    diagram.blackName = game->header.black.FullName();
  }
  diagram.lastMove.clear();
  diagram.nextMove.clear();
  NotationFormatter formatter(&at.GetStartRecord());
  if ((diagram.flags & kNextMoveBelow) && at.Ply() < at.LineEnd()) {
    if (const GameMove* move = at.GetMove(at.Ply()))
      diagram.nextMove = formatter.FormatMoveString(position, *move, at.Ply()).ToUtf8();
  }
  if ((diagram.flags & kLastMoveBelow) && at.Ply() > 0) {
    GameCursor before = at;
    before.Back(false);
    if (const GameMove* move = before.GetMove(before.Ply()))
      diagram.lastMove = formatter.FormatMoveString(before.GetPosition(), *move, before.Ply()).ToUtf8();
  }
}

void PrintLayout::SetDiagramSizeStep(int step) {
  const int base = std::min<int>(page.columnWidth, page.paperHeight - page.marginTop - page.marginBottom) / 11;
  diagramFontHeight = (base & ~1) - 2 * step;
}

int PrintLayout::RoundUpToLine(int height) const { return (height + lineHeight - 1) / lineHeight * lineHeight; }

void PrintLayout::PlaceDiagram(const PrintedDiagram& source) {
  PrintedDiagram diagram = source;
  diagram.sizeStep = 0;
  diagram.flags = static_cast<uint16_t>((diagram.flags & (kNumbered | 0x7F)) | kCentred);
  SetDiagramSizeStep(0);
  while (page.textHeight < lineHeight + 10 * diagramFontHeight && diagramFontHeight > 2)
    SetDiagramSizeStep(++diagram.sizeStep);
  diagram.boardSize = static_cast<int16_t>(8 * std::max(0, diagramFontHeight));
  const int e = RoundUpToLine(DiagramHeight(diagram));
  if (y_ + e < Bottom()) {
    DrawBitmapDiagram(diagram, x_, y_);
    y_ += e;
    return;
  }
  const size_t before = pending_.size();
  pending_.push_back(diagram);
  if (y_ + lineHeight < Bottom()) {
    y_ += lineHeight;
    std::string text = "(" + GetMessageText(msg::M_SEE_DIAGRAM);
    if (diagram.flags & kNumbered) text += " " + std::to_string(diagramNumber + before);
    text += ")";
    device_.SetFont(Styled(false));
    device_.DrawText(x_ + indent + (page.columnWidth - device_.TextWidth(text)) / 2, y_, text);
    y_ += 2 * lineHeight;
  }
}

void PrintLayout::FlushPendingDiagrams() {
  std::vector<PrintedDiagram> pending;
  pending.swap(pending_);
  for (const PrintedDiagram& diagram : pending) {
    SetDiagramSizeStep(0);
    const int e = RoundUpToLine(DiagramHeight(diagram));
    if (Bottom() < y_ + e) NextColumn();
    DrawBitmapDiagram(diagram, x_, y_);
    y_ += e;
  }
}

// ---- Diagrams ----

int PrintLayout::CaptionLinesAbove(const PrintedDiagram& s) const {
  if (s.flags & kNamesAbove) {
    const int names = !s.whiteName.empty() + !s.blackName.empty();
    return names;
  }
  return (s.flags & kCaptionAbove) && !s.captionAbove.empty() ? 1 : 0;
}

int PrintLayout::CaptionLinesBelow(const PrintedDiagram& s) const {
  if (s.flags & (kLastMoveBelow | kNextMoveBelow))
    return !((s.flags & kLastMoveBelow) ? s.lastMove : s.nextMove).empty() ? 1 : 0;
  return (s.flags & kCaptionBelow) && !s.captionBelow.empty() ? 1 : 0;
}

int PrintLayout::DiagramHeight(const PrintedDiagram& diagram) const {
  const double ppp = device_.PixelsPerPoint();
  const DiagramScale d = ChooseDiagramScale(static_cast<int>(diagram.boardSize * ppp));
  if (d.set < 0) return 0;
  const int board = static_cast<int>(std::ceil((10.0 * d.square + 4) / ppp));
  return (CaptionLinesAbove(diagram) + CaptionLinesBelow(diagram)) * lineHeight + board;
}

int PrintLayout::CaptionAbove(const PrintedDiagram& s, int x, int y) {
  const int lines = CaptionLinesAbove(s);
  if (!lines) return 0;
  const int width = static_cast<int>(8 * ChooseDiagramScale(static_cast<int>(s.boardSize * device_.PixelsPerPoint()))
                                             .square / device_.PixelsPerPoint());
  device_.SetFont(Styled(true));
  auto centred = [&](const std::string& text) {
    device_.DrawTextClipped(x + std::max(0, (width - device_.TextWidth(text)) / 2), y, text, x + width);
  };
  if ((s.flags & kNamesAbove) && lines == 2) {
    DrawPlayerLine(x, y, x + width, s.whiteName, 0, false);
    DrawPlayerLine(x, y + lineHeight, x + width, s.blackName, 0, true);
  } else {
    centred((s.flags & kNamesAbove) ? (s.whiteName.empty() ? s.blackName : s.whiteName) : s.captionAbove);
  }
  return lines * lineHeight;
}

int PrintLayout::CaptionBelow(const PrintedDiagram& s, int x, int y) {
  if (!CaptionLinesBelow(s)) return 0;
  const int width = static_cast<int>(8 * ChooseDiagramScale(static_cast<int>(s.boardSize * device_.PixelsPerPoint()))
                                             .square / device_.PixelsPerPoint());
  std::string text = (s.flags & (kLastMoveBelow | kNextMoveBelow))
                         ? ((s.flags & kLastMoveBelow) ? s.lastMove : s.nextMove)
                         : s.captionBelow;
  device_.SetFont(Styled(true));
  device_.DrawTextClipped(x + std::max(0, (width - device_.TextWidth(text)) / 2), y, text, x + width);
  return lineHeight;
}

int PrintLayout::DrawBitmapDiagram(const PrintedDiagram& diagram, int x, int y) {
  const double ppp = device_.PixelsPerPoint();
  const DiagramScale d = ChooseDiagramScale(static_cast<int>(diagram.boardSize * ppp));
  if (d.set < 0) return 0;
  const int q = d.square;
  const double qPt = q / ppp;
  double x0 = x + ((diagram.flags & kIndented) ? diagram.indentX : 0);
  if (diagram.flags & kCentred) {
    x0 += (page.columnWidth - 8 * qPt) / 2;
    if (diagram.flags & (kSideMark | kNumbered)) x0 -= qPt / 4;
  } else {
    x0 += qPt / 4;
  }
  const int startY = y;
  y += CaptionAbove(diagram, static_cast<int>(x0), y);
  const double boardTop = y + qPt;
  const int bx = static_cast<int>(std::lround(x0 * ppp)), by = static_cast<int>(std::lround(boardTop * ppp));
  DrawBoardFrame(diagram, bx, by, d);
  const bool flipped = diagram.flags & kFromBlack;
  for (int row = 0; row < 8; ++row)
    for (int column = 0; column < 8; ++column) {
      const int rank = flipped ? row : 7 - row, file = flipped ? 7 - column : column;
      const int code = diagram.board[MakeSquare(file, rank)];
      device_.SquarePx(d.set, TypeOf(code), ColourOf(code) ? 1 : 0, (row + column) % 2, bx + column * q,
                       by + row * q, q);
    }
  device_.SetFont(printFont_);
  const int belowY = startY + CaptionLinesAbove(diagram) * lineHeight +
                     static_cast<int>(std::ceil((10.0 * q + 4) / ppp));
  CaptionBelow(diagram, static_cast<int>(x0), belowY);
  return DiagramHeight(diagram);
}

void PrintLayout::DrawBoardFrame(const PrintedDiagram& diagram, int bx, int by, const DiagramScale& d) {
  const int q = d.square, t = d.scale, fh = q / 2;
  const bool flipped = diagram.flags & kFromBlack;
  device_.FramePx(bx, by, 8 * q, 8 * q, t);
  for (int i = 0; i < 8; ++i) {
    const std::string letter(1, static_cast<char>(flipped ? 'h' - i : 'a' + i));
    const std::string digit(1, static_cast<char>(flipped ? '1' + i : '8' - i));
    const int lx = bx + i * q + 7 * q / 16;
    if (diagram.flags & kCoordsTop) device_.TextPx(lx, by - q / 4 - fh - t, fh, false, letter);
    if (diagram.flags & kCoordsBottom) device_.TextPx(lx, by + t + 33 * q / 4, fh, false, letter);
    const int dy = by + i * q + (q - fh) / 2;
    if (diagram.flags & kCoordsLeft) device_.TextPx(bx - fh - t, dy, fh, false, digit);
    if (diagram.flags & kCoordsRight) device_.TextPx(bx + 8 * q + fh / 2 + t, dy, fh, false, digit);
  }
  // The side-to-move mark and the number stand right of the coordinates.
  const int markX = bx + 8 * q + t + 3 * q / 4;
  if (diagram.flags & kSideMark) {
    const bool blackToMove = diagram.flags & kBlackToMove;
    const bool atBottom = blackToMove == flipped;  // White sits at the bottom unless flipped
    device_.MarkPx(markX, by + q / 4 + (atBottom ? 7 * q : 0), q / 2, blackToMove, t);
  }
  if (diagram.flags & kNumbered) device_.TextPx(markX, by + q + q / 4, fh, true, std::to_string(diagramNumber++));
}

// ---- Jobs ----

int16_t PrintLayout::PrintGame(const GameCursor& cursor) {
  if (device_.PrinterName().empty()) return -1;
  if (!device_.StartJob(GetMessageText(msg::M_GAME_WORD))) {
    ErrorBox(GetMessageText(msg::M_PRINT_REFUSED));
    return 0;
  }
  diagramNumber = 1;
  pageOrdinal_ = 0;
  NewPage();
  StartColumns();
  std::unique_ptr<PrintNotation> nota =
      device_.MakeNotation(cursor, printFont_, NotationWidth(), notationOptions.flags);
  static const TQGame kNoGame;
  PrintGameBody(*nota, cursor.Game() ? *cursor.Game() : kNoGame);
  EndJobRules();
  device_.EndPage();
  device_.EndJob();
  return 0;
}

void PrintLayout::PrintDiagram(const GameCursor& cursor, int size) {
  if (device_.PrinterName().empty()) return;
  size = std::clamp(size, 1, 10);
  PrintedDiagram diagram = style;
  FillDiagram(diagram, cursor);
  const int side = std::min(page.textWidth, page.textHeight);
  diagram.boardSize = static_cast<int16_t>(side * size * 8 * 2 / 55 / 4 / 8 * 8);
  diagram.flags = static_cast<uint16_t>(diagram.flags & ~kCentred);
  if (!device_.StartJob(GetMessageText(msg::M_PRINT_DIAGRAM_JOB))) {
    ErrorBox(GetMessageText(msg::M_PRINT_REFUSED));
    return;
  }
  diagramNumber = 1;
  pageOrdinal_ = 0;
  NewPage();
  StartColumns();
  SetDiagramSizeStep(0);
  DrawBitmapDiagram(diagram, page.left, page.top);
  device_.EndPage();
  device_.EndJob();
}

void PrintLayout::PrintGameList(Database& database, std::vector<int32_t> selection) {
  if (device_.PrinterName().empty()) return;
  std::sort(selection.begin(), selection.end());
  const uint32_t savedFlags = notationOptions.flags;
  notationOptions.flags |= kWholeGames;
  TQGame game;
  game.SetStandardStart();
  GameCursor cursor(&game);
  const std::string name = GetMessageText(msg::M_PRINT_LIST_JOB);
  if (!BeginProcess(name)) {
    notationOptions.flags = savedFlags;
    return;
  }
  if (!device_.StartJob(name)) {
    ErrorBox(GetMessageText(msg::M_PRINT_REFUSED));
    EndProcess();
    notationOptions.flags = savedFlags;
    return;
  }
  diagramNumber = 1;
  pageOrdinal_ = 0;
  NewPage();
  StartColumns();
  std::unique_ptr<PrintNotation> nota =
      device_.MakeNotation(cursor, printFont_, NotationWidth(), notationOptions.flags);
  for (int32_t number : selection) {
    if (ProcessShouldStop()) break;
    if (database.ReadGame(number, game, true) != 0) continue;
    GameCursor at(&game);
    at.Rewind();
    nota->SetGame(at);
    PrintGameBody(*nota, game);
    y_ += 2 * lineHeight;
    if (y_ >= Bottom()) NextColumn();
  }
  EndJobRules();
  device_.EndPage();
  device_.EndJob();
  EndProcess();
  notationOptions.flags = savedFlags;
}

}  // namespace zh
