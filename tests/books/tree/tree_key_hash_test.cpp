#include "books/tree/tree_key_hash.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "books/tree/tree_test_util.h"
#include "support/test_fen.h"

namespace zh {
namespace {

TEST(TreeKeyHash, OneByteKey) {
  const uint8_t key[] = {0x01};
  EXPECT_EQ(TreeKeyHash(key, 1), 1103595596u);
}

// Ten keys against a transcription of the rule in Python.
TEST(TreeKeyHash, AgreesWithIndependentTranscription) {
  auto keys = test::GeneratedKeys(8, 49);
  keys.push_back(test::Key(31, 0xFF));
  keys.back()[0] = 0xFF;
  keys.push_back({0x09, 0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70});
  std::ostringstream hex;
  for (const auto& key : keys) {
    for (uint8_t b : key) {
      char cell[3];
      std::snprintf(cell, sizeof cell, "%02x", b);
      hex << cell;
    }
    hex << '\n';
  }
  const std::string input = (std::filesystem::temp_directory_path() / "zh-tree-hash-keys.txt").string();
  {
    std::ofstream out(input);
    out << hex.str();
  }
  const std::string command = std::string(ZH_PYTHON3) + " " + ZH_SOURCE_DIR +
                              "/tests/books/tree/tree_key_hash.py < " + input;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  for (const auto& key : keys) {
    unsigned long expected = 0;
    ASSERT_EQ(std::fscanf(pipe.get(), "%lu", &expected), 1);
    EXPECT_EQ(test::HashOf(key), expected) << "key of length " << key.size();
  }
  std::filesystem::remove(input);
}

TEST(TreeKeyHash, BucketOrderComparesLowestDifferingBitFirst) {
  struct Case {
    uint32_t a, b;
    bool less;
  };
  const Case cases[] = {
      {0b10, 0b01, true},            // bit 0 decides although b is smaller
      {0b01, 0b10, false},
      {0x80000000, 0x00000000, false},
      {0x00000000, 0x80000000, true},
      {0x12345678, 0x12345678, false},  // equal hashes are equal
      {0b0100, 0b1100, true},
  };
  for (const Case& c : cases) EXPECT_EQ(BucketOrderLess(c.a, c.b), c.less) << c.a << " " << c.b;
}

// A position, its colour mirror (the other side to move) and its board mirrors share
// one key; the steps tell them apart.
TEST(TreeKeyHash, MirroredTwinsShareTheKey) {
  const Position p =
      test::ParseFenForTest("r3k2r/pp3ppp/2n5/3pP3/8/2N5/PP3PPP/R3K2R w KQkq d6 0 1");
  Position mirrored = p;
  mirrored.Mirror();
  ASSERT_EQ(mirrored.side, 1u);
  uint8_t key[50], twin[50];
  int steps = 0, twinSteps = 0;
  ASSERT_EQ(TreeKeyOfPosition(p, key, steps), 0);
  ASSERT_EQ(TreeKeyOfPosition(mirrored, twin, twinSteps), 0);
  ASSERT_EQ(PositionKeyLength(key), PositionKeyLength(twin));
  EXPECT_EQ(std::vector<uint8_t>(key, key + PositionKeyLength(key)),
            std::vector<uint8_t>(twin, twin + PositionKeyLength(twin)));
  EXPECT_EQ((steps ^ twinSteps) & kColoursMirrored, kColoursMirrored);

  const Position bare = test::ParseFenForTest("8/8/8/3k4/8/8/5K2/8 w - - 0 1");
  const Position flipped = test::ParseFenForTest("8/8/8/4k3/8/8/2K5/8 w - - 0 1");
  ASSERT_EQ(TreeKeyOfPosition(bare, key, steps), 0);
  ASSERT_EQ(TreeKeyOfPosition(flipped, twin, twinSteps), 0);
  EXPECT_EQ(std::vector<uint8_t>(key, key + PositionKeyLength(key)),
            std::vector<uint8_t>(twin, twin + PositionKeyLength(twin)));
}

}  // namespace
}  // namespace zh
