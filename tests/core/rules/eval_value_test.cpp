#include "core/rules/eval_value.h"

#include <gtest/gtest.h>

#include "core/rules/rating_performance.h"

namespace zh {
namespace {

EvalValue Cp(int v) {
  return {kEvalCentipawns, static_cast<int16_t>(v), 0};
}
EvalValue Mate(int n) {
  return {kEvalMate, static_cast<int16_t>(n), 0};
}

TEST(EvalValue, AssessmentThresholds) {
  struct Case {
    int cp;
    const char* symbol;
    int code, level;
  } cases[] = {
      {141, "+-", 18, 1},     {140, "\xB1", 16, 2}, {71, "\xB1", 16, 2},  {70, "\xB2", 14, 3},
      {25, "=", 11, 4},       {-25, "=", 11, 4},    {-26, "\xB3", 15, 6}, {-71, "\xB5", 17, 7},
      {-141, "-+", 19, 8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp(c.cp).ToSymbolText(), DisplayText(c.symbol)) << c.cp;
    EXPECT_EQ(Cp(c.cp).GetSymbolCode(), c.code) << c.cp;
    EXPECT_EQ(Cp(c.cp).GetAssessmentLevel(), c.level) << c.cp;
  }
  EXPECT_EQ(Mate(3).ToSymbolText(), DisplayText("+-"));
  EXPECT_EQ(Mate(0).ToSymbolText(), DisplayText("#"));
  EXPECT_EQ(Mate(3).GetSymbolCode(), 0);
  EXPECT_EQ(EvalValue({kEvalNone}).ToSymbolText(), DisplayText("??"));
}

TEST(EvalValue, TextsAndComparables) {
  EXPECT_EQ(Mate(3).ToText(), "#3");
  EXPECT_EQ(Mate(-2).ToText(), "-#2");
  EXPECT_EQ(Mate(3).GetComparable(), 19997);
  EXPECT_EQ(Mate(-2).GetComparable(), -19998);
  EXPECT_LT(Mate(-2).GetComparable(), Mate(-5).GetComparable());  // mated sooner is worse
  EXPECT_EQ(Cp(5).ToText(), "0.05");
  EXPECT_EQ(Cp(-130).ToText(), "-1.30");
  EXPECT_EQ(Cp(1234).ToText(), "12.34");
  EXPECT_EQ(EvalValue({kEvalNumber, -7}).ToText(), "-7");
  EXPECT_EQ(EvalValue({kEvalNone}).ToText(), "??");
  EXPECT_EQ(EvalValue({kEvalNone}).GetComparable(), 32767);
  EXPECT_EQ(Cp(50).GetComparableFor(true), -50);

  EvalValue v = Cp(50);
  v.Negate(true);
  EXPECT_EQ(v.value, -50);
  EvalValue none{kEvalNone, 9};
  none.Negate(true);
  EXPECT_EQ(none.value, 9);

  EXPECT_TRUE(Cp(100).CompareTo(Cp(10), 50));
  EXPECT_FALSE(Cp(100).CompareTo(Cp(70), 20));  // 30 is not above 40 percent of 100
  EXPECT_FALSE(Cp(100).CompareTo(Cp(60), 50));
  EXPECT_EQ(Cp(-81).GetOutlook(), 0);
  EXPECT_EQ(Cp(80).GetOutlook(), 1);
  EXPECT_EQ(Mate(1).GetOutlook(), 2);
  EXPECT_EQ(EvalValue({kEvalNone}).GetOutlook(), 1);
}

TEST(EvalValue, PackedFormKeepsZeroBytesAndEveryKind) {
  const EvalValue values[] = {Cp(0),   Cp(-300), Mate(-4), Mate(0), {kEvalNumber, 256, -1},
                              {kEvalNone, 0, 0}, {kEvalCentipawns, 0x100, 0x7F00}};
  for (const EvalValue& v : values) {
    const std::string packed = v.Pack();
    ASSERT_EQ(packed.size(), 6u);
    EvalValue back{kEvalMate, 99, 99};
    EXPECT_TRUE(back.Unpack(packed));
    EXPECT_EQ(back, v) << v.ToText();
  }
  // The value 0 packs to zero bytes; a short text leaves the value alone.
  EXPECT_EQ(Cp(0).Pack(), std::string(6, '\0'));
  EvalValue kept = Mate(2);
  EXPECT_FALSE(kept.Unpack(std::string(5, '\0')));
  EXPECT_EQ(kept, Mate(2));
}

TEST(RatingPerformance, TableFormulaCategoryAndNorms) {
  RatingPerformance r;
  EXPECT_EQ(r.GetAverage(), 0);
  EXPECT_EQ(r.GetTablePerformance(100), 0);
  r.Set(9, 9 * 2500);
  EXPECT_EQ(r.GetTablePerformance(100), 3300);
  EXPECT_EQ(r.GetFormulaPerformance(1.0), 3300);
  EXPECT_EQ(r.GetTablePerformance(0), 1700);
  EXPECT_EQ(r.GetTablePerformance(101), 9999);
  EXPECT_EQ(r.GetFormulaPerformance(0.5), 2500);

  r.Set(9, 9 * 2451);
  EXPECT_EQ(r.GetCategory(), 9);
  EXPECT_DOUBLE_EQ(r.GetGMNormPoints(), 6.3);
  r.Set(2, 2451 + 2452);  // rounds the average: 2451.5 -> 2452
  EXPECT_EQ(r.GetAverage(), 2452);

  r.Set(10, 10 * (2226 + 25 * 25));  // category 25
  EXPECT_EQ(r.GetIMNormPoints(), 99999);
  EXPECT_EQ(r.GetGMNormPoints(), 999999);
  r.Set(10, 10 * 2000);
  EXPECT_EQ(r.GetCategory(), 0);
  EXPECT_EQ(r.GetGMNormPoints(), 999999);
}

// FIDE's published conversion of a score p into a rating difference dp.
TEST(RatingPerformance, DifferencesAreFidesTable) {
  constexpr int kFide[50] = {7,   14,  21,  29,  36,  43,  50,  57,  65,  72,  80,  87,  95,
                             102, 110, 117, 125, 133, 141, 149, 158, 166, 175, 184, 193, 202,
                             211, 220, 230, 240, 251, 262, 273, 284, 296, 309, 322, 336, 351,
                             366, 383, 401, 422, 444, 470, 501, 538, 589, 677, 800};
  for (int p = 51; p <= 99; ++p) EXPECT_EQ(RatingPerformance::Difference(p - 50), kFide[p - 51]);
  EXPECT_EQ(RatingPerformance::Difference(0), 0);
}

}  // namespace
}  // namespace zh
