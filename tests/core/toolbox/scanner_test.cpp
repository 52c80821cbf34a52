#include "core/toolbox/scanner.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/toolbox/labeled_items.h"

namespace zh {
namespace {

using Tokens = std::vector<std::pair<int32_t, std::string>>;

struct Keyword {
  std::string name;
  int32_t id;
};

struct ScanCase {
  std::string text;
  Tokens tokens;  // without the final end token
  std::vector<Keyword> keywords = {};
  bool upperCase = false;
  char quote = '\'';
};

Tokens ScanAll(SymbolScanner& scanner) {
  Tokens tokens;
  std::string token;
  for (int32_t kind; (kind = scanner.NextToken(token)) != kTokenEnd;) tokens.emplace_back(kind, token);
  return tokens;
}

class ScannerCases : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScannerCases, YieldsTokens) {
  const ScanCase& c = GetParam();
  SymbolScanner scanner(c.text, 10, c.upperCase);
  scanner.SetQuoteChar(c.quote);
  for (const auto& k : c.keywords) ASSERT_TRUE(scanner.AddKeyword(k.name, k.id));
  EXPECT_EQ(ScanAll(scanner), c.tokens) << c.text;
  std::string token;
  EXPECT_EQ(scanner.NextToken(token), kTokenEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScannerCases,
    ::testing::Values(
        ScanCase{"abc 12 3.5 1e-3 'it\\'s'",
                 {{8, "abc"}, {1, "12"}, {2, "3.5"}, {2, "1e-3"}, {7, "it\\'s"}}},
        ScanCase{"1..2", {{1, "1"}, {9, "."}, {9, "."}, {1, "2"}}},
        ScanCase{"1..2", {{1, "1"}, {50, ".."}, {1, "2"}}, {{"..", 50}}},
        ScanCase{"x /* comment */ y /* never closed", {{8, "x"}, {8, "y"}}},
        ScanCase{"'never closed", {}},
        ScanCase{"a\x01", {{8, "a"}, {-9, "\x01"}}},
        ScanCase{"_x1 5s 2end 7.", {{8, "_x1"}, {1, "5"}, {8, "s"}, {1, "2"}, {8, "end"}, {2, "7."}}},
        // Multi-character operators grow while a keyword begins with the text.
        ScanCase{"<=> <=x <", {{31, "<=>"}, {30, "<="}, {8, "x"}, {9, "<"}},
                 {{"<=", 30}, {"<=>", 31}}},
        ScanCase{"begin Other", {{20, "BEGIN"}, {8, "OTHER"}}, {{"BEGIN", 20}}, true},
        ScanCase{"begin", {{8, "begin"}}, {{"BEGIN", 20}}, false},
        ScanCase{"\"a 'b'\" x", {{7, "a 'b'"}, {8, "x"}}, {}, false, '"'},
        // UTF-8: one character per sequence; inverted marks are operators.
        ScanCase{"más¿ ¡Grünfeld", {{8, "más"}, {9, "¿"}, {9, "¡"}, {8, "Grünfeld"}}},
        ScanCase{"\xff\xfe ok", {{8, "\xff\xfe"}, {8, "ok"}}}));

TEST(Scanner, CharacterClasses) {
  EXPECT_TRUE(IsLetterChar(U'é'));
  EXPECT_FALSE(IsLetterChar(0xA1));
  EXPECT_FALSE(IsLetterChar(0xBF));
  EXPECT_TRUE(IsDelimiterChar('_'));
  EXPECT_FALSE(IsDelimiterChar('a'));
  EXPECT_TRUE(IsBlankChar('\v'));
  EXPECT_FALSE(IsPrintableChar('\x1f'));
}

TEST(Scanner, ScansPastSixtyFourKilobytes) {
  std::string text;
  while (text.size() < 100000) text += "word12 34 ";
  text += "'last'";
  SymbolScanner scanner(text, 1, false);
  std::string token, last;
  size_t count = 0;
  for (int32_t kind; (kind = scanner.NextToken(token)) != kTokenEnd; ++count) last = token;
  EXPECT_EQ(last, "last");
  EXPECT_EQ(count, (text.size() - 6) / 10 * 2 + 1);
  EXPECT_EQ(scanner.Position(), text.size());
}

TEST(Scanner, RememberedPositionsAndLines) {
  SymbolScanner scanner("a\nb\nc d e f g", 1, false);
  std::string token;
  scanner.NextToken(token);
  scanner.PushPosition();
  scanner.NextToken(token);
  EXPECT_EQ(token, "b");
  EXPECT_EQ(scanner.LineNumber(), 1u);
  ASSERT_TRUE(scanner.PopPosition());
  scanner.NextToken(token);
  EXPECT_EQ(token, "b");
  EXPECT_FALSE(scanner.PopPosition());

  // Only the last four positions are kept.
  for (int i = 0; i < 5; ++i) {
    scanner.PushPosition();
    scanner.NextToken(token);
  }
  int pops = 0;
  while (scanner.PopPosition()) ++pops;
  EXPECT_EQ(pops, 4);
  scanner.NextToken(token);
  EXPECT_EQ(token, "d");

  scanner.SetText("z");
  EXPECT_EQ(scanner.NextToken(token), kTokenIdentifier);
  EXPECT_EQ(token, "z");
}

TEST(LabeledItems, KeepsNameOrderAndCapacity) {
  LabeledItemContainer items(2);
  EXPECT_TRUE(items.Insert(std::make_unique<SymbolItem>("b", 2)));
  EXPECT_TRUE(items.Insert(std::make_unique<SymbolItem>("a", 1)));
  EXPECT_FALSE(items.Insert(std::make_unique<SymbolItem>("c", 3)));
  EXPECT_EQ(items.GetStatus(), LabeledItemContainer::kFull);
  EXPECT_EQ(items.ItemAt(0)->Name(), "a");
  EXPECT_EQ(items.ItemAt(2), nullptr);
  EXPECT_NE(items.Find("b"), nullptr);
  EXPECT_EQ(items.Find("ab"), nullptr);
  EXPECT_FALSE(items.HasPrefix(""));
  EXPECT_FALSE(items.HasPrefix("c"));

  LabeledItemContainer none(0);
  EXPECT_EQ(none.GetStatus(), LabeledItemContainer::kZeroCapacity);
  EXPECT_FALSE(none.Insert(std::make_unique<SymbolItem>("a", 1)));
}

}  // namespace
}  // namespace zh
