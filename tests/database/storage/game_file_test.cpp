// The game file: its header, game and text records, the limits of appending, damaged
// records, and the ECO lines of pgn-extract stored and read back.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/toolbox/big_endian.h"
#include "core/temp_dir.h"
#include "database/storage/annotation_file.h"
#include "database/game/annotation_set.h"
#include "database/game/game_cursor.h"
#include "database/game/move_tree.h"
#include "database/storage/game_file.h"
#include "database/search_mask.h"
#include "database/game_test_util.h"
#include "database/random_trees.h"
#include "support/eco_lines.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
}

struct Recorder final : TraceSink {
  void Start(const Board&) override {}
  void AppendMove(const GameMove& m, int) override {
    moves.push_back(SquareName(m.from) + SquareName(m.to) + (m.promotion ? std::string(1, "?kqnbrp"[m.promotion]) : ""));
  }
  std::vector<std::string> moves;
};

std::vector<std::string> Coordinates(const MoveLine& line) {
  std::vector<std::string> out;
  for (const GameMove& m : line)
    out.push_back(SquareName(m.from) + SquareName(m.to) + (m.promotion ? std::string(1, "?kqnbrp"[m.promotion]) : ""));
  return out;
}

TEST(GameFile, NewFileHeaderAndEnd) {
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  {
    FileTqg file(base, "tqg", true);
    ASSERT_FALSE(file.HasError());
    EXPECT_EQ(file.GetEnd(), 10u);
    EXPECT_EQ(file.GetWaste(), 0u);
  }
  EXPECT_EQ(test::FileBytes(dir / "db.tqg"), (std::vector<uint8_t>{0, 10, 0, 0, 0, 10, 0, 0, 0, 0}));
  {
    FileTqg file(base, "tqg", false);
    EXPECT_EQ(file.SetEnd(3), 0);
    EXPECT_EQ(file.GetEnd(), 10u);
    EXPECT_EQ(file.SetWaste(77), 0);
  }
  EXPECT_EQ(test::FileBytes(dir / "db.tqg"), (std::vector<uint8_t>{0, 10, 0, 0, 0, 10, 0, 0, 0, 77}));
  FileTqg missing((dir / "none").string(), "tqg", false);
  EXPECT_TRUE(missing.HasError());
}

TEST(GameFile, AppendedGamesReadBackWithTheirHeaderFields) {
  test::TempDir dir;
  FileTqg file((dir / "db").string(), "tqg", true);
  std::string plies;
  for (int i = 0; i < 10; ++i) plies += "g1f3 g8f6 f3g1 f6g8 ";
  plies += "e2e4";  // 41 plies
  TQGame game = test::EnteredGame(plies);
  ASSERT_EQ(file.AppendGame(game, nullptr), 0);
  EXPECT_EQ(game.header.GetMoveCount(), 21);
  EXPECT_EQ(game.header.GetTqgOffset(), 10);
  EXPECT_EQ(game.header.GetContentFlags(), 0u);
  EXPECT_EQ(file.GetEnd(), 10u + 4 + 42);

  TQGame empty = test::EnteredGame("");
  ASSERT_EQ(file.AppendGame(empty, nullptr), 0);
  EXPECT_EQ(file.RecordLength(56), 5) << "the record header and the end token";
  EXPECT_EQ(empty.header.GetMoveCount(), 0);

  TQGame black = test::EnteredGame("e7e5 d2d4 ( g1f3 ) e5d4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
  ASSERT_EQ(file.AppendGame(black, nullptr), 0);
  EXPECT_EQ(black.header.GetMoveCount(), 2);
  EXPECT_EQ(black.header.GetContentFlags(), 3u) << "set-up and variations";

  TQGame back = test::HeaderOf(black);
  ASSERT_EQ(file.ReadGame(back, nullptr, true), 0);
  EXPECT_EQ(test::DumpTree(back), "e7e5 d2d4 (g1f3) e5d4");
  EXPECT_EQ(test::Fen4(back.body.start.start.position), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3");
  TQGame main = test::HeaderOf(game);
  ASSERT_EQ(file.ReadBody(main, 5, false), 0);
  EXPECT_EQ(main.body.mainLine.Count(), 5);
  Recorder trace;
  TQGame traced = test::HeaderOf(black);
  ASSERT_EQ(file.ReadTrace(traced, trace, 600), 0);
  EXPECT_EQ(trace.moves, (std::vector<std::string>{"e7e5", "d2d4", "e5d4"}));
  EXPECT_TRUE(trace.blackStarts);

  TQGame text;
  text.header.record = HeaderRecord::Text();
  EXPECT_EQ(file.ReadGame(text, nullptr, true), 0);
  EXPECT_EQ(text.body.mainLine.Count(), 0);
}

TEST(GameFile, BlackFirstSetUpGamesOfEvenPliesPassTheLengthCheck) {
  test::TempDir dir;
  FileTqg file((dir / "db").string(), "tqg", true);
  for (int version : {0, 1}) {
    TQGame game = test::EnteredGame("e7e5 d2d4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    game.body.flags = static_cast<uint16_t>(game.body.flags | version);
    ASSERT_EQ(file.AppendGame(game, nullptr), 0);
    EXPECT_EQ(game.header.GetMoveCount(), 2);
    TQGame back = test::HeaderOf(game);
    EXPECT_EQ(file.ReadGame(back, nullptr, false), 0) << version;
    EXPECT_EQ(back.body.mainLine.Count(), 2);
    // One more move in the header than the body holds fails the check.
    back.header.SetMoveCount(4);
    EXPECT_EQ(file.ReadGame(back, nullptr, false), 1) << version;
  }
}

TEST(GameFile, RefusedAppendsChangeNothing) {
  test::TempDir dir;
  FileTqg file((dir / "db").string(), "tqg", true);
  TQGame game = test::EnteredGame("e2e4 e7e5");
  ASSERT_EQ(file.AppendGame(game, nullptr), 0);
  const std::vector<uint8_t> before = test::FileBytes(dir / "db.tqg");
  const HeaderRecord header = game.header.record;

  // A start that is no position: two white kings.
  TQGame invalid = test::EnteredGame("", "4k3/8/8/8/8/8/8/3KK3 w - - 0 1");
  invalid.header.SetTqgOffset(1234);
  EXPECT_EQ(file.AppendGame(invalid, nullptr), 1);
  EXPECT_EQ(invalid.header.GetTqgOffset(), 1234);

  // An end close to 4 GiB (the limit moved down to the current end).
  file.endLimit = file.GetEnd() + 6;
  EXPECT_EQ(file.AppendGame(game, nullptr), 1);
  EXPECT_EQ(game.header.record.tqgOffset, header.tqgOffset);
  TQTextItem item;
  item.header.record = HeaderRecord::Text();
  item.SetTitle(0, "Title");
  EXPECT_EQ(file.AppendText(item), 1);
  file.File().WriteBack();
  EXPECT_EQ(test::FileBytes(dir / "db.tqg"), before);
}

TEST(GameFile, DamagedRecordsAnswerTwelve) {
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  TQGame game = test::EnteredGame("e2e4 e8e7", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
  game.body.SetSetUpStart(test::ParseFenForTest("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"), 1);
  {
    FileTqg file(base, "tqg", true);
    ASSERT_EQ(file.AppendGame(game, nullptr), 0);
  }
  const std::vector<uint8_t> good = test::FileBytes(dir / "db.tqg");
  const uint32_t length = GetBigEndian(good.data() + 11, 3);
  struct Case {
    const char* name;
    size_t at;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"length 0", 11, {0, 0, 0}},
      {"length 3", 11, {0, 0, 3}},
      {"shorter than its start record", 11, {0, 0, 20}},
      {"past the end", 11, {0, 1, 0}},
      {"text kind for a game", 10, {0x80}},
      {"start record of kind 3", 14, {0, 3}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good;
    std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + static_cast<long>(c.at));
    WriteBytes(dir / "db.tqg", bytes);
    FileTqg file(base, "tqg", false);
    TQGame back = test::HeaderOf(game);
    EXPECT_EQ(file.ReadGame(back, nullptr, false), 12) << c.name;
    EXPECT_EQ(file.RecordLength(10), c.at == 11 ? GetBigEndian(c.bytes.data(), 3) : length) << c.name;
  }
  EXPECT_EQ(FileTqg(base, "tqg", false).RecordLength(1u << 30), -1);
}

TEST(GameFile, AnInvalidStoredStartGivesTheStandardStartAndNoMoves) {
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  TQGame game = test::EnteredGame("e1d1", "4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  game.body.start.kind = 2;  // the nibble board: one nibble per square
  {
    FileTqg file(base, "tqg", true);
    ASSERT_EQ(file.AppendGame(game, nullptr), 0);
  }
  std::vector<uint8_t> bytes = test::FileBytes(dir / "db.tqg");
  ASSERT_EQ(bytes[14], 2);
  bytes[18] = static_cast<uint8_t>(kKing << 4 | (bytes[18] & 15));  // a second white king on a1
  WriteBytes(dir / "db.tqg", bytes);
  FileTqg file(base, "tqg", false);
  TQGame back = test::HeaderOf(game);
  EXPECT_EQ(file.ReadGame(back, nullptr, false), 1);
  EXPECT_FALSE(back.body.IsSetUp());
  EXPECT_EQ(back.body.mainLine.Count(), 0);
}

TEST(GameFile, TextItemsKeepTitlesFlagTextsAndFormatData) {
  test::TempDir dir;
  FileTqg file((dir / "db").string(), "tqg", true);
  TQTextItem item;
  item.header.record = HeaderRecord::Text();
  item.SetTitle(0, "Caf\xC3\xA9");  // UTF-8 in memory, one stored byte
  item.SetTitle(3, "Titel");
  ASSERT_EQ(file.AppendText(item), 0);
  const uint32_t offset = item.header.record.tqgOffset;
  file.File().WriteBack();
  std::vector<uint8_t> bytes = test::FileBytes(dir / "db.tqg");
  const std::vector<uint8_t> record(bytes.begin() + offset, bytes.end());
  EXPECT_EQ(record, (std::vector<uint8_t>{0x80, 0, 0, 28, 0, 1, 0, 2, 0, 0, 0, 4, 'C', 'a', 'f', 0xE9,
                                          0, 3, 0, 5, 'T', 'i', 't', 'e', 'l', 0, 0, 0}));

  item.flag = 7;
  item.SetFormattedText(1, std::string("text\0with zero", 14));
  item.SetFormatData(1, "\x01\x02");
  ASSERT_EQ(file.AppendText(item), 0);
  TQTextItem back;
  back.header = item.header;
  ASSERT_EQ(file.ReadText(back), 0);
  EXPECT_EQ(back.Title(0), "Caf\xC3\xA9");
  EXPECT_EQ(back.Title(3), "Titel");
  EXPECT_EQ(back.flag, 7);
  EXPECT_EQ(back.FormattedText(1), std::string("text\0with zero", 14));
  EXPECT_EQ(back.FormatData(1), "\x01\x02");
}

TEST(GameFile, MalformedTextRecordsAnswerTwelveAndLeaveTheItem) {
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  TQTextItem item;
  item.header.record = HeaderRecord::Text();
  item.SetTitle(2, "T");
  item.SetFormattedText(2, "x");
  {
    FileTqg file(base, "tqg", true);
    ASSERT_EQ(file.AppendText(item), 0);
  }
  const std::vector<uint8_t> good = test::FileBytes(dir / "db.tqg");
  // Record from offset 10: kind, length(3), 1, title count, slot, length, 'T', flag,
  // text count, slot, length, 'x', format length.
  struct Case {
    const char* name;
    size_t at;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"game kind", 10, {0x01}},
      {"first word not 1", 15, {2}},
      {"title slot 8", 18, {0, 8}},
      {"title past the record", 20, {0, 40}},
      {"text count past the record", 24, {0, 3}},
      {"record length below its header", 11, {0, 0, 2}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good;
    std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + static_cast<long>(c.at));
    WriteBytes(dir / "db.tqg", bytes);
    FileTqg file(base, "tqg", false);
    TQTextItem back;
    back.header = item.header;
    back.SetTitle(2, "kept");
    EXPECT_EQ(file.ReadText(back), 12) << c.name;
    EXPECT_EQ(back.Title(2), "kept") << c.name;
  }
}

TEST(GameFile, EcoLinesOfPgnExtractReadBack) {
  const auto lines = test::EcoLinesUci(ZH_PGN_EXTRACT);
  ASSERT_EQ(lines.size(), 2014u);
  test::TempDir dir;
  const std::string base = (dir / "eco").string();
  std::vector<HeaderRecord> headers;
  {
    FileTqg file(base, "tqg", true);
    FileTqa annotations(base, "tqa", true);
    for (const auto& line : lines) {
      TQGame game;
      game.header.record = HeaderRecord::Game();
      game.number = static_cast<int32_t>(headers.size() + 1);
      GameCursor cursor(&game);
      cursor.Rewind();
      for (const std::string& m : line) {
        int from, to, promotion;
        ASSERT_TRUE(test::ParseCoordinates(m, from, to, promotion));
        ASSERT_EQ(cursor.AddMove(from, to, promotion, 0), 0);
      }
      // Every tenth line carries a comment on its last move.
      if (headers.size() % 10 == 0 && game.body.mainLine.Count())
        GetAnnotations(*game.body.mainLine.GetMove(game.body.mainLine.Count() - 1))
            ->SetTextAfter("line " + std::to_string(headers.size()), 0, kAllLanguages);
      ASSERT_EQ(file.AppendGame(game, &annotations), 0);
      headers.push_back(game.header.record);
    }
  }
  FileTqg file(base, "tqg", false);
  FileTqa annotations(base, "tqa", false);
  for (size_t i = 0; i < lines.size(); ++i) {
    TQGame game;
    game.header.record = headers[i];
    game.number = static_cast<int32_t>(i + 1);
    ASSERT_EQ(file.ReadGame(game, &annotations, false), 0) << i;
    EXPECT_EQ(Coordinates(game.body.mainLine), lines[i]) << i;
    if (i % 10 == 0) {
      EXPECT_EQ(CommentAfter(*game.body.mainLine.GetMove(game.body.mainLine.Count() - 1)),
                "line " + std::to_string(i));
    }
    Recorder trace;
    ASSERT_EQ(file.ReadTrace(game, trace, 600), 0);
    EXPECT_EQ(trace.moves, lines[i]) << i;
  }
}

}  // namespace
}  // namespace zh
