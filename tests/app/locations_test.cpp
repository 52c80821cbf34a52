#include "app/locations.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/languages.h"
#include "temp_folder.h"

namespace zh {
namespace {

TEST(Locations, ProgramDataAndUserFolders) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", "/home/u/.cfg", 1);
  Locations l = Locations::ForExecutable("/opt/zh/bin/ZelkoHome");
  EXPECT_EQ(l.programFolder, "/opt/zh/bin");
  EXPECT_EQ(l.dataFolder, "/opt/zh/bin/data");
  EXPECT_EQ(l.userFolder, "/home/u/.cfg/zelkohome");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(Locations::ForExecutable("/a/b").userFolder, "/home/u/.config/zelkohome");
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

TEST(Locations, StoredPathsMapIntoTheDataFolder) {
  struct Case {
    const char* stored;
    const char* cd;
    const char* mapped;
  };
  const Case cases[] = {
      {"x:\\talk.cht", "x", "/d/talk.cht"},
      {"X:\\database\\zelko5.tqh", "x", "/d/database/zelko5.tqh"},
      {"\\power.ctg", "", "/d/power.ctg"},
      {"c:\\games\\my.tqh", "x", "/games/my.tqh"},
      {"/home/u/file.tqh", "x", "/home/u/file.tqh"},
      {"rel\\file.tqh", "x", "rel/file.tqh"},
  };
  for (const Case& c : cases) EXPECT_EQ(MapStoredPath(c.stored, c.cd, "/d"), c.mapped) << c.stored;
}

TEST(Locations, FindsPathsWithoutRegardToCase) {
  test::TempFolder t;
  t.Write("Data/Talk.CHT", "x");
  EXPECT_EQ(FindPathIgnoringCase(t / "data/talk.cht"), t / "Data/Talk.CHT");
  EXPECT_EQ(FindPathIgnoringCase(t / "Data/Talk.CHT"), t / "Data/Talk.CHT");
  EXPECT_FALSE(FindPathIgnoringCase(t / "data/none.cht"));
  EXPECT_EQ(ResolveDataPath("x:\\TALK.cht", "x", t / "data"), t / "Data/Talk.CHT");
  EXPECT_EQ(ResolveDataPath("x:\\other.cht", "x", t / "data"), t / "data/other.cht");
}

TEST(Languages, TableFoldersAndFallbacks) {
  EXPECT_EQ(Language(5).listText, "Nederlands");
  EXPECT_EQ(Language(5).folder, "Nederlnd");
  EXPECT_EQ(Language(3).helpFile, "ZK_S.HLP");
  EXPECT_EQ(Language(7).folder, "English");
  EXPECT_EQ(Language(-2).folder, "English");

  test::TempFolder t;
  t.MakeFolder("English");
  t.MakeFolder("nederlnd");
  EXPECT_EQ(LanguageFolder(t.path(), 5), t / "nederlnd");
  EXPECT_EQ(LanguageFolder(t.path(), 1), t / "English");  // no Deutsch folder
}

TEST(Languages, FindDataFileSearchesOwnThenAllLanguages) {
  test::TempFolder t;
  t.Write("English/Only.BMP", "e");
  t.Write("Deutsch/both.bmp", "d");
  t.Write("English/both.bmp", "e");
  t.Write("Italiano/ital.bmp", "i");
  EXPECT_EQ(FindDataFile(t.path(), "only.bmp", 1), t / "English/Only.BMP");
  EXPECT_EQ(FindDataFile(t.path(), "both.bmp", 1), t / "Deutsch/both.bmp");
  EXPECT_EQ(FindDataFile(t.path(), "both.bmp", 0), t / "English/both.bmp");
  EXPECT_EQ(FindDataFile(t.path(), "ital.bmp", 1), t / "Italiano/ital.bmp");
  EXPECT_EQ(FindDataFile(t.path(), "none.bmp", 1), t / "Deutsch/none.bmp");
}

TEST(Languages, HelpPagesByFolderAndId) {
  test::TempFolder t;
  t.MakeFolder("help/zk_d");
  t.Write("help/ZK_E/2170.html", "");
  EXPECT_EQ(HelpFolder(t.path(), "ZK_D.HLP"), t / "help/zk_d");
  EXPECT_EQ(HelpFolder(t.path(), "ZK_N.HLP"), t / "help/ZK_E");  // no Dutch pages
  EXPECT_EQ(HelpPage("/d/help/ZK_E", 2010), "/d/help/ZK_E/2010.html");
  EXPECT_EQ(HelpPage(t / "help/zk_d", 2170, t / "help/ZK_E"), t / "help/ZK_E/2170.html");
  // The dialogs' pages are shipped.
  for (int id : {2010, 2170}) EXPECT_TRUE(IsFile(HelpPage(std::string(ZH_DATA_DIR) + "/help/ZK_E", id)));
}

}  // namespace
}  // namespace zh
