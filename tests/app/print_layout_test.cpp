// The page flow of printing over a recording printer: page decoration, columns,
// game headers, deferred diagrams, diagram sizes and game lists.
#include "app/print/print_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "app/app_params.h"
#include "app/message_ids.h"
#include "core/toolbox/int_array.h"
#include "database/database.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "support/recording_services.h"

namespace zh {
namespace {

// One operation on the page: what, where (points, or device pixels for "px" kinds)
// and on which page and in which job.
struct Op {
  std::string kind;
  int x = 0, y = 0;
  std::string text;
  int page = 0;
};

class FakeNotation;

// An A4 printer at 300 dpi without margins: every character 5 points wide, lines 12.
class RecordingPrinter final : public PrintDevice {
 public:
  std::string name = "Recorder";
  bool refuse = false;
  std::vector<Op> ops;
  std::map<int32_t, int> linesOfGame;  // game number -> notation lines; else `lines`
  int lines = 0;
  std::set<int> diagramLines;
  int page = 0;

  std::string PrinterName() override { return name; }
  PaperGeometry Geometry() override { return {595, 842, 595, 842, 0, 0}; }
  double PixelsPerPoint() override { return 300.0 / 72.0; }
  bool StartJob(std::string_view job) override {
    ops.push_back({"job", 0, 0, std::string(job), page});
    return !refuse;
  }
  void StartPage() override { ops.push_back({"page", 0, 0, "", ++page}); }
  void EndPage() override {}
  void EndJob() override { ops.push_back({"endjob", 0, 0, "", page}); }
  void SetFont(const PrintFont&) override {}
  int TextWidth(std::string_view t) override { return 5 * static_cast<int>(t.size()); }
  int LineHeight() override { return 12; }
  void DrawText(int x, int y, std::string_view t) override { ops.push_back({"text", x, y, std::string(t), page}); }
  void DrawTextClipped(int x, int y, std::string_view t, int) override { DrawText(x, y, t); }
  void DrawLine(int x1, int y1, int x2, int y2) override {
    ops.push_back({"line", x1, y1, std::to_string(x2) + "," + std::to_string(y2), page});
  }
  void DrawMark(int x, int y, int, bool black) override { ops.push_back({"mark", x, y, black ? "b" : "w", page}); }
  void FramePx(int x, int y, int w, int, int t) override {
    ops.push_back({"framepx", x, y, std::to_string(w) + "/" + std::to_string(t), page});
  }
  void MarkPx(int x, int y, int, bool black, int) override { ops.push_back({"markpx", x, y, black ? "b" : "w", page}); }
  void TextPx(int x, int y, int, bool bold, std::string_view t) override {
    ops.push_back({bold ? "boldpx" : "textpx", x, y, std::string(t), page});
  }
  int TextWidthPx(int h, bool, std::string_view t) override { return h * static_cast<int>(t.size()) / 2; }
  void SquarePx(int set, int, int, int, int x, int y, int size) override {
    squares.push_back({x, y, size, set});
  }
  std::unique_ptr<PrintNotation> MakeNotation(const GameCursor& cursor, const PrintFont&, int width,
                                              uint32_t flags) override;

  struct Square {
    int x, y, size, set;
  };
  std::vector<Square> squares;
  int notationWidth = 0;
  uint32_t notationFlags = 0;

  std::vector<Op> Of(const std::string& kind) const {
    std::vector<Op> out;
    for (const Op& o : ops)
      if (o.kind == kind) out.push_back(o);
    return out;
  }
  // The first op whose text starts with `prefix`.
  const Op* Find(const std::string& prefix) const {
    for (const Op& o : ops)
      if (o.text.rfind(prefix, 0) == 0) return &o;
    return nullptr;
  }
};

// Lines "L<i>" of the game's count; marked lines carry a diagram of the start position.
class FakeNotation final : public PrintNotation {
 public:
  explicit FakeNotation(RecordingPrinter& p, const GameCursor& cursor) : p_(p) { SetGame(cursor); }
  int LineCount() const override { return count_; }
  void DrawLine(int line, int x, int y) override { p_.DrawText(x, y, "L" + std::to_string(line)); }
  bool DiagramAt(int line, GameCursor& at) override {
    if (!p_.diagramLines.count(line)) return false;
    at = GameCursor(&start_);
    return true;
  }
  void SetGame(const GameCursor& cursor) override {
    const int32_t number = cursor.Game() ? cursor.Game()->number : -1;
    auto it = p_.linesOfGame.find(number);
    count_ = it == p_.linesOfGame.end() ? p_.lines : it->second;
  }

 private:
  RecordingPrinter& p_;
  int count_ = 0;
  TQGame start_ = [] {
    TQGame g;
    g.SetStandardStart();
    return g;
  }();
};

std::unique_ptr<PrintNotation> RecordingPrinter::MakeNotation(const GameCursor& cursor, const PrintFont&, int width,
                                                              uint32_t flags) {
  notationWidth = width, notationFlags = flags;
  return std::make_unique<FakeNotation>(*this, cursor);
}

// Games 1..n with the players "W<n>" and "B<n>"; one number cannot be read.
class ListDatabase final : public Database {
 public:
  explicit ListDatabase(int count, int broken) : Database("list"), count_(count), broken_(broken) {}
  int GetCount() override { return count_; }
  int ReadGame(int n, TQGame& game, bool) override {
    if (n == broken_ || n < 1 || n > count_) return 1;
    game.SetStandardStart();
    game.header.white = TQPlayer::FromNames("W" + std::to_string(n), "");
    game.header.black = TQPlayer::FromNames("B" + std::to_string(n), "");
    game.number = n;
    return 0;
  }
  int ReadHeader(int, GameHeader&) override { return 0; }
  int WriteHeader(int, GameHeader&) override { return 0; }
  int ReadHeaderRecord(int, GameHeader&) override { return 0; }
  int ReadGameBody(int, TQGame&, int, bool) override { return 0; }
  int ReadGameTrace(int, TraceSink&, TQGame&, int) override { return 0; }
  int CopyGameRange(Database&, int, int&, CopyOptions&) override { return 0; }
  bool CapabilityC() const override { return false; }
  int SetDeleted(int, bool) override { return 0; }
  int ToggleMark(int) override { return 0; }
  int ToggleDeleted(int) override { return 0; }
  int CollectDeleted(std::vector<int32_t>&, PathList&) override { return 0; }
  bool CapabilityD() const override { return false; }
  std::unique_ptr<std::vector<int32_t>> Sort(int) override { return nullptr; }
  int Reorganise(const std::vector<int32_t>&, bool, bool) override { return 0; }
  std::unique_ptr<SortedLONGArr> Search(SearchCriteria&, const SortedLONGArr*) override { return nullptr; }
  int64_t EstimateSize(int) override { return 0; }

 private:
  int count_, broken_;
};

class PrintLayoutTest : public ::testing::Test {
 protected:
  PrintLayoutTest() {
    services.texts = {{msg::M_SEE_DIAGRAM, "see diagram"}, {msg::M_GAME_WORD, "Game"},
                      {msg::M_PRINT_REFUSED, "refused"}, {msg::M_PRINT_LIST_JOB, "List"},
                      {msg::M_PRINT_DIAGRAM_JOB, "Diagram"}};
    app.fontNota = FontSpec{"Notation", 0, 10};
    app.printTitle = "Title";
    game.SetStandardStart();
    game.header.white = TQPlayer::FromNames("White", "");
    game.header.black = TQPlayer::FromNames("Black", "");
  }
  test::RecordingServices services;
  AppParams app{ShellEnvironment{}};
  RecordingPrinter printer;
  TQGame game;
};

constexpr int kTop = 36 + 24;  // the margin and the title rows

TEST_F(PrintLayoutTest, DefaultPageTwoColumnsTitleNumberAndRules) {
  PrintLayout layout(printer, app);
  const PageLayout& p = layout.page;
  EXPECT_EQ(p.columns, 2);
  EXPECT_EQ(p.columnGap, 16);
  EXPECT_EQ(p.left, 36);
  EXPECT_EQ(p.top, kTop);
  EXPECT_EQ(p.textWidth, 595 - 72);
  EXPECT_EQ(p.textHeight, 842 - 72 - 24);
  EXPECT_EQ(p.columnWidth, (523 - 16) / 2);
  EXPECT_EQ(layout.indent, 5);
  EXPECT_EQ(layout.lineHeight, 12);

  printer.lines = 100;  // runs into the second column
  EXPECT_EQ(layout.PrintGame(GameCursor(&game)), 0);
  EXPECT_EQ(printer.notationWidth, 253);
  const Op* title = printer.Find("Title");
  ASSERT_TRUE(title);
  EXPECT_EQ(title->x, 36);
  EXPECT_EQ(title->y, kTop - 24);
  const Op* number = printer.Find("1");
  ASSERT_TRUE(number);
  EXPECT_EQ(number->x + 5, 36 + 523);  // right-aligned at left + textWidth
  EXPECT_EQ(number->y, kTop - 24);
  const std::vector<Op> lines = printer.Of("line");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].y, kTop - 12 + 1);  // under the top line
  EXPECT_EQ(lines[0].x, 36);
  EXPECT_EQ(lines[0].text, std::to_string(36 + 523) + "," + std::to_string(kTop - 11));
  // The column rule, between the columns, over the full height (two columns in use).
  EXPECT_EQ(lines[1].x, 36 - 8 + 253 + 16);
  EXPECT_EQ(lines[1].y, kTop);
  EXPECT_EQ(lines[1].text, std::to_string(36 - 8 + 269) + "," + std::to_string(kTop + 746));
  // Header: the two players, each with its mark, then a blank line.
  EXPECT_EQ(printer.Find("White")->y, kTop);
  EXPECT_EQ(printer.Find("Black")->y, kTop + 12);
  EXPECT_EQ(printer.Find("L0")->y, kTop + 36);
  EXPECT_EQ(printer.Find("L0")->x, 36);
  EXPECT_EQ(printer.Find("L99")->x, 36 + 253 + 16);
}

TEST_F(PrintLayoutTest, OneColumnJobRuleEndsAtTheTextAndNoPrinterDoesNothing) {
  PrintLayout layout(printer, app);
  printer.lines = 3;
  layout.PrintGame(GameCursor(&game));
  const std::vector<Op> lines = printer.Of("line");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].text, std::to_string(297) + "," + std::to_string(kTop + 36 + 36));

  RecordingPrinter none;
  none.name.clear();
  PrintLayout nothing(none, app);
  EXPECT_EQ(nothing.PrintGame(GameCursor(&game)), -1);
  nothing.PrintDiagram(GameCursor(&game), 5);
  ListDatabase db(3, 0);
  nothing.PrintGameList(db, {1, 2});
  EXPECT_TRUE(none.ops.empty());
  EXPECT_TRUE(services.calls.empty());
}

TEST_F(PrintLayoutTest, LastTwoLinesStayTogether) {
  PrintLayout layout(printer, app);
  printer.lines = 60;  // line 58 would be the last of the first column
  layout.PrintGame(GameCursor(&game));
  EXPECT_EQ(printer.Find("L57")->y, kTop + 36 + 57 * 12);
  EXPECT_EQ(printer.Find("L58")->y, kTop);
  EXPECT_EQ(printer.Find("L58")->x, 36 + 269);
  EXPECT_EQ(printer.Find("L59")->y, kTop + 12);
}

TEST_F(PrintLayoutTest, DiagramThatDoesNotFitIsReferredToAndComesFirstInTheNextColumn) {
  PrintLayout layout(printer, app);
  layout.style.flags |= kNumbered;
  printer.lines = 120;
  // After the first diagram, line 25 ends at y = 612 and line 27 at 672: from there
  // 204 points no longer fit above the bottom (806).
  printer.diagramLines = {3, 25, 27, 100};
  layout.PrintGame(GameCursor(&game));
  const double ppp = 300.0 / 72.0;
  // Diagrams of 8 squares of 80 pixels (the 40-pixel set at scale 2), 204 points with
  // their coordinate rows, rounded to lines.
  ASSERT_EQ(printer.squares.size(), 4u * 64);
  EXPECT_EQ(printer.squares[0].size, 80);
  EXPECT_EQ(printer.squares[0].set, 2);
  // The diagrams after lines 25 and 27 no longer fit: two references, numbered on.
  const Op* first = printer.Find("(see diagram 2)");
  const Op* second = printer.Find("(see diagram 3)");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->x, 36 + (253 - 15 * 5) / 2);  // centred in its column
  // They open the next column, before line text, in order; every board ends above
  // the column bottom, its lower coordinate row included.
  const std::vector<Op> numbers = printer.Of("boldpx");
  ASSERT_EQ(numbers.size(), 4u);
  EXPECT_EQ(numbers[0].text + numbers[1].text + numbers[2].text + numbers[3].text, "1234");
  const std::vector<Op> frames = printer.Of("framepx");
  ASSERT_EQ(frames.size(), 4u);
  const int columnTwoX = static_cast<int>((36 + 269 - 5) * ppp);
  EXPECT_GT(frames[1].x, columnTwoX);
  EXPECT_EQ(frames[1].y, static_cast<int>(std::lround((kTop + 80 / ppp) * ppp)));
  EXPECT_EQ(frames[2].y, static_cast<int>(std::lround((kTop + 204 + 80 / ppp) * ppp)));
  const Op* lineAfter = printer.Find("L");
  for (const Op& o : printer.ops)
    if (o.text.rfind("L", 0) == 0 && o.x > 200 && o.page == 1) {
      lineAfter = &o;
      break;
    }
  EXPECT_EQ(lineAfter->y, kTop + 2 * 204);
  for (const RecordingPrinter::Square& s : printer.squares)
    EXPECT_LE(s.y + 2 * s.size, static_cast<int>((kTop + 746) * ppp));
}

TEST_F(PrintLayoutTest, HeaderWithFewerThanThreeLinesLeftMovesOn) {
  PrintLayout layout(printer, app);
  ListDatabase db(2, 0);
  printer.linesOfGame = {{1, 56}, {2, 5}};
  layout.PrintGameList(db, {2, 1});
  // Game 1 ends at line 56 (y = 96 + 55 * 12 = 756), two blank lines follow: 792.
  // 792 + 36 + 24 >= 806: game 2's header starts the second column.
  ASSERT_TRUE(printer.Find("W2"));
  EXPECT_EQ(printer.Find("W2")->y, kTop);
  EXPECT_EQ(printer.Find("W2")->x, 36 + 269 + 16);  // after the colour mark
}

TEST_F(PrintLayoutTest, GameListInOrderSkipsUnreadableGamesAndStops) {
  PrintLayout layout(printer, app);
  ListDatabase db(100, 50);
  printer.lines = 4;
  std::vector<int32_t> selection;
  for (int n = 100; n >= 1; --n) selection.push_back(n);
  layout.PrintGameList(db, selection);
  std::vector<std::string> whites;
  for (const Op& o : printer.ops)
    if (o.text.size() > 1 && o.text[0] == 'W') whites.push_back(o.text);
  ASSERT_EQ(whites.size(), 99u);
  EXPECT_EQ(whites.front(), "W1");
  EXPECT_EQ(whites[48], "W49");
  EXPECT_EQ(whites[49], "W51");
  EXPECT_EQ(whites.back(), "W100");
  EXPECT_EQ(printer.Of("job").front().text, "List");
  EXPECT_EQ(printer.Of("endjob").size(), 1u);
  EXPECT_EQ(services.CallsStartingWith("EndProcess").size(), 1u);

  // Stop after two games ends the printer job and the long job.
  RecordingPrinter stopped;
  stopped.lines = 4;
  PrintLayout again(stopped, app);
  services.calls.clear();
  services.stopAnswers = {false, false, true};
  again.PrintGameList(db, selection);
  int games = 0;
  for (const Op& o : stopped.ops) games += o.text.size() > 1 && o.text[0] == 'W';
  EXPECT_EQ(games, 2);
  EXPECT_EQ(stopped.Of("endjob").size(), 1u);
  EXPECT_EQ(services.CallsStartingWith("EndProcess").size(), 1u);
}

TEST_F(PrintLayoutTest, RefusedJobsShowMessage187) {
  printer.refuse = true;
  PrintLayout layout(printer, app);
  EXPECT_EQ(layout.PrintGame(GameCursor(&game)), 0);
  layout.PrintDiagram(GameCursor(&game), 5);
  ListDatabase db(3, 0);
  layout.PrintGameList(db, {1});
  EXPECT_EQ(services.CallsStartingWith("ErrorBox").size(), 3u);
  EXPECT_EQ(services.CallsStartingWith("EndProcess").size(), 1u);
  EXPECT_TRUE(printer.Of("page").empty());
}

TEST(DiagramScale, SetsAndScalesByDevicePixels) {
  struct Case {
    int pixels, set, scale, square;
  };
  const Case cases[] = {{127, -1, 0, 0}, {128, 0, 1, 16}, {255, 0, 1, 16}, {300, 2, 1, 40},
                        {500, 3, 1, 64}, {733, 2, 2, 80}, {1566, 3, 3, 192}};
  for (const Case& c : cases) {
    const DiagramScale d = ChooseDiagramScale(c.pixels);
    EXPECT_EQ(d.set, c.set) << c.pixels;
    EXPECT_EQ(d.scale, c.scale) << c.pixels;
    EXPECT_EQ(d.square, c.square) << c.pixels;
  }
}

TEST_F(PrintLayoutTest, DiagramSizeTenIsEightEleventhsOfTheSmallerSide) {
  PrintLayout layout(printer, app);
  layout.PrintDiagram(GameCursor(&game), 10);
  ASSERT_EQ(printer.squares.size(), 64u);
  const double board = 8 * printer.squares[0].size / (300.0 / 72.0);
  EXPECT_NEAR(board, 523 * 8.0 / 11.0, 0.04 * 523);
  EXPECT_EQ(printer.Of("job").front().text, "Diagram");
}

std::string Shell(const char* command) {
  std::string out;
  if (FILE* pipe = popen(command, "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

TEST_F(PrintLayoutTest, TitleNamesTheUserAndToday) {
  app.christName = "Ana", app.surName = "Novak", app.printTitle = "@N, @D @x@";
  PrintLayout layout(printer, app);
  EXPECT_EQ(layout.ExpandTitle(), "Ana Novak, " + Shell("date +%x") + " x@");
}

}  // namespace
}  // namespace zh
