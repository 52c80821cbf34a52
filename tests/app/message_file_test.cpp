#include "app/message_file.h"

#include <gtest/gtest.h>

#include "app/message_ids.h"
#include "app/message_reader.h"
#include "support/recording_services.h"
#include "temp_folder.h"

namespace zh {
namespace {

const MessageSymbolTable kAbc = MessageSymbolTable::FromText("enum { A, B, C };");

TEST(MessageSymbolTable, PositionsAreIdsAndErrorsKeepWhatWasRead) {
  test::RecordingServices rec;
  EXPECT_EQ(kAbc.Count(), 3u);
  EXPECT_EQ(kAbc.IndexOf("C"), 2);
  EXPECT_EQ(kAbc.IndexOf("c"), MessageSymbolTable::kAbsent);

  struct Case {
    const char* text;
    size_t count;
    const char* box;  // nullptr: no box
  };
  const Case cases[] = {
      {"/* names */ enum { X, Y } ; junk", 2, nullptr},
      {"enum { X, Y, }", 2, "ErrorBox: Identifier expected: }"},
      {"list { X }", 0, "ErrorBox: 'enum' expected"},
      {"enum X, Y", 0, "ErrorBox: '{' expected"},
      {"", 0, "ErrorBox: 'enum' expected"},
  };
  for (const Case& c : cases) {
    rec.calls.clear();
    MessageSymbolTable t = MessageSymbolTable::FromText(c.text);
    EXPECT_EQ(t.Count(), c.count) << c.text;
    if (c.box)
      EXPECT_EQ(rec.calls, std::vector<std::string>{c.box}) << c.text;
    else
      EXPECT_TRUE(rec.calls.empty()) << c.text;
  }
}

TEST(MessageFile, EntriesByIdAndGrammarErrors) {
  test::RecordingServices rec;
  struct Case {
    const char* text;
    std::vector<std::pair<int, const char*>> texts;  // id, expected text
    const char* box;
  };
  const Case cases[] = {
      {"B, \"bee\";\nA, \"ay\";", {{1, "bee"}, {0, "ay"}, {2, "NOTEXT"}}, nullptr},
      {"A, \"first\"; A, \"second\";", {{0, "first"}}, nullptr},
      {"A, \"ay\"\nB, \"bee\";", {{0, "ay"}, {1, "NOTEXT"}}, "ErrorBox: ; expected:\nA"},
      {"A \"ay\";", {{0, "NOTEXT"}}, "ErrorBox: No comma:\nA"},
      {"A, B;", {{0, "NOTEXT"}}, "ErrorBox: Text expected:\nA"},
      {"A, \"ay\"; D, \"dee\";", {{0, "ay"}}, "ErrorBox: Unknown message symbol\nD"},
      {"\"ay\";", {}, "ErrorBox: Msg: Identifier expected\nay"},
      {"C, \"two\nlines\";", {{2, "two\nlines"}}, nullptr},
      {"", {{0, "NOTEXT"}}, nullptr},
  };
  for (const Case& c : cases) {
    rec.calls.clear();
    MessageFile file(kAbc, c.text);
    for (auto [id, text] : c.texts) EXPECT_EQ(file.GetText(id), text) << c.text;
    if (c.box)
      EXPECT_EQ(rec.calls, std::vector<std::string>{c.box}) << c.text;
    else
      EXPECT_TRUE(rec.calls.empty()) << c.text;
  }
}

TEST(MessageFile, TextPositionsBeyondSixteenBits) {
  test::RecordingServices rec;
  std::string big(70000, 'x');
  std::string text = "A, \"" + big + "\"; B, \"after\";";
  MessageFile file(kAbc, text);
  EXPECT_EQ(file.GetText(0).size(), big.size());
  EXPECT_EQ(file.GetText(1), "after");
  EXPECT_TRUE(rec.calls.empty());
}

TEST(MessageFile, MissingFilesAreReportedWithTheirPaths) {
  test::RecordingServices rec;
  test::TempFolder t;
  std::string inc = t.Write("messages.inc", "enum { A }");
  MessageFile noSymbols(t / "none.inc", t / "general.fms");
  EXPECT_EQ(noSymbols.GetStatus(), MessageFile::kSymbolFileUnusable);
  MessageFile noTexts(inc, t / "general.fms");
  EXPECT_EQ(noTexts.GetStatus(), MessageFile::kNotFound);
  EXPECT_EQ(noTexts.GetText(0), "NOTEXT");
  std::string big = t.Write("big.fms", std::string(kMaxMessageFileBytes + 1, ' '));
  MessageFile tooLarge(inc, big);
  EXPECT_EQ(tooLarge.GetStatus(), MessageFile::kNotFound);
  OpeningNames noOpenings(t / "openings.fms");
  EXPECT_EQ(noOpenings.GetName(0x80), "NOECO");
  EXPECT_EQ(rec.calls, (std::vector<std::string>{
                           "ErrorBox: Cannot find " + t / "none.inc",
                           "ErrorBox: Fatal: " + t / "general.fms" + " not found",
                           "ErrorBox: Fatal: " + big + " is too large",
                           "ErrorBox: Fatal: " + t / "openings.fms" + " not found",
                       }));
}

TEST(OpeningNames, StopsAfter501TextsAndReportsAShortFile) {
  test::RecordingServices rec;
  std::string text;
  for (int i = 0; i < 503; ++i) text += "\"n" + std::to_string(i) + "\" ";
  OpeningNames full = OpeningNames::FromText(text);
  EXPECT_EQ(full.Count(), 501u);
  EXPECT_EQ(full.GetName(0x0080), "n1");
  EXPECT_EQ(full.GetName(500 << 7), "n500");
  EXPECT_EQ(full.GetName(0x007F), "n0");
  EXPECT_EQ(full.GetName(501 << 7), "NOECO");
  EXPECT_TRUE(rec.calls.empty());

  OpeningNames shortList = OpeningNames::FromText("\"a\" \"b\" ;");
  EXPECT_EQ(shortList.Count(), 2u);
  EXPECT_EQ(rec.calls, std::vector<std::string>{"ErrorBox: Text expected:\n;"});
}

TEST(GetMessageTextVariants, CapitalisedAndPlainVariants) {
  test::RecordingServices rec;
  rec.texts = {{1, "¿qué?"}, {2, "1234"}, {3, "~white"}};
  EXPECT_EQ(GetMessageTextCapitalized(1), "¿Qué?");
  EXPECT_EQ(GetMessageTextCapitalized(2), "1234");
  EXPECT_EQ(GetMessageTextPlain(3, TextCase::Keep), "white");
  EXPECT_EQ(GetMessageTextPlainCapitalized(3), "White");
  EXPECT_EQ(GetOpeningName(0x80), "NOECO");  // no opening names installed
}

}  // namespace
}  // namespace zh
