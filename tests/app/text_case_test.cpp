#include "app/text_case.h"

#include <gtest/gtest.h>

namespace zh {
namespace {

TEST(CapitalizeFirstLetter, UnicodeAwareAndLocaleIndependent) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"¿qué?", "¿Qué?"},
      {"¡olé!", "¡Olé!"},
      {"élan", "Élan"},
      {"ñandú", "Ñandú"},
      {"ÿ", "Ÿ"},
      {"ščinski", "Ščinski"},
      {"łódź", "Łódź"},
      {"ıi", "Ii"},
      {"12 games", "12 Games"},
      {"1234", "1234"},
      {"", ""},
      {"Already", "Already"},
      {"ßtraße", "ßtraße"},
      {"«über»", "«Über»"},
      {"\xff\xfe" "abc", "\xff\xfe" "Abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(CapitalizeFirstLetter(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace zh
