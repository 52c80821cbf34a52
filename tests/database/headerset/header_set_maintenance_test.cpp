#include "database/headerset/header_set_maintenance.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>

#include "core/toolbox/disk_tree.h"
#include "core/temp_dir.h"
#include "database/storage/annotation_file.h"
#include "database/game/annotation_set.h"
#include "database/storage/file_set_journal.h"
#include "database/storage/file_set_replacement.h"
#include "database/storage/game_file.h"
#include "database/storage/header_file.h"
#include "database/headerset/header_library.h"
#include "database/headerset/header_set_sort.h"
#include "database/killed_child.h"
#include "database/game/move_tree.h"
#include "database/game_test_util.h"
#include "database/random_trees.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

// A header set written through its file objects: each game's body and annotation
// block, its names in the libraries, then its record.
struct TestSet {
  explicit TestSet(std::string b, bool create = true) : base(std::move(b)) {
    const int mode = create ? DiskTree::kOpenOrCreate : DiskTree::kOpenExisting;
    games = std::make_unique<FileTqg>(base, "tqg", create);
    header = std::make_unique<FileTqh>(base, "tqh", create);
    annotations = std::make_unique<FileTqa>(base, "tqa", create);
    players = std::make_unique<PlayerLib>(base, mode);
    tournaments = std::make_unique<TournamentLib>(base, mode);
    annotators = std::make_unique<AnnotatorLib>(base, mode);
    sources = std::make_unique<SourceLib>(base, mode);
  }

  HeaderSetFiles Files() {
    HeaderSetFiles f;
    f.base = base;
    f.header = header.get();
    f.games = games.get();
    f.annotations = annotations.get();
    f.libraries[0] = players.get();
    f.libraries[1] = tournaments.get();
    f.libraries[2] = annotators.get();
    f.libraries[3] = sources.get();
    f.filePath = [b = base](const char* ext) { return b + "." + ext; };
    return f;
  }

  void Close() {
    games.reset();
    header.reset();
    annotations.reset();
    players.reset();
    tournaments.reset();
    annotators.reset();
    sources.reset();
  }

  // Adds game number header->NextRecord(); a comment after the first move, when given,
  // makes its annotation block.
  void Add(const std::string& moves, const std::string& white, const std::string& event,
           const std::string& comment = {}, bool deleted = false) {
    const int n = static_cast<int>(std::max<uint32_t>(header->NextRecord(), 1));
    TQGame game = test::EnteredGame(moves, nullptr, n);
    if (!comment.empty()) GetAnnotations(*game.body.mainLine.GetMove(0))->SetTextAfter(comment, 0, 7);
    game.header.white = TQPlayer(white, "");
    game.header.black = TQPlayer("Black", "");
    int16_t round = 0, sub = 0;
    game.header.tournament = TQTournament(event, 1990, round, sub);
    ASSERT_EQ(games->AppendGame(game, annotations.get()), 0);
    int32_t entry = 0;
    ASSERT_EQ(players->AddGame(game.header.white, entry, n), 0);
    game.header.record.SetWhite(static_cast<uint32_t>(entry));
    ASSERT_EQ(players->AddGame(game.header.black, entry, n), 0);
    game.header.record.SetBlack(static_cast<uint32_t>(entry));
    ASSERT_EQ(tournaments->AddGame(game.header.tournament, entry, n), 0);
    game.header.record.SetTournament(static_cast<uint32_t>(entry));
    ASSERT_EQ(sources->AddGame(game.header.source, entry, n), 0);
    game.header.record.SetSource(static_cast<uint32_t>(entry));
    ASSERT_EQ(annotators->AddGame(game.header.annotator, entry, n), 0);
    game.header.record.SetAnnotator(static_cast<uint32_t>(entry));
    if (deleted) game.header.record.type |= kDeletedBit;
    ASSERT_EQ(header->AppendRecord(game.header.record), 0);
  }

  // Game n as "white/event: moves {comment}".
  std::string Describe(int n) {
    HeaderRecord r;
    if (header->ReadRecord(static_cast<uint32_t>(n), r)) return "unreadable";
    TQGame game;
    game.header.record = r;
    game.number = n;
    if (games->ReadGame(game, annotations.get(), false)) return "body unreadable";
    return players->EntryText(static_cast<int32_t>(r.white)) + "/" +
           tournaments->EntryText(static_cast<int32_t>(r.tournament)) + ": " + test::DumpTree(game);
  }

  std::string base;
  std::unique_ptr<FileTqg> games;
  std::unique_ptr<FileTqh> header;
  std::unique_ptr<FileTqa> annotations;
  std::unique_ptr<PlayerLib> players;
  std::unique_ptr<TournamentLib> tournaments;
  std::unique_ptr<AnnotatorLib> annotators;
  std::unique_ptr<SourceLib> sources;
};

using Folder = std::map<std::string, std::vector<uint8_t>>;

Folder ReadFolder(const fs::path& folder) {
  Folder files;
  for (const auto& e : fs::directory_iterator(folder))
    files[e.path().filename().string()] = test::FileBytes(e.path());
  return files;
}

// Six games, three of them deleted; the kept ones are listed as 5, 1, 3.
const std::vector<int32_t> kKept = {4, 0, 2};

void WriteSix(const std::string& base) {
  TestSet set(base);
  set.Add("e2e4 e7e5", "Anand", "Linares", "first");
  set.Add("d2d4 d7d5", "Gone", "Nowhere", "", true);
  set.Add("c2c4", "Carlsen", "Linares");
  set.Add("g1f3 g8f6", "Gone", "Nowhere", "dropped", true);
  set.Add("b2b3 e7e5 c1b2", "Anand", "Wijk", "fifth");
  set.Add("f2f4", "Also gone", "Nowhere", "", true);
  std::ofstream(base + ".scn") << "scan";
}

// Reorganises an open test set down to `kept`, closing it when the files are released.
int ReorganiseOpen(TestSet& set, const std::vector<int32_t>& kept) {
  HeaderSetFiles files = set.Files();
  ReorganiseOptions options;
  options.release = [&] { set.Close(); };
  return ReorganiseHeaderSet(files, kept, options);
}

std::vector<std::string> DescribeAll(const std::string& base) {
  TestSet set(base, false);
  std::vector<std::string> out;
  for (uint32_t n = 1; n <= set.header->ItemCount(); ++n) out.push_back(set.Describe(static_cast<int>(n)));
  return out;
}

TEST(HeaderSetMaintenance, ReorganiseKeepsTheListedItemsInListOrderWithCompactLibraries) {
  test::RecordingServices services;
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  WriteSix(base);
  const std::vector<std::string> before = DescribeAll(base);
  {
    TestSet set(base, false);
    HeaderSetFiles files = set.Files();
    int released = 0;
    ReorganiseOptions options;
    options.release = [&] {
      ++released;
      set.Close();
    };
    ASSERT_EQ(ReorganiseHeaderSet(files, kKept, options), 0);
    EXPECT_EQ(released, 1);
  }
  EXPECT_EQ(DescribeAll(base), (std::vector<std::string>{before[4], before[0], before[2]}));

  TestSet set(base, false);
  // Only names of kept games remain, with their counts and first games renumbered.
  EXPECT_EQ(set.players->Count(), 3);  // Anand, Black, Carlsen
  EXPECT_EQ(set.tournaments->Count(), 2);
  HeaderRecord r;
  ASSERT_EQ(set.header->ReadRecord(1, r), 0);
  int32_t first = 0, count = 0;
  ASSERT_EQ(set.players->GetGameRange(static_cast<int32_t>(r.white), first, count), 0);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(set.players->GetGameRange(static_cast<int32_t>(r.black), first, count), 0);
  EXPECT_EQ(count, 3);
  // Annotation blocks carry their new game numbers.
  ASSERT_EQ(set.header->ReadRecord(2, r), 0);
  EXPECT_EQ(set.annotations->BeginRead(r.tqaOffset, 2), 0);
  set.Close();
  const Folder after = ReadFolder(dir.Path());
  for (const auto& [name, bytes] : after) {
    EXPECT_NE(name.rfind("__TMP$", 0), 0u) << name;
    EXPECT_EQ(name.find(".cx"), std::string::npos) << name;
  }
  EXPECT_FALSE(after.count("db.scn"));
  EXPECT_FALSE(after.count("db.tqr"));
}

// Batches read in item order and written in list order: the files do not depend on
// the budget, also when a block does not fit the batch buffer at all. Large budgets
// hold the new header records and count the library references during the copy,
// budget 1 counts them before it; a reference out of range in the last batch makes
// the counting copy start again after a counting pass, logged once.
TEST(HeaderSetMaintenance, SmallBudgetsWriteTheSameFilesAsALargeOne) {
  test::RecordingServices services;
  test::TempDir source;
  const std::string base = (source / "db").string();
  WriteSix(base);
  {
    TestSet set(base, false);
    for (int i = 0; i < 12; ++i)
      set.Add(i % 2 ? "e2e4 c7c5" : "d2d4 g8f6 c2c4", "P" + std::to_string(i % 5), "T" + std::to_string(i % 3),
              std::string(i == 7 ? 9000 : 10 + 40 * i, static_cast<char>('a' + i)), i % 4 == 3);
    HeaderRecord r;
    ASSERT_EQ(set.header->ReadRecord(8, r), 0);
    r.white = 999;
    ASSERT_EQ(set.header->WriteRecord(8, r), 0);
  }
  const std::vector<int32_t> list = {17, 2, 9, 0, 12, 4, 16, 8, 11, 6, 13, 15, 7};
  std::optional<Folder> first;
  for (const uint64_t budget : {uint64_t{0}, uint64_t{1}, uint64_t{2500}, uint64_t{4000}}) {
    SCOPED_TRACE(budget);
    test::TempDir dir;
    for (const auto& e : fs::directory_iterator(source.Path())) fs::copy(e.path(), dir / e.path().filename());
    {
      TestSet set((dir / "db").string(), false);
      HeaderSetFiles files = set.Files();
      ReorganiseOptions options;
      options.release = [&] { set.Close(); };
      options.memoryBudget = budget;
      size_t batches = 0;
      options.onBatches = [&](size_t n) { batches = n; };
      const size_t logged = services.CallsStartingWith("Log").size();
      ASSERT_EQ(ReorganiseHeaderSet(files, list, options), 0);
      EXPECT_EQ(services.CallsStartingWith("Log").size(), logged + 1);
      if (budget) {
        EXPECT_GE(batches, 3u);
      } else {
        EXPECT_EQ(batches, 1u);
      }
    }
    const Folder now = ReadFolder(dir.Path());
    if (!first) first = now;
    EXPECT_EQ(now, *first);
  }
  const std::vector<std::string> before = DescribeAll(base);
  ASSERT_EQ(before.size(), 18u);
  test::TempDir dir;
  for (const auto& [name, bytes] : *first) {
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<std::string> expected;
  for (int32_t i : list) expected.push_back(before[static_cast<size_t>(i)]);
  ASSERT_EQ(expected.back().rfind("?/", 0), 0u);
  expected.back().replace(0, 1, "Unreadable");
  EXPECT_EQ(DescribeAll((dir / "db").string()), expected);
}

// A body longer than the old 500,000-byte cap is copied whole.
TEST(HeaderSetMaintenance, LongBodyIsCopiedWhole) {
  test::RecordingServices services;
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  WriteSix(base);
  std::vector<uint8_t> body(600000);
  {
    TestSet set(base, false);
    HeaderRecord r;
    ASSERT_EQ(set.header->ReadRecord(3, r), 0);
    ASSERT_EQ(set.games->File().Read(body.data(), r.tqgOffset, 4), 0);
    body[1] = static_cast<uint8_t>(body.size() >> 16);
    body[2] = static_cast<uint8_t>(body.size() >> 8);
    body[3] = static_cast<uint8_t>(body.size());
    std::mt19937 rng(9);
    for (size_t i = 4; i < body.size(); ++i) body[i] = static_cast<uint8_t>(rng());
    const uint32_t at = set.games->GetEnd();
    ASSERT_EQ(set.games->File().Write(body.data(), at, static_cast<int32_t>(body.size())), 0);
    ASSERT_EQ(set.games->SetEnd(at + static_cast<uint32_t>(body.size())), 0);
    r.tqgOffset = at;
    ASSERT_EQ(set.header->WriteRecord(3, r), 0);
  }
  {
    TestSet set(base, false);
    ASSERT_EQ(ReorganiseOpen(set, kKept), 0);
  }
  TestSet set(base, false);
  HeaderRecord r;
  ASSERT_EQ(set.header->ReadRecord(3, r), 0);
  EXPECT_EQ(set.games->RecordLength(r.tqgOffset), static_cast<int64_t>(body.size()));
  std::vector<uint8_t> back(body.size());
  ASSERT_EQ(set.games->File().Read(back.data(), r.tqgOffset, static_cast<int32_t>(back.size())), 0);
  EXPECT_TRUE(back == body);
}

// An annotation block whose length cannot be read is dropped with the dump lines; the
// game keeps its moves and the reorganisation goes on.
TEST(HeaderSetMaintenance, UnreadableAnnotationBlockIsDropped) {
  test::RecordingServices services;
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  WriteSix(base);
  const std::vector<std::string> before = DescribeAll(base);
  {
    TestSet set(base, false);
    HeaderRecord r;
    ASSERT_EQ(set.header->ReadRecord(5, r), 0);
    ASSERT_NE(r.tqaOffset, 0u);
    r.tqaOffset = set.annotations->End() + 1000;
    ASSERT_EQ(set.header->WriteRecord(5, r), 0);
    ASSERT_EQ(ReorganiseOpen(set, kKept), 0);
  }
  EXPECT_EQ(services.CallsStartingWith("Dump: "),
            (std::vector<std::string>{"Dump: TQA defect in game: 5", "Dump: GameLen = -1",
                                      "Dump: Please run integrity test", "Dump:  "}));
  TestSet set(base, false);
  HeaderRecord r;
  ASSERT_EQ(set.header->ReadRecord(1, r), 0);
  EXPECT_EQ(r.tqaOffset, 0u);
  EXPECT_EQ(r.word43, 0u);
  // The moves stay; only the comment of the dropped block is gone.
  EXPECT_EQ(set.Describe(1).find("fifth"), std::string::npos);
  EXPECT_NE(before[4].find("fifth"), std::string::npos);
  EXPECT_EQ(set.Describe(2), before[0]);
}

// A record that cannot be read refuses the kept list and the reorganisation, naming
// it, and changes no file.
TEST(HeaderSetMaintenance, UnreadableRecordRefusesAndChangesNothing) {
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  WriteSix(base);
  {
    TestSet set(base, false);
    const uint8_t unknownKind = 0x55;
    ASSERT_EQ(set.header->File().Write(&unknownKind, uint64_t{5} * set.header->RecordSize(), 1), 0);
  }
  const Folder old = ReadFolder(dir.Path());
  test::RecordingServices services;
  {
    TestSet set(base, false);
    HeaderSetFiles files = set.Files();
    std::vector<int32_t> kept;
    PathList media;
    EXPECT_EQ(CollectDeletedItems(files, 0, {}, kept, media), kMaintenanceUnreadable);
    EXPECT_TRUE(kept.empty());
    EXPECT_EQ(ReorganiseHeaderSet(files, {0, 4, 2}), kMaintenanceUnreadable);
  }
  EXPECT_EQ(ReadFolder(dir.Path()), old);
  EXPECT_EQ(services.CallsStartingWith("ErrorBox: Item 5 cannot be read").size(), 1u);
  EXPECT_EQ(services.CallsStartingWith("Dump: Unreadable record: 5").size(), 1u);
}

TEST(HeaderSetMaintenance, PlayerOutOfRangeSurvivesAsUnreadable) {
  test::RecordingServices services;
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  WriteSix(base);
  {
    TestSet set(base, false);
    HeaderRecord r;
    ASSERT_EQ(set.header->ReadRecord(3, r), 0);
    r.white = 999;
    ASSERT_EQ(set.header->WriteRecord(3, r), 0);
    ASSERT_EQ(ReorganiseOpen(set, kKept), 0);
  }
  const std::vector<std::string> after = DescribeAll(base);
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[2].rfind("Unreadable/", 0), 0u) << after[2];
  EXPECT_EQ(services.CallsStartingWith("Log").size(), 1u);
}

TEST(HeaderSetMaintenance, EmptyListGivesAnEmptySetWithEmptyLibraries) {
  test::RecordingServices services;
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  WriteSix(base);
  {
    TestSet set(base, false);
    ASSERT_EQ(ReorganiseOpen(set, {}), 0);
  }
  TestSet set(base, false);
  EXPECT_EQ(set.header->ItemCount(), 0u);
  EXPECT_EQ(set.players->Count(), 0);
}

TEST(HeaderSetMaintenance, LongAnnotationBlocksAreCopiedWhole) {
  test::RecordingServices services;
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  {
    TestSet set(base);
    set.Add("e2e4", "Gone", "X", "", true);
    // Thirteen texts of 65,000 bytes: a block of more than 800,000 bytes.
    const int n = static_cast<int>(set.header->NextRecord());
    TQGame game = test::EnteredGame(
        "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7 f1e1 b7b5 a4b3", nullptr, n);
    for (int i = 0; i < 13; ++i)
      GetAnnotations(*game.body.mainLine.GetMove(i))
          ->SetTextAfter(std::string(65000, static_cast<char>('a' + i)), 0, 7);
    ASSERT_EQ(set.games->AppendGame(game, set.annotations.get()), 0);
    ASSERT_GT(set.annotations->End(), 800000u);
    int32_t entry = 0;
    for (HeaderLib* lib : {static_cast<HeaderLib*>(set.tournaments.get()),
                           static_cast<HeaderLib*>(set.sources.get()),
                           static_cast<HeaderLib*>(set.annotators.get())})
      ASSERT_GE(lib->Count(), 1);
    ASSERT_EQ(set.players->AddGame(game.header.white, entry, n), 0);
    game.header.record.SetWhite(static_cast<uint32_t>(entry));
    game.header.record.SetBlack(static_cast<uint32_t>(entry));
    ASSERT_EQ(set.players->AddGame(game.header.black, entry, n), 0);
    ASSERT_EQ(set.header->AppendRecord(game.header.record), 0);
  }
  const std::string before = DescribeAll(base)[1];
  {
    TestSet set(base, false);
    ASSERT_EQ(ReorganiseOpen(set, {1}), 0);
  }
  EXPECT_EQ(DescribeAll(base), std::vector<std::string>{before});
}

TEST(HeaderSetMaintenance, UnreadableBodyOrWriteFailureLeavesTheOldFilesUntouched) {
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  WriteSix(base);
  {
    TestSet set(base, false);
    HeaderRecord r;
    ASSERT_EQ(set.header->ReadRecord(3, r), 0);
    r.tqgOffset = 5000000;
    ASSERT_EQ(set.header->WriteRecord(3, r), 0);
  }
  const Folder old = ReadFolder(dir.Path());
  test::RecordingServices services;
  {
    TestSet set(base, false);
    HeaderSetFiles files = set.Files();
    EXPECT_EQ(ReorganiseHeaderSet(files, kKept), kMaintenanceUnreadable);
  }
  EXPECT_EQ(ReadFolder(dir.Path()), old);
  EXPECT_FALSE(services.CallsStartingWith("Dump: ").empty());

  // A write failure at every point of the copy: the old files stay as they were.
  test::TempDir dir2;
  const std::string base2 = (dir2 / "db").string();
  WriteSix(base2);
  const Folder old2 = ReadFolder(dir2.Path());
  for (int64_t failAt = 1; failAt < 1000; ++failAt) {
    SCOPED_TRACE(failAt);
    int rc = 0;
    {
      TestSet set(base2, false);
      HeaderSetFiles files = set.Files();
      ArmFailAtFileChange(failAt);
      rc = ReorganiseHeaderSet(files, kKept);
      ArmFailAtFileChange(0);
    }
    if (rc == 0) break;  // the failure point lay past the whole run
    EXPECT_EQ(ReadFolder(dir2.Path()), old2);
  }
}

TEST(HeaderSetMaintenance, KilledAnywhereLeavesTheOldOrTheNewItems) {
  test::TempDir probe;
  WriteSix((probe / "db").string());
  const std::vector<std::string> before = DescribeAll((probe / "db").string());
  const std::vector<std::string> kept = {before[4], before[0], before[2]};
  int64_t changes = 0;
  {
    TestSet set((probe / "db").string(), false);
    HeaderSetFiles files = set.Files();
    ReorganiseOptions options;
    options.release = [&] { set.Close(); };
    ArmKillAtFileChange(0);
    ASSERT_EQ(ReorganiseHeaderSet(files, kKept, options), 0);
    changes = FileChangeCount();
  }
  ASSERT_GT(changes, 10);
  int sawNew = 0, runs = 0;
  for (int64_t killAt = 1; killAt <= changes + 1; killAt += std::max<int64_t>(1, changes / 40)) {
    SCOPED_TRACE(killAt);
    ++runs;
    test::TempDir dir;
    const std::string base = (dir / "db").string();
    WriteSix(base);
    const test::ChildOutcome child = test::RunChild([&](const auto& report) {
      test::RecordingServices services;
      TestSet set(base, false);
      HeaderSetFiles files = set.Files();
      ReorganiseOptions options;
      options.release = [&] { set.Close(); };
      ArmKillAtFileChange(killAt);
      if (ReorganiseHeaderSet(files, kKept, options) != 0) _exit(2);
      report(1);
    });
    ASSERT_TRUE(child.ok);
    ASSERT_EQ(FileSetReplacement::CompletePending(base), 0);
    const std::vector<std::string> now = DescribeAll(base);
    EXPECT_TRUE(now == before || now == kept);
    sawNew += now == kept;
    for (const auto& e : fs::directory_iterator(dir.Path())) {
      const std::string name = e.path().filename().string();
      EXPECT_NE(name.rfind("__TMP$", 0), 0u) << name;
      EXPECT_NE(name, "db.tqr");
    }
  }
  EXPECT_GT(sawNew, 0);
  EXPECT_LT(sawNew, runs);
}

TEST(HeaderSetMaintenance, SortOverTheFilesGivesTheOrderThatReorganiseApplies) {
  test::RecordingServices services;
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  WriteSix(base);
  const std::vector<std::string> before = DescribeAll(base);
  std::vector<int32_t> byTournament;
  {
    TestSet set(base, false);
    HeaderSetFiles files = set.Files();
    // All tournaments of 1990: by title (Linares, Nowhere, Wijk), then by white.
    const struct {
      int criterion;
      std::vector<int32_t> order;
    } cases[] = {{kSortByTournament, {0, 2, 5, 1, 3, 4}},
                 {kSortNewestFirst, {0, 2, 5, 1, 3, 4}},
                 {kSortByEco, {5, 0, 4, 2, 1, 3}}};
    for (const auto& c : cases) {
      const auto order = SortHeaderSet(files, c.criterion, {}, 0);
      ASSERT_TRUE(order);
      EXPECT_EQ(*order, c.order) << c.criterion;
    }
    byTournament = cases[0].order;
    ReorganiseOptions options;
    options.release = [&] { set.Close(); };
    ASSERT_EQ(ReorganiseHeaderSet(files, byTournament, options), 0);
  }
  std::vector<std::string> expected;
  for (int32_t i : byTournament) expected.push_back(before[static_cast<size_t>(i)]);
  EXPECT_EQ(DescribeAll(base), expected);
  for (const auto& e : fs::directory_iterator(dir.Path()))
    EXPECT_NE(e.path().filename().string().rfind("__TMP$", 0), 0u);
}

TEST(HeaderSetMaintenance, TournamentRunsAndEdges) {
  test::TempDir dir;
  TestSet set((dir / "db").string());
  for (const char* event : {"A", "A", "B", "B", "B", "A"}) set.Add("e2e4", "P", event);
  HeaderSetFiles files = set.Files();
  const struct {
    int n;
    bool forward;
    int edge;
  } edges[] = {{1, false, 1}, {1, true, 1}, {4, false, 3}, {4, true, 6},
               {6, true, 6},  {7, true, 6}, {3, false, 1}};
  for (const auto& e : edges)
    EXPECT_EQ(TournamentEdge(files, e.n, e.forward), e.edge) << e.n << " " << e.forward;
  const auto numbers = [&](int n) {
    std::vector<int32_t> out;
    const auto list = GamesOfTournament(files, n);
    for (uint32_t i = 0; list && i < list->Count(); ++i) out.push_back(list->Get(i));
    return out;
  };
  EXPECT_EQ(numbers(4), (std::vector<int32_t>{3, 4, 5}));
  EXPECT_EQ(numbers(1), (std::vector<int32_t>{1, 2, 6}));
  EXPECT_EQ(numbers(6), (std::vector<int32_t>{6}));
  EXPECT_TRUE(numbers(9).empty());
}

TEST(HeaderSetMaintenance, CollectDeletedListsKeptItemsAndMediaOnlyDeletedOnesUse) {
  test::RecordingServices services;
  test::TempDir dir;
  WriteSix((dir / "db").string());
  TestSet set((dir / "db").string(), false);
  HeaderSetFiles files = set.Files();
  // Every game links one picture of its own and the shared one.
  const MediaLinksOf links = [](int n, const HeaderRecord&, PathList& out) {
    out.Add("/m/" + std::to_string(n) + ".bmp", 17);
    out.Add("/m/shared.bmp", 17);
    return 0;
  };
  std::vector<int32_t> kept;
  PathList media;
  for (uint32_t n = 1; n <= 6; ++n) {
    HeaderRecord r;
    ASSERT_EQ(set.header->ReadRecord(n, r), 0);
    r.contentFlags |= 0x20000;
    ASSERT_EQ(set.header->WriteRecord(n, r), 0);
  }
  ASSERT_EQ(CollectDeletedItems(files, 0, links, kept, media), 0);
  EXPECT_EQ(kept, (std::vector<int32_t>{0, 2, 4}));
  std::set<std::string> names;
  for (int32_t i = 0; i < media.Count(); ++i) names.insert(media.At(i).string());
  EXPECT_EQ(names, (std::set<std::string>{"/m/2.bmp", "/m/4.bmp", "/m/6.bmp"}));

  // An unreadable record refuses, naming it.
  const MediaLinksOf failing = [](int n, const HeaderRecord&, PathList&) { return n == 3 ? 12 : 0; };
  EXPECT_EQ(CollectDeletedItems(files, 0, failing, kept, media), kMaintenanceUnreadable);
  EXPECT_TRUE(kept.empty());
  EXPECT_EQ(services.CallsStartingWith("ErrorBox").size(), 1u);
}

TEST(HeaderSetMaintenance, MediaNamesAndUnreferencedMedia) {
  test::TempDir dir;
  std::ofstream(dir / "7.bmp") << "picture";
  EXPECT_EQ(FreeMediaName(dir.Path().string(), 7, "bmp"), "8");
  EXPECT_EQ(FreeMediaName(dir.Path().string(), 7, "wav"), "7");

  PathList deleted, kept;
  deleted.Add("/m/shared.bmp", 17);
  deleted.Add("/m/only.wav", 16);
  kept.Add("/m/shared.bmp", 17);
  const PathList unreferenced = UnreferencedMedia(deleted, kept);
  ASSERT_EQ(unreferenced.Count(), 1);
  EXPECT_EQ(unreferenced.At(0), fs::path("/m/only.wav"));
}

}  // namespace
}  // namespace zh
