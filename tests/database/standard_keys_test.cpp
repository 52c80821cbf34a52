// The standard openings keys made at build time from the opening lines: their entries
// against the lines' own table, and the classification of every line entered as a game.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "core/toolbox/code_pages.h"
#include "database/database_manager.h"
#include "database/file_database.h"
#include "database/game/game_header.h"
#include "database/headerset/tqg_database.h"
#include "database/storage/game_file.h"
#include "database/keys/key_file.h"
#include "database/keys/position_tree.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

struct Line {
  std::string code;
  std::string name;
  std::string moves;
};

// The rows of the opening tables, read here on their own.
const std::vector<Line>& Lines() {
  static const std::vector<Line> lines = [] {
    std::vector<Line> all;
    for (char letter = 'a'; letter <= 'e'; ++letter) {
      std::ifstream in(std::string(ZH_OPENINGS_DIR) + "/" + letter + ".tsv");
      std::string row;
      std::getline(in, row);
      while (std::getline(in, row)) {
        std::vector<std::string> cells;
        std::stringstream s(row);
        for (std::string cell; std::getline(s, cell, '\t');) cells.push_back(cell);
        if (cells.size() == 3) all.push_back({cells[0], cells[1], cells[2]});
      }
    }
    return all;
  }();
  return lines;
}

std::vector<std::string> AllCodes() {
  std::vector<std::string> codes;
  for (char v = 'A'; v <= 'E'; ++v)
    for (int n = 0; n < 100; ++n) codes.push_back(v + std::string(n < 10 ? "0" : "") + std::to_string(n));
  return codes;
}

void AddOnce(std::vector<std::string>& list, const std::string& item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

// A generated key pair, copied under the names that KeyFile and PositionTree open.
struct GeneratedKey {
  test::TempDir dir;
  std::unique_ptr<KeyFile> key;
  std::unique_ptr<PositionTree> tree;
  explicit GeneratedKey(const std::string& name) {
    const std::string data = ZH_DATA_DIR;
    fs::copy_file(data + "/" + name + ".CKO", dir.Path() / "k.cko");
    fs::copy_file(data + "/" + name + ".CPO", dir.Path() / "k.cpo");
    key = std::make_unique<KeyFile>((dir.Path() / "k").string(), false, KeyFile::kNoCache, 4);
    tree = std::make_unique<PositionTree>((dir.Path() / "k").string(), false, 0, 4);
  }
};

struct Node {
  std::string title;
  std::vector<Node> children;
  std::vector<std::string> Titles() const {
    std::vector<std::string> t;
    for (const Node& c : children) t.push_back(c.title);
    return t;
  }
};

// The whole key below `entry`; every entry is met once.
Node Walk(KeyFile& key, uint32_t entry, std::set<uint32_t>& seen) {
  Node node;
  node.title = entry ? key.GetEntryTitle(entry) : "";
  std::vector<uint32_t> items;
  EXPECT_EQ(key.ReadItems(entry, items), 0) << entry;
  for (uint32_t item : items) {
    if (!(item & kSubEntryBit)) continue;
    const uint32_t sub = item & ~kSubEntryBit;
    EXPECT_TRUE(seen.insert(sub).second) << "entry " << sub << " met twice";
    EXPECT_EQ(key.GetParentEntry(sub), static_cast<int32_t>(entry));
    node.children.push_back(Walk(key, sub, seen));
  }
  return node;
}

std::pair<std::string, std::string> Split(const std::string& name) {
  const size_t colon = name.find(':');
  if (colon == std::string::npos) return {name, ""};
  return {name.substr(0, colon), name.substr(name.find_first_not_of(' ', colon + 1))};
}

TEST(StandardKeys, EachWalksCompletelyWithOneEntryPerCodeFamilyAndVolume) {
  // ECOVARS: the codes in order, under each the names of its lines in table order.
  std::map<std::string, std::vector<std::string>> namesByCode;
  std::map<std::string, std::vector<std::string>> variationsByFamily;
  for (const Line& line : Lines()) {
    AddOnce(namesByCode[line.code], line.name);
    auto [family, variation] = Split(line.name);
    auto& variations = variationsByFamily[family];
    if (!variation.empty()) AddOnce(variations, variation);
  }
  const std::vector<std::string> codes = AllCodes();
  struct Case {
    const char* name;
    std::vector<std::string> top;
    std::function<std::vector<std::string>(size_t, const std::string&)> below;
  } cases[] = {
      {"ECOVARS", codes, [&](size_t, const std::string& code) { return namesByCode[code]; }},
      {"ECONAMES",
       [&] {
         std::vector<std::string> families;
         for (const auto& [family, v] : variationsByFamily) families.push_back(family);
         return families;
       }(),
       [&](size_t, const std::string& family) { return variationsByFamily[family]; }},
      {"STANDARD",
       {"A: Flank openings", "B: Semi-open games", "C: Open games and the French Defence",
        "D: Closed and semi-closed games", "E: Indian defences"},
       [&](size_t i, const std::string&) {
         return std::vector<std::string>(codes.begin() + static_cast<long>(i * 100),
                                         codes.begin() + static_cast<long>(i * 100 + 100));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GeneratedKey k(c.name);
    ASSERT_EQ(k.key->Status(), 0);
    ASSERT_EQ(k.tree->Status(), 0);
    std::set<uint32_t> seen;
    const Node root = Walk(*k.key, 0, seen);
    EXPECT_EQ(root.Titles(), c.top);
    ASSERT_EQ(root.children.size(), c.top.size());
    for (size_t i = 0; i < root.children.size(); ++i) {
      const Node& entry = root.children[i];
      std::vector<std::string> expected = c.below(i, entry.title);
      // Titles are kept in the display set, to 67 bytes.
      for (std::string& t : expected) t = DisplayToUtf8(Utf8ToDisplay(t).substr(0, 67));
      EXPECT_EQ(entry.Titles(), expected) << entry.title;
      for (const Node& sub : entry.children) EXPECT_TRUE(sub.children.empty()) << sub.title;
    }
    // Every entry the header counts (with the root) was reached.
    EXPECT_EQ(seen.size() + 1, k.key->GetHeaderValue());
  }
}

// The lines as one PGN file, one game per line.
void WritePgn(const fs::path& path, size_t count) {
  std::ofstream out(path);
  for (size_t i = 0; i < count && i < Lines().size(); ++i)
    out << "[Event \"" << Lines()[i].code << "\"]\n[Result \"*\"]\n\n" << Lines()[i].moves << " *\n\n";
}

FileDialogAnswer Chose(const fs::path& path, int filter = 0, std::string pattern = {}) {
  FileDialogAnswer a;
  a.ok = true;
  a.path = path.string();
  a.filterIndex = filter;
  a.filterPattern = std::move(pattern);
  return a;
}

struct Fixture {
  test::RecordingServices services;
  test::TempDir dir;
  fs::path folder = fs::weakly_canonical(dir.Path());
  DatabaseManager manager;
  TQFileDatabase* set = nullptr;

  // A header set "games" holding the first `count` lines as games.
  explicit Fixture(size_t count) {
    services.settings.databaseFolder = folder.string();
    services.settings.programFolder = fs::path(ZH_DATA_DIR).parent_path().string();
    WritePgn(folder / "lines.pgn", count);
    services.fileDialogAnswers = {Chose(folder / "lines.pgn", 2, "*.PGN")};
    TQFileDatabase* lines = manager.OpenWithDialog();
    if (!lines) return;
    services.fileDialogAnswers = {Chose(folder / "games", 1, "*.TQH")};
    set = manager.NewDatabaseDialog();
    if (!set) return;
    services.fileDialogAnswers = {Chose(folder / "games.tqh", 1, "*.TQH")};
    manager.CopyGamesTo(*lines, nullptr);
    manager.Release(lines);
  }
  ~Fixture() {
    if (set) manager.Release(set);
  }

  // The code entry (a child of the root) that each game is filed under, walking every
  // entry of the key; a game filed twice is reported.
  std::map<int32_t, std::string> FiledUnder(int levels) {
    KeyFile* key = set->Key(4);
    std::map<int32_t, std::string> filed;
    if (!key) return filed;
    std::vector<uint32_t> top;
    key->ReadItems(0, top);
    for (uint32_t item : top) {
      const uint32_t entry = item & ~kSubEntryBit;
      const std::string title = key->GetEntryTitle(entry);
      std::vector<int32_t> games(8000);
      int skip = 0, count = 0;
      EXPECT_EQ(key->CollectGames(entry, games.data(), 8000, levels, skip, count, 1), 0);
      for (int i = 0; i < count; ++i)
        EXPECT_TRUE(filed.emplace(games[static_cast<size_t>(i)], title).second) << games[static_cast<size_t>(i)];
    }
    return filed;
  }
};

TEST(StandardKeys, EveryLineFilesUnderItsOwnCodeButWhereAnotherCodeOwnsItsBoard) {
  const size_t n = Lines().size();
  Fixture f(n);
  ASSERT_NE(f.set, nullptr);
  ASSERT_EQ(f.set->GetCount(), static_cast<int>(n));
  ASSERT_TRUE(f.manager.CreateOpeningsKey(*f.set, 0));
  EXPECT_TRUE(f.services.CallsStartingWith("ErrorBox").empty());
  EXPECT_TRUE(f.services.CallsStartingWith("Log: ").empty());
  const std::map<int32_t, std::string> filed = f.FiledUnder(2);
  EXPECT_EQ(filed.size(), n);
  // Lines whose final board a shorter (or equally long, earlier) line of another code
  // reaches as well: the board belongs to that line, in both keys.
  struct Elsewhere {
    std::string code;
    std::string family;
  };
  const std::map<int32_t, Elsewhere> elsewhere = {
      // C10 French Defense: Rubinstein Variation, Ellis Gambit
      {1688, {"D00", "Blackmar-Diemer Gambit"}},
      // C33 King's Gambit Accepted: Mason-Keres Gambit
      {2042, {"A00", "Van Geet Opening"}},
  };
  // The code, or the family, that each line is filed under when it is not its own.
  auto moved = [&](const std::map<int32_t, std::string>& filed, auto own) {
    std::map<int32_t, std::string> found;
    for (size_t i = 0; i < n; ++i) {
      const int32_t game = static_cast<int32_t>(i + 1);
      auto it = filed.find(game);
      if (it == filed.end()) ADD_FAILURE() << "game " << game << " is not filed";
      else if (it->second != own(Lines()[i])) found[game] = it->second;
    }
    return found;
  };
  std::map<int32_t, std::string> codes, families;
  for (const auto& [game, e] : elsewhere) codes[game] = e.code, families[game] = e.family;

  EXPECT_EQ(moved(filed, [](const Line& l) { return l.code; }), codes);

  // The names key: every line under its family but the same two.
  f.services.answers = {true};  // replace the key
  ASSERT_TRUE(f.manager.CreateOpeningsKey(*f.set, 1));
  const std::map<int32_t, std::string> byFamily = f.FiledUnder(2);
  EXPECT_EQ(byFamily.size(), n);
  EXPECT_EQ(moved(byFamily,
                  [](const Line& l) { return DisplayToUtf8(Utf8ToDisplay(Split(l.name).first).substr(0, 67)); }),
            families);
}

TEST(StandardKeys, AnUnreadableGameIsLoggedAndStopEndsTheRunBetweenGames) {
  Fixture f(45);
  ASSERT_NE(f.set, nullptr);
  ASSERT_TRUE(f.manager.CreateOpeningsKey(*f.set, 2));
  // The first lines are all A00: each game in volume A.
  const std::map<int32_t, std::string> volumes = f.FiledUnder(3);
  EXPECT_EQ(volumes.size(), 45u);
  for (const auto& [game, volume] : volumes) EXPECT_EQ(volume, "A: Flank openings") << game;

  // Game 3's moves now lie past the end of the game file.
  auto* tqg = dynamic_cast<TqgDatabase*>(f.set);
  ASSERT_NE(tqg, nullptr);
  GameHeader header;
  ASSERT_EQ(tqg->ReadHeaderRecord(3, header), 0);
  header.record.tqgOffset = tqg->GameFile()->GetEnd() + 1000;
  ASSERT_EQ(tqg->WriteHeaderRecord(3, header), 0);
  f.services.calls.clear();
  EXPECT_EQ(f.manager.ClassifyAllGames(*f.set), 0);
  const auto log = f.services.CallsStartingWith("Log: ");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find(" 3 -"), std::string::npos) << log[0];
  std::map<int32_t, std::string> filed = f.FiledUnder(3);
  EXPECT_EQ(filed.size(), 44u);
  EXPECT_EQ(filed.count(3), 0u);

  // Stop at the first query (before game 20): games 1 to 19 but 3 are filed.
  f.services.stopAnswers = {true};
  EXPECT_EQ(f.manager.ClassifyAllGames(*f.set), 0);
  filed = f.FiledUnder(3);
  EXPECT_EQ(filed.size(), 18u);
  EXPECT_EQ(filed.rbegin()->first, 19);
}

}  // namespace
}  // namespace zh
