// The listing of the engines folder against the dynamic symbol tables that nm shows.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "engines/installed_engines.h"
#include "engines/engine_table.h"

namespace zh {
namespace {

std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
  std::set<std::string> symbols;
  std::string command = std::string(ZH_NM) + " -D --defined-only '" + path + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return symbols;
  char line[512];
  while (fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    size_t blank = text.rfind(' ');
    symbols.insert(blank == std::string::npos ? text : text.substr(blank + 1));
  }
  pclose(pipe);
  return symbols;
}

TEST(InstalledEngineList, ListsExactlyTheModulesNmShowsWithTheThreeExportsAndWithoutEng21) {
  const std::string folder = ZH_ENGINE_FOLDER;
  std::set<std::string> expected;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".eng") continue;
    auto symbols = DefinedDynamicSymbols(entry.path().string());
    if (symbols.count("Eng5") && symbols.count("Eng6") && symbols.count("Eng7") && !symbols.count("Eng21"))
      expected.insert(entry.path().filename().string());
  }
  ASSERT_EQ(expected.size(), 5u);  // the three copies, the hung and the logo variants

  InstalledEngineList list(folder);
  std::set<std::string> listed;
  for (int i = 0; i < list.Count(); ++i) listed.insert(list.FileName(i));
  EXPECT_EQ(listed, expected);

  // By engine name, bytewise; equal names in file-name order.
  std::vector<std::pair<std::string, std::string>> order;
  for (const auto& e : list.Entries()) order.emplace_back(e.name, e.fileName);
  std::vector<std::pair<std::string, std::string>> want = {
      {"Hung Engine", "Hung.eng"},      {"Painter 3", "Painter.eng"},     {"Stub Engine", "StubOne.eng"},
      {"Stub Engine", "StubThree.eng"}, {"Stub Engine", "StubTwo.eng"}};
  EXPECT_EQ(order, want);
  EXPECT_EQ(list.Entries()[0].author, "Test Author");
  EXPECT_EQ(list.Entries()[0].inUse, 0);
  EXPECT_EQ(list.EngineName(5), "");
  EXPECT_EQ(list.FileName(-1), "");

  // The admitting flag lists the Eng21 module as well.
  InstalledEngineList all(folder, true);
  EXPECT_EQ(all.Count(), 6);
  EXPECT_EQ(all.EngineName(0), "Aardvark");
}

TEST(InstalledEngineList, RemovesTheFirstEntryWhoseNameBeginsWithTheText) {
  InstalledEngineList list(ZH_ENGINE_FOLDER);
  EXPECT_FALSE(list.RemoveStartingWith("Mate"));
  EXPECT_FALSE(list.RemoveStartingWith("Painter 3 and more"));
  EXPECT_TRUE(list.RemoveStartingWith("Stub"));
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.FileName(2), "StubThree.eng");
}

TEST(EngineModuleProbe, GivesTheReasonAndTheTexts) {
  const std::string folder = ZH_ENGINE_FOLDER;
  struct Case {
    const char* file;
    bool accepted;
    int reason;
    bool eng21;
    const char* name;
  } cases[] = {
      {"StubOne.eng", true, 0, false, "Stub Engine"},
      {"WithEng21.eng", true, 0, true, "Aardvark"},
      {"Notes.eng", false, 1, false, ""},
      {"Folder.eng", false, 1, false, ""},
      {"Missing.eng", false, 1, false, ""},
      {"NoEng7.eng", false, 2, false, ""},
  };
  for (const Case& c : cases) {
    ModuleProbe probe = engine_module_probe(folder + "/" + c.file);
    EXPECT_EQ(probe.accepted, c.accepted) << c.file;
    EXPECT_EQ(probe.reason, c.reason) << c.file;
    EXPECT_EQ(probe.exportsEng21, c.eng21) << c.file;
    EXPECT_EQ(probe.name, c.name) << c.file;
  }
}

TEST(EngineNameKey, DropsBlanksDotsZerosApostrophesColonsAndTheLastSlashPart) {
  struct Case {
    const char* name;
    const char* key;
  } cases[] = {
      {"Zelko Home 2.0", "ZelkoHome2"}, {"Fritz's: 10", "Fritzs1"}, {"A/B/C", "A/B"},
      {"/Engine", ""},                  {"Engine/", "Engine/"},      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EngineNameKey(c.name), c.key) << c.name;
}

}  // namespace
}  // namespace zh
