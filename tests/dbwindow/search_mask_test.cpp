// The full search mask on its own: header criteria, the combined ply search over a
// trace, the final position, the annotation test and the bounds the boosters read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/rules/position.h"
#include "core/temp_dir.h"
#include "database/game/annotation_set.h"
#include "database/game/game_header.h"
#include "database/storage/annotation_file.h"
#include "dbwindow/alloc_counter.h"
#include "dbwindow/search_mask.h"
#include "dbwindow/trace_games.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

uint64_t Square(const char* name) {
  return uint64_t{1} << ((name[0] - 'a') * 8 + (name[1] - '1'));
}

GameHeader Game(int whiteElo, int blackElo, int result = kDraw) {
  GameHeader h;
  h.record = HeaderRecord::Game();
  h.SetWhiteElo(whiteElo);
  h.SetBlackElo(blackElo);
  h.record.resultByte = static_cast<uint8_t>(result);
  return h;
}

GameHeader Players(const char* whiteLast, const char* whiteFirst) {
  GameHeader h = Game(0, 0);
  h.white.SetLastName(whiteLast);
  h.white.SetFirstName(whiteFirst);
  h.black.SetLastName("Other");
  return h;
}

TEST(SearchMask, FreshAndResetMasks) {
  test::RecordingServices services;
  services.wallTime = 1781136000;  // 2026-06-11
  SearchMask mask;
  EXPECT_FALSE(mask.IsActive());
  EXPECT_FALSE(mask.IsAnyActive());
  EXPECT_EQ(mask.header.yearFrom, 2026);
  EXPECT_EQ(mask.header.yearTo, 2026);
  EXPECT_EQ(mask.annotations.criteria[AnnotationMask::kWholeWords], 1);

  // Only the result mask, all four results: active, yet every game passes.
  mask.header.resultMask = 15;
  EXPECT_TRUE(mask.IsActive());
  for (int result : {kBlackWon, kDraw, kWhiteWon, kNoResult}) EXPECT_EQ(mask.MatchHeader(Game(0, 0, result)), 1);
  mask.header.resultMask = 1 << kWhiteWon;
  EXPECT_EQ(mask.MatchHeader(Game(0, 0, kWhiteWon)), 1);
  EXPECT_EQ(mask.MatchHeader(Game(0, 0, kDraw)), 0);

  // Reset keeps the further selection word; only the constructor clears it.
  mask.extraSelection = 7;
  mask.finalCheck = 1;
  mask.SetPlayers("Kas", "", "", "", false);
  EXPECT_TRUE(mask.IsAnyActive());
  mask.Reset();
  EXPECT_FALSE(mask.IsActive());
  EXPECT_EQ(mask.extraSelection, 7u);
  EXPECT_TRUE(mask.IsAnyActive());
  EXPECT_EQ(SearchMask().extraSelection, 0u);
}

TEST(SearchMask, HeaderEdgeCases) {
  test::RecordingServices services;
  SearchMask mask;
  mask.header.eloOn = true;
  struct Case {
    int mode, white, black;
    int expected;
  } cases[] = {
      {1, 0, 2600, 0},     // the unrated counts 999: the average 1799 is too low
      {1, 2500, 2600, 1},  // average 2550
      {2, 2600, 0, 1},     // either player: one in range suffices
      {2, 0, 0, 0},
      {4, 2600, 0, 0},     // both players
      {4, 2600, 2700, 1},
  };
  for (const Case& c : cases) {
    mask.header.eloMode = static_cast<int16_t>(c.mode);
    EXPECT_EQ(mask.MatchHeader(Game(c.white, c.black)), c.expected)
        << "mode " << c.mode << " " << c.white << " " << c.black;
  }
}

TEST(SearchMask, WildcardAndPlayerPatterns) {
  struct Case {
    const char* subject;
    const char* pattern;
    int expected;
  } cases[] = {
      {"Karpov and Kasparov", "Karpov*Kasparov", 1},
      {"Kasparov", "Kas*Karpov", 0},
      {"AbcdKasparov", "Kasp", 5},
      {"Van Wely", "Wely", 5},
      {"Smith", "Smith\"", 1},
      {"Smith Jr", "Smith\"", 1},
      {"Smithson", "Smith\"", 0},
      {"Anand", "A?and", 1},
      {"Anand", "*", 1},
      {"", "?", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchWildcard(c.subject, c.pattern), c.expected) << c.subject << " / " << c.pattern;

  SearchMask mask;
  mask.SetPlayers("Kasparov", "Garry", "", "", false);
  EXPECT_EQ(mask.CountPlayers(), 1);
  EXPECT_TRUE(mask.MatchPlayers(Players("Kasparov", "G")));
  EXPECT_TRUE(mask.MatchPlayers(Players("Kasparov", "Garry Kimovich")));
  EXPECT_FALSE(mask.MatchPlayers(Players("Kasparov", "Garey")));
  EXPECT_FALSE(mask.MatchPlayers(Players("Kasparov", "")));
  TQPlayer player;
  mask.GetPlayer(0, player);
  EXPECT_EQ(player.LastName(), "Kasparov");
  EXPECT_EQ(player.FirstName(), "Garry");
  mask.GetPlayer(1, player);
  EXPECT_EQ(player.LastName(), "");
}

TEST(SearchMask, HeaderTestAllocatesNothing) {
  test::RecordingServices services;
  SearchMask mask;
  mask.SetPlayers("M*r", "Jö", "Ø", "", true);
  mask.header.tournamentText = "Wijk";
  mask.header.annotatorText = "Kee";
  mask.header.yearOn = mask.header.eloOn = mask.header.ecoOn = true;
  mask.header.yearFrom = 0;
  mask.header.eloMode = 2;
  mask.header.ecoFrom = 0;
  mask.header.ecoTo = 65535;
  std::vector<GameHeader> headers;
  for (const char* name : {"Müller", "Østergaard", "Mayer", "Martínez"}) {
    GameHeader h = Players(name, "Jörg");
    h.black.SetLastName("Østergaard");
    h.SetWhiteElo(2600);
    h.tournament.SetTitle("Wijk aan Zee");
    h.annotator.SetName("Keene");
    headers.push_back(h);
  }
  int passed = 0;
  const int64_t before = test::AllocationCount();
  for (int round = 0; round < 100; ++round)
    for (const GameHeader& h : headers) passed += mask.MatchHeader(h);
  EXPECT_EQ(test::AllocationCount(), before);
  EXPECT_EQ(passed, 300);  // not Østergaard against himself
}

// White's knight goes to f3 and back twice: it stands there after plies 1, 2, 5, 6.
constexpr char kKnightDance[] = "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8";

SearchMask KnightOnF3(bool maneuver) {
  SearchMask mask;
  mask.materialOn = 1;
  for (auto& r : mask.material.ranges) r = {0, 0, 16, 16};
  mask.material.requiredPlies = 3;
  mask.motifOn = 1;
  mask.motif.firstMove = 1;
  mask.motif.requiredPlies = 3;
  mask.motif.Set(MotifMask::kWhiteRequired, kKnight) = Square("f3");
  mask.motif.Recompute();
  if (maneuver) {
    mask.maneuverOn = 1;
    mask.maneuver.firstMove = 1;
    mask.maneuver.count = 1;
    mask.maneuver.entries[0] = ManeuverEntry{};
    mask.maneuver.entries[0].pieceKind = kKnight;
    mask.maneuver.entries[0].toFile = 5;
    mask.maneuver.entries[0].toRank = 2;
  }
  mask.severalPositionCriteria = 1;
  return mask;
}

TEST(SearchMask, MatchingPlyCountsPliesApart) {
  GameTrace trace;
  struct Case {
    int plies;
    bool maneuver;
    int32_t expected;
  } cases[] = {
      {8, false, 1},               // plies 1, 2 and 5 qualify: the first of them
      {4, false, kNoMatchingPly},  // only 1 and 2
      {4, true, 1},                // a manoeuvre needs one ply
      {8, true, 1},
  };
  for (const Case& c : cases) {
    std::string moves(kKnightDance);
    moves = moves.substr(0, static_cast<size_t>(5 * c.plies - 1));
    test::TraceMoves(trace, test::kStartFen, moves);
    const SearchMask mask = KnightOnF3(c.maneuver);
    EXPECT_EQ(mask.FindMatchingPly(trace), c.expected) << c.plies << " " << c.maneuver;
    EXPECT_EQ(mask.FindMatchingPly(static_cast<const TraceSink&>(trace)), c.expected);
  }
  // The plain motif wants three plies in a row, which the dance never has.
  test::TraceMoves(trace, test::kStartFen, kKnightDance);
  EXPECT_EQ(KnightOnF3(false).MotifFindMatch(trace), kNoMatchingPly);
  GameTrace empty;
  EXPECT_EQ(KnightOnF3(false).FindMatchingPly(empty), kNoMatchingPly);
}

TEST(SearchMask, PlyLimitAndTrace) {
  SearchMask mask;
  EXPECT_EQ(mask.GetPlyLimit(), 0);
  mask.motifOn = 1;
  EXPECT_EQ(mask.GetPlyLimit(), 80);
  mask.materialOn = 1;
  EXPECT_EQ(mask.GetPlyLimit(), 600);
  auto trace = mask.MakeTrace();
  ASSERT_NE(trace, nullptr);
  EXPECT_NE(dynamic_cast<GameTrace*>(trace.get()), nullptr);
}

Position FromFen(const char* fen) { return test::ParseFenForTest(fen); }

TEST(SearchMask, FinalPosition) {
  const Position mated = FromFen("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
  const Position stalemate = FromFen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  const Position check = FromFen("4k3/8/8/8/8/8/4R3/4K3 b - - 0 1");
  const Position mateInOne = FromFen("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
  const Position quiet = FromFen("4k3/8/8/8/8/8/8/4K2R w - - 0 1");
  struct Case {
    int criterion;  // 0 mate, 1 stalemate, 2 check
    const Position* position;
    bool hit;
  } cases[] = {
      {0, &mated, true}, {0, &mateInOne, true}, {0, &quiet, false}, {0, &stalemate, false},
      {1, &stalemate, true}, {1, &mated, false}, {2, &check, true}, {2, &mated, true}, {2, &quiet, false},
  };
  for (const Case& c : cases) {
    SearchMask mask;
    (c.criterion == 0 ? mask.finalMate : c.criterion == 1 ? mask.finalStalemate : mask.finalCheck) = 1;
    EXPECT_TRUE(mask.FinalPositionOn());
    EXPECT_EQ(mask.MatchFinalPosition(*c.position, GameMove(), 40), c.hit ? 39 : kNoMatchingPly)
        << c.criterion << " case " << (&c - cases);
    EXPECT_EQ(mask.MatchFinalPosition(*c.position, GameMove(), 0), kNoMatchingPly);
  }
  // Mate comes first: a mask with mate and check asks for mate only.
  SearchMask both;
  both.finalMate = both.finalCheck = 1;
  EXPECT_EQ(both.MatchFinalPosition(check, GameMove(), 5), kNoMatchingPly);
  EXPECT_EQ(SearchMask().MatchFinalPosition(mated, GameMove(), 5), kNoMatchingPly);
}

TEST(SearchMask, UpperCaseComparison) {
  struct Case {
    const char* text;
    const char* needle;
    bool whole, expected;
  } cases[] = {
      {"Nf3! wins", "nf3", true, true},
      {"Nf3x", "nf3", true, false},
      {"Nf3x", "nf3", false, true},
      {"ein schöner Zug", "SCHÖNER", true, true},
      {"ÉTUDE", "étude", true, true},
      {"Schönerer", "schöner", true, false},
      {"2Nf3", "nf3", true, false},
      {"übel", "Ü", false, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ContainsUpperCase(c.text, c.needle, c.whole), c.expected) << c.text << " / " << c.needle;
}

// One game's annotation block in a fresh annotation file.
class Annotations : public ::testing::Test {
 protected:
  static constexpr int kNumber = 12;

  void SetUp() override { file_ = std::make_unique<FileTqa>((dir_ / "games").string(), "tqa", true); }

  // Sets by key: after move `key`.
  GameHeader Write(const std::vector<std::pair<uint32_t, AnnotationSet>>& sets, uint16_t medals = 0) {
    EXPECT_EQ(file_->BeginBlock(kNumber), 0);
    for (const auto& [key, set] : sets) EXPECT_EQ(file_->WriteSet(set, key), 0);
    const uint32_t content = file_->KindFlags();
    uint32_t offset = 0;
    EXPECT_EQ(file_->FinishBlock(offset), 0);
    GameHeader h;
    h.record = HeaderRecord::Game();
    h.record.tqaOffset = offset;
    h.SetContentFlags(content);
    h.SetMedals(medals);
    return h;
  }

  int32_t Match(const AnnotationMask& mask, const GameHeader& h) { return mask.Match(h, kNumber, file_.get()); }

  test::TempDir dir_;
  std::unique_ptr<FileTqa> file_;
};

AnnotationSet TextAfter(const std::string& text) {
  AnnotationSet set;
  set.SetTextAfter(text, 0, 0);
  return set;
}

TEST_F(Annotations, TextHitsAtTheirPly) {
  const GameHeader h = Write({{2, TextAfter("Nf3x is a slip")}, {5, TextAfter("Nf3! wins")}});
  AnnotationMask mask;
  mask.criteria[AnnotationMask::kTextAnnotations] = 1;
  mask.text1 = "nf3";
  mask.Recompute();
  EXPECT_EQ(Match(mask, h), 5);  // whole words: not the "Nf3x" of ply 2
  mask.criteria[AnnotationMask::kWholeWords] = 0;
  EXPECT_EQ(Match(mask, h), 2);
  mask.text1 = "nothing";
  EXPECT_EQ(Match(mask, h), kNoMatchingPly);
  mask.text1.clear();
  EXPECT_EQ(Match(mask, h), 2);  // any text
  // The game's content flags are required: a symbol criterion misses at once.
  mask.criteria[AnnotationMask::kSymbolAnnotations] = 1;
  EXPECT_EQ(Match(mask, h), kNoMatchingPly);
  // A text item is never a hit.
  GameHeader text = h;
  text.record.type = kTextRecord;
  EXPECT_EQ(Match(AnnotationMask(), text), kNoMatchingPly);
  // Without criteria the game passes as a whole.
  EXPECT_EQ(Match(AnnotationMask(), h), 0);
}

TEST_F(Annotations, CriticalPositionsAndMedalsCountOnePlyLater) {
  AnnotationSet critical, medal;
  critical.SetCriticalPos(2);
  medal.SetMedal(4);
  const GameHeader h = Write({{3, critical}, {7, medal}}, 4);
  AnnotationMask mask;
  mask.criteria[AnnotationMask::kCriticalKind2] = 1;
  mask.Recompute();
  EXPECT_EQ(Match(mask, h), 4);
  mask.criteria[AnnotationMask::kCriticalKind2] = 0;
  mask.criteria[AnnotationMask::kCriticalKind1] = 1;
  mask.Recompute();
  EXPECT_EQ(Match(mask, h), kNoMatchingPly);
  AnnotationMask medals;
  medals.medalMask = 4;
  medals.Recompute();
  EXPECT_EQ(Match(medals, h), 8);
  // A medal the game does not carry rejects; without a file the game's medal decides.
  medals.medalMask = 8;
  EXPECT_EQ(Match(medals, h), kNoMatchingPly);
  medals.medalMask = 4;
  EXPECT_EQ(medals.Match(h, kNumber, nullptr), 0);
}

TEST_F(Annotations, SymbolsByCodeAndByText) {
  // Two codes that show the same text.
  int a = 0, b = 0;
  for (int i = 1; i < kSymbolCount && !b; ++i)
    for (int j = i + 1; j < kSymbolCount && !b; ++j)
      if (!SymbolBytes(i).empty() && SymbolBytes(i) == SymbolBytes(j)) a = i, b = j;
  AnnotationSet set;
  MoveSymbols stored;
  ASSERT_NE(b, 0) << "the symbol table has texts shown by two codes";
  stored.position = static_cast<uint8_t>(b);
  set.SetSymbols(stored.Pack());
  AnnotationSet other;
  MoveSymbols move;
  move.move = 1;
  other.SetSymbols(move.Pack());
  const GameHeader h = Write({{1, other}, {6, set}});
  AnnotationMask mask;
  mask.criteria[AnnotationMask::kSymbolAnnotations] = 1;
  mask.Recompute();
  EXPECT_EQ(Match(mask, h), 1);  // any symbol
  mask.symbols.position = stored.position;
  EXPECT_EQ(Match(mask, h), 6);  // by code
  mask.symbols.position = static_cast<uint8_t>(a);
  EXPECT_EQ(Match(mask, h), 6) << "codes " << a << " and " << b;  // by text
  mask.symbols = MoveSymbols{};
  mask.symbols.move = 2;
  EXPECT_EQ(Match(mask, h), kNoMatchingPly);
}

TEST(SearchMask, BoosterBoundsNeverExceedTheTest) {
  SearchMask mask;
  EXPECT_FALSE(mask.BoosterOption(0));
  EXPECT_EQ(mask.MinimumMen(), 0);
  mask.materialOn = 1;
  mask.material.ranges[MaterialMask::kRooks] = {2, 1, 2, 1};
  mask.material.ranges[MaterialMask::kPawns] = {3, 5, 8, 8};
  mask.material.eitherColour = 1;
  EXPECT_EQ(mask.MaterialMinimum(0, kRook), 1);
  EXPECT_EQ(mask.MaterialMinimum(1, kRook), 1);
  EXPECT_EQ(mask.MaterialMinimum(0, kPawn), 3);
  EXPECT_TRUE(mask.BoosterOption(0));
  mask.material.eitherColour = 0;
  EXPECT_EQ(mask.MaterialMinimum(0, kRook), 2);
  EXPECT_EQ(mask.MaterialMinimum(1, kPawn), 5);
  EXPECT_FALSE(mask.BoosterOption(0));
  mask.material.differenceMode = 1;
  EXPECT_EQ(mask.MaterialMinimum(1, kPawn), 0);
  // Own: one piece (the default) and 2 rooks at least, plus 3 pawns.
  EXPECT_EQ(mask.MinimumMen(), 5);
  mask.maneuverOn = 1;
  EXPECT_EQ(mask.MinimumMen(), 0);
  mask.maneuverOn = 0;
  mask.motifOn = 1;
  mask.motif.Set(MotifMask::kWhiteRequired, kKing) = Square("g1");
  mask.motif.mirrored = 1;
  EXPECT_EQ(mask.MinimumMen(), 1);
  EXPECT_TRUE(mask.BoosterOption(1));
  EXPECT_FALSE(mask.BoosterOption(0));
  mask.motifOn = 0;
  mask.maneuverOn = 1;
  mask.maneuver.colourReversedToo = 0;
  mask.maneuver.count = 1;
  mask.maneuver.entries[0].side = ManeuverEntry::kEither;
  EXPECT_TRUE(mask.BoosterOption(0));
}

}  // namespace
}  // namespace zh
