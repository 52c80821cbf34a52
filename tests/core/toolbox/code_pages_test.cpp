#include "core/toolbox/code_pages.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/python_runner.h"

namespace zh {
namespace {

uint8_t ReadsAs(uint8_t stored) {
  std::string s(1, static_cast<char>(stored));
  return static_cast<uint8_t>(ConvertStoredText(s)[0]);
}

// Python's own cp437 and cp1252 codecs are the reference for the letters.
TEST(CodePages, DosLettersMatchPythonCodecs) {
  std::string output;
  ASSERT_EQ(test::RunPythonScript("codepage_reference.py", {}, &output), 0);
  std::istringstream in(output);
  std::vector<int> reference;
  for (int v; in >> std::hex >> v;) reference.push_back(v);
  ASSERT_EQ(reference.size(), 128u);
  auto check = [&](int from, int to) {
    for (int b = from; b <= to; ++b)
      EXPECT_EQ(kDosToWindowsTable[b - 0x80], reference[b - 0x80]) << std::hex << b;
  };
  check(0x80, 0x9D);
  check(0xA0, 0xA5);
  check(0xA8, 0xA8);
  check(0xAB, 0xAF);
}

TEST(CodePages, FigurinesReadAndFold) {
  std::string s = "\xB1\xB2\xB3\xB4\xB5\xB6";
  EXPECT_EQ(ConvertStoredText(s), "\xA2\xA3\xA4\xA5\xA6\xA7");
  EXPECT_EQ(FoldAccents(s), "KQNBRP");
  std::string latin = "\xE9\xC4\xDF";
  EXPECT_EQ(FoldAccents(latin), "eAs");
}

TEST(CodePages, SevenBitTextStaysExceptMateSign) {
  std::string s;
  for (int b = 1; b < 0x80; ++b) s += static_cast<char>(b);
  std::string converted = s;
  ConvertStoredText(converted);
  for (size_t i = 0; i < s.size(); ++i)
    EXPECT_EQ(converted[i], s[i] == 0x04 ? '\x9E' : s[i]) << i;
}

TEST(CodePages, EveryDisplayByteReadComesBackWhenStored) {
  for (int stored = 0x80; stored < 0x100; ++stored) {
    const uint8_t display = kDosToWindowsTable[stored - 0x80];
    std::string s(1, static_cast<char>(display));
    ConvertToStoredText(s);
    EXPECT_EQ(ReadsAs(static_cast<uint8_t>(s[0])), display)
        << std::hex << "stored " << stored << " display " << int{display};
  }
  // The mended entries, as pairs of display byte and stored byte.
  const int mended[][2] = {{0xE7, 0x87}, {0xFF, 0x98}, {0xDA, 0xA7}, {0xF8, 0xED}, {0x8B, 0xC5},
                           {0x9B, 0xC6}, {0xBA, 0xDE}, {0xBE, 0xB9}, {0xF7, 0xBE}};
  for (const auto& m : mended) EXPECT_EQ(kWindowsToDosTable[m[0] - 0x80], m[1]);
}

TEST(CodePages, FullCodePageMapsBoxCharacters) {
  std::string s = "\xB5\x08\xDD\x41";
  EXPECT_EQ(MapFullCodePage(s), std::string("\x20\xD8\x15\x41"));
  std::string t = "\xCD";  // through 0xB1: the stored king figurine
  EXPECT_EQ(ConvertStoredTextFull(t), "\xA2");
}

TEST(CodePages, UnicodeRoundTripsAllBytes) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  bool lossy = true;
  EXPECT_EQ(Utf8ToDisplay(DisplayToUtf8(all), &lossy), all);
  EXPECT_FALSE(lossy);

  EXPECT_EQ(DisplayToUtf8("\xA2\xA3\xA4\xA5\xA6\xA7"), "♔♕♘♗♖♙");
  EXPECT_EQ(DisplayToUtf8("\xB1\xF7\x99\xE9\x80"), "±∞□é€");
  EXPECT_EQ(Utf8ToDisplay("Réti ♘f3", &lossy), "R\xE9ti \xA4" "f3");
  EXPECT_FALSE(lossy);
  EXPECT_EQ(Utf8ToDisplay("日本 \xFF", &lossy), "?? ?");
  EXPECT_TRUE(lossy);
}

// Pins the display set: bytes 0x80 to 0xFF as UTF-8.
TEST(CodePages, DisplaySetGolden) {
  std::string high;
  for (int b = 0x80; b < 0x100; ++b) high += static_cast<char>(b);
  EXPECT_EQ(DisplayToUtf8(high),
            "€∇→↑⇆∆○⊙ˆ⟳Š‹Œ\u008DŽ\u008F"
            "\u0090↔↗⊕⊞•–—˜□š›œ\u009D＃Ÿ"
            "\u00A0¡♔♕♘♗♖♙‥©└≪⊥⇈⇡⇑"
            "⩳±⩲⩱´∓¶·¸⌓┘≫¼½¾¿"
            "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝ⊘ß"
            "àáâãäåæçèéêëìíîïðñòóôõö∞øùúûüý⇧ÿ");
}

}  // namespace
}  // namespace zh
