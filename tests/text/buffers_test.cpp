// The growable arrays, the character container, text positions and the byte buffer.
#include <gtest/gtest.h>

#include <string>

#include "dbwindow/search_mask.h"
#include "text/buffer.h"
#include "text/text_container.h"
#include "text_test_support.h"

namespace zh {
namespace {

using text_test::Hex;

TEST(TextContainer, NewContainerHoldsOnlyItsZero) {
  CTextContainer text;
  EXPECT_EQ(text.Count(), 1u);
  EXPECT_EQ(text[0], 0);
  EXPECT_EQ(text.Length(), 0u);
  EXPECT_EQ(text.GetText(), "");
}

TEST(TextContainer, MaximumRefusesTheNextCharacterAndKeepsTheText) {
  CTextContainer text;
  const std::string full(65519, 'x');
  ASSERT_TRUE(text.InsertText(0, full));
  EXPECT_EQ(text.Count(), 65520u);
  EXPECT_FALSE(text.InsertText(100, "y"));
  EXPECT_EQ(text.GetText(), full);
  EXPECT_EQ(text[65519], 0);
}

TEST(DynArray, GrowsLinearlyByItsInitialCapacityUpToTheMaximum) {
  DynArrayUSHORT zero(0, 1000);
  EXPECT_EQ(zero.Data(), nullptr);
  ASSERT_TRUE(zero.InsertGap(0, 7));
  EXPECT_EQ(zero.Capacity(), 7u);  // step 0: exactly the need
  ASSERT_TRUE(zero.InsertGap(7, 1));
  EXPECT_EQ(zero.Capacity(), 8u);

  DynArrayUCHAR stepped(10, 25);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(stepped.InsertGap(stepped.Count(), 1));
  EXPECT_EQ(stepped.Capacity(), 10u);
  ASSERT_TRUE(stepped.InsertGap(0, 1));
  EXPECT_EQ(stepped.Capacity(), 21u);  // count + n + step
  ASSERT_TRUE(stepped.InsertGap(0, 11));
  EXPECT_EQ(stepped.Capacity(), 25u);  // not above the maximum
  EXPECT_FALSE(stepped.InsertGap(0, 4));
  EXPECT_EQ(stepped.Count(), 22u);
}

TEST(DynArray, GapAndRemoveMoveTheTail) {
  DynArrayUCHAR a(4, 100);
  const std::string abc = "abcdef";
  ASSERT_TRUE(a.InsertGap(0, 6));
  std::memcpy(a.Data(), abc.data(), 6);
  ASSERT_TRUE(a.InsertGap(2, 2));
  a[2] = 'X', a[3] = 'Y';
  EXPECT_EQ(std::string(reinterpret_cast<char*>(a.Data()), a.Count()), "abXYcdef");
  a.Remove(1, 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(a.Data()), a.Count()), "acdef");
  EXPECT_FALSE(a.InsertGap(6, 1));  // beyond the count
  a.Clear();
  EXPECT_EQ(a.Count(), 0u);
  EXPECT_GE(a.Capacity(), 8u);
}

TEST(TextContainer, NextRunClassifiesWhatBeginsAtThePosition) {
  CTextContainer text;
  ASSERT_TRUE(text.InsertText(0, std::string("ab\tcd\x04" "ef")));
  struct Case {
    uint32_t position;
    int32_t count;
    int32_t run, width;
    bool pointer;
  };
  const Case cases[] = {
      {0, 10, 2, 2, true},    // up to the tab
      {2, 10, 1, 0, true},    // a tab
      {5, 10, 1, -1, false},  // an object
      {3, 1, 1, 1, true},     // at most count
      {6, 10, 2, 2, true},    // up to the text's end
      {0, 0, 0, 0, false},
  };
  for (const Case& c : cases) {
    int32_t count = c.count, width = 99;
    const uint8_t* p = text.NextRun(c.position, count, width);
    EXPECT_EQ(count, c.run) << c.position;
    EXPECT_EQ(width, c.width) << c.position;
    EXPECT_EQ(p != nullptr, c.pointer) << c.position;
    if (p) {
      EXPECT_EQ(p, text.Bytes() + c.position);
    }
  }
}

TEST(TextContainer, RangeCopiesConvertLineBreaks) {
  struct Case {
    std::string source;
    int conversion;
    std::string copied;
  };
  const Case cases[] = {
      {"a\r\nb", kLineFeedsToParagraphs, "a\r b"},
      {"\n", kLineFeedsToParagraphs, "\r"},
      {"x\n\ny", kLineFeedsToParagraphs, "x\r\ry"},
      {"a\rb\r", kParagraphsToLineFeeds, "a\nb\n"},
      {"a\r\nb", kCopyAsIs, "a\r\nb"},
  };
  for (const Case& c : cases) {
    CTextContainer source, target;
    ASSERT_TRUE(source.InsertText(0, "<" + c.source + ">"));
    ASSERT_TRUE(target.InsertText(0, "[]"));
    ASSERT_TRUE(source.CopyRangeTo(target, 1, 1, static_cast<uint32_t>(c.source.size()), c.conversion));
    EXPECT_EQ(target.GetText(), "[" + c.copied + "]") << c.conversion;
  }
  CTextContainer source, target;
  ASSERT_TRUE(source.InsertText(0, "abc"));
  EXPECT_FALSE(source.CopyRangeTo(target, 0, 2, 2, kCopyAsIs));
}

TEST(TextContainer, WordBoundaries) {
  CTextContainer text;
  ASSERT_TRUE(text.InsertText(0, "one, two3  four"));
  EXPECT_EQ(text.FindWordBoundary(9, true), 5u);    // from after "two3" to its first character
  EXPECT_EQ(text.FindWordBoundary(5, true), 0u);
  EXPECT_EQ(text.FindWordBoundary(0, true), 0u);
  EXPECT_EQ(text.FindWordBoundary(3, false), 9u);   // past ", " and "two3"
  EXPECT_EQ(text.FindWordBoundary(11, false), 14u); // stops at the last character
}

TEST(TextPosition, RefusesPlacesBeyondTheText) {
  CTextContainer text;
  ASSERT_TRUE(text.InsertText(0, "abc"));
  CTextPosition at(&text, 1, 5);
  EXPECT_TRUE(at.SetPosition(3, 7));
  EXPECT_EQ(at.Extra(), 7);
  EXPECT_FALSE(at.Move(1));
  EXPECT_EQ(at.Position(), 3u);
  EXPECT_TRUE(at.Move(-2));
  EXPECT_EQ(at.Extra(), 0);
  EXPECT_FALSE(at.Move(-2));
  text.DeleteText(at, 10);
  EXPECT_EQ(text.GetText(), "a");
}

TEST(Buffer, WritesLittleEndianAndMeasuresTheSameWrites) {
  const auto write = [](CBuffer& b) {
    b.WriteLongAsShorts(0x00010002);
    b.WriteShort(0xBEEF);
    b.WriteLong(0x04030201);
    b.WriteByte(7);
    b.WriteString("hi");
    b.WriteBytes("\0x", 2);
  };
  CBuffer measure(0);
  write(measure);
  EXPECT_FALSE(measure.HasData());
  EXPECT_EQ(measure.Position(), 4u + 2 + 4 + 1 + CBuffer::StringSize("hi") + CBuffer::BytesSize(2));
  const std::string bytes = text_test::Written(write);
  EXPECT_EQ(bytes, Hex("01 00 02 00 | EF BE | 01 02 03 04 | 07 | 02 00 68 69 | 02 00 00 78"));

  CBuffer in(bytes);
  EXPECT_EQ(in.PeekShort(), 1u);
  EXPECT_EQ(in.ReadLongAsShorts(), 0x00010002u);
  EXPECT_EQ(in.ReadShort(), 0xBEEFu);
  EXPECT_EQ(in.ReadLong(), 0x04030201u);
  EXPECT_EQ(in.ReadByte(), 7u);
  std::string s;
  in.ReadCString(s);
  EXPECT_EQ(s, "hi");
  EXPECT_EQ(in.ReadBytes(s), 2u);
  EXPECT_EQ(s, std::string("\0x", 2));
  EXPECT_FALSE(in.Failed());
  EXPECT_EQ(in.Remaining(), 0u);
}

TEST(Buffer, CopyOutAndToStringGiveTheBytesWritten) {
  CBuffer out(8);
  out.WriteShort(0x4241);
  std::string copy = "old", text;
  EXPECT_EQ(out.CopyOut(copy), 2u);
  EXPECT_EQ(copy, std::string("AB\0", 3));
  out.ToString(text);
  EXPECT_EQ(text, "AB");
  CBuffer measure(0);
  measure.WriteShort(1);
  std::string untouched = "keep";
  EXPECT_EQ(measure.CopyOut(untouched), 0u);
  measure.ToString(untouched);
  EXPECT_EQ(untouched, "keep");
}

TEST(Buffer, ReadsPastTheEndFailAndAnswerNothing) {
  struct Case {
    std::string bytes;
    int read;  // 0 short, 1 long, 2 string, 3 bytes, 4 skip 3
  };
  const Case cases[] = {
      {Hex("01"), 0},          {Hex("01 02 03"), 1},
      {Hex("05 00 61 62"), 2}, {Hex("FF FF 00"), 3},
      {Hex("00 00"), 4},
  };
  for (const Case& c : cases) {
    CBuffer in(c.bytes);
    std::string s = "x";
    switch (c.read) {
      case 0: EXPECT_EQ(in.ReadShort(), 0u); break;
      case 1: EXPECT_EQ(in.ReadLong(), 0u); break;
      case 2:
        in.ReadString(s);
        EXPECT_EQ(s, "");
        break;
      case 3: EXPECT_EQ(in.ReadBytes(s), 0u); break;
      case 4: EXPECT_FALSE(in.Skip(3)); break;
    }
    EXPECT_TRUE(in.Failed()) << c.read;
    EXPECT_EQ(in.ReadByte(), 0u);  // a failed buffer stays failed
  }
  CBuffer small(3);
  small.WriteLong(1);
  EXPECT_TRUE(small.Failed());
  EXPECT_EQ(small.Position(), 0u);
}

TEST(Buffer, StringsKeepTheirFirstCharactersAndSkipTheRest) {
  const std::string inBytes = Hex("05 00 61 62 63 64 65 01");
  CBuffer in(inBytes);
  std::string s;
  in.ReadString(s, 2);
  EXPECT_EQ(s, "ab");
  EXPECT_EQ(in.ReadByte(), 1u);
  CBuffer out(0);
  out.WriteString(std::string(70000, 'a'));
  EXPECT_TRUE(out.Failed());  // no 16-bit length for it
}

TEST(Buffer, MeasuresPast16Bits) {
  CBuffer measure(0);
  for (int i = 0; i < 35000; ++i) measure.WriteShort(1);
  EXPECT_EQ(measure.Position(), 70000u);
  CBuffer out(70000);
  for (int i = 0; i < 35000; ++i) out.WriteShort(1);
  EXPECT_FALSE(out.Failed());
  EXPECT_EQ(out.Position(), 70000u);
}

TEST(Buffer, SearchMaskTravelsInItsCompactStream) {
  SearchMask mask;
  mask.header.tournamentText = "Open";
  mask.header.yearOn = 1;
  mask.header.yearFrom = 1990;
  mask.header.yearTo = 2000;
  const std::string bytes = text_test::Written([&](CBuffer& b) {
    b.WriteByte(9);
    b.WriteSearchMask(mask);
  });
  EXPECT_EQ(bytes.size(), 1 + CBuffer::SearchMaskSize(mask));
  EXPECT_EQ(bytes.substr(1, 2), Hex("10 00"));
  CBuffer in(bytes);
  in.ReadByte();
  SearchMask read;
  EXPECT_EQ(in.ReadSearchMask(read), 0);
  EXPECT_TRUE(read == mask);

  CBuffer cut(std::string_view(bytes).substr(0, bytes.size() - 1));
  cut.ReadByte();
  EXPECT_NE(cut.ReadSearchMask(read), 0);
  EXPECT_TRUE(cut.Failed());
}

}  // namespace
}  // namespace zh
