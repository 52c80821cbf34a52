// Reorganisation of header sets made by the database itself: the ECO lines and random
// annotated games and texts with keys and boosters keep their content under their new
// numbers; a process killed anywhere in Reorganise (or Sort and Reorganise) leaves the
// old or the new set; a write failure before the commit leaves the old files as they
// were.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "database/storage/annotation_file.h"
#include "database/game/annotation_set.h"
#include "database/corpus_game.h"
#include "database/headerset/database_sort.h"
#include "database/storage/file_set_journal.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/storage/header_file.h"
#include "database/headerset/header_library.h"
#include "database/keys/key_file.h"
#include "database/killed_child.h"
#include "database/keys/search_booster.h"
#include "database/headerset/tqg_database.h"
#include "database/game_test_util.h"
#include "database/random_trees.h"
#include "support/eco_lines.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;
using Folder = std::map<std::string, std::vector<uint8_t>>;

constexpr int kOpeningsKey = 4;
constexpr int kThemeKey = 0x400000;

Folder ReadFolder(const fs::path& folder) {
  Folder files;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.is_regular_file()) files[e.path().filename().string()] = test::FileBytes(e.path());
  return files;
}

void CopyFolder(const fs::path& from, const fs::path& to) {
  for (const auto& e : fs::directory_iterator(from))
    fs::copy(e.path(), to / e.path().filename(), fs::copy_options::recursive);
}

std::string Coordinates(const GameMove& m) {
  std::string s = SquareName(m.from) + SquareName(m.to);
  if (m.promotion) s += "?kqnbrp"[m.promotion & 7];
  return s;
}

// Item n as text: kind, names of every library, and the game's body or the text.
std::string Describe(TqgDatabase& db, int n) {
  TQGame game;
  if (db.ReadGame(n, game, false) == 0 && game.header.record.IsGame())
    return "game " + game.header.white.FullName() + "/" + game.header.black.FullName() + "/" +
           game.header.tournament.TitleBytes() + "/" + game.header.annotator.NameBytes() + "/" +
           game.header.source.TitleBytes() + (game.header.record.IsDeleted() ? " deleted " : " ") +
           test::DumpBody(game.body);
  TQTextItem text;
  if (db.ReadText(n, text) != 0) return "unreadable";
  return "text " + text.Title(0) + "/" + text.FormattedText(0) +
         (text.header.record.IsDeleted() ? " deleted" : "");
}

std::vector<std::string> DescribeAll(TqgDatabase& db) {
  std::vector<std::string> out;
  for (int n = 1; n <= db.GetCount(); ++n) out.push_back(Describe(db, n));
  return out;
}

// The tag of item n in a booster record: its number in the first four bytes.
void TagRecord(uint8_t* record, uint32_t n) {
  for (int i = 0; i < 4; ++i) record[i] = static_cast<uint8_t>(n >> (8 * i));
}
uint32_t RecordTag(const uint8_t* record) {
  uint32_t n = 0;
  for (int i = 3; i >= 0; --i) n = n << 8 | record[i];
  return n;
}

struct Built {
  std::vector<std::string> items;  // Describe of every item, deleted ones included
  std::vector<int32_t> kept;       // 0-based indexes of the items not deleted
  uint32_t keyEntry = 0, themeEntry = 0;
  std::vector<uint32_t> keyed, themed;  // item numbers filed under the two key entries
};

// A header set of the ECO lines (as pgn-extract reads them) and `random` random games
// with annotations and set-ups and texts between them, four names each, two keys,
// both boosters; every third item deleted.
Built BuildDatabase(const std::string& base, const std::vector<std::vector<std::string>>& eco,
                    int random) {
  Built built;
  {
    TqgDatabase db(base, true);
    EXPECT_EQ(db.ErrorState(), 0);
    EXPECT_EQ(db.CheckDiskSpace(db, static_cast<int>(eco.size()) + random), 0);
    int i = 0;
    const auto name = [&](TQGame& game) {
      game.header.white = TQPlayer("White " + std::to_string(i % 37), "");
      game.header.black = TQPlayer("Black " + std::to_string(i % 41), "");
      int16_t round = static_cast<int16_t>(i % 9), sub = 0;
      game.header.tournament = TQTournament("Event " + std::to_string(i % 23), 1980 + i % 30, round, sub);
      game.header.annotator.SetName("Annotator " + std::to_string(i % 5));
      game.header.source.SetTitle("Source " + std::to_string(i % 7));
    };
    for (const auto& line : eco) {
      test::CorpusGame c{"Eco, " + std::to_string(i % 13), "Line", line};
      TQGame game = test::CorpusGameOf(c);
      name(game);
      EXPECT_EQ(db.AppendGame(game), 0);
      ++i;
    }
    for (int r = 0; r < random; ++r, ++i) {
      if (r % 10 == 4) {
        TQTextItem text;
        text.header.record = HeaderRecord::Text();
        text.SetTitle(0, "Report " + std::to_string(r));
        text.SetFormattedText(0, "text " + std::string(static_cast<size_t>(r % 50), 'x'));
        EXPECT_EQ(db.AppendText(text), 0);
        continue;
      }
      TQGame game;
      test::RandomTreeOptions options;
      options.mainLength = 20 + r % 40;
      options.annotations = r % 2 == 0;
      test::GrowRandomGame(game, static_cast<uint32_t>(r * 7 + 1), options);
      name(game);
      EXPECT_EQ(db.AppendGame(game), 0);
    }
    db.EndUpdate();
    const int count = db.GetCount();
    for (int n = 3; n <= count; n += 3) EXPECT_EQ(db.SetDeleted(n, true), 0);
    for (int n = 1; n <= count; ++n) {
      built.items.push_back(Describe(db, n));
      EXPECT_NE(built.items.back(), "unreadable") << n;
      if (n % 3) built.kept.push_back(n - 1);
    }
    db.CloseKey(kOpeningsKey);
    db.CloseKey(kThemeKey);
  }
  const uint32_t count = static_cast<uint32_t>(built.items.size());
  {
    KeyFile key(base, true, KeyFile::kWriteBack, kOpeningsKey);
    EXPECT_EQ(key.AddEntry(0, "Openings", built.keyEntry), 0);
    for (uint32_t n = 1; n <= count; n += 4) {
      EXPECT_EQ(key.AddToKey(built.keyEntry, n, 1), 0);
      built.keyed.push_back(n);
    }
    KeyFile themes(base, true, KeyFile::kWriteBack, kThemeKey);
    EXPECT_EQ(themes.AddEntry(0, "Attack", built.themeEntry), 0);
    for (uint32_t n = 2; n <= count; n += 5) {
      EXPECT_EQ(themes.AddToKey(built.themeEntry, n, 1), 0);
      built.themed.push_back(n);
    }
  }
  SearchBooster search(base, "tqb", true, SearchBooster::kScanKind);
  OpeningsBooster openings(base, "tqo", true);
  for (BoosterFile* booster : {static_cast<BoosterFile*>(&search), static_cast<BoosterFile*>(&openings)}) {
    const size_t size = booster == &search ? static_cast<size_t>(search.RecordSize())
                                           : static_cast<size_t>(OpeningsBooster::kRecordSize);
    std::vector<uint8_t> records(size * count);
    for (uint32_t n = 1; n <= count; ++n) TagRecord(records.data() + (n - 1) * size, n);
    EXPECT_EQ(booster->WriteRecords(1, count, records.data()), 0);
  }
  return built;
}

// Each library's game counts and first games against the records, by the libraries'
// own check, and no entry without games.
void ExpectLibrariesConsistent(TqgDatabase& db) {
  HeaderLib* libs[4] = {db.Players(), db.Tournaments(), db.Annotators(), db.Sources()};
  std::vector<int32_t> firsts[4], counts[4];
  for (int l = 0; l < 4; ++l) {
    firsts[l].assign(static_cast<size_t>(std::max(libs[l]->NodeCount(), 0)) + 1, -1);
    counts[l].assign(firsts[l].size(), 0);
  }
  const auto count = [&](int l, int64_t entry, int n) {
    ASSERT_GE(entry, 0);
    ASSERT_LT(static_cast<size_t>(entry), counts[l].size());
    if (counts[l][static_cast<size_t>(entry)]++ == 0) firsts[l][static_cast<size_t>(entry)] = n;
  };
  for (int n = 1; n <= db.GetCount(); ++n) {
    HeaderRecord r;
    ASSERT_EQ(db.HeaderFile()->ReadRecord(static_cast<uint32_t>(n), r), 0);
    count(1, r.GetTournament(), n);
    if (r.IsGame()) {
      count(0, r.GetWhite(), n);
      count(0, r.GetBlack(), n);
    }
    count(2, r.GetAnnotator(), n);
    count(3, r.GetSource(), n);
  }
  for (int l = 0; l < 4; ++l) {
    CheckRecord check;
    EXPECT_EQ(libs[l]->CheckConsistency(check, firsts[l], counts[l], "library"), 0);
    EXPECT_EQ(check.defects, 0) << l;
    int used = 0;
    for (int32_t c : counts[l]) used += c > 0;
    EXPECT_EQ(libs[l]->Count(), used) << l;
  }
}

std::vector<uint32_t> KeyItems(const std::string& base, int kind, uint32_t entry) {
  KeyFile key(base, false, KeyFile::kNoCache, kind);
  std::vector<uint32_t> items;
  EXPECT_EQ(key.ReadItems(entry, items), 0);
  return items;
}

// The new numbers of old item numbers (dropped ones left out), ascending.
std::vector<uint32_t> Renumbered(const std::vector<uint32_t>& old, const std::vector<int32_t>& list) {
  std::map<uint32_t, uint32_t> map;
  for (size_t i = 0; i < list.size(); ++i) map[static_cast<uint32_t>(list[i]) + 1] = static_cast<uint32_t>(i + 1);
  std::set<uint32_t> out;
  for (uint32_t n : old)
    if (map.count(n)) out.insert(map[n]);
  return {out.begin(), out.end()};
}

std::set<std::string> MediaOf(TqgDatabase& db, bool deleted) {
  std::set<std::string> out;
  for (int n = 1; n <= db.GetCount(); ++n) {
    TQGame game;
    if (db.ReadGame(n, game, false) != 0 || !game.header.record.IsGame() ||
        game.header.record.IsDeleted() != deleted)
      continue;
    PathList list;
    game.body.CollectMedia(list);
    for (int32_t i = 0; i < list.Count(); ++i) out.insert(list.At(i).string());
  }
  return out;
}

TEST(TqgReorganise, EcoLinesAndRandomItemsKeepTheirContentUnderNewNumbers) {
  test::RecordingServices services;
  const auto eco = test::EcoLinesUci(ZH_PGN_EXTRACT);
  ASSERT_EQ(eco.size(), 2014u);
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  const Built built = BuildDatabase(base, eco, 500);
  // The kept items in reverse order: the copy reads each batch in item order.
  const std::vector<int32_t> list(built.kept.rbegin(), built.kept.rend());
  {
    TqgDatabase db(base, false);
    ASSERT_EQ(db.ErrorState(), 0);
    std::set<std::string> expectedMedia;
    {
      const std::set<std::string> deleted = MediaOf(db, true), kept = MediaOf(db, false);
      for (const auto& m : deleted)
        if (!kept.count(m)) expectedMedia.insert(m);
      ASSERT_FALSE(expectedMedia.empty());
      ASSERT_LT(expectedMedia.size(), deleted.size());  // some are shared with kept games
    }
    std::vector<int32_t> kept;
    PathList media;
    ASSERT_EQ(db.CollectDeleted(kept, media), 0);
    EXPECT_EQ(kept, built.kept);
    std::set<std::string> listed;
    for (int32_t i = 0; i < media.Count(); ++i) listed.insert(media.At(i).string());
    EXPECT_EQ(listed, expectedMedia);
    ASSERT_EQ(db.Reorganise(list, true, true), 0);
  }
  TqgDatabase db(base, false);
  ASSERT_EQ(db.ErrorState(), 0);
  ASSERT_EQ(db.GetCount(), static_cast<int>(list.size()));
  int mismatches = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    const int m = static_cast<int>(i) + 1;
    const int old = list[i] + 1;
    if (Describe(db, m) != built.items[static_cast<size_t>(old - 1)] && ++mismatches <= 5)
      ADD_FAILURE() << "item " << m << " (was " << old << ")";
    HeaderRecord r;
    ASSERT_EQ(db.HeaderFile()->ReadRecord(static_cast<uint32_t>(m), r), 0);
    if (r.tqaOffset) {
      EXPECT_EQ(db.AnnotationFile()->BeginRead(r.tqaOffset, static_cast<uint32_t>(m)), 0) << m;
    }
    // The ECO lines keep pgn-extract's moves.
    if (old <= static_cast<int>(eco.size())) {
      TQGame game;
      ASSERT_EQ(db.ReadGame(m, game, false), 0);
      std::vector<std::string> moves;
      for (const GameMove& move : game.body.mainLine) moves.push_back(Coordinates(move));
      if (moves != eco[static_cast<size_t>(old - 1)] && ++mismatches <= 5) ADD_FAILURE() << "eco line " << old;
    }
  }
  EXPECT_EQ(mismatches, 0);
  ExpectLibrariesConsistent(db);
  // Keys and boosters follow the new numbers.
  db.CloseKey(kOpeningsKey);
  db.CloseKey(kThemeKey);
  EXPECT_EQ(KeyItems(base, kOpeningsKey, built.keyEntry), Renumbered(built.keyed, list));
  EXPECT_EQ(KeyItems(base, kThemeKey, built.themeEntry), Renumbered(built.themed, list));
  ASSERT_EQ(db.OpenSearchBooster(false), 0);
  ASSERT_EQ(db.OpenOpeningsBooster(false), 0);
  for (BoosterFile* booster : {static_cast<BoosterFile*>(db.GetSearchBooster()),
                               static_cast<BoosterFile*>(db.GetOpeningsBooster())}) {
    ASSERT_EQ(booster->RecordCount(), list.size() + 1);
    uint8_t record[64] = {};
    for (size_t i = 0; i < list.size(); i += 97) {
      ASSERT_EQ(booster->ReadRecord(static_cast<uint32_t>(i + 1), record), 0);
      EXPECT_EQ(RecordTag(record), static_cast<uint32_t>(list[i] + 1));
    }
  }
}

// The file changes of one reorganisation (after Sort when asked) of a copy of the
// template.
int64_t CountChanges(const fs::path& templateDir, bool sort);

// Collects, sorts when asked and reorganises the database at base; the code.
int RunMaintenance(const std::string& base, bool sort) {
  TqgDatabase db(base, false);
  if (db.ErrorState() != 0) return db.ErrorState();
  std::vector<int32_t> kept;
  PathList media;
  if (const int rc = db.CollectDeleted(kept, media)) return rc;
  if (sort) {
    const auto order = db.Sort(kSortNewestFirst);
    if (!order) return 1;
    const std::set<int32_t> keep(kept.begin(), kept.end());
    kept.clear();
    for (int32_t i : *order)
      if (keep.count(i)) kept.push_back(i);
  }
  return db.ReorganiseItems(kept);
}

int64_t CountChanges(const fs::path& templateDir, bool sort) {
  test::TempDir probe;
  CopyFolder(templateDir, probe.Path());
  ArmKillAtFileChange(0);
  const int64_t before = FileChangeCount();
  EXPECT_EQ(RunMaintenance((probe / "db").string(), sort), 0);
  return FileChangeCount() - before;
}

// The points of a kill or failure run: `count` seeded over the changes, and every one
// of the last `tail` (the commit and its steps).
std::set<int64_t> Points(int64_t changes, int count, int64_t tail, uint32_t seed) {
  std::set<int64_t> points;
  for (int64_t p = std::max<int64_t>(1, changes - tail + 1); p <= changes + 1; ++p) points.insert(p);
  std::mt19937 rng(seed);
  while (static_cast<int>(points.size()) < count && static_cast<int64_t>(points.size()) < changes)
    points.insert(1 + static_cast<int64_t>(rng() % static_cast<uint64_t>(changes)));
  return points;
}

// Kill points per run: 150 each for Reorganise and for Sort and Reorganise, so 300 in
// all; ZH_KILL_POINTS raises them for a longer run by hand.
int KillPoints() {
  const char* n = std::getenv("ZH_KILL_POINTS");
  return n ? std::atoi(n) : 150;
}

class TqgReorganiseKill : public ::testing::TestWithParam<bool> {};

TEST_P(TqgReorganiseKill, KilledAnywhereLeavesTheOldOrTheNewSet) {
  const bool sort = GetParam();
  test::RecordingServices services;
  test::TempDir templateDir;
  const std::string templateBase = (templateDir / "db").string();
  const Built built = BuildDatabase(templateBase, {}, 40);
  std::vector<std::string> expectedNew;
  {
    test::TempDir probe;
    CopyFolder(templateDir.Path(), probe.Path());
    ASSERT_EQ(RunMaintenance((probe / "db").string(), sort), 0);
    TqgDatabase db((probe / "db").string(), false);
    expectedNew = DescribeAll(db);
  }
  ASSERT_EQ(expectedNew.size(), built.kept.size());
  const int64_t changes = CountChanges(templateDir.Path(), sort);
  ASSERT_GT(changes, 50);
  int sawOld = 0, sawNew = 0;
  for (const int64_t killAt : Points(changes, KillPoints(), 40, sort ? 13 : 12)) {
    SCOPED_TRACE(killAt);
    test::TempDir dir;
    CopyFolder(templateDir.Path(), dir.Path());
    const std::string base = (dir / "db").string();
    const test::ChildOutcome child = test::RunChild([&](const auto& report) {
      test::RecordingServices quiet;
      ArmKillAtFileChange(killAt);
      if (RunMaintenance(base, sort) != 0) _exit(2);
      report(1);
    });
    ASSERT_TRUE(child.ok);
    {
      TqgDatabase db(base, false);
      ASSERT_EQ(db.ErrorState(), 0);
      const std::vector<std::string> now = DescribeAll(db);
      const bool isOld = now == built.items, isNew = now == expectedNew;
      EXPECT_TRUE(isOld || isNew);
      sawOld += isOld;
      sawNew += isNew;
      ExpectLibrariesConsistent(db);
    }
    for (const auto& e : fs::directory_iterator(dir.Path())) {
      const std::string name = e.path().filename().string();
      EXPECT_NE(name.rfind("__TMP$", 0), 0u) << name;
      EXPECT_EQ(name.find(".cx"), std::string::npos) << name;
      EXPECT_NE(name, "db.tqr");
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(sawOld, 0);
  EXPECT_GT(sawNew, 0);
}

INSTANTIATE_TEST_SUITE_P(ReorganiseOrSortAndReorganise, TqgReorganiseKill, ::testing::Bool());

TEST(TqgReorganise, WriteFailureBeforeTheCommitLeavesTheOldFiles) {
  test::RecordingServices services;
  test::TempDir templateDir;
  BuildDatabase((templateDir / "db").string(), {}, 30);
  const Folder old = ReadFolder(templateDir.Path());
  const int64_t changes = CountChanges(templateDir.Path(), false);
  int refused = 0;
  for (const int64_t failAt : Points(changes, 100, 0, 5)) {
    SCOPED_TRACE(failAt);
    test::TempDir dir;
    CopyFolder(templateDir.Path(), dir.Path());
    ArmFailAtFileChange(failAt);
    const int rc = RunMaintenance((dir / "db").string(), false);
    ArmFailAtFileChange(0);
    if (rc == 0) continue;
    // Refused before the commit, or committed with the renames left to the next opening.
    const Folder now = ReadFolder(dir.Path());
    if (now.count("db.tqr")) continue;
    ++refused;
    EXPECT_EQ(now, old);
  }
  EXPECT_GT(refused, 90);
}

}  // namespace
}  // namespace zh
