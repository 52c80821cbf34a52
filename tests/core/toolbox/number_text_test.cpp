#include "core/toolbox/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/german_locale.h"

namespace zh {
namespace {

TEST(NumberText, ParseDecimalLikeAtol) {
  struct Case {
    const char* text;
    int64_t value;
  };
  for (const Case& c : {Case{"12", 12}, Case{"  -7x", -7}, Case{"+3", 3}, Case{"abc", 0},
                        Case{"", 0}, Case{"- 5", 0}, Case{"4294967295", 4294967295},
                        Case{"99999999999999999999", std::numeric_limits<int64_t>::max()},
                        Case{"-9223372036854775808", std::numeric_limits<int64_t>::min()},
                        Case{"-99999999999999999999", std::numeric_limits<int64_t>::min()}})
    EXPECT_EQ(ParseDecimal(c.text), c.value) << c.text;
}

TEST(NumberText, ParseDoubleLikeAtof) {
  struct Case {
    const char* text;
    double value;
  };
  for (const Case& c : {Case{"0.5", 0.5}, Case{" -12.25x", -12.25}, Case{"1e3", 1000},
                        Case{"3,5", 3}, Case{"", 0}, Case{"x1", 0}, Case{"0x10", 16}})
    EXPECT_EQ(ParseDouble(c.text), c.value) << c.text;
  EXPECT_TRUE(std::isinf(ParseDouble("1e999")));
}

TEST(NumberText, FormatDoubleLikePrintf) {
  EXPECT_EQ(FormatDouble(0.5), "0.50000");
  EXPECT_EQ(FormatDouble(-12.25), "-12.25000");
  // The C library in the "C" locale is the reference for rounding and width.
  for (double v : {0.0, -0.0, 1.0 / 3, 2.000005, 2.5e-6, -7.5e-6, 123456.000004, 1e15 + 0.3,
                   1e300, -1e-300, 99999.999995}) {
    char expected[400];
    std::snprintf(expected, sizeof expected, "%3.5f", v);
    EXPECT_EQ(FormatDouble(v), expected);
  }
}

// The conversions must not follow the process locale (German writes "0,50000").
TEST(NumberText, IndependentOfGermanLocale) {
  test::GermanLocale german;
  if (!german.Active()) GTEST_SKIP() << "locale de_DE.UTF-8 not available";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%3.5f", 0.5);
  EXPECT_STREQ(probe, "0,50000");  // the locale is really in effect
  EXPECT_EQ(FormatDouble(0.5), "0.50000");
  EXPECT_EQ(FormatDouble(-12.25), "-12.25000");
  EXPECT_EQ(ParseDouble("0.5"), 0.5);
  EXPECT_EQ(ParseDouble("-12.25"), -12.25);
}

}  // namespace
}  // namespace zh
