#include "core/toolbox/text_parse.h"

#include <gtest/gtest.h>

#include <vector>

namespace zh {
namespace {

TEST(TextParse, NumberLists) {
  int32_t longs[3] = {9, 9, 9};
  EXPECT_EQ(ParseLongList("5 -3 7", longs, 2), 2u);
  EXPECT_EQ(longs[0], 5);
  EXPECT_EQ(longs[1], -3);
  EXPECT_EQ(longs[2], 9);
  EXPECT_EQ(ParseLongList("x, 4", longs, 3), 1u);
  EXPECT_EQ(std::vector<int32_t>(longs, longs + 3), (std::vector<int32_t>{4, 0, 0}));
  EXPECT_EQ(ParseLongList("99999999999", longs, 1), 1u);
  EXPECT_EQ(longs[0], INT32_MAX);

  double doubles[4];
  EXPECT_EQ(ParseDoubleList("1.5, -2, x 3e2", doubles, 4), 3u);
  EXPECT_EQ(std::vector<double>(doubles, doubles + 4), (std::vector<double>{1.5, -2, 300, 0}));
}

TEST(TextParse, NamedInt) {
  std::string name;
  int32_t value = 0;
  EXPECT_TRUE(ParseNamedInt("Hash -12", name, value));
  EXPECT_EQ(name, "Hash");
  EXPECT_EQ(value, -12);
  EXPECT_FALSE(ParseNamedInt("12 Hash", name, value));
  EXPECT_FALSE(ParseNamedInt("Hash x", name, value));
}

TEST(TextParse, WholeWordsAndStripping) {
  struct Case {
    std::string text, word;
    std::ptrdiff_t at;
  };
  for (const Case& c : {Case{"the cat sat", "cat", 4}, Case{"concat cat", "cat", 7},
                        Case{"cats", "cat", -1}, Case{"cat,dog", "cat", 0},
                        Case{"(cat)", "cat", 1}, Case{"x", "", -1}, Case{"écat", "cat", -1}})
    EXPECT_EQ(FindWholeWord(c.text, c.word), c.at) << c.text;

  EXPECT_EQ(StripAfterLast("path\\file", '\\'), "path");
  EXPECT_EQ(StripAfterLast("a/b/c", '/'), "a/b");
  EXPECT_EQ(StripAfterLast("\\file", '\\'), "");
  EXPECT_EQ(StripAfterLast("path\\", '\\'), "path\\");
  EXPECT_EQ(StripAfterLast("file", '\\'), "file");
}

}  // namespace
}  // namespace zh
