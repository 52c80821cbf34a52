// The database manager's dialogs with scripted file dialogs: opening and creating by
// extension, copying between databases, the openings key's safety and archives.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/message_ids.h"
#include "core/temp_dir.h"
#include "database/database_manager.h"
#include "database/file_database.h"
#include "database/game/game_item.h"
#include "database/headerset/archive.h"
#include "support/eco_lines.h"
#include "support/pgn_corpus.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

FileDialogAnswer Chose(const fs::path& path, int filter = 0, std::string pattern = {}) {
  FileDialogAnswer a;
  a.ok = true;
  a.path = path.string();
  a.filterIndex = filter;
  a.filterPattern = std::move(pattern);
  return a;
}

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file below a folder with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) files[fs::relative(e.path(), folder).string()] = Bytes(e.path());
  return files;
}

std::string Coordinates(const GameMove& m) {
  std::string s = SquareName(m.from) + SquareName(m.to);
  if (m.promotion) s += "?kqnbrp"[m.promotion & 7];
  return s;
}

struct Fixture {
  test::RecordingServices services;
  test::TempDir dir;
  fs::path folder = fs::weakly_canonical(dir.Path());
  DatabaseManager manager;
  Fixture() {
    services.settings.databaseFolder = folder.string();
    services.texts[msg::M_NOT_ENOUGH_DISK_SPACE] = "Not enough disk space on";
    services.texts[msg::M_CRC_ERROR] = "CRC error";
  }
  std::vector<std::string> Errors() const { return services.CallsStartingWith("ErrorBox: "); }
};

TEST(DatabaseDialogs, EcoFileOpensCopiesIntoANewHeaderSetAndIsShared) {
  Fixture f;
  fs::copy_file(test::kEcoFile, f.folder / "eco.pgn");
  f.services.fileDialogAnswers = {Chose(f.folder / "eco.pgn", 2, "*.PGN")};
  TQFileDatabase* eco = f.manager.OpenWithDialog();
  ASSERT_NE(eco, nullptr);
  EXPECT_EQ(eco->GetKind(), TQFileDatabase::kPgn);
  EXPECT_EQ(eco->GetCount(), 2014);
  EXPECT_EQ(f.services.settings.lastOpenFolder, f.folder.string());
  ASSERT_EQ(f.services.fileDialogRequests.size(), 1u);
  EXPECT_EQ(f.services.fileDialogRequests[0].initialDir, f.folder.string());
  EXPECT_EQ(f.services.fileDialogRequests[0].filters.size(), 6u);

  // The new database: the name typed without extension, the header-set filter.
  f.services.fileDialogAnswers = {Chose(f.folder / "games", 1, "*.TQH")};
  TQFileDatabase* games = f.manager.NewDatabaseDialog();
  ASSERT_NE(games, nullptr);
  EXPECT_TRUE(fs::exists(f.folder / "games.tqh"));
  const std::string ini = (f.folder / "games.ini").string();
  const std::string check = test::RunCommand(
      std::string(ZH_PYTHON3) + " -c \"import configparser,sys; c=configparser.ConfigParser(); "
      "c.optionxform=str; c.read(sys.argv[1]); s=c['DescrTQG']; print(s['Type']); print(s['Title'])\" " + ini);
  EXPECT_EQ(check, "1\n" + (f.folder / "games.tqh").string() + "\n");

  // Copying eco into the new database: every game, main lines as pgn-extract reads them.
  f.services.fileDialogAnswers = {Chose(f.folder / "games.tqh", 1, "*.TQH")};
  f.manager.CopyGamesTo(*eco, nullptr);
  ASSERT_EQ(games->GetCount(), 2014);
  const auto reference = test::EcoLinesUci(ZH_PGN_EXTRACT);
  ASSERT_EQ(reference.size(), 2014u);
  int wrong = 0;
  for (int n = 1; n <= 2014 && wrong < 3; ++n) {
    TQGame game;
    ASSERT_EQ(games->ReadGame(n, game, false), 0) << n;
    std::vector<std::string> line;
    for (const GameMove& m : game.body.mainLine) line.push_back(Coordinates(m));
    if (line != reference[static_cast<size_t>(n - 1)]) ADD_FAILURE() << "game " << n, ++wrong;
  }

  // Choosing eco again gives the open object; copying it into itself copies nothing.
  f.services.fileDialogAnswers = {Chose(f.folder / "eco.pgn", 2, "*.PGN")};
  EXPECT_EQ(f.manager.OpenWithDialog(), eco);
  EXPECT_EQ(f.manager.UseCount(eco), 2);
  f.manager.Release(eco);
  f.services.fileDialogAnswers = {Chose(f.folder / "eco.pgn")};
  f.manager.CopyGamesTo(*eco, nullptr);
  EXPECT_EQ(eco->GetCount(), 2014);
  EXPECT_EQ(f.manager.UseCount(eco), 1);
  EXPECT_EQ(Bytes(f.folder / "eco.pgn"), Bytes(test::kEcoFile));
  EXPECT_TRUE(f.Errors().empty());
}

TEST(DatabaseDialogs, NewDatabaseNamesAndRefusals) {
  struct Case {
    const char* typed;
    int filter;
    const char* pattern;
    const char* made;
  } cases[] = {
      {"games", 3, "*.PGN", "games.pgn"},           // the PGN filter names the kind
      {"games2.tqf", 4, "*.TQH;*.TQF;*.PGN", "games2.tqf"},  // "All": the typed kind
      {"games3.xyz", 4, "*.TQH;*.TQF;*.PGN", "games3.tqh"},  // "All", another one: tqh
      {"games4.db", 0, "", "games4.tqh"},            // a short extension gets tqh
  };
  Fixture f;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    f.services.fileDialogAnswers = {Chose(f.folder / c.typed, c.filter, c.pattern)};
    TQFileDatabase* made = f.manager.NewDatabaseDialog();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(fs::exists(f.folder / c.made));
    f.manager.Release(made);
  }
  // An existing name makes nothing.
  f.services.calls.clear();
  f.services.fileDialogAnswers = {Chose(f.folder / "games.pgn", 3, "*.PGN")};
  EXPECT_EQ(f.manager.NewDatabaseDialog(), nullptr);
  EXPECT_EQ(f.services.CallsStartingWith("Status: "),
            std::vector<std::string>{"Status: NOTEXT " + (f.folder / "games.pgn").string()});
  EXPECT_EQ(f.manager.OpenCount(), 0u);
}

TEST(DatabaseDialogs, OldFormatBesideAHeaderSetIsRefusedAndNothingChanges) {
  Fixture f;
  f.services.fileDialogAnswers = {Chose(f.folder / "games", 1, "*.TQH")};
  TQFileDatabase* set = f.manager.NewDatabaseDialog();
  ASSERT_NE(set, nullptr);
  f.manager.Release(set);
  // Keys that belong to the header set.
  for (const char* key : {"games.cko", "games.cpo", "games.ckn", "games.cpn"})
    std::ofstream(f.folder / key) << key;
  const auto before = Snapshot(f.folder);
  f.services.fileDialogAnswers = {Chose(f.folder / "games.tqf", 2, "*.TQF")};
  EXPECT_EQ(f.manager.NewDatabaseDialog(), nullptr);
  EXPECT_EQ(Snapshot(f.folder), before);
  EXPECT_EQ(f.services.CallsStartingWith("Status: ").size(), 1u);
}

TEST(DatabaseDialogs, OpeningsKeyStaysWhenCancelledOrItsSourceIsMissing) {
  Fixture f;
  f.services.settings.programFolder = (f.folder / "program").string();
  fs::create_directories(f.folder / "program");
  f.services.fileDialogAnswers = {Chose(f.folder / "games", 1, "*.TQH")};
  TQFileDatabase* set = f.manager.NewDatabaseDialog();
  ASSERT_NE(set, nullptr);
  std::ofstream(f.folder / "games.cko") << "old key";
  std::ofstream(f.folder / "games.cpo") << "old positions";
  const auto before = Snapshot(f.folder);

  f.services.answers = {false};  // Cancel
  EXPECT_FALSE(f.manager.CreateOpeningsKey(*set, 2));
  EXPECT_EQ(Snapshot(f.folder), before);

  f.services.answers = {true};  // OK, but no STANDARD.CKO anywhere
  EXPECT_FALSE(f.manager.CreateOpeningsKey(*set, 2));
  EXPECT_EQ(Snapshot(f.folder), before);
  ASSERT_EQ(f.Errors().size(), 1u);
  EXPECT_NE(f.Errors()[0].find("STANDARD.CKO"), std::string::npos);

  // Only the position file missing: the same.
  std::ofstream(f.folder / "program" / "STANDARD.CKO") << "new key";
  f.services.answers = {true};
  EXPECT_FALSE(f.manager.CreateOpeningsKey(*set, 2));
  EXPECT_EQ(Bytes(f.folder / "games.cko"), "old key");
  EXPECT_EQ(Bytes(f.folder / "games.cpo"), "old positions");
  f.manager.Release(set);
}

// A header set "games" in the fixture's folder with `media` sound files.
void MakeSetWithMedia(Fixture& f, int media) {
  f.services.fileDialogAnswers = {Chose(f.folder / "games", 1, "*.TQH")};
  TQFileDatabase* set = f.manager.NewDatabaseDialog();
  ASSERT_NE(set, nullptr);
  f.manager.Release(set);
  fs::create_directories(f.folder / "games.wav");
  for (int i = 0; i < media; ++i) std::ofstream(f.folder / "games.wav" / (std::to_string(i) + ".wav")) << i;
}

TEST(DatabaseDialogs, ArchiveHoldsEveryMediaFile) {
  Fixture f;
  MakeSetWithMedia(f, 9000);
  fs::create_directories(f.folder / "store");
  f.services.fileDialogAnswers = {Chose(f.folder / "store" / "games.tqv")};
  ASSERT_TRUE(f.manager.CreateArchive((f.folder / "games.tqh").string()));
  EXPECT_EQ(f.services.CallsStartingWith("WarningBox: NOTEXT = ").size(), 1u);
  Archive archive(f.folder / "store" / "games.tqv");
  int media = 0;
  for (int32_t i = 0; !archive.EntryName(i).empty(); ++i)
    if (archive.EntryName(i).rfind("games.wav/", 0) == 0) ++media;
  EXPECT_EQ(media, 9000);
}

TEST(DatabaseDialogs, ArchiveOpensFromTheDialogUnlessTheDiskIsSmallOrItIsDamaged) {
  Fixture f;
  MakeSetWithMedia(f, 3);
  fs::create_directories(f.folder / "store");
  const fs::path packed = f.folder / "store" / "games.tqv";
  f.services.fileDialogAnswers = {Chose(packed)};
  ASSERT_TRUE(f.manager.CreateArchive((f.folder / "games.tqh").string()));
  const std::string bytes = Bytes(packed);

  // A small disk refuses, a flipped byte is a CRC error; neither opens anything.
  f.manager.SetFreeSpaceProbe([](const std::string&) { return uint64_t{0}; });
  f.services.calls.clear();
  EXPECT_EQ(f.manager.OpenArchive(packed.string()), nullptr);
  ASSERT_EQ(f.Errors().size(), 1u);
  EXPECT_EQ(f.Errors()[0].rfind("ErrorBox: Not enough disk space on ", 0), 0u) << f.Errors()[0];
  f.manager.SetFreeSpaceProbe({});

  fs::create_directories(f.folder / "bad");
  std::string flipped = bytes;
  flipped[flipped.size() - 3] = static_cast<char>(flipped[flipped.size() - 3] ^ 0x40);
  std::ofstream(f.folder / "bad" / "games.tqv", std::ios::binary) << flipped;
  f.services.calls.clear();
  EXPECT_EQ(f.manager.OpenArchive((f.folder / "bad" / "games.tqv").string()), nullptr);
  EXPECT_EQ(f.Errors(), std::vector<std::string>{"ErrorBox: CRC error"});

  // Chosen in the open dialog: unpacked beside the archive and opened.
  f.services.calls.clear();
  f.services.fileDialogAnswers = {Chose(packed, 5, "*.TQV")};
  TQFileDatabase* opened = f.manager.OpenWithDialog();
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(fs::path(opened->BasePath()), f.folder / "store" / "games");
  EXPECT_TRUE(fs::exists(f.folder / "store" / "games.wav" / "2.wav"));
  EXPECT_FALSE(fs::exists(packed));
  EXPECT_TRUE(f.Errors().empty());
  f.manager.Release(opened);
}

}  // namespace
}  // namespace zh
