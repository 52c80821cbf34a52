// Records of the old single-file format: header fields, scrambling constants, round
// trips of the ECO lines and of annotated random games, and damaged records.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "core/rules/coding_movelist.h"
#include "core/temp_dir.h"
#include "core/rules/fen.h"
#include "core/rules/move_coding_tables.h"
#include "database/game/annotation_set.h"
#include "database/eco_text.h"
#include "database/game/game_item.h"
#include "database/oldformat/old_format_record.h"
#include "database/pgn/pgn_reader.h"
#include "support/eco_lines.h"
#include "support/pgn_corpus.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace mc = move_coding;

TEST(OldFormatTables, ScramblingConstantsAreFrozen) {
  EXPECT_EQ(mc::kOldHeaderSeed, 62);
  EXPECT_EQ(mc::kOldTextFactor, 7);
  EXPECT_EQ(mc::kOldMoveFactor, 79);
  EXPECT_EQ(mc::kOldTextSeed, (std::array<uint8_t, 2>{151, 223}));
  EXPECT_EQ(mc::kOldMoveSeed, (std::array<uint8_t, 2>{135, 211}));
  EXPECT_EQ(mc::kOldKeyWords, (std::array<uint8_t, 3>{238, 35, 147}));
  // One whole record, byte for byte.
  TQGame game;
  ReadPgnGame("[White \"Ab-cd, E\"]\n[Black \"F\"]\n[Event \"G\"]\n[Round \"2\"]\n[Date \"1999.01.02\"]\n"
              "[Result \"1-0\"]\n[ECO \"C60\"]\n[WhiteElo \"2600\"]\n1. e4 {x} e5 (1... c5) 2. Nf3 $1 1-0",
              game, {"t", 1, false});
  std::vector<uint8_t> bytes;
  ASSERT_EQ(EncodeTqfGame(game, bytes), 0);
  std::string hex;
  for (uint8_t b : bytes) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%02x", b);
    hex += buffer;
  }
  EXPECT_EQ(hex,
            "fdf0fe9557b7beded672745adc62d83db6ec5d93ccc29f5809674b568b9cc6f059cfff00000000"
            "78ff01000000ff");
}

TEST(OldFormatTables, VariationLettersByBand) {
  struct Case {
    int moveBytes, moveCount;
    char letter;
  } cases[] = {{1, 0, ' '}, {41, 20, ' '}, {44, 20, 'v'}, {51, 20, 'V'}, {81, 20, 'r'}, {201, 20, 'R'}};
  for (const Case& c : cases) {
    TqfRecord r;
    r.moveBytes = static_cast<uint16_t>(c.moveBytes);
    r.moveCount = static_cast<uint8_t>(c.moveCount);
    EXPECT_EQ(TqfVariationLetter(r), c.letter) << c.moveBytes;
  }
  TqfRecord r;
  EXPECT_EQ(TqfCommentLetter(r), ' ');
  r.annotationBytes = 200;
  EXPECT_EQ(TqfCommentLetter(r), 'c');
  r.annotationBytes = 201;
  EXPECT_EQ(TqfCommentLetter(r), 'C');
}

TEST(OldFormatHeader, FieldsAndLimits) {
  EXPECT_EQ(TqfYearByte(1850), 206);
  EXPECT_EQ(TqfYearFromByte(206), 1850);
  EXPECT_EQ(TqfYearByte(1700), 127);
  EXPECT_EQ(TqfYearFromByte(127), 0);
  EXPECT_EQ(TqfYearByte(2026), 126);
  EXPECT_EQ(TqfYearByte(2027), 127);
  EXPECT_EQ(TqfYearByte(1782), 138);
  EXPECT_EQ(TqfEloByte(2600), 200);
  EXPECT_EQ(TqfEloFromByte(200), 2600);
  EXPECT_EQ(TqfEloByte(1500), 0);
  EXPECT_EQ(TqfEloByte(2880), 0);

  TqfRecord r;
  r.moveBytes = 3;
  r.moveCount = 255;  // saturated
  r.resultCode = 2;
  uint8_t bytes[kTqfHeaderSize];
  PackTqfHeader(r, bytes);
  TqfRecord back;
  ASSERT_EQ(UnpackTqfHeader(bytes, back), 1);  // 255 moves in 2 bytes
  r.moveBytes = 200;
  PackTqfHeader(r, bytes);
  ASSERT_EQ(UnpackTqfHeader(bytes, back), 0);
  EXPECT_EQ(back.moveCount, 255);
  r.resultCode = 2 | 4 << 2;  // a result with a line evaluation
  PackTqfHeader(r, bytes);
  EXPECT_EQ(UnpackTqfHeader(bytes, back), 1);
}

TEST(OldFormatHeader, EveryEcoValueSpreadsAndGathers) {
  TqfRecord r, back;
  r.moveBytes = 1;
  uint8_t bytes[kTqfHeaderSize];
  for (int v = 0; v < 65536; ++v) {
    r.eco = static_cast<uint16_t>(v);
    r.playerLength = static_cast<uint8_t>(v % 64);
    r.tournamentLength = static_cast<uint8_t>(v / 64 % 64);
    PackTqfHeader(r, bytes);
    ASSERT_EQ(UnpackTqfHeader(bytes, back), 0);
    ASSERT_EQ(back.eco, v);
    ASSERT_TRUE(back.storedConversion);
  }
}

TEST(OldFormatHeader, TextsOfARecord) {
  TQGame game;
  ReadPgnGame("[White \"Ab-cd, E\"]\n[Black \"Brown (4)\"]\n[Event \"Cup 7-0 game\"]\n[Round \"3.1\"]\n"
              "[Annotator \"Ann\"]\n[Date \"1850.??.??\"]\n[WhiteElo \"1500\"]\n[BlackElo \"2600\"]\n1. e4 *",
              game, {"t", 1, false});
  std::vector<uint8_t> bytes;
  ASSERT_EQ(EncodeTqfGame(game, bytes), 0);
  TqfRecord r;
  ASSERT_EQ(UnpackTqfHeader(bytes.data(), r), 0);
  std::vector<uint8_t> texts(bytes.begin() + kTqfHeaderSize,
                             bytes.begin() + kTqfHeaderSize + r.playerLength + r.tournamentLength);
  ScrambleTqf(texts.data(), int(texts.size()), TqfTextSeed(int(texts.size())), mc::kOldTextFactor);
  EXPECT_EQ(std::string(texts.begin(), texts.end()), "Ab_cd,E-Brown (4)Cup 7-0 game (3.1)[Ann]");
  GameHeader h;
  ASSERT_EQ(DecodeTqfHeader(bytes.data(), bytes.size(), h), 0);
  EXPECT_EQ(h.white.LastName(), "Ab-cd");
  EXPECT_EQ(h.white.FirstName(), "E");
  EXPECT_EQ(h.black.LastName(), "Brown (4)");
  EXPECT_EQ(h.tournament.Title(), "Cup 7-0 game");
  EXPECT_EQ(h.GetRound(), 3);
  EXPECT_EQ(h.GetSubRound(), 1);
  EXPECT_EQ(h.annotator.Name(), "Ann");
  EXPECT_EQ(h.GetDate(), 1850u << 9);
  EXPECT_EQ(h.GetWhiteElo(), 0);
  EXPECT_EQ(h.GetBlackElo(), 2600);
  // Cut short anywhere in the header or texts: a read error, never a crash.
  for (size_t n = 0; n < kTqfHeaderSize + texts.size(); ++n)
    EXPECT_EQ(DecodeTqfHeader(bytes.data(), n, h), 12) << n;
}

std::string Coord(const GameMove& m) {
  std::string s = {static_cast<char>('a' + FileOf(m.from)), static_cast<char>('1' + RankOf(m.from)),
                   static_cast<char>('a' + FileOf(m.to)), static_cast<char>('1' + RankOf(m.to))};
  if (m.kind & kPromotion) s += "?kqnbrp"[m.promotion];
  return s;
}

// Moves, variations, the symbols as their 4-bit codes read back, and the texts (before
// and after joined).
void Dump(const MoveLine& line, std::string& out) {
  for (const GameMove& m : line) {
    out += ' ' + Coord(m);
    const MoveSymbols given = GetSymbols(m);
    MoveSymbols s;
    s.SetFromMoveSymbolCode(given.MoveSymbolCode());
    s.SetFromPositionSymbolCode(given.PositionSymbolCode());
    s.SetFromPrefixSymbolCode(given.PrefixSymbolCode());
    for (int v : {int(s.move), int(s.position), int(s.prefix)})
      if (v) out += " $" + std::to_string(v);
    if (m.annotations) {
      std::string text = m.annotations->GetTextBefore(kAllLanguages);
      const std::string& after = m.annotations->GetTextAfter(kAllLanguages);
      if (!text.empty() && !after.empty()) text += ' ';
      text += after;
      if (!text.empty()) out += " {" + text + "}";
    }
    if (m.variations)
      for (int i = 0; i < m.variations->Count(); ++i) {
        out += " (";
        Dump(*m.variations->GetLine(i), out);
        out += " )";
      }
  }
}

std::string Dump(const TQGame& game) {
  std::string out = FormatFen(game.body.start);
  if (AnnotationSet* a = game.body.GameAnnotations()) out += " {{" + a->GetTextAfter(kAllLanguages) + "}}";
  Dump(game.body.mainLine, out);
  return out;
}

TEST(OldFormatRecord, EcoLinesMatchPgnExtract) {
  const auto lines = test::EcoLinesUci(ZH_PGN_EXTRACT);
  ASSERT_EQ(lines.size(), 2014u);
  std::ifstream in(test::kEcoFile);
  std::stringstream s;
  s << in.rdbuf();
  const std::string text = s.str();
  const std::vector<uint64_t> starts = FindPgnGames(text);
  ASSERT_EQ(starts.size(), 2015u);
  for (size_t g = 0; g < 2014; ++g) {
    TQGame game;
    ReadPgnGame(std::string_view(text).substr(starts[g], starts[g + 1] - starts[g]), game, {"eco", 1, false});
    std::vector<uint8_t> bytes;
    ASSERT_EQ(EncodeTqfGame(game, bytes), 0) << g;
    TQGame back;
    ASSERT_EQ(DecodeTqfGame(bytes.data(), bytes.size(), back), 0) << g;
    std::vector<std::string> moves;
    for (const GameMove& m : back.body.mainLine) moves.push_back(Coord(m));
    // pgn-extract writes castling as the king's two squares, as we do.
    ASSERT_EQ(moves, lines[g]) << g;
    EXPECT_EQ(back.header.GetEco(), game.header.GetEco());
    EXPECT_EQ(Dump(back), Dump(game));
  }
}

TEST(OldFormatRecord, AnnotatedRandomGamesReadBackEqual) {
  const test::TempDir scratch;
  const std::string dir = scratch.Path().string();
  const std::string original = dir + "/old_format_corpus.pgn";
  ASSERT_TRUE(test::WritePgnCorpus(ZH_PGN_EXTRACT, dir + "/old_format_coord.pgn", original, 500, 150,
                                   /*nullMoves=*/false));
  std::ifstream in(original);
  std::stringstream s;
  s << in.rdbuf();
  const std::string text = s.str();
  const std::vector<uint64_t> starts = FindPgnGames(text);
  ASSERT_EQ(starts.size(), 501u);
  // pgn-extract's main lines in coordinates, one game a line.
  std::vector<std::string> reference;
  {
    std::istringstream uci(test::RunCommand(std::string(ZH_PGN_EXTRACT) +
                                            " -Wuci -C -N -V --quiet -s -w100000 " + original +
                                            " 2>/dev/null"));
    for (std::string line; std::getline(uci, line);)
      if (!line.empty() && line[0] != '[') reference.push_back(line);
  }
  ASSERT_EQ(reference.size(), 500u);
  int variations = 0, comments = 0, setUps = 0;
  for (size_t g = 0; g + 1 < starts.size(); ++g) {
    TQGame game;
    ReadPgnGame(std::string_view(text).substr(starts[g], starts[g + 1] - starts[g]), game, {"c", 1, false});
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_EQ(EncodeTqfGame(game, bytes, &error), 0) << g << " " << error;
    TQGame back;
    ASSERT_EQ(DecodeTqfGame(bytes.data(), bytes.size(), back), 0) << g;
    ASSERT_EQ(Dump(back), Dump(game)) << g;
    std::string moves;
    for (const GameMove& m : back.body.mainLine) moves += Coord(m) + ' ';
    std::istringstream words(reference[g]);
    std::string expected;
    for (std::string w; words >> w;) {
      if (w == "*" || w == "1-0" || w == "0-1" || w == "1/2-1/2") continue;
      for (char& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      expected += w + ' ';  // promotions in lower case, as ours
    }
    EXPECT_EQ(moves, expected) << g;
    const GameHeader &a = game.header, &b = back.header;
    EXPECT_EQ(b.white.FullName(), a.white.FullName());
    EXPECT_EQ(b.black.FullName(), a.black.FullName());
    EXPECT_EQ(b.tournament.Title(), a.tournament.Title());
    EXPECT_EQ(b.GetRound(), a.GetRound());
    EXPECT_EQ(b.GetSubRound(), a.GetSubRound());
    EXPECT_EQ(b.annotator.Name(), a.annotator.Name());
    EXPECT_EQ(b.GetDate(), a.GetDate() & ~0x1FFu);
    EXPECT_EQ(b.GetResult(), a.GetResult());
    EXPECT_EQ(b.GetWhiteElo(), TqfEloFromByte(TqfEloByte(a.GetWhiteElo())));
    if (!game.body.IsSetUp()) {
      EXPECT_EQ(b.GetEco(), a.GetEco());
    }
    variations += game.body.HasVariations();
    comments += game.body.HasAnnotations();
    setUps += game.body.IsSetUp();
  }
  EXPECT_GT(variations, 100);
  EXPECT_GT(comments, 200);
  EXPECT_GT(setUps, 20);
}

// A standard-start record with the given raw move bytes (before scrambling) and
// annotation bytes.
std::vector<uint8_t> RawRecord(const std::vector<uint8_t>& moves, const std::vector<uint8_t>& notes = {}) {
  TqfRecord r;
  r.moveBytes = static_cast<uint16_t>(moves.size() + 1);
  r.annotationBytes = static_cast<uint16_t>(notes.size());
  std::vector<uint8_t> bytes(kTqfHeaderSize);
  PackTqfHeader(r, bytes.data());
  std::vector<uint8_t> data = moves;
  if (data.size() > 1)
    ScrambleTqf(data.data() + 1, int(data.size() - 1), TqfMoveSeed(int(data.size())), mc::kOldMoveFactor);
  bytes.insert(bytes.end(), data.begin(), data.end());
  bytes.insert(bytes.end(), notes.begin(), notes.end());
  return bytes;
}

uint8_t IndexOf(const Position& p, const char* coord) {
  CodingMoveList list;
  list.Generate(p.board, p.epFile, p.side == 1);
  const int from = (coord[0] - 'a') * 8 + coord[1] - '1', to = (coord[2] - 'a') * 8 + coord[3] - '1';
  return static_cast<uint8_t>(list.IndexOf(from, to) + 1);
}

TEST(OldFormatDamage, DeepNestingReadsWithinTheDepthLimit) {
  const Position start;
  const uint8_t moves[3] = {IndexOf(start, "e2e4"), IndexOf(start, "d2d4"), IndexOf(start, "c2c4")};
  std::vector<uint8_t> data = {moves[0]};
  for (int i = 0; i < 20000; ++i) {
    data.push_back(kTqfOpen);
    data.push_back(moves[(i + 1) % 3]);
  }
  // A 0x7F variation with nested openers inside is skipped as a whole.
  test::RecordingServices services;
  TQGame game;
  const std::vector<uint8_t> bytes = RawRecord(data);
  EXPECT_EQ(DecodeTqfGame(bytes.data(), bytes.size(), game), 12);
  EXPECT_EQ(game.body.mainLine.Count(), 1);
  int depth = 0;
  for (const MoveLine* line = &game.body.mainLine; line->Count() && line->GetMove(0)->variations;
       line = line->GetMove(0)->variations->GetLine(0))
    ++depth;
  EXPECT_EQ(depth, kTqfMaxDepth);
  EXPECT_EQ(services.CallsStartingWith("Log: ").size(), 1u);

  const std::vector<uint8_t> skipped =
      RawRecord({moves[0], kTqfSkipped, moves[1], kTqfOpen, moves[2], kTqfClose, kTqfClose,
                 IndexOf([] { Position p; p.MakeMoveSquares(33, 35, 0); p.side = 1; return p; }(), "e7e5")});
  TQGame game2;
  EXPECT_EQ(DecodeTqfGame(skipped.data(), skipped.size(), game2), 0);
  EXPECT_EQ(game2.body.mainLine.Count(), 2);
  EXPECT_FALSE(game2.body.HasVariations());

  // Variations without moves (closed at once, ended by an opener, by the end of the
  // data or by a damaged move) leave nothing.
  const uint8_t e5 = IndexOf([] { Position p; p.MakeMoveSquares(33, 35, 0); p.side = 1; return p; }(), "e7e5");
  const struct {
    std::vector<uint8_t> data;
    int rc, plies;
  } cases[] = {{{moves[0], kTqfOpen, kTqfClose, e5}, 0, 2},
               {{moves[0], kTqfOpen, kTqfOpen, e5}, 0, 2},
               {{moves[0], kTqfOpen}, 0, 1},
               {{moves[0], kTqfOpen, 120}, 12, 1}};
  for (const auto& c : cases) {
    const std::vector<uint8_t> empty = RawRecord(c.data);
    TQGame game3;
    EXPECT_EQ(DecodeTqfGame(empty.data(), empty.size(), game3), c.rc);
    EXPECT_EQ(game3.body.mainLine.Count(), c.plies);
    EXPECT_FALSE(game3.body.HasVariations()) << c.data.size();
  }
}

TEST(OldFormatDamage, IllegalIndexesEndTheLine) {
  test::RecordingServices services;
  const Position start;
  Position afterE4 = start;
  afterE4.MakeMoveSquares(33, 35, 0);
  afterE4.side = 1;
  const std::vector<uint8_t> bytes = RawRecord({IndexOf(start, "e2e4"), 120, IndexOf(afterE4, "e7e5")});
  TQGame game;
  EXPECT_EQ(DecodeTqfGame(bytes.data(), bytes.size(), game), 12);
  EXPECT_EQ(game.body.mainLine.Count(), 1);
  EXPECT_TRUE(game.body.damaged);
  EXPECT_EQ(services.CallsStartingWith("Log: ").size(), 1u);

  // Castling through check: the coding list offers it on the board alone.
  TQGame setup;
  ReadPgnGame("[FEN \"4k3/8/8/8/8/8/5r2/4K2R w K - 0 1\"]\n*", setup, {"t", 1, false});
  std::vector<uint8_t> record;
  ASSERT_EQ(EncodeTqfGame(setup, record), 0);
  const Position& p = setup.body.start.start.position;
  const uint8_t castle = IndexOf(p, "e1g1");
  ASSERT_GT(castle, 0);
  // Put the castling byte in the empty move data.
  TqfRecord r;
  ASSERT_EQ(UnpackTqfHeader(record.data(), r), 0);
  r.moveBytes = 2;
  PackTqfHeader(r, record.data());
  record.insert(record.begin() + kTqfHeaderSize + r.playerLength + r.tournamentLength, castle);
  TQGame back;
  EXPECT_EQ(DecodeTqfGame(record.data(), record.size(), back), 12);
  EXPECT_EQ(back.body.mainLine.Count(), 0);
  EXPECT_TRUE(back.body.damaged);
  // A sound record read into the same game clears the mark.
  const std::vector<uint8_t> sound = RawRecord({IndexOf(start, "e2e4")});
  EXPECT_EQ(DecodeTqfGame(sound.data(), sound.size(), back), 0);
  EXPECT_FALSE(back.body.damaged);
}

TEST(OldFormatDamage, MovesWithoutACodeAreRefused) {
  // The position of 218 legal moves: more than the coding list holds.
  TQGame game;
  ReadPgnGame("[FEN \"R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1\"]\n*", game, {"t", 1, false});
  const Position& p = game.body.start.start.position;
  MoveList all;
  all.Generate(p);
  CodingMoveList coded;
  coded.Generate(p.board, p.epFile, 0);
  ASSERT_GT(all.Count(), CodingMoveList::kSlots);
  ASSERT_EQ(coded.Count(), CodingMoveList::kSlots);
  const MoveCode late = all.At(all.Count() - 1);
  GameMove m = GameMove::FromSquares(late.from, late.to);
  m.Complete(p);
  game.body.mainLine.Append(m);
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_EQ(EncodeTqfGame(game, bytes, &error), 1);
  EXPECT_NE(error.find("move 1." + m.LongText()), std::string::npos) << error;

  TQGame null;
  ReadPgnGame("1. e4 -- 2. d4 *", null, {"t", 1, false});
  EXPECT_EQ(EncodeTqfGame(null, bytes, &error), 1);
  EXPECT_NE(error.find("move 1..."), std::string::npos) << error;
}

TEST(OldFormatDamage, NoBreakSpaceKeepsLaterCommentsInPlace) {
  TQGame game;
  ReadPgnGame("1. e4 {a\xC2\xA0" "b} e5 {second} 2. Nf3 {third} *", game, {"t", 1, false});
  std::vector<uint8_t> bytes;
  ASSERT_EQ(EncodeTqfGame(game, bytes), 0);
  TQGame back;
  ASSERT_EQ(DecodeTqfGame(bytes.data(), bytes.size(), back), 0);
  EXPECT_EQ(Dump(back), Dump(game).replace(Dump(game).find("a\xC2\xA0" "b"), 4, "a b"));
}

}  // namespace
}  // namespace zh
