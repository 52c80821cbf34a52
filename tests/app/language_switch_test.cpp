#include "app/language_switch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/message_ids.h"
#include "support/recording_services.h"
#include "temp_folder.h"

namespace zh {
namespace {

ShellEnvironment EnvironmentIn(const test::TempFolder& t) {
  ShellEnvironment env;
  env.locations = Locations{t / "prog", t / "prog/data", t / "user"};
  return env;
}

struct RecordingNotation : NotationSink {
  std::string table, conversion;
  std::string signs;
  void SetPieceTable(std::string_view eight) override { table = eight; }
  void SetLetterConversion(std::string_view letters) override { conversion = letters; }
  void SetSigns(char a, char b, char c) override { signs = {a ? a : '0', b ? b : '0', c ? c : '0'}; }
};

TEST(PieceLetters, MessageTextOrTheDefaultLetters) {
  test::TempFolder t;
  test::RecordingServices rec;
  RecordingNotation notation;
  ScopedHooks hooks(ShellHooks{.notation = &notation});
  AppParams params(EnvironmentIn(t));
  struct Case {
    const char* text;  // message 23; nullptr: no message files
    const char* table;
    const char* signs;
  };
  const Case cases[] = {
      {nullptr, "XKQNBRPY", ".x+"},  // "NOTEXT" must not become N O T E X T
      {"KDSLTB", "XKDSLTBY", "000"},
      {"KDSLTB- #", "XKDSLTBY", "-0#"},
      {"KQN", "XKQNBRPY", ".x+"},
  };
  for (const Case& c : cases) {
    rec.texts.clear();
    if (c.text) rec.texts[msg::M_PIECE_LETTERS] = c.text;
    params.SetPieceLetters();
    EXPECT_EQ(notation.table, c.table) << (c.text ? c.text : "none");
    EXPECT_EQ(notation.signs, c.signs) << (c.text ? c.text : "none");
    EXPECT_TRUE(params.lettersChanged);
  }
  params.figurines = true;
  notation.conversion.clear();
  params.SetPieceLetters();
  EXPECT_EQ(notation.table, "X\xA2\xA3\xA4\xA5\xA6\xA7Y");
  EXPECT_EQ(notation.conversion, "");  // figurines are not converted
}

TEST(DataLocations, BookTreeNamesAllGetTheDrivePrefixOrNone) {
  test::TempFolder t;
  AppParams params(EnvironmentIn(t));
  EXPECT_EQ(params.DefaultBookTree(), "x:\\z5book.ctg");
  t.Write("prog/data/POWER.CTG", "");
  EXPECT_EQ(params.DefaultBookTree(), "x:\\power.ctg");
  t.Write("prog/data/General.ctg", "");
  EXPECT_EQ(params.DefaultBookTree(), "x:\\General.ctg");
  params.Play().cdDrive.clear();
  EXPECT_EQ(params.DefaultBookTree(), "\\General.ctg");
  EXPECT_EQ(params.DefaultReferenceDB(), "\\database\\zelko5.tqh");
  EXPECT_EQ(params.ResolvePath(params.DefaultBookTree()), t / "prog/data/General.ctg");
  std::filesystem::remove(t / "prog/data/General.ctg");
  EXPECT_EQ(params.DefaultBookTree(), "\\power.ctg");
}

TEST(DataLocations, TitlesAndUserPlayer) {
  test::TempFolder t;
  test::RecordingServices rec;
  rec.texts = {{185, "World Champion"}, {167, "Newcomer"}};
  AppParams params(EnvironmentIn(t));
  EXPECT_EQ(params.TitleText(0), "World Champion");
  EXPECT_EQ(params.TitleText(18), "Newcomer");
  EXPECT_EQ(params.TitleText(19), "untitled");
  EXPECT_EQ(params.TitleText(-1), "untitled");
  params.surName = "Polgar";
  EXPECT_EQ(params.GetUserPlayer(), (PlayerName{"Polgar", "John"}));
}

TEST(DataLocations, ProgramFolderJoinsTheSharedSettingsFile) {
  test::TempFolder t;
  t.Write("user/Tarqunix.ini",
          "[Other Program]\nPath=/opt/other\n[Zelko Home 2]\nPath=/old\nStale=1\n[Last]\nKey=v\n");
  ASSERT_TRUE(WriteProgramFolder(t / "user", "/opt/zh"));
  ProfileFile file;
  ASSERT_TRUE(file.Open(t / "user/Tarqunix.ini"));
  file.SelectGroup("Zelko Home 2");
  EXPECT_EQ(file.ReadText("Path"), "/opt/zh");
  EXPECT_FALSE(file.ReadText("Stale"));
  file.SelectGroup("Other Program");
  EXPECT_EQ(file.ReadText("Path"), "/opt/other");
  file.SelectGroup("Last");
  EXPECT_EQ(file.ReadText("Key"), "v");
  ASSERT_TRUE(WriteProgramFolder(t / "fresh", "/opt/zh"));
  ProfileFile fresh;
  ASSERT_TRUE(fresh.Open(t / "fresh/Tarqunix.ini"));
  fresh.SelectGroup("Zelko Home 2");
  EXPECT_EQ(fresh.ReadText("Path"), "/opt/zh");
}

struct CountingHooks : WorkWindow, GameHooks, CoachHooks {
  int relayouts = 0, refreshes = 0, repaints = 0, chatters = 0;
  std::string chatterFolder;
  void RelayoutForLanguage() override { ++relayouts; }
  void Repaint() override { ++repaints; }
  void RefreshTexts() override { ++refreshes; }
  void RebuildChatter(std::string_view folder) override {
    ++chatters;
    chatterFolder = folder;
  }
};

TEST(LanguageSwitch, RebuildsEverythingAlsoForTheSameLanguage) {
  test::TempFolder t;
  test::RecordingServices rec;
  t.Write("prog/data/Messages/messages.inc", "enum { M_LANGUAGE_NAME, M_X, M_Y }");
  t.Write("prog/data/Messages/English/general.fms", "M_LANGUAGE_NAME, \"English\";");
  t.Write("prog/data/Messages/Nederlnd/general.fms", "M_LANGUAGE_NAME, \"Nederlands\";");
  std::string names = "\"Unclassified\"";
  for (int i = 0; i < 500; ++i) names += " \"n\"";
  t.Write("prog/data/Messages/English/openings.fms", names);
  t.Write("prog/data/Messages/Nederlnd/openings.fms", names);
  t.MakeFolder("prog/data/Nederlnd");
  t.MakeFolder("prog/data/help/ZK_N");
  AppParams params(EnvironmentIn(t));
  ShellTexts texts(params.Environment().locations.dataFolder, 0);
  CountingHooks hooks;
  ScopedHooks installed(ShellHooks{.gameWindow = &hooks, .dbWindow = &hooks, .currentWindow = &hooks,
                                   .game = &hooks, .coach = &hooks});
  LanguageState state;
  ASSERT_EQ(texts.GetMessageText(0), "English");

  SwitchLanguage(params, texts, state, 5, {5, 0, 2});
  EXPECT_EQ(params.language, 5);
  EXPECT_EQ(texts.GetMessageText(0), "Nederlands");
  EXPECT_EQ(state.helpFolder, t / "prog/data/help/ZK_N");
  EXPECT_EQ(params.langChoice, (IntTriple{5, 0, 2}));
  EXPECT_EQ(hooks.chatterFolder, t / "prog/data/Nederlnd");
  EXPECT_EQ(hooks.relayouts, 2);
  EXPECT_EQ(hooks.refreshes, 1);
  EXPECT_EQ(hooks.repaints, 1);
  int loads = texts.LoadCount();
  SwitchLanguage(params, texts, state, 5, {5, 0, 2});
  EXPECT_EQ(texts.LoadCount(), loads + 1);
  EXPECT_EQ(hooks.chatters, 2);
  EXPECT_EQ(rec.CallsStartingWith("WaitOn").size(), 2u);
  EXPECT_TRUE(rec.CallsStartingWith("ErrorBox").empty());

  SwitchLanguage(params, texts, state, 2, {2, 1, 1});  // no Francais folders: English
  EXPECT_EQ(texts.GetMessageText(0), "English");
  EXPECT_EQ(hooks.chatterFolder, t / "prog/data/English");
}

}  // namespace
}  // namespace zh
