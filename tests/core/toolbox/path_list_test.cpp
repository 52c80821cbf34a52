#include "core/toolbox/path_list.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/temp_dir.h"

namespace zh {
namespace {

TEST(PathList, GrowsAndAdds) {
  struct Case {
    int32_t capacity, grown;
  };
  for (const Case& c : {Case{4, 14}, Case{19, 29}, Case{20, 30}, Case{40, 60}}) {
    PathList list(c.capacity);
    for (int32_t i = 0; i < c.capacity; ++i) list.Add("/f" + std::to_string(i), 0);
    EXPECT_EQ(list.Add("/extra", 16), c.capacity);
    EXPECT_EQ(list.Capacity(), c.grown);
    EXPECT_EQ(list.At(c.capacity), "/extra");
    EXPECT_EQ(list.TagAt(c.capacity), 16);
  }
}

TEST(PathList, FindsNormalisedPathsExactly) {
  PathList list(4);
  list.Add("/data/Games.tqh", 1);
  list.Add("/data/games.tqh", 2);
  list.Add("/data/x/../games.tqh", 3);
  EXPECT_EQ(list.Find("/data/./Games.tqh"), 0);
  EXPECT_EQ(list.Find("/data/games.tqh"), 1);
  EXPECT_EQ(list.Find("/data/GAMES.tqh"), -1);
  EXPECT_EQ(list.FindTagged("/data/games.tqh", 3), 2);
  EXPECT_EQ(list.FindTagged("/data/games.tqh", 4), -1);

  EXPECT_EQ(list.Remove("/data/none"), 3);
  EXPECT_EQ(list.Remove("/data/games.tqh"), 2);
  EXPECT_EQ(list.At(1), "/data/x/../games.tqh");
  EXPECT_EQ(list.TagAt(1), 3);
  EXPECT_EQ(list.At(-1), "");
  EXPECT_EQ(list.At(2), "");
  EXPECT_EQ(list.TagAt(7), 0);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(PathList, DeletesListedFiles) {
  test::TempDir dir;
  PathList list(2);
  for (const char* name : {"a.tqg", "b.tqg"}) {
    std::ofstream(dir / name) << "x";
    list.Add(dir / name, 0);
  }
  list.Add(dir / "missing", 0);
  list.DeleteFilesAndClear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
}  // namespace zh
