#include "engines/slot_choice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "board_text.h"
#include "engines/engine_instance.h"
#include "engines/pawn_structure.h"

namespace zh {
namespace {

using test::BoardOf;

// Instances that never start: their status report is handed in by the test. The
// text names the loaded slots: "1x 3 4t" loads slot 1 with option bit 0x4000, slot 3,
// and an endgame-table engine in slot 4.
class SlotSet {
 public:
  explicit SlotSet(std::string_view loaded = "") {
    for (size_t i = 0; i < loaded.size(); ++i) {
      if (loaded[i] < '0' || loaded[i] > '5') continue;
      const char mark = i + 1 < loaded.size() ? loaded[i + 1] : ' ';
      Load(loaded[i] - '0', mark == 'x' ? 0x4010 : 0x10, mark == 't');
    }
  }
  void Load(int slot, uint32_t options, bool endgameTable) {
    auto instance = std::make_unique<EngineInstance>(0, std::string(ZH_SOURCE_DIR) + "/CMakeLists.txt", 1024, 1);
    eng::StatusBlock status{};
    status.options = static_cast<int32_t>(options);
    status.endgame_table = endgameTable ? 1 : 0;
    instance->HandleReport(eng::kReportStatus, &status);
    slots[static_cast<size_t>(slot)] = instance.get();
    owned_.push_back(std::move(instance));
  }
  EngineSlots slots{};

 private:
  std::vector<std::unique_ptr<EngineInstance>> owned_;
};

const char* const kTablePosition = "Ke1 Re2 Pe3 ke8 re7";      // K+R+P against K+R
const char* const kLowNoTable = "Ke1 Re2 Nb1 ke8 re7";         // a knight too
const char* const kOpenMiddlegame = "Ke1 Qd1 Ra1 Rh1 ke8 qd8 ra8 rh8";
// Score 12 against the threshold 13 of its class (d4 against d6).
const char* const kClosed = "Ke1 ke8 Nb1 nb8 Pa2 Pb2 Pc2 Pd4 Pe2 Pf2 Pg2 Ph2 pa7 pb7 pc7 pd6 pe7 pf7 pg7 ph7";

TEST(SlotChoice, ChoosesBySearchTypePositionAndLoadedEngines) {
  const struct {
    const char* what;
    const char* slots;
    int32_t searchType;
    int32_t engineType;
    const char* board;
    int32_t expected;
  } rows[] = {
      {"mate search takes the mate engine", "1 5", kLevelMate, 1, kOpenMiddlegame, 5},
      {"mate search without one: first of 0-3", "2 3", kLevelMate, 1, kOpenMiddlegame, 2},
      {"table engine for a table position", "1 3 4t", kLevelAverageTime, 0,
       kTablePosition, 4},
      {"slot 4 without tables: low material", "1 3 4", kLevelAverageTime, 0,
       kTablePosition, 3},
      {"low material, no table position", "1 3 4t", kLevelAverageTime, 0,
       kLowNoTable, 3},
      {"option 0x4000 forbids the table engine", "1x 3 4t",
       kLevelAverageTime, 0, kTablePosition, 3},
      {"option 0x4000 in slot 0 as well", "0x 4t", kLevelAverageTime, 0,
       kTablePosition, 0},
      {"low material without slots 3 and 4: open", "1 2", kLevelAverageTime, 0,
       kTablePosition, 1},
      {"open position", "1 2", kLevelAverageTime, 0, kOpenMiddlegame, 1},
      {"closed position", "1 2", kLevelAverageTime, 0, kClosed, 2},
      {"closed, slot 2 empty", "0 1", kLevelAverageTime, 0, kClosed, 0},
      {"the user's slot", "1 3", kLevelFixedDepth, 3, kOpenMiddlegame, 3},
      {"the user's slot empty", "1", kLevelFixedDepth, 3, kOpenMiddlegame, 1},
      {"the mate slot chosen by the user", "5", kLevelFixedDepth, 5, kOpenMiddlegame, 5},
      {"nothing loaded", "", kLevelAverageTime, 0, kOpenMiddlegame, kNoSlot},
      {"only the mate engine, automatic", "5", kLevelAverageTime, 0, kOpenMiddlegame, kNoSlot},
  };
  for (const auto& row : rows) {
    SearchParams params;
    params.SearchType = row.searchType;
    params.EngineType = row.engineType;
    EXPECT_EQ(ChooseEngineSlot(SlotSet(row.slots).slots, params, BoardOf(row.board)), row.expected) << row.what;
    EXPECT_EQ(params.PositionSlot, row.expected) << row.what;
  }
}

TEST(SlotChoice, FallbackReplacesOnlyAChosenTableEngine) {
  const struct {
    const char* what;
    const char* slots;
    int32_t engineType;
    int32_t positionSlot;
    int32_t expected;
  } rows[] = {
      {"slot 3 first", "1 2 3 4t", 0, 4, 3},
      {"then slot 1", "1 2 4t", 0, 4, 1},
      {"then slot 2", "0 2 4t", 0, 4, 2},
      {"none of 1 to 3", "0 4t", 0, 4, kNoSlot},
      {"slot 4 without tables", "3 4", 0, 4, kNoSlot},
      {"the user's slot 4 when none is chosen", "3 4t", 4, kNoSlot, 3},
      {"another slot chosen", "1 3 4t", 4, 1, kNoSlot},
      {"slot 4 empty", "3", 4, 4, kNoSlot},
  };
  for (const auto& row : rows) {
    SearchParams params;
    params.EngineType = row.engineType;
    params.PositionSlot = row.positionSlot;
    EXPECT_EQ(params.GetFallbackSlot(SlotSet(row.slots).slots), row.expected) << row.what;
  }
}

TEST(SlotChoice, ResetTakesTheFirstLoadedOfSlotsZeroToThree) {
  SearchParams params;
  ResetChosenSlot(SlotSet("2 3").slots, params);
  EXPECT_EQ(params.PositionSlot, 2);
  ResetChosenSlot(SlotSet("4 5").slots, params);
  EXPECT_EQ(params.PositionSlot, kNoSlot);
  params.EngineType = 2;
  EXPECT_EQ(params.GetEngineSlot(true), 2);
  params.PositionSlot = 1;
  EXPECT_EQ(params.GetEngineSlot(true), 1);
  EXPECT_EQ(params.GetEngineSlot(false), 2);
}

TEST(PositionTests, EndgameTablePositions) {
  const struct {
    const char* board;
    bool table;
  } rows[] = {
      {"Ke1 Re2 Pe3 ke8 re7", true},        // K+R+P against K+R
      {"Ke1 Re2 Pe3 Nb1 ke8 re7", false},   // a knight added
      {"Ke1 Qd1 Pe3 ke8 qd8 pe6", false},   // six men
      {"Ke1 Qd1 ke8 qd8", true},
      {"Ke1 Qd1 ke8 rd8", true},            // Q against R
      {"Ke1 Rd1 ke8 qd8", true},            // the same with colours exchanged
      {"Ke1 Qd1 Pe3 ke8 rd8", false},       // no set holds Q+P against R
      {"Ke1 Rd1 Ra1 ke8 rd8", false},       // two white rooks
      {"Ke1 Qd1 ke8 pd7", false},           // black has no major piece
      {"Ke1 Qd1 Pe3 ke8 qd8", true},
      {"Ke1 Rd1 Bc1 ke8 rd8", false},       // a bishop
  };
  for (const auto& row : rows) EXPECT_EQ(IsEndgameTablePosition(BoardOf(row.board)), row.table) << row.board;
}

TEST(PositionTests, LowMaterialIsBelowTwentySeven) {
  const struct {
    const char* board;
    bool low;
  } rows[] = {
      {"Ke1 Qd1 Ra1 ke8 rd8", true},               // 9 + 5 + 5 = 19
      {"Ke1 Qd1 Qc1 Ra1 Rh1 ke8 qd8", false},      // 37
      {"Ke1 Qd1 Qc1 Ra1 Pa2 Pb2 ke8 nb8", true},   // 26, pawns count nothing
      {"Ke1 Qd1 Qc1 ke8 qd8", false},              // 27
  };
  for (const auto& row : rows) EXPECT_EQ(IsLowMaterial(BoardOf(row.board)), row.low) << row.board;
}

TEST(PositionTests, OpennessScoreCountsAttackedMenEmptyRanksAndMenOff) {
  // d1 and d8 attack each other: 4 each (near zone, low king; far zone, high king);
  // ranks 3 to 6 empty 6; ranks 2 and 3 for the white king 7, ranks 7 and 6 for the
  // black king 7; 28 men off 14.
  EXPECT_EQ(OpennessScore(BoardOf("Ke1 Qd1 ke8 rd8")), 8 + 6 + 7 + 7 + 14);
  // The king on d4 is attacked in the centre (2); ranks 5, 3 and 6 empty 4; rank 5
  // empty for the middle king 4; the black king 9; 29 men off 14.
  EXPECT_EQ(OpennessScore(BoardOf("Kd4 ke8 ra4")), 2 + 4 + 4 + 9 + 14);
}

TEST(PositionTests, ClassifyPositionThresholdsByClass) {
  const struct {
    const char* board;
    int classBits;
    int score;
  } rows[] = {
      // Class 0 (d4 against d5, no c- or e-pawns): threshold 11.
      {"Ke1 ke8 Nb1 nb8 Bc3 bc6 Pd4 pd5 Pa2 pa7 Pb2 pb7", 0x00, 10},
      {"Ke1 ke8 Nb1 nb8 Bc3 bc6 Pd4 pd5 Pb2 pb7", 0x00, 11},
      // Class 1 (d4 against d6): threshold 13.
      {kClosed, 0x10, 12},
      {"Ke1 ke8 Nb1 nb8 Pa2 Pb2 Pc2 Pd4 Pf2 Pg2 Ph2 pa7 pb7 pc7 pd6 pf7 pg7 ph7", 0x10, 13},
      // Class 2 (d5 against d6): threshold 15.
      {"Ke1 ke8 Nb1 nb8 Pa2 Pb2 Pd5 Pf2 Pg2 Ph2 pa7 pb7 pd6 pf7 pg7 ph7", 0x20, 14},
      {"Ke1 ke8 Nb1 nb8 Pa2 Pb2 Pd5 Pg2 Ph2 pa7 pb7 pd6 pg7 ph7", 0x20, 15},
      // Class 3 (e5 and d4 against e6 and d5): threshold 17.
      {"Ke1 ke8 nb8 Pa2 Pc2 Pd4 Pe5 pa7 pc7 pd5 pe6", 0x30, 16},
      {"Ke1 ke8 nb8 Pc2 Pd4 Pe5 pc7 pd5 pe6", 0x30, 17},
  };
  for (const auto& row : rows) {
    const Board board = BoardOf(row.board);
    std::string text;
    ASSERT_EQ(PawnStructure::Classify(board, text), row.classBits) << row.board << " " << text;
    ASSERT_EQ(OpennessScore(board), row.score) << row.board;
    EXPECT_EQ(ClassifyPosition(board), row.score >= 11 + 2 * (row.classBits >> 4)) << row.board;
    EXPECT_EQ(OpennessThreshold(row.classBits), 11 + 2 * (row.classBits >> 4));
  }
}

}  // namespace
}  // namespace zh
