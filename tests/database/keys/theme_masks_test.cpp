#include "database/keys/theme_masks.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/temp_dir.h"
#include "support/file_bytes.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using Bytes = std::vector<uint8_t>;

// Writes its tag, the version and the compact flag; a failing mask breaks the stream.
class FakeMask final : public ThemeMask {
 public:
  explicit FakeMask(uint8_t tag, bool fail = false) : tag_(tag), fail_(fail) {}
  void Write(TQStream& stream, int version, bool compact) const override {
    stream.WriteByte(tag_).WriteByte(version).WriteByte(compact);
    uint8_t byte;
    if (fail_) stream.ReadBytes(&byte, 1);
  }

 private:
  uint8_t tag_;
  bool fail_;
};

ThemeMaskEntry Entry(int16_t mother, uint8_t tag, bool fail = false) {
  ThemeMaskEntry e;
  e.mother = mother;
  e.values[0] = 0x0102;
  e.values[2] = 3;
  e.value = 0x0A0B0C0D;
  e.mask = std::make_shared<FakeMask>(tag, fail);
  return e;
}

class ThemeMasksTest : public ::testing::Test {
 protected:
  std::string Base() const { return (dir / "games").string(); }
  std::filesystem::path File() const { return dir / "games.cpn"; }

  test::TempDir dir;
  test::RecordingServices services;
};

TEST_F(ThemeMasksTest, EntriesWithoutMotherAfterTheFirstAreLeftOut) {
  ThemeMasks masks(Base(), 0x200000);
  EXPECT_EQ(masks.Path(), File().string());
  masks.Entries() = {Entry(-1, 0xA0), Entry(0, 0xA1), Entry(-1, 0xA2), Entry(1, 0xA3)};
  masks.MarkChanged();
  ASSERT_EQ(masks.Write(), 0);
  EXPECT_FALSE(masks.IsChanged());
  EXPECT_EQ(services.CallsStartingWith("Dump"),
            std::vector<std::string>{"Dump: Write mask without mother"});
  const Bytes expected = {0, 16, 0, 3,                                 // format, entries written
                          0xFF, 0xFF, 1, 2, 0, 0, 0, 3, 10, 11, 12, 13, 0xA0, 16, 0,  //
                          0, 0, 1, 2, 0, 0, 0, 3, 10, 11, 12, 13, 0xA1, 16, 0,        //
                          0, 1, 1, 2, 0, 0, 0, 3, 10, 11, 12, 13, 0xA3, 16, 0};
  EXPECT_EQ(test::FileBytes(File()), expected);
  EXPECT_EQ(services.CallsStartingWith("Status").back(), "Status: ");
}

TEST_F(ThemeMasksTest, OtherFormatsAndFailedWritesKeepTheOldFile) {
  const Bytes old = {1, 2, 3};
  test::WriteFileBytes(File(), old);
  {
    ThemeMasks newer(Base(), 0x200000, 17);
    newer.Entries() = {Entry(-1, 1)};
    EXPECT_EQ(newer.Write(), 6);
    EXPECT_EQ(services.CallsStartingWith("ErrorBox").at(0), "ErrorBox: Cannot write this\ntheme key format");
    ThemeMasks older(Base(), 0x200000, 15);
    older.Entries() = {Entry(-1, 1)};
    services.answers = {false};
    EXPECT_EQ(older.Write(), 6);
    ThemeMasks failing(Base(), 0x200000);
    failing.Entries() = {Entry(-1, 1), Entry(0, 2, true)};
    EXPECT_EQ(failing.Write(), 6);
    failing.Entries().clear();
  }
  EXPECT_EQ(test::FileBytes(File()), old);
  EXPECT_EQ(services.CallsStartingWith("AskYesNo").at(0), "AskYesNo: Overwrite theme key in TQ7 format?");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

  // Yes to the question writes the new format; a changed set is written on closing.
  ThemeMasks older(Base(), 0x200000, 15);
  older.Entries() = {Entry(-1, 1)};
  services.answers = {true};
  ASSERT_EQ(older.Write(), 0);
  EXPECT_EQ(older.Format(), 16);
  {
    ThemeMasks closing(Base(), 0x400000);
    closing.Entries() = {Entry(-1, 7)};
    closing.MarkChanged();
  }
  EXPECT_EQ(test::FileBytes(dir / "games.cp1").size(), 4u + 15u);
}

}  // namespace
}  // namespace zh
