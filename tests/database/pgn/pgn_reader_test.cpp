// The tolerant PGN reader: SAN matching, finding games, tags, movetext structure and
// the handling of tokens that name no single legal move.
#include <gtest/gtest.h>

#include <string>

#include "core/rules/fen.h"
#include "database/game/annotation_set.h"
#include "database/eco_text.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_reader.h"
#include "support/recording_services.h"

namespace zh {
namespace {

std::string Coord(const GameMove& m) {
  if (m.IsNull()) return "--";
  std::string s = {static_cast<char>('a' + FileOf(m.from)), static_cast<char>('1' + RankOf(m.from)),
                   static_cast<char>('a' + FileOf(m.to)), static_cast<char>('1' + RankOf(m.to))};
  if (m.kind & kPromotion) s += "?kqnbrp"[m.promotion];
  return s;
}

// Coordinate moves with {before} and {after} texts, glyphs as $n, variations in ().
void DumpLine(const MoveLine& line, std::string& out) {
  for (const GameMove& m : line) {
    if (!out.empty() && out.back() != '(') out += ' ';
    if (m.annotations && m.annotations->HasTextBefore())
      out += "{" + m.annotations->GetTextBefore(kAllLanguages) + "} ";
    out += Coord(m);
    const MoveSymbols s = GetSymbols(m);
    for (int v : {int(s.prefix), int(s.move), int(s.position)})
      if (v) out += " $" + std::to_string(v);
    if (m.annotations && m.annotations->HasTextAfter())
      out += " {" + m.annotations->GetTextAfter(kAllLanguages) + "}";
    if (m.variations)
      for (int i = 0; i < m.variations->Count(); ++i) {
        out += " (";
        DumpLine(*m.variations->GetLine(i), out);
        out += ")";
      }
  }
}

std::string Dump(const TQGame& game) {
  std::string out;
  if (AnnotationSet* a = game.body.GameAnnotations()) out = "{{" + a->GetTextAfter(kAllLanguages) + "}}";
  DumpLine(game.body.mainLine, out);
  return out;
}

std::string Read(const std::string& text, TQGame& game) {
  ReadPgnGame(text, game, {"t.pgn", 1, false});
  return Dump(game);
}

std::string San(const char* fen, const char* token) {
  StartRecord record;
  ParseFen(record, fen);
  int from = 0, to = 0, promotion = 0;
  const int rc = MatchSan(record.start.position, token, kPgnPieceLetters, from, to, promotion);
  if (rc == kSanAmbiguous) return "ambiguous";
  if (rc != kSanMove) return "none";
  GameMove m = GameMove::FromSquares(from, to, promotion);
  m.Complete(record.start.position);
  return Coord(m);
}

TEST(PgnSan, MatchesTheNamedMoveOnly) {
  constexpr char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  constexpr char kPromote[] = "k7/4P3/8/8/8/8/8/4K3 w - - 0 1";
  constexpr char kKnights[] = "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1";
  constexpr char kCastle[] = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
  constexpr char kNoRight[] = "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1";
  constexpr char kThroughCheck[] = "r3k2r/8/8/8/8/8/5r2/R3K2R w KQ - 0 1";
  constexpr char kEnPassant[] = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1";
  constexpr char kPinned[] = "4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1";
  // Taking en passant would clear the fifth rank between the king and the rook.
  constexpr char kEnPassantPin[] = "8/8/8/K2pP2r/8/8/8/4k3 w - d6 0 1";
  constexpr char kInCheck[] = "4k3/8/8/8/8/8/4r3/R3K3 w - - 0 1";
  struct Case {
    const char* fen;
    const char* token;
    const char* expected;
  } cases[] = {
      {kStart, "e4", "e2e4"},       {kStart, "Nf3", "g1f3"},     {kStart, "Ng1f3", "g1f3"},
      {kStart, "e5", "none"},       {kStart, "Ke2", "none"},     {kPromote, "e8=Q", "e7e8q"},
      {kPromote, "e8Q", "e7e8q"},   {kPromote, "e8=Q+", "e7e8q"}, {kPromote, "e8=N", "e7e8n"},
      {kPromote, "e8", "ambiguous"}, {kKnights, "Nd2", "ambiguous"}, {kKnights, "Nbd2", "b1d2"},
      {kKnights, "Nfd2", "f3d2"},   {kCastle, "O-O", "e1g1"},    {kCastle, "0-0-0", "e1c1"},
      {kCastle, "o-o", "e1g1"},     {kNoRight, "O-O", "none"},   {kThroughCheck, "O-O", "none"},
      {kThroughCheck, "O-O-O", "e1c1"}, {kEnPassant, "exd6", "e5d6"}, {kPinned, "Nc3", "none"},
      {kStart, "Kg1", "none"},      {kEnPassantPin, "exd6", "none"}, {kEnPassantPin, "e6", "e5e6"},
      {kInCheck, "Ra2", "none"},    {kInCheck, "Kxe2", "e1e2"},  {kInCheck, "Kf2", "none"},
      {kInCheck, "Kd1", "e1d1"},
  };
  for (const Case& c : cases) EXPECT_EQ(San(c.fen, c.token), c.expected) << c.fen << " " << c.token;
}

TEST(PgnSan, CastlingNeedsKingAndRookOnTheirSquares) {
  // Rights from a careless FEN are not enough without the king on e1.
  StartRecord record;
  ParseFen(record, "4k3/8/8/8/8/8/8/R4K1R w - - 0 1");
  record.start.position.castling = kAllRights;
  int from, to, promotion;
  EXPECT_EQ(MatchSan(record.start.position, "O-O", kPgnPieceLetters, from, to, promotion), kSanNoMove);
}

TEST(PgnFind, GamesStartAtTagsOrAfterResults) {
  const std::string text =
      "\xEF\xBB\xBF[Event \"a\"]\n[Site \"b\"]\n\n1. e4 {[Event \"no\"]} e5 1-0\n"
      "% [Event \"escaped\"]\n"
      "[White \"x\"]\n\n1. d4 *\n"
      "1. c4 c5 1/2-1/2\n"
      "{before} 1. Nf3 0-1\n"
      "{a comment before tags belongs to no game}\n[Event \"c\"]\n*\n";
  const std::vector<uint64_t> starts = FindPgnGames(text);
  ASSERT_EQ(starts.size(), 6u);
  EXPECT_EQ(text.substr(starts[0], 6), "[Event");
  EXPECT_EQ(text.substr(starts[1], 6), "[White");
  EXPECT_EQ(text.substr(starts[2], 5), "1. c4");
  EXPECT_EQ(text.substr(starts[3], 8), "{before}");
  EXPECT_EQ(text.substr(starts[4], 6), "[Event");
  EXPECT_EQ(starts[5], text.size());
}

TEST(PgnRead, TolerantFixtures) {
  struct Case {
    const char* name;
    std::string text;
    std::string white;
    std::string tree;
  } cases[] = {
      {"bom", "\xEF\xBB\xBF[White \"M\xC3\xBCller\"]\n\n1. e4 *", "M\xC3\xBCller", "e2e4"},
      {"crlf", "[White \"A\"]\r\n\r\n1. e4 e5\r\n2. Nf3 *\r\n", "A", "e2e4 e7e5 g1f3"},
      {"cr", "[White \"A\"]\r\r1. e4 e5\r2. Nf3 *\r", "A", "e2e4 e7e5 g1f3"},
      {"latin1", "[White \"M\xFCller\"]\n\n1. e4 *", "M\xC3\xBCller", "e2e4"},
      {"utf8", "[White \"M\xC3\xBCller\"]\n\n1. e4 *", "M\xC3\xBCller", "e2e4"},
      {"no tags", "1. e4 e5 *", "", "e2e4 e7e5"},
      {"percent", "[White \"A\"]\n% a remark\n[Black \"B\"]\n\n1. e4\n% 2. d4\ne5 *", "A", "e2e4 e7e5"},
      {"escapes", "[White \"A \\\"B\\\" \\\\C\"]\n\n1. e4 *", "A \"B\" \\C", "e2e4"},
      {"long tag", "[White \"" + std::string(290, 'x') + "\"]\n[Black \"B\"]\n1. e4 *",
       std::string(TQPlayer::kLastNameLength, 'x'), "e2e4"},
      {"glued numbers", "1.e4 e5 2.Nf3 2...Nc6 3.a3 *", "", "e2e4 e7e5 g1f3 b8c6 a2a3"},
      {"comments", "{pre} 1. e4 {after e4} e5 ({first} d5 {x}) *", "",
       "{pre} e2e4 {after e4} e7e5 ({first} d7d5 {x})"},
      {"nested first", "1. e4 (1. d4 (1. c4) d5) e5 *", "", "e2e4 (d2d4 (c2c4) d7d5) e7e5"},
      {"glyphs", "1. e4 $1 $14 $140 e5!? *", "", "e2e4 $140 $1 $14 e7e5 $5"},
      {"null move", "1. e4 -- 2. d4 *", "", "e2e4 -- d2d4"},
      {"paren at start", "( 1. d4 ) 1. e4 *", "", "{( 1. d4 )} e2e4"},
      {"glyph at start", "$1 1. e4 *", "", "e2e4"},
      {"pending text at end", "1. e4 ( {only text} ) *", "", "e2e4 {only text}"},
      {"comment without moves", "{just a remark} *", "", "{{just a remark}}"},
      {"pieces", "[Pieces \"KDTLSB\"]\n1. e4 e5 2. Sf3 Sc6 3. Lb5 *", "", "e2e4 e7e5 g1f3 b8c6 f1b5"},
      {"semicolon", "1. e4 ; rest of line\ne5 *", "", "e2e4 {rest of line} e7e5"},
  };
  for (const Case& c : cases) {
    TQGame game;
    EXPECT_EQ(Read(c.text, game), c.tree) << c.name;
    const bool bom = c.text.rfind("\xEF\xBB\xBF", 0) == 0;
    TQGame again;
    ReadPgnGame(PgnTextToUtf8(c.text, bom), again, {"t.pgn", 1, bom});
    EXPECT_EQ(again.header.white.LastName(), c.white) << c.name;
  }
}

TEST(PgnRead, TextEncodings) {
  // Windows-1252 where the game is not valid UTF-8; each game is judged alone.
  EXPECT_EQ(PgnTextToUtf8("{\x93" "Caf\xE9\x94 \x80}", false),
            "{\xE2\x80\x9C" "Caf\xC3\xA9\xE2\x80\x9D \xE2\x82\xAC}");
  EXPECT_EQ(PgnTextToUtf8("{Caf\xC3\xA9}", false), "{Caf\xC3\xA9}");
  // With a byte-order mark the file is UTF-8 whatever the bytes.
  EXPECT_EQ(PgnTextToUtf8("{\xE9}", true), "{\xE9}");
}

TEST(PgnRead, HeaderValues) {
  TQGame game;
  Read("[Event \"?\"]\n[Site \"Wien\"]\n[Date \"1999.13.45\"]\n[Round \"3.1\"]\n"
       "[White \"Smith, J.\"]\n[Black \"Doe\"]\n[Result \"1/2-1/2\"]\n[ECO \"b12\"]\n"
       "[WhiteElo \"2600\"]\n[BlackElo \"-\"]\n[Odd \"x\"]\n[Annotator \"Ann\"]\n"
       "[EventDate \"1999.??.??\"]\n[Source \"Mag\"]\n\n1. e4 1/2-1/2",
       game);
  const GameHeader& h = game.header;
  EXPECT_EQ(h.tournament.Title(), "");
  EXPECT_EQ(h.tournament.Place(), "Wien");
  EXPECT_EQ(h.GetDate(), 1999u << 9);        // month 13 and day 45 read as unknown
  EXPECT_EQ(h.GetRound(), 3);
  EXPECT_EQ(h.GetSubRound(), 1);
  EXPECT_EQ(h.white.LastName(), "Smith");
  EXPECT_EQ(h.white.FirstName(), "J");
  EXPECT_EQ(h.black.LastName(), "Doe");
  EXPECT_EQ(h.GetResult(), kDraw);
  EXPECT_EQ(h.GetEco(), TextToEco("B12", false));
  EXPECT_EQ(h.GetWhiteElo(), 2600);
  EXPECT_EQ(h.GetBlackElo(), 0);
  EXPECT_EQ(h.annotator.Name(), "Ann");
  EXPECT_EQ(h.source.Second(), "Mag");
  EXPECT_EQ(h.source.Title(), "Mag");
  EXPECT_EQ(h.tournament.date, 1999u << 9);  // from EventDate
  EXPECT_EQ(h.GetMoveCount(), 1);

  TQGame rounds;
  Read("[Round \"300\"]\n[Date \"2001.02.30\"]\n*", rounds);
  EXPECT_EQ(rounds.header.GetRound(), 0);
  EXPECT_EQ(rounds.header.GetDate(), 2001u << 9 | 2u << 5 | 30u);
}

TEST(PgnRead, ResultFromTheTerminationMarker) {
  TQGame game;
  Read("1. e4 e5 0-1", game);
  EXPECT_EQ(game.header.GetResult(), kBlackWon);
  Read("[Result \"1-0\"]\n1. e4 e5 *", game);
  EXPECT_EQ(game.header.GetResult(), kWhiteWon);
}

TEST(PgnRead, SetUpPositions) {
  TQGame game;
  Read("[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\n\n30... Kd7 31. e4 *", game);
  EXPECT_TRUE(game.body.IsSetUp());
  EXPECT_EQ(game.body.start.FirstMoveNumber(), 30);
  EXPECT_EQ(Dump(game), "e8d7 e2e4");
  EXPECT_EQ(game.header.GetMoveCount(), 2);

  // No king, or 33 men: the header stays, the movetext becomes the game's comment.
  for (const char* fen : {"4k3/8/8/8/8/8/4P3/8 w - - 0 1",
                          "rnbqkbnr/pppppppp/n7/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"}) {
    test::RecordingServices services;
    TQGame bad;
    Read(std::string("[White \"W\"]\n[FEN \"") + fen + "\"]\n\n1. e4 *", bad);
    EXPECT_FALSE(bad.body.IsSetUp()) << fen;
    EXPECT_EQ(bad.header.white.LastName(), "W");
    EXPECT_EQ(Dump(bad), "{{1. e4 *}}") << fen;
    EXPECT_EQ(services.CallsStartingWith("Log: ").size(), 1u);
  }
}

TEST(PgnRead, IllegalTokensEndTheirLine) {
  struct Case {
    const char* name;
    const char* text;
    const char* tree;
  } cases[] = {
      {"illegal main", "1. e4 e5 2. Ke3 Nf6 3. d4 *", "e2e4 e7e5 {Ke3 Nf6 3. d4}"},
      {"bare promotion", "[FEN \"4k3/P7/8/8/8/8/8/4K3 w - - 0 1\"]\n1. a8 Kd7 *", "{{a8 Kd7}}"},
      {"ambiguous", "[FEN \"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1\"]\n1. Kf1 Kd8 2. Nd2 Kc8 *",
       "e1f1 e8d8 {Nd2 Kc8}"},
      {"illegal castling", "1. e4 e5 2. O-O Nf6 *", "e2e4 e7e5 {O-O Nf6}"},
      {"in variation", "1. e4 (1. d4 Nf6 2. Qxf7 e5) e5 *", "e2e4 (d2d4 g8f6 {Qxf7 e5}) e7e5"},
      {"first of variation", "1. e4 (1. e5 d4) 1... c5 *", "e2e4 {e5 d4} c7c5"},
      {"nested dead", "1. d4 d5 2. Bg5 (2. Qxd5 (2. c4) e6) Nf6 *", "d2d4 d7d5 c1g5 {Qxd5 ( 2. c4 ) e6} g8f6"},
  };
  for (const Case& c : cases) {
    test::RecordingServices services;
    TQGame game;
    EXPECT_EQ(Read(c.text, game), c.tree) << c.name;
    const std::vector<std::string> logs = services.CallsStartingWith("Log: ");
    EXPECT_EQ(logs.size(), 1u) << c.name;
    if (!logs.empty()) {
      EXPECT_NE(logs[0].find("t.pgn: game 1, move "), std::string::npos) << logs[0];
    }
  }
}

TEST(PgnRead, MainLineOnlySkipsTheRest) {
  TQGame game;
  ReadPgnGame("{c} 1. e4 $1 {x} (1. d4 d5) e5 2. Nf3 *", game, {"t.pgn", 1, false}, true);
  EXPECT_EQ(Dump(game), "e2e4 e7e5 g1f3");
}

}  // namespace
}  // namespace zh
