#include "database/storage/shared_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace zh {
namespace {

TEST(SharedIoBuffers, LastReleaseFreesBothBuffers) {
  SharedIoBuffers& b = SharedIoBuffers::Instance();
  b.Clear();
  b.Acquire();
  b.Acquire();
  ASSERT_NE(b.First(), nullptr);
  ASSERT_NE(b.Second(), nullptr);
  b.First()[SharedIoBuffers::kSize - 1] = 1;  // the whole size is there
  b.Release();
  EXPECT_NE(b.First(), nullptr);
  b.Release();
  EXPECT_EQ(b.First(), nullptr);
  EXPECT_EQ(b.Second(), nullptr);
  b.Release();  // one release too many changes nothing
  EXPECT_EQ(b.Users(), 0);
}

TEST(NationCodes, IndexesAndTable) {
  EXPECT_EQ(NationIndex("GER"), 53);
  EXPECT_EQ(NationIndex("AFG"), 1);
  EXPECT_EQ(NationIndex("ZAR"), 193);
  EXPECT_EQ(NationIndex("   "), 0);
  EXPECT_EQ(NationIndex("XYZ"), 0);
  EXPECT_EQ(NationIndex("GERM"), 0);
  EXPECT_EQ(NationIndex(std::string("GER\0x", 5)), 53);  // compared up to the NUL
  std::set<std::string> codes;
  for (int i = 1; i < kNationCount; ++i) codes.insert(kNationCodes[i]);
  EXPECT_EQ(codes.size(), 193u);
}

TEST(LanguageLetters, BothDirections) {
  EXPECT_EQ(LanguageFromLetter('F'), 4);
  EXPECT_EQ(LanguageFromLetter('*'), 0);
  EXPECT_EQ(LanguageFromLetter('x'), 7);
  EXPECT_EQ(LetterOfLanguage(6), 'u');
  EXPECT_EQ(LetterOfLanguage(7), '\0');
  EXPECT_EQ(LetterOfLanguage(9), '\0');
}

}  // namespace
}  // namespace zh
