#include "coach/chat_scripts.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "app/message_reader.h"
#include "coach/chat_events.h"
#include "coach/eco_list.h"
#include "coach/talk_item.h"
#include "support/recording_services.h"
#include "core/temp_dir.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

// Every event the talk script speaks: the talking rows of the event family and event 0.
constexpr int32_t kTalkEvents[] = {
    0,  33, 34, 35, 36, 37, 39, 40, 41, 42, 43, 44, 45, 47, 48, 49, 50, 51, 52, 53, 54,
    55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75,
    76, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96,
    97, 98, 99, 100, 101, 102, 103, 104, 107, 108, 109, 110, 111, 112, 113, 114, 117,
    118, 119, 123};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

MessageSymbolTable Symbols() {
  return MessageSymbolTable::FromText("enum { EV_ZERO, EV_ONE, EV_TWO, EV_THREE };");
}

// A holder with the four test symbols, and the error boxes and beeps recorded.
struct Fixture {
  test::RecordingServices services;
  ChatSymbolsHolder shared;
  Fixture() { shared.SetSymbols(Symbols()); }
  std::vector<std::string> Boxes() const { return services.CallsStartingWith("ErrorBox"); }
};

// The random source gives the numbers of a list in turn.
class ListRandom final : public RandomService {
 public:
  explicit ListRandom(std::vector<uint32_t> values) : values_(std::move(values)) {}
  uint32_t Next() override { return values_[next_++ % values_.size()]; }

 private:
  std::vector<uint32_t> values_;
  size_t next_ = 0;
};

TEST(ChatScramble, TwiceRestoresAndThePiecesRunOnAsOneKey) {
  std::mt19937 random(7);
  std::string bytes(40000, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  std::string twice = bytes;
  Descramble(twice);
  EXPECT_NE(twice, bytes);
  Descramble(twice);
  EXPECT_EQ(twice, bytes);
  // Piece by piece of 32,760 bytes (a multiple of the key's 35), each from key position 0.
  ASSERT_EQ(32760 % kScriptKey.size(), 0u);
  std::string pieces = bytes, first = bytes.substr(0, 32760), rest = bytes.substr(32760);
  Descramble(first);
  Descramble(rest);
  Descramble(pieces);
  EXPECT_EQ(pieces, first + rest);
}

TEST(ChatScramble, TheBuiltScriptsDescrambleToTheirSources) {
  for (const char* language : {"English", "Deutsch", "Slovenia"})
    for (const char* script : {"general", "coach", "game", "analysis"}) {
      SCOPED_TRACE(std::string(language) + "/" + script);
      const FileText built =
          ReadMessageFileText(std::string(ZH_DATA_DIR) + "/Chatter/" + language + "/" + script + ".cht", true);
      ASSERT_TRUE(built.ok());
      EXPECT_EQ(built.bytes, ReadAll(fs::path(ZH_SOURCE_DIR) / "data/src/chat/English" /
                                     (std::string(script) + ".cht.txt")));
    }
}

TEST(ChatParser, HeaderEntriesEmptyEntriesAndDuplicates) {
  Fixture f;
  ChatParser parser(f.shared);
  parser.Parse("AUTHOR = \"Ann\"; EV_ONE { \"a\"; \"b\"; } EV_TWO { } EV_ONE { \"later\"; } EV_THREE { \"c\"; }",
               "x.cht");
  EXPECT_EQ(parser.Author(), "Ann");
  ASSERT_EQ(parser.Entries().size(), 3u);  // the empty EV_TWO is dropped
  EXPECT_EQ(parser.Entries()[0]->Texts().size(), 2u);
  EXPECT_TRUE(f.Boxes().empty());

  std::string out;
  for (int i = 0; i < 10; ++i) {
    parser.PickText(1, out);
    EXPECT_TRUE(out == "a" || out == "b") << out;  // never the second EV_ONE
  }
  parser.PickText(2, out);
  EXPECT_EQ(out, "NOTEXT: 2");
  EXPECT_EQ(f.services.CallsStartingWith("Beep").size(), 1u);

  // Without the header the first token is an entry's symbol.
  ChatParser plain(f.shared);
  plain.Parse("EV_THREE { \"c\"; }", "y.cht");
  EXPECT_EQ(plain.Author(), "");
  ASSERT_EQ(plain.Entries().size(), 1u);
  EXPECT_EQ(plain.Entries()[0]->Code(), 3);
}

TEST(ChatParser, EachFailureIsReportedOnceAndKeepsTheEntriesBeforeIt) {
  struct Case {
    const char* text;
    const char* box;
    size_t kept;
  };
  const Case cases[] = {
      {"AUTHOR EV_ONE { \"a\"; }", "ErrorBox: = expected", 1},
      {"EV_ONE { \"a\"; } EV_NINE { \"b\"; }", "ErrorBox: Unknown symbol: EV_NINE\nf.cht", 1},
      {"EV_ONE { \"a\"; } EV_TWO \"b\";", "ErrorBox: '{' expected\nf.cht", 1},
      {"EV_ONE { \"a\"; } EV_TWO { \"b\" }", "ErrorBox: ';' ...b\nf.cht", 1},
      {"EV_ONE { \"a\"; } EV_TWO { \"b\"; , }", "ErrorBox: } expected\n,\nf.cht", 2},
      {"EV_ONE { \"a\"; } EV_TWO { \"b\"; } 17", "ErrorBox: Identifier expected\nf.cht\n17 2", 2},
      {"\"a\"", "ErrorBox: Identifier expected\nf.cht\na -1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Fixture f;
    ChatParser parser(f.shared);
    parser.Parse(c.text, "f.cht");
    EXPECT_EQ(f.Boxes(), std::vector<std::string>{c.box});
    EXPECT_EQ(parser.Entries().size(), c.kept);
  }
}

TEST(ChatParser, TheFirstLoadOfALoneParserMakesTheSymbolsAndTheLastDropsThem) {
  test::RecordingServices services;
  test::TempDir dir;
  WriteAll(dir / "defs.inc", "enum { EV_ZERO, EV_ONE };");
  std::string script = "EV_ONE { \"hello\"; }";
  Descramble(script);
  WriteAll(dir / "coach.cht", script);
  ChatSymbolsHolder shared;
  {
    ChatParser coach(shared);
    coach.Load((dir / "defs.inc").string(), (dir / "coach.cht").string());
    ASSERT_NE(shared.Symbols(), nullptr);
    ASSERT_EQ(coach.Entries().size(), 1u);
    ChatParser missing(shared);
    missing.Load((dir / "defs.inc").string(), (dir / "none.cht").string());
    EXPECT_EQ(services.CallsStartingWith("ErrorBox"),
              std::vector<std::string>{"ErrorBox: Fatal: " + (dir / "none.cht").string() + " not found"});
  }
  EXPECT_EQ(shared.Symbols(), nullptr);
  EXPECT_EQ(shared.LiveParsers(), 0);

  // A parser that is not alone does not make the table: nothing is parsed.
  ChatParser first(shared), second(shared);
  second.Load((dir / "defs.inc").string(), (dir / "coach.cht").string());
  EXPECT_EQ(shared.Symbols(), nullptr);
  EXPECT_TRUE(second.Entries().empty());
}

TEST(ChatChoice, LeastUsedTimeOfDayAndSaturatedCounts) {
  test::RecordingServices services;
  ListRandom random({2, 0, 1, 1, 2, 0, 0});
  ScopedServices installed(Services{.random = &random});
  ChatEntry entry(1);
  for (const char* t : {"x", "y", "z"}) entry.Add(t);
  std::map<std::string, int> chosen;
  std::string out;
  for (int i = 0; i < 9; ++i) {
    ASSERT_TRUE(entry.Pick(out, true, false));
    ++chosen[out];
  }
  EXPECT_EQ(chosen, (std::map<std::string, int>{{"x", 3}, {"y", 3}, {"z", 3}}));

  // 14:35 local time: (14 + 35) mod 4 = 1 for every choice of that minute.
  std::tm local{};
  local.tm_year = 126, local.tm_mon = 11, local.tm_mday = 11, local.tm_hour = 14, local.tm_min = 35;
  local.tm_isdst = -1;
  services.wallTime = std::mktime(&local);
  ChatEntry four(2);
  for (const char* t : {"a", "b", "c", "d"}) four.Add(t);
  for (int s = 0; s < 60; s += 7) {
    local.tm_sec = s;
    services.wallTime = std::mktime(&local);
    four.Pick(out, false, true);
    EXPECT_EQ(out, "b");
  }

  // Once every count has reached 32,760 the least-used rule falls back to the first.
  ChatEntry worn(3);
  for (const char* t : {"p", "q"}) worn.Add(t);
  for (int i = 0; i < 2 * kChatUseBound; ++i) worn.Pick(out, true, false);
  ASSERT_EQ(worn.Texts()[0].uses, kChatUseBound);
  ASSERT_EQ(worn.Texts()[1].uses, kChatUseBound);
  for (int i = 0; i < 4; ++i) {
    worn.Pick(out, true, false);
    EXPECT_EQ(out, "p");
  }
  ChatEntry none(4);
  out = "kept";
  EXPECT_FALSE(none.Pick(out, true, false));
  EXPECT_EQ(out, "kept");
}

TEST(EcoList, CodeListsRangesAndGroups) {
  struct Case {
    const char* text;
    std::map<int, std::string> files;  // code -> wave name
  };
  const Case cases[] = {
      {"A00 - A03 , B10 { \"Amar\", 5; }", {{0, "5"}, {1, "5"}, {2, "5"}, {3, "5"}, {110, "5"}}},
      {"B10 - B05 { \"x\", 1; }", {}},
      {"B10 - B05 , C00 { \"x\", 1; }", {{110, "1"}, {200, "1"}}},
      {"F00 { \"x\", 1; }", {}},
      {"A00 - A02 { \"x\", 1; } A01 { \"y\", 2; }", {{0, "1"}, {1, "2"}, {2, "1"}}},
      {"a05 { \"x\", 1; } B20 { \"y\" 3; } C30 { \"z\", 4; }", {{5, "1"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    test::RecordingServices services;
    auto list = ECOList::Empty("/talk");
    list->Parse(c.text, "ecosnd.cht");
    std::map<int, std::string> files;
    for (int i = 0; i < ECOList::kCodes; ++i) {
      const std::string file = list->PickFile(i);
      if (!file.empty()) files[i] = file;
    }
    std::map<int, std::string> expected;
    for (const auto& [code, name] : c.files) expected[code] = "/talk/ECO/" + name + ".wav";
    EXPECT_EQ(files, expected);
  }
}

TEST(EcoList, ErrorsEndTheLoadAndOneEntryServesManyCodes) {
  test::RecordingServices services;
  auto list = ECOList::Empty("/talk");
  list->Parse("A00 - E99 { \"all\", 1; \"again\", 2 }", "e.cht");
  EXPECT_EQ(services.CallsStartingWith("ErrorBox"), std::vector<std::string>{"ErrorBox: ';' ...2\ne.cht"});
  EXPECT_EQ(list->At(0), list->At(499));  // one entry, freed once (ASan)
  EXPECT_EQ(list->PickFile(250), "/talk/ECO/1.wav");

  auto braces = ECOList::Empty("/talk");
  braces->Parse("A00 { 7 }", "e.cht");
  braces->Parse("A00 , 17 {", "e.cht");
  // A list that ends at a bad token is still good with the codes read before it: the
  // group that follows then meets the "{".
  const std::vector<std::string> boxes = services.CallsStartingWith("ErrorBox");
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[1], "ErrorBox: } expected\n7\ne.cht");
  EXPECT_EQ(boxes[2], "ErrorBox: Identifier expected in ECOList\n");
  EXPECT_EQ(boxes[3], "ErrorBox: } expected\n{\ne.cht");
}

TEST(EcoList, CodeFromNameAcceptsOnlyALetterAToEAndTwoDigits) {
  const std::pair<const char*, int> cases[] = {
      {"A00", 0}, {"e99", 499}, {"C42", 242}, {"A0Z", -1}, {"@9z", -1},
      {"F00", -1}, {"A1", -1}, {"A100", -1}, {"", -1}, {"a-1", -1}};
  for (const auto& [name, code] : cases) EXPECT_EQ(ECOList::CodeFromName(name), code) << name;
}

TEST(SoundParser, TalkItemsCapacityAndNonIntegerItems) {
  Fixture f;
  SoundParser parser(f.shared, std::string("/talk"));
  std::string many = "EV_TWO { \"long\", 1";
  for (int i = 2; i <= 25; ++i) many += ", " + std::to_string(i);
  parser.Parse("AUTHOR = \"t\"; EV_ONE { \"twelve seven\", 12, 7; } " + many +
                   "; } EV_THREE { \"odd\", 12, abc, 7; }",
               "talk.cht");
  ASSERT_EQ(parser.Entries().size(), 3u);
  EXPECT_EQ(parser.Entries()[0]->Texts()[0].text, "12/7");

  TalkItem item(20, 0);
  ASSERT_TRUE(parser.LookupTalk(1, item));
  ASSERT_EQ(item.Count(), 2);
  EXPECT_EQ(item.At(0), "/talk/Chatter/12.wav");
  EXPECT_EQ(item.At(1), "/talk/Chatter/7.wav");
  ASSERT_TRUE(parser.LookupTalk(2, item));
  EXPECT_EQ(item.Count(), 20);
  EXPECT_EQ(item.At(19), "/talk/Chatter/20.wav");
  ASSERT_TRUE(parser.LookupTalk(3, item));
  EXPECT_EQ(item.Count(), 2);
  EXPECT_FALSE(parser.LookupTalk(0, item));
  EXPECT_EQ(item.Count(), 0);
  EXPECT_TRUE(f.Boxes().empty());

  // Talk-script errors end parsing without a box; "Unknown symbol" is still told.
  SoundParser broken(f.shared, std::string("/talk"));
  broken.Parse("EV_ONE { \"a\", 1; } EV_TWO { \"b\" 2; } EV_THREE { \"c\", 3; }", "talk.cht");
  EXPECT_EQ(broken.Entries().size(), 1u);
  EXPECT_TRUE(f.Boxes().empty());
  broken.Parse("EV_SEVEN { \"a\", 1; }", "talk.cht");
  EXPECT_EQ(f.Boxes(), std::vector<std::string>{"ErrorBox: Unknown symbol: EV_SEVEN\ntalk.cht"});
}

TEST(SoundParser, NameSoundsByExactOrLongestCommonBeginning) {
  Fixture f;
  test::TempDir dir;
  SoundParser parser(f.shared, dir.Path().string());
  parser.ChooseNameSound("Kalinor");
  EXPECT_EQ(parser.NameSound(), "");  // no file: unchanged
  WriteAll(dir / "namesnd.txt",
           "LAST = 2;\n\"Kalinor\" = \"kalinor.wav\";\n\"Kalin\" = \"kalin.wav\";\n\"Bo\" = \"bo.wav\";\n");
  const std::pair<const char*, const char*> cases[] = {
      {"Kalinor", "names/kalinor.wav"}, {"Kalin", "names/kalin.wav"},
      {"Kalix", "names/kalinor.wav"},   // 4 letters shared, more than 5 / 2
      {"Kaxxxx", ""},                   // 2 of 6: not more than half
      {"Zed", ""}};
  for (const auto& [name, sound] : cases) {
    parser.ChooseNameSound(name);
    EXPECT_EQ(parser.NameSound(), sound) << name;
  }
  parser.ChooseNameSound("Kalin");
  fs::remove(dir / "namesnd.txt");
  fs::create_directory(dir / "namesnd.txt");  // unreadable: the choice stays
  parser.ChooseNameSound("Zed");
  EXPECT_EQ(parser.NameSound(), "names/kalin.wav");
  EXPECT_EQ(ChooseNameSoundFromText("\"Kalin\" = \"kalin.wav\";", "Kalin"), "");  // no header
}

TEST(ChatEvents, TheGeneratedNumbersAreThePositionsOfTheSymbolFile) {
  // Numbers that the coach's remark rules name.
  static_assert(ev::EV_NONE == 0);
  static_assert(ev::EV_GAME_FEW_GAMES == 33 && ev::EV_GAME_MANY_GAMES == 35);
  static_assert(ev::EV_GAME_USER_RESIGNS_LATE == 39 && ev::EV_GAME_USER_RESIGNS_EARLY == 40);
  static_assert(ev::EV_GAME_ENGINE_MATES == 76 && ev::EV_GAME_USER_SLOW_DEVELOPMENT == 88);
  static_assert(ev::EV_GREET_FIRST_START == 111 && ev::EV_COACH_SWITCHED_OFF == 123);
  static_assert(ev::EV_GREET_MORNING == 127 && ev::EV_GREET_EVENING == 130);
  static_assert(ev::EV_ANAL_MATE == 163 && ev::EV_ANAL_MATE_IN == 164);
  static_assert(ev::EV_PROGRAM_NAME == 223 && ev::EV_WHITE == 224 && ev::EV_BLACK_FORM3 == 227);
  static_assert(ev::EV_PIECE_KING == 228 && ev::EV_THE_PIECE_KNIGHT == 242);
  static_assert(ev::EV_THE_PIECE_FORM3_KNIGHT == 248 && ev::EV_BLACK_PIECE_ROOK == 286);
  static_assert(ev::EV_PIECE_MOVE_PAWN == 305 && ev::kEventCount >= 306);

  test::RecordingServices services;
  const MessageSymbolTable file(std::string(ZH_SOURCE_DIR) + "/data/Chatter/ChatDefs.inc");
  ASSERT_EQ(file.GetStatus(), MessageSymbolTable::kLoaded);
  EXPECT_EQ(static_cast<int32_t>(file.Count()), ev::kEventCount);
  const std::pair<const char*, int32_t> anchors[] = {
      {"EV_NONE", ev::EV_NONE}, {"EV_GREET_MORNING", ev::EV_GREET_MORNING},
      {"EV_PROGRAM_NAME", ev::EV_PROGRAM_NAME}, {"EV_PIECE_KING", ev::EV_PIECE_KING},
      {"EV_BLACK_PIECE_ROOK", ev::EV_BLACK_PIECE_ROOK}, {"EV_PIECE_MOVE_PAWN", ev::EV_PIECE_MOVE_PAWN}};
  for (const auto& [name, number] : anchors) EXPECT_EQ(file.IndexOf(name), number) << name;
  EXPECT_TRUE(services.calls.empty());
}

TEST(ChatData, TheBuiltTalkAndOpeningScriptsCoverEveryEventAndCode) {
  test::RecordingServices services;
  const std::string data = ZH_DATA_DIR;
  ChatSymbolsHolder shared;
  SoundParser talk(shared, data + "/Chatter/ChatDefs.inc", data + "/talk.cht");
  ASSERT_NE(shared.Symbols(), nullptr);
  TalkItem item(20, 0);
  for (int32_t event : kTalkEvents) {
    SCOPED_TRACE(event);
    ASSERT_TRUE(talk.LookupTalk(event, item));
    ASSERT_GT(item.Count(), 0);
    if (ZH_HAVE_SPOKEN_NOTATION) {
      for (int i = 0; i < item.Count(); ++i) EXPECT_TRUE(fs::is_regular_file(item.At(i))) << item.At(i);
    }
  }
  ECOList openings(data + "/ecosnd.cht");
  for (int code = 0; code < ECOList::kCodes; ++code) {
    const std::string file = openings.PickFile(code);
    ASSERT_FALSE(file.empty()) << code;
    if (ZH_HAVE_SPOKEN_NOTATION) {
      EXPECT_TRUE(fs::is_regular_file(file)) << file;
    }
  }
  talk.ChooseNameSound("Sophie");
  EXPECT_EQ(talk.NameSound(), "names/sophie.wav");
  if (ZH_HAVE_SPOKEN_NOTATION) {
    EXPECT_TRUE(fs::is_regular_file(fs::path(data) / talk.NameSound()));
  }
  EXPECT_TRUE(services.CallsStartingWith("ErrorBox").empty());
}

}  // namespace
}  // namespace zh
