#include "core/rules/symbols.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/rules/medals.h"
#include "core/toolbox/packed_time.h"
#include "support/recording_services.h"

namespace zh {
namespace {

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (unsigned char c : bytes) s += {kDigits[c >> 4], kDigits[c & 15]};
  return s.empty() ? "-" : s;
}

TEST(SymbolTable, EveryEntryIsTheGoldenBytes) {
  std::ifstream in(ZH_SOURCE_DIR "/tests/core/data/symbol_table.txt");
  ASSERT_TRUE(in);
  int entries = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    int index;
    std::string hex;
    fields >> index >> hex;
    EXPECT_EQ(Hex(SymbolText(index).Bytes()), hex) << "symbol " << index;
    ++entries;
  }
  EXPECT_EQ(entries, kSymbolCount);
  EXPECT_TRUE(SymbolText(kSymbolCount).empty());
  EXPECT_TRUE(SymbolText(-1).empty());
}

TEST(GameResult, TextsAndCodes) {
  EXPECT_EQ(GameResult({kNoResult, 0}).ToText(), DisplayText("Line"));
  EXPECT_EQ(GameResult({kNoResult, 18}).ToText(), DisplayText("+-"));
  EXPECT_EQ(GameResult({kNoResult, 18}).ShortText(), DisplayText("+-"));
  EXPECT_EQ(GameResult({kNoResult, 146}).ShortText(), DisplayText("N"));
  EXPECT_EQ(GameResult({kNoResult, 1}).ShortText(), DisplayText("Line"));  // not an assessment
  EXPECT_EQ(GameResult({kDraw, 0}).ToText(), DisplayText("\xBD-\xBD"));
  EXPECT_EQ(GameResult({kWhiteWon, 18}).ShortText(), DisplayText("1-0"));
  EXPECT_EQ(GameResult::FromCode(2), GameResult({kWhiteWon, 0, 0}));
  EXPECT_EQ(GameResult({kNoResult, 16}).EvalCode(), 11);
  EXPECT_EQ(GameResult({kBlackWon, 16}).EvalCode(), 0);
  for (int e = 0; e < 16; ++e) EXPECT_EQ(GameResult::FromCode(3 | e << 2).EvalCode(), 3 | e << 2);
}

TEST(MoveSymbols, SettersTextsAndMirror) {
  MoveSymbols s;
  s.SetMoveSymbol(165);
  EXPECT_EQ(s.move, 0);
  s.SetMoveSymbol(3);
  s.SetPositionSymbol(14);
  s.SetPrefixSymbol(140);
  EXPECT_EQ(s.Text(), DisplayText("\x85\xB2!!"));
  s.MirrorPositionSymbol();
  EXPECT_EQ(s.position, 15);
  s.SetPositionSymbol(11);
  s.MirrorPositionSymbol();
  EXPECT_EQ(s.position, 11);
  EXPECT_EQ(MoveSymbols::Unpack(s.Pack()), s);

  EXPECT_EQ(MoveSymbols::FromText(DisplayText("!?")).move, 5);
  EXPECT_EQ(MoveSymbols::FromText(DisplayText("+-")).position, 18);
  EXPECT_EQ(MoveSymbols::FromText(DisplayText("\x85")).prefix, 140);
  EXPECT_EQ(MoveSymbols::FromText(DisplayText("")), MoveSymbols());
  EXPECT_EQ(MoveSymbols::FromText(DisplayText("nonsense")), MoveSymbols());
}

TEST(MoveSymbols, EveryCodableSymbolRoundTripsItsOldCode) {
  int codable = 0;
  for (int v = 1; v < kSymbolCount; ++v) {
    if (MoveSymbols::IsCodableMove(v)) {
      MoveSymbols s, back;
      s.SetMoveSymbol(v);
      back.SetFromMoveSymbolCode(s.MoveSymbolCode());
      EXPECT_EQ(back.move, v);
      ++codable;
    }
    if (MoveSymbols::IsCodablePosition(v)) {
      MoveSymbols s, back;
      s.SetPositionSymbol(v);
      const int code = v == 32 ? s.MoveSymbolCode() : s.PositionSymbolCode();
      if (v == 32)
        back.SetFromMoveSymbolCode(code);
      else
        back.SetFromPositionSymbolCode(code);
      EXPECT_EQ(back.position, v);
      ++codable;
    }
    if (MoveSymbols::IsCodablePrefix(v)) {
      MoveSymbols s, back;
      s.SetPrefixSymbol(v);
      back.SetFromPrefixSymbolCode(s.PrefixSymbolCode());
      EXPECT_EQ(back.prefix, v);
      ++codable;
    }
  }
  EXPECT_EQ(codable, 7 + 15 + 5);
  // The special codes: move symbol 8 travels as position code 15, position 10 as 4.
  MoveSymbols s;
  s.SetMoveSymbol(8);
  EXPECT_EQ(s.PositionSymbolCode(), 15);
  MoveSymbols t;
  t.SetFromPositionSymbolCode(15);
  EXPECT_EQ(t.move, 8);
  t.SetPositionSymbol(10);
  EXPECT_EQ(t.PositionSymbolCode(), 4);
  t.SetFromMoveSymbolCode(7);  // no symbol: unchanged
  EXPECT_EQ(t.move, 8);
}

TEST(Medals, IdsColoursAndLayout) {
  EXPECT_EQ(Medals::MessageId(7), 26);
  EXPECT_EQ(Medals::MessageId(16), 455);
  EXPECT_EQ(Medals::ColourOf(0), (MedalColour{-1, 0xFFFF, 0xC030, 0}));
  EXPECT_EQ(Medals::ColourOf(2).nameIndex, 1);
  EXPECT_EQ(Medals::ColourOf(13).nameIndex, 0);

  Medals three{0b1000'0000'0000'0101};
  EXPECT_EQ(three.Count(), 3);
  EXPECT_TRUE(three.Has(15));
  const auto row = three.Layout({0, 0, 89, 9});
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[1].rect, (Rectangle{30, 0, 59, 9}));
  EXPECT_EQ(row[2].bit, 15);

  Medals ten{0x03FF};
  const auto rows = ten.Layout({0, 0, 79, 19});
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[7].rect, (Rectangle{70, 0, 79, 9}));
  EXPECT_EQ(rows[8].rect, (Rectangle{0, 10, 9, 19}));
  EXPECT_EQ(Rectangle().GetWidth(), 0);
}

TEST(PackedTime, ConversionsAndTexts) {
  PackedTime t;
  t.FromCentiseconds(((1 * 60 + 1) * 60 + 1) * 100 + 50);
  EXPECT_EQ(t.ToClockTime(), (ClockTime{1, 1, 1, 50}));
  EXPECT_EQ(t.ToSeconds(), 3662);
  EXPECT_EQ(t.ToCentiseconds(), 366150);

  EXPECT_EQ(PackedTime::Make(1, 0, 5, 0).ToText(true), "1:00:05");
  EXPECT_EQ(PackedTime::Make(0, 0, 7, 0).ToText(true), "7");
  EXPECT_EQ(PackedTime::Make(0, 3, 7, 0).ToText(true), "3:07");
  EXPECT_EQ(PackedTime::Make(0, 0, 7, 0).ToText(false), "0:00:07");

  t.FromClockValue(-12345678);
  EXPECT_EQ(t.ToClockTime(), (ClockTime{12, 34, 56, 78}));

  test::RecordingServices services;
  services.wallTime = 3 * 3600 + 25 * 60 + 9;  // the clock service decides "now"
  setenv("TZ", "UTC", 1);
  tzset();
  t.SetNow();
  EXPECT_EQ(t.ToClockTime(), (ClockTime{3, 25, 9, 0}));
}

}  // namespace
}  // namespace zh
