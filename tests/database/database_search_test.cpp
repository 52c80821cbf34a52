#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/toolbox/int_array.h"
#include "database/game/game_item.h"
#include "database/search_mask.h"
#include "memory_database.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using test::MemoryDatabase;

// Criteria switched on by hand; each test answers from the game in a simple way so
// that the loop's order and its combining of plies show.
class ScriptedMask final : public SearchCriteria {
 public:
  void Reset() override {}
  bool IsActive() const override { return !whiteName.empty(); }
  int GetPlyLimit() const override { return 40; }
  const std::string& PlayerLast(int) const override { return whiteName; }
  const std::string& PlayerFirst(int) const override { return empty_; }
  const std::string& TournamentText() const override { return empty_; }
  const std::string& AnnotatorText() const override { return empty_; }
  bool MaterialOn() const override { return materialPly != 0; }
  bool MotifOn() const override { return motifPly != 0; }
  bool ManeuverOn() const override { return false; }
  bool SeveralPositionCriteria() const override { return combined; }
  bool AnnotationsOn() const override { return false; }
  bool FinalPositionOn() const override { return finalOn; }
  bool GameTestOn() const override { return false; }
  int MaterialMinimum(int, int) const override { return 0; }
  bool MaterialExactSum(int) const override { return false; }
  int MotifFirstMove() const override { return 1; }
  int MotifLastMove() const override { return 40; }
  uint64_t MotifSquares(int) const override { return 0; }
  bool MotifMirrored() const override { return false; }
  bool BoosterOption(int) const override { return false; }
  int MatchHeader(const GameHeader& h) const override { return h.white.LastName() == whiteName; }
  int32_t MaterialFindMatch(const TraceSink& t) const override { return Traced(t, materialPly); }
  int32_t MotifFindMatch(const TraceSink& t) const override { return Traced(t, motifPly); }
  int32_t ManeuverFindMatch(const TraceSink&) const override { return kNoMatchingPly; }
  int32_t FindMatchingPly(const TraceSink&) const override { return 77; }
  int32_t MatchFinalPosition(const Position& p, const GameMove& last, int plies) const override {
    finalSeen.push_back(std::to_string(plies) + (p.side == 0 ? " w " : " b ") +
                        std::to_string(last.to));
    return plies;
  }
  int32_t MatchAnnotations(const GameHeader&, int, FileTqa*) const override { return kNoMatchingPly; }
  int32_t MatchGame(const TQGame&) const override { return kNoMatchingPly; }
  int Write(std::string&) const override { return 4; }

  std::string whiteName;
  int materialPly = 0;  // the ply answered when the traced line has as many moves
  int motifPly = 0;
  bool combined = false;
  bool finalOn = false;
  mutable std::vector<std::string> finalSeen;

 private:
  static int32_t Traced(const TraceSink& t, int ply) {
    const auto& trace = static_cast<const MainLineTrace&>(t);
    return static_cast<int>(trace.moves.size()) >= ply ? ply : kNoMatchingPly;
  }
  std::string empty_;
};

std::vector<int32_t> Numbers(const SortedLONGArr& hits) {
  return {hits.Data(), hits.Data() + hits.Count()};
}

TEST(DatabaseSearch, EmptyDatabaseGivesAnEmptyList) {
  test::RecordingServices services;
  MemoryDatabase db("empty");
  ScriptedMask mask;
  const auto hits = db.Search(mask, nullptr);
  ASSERT_NE(hits, nullptr);
  EXPECT_EQ(hits->Count(), 0u);
}

TEST(DatabaseSearch, PollsEveryTwoHundredFiftyCandidates) {
  test::RecordingServices services;
  services.texts[629] = "Games searched";
  MemoryDatabase db("many");
  for (int i = 0; i < 600; ++i) db.AddGame(i % 2 ? "Odd, A" : "Even, B");
  ScriptedMask mask;
  mask.whiteName = "Odd";
  services.stopAnswers = {false, true};
  const auto hits = db.Search(mask, nullptr);
  EXPECT_EQ(hits->Count(), 250u);  // odd numbers among 1..500
  EXPECT_EQ(hits->Get(0), 2);
  EXPECT_EQ(services.CallsStartingWith("Progress"),
            (std::vector<std::string>{"ProgressLine: Games searched / 600", "ProgressStep: 250",
                                      "ProgressCount: 125", "ProgressStep: 500",
                                      "ProgressCount: 250"}));
  EXPECT_EQ(db.readCount, 500);
}

TEST(DatabaseSearch, ListedCandidatesOnly) {
  test::RecordingServices services;
  MemoryDatabase db("list");
  for (int i = 0; i < 9; ++i) db.AddGame("Same, A");
  db.unreadable = {4};
  ScriptedMask mask;
  mask.whiteName = "Same";
  SortedLONGArr list;
  for (int n : {2, 4, 7}) list.Append(n);
  EXPECT_EQ(Numbers(*db.Search(mask, &list)), (std::vector<int32_t>{2, 7}));
}

TEST(DatabaseSearch, FinalPositionNeedsMoves) {
  test::RecordingServices services;
  MemoryDatabase db("final");
  db.AddGame("NoMoves, A", "");
  db.AddGame("Three, A", "e2e4 e7e5 g1f3");
  ScriptedMask mask;
  mask.finalOn = true;
  TQGame game;
  MainLineTrace trace;
  EXPECT_EQ(db.SearchNext(mask, trace, game, 1), kNoMatchingPly);
  EXPECT_EQ(db.SearchNext(mask, trace, game, 2), 3);
  // After 1.e4 e5 2.Nf3 Black moves; the last move went to f3 (file 5 × 8 + rank 2).
  EXPECT_EQ(mask.finalSeen, (std::vector<std::string>{"3 b 42"}));
}

TEST(DatabaseSearch, PositionCriteriaKeepTheSmallestPly) {
  test::RecordingServices services;
  MemoryDatabase db("plies");
  db.AddGame("A, A", "e2e4 e7e5 g1f3 b8c6 f1b5");
  db.AddGame("B, B", "e2e4 e7e5");
  ScriptedMask mask;
  TQGame game;
  MainLineTrace trace;
  const struct {
    int material, motif;
    bool combined;
    int first, second;
  } cases[] = {
      {4, 3, false, 3, kNoMatchingPly},
      {2, 5, false, 2, kNoMatchingPly},
      {2, 0, false, 2, 2},
      {0, 2, false, 2, 2},
      {9, 1, false, kNoMatchingPly, kNoMatchingPly},
      {9, 1, true, 77, 77},
  };
  for (const auto& c : cases) {
    mask.materialPly = c.material;
    mask.motifPly = c.motif;
    mask.combined = c.combined;
    EXPECT_EQ(db.SearchNext(mask, trace, game, 1), c.first) << c.material << " " << c.motif;
    EXPECT_EQ(db.SearchNext(mask, trace, game, 2), c.second) << c.material << " " << c.motif;
  }
  // Without any criterion every game matches at ply 0.
  mask.materialPly = mask.motifPly = 0;
  EXPECT_EQ(db.SearchNext(mask, trace, game, 2), 0);
}

}  // namespace
}  // namespace zh
