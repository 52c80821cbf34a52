#include "app/string_list.h"

#include <gtest/gtest.h>

namespace zh {
namespace {

TEST(StringList, AppendsBeforeTheEndMarkAndFindsByPosition) {
  std::string list;
  AppendToStringList(list, "Databases");
  AppendToStringList(list, "*.tqh");
  EXPECT_EQ(list, std::string("Databases\0*.tqh\0\0", 17));
  EXPECT_EQ(StringOfList(list, 0), "Databases");
  EXPECT_EQ(StringOfList(list, 1), "*.tqh");
  EXPECT_EQ(StringOfList(list, 2), "");
  EXPECT_EQ(StringOfList(list, -1), "");
  // A list cut short (no end mark) still answers what it holds.
  EXPECT_EQ(StringOfList(std::string_view("a\0b", 3), 1), "b");
}

}  // namespace
}  // namespace zh
