#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/toolbox/int_array.h"
#include "database/game/game_item.h"
#include "memory_database.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using test::MemoryDatabase;

// A source of n games named "P1, A" .. "Pn, A", each with the moves e2e4 e7e5.
std::unique_ptr<MemoryDatabase> Source(int n, int32_t kind = TQFileDatabase::kHeaderSet) {
  auto db = std::make_unique<MemoryDatabase>("source", kind);
  for (int i = 1; i <= n; ++i) db->AddGame("P" + std::to_string(i) + ", A");
  return db;
}

std::vector<std::string> Whites(const MemoryDatabase& db) {
  std::vector<std::string> out;
  for (const auto& item : db.items) out.push_back(item.header.white.LastName());
  return out;
}

std::unique_ptr<SortedLONGArr> List(std::initializer_list<int32_t> numbers) {
  auto list = std::make_unique<SortedLONGArr>();
  for (int32_t n : numbers) list->Append(n);
  return list;
}

TEST(DatabaseCopy, GameListCopiesRunsAndEndsTheUpdateOnce) {
  test::RecordingServices services;
  auto source = Source(9);
  MemoryDatabase target("target");
  const auto numbers = List({8, 2, 7, 1, 3});  // sorted by the copy
  CopyOptions options;
  EXPECT_EQ(target.CopyGameList(*source, *numbers, options), kDbDone);
  EXPECT_EQ(Whites(target), (std::vector<std::string>{"P1", "P2", "P3", "P7", "P8"}));
  EXPECT_EQ(target.calls,
            (std::vector<std::string>{"Range 1-3", "Generic 1-3", "Deferred on", "Deferred off",
                                      "Range 7-8", "Generic 7-8", "Deferred on", "Deferred off",
                                      "EndUpdate", "FlushAll"}));
  EXPECT_FALSE(target.IsUpdating());
  EXPECT_TRUE(IsFeedbackEnabled());
  EXPECT_EQ(target.items[3].moves, "e2e4 e7e5");

  // A single range copy ends its own update.
  target.calls.clear();
  int last = 5;
  EXPECT_EQ(target.CopyGameRange(*source, 4, last, options), kDbDone);
  EXPECT_EQ(target.calls.back(), "FlushAll");
  SortedLONGArr empty;
  target.calls.clear();
  EXPECT_EQ(target.CopyGameList(*source, empty, options), kDbDone);
  EXPECT_TRUE(target.calls.empty());
}

TEST(DatabaseCopy, EveryFormatPairCopiesItemByItem) {
  test::RecordingServices services;
  for (int32_t kind : {TQFileDatabase::kHeaderSet, TQFileDatabase::kOldFormat, TQFileDatabase::kPgn}) {
    auto source = Source(2, kind);
    MemoryDatabase target("target", TQFileDatabase::kHeaderSet);
    int last = 2;
    CopyOptions options;
    EXPECT_EQ(target.CopyGameRange(*source, 1, last, options), kDbDone);
    EXPECT_EQ(target.calls[1], "Generic 1-2") << kind;
    EXPECT_EQ(target.GetCount(), 2);
  }
}

TEST(DatabaseCopy, UnreadableGamesAreLoggedSkippedAndCountedOnce) {
  test::RecordingServices services;
  services.texts[901] = "Not copied:";
  auto source = Source(5);
  source->unreadable = {2, 4};
  MemoryDatabase target("target");
  int last = 5;
  CopyOptions options;
  EXPECT_EQ(target.CopyGameRange(*source, 1, last, options), kDbDone);
  EXPECT_EQ(Whites(target), (std::vector<std::string>{"P1", "P3", "P5"}));
  EXPECT_EQ(services.CallsStartingWith("Log:"),
            (std::vector<std::string>{"Log: Load game error: 2 from source.mem",
                                      "Log: Load game error: 4 from source.mem"}));
  EXPECT_EQ(services.CallsStartingWith("WarningBox"),
            (std::vector<std::string>{"WarningBox: Not copied: 2"}));
  EXPECT_TRUE(services.CallsStartingWith("ErrorBox").empty());
}

TEST(DatabaseCopy, TextItemArrivesAsAGameNamedByItsTitle) {
  test::RecordingServices services;
  MemoryDatabase source("source");
  source.AddText("Kramer, Eva (notes)");
  GameHeader& h = source.items[0].header;
  h.record.date = 2001u << 9;
  h.record.round = 4;
  h.record.contentFlags = 0x10;
  h.record.tournament = 17;
  h.tournament.SetTitle("Open");
  MemoryDatabase target("target");
  int last = 1;
  CopyOptions options;
  ASSERT_EQ(target.CopyGameRange(source, 1, last, options), kDbDone);
  const GameHeader& g = target.items.at(0).header;
  EXPECT_TRUE(g.IsGame());
  EXPECT_EQ(g.white, TQPlayer("Kramer", "Eva"));
  EXPECT_TRUE(g.black.IsEmpty());
  EXPECT_EQ(g.text, "");
  EXPECT_EQ(g.GetDate(), 2001u << 9);
  EXPECT_EQ(g.GetRound(), 4);
  EXPECT_EQ(g.GetContentFlags(), 0x10u);
  EXPECT_EQ(g.GetTournament(), 17);
  EXPECT_EQ(g.tournament.Title(), "Open");
  EXPECT_EQ(g.GetResult(), kNoResult);
}

TEST(DatabaseCopy, FailedAppendStopsWithSaveError) {
  test::RecordingServices services;
  auto source = Source(5);
  MemoryDatabase target("target");
  target.failAppendAt = 3;
  const auto numbers = List({1, 2, 3, 4, 5});
  CopyOptions options;
  EXPECT_EQ(target.CopyGameList(*source, *numbers, options), kDbWriteError);
  EXPECT_EQ(target.GetCount(), 2);
  EXPECT_EQ(services.CallsStartingWith("ErrorBox"),
            (std::vector<std::string>{"ErrorBox: Save game error\ngame no 3"}));
  EXPECT_EQ(target.calls.back(), "FlushAll");
}

TEST(DatabaseCopy, NoWorkGameIsOutOfMemory) {
  test::RecordingServices services;
  auto source = Source(3);
  MemoryDatabase target("target");
  target.noWorkGame = true;
  int last = 3;
  CopyOptions options;
  EXPECT_EQ(target.CopyGameRange(*source, 1, last, options), kDbNoMemory);
  EXPECT_EQ(target.GetCount(), 0);
  EXPECT_EQ(source->readCount, 0);
}

TEST(DatabaseCopy, TooLittleSpaceAsksOnceAndCancelStops) {
  test::RecordingServices services;
  auto source = Source(8);
  MemoryDatabase target("target");
  // The first run of 5 games needs 1100 bytes, one KiB after the shift.
  target.freeKB = 0;
  services.answers = {false};
  const auto numbers = List({1, 2, 3, 4, 5, 7, 8});
  CopyOptions options;
  EXPECT_EQ(target.CopyGameList(*source, *numbers, options), 1);
  EXPECT_EQ(services.CallsStartingWith("AskOkCancel"),
            (std::vector<std::string>{"AskOkCancel: M_PROBABLY_NOT_ENOUGH_SPACE"}));
  EXPECT_EQ(target.GetCount(), 0);
  EXPECT_FALSE(target.IsUpdating());  // the list copy ended the update

  services.calls.clear();
  services.answers = {true};
  EXPECT_EQ(target.CopyGameList(*source, *numbers, options), kDbDone);
  EXPECT_EQ(services.CallsStartingWith("AskOkCancel").size(), 1u);
  EXPECT_EQ(target.GetCount(), 7);

  services.calls.clear();
  target.freeKB = 1;  // exactly enough
  EXPECT_EQ(target.CopyGameList(*source, *numbers, options), kDbDone);
  EXPECT_TRUE(services.CallsStartingWith("AskOkCancel").empty());
}

TEST(DatabaseCopy, SizeEstimateIsSixtyFourBit) {
  EXPECT_EQ(HeaderSetSizeEstimate(10'000'000), 2'200'000'000);
  EXPECT_EQ(HeaderSetSizeEstimate(0x7FFFFFFF), int64_t{0x7FFFFFFF} * 220);
}

TEST(DatabaseCopy, SourceThatIsNoFileDatabaseCopiesNothing) {
  test::RecordingServices services;
  // A plain Database is any class whose AsFileDatabase answers null.
  class Plain final : public Database {
   public:
    Plain() : Database("plain") {}
    int GetCount() override { return 1; }
    int ReadGame(int, TQGame&, bool) override { return 0; }
    int ReadHeader(int, GameHeader&) override { return 0; }
    int WriteHeader(int, GameHeader&) override { return 0; }
    int ReadHeaderRecord(int, GameHeader&) override { return 0; }
    int ReadGameBody(int, TQGame&, int, bool) override { return 0; }
    int ReadGameTrace(int, TraceSink&, TQGame&, int) override { return 0; }
    int CopyGameRange(Database&, int, int&, CopyOptions&) override { return 0; }
    bool CapabilityC() const override { return true; }
    int SetDeleted(int, bool) override { return 0; }
    int ToggleMark(int) override { return 0; }
    int ToggleDeleted(int) override { return 0; }
    int CollectDeleted(std::vector<int32_t>&, PathList&) override { return 0; }
    bool CapabilityD() const override { return false; }
    std::unique_ptr<std::vector<int32_t>> Sort(int) override { return nullptr; }
    int Reorganise(const std::vector<int32_t>&, bool, bool) override { return 0; }
    std::unique_ptr<SortedLONGArr> Search(SearchCriteria&, const SortedLONGArr*) override { return nullptr; }
    int64_t EstimateSize(int) override { return 0; }
  } plain;
  MemoryDatabase target("target");
  int last = 1;
  CopyOptions options;
  EXPECT_EQ(target.CopyGameRange(plain, 1, last, options), kDbDone);
  EXPECT_EQ(target.GetCount(), 0);
  EXPECT_FALSE(target.IsUpdating());
}

TEST(DatabaseCopy, StopEveryHundredGamesEndsTheRange) {
  test::RecordingServices services;
  auto source = Source(250);
  MemoryDatabase target("target");
  services.stopAnswers = {false, true};
  const bool feedback = EnableFeedback(true);
  int last = 250;
  CopyOptions options;
  EXPECT_EQ(target.CopyGameRange(*source, 1, last, options), kDbStopped);
  EXPECT_EQ(last, 200);
  EXPECT_EQ(target.GetCount(), 200);
  EXPECT_EQ(services.CallsStartingWith("Status:"),
            (std::vector<std::string>{"Status: 100", "Status: 200"}));
  EnableFeedback(feedback);
}

}  // namespace
}  // namespace zh
