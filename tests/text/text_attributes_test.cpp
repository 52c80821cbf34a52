// The attribute layer: inserting, formatting, styles, the cursor, and the stored form
// with its golden bytes, a seeded round trip and damaged runs.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/buffer.h"
#include "text/text_attributes.h"
#include "text_test_support.h"

namespace zh {
namespace {

using text_test::Hex;

// Appends n characters of the format and style at the end of the layer.
void Append(CTextAttributes& layer, const CCharFormat& format, uint16_t style, uint32_t n) {
  CAttributeCursor cursor(layer, layer.Count());
  cursor.formatBefore = format;
  cursor.styleBefore = style;
  ASSERT_TRUE(layer.Insert(cursor, static_cast<int32_t>(n), false));
}

std::string Stored(const CTextAttributes& layer) {
  const std::string bytes = text_test::Written([&](CBuffer& b) { layer.Write(b); });
  EXPECT_EQ(bytes.size(), layer.StoreSize());
  return bytes;
}

// Every slot's references equal the characters using it.
void ExpectReferencesCounted(const CTextAttributes& layer) {
  std::vector<int32_t> uses(static_cast<size_t>(layer.Table().Count()), 0);
  for (uint32_t i = 0; i < layer.Count(); ++i) ++uses[layer.FormatIndex(i)];
  for (int32_t s = 0; s < layer.Table().Occupied(); ++s)
    EXPECT_EQ(layer.Table().References(s), uses[static_cast<size_t>(s)]) << "slot " << s;
}

// The three built-in standard formats, complete, as stored.
std::string StandardFormatsHex() {
  const auto standard = [](const char* size, const char* b, const char* i, const char* u, const char* align) {
    return std::string("09 00 | 00 00 11 00 0F 00 54 69 6D 65 73 20 4E 65 77 20 52 6F 6D 61 6E") +
           " | 04 00 04 00 00 00 " + size + " | 01 00 01 00 " + b + " | 02 00 01 00 " + i +
           " | 03 00 01 00 " + u + " | 05 00 02 00 " + align + " 00 | 06 00 02 00 00 00" +
           " | 07 00 02 00 00 00 | 00 01 02 00 00 00";
  };
  return standard("1E 00", "00", "00", "01", "02") + standard("18 00", "00", "01", "00", "00") +
         standard("16 00", "01", "00", "00", "00");
}

TEST(TextAttributes, GoldenBytesOfASmallText) {
  CTextAttributes layer;
  CCharFormat bold;
  bold.SetBold(1);
  CCharFormat sized;
  sized.SetSize(0, 18);
  sized.SetColour(5);
  Append(layer, bold, 0, 2);
  Append(layer, sized, 0, 1);
  Append(layer, sized, 3, 1);
  const std::string expected = Hex(
      // the table: two slots
      "02 00"
      "| 00 00 | 01 00 | 01 00 01 00 01"
      "| 01 00 | 02 00 | 04 00 04 00 00 00 12 00 | 07 00 02 00 05 00"
      // runs: length, format index, style; then the end mark
      "| 02 00 00 00 00 00 | 01 00 01 00 00 00 | 01 00 01 00 03 00 | FF FF" +
      StandardFormatsHex());
  EXPECT_EQ(Stored(layer), expected);
}

TEST(TextAttributes, StandardFormatsAreBuiltIn) {
  CTextAttributes layer;
  EXPECT_EQ(layer.DefaultFormat().name, "Arial");
  EXPECT_EQ(layer.DefaultFormat().height, 18);
  EXPECT_EQ(layer.Standard(1).height, 30);
  EXPECT_EQ(layer.Standard(1).alignment, kAlignCentre);
  EXPECT_EQ(layer.Standard(2).italic, 1);
  EXPECT_EQ(layer.Standard(3).bold, 1);
  CCharFormat plain(true);
  Append(layer, plain, 2, 1);
  Append(layer, plain, 7, 1);  // an unknown style shows as 1
  EXPECT_EQ(&layer.FormatAt(0, false), &layer.Standard(2));
  EXPECT_EQ(&layer.FormatAt(1, false), &layer.Standard(1));
  EXPECT_TRUE(layer.FormatAt(0, true).Equals(plain));
  EXPECT_EQ(&layer.FormatAtClamped(2, false), &layer.FormatAt(1, false));
}

TEST(TextAttributes, InsertApplyAndRemoveKeepTheReferences) {
  CTextAttributes layer;
  CCharFormat plain(true);
  Append(layer, plain, 0, 10);
  CAttributeCursor cursor(layer);
  ASSERT_TRUE(cursor.SetSelection(2, 3));
  CCharFormat bold;
  bold.SetBold(1);
  layer.ApplyFormat(bold, cursor);
  EXPECT_EQ(layer.FormatAt(2, true).bold, 1);
  EXPECT_EQ(layer.FormatAt(5, true).bold, 0);
  EXPECT_EQ(layer.RunLength(0, 100), 2u);
  EXPECT_EQ(layer.RunLength(2, 100), 3u);
  EXPECT_EQ(layer.RunLength(2, 2), 2u);
  layer.SetStyle(2, cursor);
  EXPECT_EQ(layer.Style(4), 2);
  EXPECT_EQ(layer.Style(5), 0);
  ExpectReferencesCounted(layer);

  // Nothing selected: only typed text gets the format.
  cursor.SetPosition(8);
  CCharFormat italic;
  italic.SetItalic(1);
  layer.ApplyFormat(italic, cursor);
  EXPECT_EQ(cursor.formatBefore.italic, 1);
  EXPECT_EQ(layer.FormatAt(7, true).italic, 0);
  ASSERT_TRUE(layer.Insert(cursor, 2, false));
  EXPECT_EQ(layer.Count(), 12u);
  EXPECT_EQ(layer.FormatAt(8, true).italic, 1);
  ExpectReferencesCounted(layer);
  cursor.SetPosition(1);
  ASSERT_TRUE(layer.Insert(cursor, -6, false));
  EXPECT_EQ(layer.Count(), 6u);
  EXPECT_EQ(layer.FormatAt(1, true).italic, 0);
  EXPECT_EQ(layer.FormatAt(2, true).italic, 1);
  ExpectReferencesCounted(layer);
}

TEST(TextAttributes, CursorSeesBothSidesOfItsPosition) {
  CTextAttributes layer;
  CCharFormat a(true), b(true);
  b.SetBold(1);
  CAttributeCursor empty(layer, 5);
  EXPECT_EQ(empty.Position(), 0u);  // refused: falls back to 0
  EXPECT_TRUE(empty.formatBefore.Equals(layer.DefaultFormat()));
  Append(layer, a, 1, 1);
  Append(layer, b, 2, 1);
  CAttributeCursor c(layer, 1);
  EXPECT_TRUE(c.formatBefore.Equals(a));
  EXPECT_EQ(c.styleBefore, 1);
  EXPECT_TRUE(c.formatAfter.Equals(b));
  EXPECT_EQ(c.styleAfter, 2);
  c.SetPosition(2);
  EXPECT_TRUE(c.formatAfter.Equals(layer.DefaultFormat()));
  EXPECT_EQ(c.styleAfter, 0);
  c.SetPosition(0);
  EXPECT_TRUE(c.formatBefore.Equals(a));
  EXPECT_TRUE(c.formatAfter.Equals(a));
  EXPECT_FALSE(c.SetPosition(3));
  EXPECT_EQ(layer.FontAtCursor(c).name, layer.Standard(1).name);
  EXPECT_EQ(layer.FontAtCursor(c).height, 30);
}

TEST(TextAttributes, PastedCharactersTakeTheSourceFormats) {
  CTextAttributes source, target;
  CCharFormat bold;
  bold.SetBold(1);
  Append(source, CCharFormat(true), 0, 2);
  Append(source, bold, 3, 2);
  Append(target, CCharFormat(true), 0, 5);
  target.CopyFrom(source, 1, 3, 2);
  EXPECT_EQ(target.FormatAt(2, true).bold, 0);
  EXPECT_TRUE(target.FormatAt(3, true).Equals(bold));
  EXPECT_EQ(target.Style(4), 3);
  ExpectReferencesCounted(target);
}

CCharFormat RandomFormat(std::mt19937& random) {
  CCharFormat f;
  const uint32_t flags = random() & kCompleteFormat;
  const auto i16 = [&] { return static_cast<int16_t>(random()); };
  if (flags & kFontName) f.SetName(std::string(random() % 20, static_cast<char>('a' + random() % 26)));
  if (flags & kSize) f.SetSize(i16(), i16());
  if (flags & kBold) f.SetBold(static_cast<uint8_t>(random()));
  if (flags & kItalic) f.SetItalic(static_cast<uint8_t>(random()));
  if (flags & kUnderline) f.SetUnderline(static_cast<uint8_t>(random()));
  if (flags & kAlignment) f.SetAlignment(i16());
  if (flags & kIndent) f.SetIndent(i16());
  if (flags & kColour) f.SetColour(i16());
  if (flags & kTabStops) {
    std::vector<int16_t> tabs(random() % 6);
    for (auto& t : tabs) t = i16();
    f.SetTabs(tabs);
  }
  return f;
}

TEST(TextAttributes, SeededRandomTextsSurviveTheStoredForm) {
  std::mt19937 random(59);
  constexpr uint32_t kRoom = 1000000;
  for (int n = 0; n < 10000; ++n) {
    CTextAttributes written(16, 128, kRoom);
    std::vector<CCharFormat> formats;
    for (uint32_t k = random() % 31; k > 0; --k) formats.push_back(RandomFormat(random));
    if (formats.empty()) formats.push_back(CCharFormat(true));
    for (int k = 1; k <= 3; ++k)
      if (random() % 2) {
        // Stored standard formats are merged into complete ones.
        CCharFormat standard(true);
        standard.ApplyFrom(RandomFormat(random));
        written.SetStandard(k, standard);
      }
    for (uint32_t runs = 1 + random() % 12; runs > 0; --runs) {
      const uint32_t length = random() % 200 == 0 ? 60000 + random() % 10001 : random() % 40;
      Append(written, formats[random() % formats.size()], static_cast<uint16_t>(random() % 5), length);
    }
    const std::string bytes = Stored(written);

    CTextAttributes read(16, 128, kRoom);
    CBuffer in(bytes);
    ASSERT_TRUE(read.Read(in, CAttributeCursor(read), CTextAttributes::kCurrentVersion, written.Count())) << n;
    ASSERT_EQ(in.Remaining(), 0u) << n;
    ASSERT_EQ(read.Count(), written.Count()) << n;
    // Compare the formats of the slots once, then the indices and styles of every
    // character (the first difference, if any).
    uint32_t differs = written.Count();
    for (uint32_t i = 0; i < written.Count() && differs == written.Count(); ++i) {
      if (i == 0 || written.FormatIndex(i) != written.FormatIndex(i - 1)) {
        ASSERT_TRUE(read.FormatAt(i, true).Equals(written.FormatAt(i, true))) << n << " at " << i;
      }
      if (read.FormatIndex(i) != written.FormatIndex(i) || read.Style(i) != written.Style(i)) differs = i;
    }
    ASSERT_EQ(differs, written.Count()) << n;
    for (int k = 1; k <= 3; ++k) ASSERT_TRUE(read.Standard(k).Equals(written.Standard(k))) << n;
    ASSERT_EQ(Stored(read), bytes) << n;
    ExpectReferencesCounted(read);
  }
}

TEST(TextAttributes, RunsOfMoreThan65534CharactersAreSplit) {
  CTextAttributes layer(16, 128, 200000);
  Append(layer, CCharFormat(true), 1, 70000);
  const std::string bytes = Stored(layer);
  // table of one slot, then 65534 and 4466 characters of it
  const size_t runs = bytes.find(Hex("FE FF 00 00 01 00 | 72 11 00 00 01 00 | FF FF"));
  EXPECT_NE(runs, std::string::npos);
}

TEST(TextAttributes, OlderVersionsKeepTheBuiltInStandardFormats) {
  CTextAttributes written;
  CCharFormat big(true);
  big.SetSize(0, 99);
  written.SetStandard(2, big);
  Append(written, CCharFormat(true), 2, 3);
  const std::string bytes = Stored(written);
  for (int version : {199, 200}) {
    CTextAttributes read;
    CBuffer in(bytes);
    ASSERT_TRUE(read.Read(in, CAttributeCursor(read), version, 3));
    EXPECT_EQ(read.Standard(2).height, version == 199 ? 24 : 99);
  }
}

TEST(TextAttributes, RunsAreClampedToTheCharacters) {
  CCharFormat bold;
  bold.SetBold(1);
  // One stored format; runs 2 and 3 of it, the second with style 1.
  const std::string stored =
      Hex("01 00 | 00 00 | 01 00 01 00 01 00 01 | 02 00 00 00 00 00 | 03 00 00 00 01 00 | FF FF");
  struct Case {
    uint32_t characters;
    uint32_t bold;  // characters that get the stored format
  };
  for (const Case c : {Case{5, 5}, Case{3, 3}, Case{8, 5}, Case{0, 0}}) {
    CTextAttributes read;
    CBuffer in(stored);
    ASSERT_TRUE(read.Read(in, CAttributeCursor(read), 199, c.characters)) << c.characters;
    ASSERT_EQ(read.Count(), c.characters);
    for (uint32_t i = 0; i < c.characters; ++i) {
      EXPECT_EQ(read.FormatAt(i, true).Equals(bold), i < c.bold) << c.characters << " at " << i;
      EXPECT_EQ(read.Style(i), i >= 2 && i < c.bold ? 1 : 0) << c.characters << " at " << i;
    }
    if (c.characters > c.bold) {
      EXPECT_TRUE(read.FormatAt(c.bold, true).Equals(read.DefaultFormat()));
    }
    ExpectReferencesCounted(read);
  }
}

TEST(TextAttributes, DamagedStoredFormsLeaveThePlainCharacters) {
  const char* damaged[] = {
      "",                                                  // nothing at all
      "01 00 | 00 00 | 05 00",                             // a format cut short
      "00 00 | 03 00 00 00",                               // a run cut short
      "00 00 | 03 00 00 00 00 00",                         // no end mark
      "00 00 | FF FF | 09 00 00 00",                       // standard formats cut short
      "FF 7F",                                             // more formats than bytes
  };
  for (const char* hex : damaged) {
    CTextAttributes read;
    CCharFormat keep(true);
    keep.SetSize(0, 55);
    read.SetStandard(1, keep);
    const std::string inBytes = Hex(hex);
    CBuffer in(inBytes);
    EXPECT_FALSE(read.Read(in, CAttributeCursor(read), 200, 4)) << hex;
    EXPECT_TRUE(in.Failed());
    ASSERT_EQ(read.Count(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
      EXPECT_TRUE(read.FormatAt(i, true).Equals(read.DefaultFormat())) << hex;
      EXPECT_EQ(read.Style(i), 0);
    }
    EXPECT_EQ(read.Standard(1).height, 55) << hex;
    ExpectReferencesCounted(read);
  }
}

TEST(TextAttributes, UnknownStoredIndicesTakeTheCursorFormat) {
  CTextAttributes read;
  CAttributeCursor cursor(read);
  cursor.formatBefore.SetItalic(1);
  const std::string inBytes = Hex("00 00 | 02 00 07 00 00 00 | FF FF");
  CBuffer in(inBytes);
  ASSERT_TRUE(read.Read(in, cursor, 199, 2));
  EXPECT_EQ(read.FormatAt(1, true).italic, 1);
  ExpectReferencesCounted(read);
}

}  // namespace
}  // namespace zh
