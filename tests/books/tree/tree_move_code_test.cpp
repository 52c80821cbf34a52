#include "books/tree/tree_move_code.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "core/rules/movelist.h"
#include "core/rules/position.h"

namespace zh {
namespace {

TEST(TreeMoveCode, PermutationWithTheFixedPairs) {
  const uint8_t forward[] = {0xAF, 0x13, 0x67, 0xBE, 0x44, 0x0A, 0x8C, 0x97};
  const uint8_t inverse[] = {0x81, 0x6B, 0xC3, 0x97, 0x73, 0x0B, 0x7E, 0xB8};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(StoredTreeMove(static_cast<uint8_t>(i)), forward[i]) << i;
    EXPECT_EQ(TreeMoveCode(static_cast<uint8_t>(i)), inverse[i]) << i;
  }
  std::set<int> stored;
  for (int code = 0; code < 256; ++code) {
    stored.insert(StoredTreeMove(static_cast<uint8_t>(code)));
    EXPECT_EQ(TreeMoveCode(StoredTreeMove(static_cast<uint8_t>(code))), code);
    EXPECT_EQ(StoredTreeMove(TreeMoveCode(static_cast<uint8_t>(code))), code);
  }
  EXPECT_EQ(stored.size(), 256u);
}

// Every stored tree depends on these bytes: a digest pins all 256, and the committed
// header is what the generator writes.
TEST(TreeMoveCode, Golden) {
  uint32_t digest = 2166136261u;
  for (uint8_t b : kTreeMoveTable) digest = (digest ^ b) * 16777619u;
  EXPECT_EQ(digest, 0xA76AF991u);
  const std::string command = std::string(ZH_PYTHON3) + " " + ZH_SOURCE_DIR +
                              "/tools/gen_tree_move_table.py";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string generated;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe.get())) > 0;) generated.append(chunk, n);
  std::ifstream in(std::string(ZH_SOURCE_DIR) + "/src/books/tree/tree_move_table.h");
  std::stringstream committed;
  committed << in.rdbuf();
  EXPECT_EQ(generated, committed.str());
}

TEST(TreeMoveCode, MovesOfAPositionRoundTrip) {
  Position p;
  for (int side = 0; side < 2; ++side) {
    PieceIndexBoard board;
    board.SetFromPosition(p, 0);
    MoveList list;
    ASSERT_EQ(list.GenerateLegal(p), 20);
    std::set<uint8_t> bytes;
    for (const MoveCode& code : list) {
      GameMove m = GameMove::FromSquares(code.from, code.to);
      m.Complete(p);
      const uint8_t stored = EncodeTreeMove(board, m);
      bytes.insert(stored);
      GameMove back;
      ASSERT_TRUE(DecodeTreeMove(board, stored, p.side == 1, back));
      EXPECT_EQ(back.from, m.from);
      EXPECT_EQ(back.to, m.to);
    }
    EXPECT_EQ(bytes.size(), 20u);
    GameMove first = GameMove::FromSquares(list.At(0).from, list.At(0).to);
    first.Complete(p);
    p.DoGameMove(first);
  }
}

}  // namespace
}  // namespace zh
