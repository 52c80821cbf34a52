#include "core/toolbox/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "core/german_locale.h"
#include "core/python_runner.h"
#include "support/recording_services.h"
#include "core/temp_dir.h"

namespace zh {
namespace {

using Group = std::pair<std::string, std::vector<std::pair<std::string, std::string>>>;

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\\' ? "\\\\" : c == '\t' ? "\\t" : std::string(1, c);
  return out;
}

// The expectation file of configparser_check.py.
void WriteExpectation(const std::filesystem::path& path, const std::vector<Group>& groups) {
  std::string text;
  for (const auto& [group, keys] : groups) {
    text += "G\t" + Escape(group) + "\n";
    for (const auto& [key, value] : keys) text += "K\t" + Escape(key) + "\t" + Escape(value) + "\n";
  }
  WriteAll(path, text);
}

class ProfileFileTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::filesystem::path ini = dir / "Z5.ini";
};

TEST_F(ProfileFileTest, ValueForms) {
  ProfileFile p;
  ASSERT_TRUE(p.Open(ini));
  p.SelectGroup("Forms");
  p.WriteFlag("set", true);
  p.WriteFlag("clear", false);
  p.WriteDouble("half", 0.5);
  p.WriteDouble("neg", -12.25);
  p.WriteColor("colour", {255, 128, 0});
  p.WriteFont("font", {"Times New Roman", 0, 12});
  p.WriteText("one", "1");
  p.WriteText("zero", "0");
  p.WriteText("word", "yes");
  p.WriteText("twelve", "12");
  p.WriteText("zeroFont", "Arial 0");
  p.WriteText("numberFont", "12 Arial");
  p.WriteText("empty", "");

  struct TextCase {
    const char* key;
    const char* text;
  };
  for (const TextCase& c : {TextCase{"set", "2"}, TextCase{"clear", "1"},
                            TextCase{"half", "0.50000"}, TextCase{"neg", "-12.25000"},
                            TextCase{"colour", "255,128,0"}, TextCase{"font", "Times_New_Roman 12"}})
    EXPECT_EQ(p.ReadText(c.key).value_or("<missing>"), c.text) << c.key;

  struct FlagCase {
    const char* key;
    bool before, after;
  };
  for (const FlagCase& c : {FlagCase{"set", false, true}, FlagCase{"clear", true, false},
                            FlagCase{"one", true, false}, FlagCase{"zero", true, false},
                            FlagCase{"word", true, false}, FlagCase{"missing", true, true},
                            FlagCase{"empty", true, true}}) {
    bool flag = c.before;
    p.ReadFlag(c.key, flag);
    EXPECT_EQ(flag, c.after) << c.key;
  }

  Rgb16 colour{1, 2, 3};
  EXPECT_TRUE(p.ReadColor("colour", colour));
  EXPECT_EQ(colour, (Rgb16{255, 128, 0}));
  EXPECT_TRUE(p.ReadColor("twelve", colour));
  EXPECT_EQ(colour, (Rgb16{12, 0, 0}));
  EXPECT_FALSE(p.ReadColor("word", colour));
  EXPECT_FALSE(p.ReadColor("missing", colour));
  EXPECT_EQ(colour, (Rgb16{12, 0, 0}));

  const FontSpec initial{"Initial", 0, 9};
  struct FontCase {
    const char* key;
    FontSpec expected;
  };
  for (const FontCase& c : {FontCase{"font", {"Times New Roman", 0, 12}},
                            FontCase{"zeroFont", {"Arial", 0, 16}}, FontCase{"numberFont", initial},
                            FontCase{"word", initial}, FontCase{"missing", initial}}) {
    FontSpec font = initial;
    p.ReadFont(c.key, font);
    EXPECT_EQ(font, c.expected) << c.key;
  }

  // Missing and empty keys leave every target as it is.
  int16_t s = 7;
  int32_t l = 7;
  uint32_t u = 7;
  double d = 7;
  char32_t ch = U'q';
  std::array<double, 3> dt{1, 2, 3};
  std::array<int32_t, 3> it{1, 2, 3};
  std::filesystem::path path = "/keep";
  for (const char* key : {"missing", "empty"}) {
    EXPECT_FALSE(p.ReadShort(key, s));
    EXPECT_FALSE(p.ReadLong(key, l));
    EXPECT_FALSE(p.ReadULong(key, u));
    EXPECT_FALSE(p.ReadDouble(key, d));
    EXPECT_FALSE(p.ReadChar(key, ch));
    EXPECT_FALSE(p.ReadDoubleTriple(key, dt));
    EXPECT_FALSE(p.ReadIntTriple(key, it));
    EXPECT_FALSE(p.ReadPath(key, path));
  }
  EXPECT_EQ(std::make_tuple(s, l, u, d, ch), std::make_tuple(7, 7, 7u, 7.0, U'q'));
  EXPECT_EQ(dt, (std::array<double, 3>{1, 2, 3}));
  EXPECT_EQ(it, (std::array<int32_t, 3>{1, 2, 3}));
  EXPECT_EQ(path, "/keep");

  std::string text = "own";
  EXPECT_TRUE(p.ReadString("missing", text));
  EXPECT_EQ(text, "own");
  text.clear();
  EXPECT_FALSE(p.ReadString("missing", text));
  EXPECT_TRUE(p.ReadString("word", text));
  EXPECT_EQ(text, "yes");
}

TEST_F(ProfileFileTest, DoublesIgnoreTheGermanLocale) {
  test::GermanLocale german;
  if (!german.Active()) GTEST_SKIP() << "locale de_DE.UTF-8 not available";
  ProfileFile p;
  ASSERT_TRUE(p.Open(ini));
  p.SelectGroup("3DSetting");
  p.WriteDouble("half", 0.5);
  p.WriteDouble("neg", -12.25);
  p.WriteDoubleTriple("vector", {0.5, -12.25, 3});
  EXPECT_EQ(p.ReadText("half"), "0.50000");
  EXPECT_EQ(p.ReadText("neg"), "-12.25000");
  EXPECT_EQ(p.ReadText("vector"), "0.50000,-12.25000,3.00000");
  double d = 0;
  std::array<double, 3> v{};
  EXPECT_TRUE(p.ReadDouble("neg", d));
  EXPECT_TRUE(p.ReadDoubleTriple("vector", v));
  EXPECT_EQ(d, -12.25);
  EXPECT_EQ(v, (std::array<double, 3>{0.5, -12.25, 3}));
}

TEST_F(ProfileFileTest, TypedValuesReadBack) {
  {
    ProfileFile p;
    ASSERT_TRUE(p.Open(ini));
    p.SelectGroup("Typed");
    p.WriteChar("char", U'ß');
    p.WriteShort("short", -32768);
    p.WriteLong("long", INT32_MIN);
    p.WriteInt("int", 123);
    p.WriteULong("ulong", 4294967295u);
    p.WriteDoubleTriple("vector", {1.5, -0.25, 1e6});
    p.WriteIntTriple("ints", {-1, 0, 2147483647});
    p.WritePath("path", "a/../b.tqh");
  }
  ProfileFile p;
  ASSERT_TRUE(p.Open(ini));
  p.SelectGroup("TYPED");  // names match without regard to case
  char32_t ch = 0;
  int16_t s = 0;
  int32_t l = 0, i = 0;
  uint32_t u = 0;
  std::array<double, 3> v{};
  std::array<int32_t, 3> n{};
  std::filesystem::path path;
  EXPECT_TRUE(p.ReadChar("CHAR", ch) && p.ReadShort("short", s) && p.ReadLong("long", l) &&
              p.ReadInt("int", i) && p.ReadULong("ulong", u) && p.ReadDoubleTriple("vector", v) &&
              p.ReadIntTriple("ints", n) && p.ReadPath("path", path));
  EXPECT_EQ(ch, U'ß');
  EXPECT_EQ(s, -32768);
  EXPECT_EQ(l, INT32_MIN);
  EXPECT_EQ(i, 123);
  EXPECT_EQ(u, 4294967295u);
  EXPECT_EQ(v, (std::array<double, 3>{1.5, -0.25, 1e6}));
  EXPECT_EQ(n, (std::array<int32_t, 3>{-1, 0, 2147483647}));
  EXPECT_EQ(path, std::filesystem::current_path() / "b.tqh");
}

TEST_F(ProfileFileTest, RefusesWhatCannotBeStored) {
  ProfileFile p;
  ASSERT_TRUE(p.Open(ini));
  p.SelectGroup("G");
  for (const char* key : {"", "a=b", "a:b", "[x", ";x", "#x", "a\nb"})
    EXPECT_FALSE(p.WriteText(key, "v")) << key;
  EXPECT_FALSE(p.WriteString("k", "two\nlines"));
  EXPECT_FALSE(p.WriteString("k", "cr\r"));
  EXPECT_FALSE(p.IsModified());
}

// A file that ProfileFile writes reads back identically through Python's configparser.
TEST_F(ProfileFileTest, ConfigparserReadsWhatWeWrite) {
  const std::vector<Group> expected = {
      {"General",
       {{"Char", "Z"},
        {"Short", "-32768"},
        {"Long", "-2147483648"},
        {"ULong", "4294967295"},
        {"FlagOn", "2"},
        {"FlagOff", "1"},
        {"Half", "0.50000"},
        {"Vector", "1.00000,-2.50000,0.00000"},
        {"Ints", "1,-2,3"},
        {"Colour", "65535,0,32768"},
        {"Font", "DejaVu_Sans_Mono 11"},
        {"Special", "100% sure; a=b # not a comment [x]"},
        {"Empty", ""},
        {"Unicode", "Grünfeld – ♔ 日本"}}},
      {"Engines", {{"Path", "/opt/engines/x.eng"}, {"MixedCase", "%(not)s interpolated"}}},
      {"Empty group values", {{"a", ""}, {"b", ""}}},
  };
  {
    ProfileFile p;
    ASSERT_TRUE(p.Open(ini));
    p.SelectGroup("General");
    p.WriteChar("Char", U'Z');
    p.WriteShort("Short", -32768);
    p.WriteLong("Long", INT32_MIN);
    p.WriteULong("ULong", 4294967295u);
    p.WriteFlag("FlagOn", true);
    p.WriteFlag("FlagOff", false);
    p.WriteDouble("Half", 0.5);
    p.WriteDoubleTriple("Vector", {1, -2.5, 0});
    p.WriteIntTriple("Ints", {1, -2, 3});
    p.WriteColor("Colour", {65535, 0, 32768});
    p.WriteFont("Font", {"DejaVu Sans Mono", 0, 11});
    p.WriteString("Special", "100% sure; a=b # not a comment [x]");
    p.WriteString("Empty", "");
    p.WriteString("Unicode", "Grünfeld – ♔ 日本");
    p.SelectGroup("Engines");
    p.WritePath("Path", "/opt/engines/./x.eng");
    p.WriteString("MixedCase", "%(not)s interpolated");
    p.SelectGroup("Empty group values");
    p.WriteString("a", "");
    p.WriteString("b", "");
  }
  WriteExpectation(dir / "expect.txt", expected);
  std::string output;
  EXPECT_EQ(test::RunPythonScript("configparser_check.py",
                                  {"check", ini.string(), (dir / "expect.txt").string()}, &output),
            0)
      << output << ReadAll(ini);
}

// A file that configparser writes (blanks around '=', comments) reads back identically,
// and our rewrite keeps its comments and the keys we do not touch.
TEST_F(ProfileFileTest, ReadsAndRewritesConfigparserFiles) {
  std::vector<Group> groups = {
      {"Board", {{"Colour", "200,100,50"}, {"Unknown", "kept as it is"}, {"Text", "a = b ; c"}}},
      {"Player", {{"Name", "Grünfeld"}, {"Empty", ""}, {"Rate", "0.50000"}}},
  };
  WriteExpectation(dir / "expect.txt", groups);
  ASSERT_EQ(test::RunPythonScript("configparser_check.py",
                                  {"write", ini.string(), (dir / "expect.txt").string()}),
            0);
  {
    ProfileFile p;
    ASSERT_TRUE(p.Open(ini));
    for (const auto& [group, keys] : groups) {
      p.SelectGroup(group);
      std::vector<std::string> names;
      for (const auto& [key, value] : keys) {
        EXPECT_EQ(p.ReadText(key).value_or("<missing>"), value) << key;
        names.push_back(key);
      }
      EXPECT_EQ(p.KeyNames(), names);
    }
    p.SelectGroup("board");
    p.WriteColor("colour", {1, 2, 3});
    p.SelectGroup("Player");
    p.WriteString("Added", "new");
    p.SelectGroup("New group");
    p.WriteLong("n", 5);
  }
  const std::string text = ReadAll(ini);
  EXPECT_NE(text.find("# written by configparser\n"), std::string::npos) << text;
  EXPECT_NE(text.find("; comment of Board\n"), std::string::npos) << text;
  EXPECT_NE(text.find("; comment of Player\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Unknown = kept as it is\n"), std::string::npos) << text;

  groups[0].second[0].second = "1,2,3";
  groups[1].second.emplace_back("Added", "new");
  groups.push_back({"New group", {{"n", "5"}}});
  WriteExpectation(dir / "expect2.txt", groups);
  std::string output;
  EXPECT_EQ(test::RunPythonScript("configparser_check.py",
                                  {"check", ini.string(), (dir / "expect2.txt").string()}, &output),
            0)
      << output << text;
}

TEST_F(ProfileFileTest, DeletesGroupsAndKeys) {
  WriteAll(ini, "top=1\n[A]\nx=1\n; about B\n[B]\ny=2\nz=3\n[C]\nw=4\n");
  ProfileFile p;
  ASSERT_TRUE(p.Open(ini));
  EXPECT_TRUE(p.DeleteGroup("b"));
  EXPECT_FALSE(p.DeleteGroup("B"));
  p.SelectGroup("C");
  EXPECT_TRUE(p.DeleteKey("W"));
  EXPECT_FALSE(p.DeleteKey("w"));
  p.WriteLong("v", 9);
  p.SelectGroup("");
  EXPECT_EQ(p.ReadText("top"), "1");
  EXPECT_EQ(p.GroupNames(), (std::vector<std::string>{"A", "C"}));
  ASSERT_TRUE(p.Flush());
  EXPECT_EQ(ReadAll(ini), "top=1\n[A]\nx=1\n; about B\n[C]\nv=9\n");
}

TEST_F(ProfileFileTest, WritesBackOnlyAfterChange) {
  const std::string original = "[A]\r\n  key  =  value  \r\n";
  WriteAll(ini, original);
  struct stat before{}, after{};
  ASSERT_EQ(stat(ini.c_str(), &before), 0);
  {
    ProfileFile p;
    ASSERT_TRUE(p.Open(ini));
    p.SelectGroup("A");
    EXPECT_EQ(p.ReadText("key"), "value");
    EXPECT_TRUE(p.WriteText("KEY", "value"));  // the same value: no change
    EXPECT_FALSE(p.IsModified());
  }
  ASSERT_EQ(stat(ini.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(ReadAll(ini), original);
}

TEST_F(ProfileFileTest, FailedWriteIsLoggedAndKeepsOldFile) {
  test::RecordingServices rec;
  // The temporary name beside this file exceeds the longest file name.
  const std::filesystem::path longName = dir / std::string(250, 'n');
  WriteAll(longName, "[A]\nx=1\n");
  {
    ProfileFile p;
    ASSERT_TRUE(p.Open(longName));
    p.SelectGroup("A");
    p.WriteLong("x", 2);
    EXPECT_FALSE(p.Flush());
  }
  EXPECT_EQ(ReadAll(longName), "[A]\nx=1\n");
  EXPECT_EQ(rec.CallsStartingWith("Log: Cannot write the settings file").size(), 2u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST_F(ProfileFileTest, OpenDefaultUsesConfigHome) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string savedValue = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
  {
    ProfileFile p;
    ASSERT_TRUE(p.OpenDefault());
    EXPECT_EQ(p.Path(), dir / "zelkohome/Z5.ini");
    p.SelectGroup("G");
    p.WriteLong("k", 1);
  }
  EXPECT_EQ(ReadAll(dir / "zelkohome/Z5.ini"), "[G]\nk=1\n");
  if (saved) setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace zh
