// The header criteria of the search mask and its wildcard patterns.
#include <gtest/gtest.h>

#include "database/game/game_header.h"
#include "database/search_mask.h"
#include "support/recording_services.h"

namespace zh {
namespace {

TEST(MatchWildcard, PatternsAnswerTheFirstMatchingPosition) {
  struct Case {
    const char* subject;
    const char* pattern;
    int expected;
  } cases[] = {
      {"Kasparov", "", 1},
      {"Kasparov", "\"", 1},
      {"Kasparov", "par", 4},
      {"Kasparov", "Ka?p", 1},
      {"Kasparov", "K*ov", 1},
      {"Kasparov", "K*x", 0},
      {"Kasparov", "*rov", 6},
      {"Kasparov", "kas", 0},  // case counts
      {"Kasparov", "?as", 2},  // the position of what follows the skipped character
      {"", "?a", 0},
      {"Karpov, Anatoly", "Karpov\"", 1},  // a comma is no letter
      {"Karpova", "Karpov\"", 0},
      {"Karpov", "Karpov\"", 1},
      {"Karpova Karpov", "Karpov\"", 0},  // only the first match is judged
      {"a*b", "a*\"", 1},                 // with '*' the quote is a character
      {"Sofia 2005", "Sofia*5", 1},
      {"Kasparov", "arovX", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchWildcard(c.subject, c.pattern), c.expected) << c.subject << " / " << c.pattern;
}

GameHeader Game(const char* white, const char* whiteFirst, const char* black, int year, int whiteElo,
                int blackElo, int result) {
  GameHeader h;
  h.record = HeaderRecord::Game();
  h.white = TQPlayer(white, whiteFirst);
  h.black = TQPlayer(black, "");
  h.SetDate(static_cast<uint32_t>(year) << 9);
  h.SetWhiteElo(whiteElo);
  h.SetBlackElo(blackElo);
  h.SetResult(result);
  h.SetMoveCount(30);
  h.SetEco(static_cast<uint16_t>(((1 + 1) << 7)));
  h.tournament.SetTitle("Linares");
  h.tournament.SetPlace("Spain");
  h.annotator.SetName("Nunn");
  return h;
}

TEST(HeaderSearchMask, HeaderCriteria) {
  test::RecordingServices services;
  services.wallTime = 1700000000;  // 2023
  HeaderSearchMask mask;
  EXPECT_EQ(mask.yearFrom, 2023);
  EXPECT_FALSE(mask.IsActive());
  const GameHeader g = Game("Kasparov", "Garry", "Karpov", 1990, 2800, 2730, 2);
  EXPECT_EQ(mask.MatchHeader(g), 1);

  struct Case {
    const char* name;
    void (*set)(HeaderSearchMask&);
    int expected;
  } cases[] = {
      {"year in range", [](HeaderSearchMask& m) { m.yearOn = true, m.yearFrom = 1985, m.yearTo = 1990; }, 1},
      {"year outside", [](HeaderSearchMask& m) { m.yearOn = true, m.yearFrom = 1991, m.yearTo = 1999; }, 0},
      {"both ratings", [](HeaderSearchMask& m) { m.eloOn = true, m.eloMode = 4, m.eloMin = 2750, m.eloMax = 2900; }, 0},
      {"either rating", [](HeaderSearchMask& m) { m.eloOn = true, m.eloMode = 2, m.eloMin = 2750, m.eloMax = 2900; }, 1},
      {"average", [](HeaderSearchMask& m) { m.eloOn = true, m.eloMode = 1, m.eloMin = 2765, m.eloMax = 2765; }, 1},
      {"white won", [](HeaderSearchMask& m) { m.resultMask = 4; }, 1},
      {"draws", [](HeaderSearchMask& m) { m.resultMask = 2; }, 0},
      {"every result", [](HeaderSearchMask& m) { m.resultMask = 15; }, 1},
      {"moves", [](HeaderSearchMask& m) { m.moveCountOn = true, m.moveCountFrom = 1, m.moveCountTo = 22; }, 0},
      {"eco", [](HeaderSearchMask& m) { m.ecoOn = true, m.ecoFrom = 256, m.ecoTo = 383; }, 1},
      {"texts only", [](HeaderSearchMask& m) { m.textsOnly = true; }, 0},
      {"tournament place", [](HeaderSearchMask& m) { m.tournamentText = "Sp*"; }, 1},
      {"annotator", [](HeaderSearchMask& m) { m.annotatorText = "Tal"; }, 0},
      {"players", [](HeaderSearchMask& m) { m.SetPlayers("Kasp", "G", "Karpov\"", "", false); }, 1},
      {"first name differs", [](HeaderSearchMask& m) { m.SetPlayers("Kasp", "H", "", "", false); }, 0},
      {"colours swapped", [](HeaderSearchMask& m) { m.SetPlayers("Karpov", "", "Kasparov", "", false); }, 0},
      {"colours ignored", [](HeaderSearchMask& m) { m.SetPlayers("Karpov", "", "Kasparov", "", true); }, 1},
  };
  for (const Case& c : cases) {
    mask.Reset();
    c.set(mask);
    EXPECT_TRUE(mask.IsActive()) << c.name;
    EXPECT_EQ(mask.MatchHeader(g), c.expected) << c.name;
  }
  // An unknown rating counts as 999.
  mask.Reset();
  mask.eloOn = true, mask.eloMode = 2, mask.eloMin = 900, mask.eloMax = 1000;
  EXPECT_EQ(mask.MatchHeader(Game("A", "", "B", 1990, 0, 2000, 1)), 1);
}

TEST(HeaderSearchMask, OtherTestsAreOff) {
  HeaderSearchMask mask;
  struct Trace final : TraceSink {
    void Start(const Board&) override {}
    void AppendMove(const GameMove&, int) override {}
  } trace;
  EXPECT_EQ(mask.GetPlyLimit(), 0);
  EXPECT_EQ(mask.FindMatchingPly(trace), kNoMatchingPly);
  EXPECT_EQ(mask.MatchFinalPosition(Position(), GameMove(), 10), kNoMatchingPly);
  std::string out;
  EXPECT_EQ(mask.Write(out), 4);
}

}  // namespace
}  // namespace zh
