// Character formats: presence bits, comparison, merging, the tagged stored form, and
// the shared format table.
#include <gtest/gtest.h>

#include <string>

#include "text/buffer.h"
#include "text/char_format.h"
#include "text/format_table.h"
#include "text_test_support.h"

namespace zh {
namespace {

using text_test::Hex;

CCharFormat Bold(uint8_t value) {
  CCharFormat f;
  f.SetBold(value);
  return f;
}

TEST(CharFormat, EqualityComparesPresentFieldsOnly) {
  EXPECT_TRUE(Bold(2).Equals(Bold(1)));
  EXPECT_FALSE(Bold(0).Equals(Bold(1)));
  CCharFormat withItalic = Bold(1);
  withItalic.SetItalic(0);
  EXPECT_FALSE(withItalic.Equals(Bold(1)));  // same values, another presence mask
  CCharFormat a = Bold(1), b = Bold(1);
  a.height = 10;  // not present: does not count
  EXPECT_TRUE(a.Equals(b));
  a.SetName("Arial"), b.SetName("arial");
  EXPECT_FALSE(a.Equals(b));
  a.SetName("arial"), a.SetTabs({10, 20}), b.SetTabs({10, 21});
  EXPECT_FALSE(a.Equals(b));
}

TEST(CharFormat, MergeTakesPresentFieldsAndCopiesCarryOnlyThem) {
  CCharFormat target("Arial", 0, 18, 0, 0, 0, kAlignLeft, 0);
  CCharFormat change;
  change.SetBold(1);
  change.SetTabs({40});
  change.height = 99;  // absent
  target.ApplyFrom(change);
  EXPECT_EQ(target.flags, unsigned{kCompleteFormat});
  EXPECT_EQ(target.bold, 1);
  EXPECT_EQ(target.height, 18);
  EXPECT_EQ(target.tabs, std::vector<int16_t>{40});

  CCharFormat partial;
  partial.SetSize(3, 44);
  partial.bold = 1;  // absent
  const CCharFormat copy(partial);
  EXPECT_EQ(copy.flags, unsigned{kSize});
  EXPECT_EQ(copy.height, 44);
  EXPECT_EQ(copy.bold, 0);
  CCharFormat assigned;
  assigned = partial;
  EXPECT_EQ(assigned.bold, 1);
}

TEST(CharFormat, FontDescriptionNamesTheShellColour) {
  CCharFormat f("Arial", 2, 18, 3, 1, 0, kAlignLeft, 0);
  f.SetColour(4);
  const FontDescription font = f.ToFontDescription();
  EXPECT_EQ(font.name, "Arial");
  EXPECT_EQ(font.height, 18);
  EXPECT_TRUE(font.bold);
  EXPECT_EQ(font.italic, 1);
  EXPECT_EQ(font.colourIndex, 4);
  f.SetColour(8);
  EXPECT_EQ(f.ToFontDescription().colourIndex, -1);
}

TEST(CharFormat, StoredFormLaysOutTaggedFields) {
  CCharFormat f;
  f.SetName("Ab");
  f.SetSize(0, 18);
  f.SetUnderline(1);
  f.SetColour(-2);
  f.SetTabs({100, 200});
  const std::string bytes = text_test::Written([&](CBuffer& b) { f.Write(b); });
  EXPECT_EQ(bytes, Hex("05 00"
                       "| 00 00 04 00 02 00 41 62"
                       "| 04 00 04 00 00 00 12 00"
                       "| 03 00 01 00 01"
                       "| 07 00 02 00 FE FF"
                       "| 00 01 06 00 02 00 64 00 C8 00"));
  EXPECT_EQ(bytes.size(), f.StoreSize());
  CBuffer in(bytes);
  CCharFormat read(true);
  read.Read(in);
  EXPECT_FALSE(in.Failed());
  EXPECT_TRUE(read.Equals(f));
  EXPECT_EQ(read.colour, -2);
}

TEST(CharFormat, ReadingStartsEmptyAndSkipsUnknownTags) {
  struct Case {
    const char* hex;
    uint32_t flags;
  };
  const Case cases[] = {
      {"01 00 | 04 00 04 00 05 00 1E 00", kSize},
      {"02 00 | 63 00 03 00 AA BB CC | 01 00 01 00 01", kBold},
      {"00 00", 0},
      {"01 00 | 01 00 03 00 01 FF FF", kBold},  // a longer field is read past
  };
  for (const Case& c : cases) {
    const std::string inBytes = Hex(c.hex);
    CBuffer in(inBytes);
    CCharFormat f(true);
    f.Read(in);
    EXPECT_FALSE(in.Failed()) << c.hex;
    EXPECT_EQ(f.flags, c.flags) << c.hex;
    EXPECT_EQ(f.name, "Times New Roman");
    EXPECT_EQ(in.Remaining(), 0u) << c.hex;
  }
  const std::string sizeBytes = Hex(cases[0].hex);
  CBuffer size(sizeBytes);
  CCharFormat f;
  f.Read(size);
  EXPECT_EQ(f.width, 5);
  EXPECT_EQ(f.height, 30);
}

TEST(CharFormat, DamagedFieldsFailTheBuffer) {
  const char* damaged[] = {
      "02 00 | 01 00 01 00 01",                // fewer fields than counted
      "01 00 | 63 00 09 00 AA",                // an unknown field longer than the bytes
      "01 00 | 00 00 04 00 05 00 41 42 43",     // a name longer than its field
      "01 00 | 00 01 04 00 05 00 01 00",        // more tab stops than the field holds
      "01 00 | 00 01 02 00 FF FF",              // a negative tab count
      "01 00 | 04 00 02 00 05 00",              // a size in a two-byte field
  };
  for (const char* hex : damaged) {
    const std::string inBytes = Hex(hex);
    CBuffer in(inBytes);
    CCharFormat f;
    f.Read(in);
    EXPECT_TRUE(in.Failed()) << hex;
  }
}

TEST(CharFormat, LongStoredNamesKeepTheir127FirstCharacters) {
  const std::string name(300, 'n');
  std::string bytes = Hex("02 00 | 00 00 2E 01 2C 01") + name + Hex("01 00 01 00 01");
  CBuffer in(bytes);
  CCharFormat f;
  f.Read(in);
  EXPECT_FALSE(in.Failed());
  EXPECT_EQ(f.name, std::string(127, 'n'));
  EXPECT_EQ(f.flags, unsigned{kFontName | kBold});
  EXPECT_EQ(f.bold, 1);
}

TEST(FormatTable, InternSharesEqualFormatsAndGrowsBySixteen) {
  CFormatTable table(16);
  for (int i = 0; i < 16; ++i) {
    CCharFormat f;
    f.SetIndent(static_cast<int16_t>(i));
    ASSERT_EQ(table.Intern(f), i);
  }
  EXPECT_EQ(table.Count(), 16);
  EXPECT_EQ(table.Intern(Bold(1)), 16);
  EXPECT_EQ(table.Count(), 32);
  EXPECT_EQ(table.Intern(Bold(5)), 16);
  EXPECT_EQ(table.References(16), 2);
  table.Release(16);
  table.Release(16);
  EXPECT_EQ(table.References(16), 0);
  EXPECT_NE(table.At(16), nullptr);  // a slot is never freed
  EXPECT_EQ(table.Intern(Bold(1)), 16);
  EXPECT_EQ(table.At(17), nullptr);
}

TEST(FormatTable, StoredFormListsOccupiedSlots) {
  CFormatTable table(16);
  table.Intern(Bold(1));
  CCharFormat italic;
  italic.SetItalic(1);
  table.Intern(italic);
  const std::string bytes = text_test::Written([&](CBuffer& b) { table.Write(b); });
  EXPECT_EQ(bytes, Hex("02 00 | 00 00 01 00 01 00 01 00 01 | 01 00 01 00 02 00 01 00 01"));
  EXPECT_EQ(bytes.size(), table.StoreSize());
}

}  // namespace
}  // namespace zh
