// The pick list of recent databases and its group in the settings file, read back by
// Python's configparser.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "core/toolbox/profile_file.h"
#include "dbwindow/pick_list.h"
#include "support/recording_services.h"

namespace zh {
namespace {

// configparser's view of the group: key=value lines.
std::string PickGroup(const std::string& path) {
  const std::string command = std::string(ZH_PYTHON3) + " " + ZH_SOURCE_DIR +
                              "/tests/dbwindow/pick_list_check.py '" + path + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[4096];
  size_t n;
  while (pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  return out;
}

class PickListTest : public ::testing::Test {
 protected:
  std::string Touch(const std::string& name) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path) << "x";
    return path;
  }
  std::string Ini() const { return (dir_ / "Z5.ini").string(); }

  test::TempDir dir_;
  test::RecordingServices services_;
};

TEST_F(PickListTest, AddMovesToTheFrontAndDropsTheOldest) {
  PickList list;
  for (int i = 0; i < PickList::kCapacity; ++i) list.Add("db" + std::to_string(i));
  ASSERT_EQ(list.Count(), 30);
  EXPECT_EQ(list.Paths().front(), "db29");
  // Already there: to the front, no duplicate.
  list.Add("db5");
  EXPECT_EQ(list.Count(), 30);
  EXPECT_EQ(list.Paths()[0], "db5");
  EXPECT_EQ(list.Paths()[1], "db29");
  EXPECT_EQ(list.Paths().back(), "db0");
  // A new path drops the oldest.
  list.Add("new");
  EXPECT_EQ(list.Count(), 30);
  EXPECT_EQ(list.Paths()[0], "new");
  EXPECT_EQ(list.Paths().back(), "db1");
}

TEST_F(PickListTest, EmptyGroupGivesTheFourDefaults) {
  ProfileFile file;
  ASSERT_TRUE(file.Open(Ini()));
  file.SelectGroup("PickList");
  file.WriteText("Pick0", (dir_ / "gone.tqh").string());  // no such file
  PickList list;
  list.Load(file, {"/a/autosave.tqh", "/a/current.tqh", "/a/match.tqh", "/a/tournament.tqh"});
  EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/a/autosave.tqh", "/a/current.tqh", "/a/match.tqh",
                                                    "/a/tournament.tqh"}));
}

TEST_F(PickListTest, SavedGroupReadsBackWithoutDeletedFiles) {
  const std::string a = Touch("a.tqh"), b = Touch("b.pgn"), c = Touch("c.tqf");
  {
    ProfileFile file;
    ASSERT_TRUE(file.Open(Ini()));
    file.SelectGroup("General");
    file.WriteText("Language", "0");
    // A longer list saved before: its extra keys must go.
    file.SelectGroup("PickList");
    for (int i = 0; i < 6; ++i) file.WriteText("Pick" + std::to_string(i), "/old/" + std::to_string(i));
    PickList list;
    list.Add(c);
    list.Add(b);
    list.Add(a);
    list.Save(file);
    EXPECT_EQ(file.Group(), "PickList");
    ASSERT_TRUE(file.Flush());
  }
  EXPECT_EQ(PickGroup(Ini()), "Pick0=" + a + "\nPick1=" + b + "\nPick2=" + c + "\n");

  std::remove(b.c_str());
  ProfileFile file;
  ASSERT_TRUE(file.Open(Ini()));
  PickList list;
  list.Load(file, {"x", "y", "z", "w"});
  EXPECT_EQ(list.Paths(), (std::vector<std::string>{a, c}));
  file.SelectGroup("General");
  EXPECT_EQ(file.ReadText("Language").value_or(""), "0");
}

}  // namespace
}  // namespace zh
