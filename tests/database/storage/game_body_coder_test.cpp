// The body coder: its substitution tables, round trips of random trees in every
// version and buffer size, the stream's grammar on small fixtures, and damaged bodies.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/rules/move_coding_tables.h"
#include "database/storage/game_body_coder.h"
#include "database/game/game_cursor.h"
#include "database/game/move_tree.h"
#include "database/search_mask.h"
#include "database/storage/start_position_record.h"
#include "database/game_test_util.h"
#include "database/random_trees.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

namespace bc = body_coding;
namespace mc = move_coding;

std::vector<uint8_t> EncodeBody(GameBody& body, int bufferSize = 4096) {
  std::vector<uint8_t> buffer(static_cast<size_t>(bufferSize));
  MemoryBodyStream out;
  EXPECT_EQ(body.Encode(buffer.data(), bufferSize, out, nullptr), 0);
  return out.bytes;
}

// Decodes into `game`, whose start and version must already be set.
int DecodeBody(TQGame& game, const std::vector<uint8_t>& bytes, int bufferSize = 4096) {
  std::vector<uint8_t> buffer(static_cast<size_t>(bufferSize));
  MemoryBodyStream in(bytes);
  return game.body.Decode(buffer.data(), bufferSize, in, nullptr);
}

// A fresh game with the same start and version as `body`.
void PrepareLike(TQGame& game, const GameBody& body) {
  if (body.IsSetUp())
    game.body.SetSetUpStart(body.start.start.position, body.start.firstMove);
  else
    game.body.SetStandardStart();
  game.body.flags = static_cast<uint16_t>((game.body.flags & ~0x3F) | body.Version());
}

// The plain token stream of a one-byte body (substitution undone), counter by counter.
std::vector<int> PlainTokens(const std::vector<uint8_t>& bytes, int version) {
  std::vector<int> tokens;
  int counter = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int v = bc::Restore(version, bytes[i], counter);
    tokens.push_back(v);
    if (v == bc::kEscapeToken) {
      tokens.push_back(bc::Restore(version, bytes[i + 1], counter));
      tokens.push_back(bc::Restore(version, bytes[i + 2], counter));
      i += 2;
      ++counter;
    } else if (v < bc::kEscapeToken) {
      ++counter;
    }
  }
  return tokens;
}

std::string DataPath(const std::string& name) {
  return std::string(ZH_SOURCE_DIR) + "/tests/database/data/" + name;
}

// ---- tables ----

TEST(BodyCodingTables, PermutationsInverseAndFrozen) {
  std::string text;
  for (size_t v = 0; v < mc::kBodyEncode.size(); ++v) {
    text += "encode" + std::to_string(v) + ":";
    for (int b : mc::kBodyEncode[v]) text += " " + std::to_string(b);
    text += "\n";
  }
  for (size_t v = 0; v < mc::kBodyDecode.size(); ++v) {
    std::vector<bool> seen(256);
    text += "decode" + std::to_string(v) + ":";
    for (int b : mc::kBodyDecode[v]) {
      EXPECT_FALSE(seen[static_cast<size_t>(b)]) << "table " << v << " repeats " << b;
      seen[static_cast<size_t>(b)] = true;
      text += " " + std::to_string(b);
    }
    text += "\n";
  }
  const int written[4] = {0, 1, 4, 5};
  for (int i = 0; i < 4; ++i)
    for (int b = 0; b < 256; ++b)
      ASSERT_EQ(mc::kBodyDecode[static_cast<size_t>(written[i])][mc::kBodyEncode[static_cast<size_t>(i)][static_cast<size_t>(b)]], b);
  if (std::getenv("ZH_WRITE_GOLDEN")) {
    std::ofstream(DataPath("body_coding_tables.txt"), std::ios::binary) << text;
    return;
  }
  std::ifstream in(DataPath("body_coding_tables.txt"), std::ios::binary);
  std::stringstream golden;
  golden << in.rdbuf();
  EXPECT_EQ(text, golden.str());
}

// ---- round trips ----

// Writes bodies of the round trips as fuzz seeds when ZH_WRITE_CORPUS names a folder:
// for the body decoder (version, buffer size, standard start, body; its set-up start is
// its own, so only standard starts) and for the game file's records (move count,
// record with the start position of a set-up game).
void MaybeWriteSeed(const GameBody& body, int version, const std::vector<uint8_t>& bytes, uint32_t seed) {
  const char* folder = std::getenv("ZH_WRITE_CORPUS");
  if (!folder || seed % 8 > 1 || bytes.size() > 4000) return;
  const std::string name = "v" + std::to_string(version) + "-" + std::to_string(seed);
  const auto write = [&](const std::string& target, std::vector<uint8_t> head) {
    std::filesystem::create_directories(std::string(folder) + "/" + target);
    head.insert(head.end(), bytes.begin(), bytes.end());
    std::ofstream(std::string(folder) + "/" + target + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
  };
  if (!body.IsSetUp())
    write("body_decoder", {static_cast<uint8_t>(version), static_cast<uint8_t>(seed % 7), 0});
  uint8_t start[StartPositionRecord::kNibbleLength];
  const int startLength = body.IsSetUp() ? StartPositionRecord::Write(body.start, start) : 0;
  const auto length = static_cast<uint32_t>(bytes.size() + 4 + static_cast<size_t>(startLength));
  std::vector<uint8_t> head = {static_cast<uint8_t>(std::min(body.FullMoveCount(), 255)),
                               static_cast<uint8_t>(version | (body.IsSetUp() ? 0x40 : 0)),
                               static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 8),
                               static_cast<uint8_t>(length)};
  head.insert(head.end(), start, start + startLength);
  write("game_record", head);
}

// What the random trees of the round trip hold, so that the test shows it covers them.
struct TreeShapes {
  int deepest = 0;             // nesting depth of variations
  int severalAtOneMove = 0;    // moves with two or more alternatives
  int atFirstMove = 0;         // alternatives to the first move of a line
  int atLastMove = 0;          // alternatives to the last move of a line
  std::set<int> promotions;    // piece types promoted to
  std::set<int> setUpSides;    // side to move of set-up starts

  void Add(const GameBody& body) {
    if (body.IsSetUp()) setUpSides.insert(body.start.start.position.side);
    Line(body.mainLine, 0);
  }
  void Line(const MoveLine& line, int depth) {
    deepest = std::max(deepest, depth);
    for (int i = 0; i < line.Count(); ++i) {
      const GameMove& m = *line.GetMove(i);
      if (m.promotion) promotions.insert(m.promotion);
      if (!m.variations || m.variations->Count() == 0) continue;
      severalAtOneMove += m.variations->Count() > 1;
      atFirstMove += i == 0;
      atLastMove += i == line.Count() - 1;
      for (int v = 0; v < m.variations->Count(); ++v) Line(*m.variations->GetLine(v), depth + 1);
    }
  }
};

TEST(BodyCoder, RandomTreesRoundTripInEveryWrittenVersionAndBufferSize) {
  const int bufferSizes[] = {1, 2, 3, 7, 64, 4096};
  int withVariations = 0, withNull = 0, withPromotion = 0, setUps = 0;
  TreeShapes shapes;
  for (uint32_t seed = 0; seed < 48; ++seed) {
    for (int version : {0, 1, 4, 5}) {
      TQGame game;
      test::GrowRandomGame(game, seed * 4 + static_cast<uint32_t>(version));
      game.body.flags = static_cast<uint16_t>((game.body.flags & ~0x3F) | version);
      const int buffer = bufferSizes[(seed + static_cast<uint32_t>(version)) % 6];
      const std::vector<uint8_t> bytes = EncodeBody(game.body, buffer);
      const std::string expected = test::DumpBody(game.body);  // normalised by Encode
      MaybeWriteSeed(game.body, version, bytes, seed);

      TQGame back;
      PrepareLike(back, game.body);
      ASSERT_EQ(DecodeBody(back, bytes, bufferSizes[seed % 6]), 0) << seed << " v" << version;
      EXPECT_EQ(test::DumpBody(back.body), expected) << seed << " v" << version;
      EXPECT_FALSE(back.body.damaged);
      EXPECT_EQ(EncodeBody(back.body, buffer), bytes) << "marker and moves written back alike";
      if (!bc::kVersionInfo[version].twoByte && game.body.markerValue &&
          game.body.markerIndex <= game.body.mainLine.CountMoves(0)) {
        EXPECT_EQ(back.body.markerValue, kRook);
        EXPECT_EQ(back.body.markerIndex, game.body.markerIndex);
      }
      withVariations += game.body.HasVariations();
      withNull += expected.find("--") != std::string::npos;
      withPromotion += expected.find_first_of("qnbr", expected.find(' ')) != std::string::npos;
      setUps += game.body.IsSetUp();
      shapes.Add(back.body);
    }
  }
  // The games hold what they should.
  EXPECT_GT(withVariations, 100);
  EXPECT_GT(withNull, 20);
  EXPECT_GT(withPromotion, 20);
  EXPECT_GT(setUps, 40);
  EXPECT_GE(shapes.deepest, 3);
  EXPECT_GT(shapes.severalAtOneMove, 20);
  EXPECT_GT(shapes.atFirstMove, 5);
  EXPECT_GT(shapes.atLastMove, 5);
  EXPECT_EQ(shapes.promotions, (std::set<int>{kQueen, kRook, kBishop, kKnight}));
  EXPECT_EQ(shapes.setUpSides, (std::set<int>{0, 1}));
}

TEST(BodyCoder, ReadOnlyVersionsReadAlikeAndAreWrittenBackAsTheirPartners) {
  for (int version : {2, 3, 6, 7}) {
    for (uint32_t seed = 0; seed < 6; ++seed) {
      TQGame game;
      test::GrowRandomGame(game, 1000 + seed * 8 + static_cast<uint32_t>(version));
      game.body.flags = static_cast<uint16_t>((game.body.flags & ~0x3F) | version);
      uint8_t inverse[256];
      for (int b = 0; b < 256; ++b) inverse[mc::kBodyDecode[static_cast<size_t>(version)][static_cast<size_t>(b)]] = static_cast<uint8_t>(b);
      uint8_t buffer[5];
      MemoryBodyStream old;
      ASSERT_EQ(bc::EncodeAsVersion(game.body, version, inverse, buffer, sizeof buffer, old), 0);
      const std::string expected = test::DumpBody(game.body);
      MaybeWriteSeed(game.body, version, old.bytes, seed * 8);

      TQGame back;
      PrepareLike(back, game.body);
      ASSERT_EQ(DecodeBody(back, old.bytes, 3), 0) << version;
      EXPECT_EQ(test::DumpBody(back.body), expected) << version;
      const std::vector<uint8_t> rewritten = EncodeBody(back.body);
      const int partner = bc::kVersionInfo[version].writtenAs;
      EXPECT_EQ(back.body.Version(), partner);
      TQGame again;
      PrepareLike(again, back.body);
      ASSERT_EQ(DecodeBody(again, rewritten), 0);
      EXPECT_EQ(test::DumpBody(again.body), expected);
    }
  }
}

TEST(BodyCoder, ReadTraceHandsOverTheMainLine) {
  struct Recorder final : TraceSink {
    void Start(const Board& board) override { start = board; }
    void AppendMove(const GameMove& m, int side) override { moves.push_back(m.LongText() + std::to_string(side)); }
    Board start;
    std::vector<std::string> moves;
  };
  TQGame game = test::EnteredGame("e2e4 e7e5 ( c7c5 g1f3 ) g1f3 b8c6 f1b5", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  for (int version : {0, 1}) {
    game.body.flags = static_cast<uint16_t>((game.body.flags & ~0x3F) | version);
    const std::vector<uint8_t> bytes = EncodeBody(game.body);
    Recorder trace;
    uint8_t buffer[2];
    MemoryBodyStream in(bytes);
    ASSERT_EQ(game.body.DecodeInto(trace, buffer, sizeof buffer, in), 0);
    EXPECT_FALSE(trace.blackStarts);
    EXPECT_TRUE(trace.start.Equals(Board(true)));
    EXPECT_EQ(trace.moves, (std::vector<std::string>{"e2-e40", "e7-e51", "Ng1-f30", "Nb8-c61", "Bf1-b50"}));
  }
}

// ---- the stream ----

TEST(BodyCoder, TwoVariationsAtOneMoveGiveExactlyTwoBranchTokens) {
  TQGame game = test::EnteredGame("e2e4 e7e5 ( c7c5 ) ( e7e6 ) g1f3");
  const std::vector<int> tokens = PlainTokens(EncodeBody(game.body), 0);
  EXPECT_EQ(std::count(tokens.begin(), tokens.end(), bc::kBranchToken), 2);
  // e4, branch, e5, f3, end; branch, c5, end; e6, end.
  ASSERT_EQ(tokens.size(), 10u);
  EXPECT_EQ(tokens[1], bc::kBranchToken);
  EXPECT_EQ(tokens[4], bc::kEndToken);
  EXPECT_EQ(tokens[5], bc::kBranchToken);
  EXPECT_EQ(tokens[7], bc::kEndToken);
  EXPECT_EQ(tokens[9], bc::kEndToken);
}

TEST(BodyCoder, PromotionsAreAlwaysEscaped) {
  for (const char* move : {"b7b8q", "b7b8r", "b7b8b", "b7b8n", "b7a8q"}) {
    TQGame game = test::EnteredGame(move, "r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    const std::vector<int> tokens = PlainTokens(EncodeBody(game.body), 0);
    ASSERT_EQ(tokens.size(), 4u) << move;
    EXPECT_EQ(tokens[0], bc::kEscapeToken) << move;
  }
}

// A line of coordinate moves played from `start`, completed, without the cursor (so
// that shapes and lengths the cursor refuses can be built).
MoveLine MakeLine(Position start, std::string_view moves) {
  MoveLine line;
  std::istringstream in{std::string(moves)};
  std::string token;
  while (in >> token) {
    int from, to, promotion;
    EXPECT_TRUE(test::ParseCoordinates(token, from, to, promotion));
    GameMove m = GameMove::FromSquares(from, to, promotion);
    m.Complete(start);
    start.DoGameMove(m);
    line.Append(m);
  }
  return line;
}

void AddLine(GameMove& move, MoveLine line) {
  if (!move.variations) move.variations = new VariationList;
  move.variations->AddMoved(std::move(line));
}

TEST(BodyCoder, CountersZeroAndTwoHundredFiftySixWriteTheSameBytes) {
  // Knights out and back: move 256 is move 0 again, with the same numbering.
  std::string moves;
  for (int i = 0; i < 70; ++i) moves += "g1f3 g8f6 f3g1 f6g8 ";
  for (int version : {0, 4}) {
    TQGame game;
    game.body.mainLine = MakeLine(Position(), moves);
    game.body.flags = static_cast<uint16_t>(version);
    const std::vector<uint8_t> bytes = EncodeBody(game.body);
    ASSERT_EQ(bytes.size(), 281u);
    EXPECT_EQ(bytes[0], bytes[256]) << version;
    EXPECT_EQ(bytes[1], bytes[257]) << version;
    EXPECT_NE(bytes[0], bytes[4]) << "the counter changes the byte in between";
  }
}

TEST(BodyCoder, MovesPastPly600AreDroppedAndLaterVariationsStayIntact) {
  test::RecordingServices services;
  std::string moves;
  for (int i = 0; i < 150; ++i) moves += "g1f3 g8f6 f3g1 f6g8 ";
  moves += "e2e4";  // the 601st ply
  for (int version : {0, 1}) {
    TQGame game;
    game.body.mainLine = MakeLine(Position(), moves);
    Position afterOne;
    afterOne.DoGameMove(*game.body.mainLine.GetMove(0));
    AddLine(*game.body.mainLine.GetMove(1), MakeLine(afterOne, "b8c6 f3g1 c6b8"));
    game.body.flags = static_cast<uint16_t>(version);
    const std::vector<uint8_t> bytes = EncodeBody(game.body);
    TQGame back;
    back.body.flags = game.body.flags;
    EXPECT_EQ(DecodeBody(back, bytes), 12);
    ASSERT_EQ(back.body.mainLine.Count(), 600);
    EXPECT_TRUE(back.body.damaged);
    const MoveLine* v = back.body.mainLine.GetMove(1)->variations->GetLine(0);
    ASSERT_EQ(v->Count(), 3);
    EXPECT_EQ(v->GetMove(2)->LongText(), "Nc6-b8");
  }
  EXPECT_EQ(services.CallsStartingWith("Log: Load game error").size(), 2u);
}

TEST(BodyCoder, ShapesTheStreamCannotHoldComeBackNormalised) {
  // e4 with the alternatives (d4 d5 with its own alternative (c4 e5)), an empty
  // line and (Nf3).
  TQGame game;
  game.body.mainLine = MakeLine(Position(), "e2e4 e7e5");
  GameMove& e4 = *game.body.mainLine.GetMove(0);
  MoveLine d4 = MakeLine(Position(), "d2d4 d7d5");
  AddLine(*d4.GetMove(0), MakeLine(Position(), "c2c4 e7e5"));
  AddLine(e4, std::move(d4));
  AddLine(e4, MoveLine());
  AddLine(e4, MakeLine(Position(), "g1f3"));
  for (int version : {0, 1}) {
    game.body.flags = static_cast<uint16_t>(version);
    const std::vector<uint8_t> bytes = EncodeBody(game.body);
    EXPECT_EQ(test::DumpBody(game.body), "start e2e4 ( d2d4 d7d5 ) ( c2c4 e7e5 ) ( g1f3 ) e7e5");
    TQGame back;
    back.body.flags = game.body.flags;
    ASSERT_EQ(DecodeBody(back, bytes), 0);
    EXPECT_EQ(test::DumpBody(back.body), test::DumpBody(game.body));
  }
}

// ---- damaged bodies ----

TEST(BodyCoder, IllegalMovesEndTheReadKeepingEarlierMoves) {
  test::RecordingServices services;
  struct Case {
    const char* name;
    int version;
    int from, to;
  } cases[] = {
      {"rook jumps its pawn", 1, 0, 4},
      {"pawn takes straight ahead", 1, 28, 29},
      {"escaped rook jump", 0, 0, 4},
      {"escaped pawn takes straight ahead", 4, 28, 29},
  };
  for (const Case& c : cases) {
    TQGame game = test::EnteredGame("e2e4 e7e5 g1f3");
    game.body.flags = static_cast<uint16_t>(c.version);
    std::vector<uint8_t> bytes = EncodeBody(game.body);
    // The third move becomes the bad one (at counter 2).
    const unsigned word = static_cast<unsigned>(c.from | c.to << 6);
    const uint8_t* table = mc::kBodyEncode[static_cast<size_t>(c.version == 4 ? 2 : c.version)].data();
    const auto put = [&](unsigned v) { return bc::Substitute(c.version, table, static_cast<uint8_t>(v), 2); };
    if (bc::kVersionInfo[c.version].twoByte) {
      bytes[4] = put(word >> 8 | bc::kLastMoveBit >> 8);
      bytes[5] = put(word & 0xFF);
    } else {
      bytes = {bytes[0], bytes[1], put(bc::kEscapeToken), put(word >> 8), put(word & 0xFF), put(bc::kEndToken)};
    }
    TQGame back;
    back.body.flags = game.body.flags;
    EXPECT_EQ(DecodeBody(back, bytes), 12) << c.name;
    EXPECT_EQ(test::DumpBody(back.body), "start e2e4 e7e5") << c.name;
    EXPECT_TRUE(back.body.damaged) << c.name;
  }
  EXPECT_EQ(services.CallsStartingWith("Log: Load game error").size(), 4u);
}

TEST(BodyCoder, CutBodiesAreDamagedAndEmptyBodiesAreEmptyGames) {
  test::RecordingServices services;
  TQGame game = test::EnteredGame("e2e4 e7e5 ( c7c5 ) g1f3");
  for (int version : {0, 1}) {
    game.body.flags = static_cast<uint16_t>(version);
    std::vector<uint8_t> bytes = EncodeBody(game.body);
    bytes.pop_back();
    TQGame back;
    back.body.flags = game.body.flags;
    EXPECT_EQ(DecodeBody(back, bytes, 1), 12);
    EXPECT_EQ(back.body.mainLine.Count(), 3) << "the main line came before the cut";
    TQGame empty;
    empty.body.flags = game.body.flags;
    EXPECT_EQ(DecodeBody(empty, {}), 0);
    EXPECT_EQ(empty.body.mainLine.Count(), 0);
  }
}

TEST(BodyCoder, TwoByteMarkerOnlyFromANonPromotionWithPromotionBits) {
  TQGame game = test::EnteredGame("e2e4 e7e5 g1f3 b8c6");
  game.body.flags = 1;
  const std::vector<uint8_t> plain = EncodeBody(game.body);
  TQGame back;
  back.body.flags = 1;
  ASSERT_EQ(DecodeBody(back, plain), 0);
  EXPECT_EQ(back.body.markerValue, 0) << "ordinary words carry no marker";

  game.body.markerValue = kRook;
  game.body.markerIndex = 2;
  const std::vector<uint8_t> marked = EncodeBody(game.body);
  EXPECT_EQ(bc::Restore(1, marked[4], 2) & 0x30, 0x10) << "bit 12 on the third move";
  ASSERT_EQ(DecodeBody(back, marked), 0);
  EXPECT_EQ(back.body.markerValue, kRook);
  EXPECT_EQ(back.body.markerIndex, 2);
  EXPECT_EQ(test::DumpBody(back.body), "start e2e4 e7e5 g1f3 b8c6");
}

TEST(BodyCoder, BusyAndUnknownVersionsAreRefused) {
  TQGame game = test::EnteredGame("e2e4");
  uint8_t buffer[16];
  MemoryBodyStream stream;
  game.body.coderBusy = true;
  EXPECT_EQ(game.body.Encode(buffer, sizeof buffer, stream, nullptr), 1);
  EXPECT_EQ(game.body.Decode(buffer, sizeof buffer, stream, nullptr), 1);
  game.body.coderBusy = false;
  game.body.flags = 8;
  EXPECT_EQ(game.body.Decode(buffer, sizeof buffer, stream, nullptr), 1);
  EXPECT_EQ(game.body.mainLine.Count(), 0);
}

}  // namespace
}  // namespace zh
