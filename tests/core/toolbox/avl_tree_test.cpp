#include "core/toolbox/avl_tree.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "core/toolbox/memory_avl_tree.h"
#include "support/recording_services.h"

namespace zh {
namespace {

// Keys are 4-byte big-endian numbers, so byte order is number order.
AVLKey Key(uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  return AVLKey(b, 4, CompareKeyBytes);
}

uint32_t Value(const AVLKey& k) {
  const uint8_t* b = k.Bytes();
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

AVLNode Node(AVLTree& tree, int32_t i) {
  AVLNode node;
  EXPECT_EQ(tree.ReadNode(node, i), 0);
  return node;
}

int32_t Insert(AVLTree& tree, uint32_t v) {
  int32_t index = -1;
  EXPECT_EQ(tree.Insert(Key(v), index), 0);
  return index;
}

// Checks order and balances; answers the height of the subtree at i.
int CheckSubtree(AVLTree& tree, int32_t i, std::vector<uint32_t>& inOrder, int depth = 0) {
  if (i == -1) return 0;
  if (depth > AVLTree::kMaxHeight) {
    ADD_FAILURE() << "too deep";
    return 0;
  }
  const AVLNode node = Node(tree, i);
  const int left = CheckSubtree(tree, node.left, inOrder, depth + 1);
  inOrder.push_back(Value(node.key));
  const int right = CheckSubtree(tree, node.right, inOrder, depth + 1);
  EXPECT_EQ(node.balance, right - left) << "node " << i;
  return 1 + std::max(left, right);
}

class AVLTreeTest : public ::testing::Test {
 protected:
  MemoryAVLTree tree{4, CompareKeyBytes};
};

TEST_F(AVLTreeTest, InsertingInOrderRotates) {
  EXPECT_EQ(tree.Root(), -1);
  EXPECT_EQ(Insert(tree, 1), 0);
  EXPECT_EQ(Insert(tree, 2), 1);
  EXPECT_EQ(Insert(tree, 3), 2);
  EXPECT_EQ(tree.Root(), 1);
  const AVLNode root = Node(tree, 1);
  EXPECT_EQ(root.balance, 0);
  EXPECT_EQ(root.left, 0);
  EXPECT_EQ(root.right, 2);
  for (int32_t leaf : {0, 2}) {
    EXPECT_EQ(Node(tree, leaf).left, -1);
    EXPECT_EQ(Node(tree, leaf).right, -1);
  }
  EXPECT_EQ(Insert(tree, 2), 1);  // an equal key is not inserted again
  EXPECT_EQ(tree.GetEntryCount(), 3);
}

TEST_F(AVLTreeTest, DeletingKeepsIndexesOfSurvivingKeys) {
  // 40 at the root with two children; its predecessor 30 sits deeper on the left.
  std::map<uint32_t, int32_t> index;
  for (uint32_t v : {40, 20, 60, 10, 30, 50, 70, 25}) index[v] = Insert(tree, v);
  ASSERT_EQ(tree.Root(), index[40]);
  EXPECT_EQ(tree.Delete(Key(40)), 0);
  EXPECT_EQ(tree.Root(), index[30]);  // the predecessor's index becomes the root
  EXPECT_EQ(tree.FreeHead(), index[40]);
  for (auto [v, i] : index) {
    if (v == 40) continue;
    int32_t found = -1;
    EXPECT_EQ(tree.Find(Key(v), nullptr, found, true), 0);
    EXPECT_EQ(found, i) << v;
  }
  std::vector<uint32_t> order;
  CheckSubtree(tree, tree.Root(), order);
  EXPECT_EQ(order, (std::vector<uint32_t>{10, 20, 25, 30, 50, 60, 70}));

  // An inner node with two children: its predecessor keeps its index.
  EXPECT_EQ(tree.Delete(Key(20)), 0);
  int32_t found = -1;
  EXPECT_EQ(tree.Find(Key(10), nullptr, found, true), 0);
  EXPECT_EQ(found, index[10]);
  EXPECT_EQ(tree.FreeHead(), index[20]);
  // The last freed slot is used first.
  EXPECT_EQ(Insert(tree, 99), index[20]);
  EXPECT_EQ(Insert(tree, 98), index[40]);
  EXPECT_EQ(tree.Delete(Key(12345)), 9);
}

TEST_F(AVLTreeTest, FindNearestAndRanges) {
  std::map<uint32_t, int32_t> index;
  for (uint32_t v : {10, 20, 30, 40, 50}) index[v] = Insert(tree, v);
  AVLKey nearest;
  int32_t at = 0;
  EXPECT_EQ(tree.Find(Key(35), &nearest, at, false), 9);
  EXPECT_TRUE(at == index[30] || at == index[40]);
  EXPECT_EQ(Node(tree, at).key.Compare(nearest), 0);
  EXPECT_EQ(tree.Find(Key(35), &nearest, at, true), 9);
  EXPECT_EQ(at, -1);

  SortedLONGArr one;
  EXPECT_EQ(tree.CollectRange(one, Key(30), Key(30)), 0);
  ASSERT_EQ(one.Count(), 1u);
  EXPECT_EQ(one.Get(0), index[30]);

  int32_t count = 0;
  EXPECT_EQ(tree.CountRange(Key(0), Key(0xFFFFFFFF), count), 0);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(tree.CountRange(Key(15), Key(40), count), 0);
  EXPECT_EQ(count, 3);

  AVLKey key;
  EXPECT_EQ(tree.GetKeyAt(index[50], key), 0);
  EXPECT_EQ(Value(key), 50u);
  EXPECT_EQ(tree.GetKeyAt(99, key), 4);
  EXPECT_EQ(key.Text(), "0");  // 50 is 00 00 00 32: first word 0
}

TEST(AVLTreeReplace, WritesOnlyEqualKeys) {
  // Keys compare on their first two bytes; the rest is data the caller may rewrite.
  const AVLCompare firstTwo = [](const uint8_t* a, const uint8_t* b, uint16_t) {
    return CompareKeyBytes(a, b, 2);
  };
  MemoryAVLTree t(4, firstTwo);
  const uint8_t a[4] = {0, 1, 7, 7}, b[4] = {0, 1, 9, 9}, c[4] = {0, 2, 9, 9};
  int32_t i = -1;
  ASSERT_EQ(t.Insert(AVLKey(a, 4, firstTwo), i), 0);
  EXPECT_EQ(t.Replace(AVLKey(c, 4, firstTwo), i), 9);
  EXPECT_EQ(t.Replace(AVLKey(b, 4, firstTwo), i), 0);
  AVLKey k;
  ASSERT_EQ(t.GetKeyAt(i, k), 0);
  EXPECT_EQ(std::vector<uint8_t>(k.Bytes(), k.Bytes() + 4), std::vector<uint8_t>(b, b + 4));
}

TEST_F(AVLTreeTest, DeleteRefusedWhenNotWritable) {
  Insert(tree, 1);
  tree.SetWritable(false);
  EXPECT_EQ(tree.Delete(Key(1)), 1);
  tree.SetWritable(true);
  EXPECT_EQ(tree.Delete(Key(1)), 0);
  EXPECT_EQ(tree.Root(), -1);
}

TEST_F(AVLTreeTest, KeysOfAnotherLengthAreNeverFound) {
  Insert(tree, 5);
  const uint8_t shortKey[2] = {0, 5};
  const AVLKey k(shortKey, 2, CompareKeyBytes);
  int32_t at;
  EXPECT_EQ(tree.Find(k, nullptr, at, true), 9);
  EXPECT_EQ(tree.Insert(k, at), 1);
  EXPECT_EQ(tree.GetEntryCount(), 1);
}

TEST(AVLNodeImage, PacksLittleEndian) {
  const uint8_t key[2] = {0xAA, 0xBB};
  AVLNode node;
  node.left = 1;
  node.right = -1;
  node.balance = -1;
  node.key = AVLKey(key, 2, CompareKeyBytes);
  std::vector<uint8_t> image(node.ImageSize());
  node.Pack(image.data());
  EXPECT_EQ(image, (std::vector<uint8_t>{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0xBB}));
  node.compact = false;
  node.balance = 1;
  image.assign(node.ImageSize(), 0);
  node.Pack(image.data());
  EXPECT_EQ(image,
            (std::vector<uint8_t>{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0xAA, 0xBB}));
  AVLNode back;
  ASSERT_TRUE(back.Unpack(image.data(), image.size(), 2, CompareKeyBytes, false));
  EXPECT_EQ(back.left, 1);
  EXPECT_EQ(back.balance, 1);
  EXPECT_EQ(back.key.Compare(node.key), 0);
  image[8] = 2;
  EXPECT_FALSE(back.Unpack(image.data(), image.size(), 2, CompareKeyBytes, false));
  EXPECT_FALSE(back.Unpack(image.data(), 13, 2, CompareKeyBytes, false));
}

// Random inserts, deletes and finds against std::map: indexes stay, order and balances
// hold, ranges agree.
TEST(AVLTreeRandom, MatchesStdMap) {
  for (bool compact : {true, false}) {
    MemoryAVLTree tree(4, CompareKeyBytes, compact);
    std::map<uint32_t, int32_t> model;
    std::mt19937 rng(compact ? 7 : 8);
    std::uniform_int_distribution<uint32_t> keys(0, 3000);
    for (int op = 1; op <= 20000; ++op) {
      const uint32_t v = keys(rng);
      const int kind = static_cast<int>(rng() % 3);
      int32_t at = -1;
      const int32_t found = tree.Find(Key(v), nullptr, at, true);
      auto it = model.find(v);
      ASSERT_EQ(found == 0, it != model.end()) << v;
      if (it != model.end()) {
        ASSERT_EQ(at, it->second) << "index of " << v << " moved";
      }
      if (kind == 0 || kind == 1) {
        int32_t index = -1;
        ASSERT_EQ(tree.Insert(Key(v), index), 0);
        if (it != model.end()) {
          ASSERT_EQ(index, it->second);
        }
        model[v] = index;
      } else {
        ASSERT_EQ(tree.Delete(Key(v)), it != model.end() ? 0 : 9);
        if (it != model.end()) model.erase(it);
      }
      if (op % 2000 == 0) {
        std::vector<uint32_t> order;
        CheckSubtree(tree, tree.Root(), order);
        std::vector<uint32_t> expected;
        for (auto [k, i] : model) expected.push_back(k);
        ASSERT_EQ(order, expected);

        std::vector<int32_t> walked;
        EXPECT_EQ(tree.ForEach([&](int32_t i, const AVLKey& k) {
          EXPECT_EQ(model.at(Value(k)), i);
          walked.push_back(i);
          return 0;
        }),
                  0);
        EXPECT_EQ(walked.size(), model.size());

        const uint32_t low = keys(rng), high = low + keys(rng) / 4;
        SortedLONGArr collected(static_cast<uint32_t>(model.size()) + 1);
        ASSERT_EQ(tree.CollectRange(collected, Key(low), Key(high)), 0);
        std::vector<int32_t> inRange;
        for (auto i = model.lower_bound(low); i != model.end() && i->first <= high; ++i)
          inRange.push_back(i->second);
        EXPECT_EQ(std::vector<int32_t>(collected.Data(), collected.Data() + collected.Count()),
                  inRange);
        int32_t count = -1;
        ASSERT_EQ(tree.CountRange(Key(low), Key(high), count), 0);
        EXPECT_EQ(count, static_cast<int32_t>(inRange.size()));
      }
    }
  }
}

TEST(AVLTreeDamage, CycleGivesErrorNotHang) {
  test::RecordingServices rec;
  MemoryAVLTree tree(4, CompareKeyBytes);
  for (uint32_t v = 1; v <= 7; ++v) Insert(tree, v);
  // A left link back to the root: every descent to the left runs in a circle.
  AVLNode leftmost = Node(tree, 0);
  leftmost.left = tree.Root();
  ASSERT_EQ(tree.WriteNode(leftmost, 0), 0);

  int32_t at, count;
  EXPECT_EQ(tree.Find(Key(0), nullptr, at, true), 6);
  EXPECT_EQ(tree.Insert(Key(0), at), 6);
  EXPECT_EQ(tree.ForEach([](int32_t, const AVLKey&) { return 0; }), 6);
  EXPECT_EQ(tree.CountRange(Key(0), Key(9), count), 6);
  SortedLONGArr arr;
  EXPECT_EQ(tree.CollectRange(arr, Key(0), Key(9)), 6);
  EXPECT_EQ(tree.Delete(Key(0)), 6);
  EXPECT_EQ(rec.CallsStartingWith("ErrorBox: Incons\ncore/avl_tree\n").size(), 6u);
  EXPECT_EQ(rec.CallsStartingWith("Log: Incons core/avl_tree ").size(), 6u);

  // A right link to itself: the in-order walk would visit one node for ever.
  MemoryAVLTree loop(4, CompareKeyBytes);
  Insert(loop, 1);
  AVLNode self = Node(loop, 0);
  self.right = 0;
  ASSERT_EQ(loop.WriteNode(self, 0), 0);
  EXPECT_EQ(loop.ForEach([](int32_t, const AVLKey&) { return 0; }), 6);
  EXPECT_EQ(loop.Find(Key(5), nullptr, at, true), 6);
}

TEST(AVLTreeDamage, UnreadableNodeDuringDelete) {
  test::RecordingServices rec;
  MemoryAVLTree tree(4, CompareKeyBytes);
  for (uint32_t v = 1; v <= 3; ++v) Insert(tree, v);
  tree.Image(0)[8] = 7;  // not a balance
  EXPECT_EQ(tree.Delete(Key(1)), 6);
  EXPECT_EQ(rec.CallsStartingWith("ErrorBox: AVLdel\n").size(), 1u);
}

}  // namespace
}  // namespace zh
