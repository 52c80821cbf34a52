#include "core/toolbox/disk_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/toolbox/little_endian.h"
#include "core/python_runner.h"
#include "core/temp_dir.h"
#include "support/file_bytes.h"
#include "support/recording_services.h"

namespace zh {
namespace {

constexpr uint16_t kKeyLength = 4;

// Keys are 4-byte big-endian numbers, so byte order is number order.
AVLKey Key(uint32_t v) {
  uint8_t b[4];
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  return AVLKey(b, kKeyLength, CompareKeyBytes);
}

uint32_t Value(const AVLKey& k) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | k.Bytes()[i];
  return v;
}

using test::FileBytes;
using test::WriteFileBytes;

// An empty file in the old format: 20-byte header, no user value.
void WriteOldFormatFile(const std::filesystem::path& path, uint16_t keyLength) {
  std::vector<uint8_t> h(20, 0);
  PutLE32(h.data() + 4, 0);
  PutLE32(h.data() + 8, 7);
  PutLittleEndian(h.data() + 12, 2, keyLength);
  PutLE32(h.data() + 16, -1);
  WriteFileBytes(path, h);
}

// The independent reader's verdict on a tree file of 4-byte keys.
std::string ReadTree(const std::filesystem::path& path, const std::vector<int32_t>& used = {}) {
  std::string list;
  for (int32_t u : used) list += (list.empty() ? "" : ",") + std::to_string(u);
  std::string out;
  const int rc = test::RunPythonScript("../tools/tree_reader.py",
                                       {path.string(), "--key-length", "4", "--used=" + list}, &out);
  return rc == 0 ? "ok" : out;
}

int32_t Insert(DiskTree& tree, uint32_t v) {
  int32_t index = -1;
  EXPECT_EQ(tree.Insert(Key(v), index), 0);
  return index;
}

TEST(DiskTreeFile, NewFileIsHeaderOnlyAndNodesTakeLinkPlusKey) {
  test::TempDir dir;
  const auto path = dir / "names.tqp";
  {
    DiskTree tree(path.string(), 30, CompareKeyBytes, DiskTree::kOpenOrCreate);
    ASSERT_EQ(tree.GetStatus(), 0);
    EXPECT_TRUE(tree.WasCreated());
    EXPECT_EQ(tree.NodeSize(), 39u);
  }
  std::vector<uint8_t> bytes = FileBytes(path);
  ASSERT_EQ(bytes.size(), 28u);
  EXPECT_EQ(GetLE32(bytes.data()), 0);                 // entry count
  EXPECT_EQ(GetLE32(bytes.data() + 8), 1234567890);    // extended format
  EXPECT_EQ(GetLittleEndian(bytes.data() + 12, 2), 30u);
  EXPECT_EQ(GetLE32(bytes.data() + 16), -1);           // no free node
  EXPECT_EQ(GetLE32(bytes.data() + 20), 999);          // user value
  EXPECT_EQ(GetLE32(bytes.data() + 24), 0);            // no extra header bytes
  {
    DiskTree tree(path.string(), 30, CompareKeyBytes, DiskTree::kOpenExisting);
    ASSERT_EQ(tree.GetStatus(), 0);
    EXPECT_FALSE(tree.WasCreated());
    const std::string name(30, 'a');
    int32_t index = -1;
    ASSERT_EQ(tree.Insert(AVLKey(name.data(), 30, CompareKeyBytes), index), 0);
    EXPECT_EQ(index, 0);
    ASSERT_EQ(tree.FlushNodes(), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 28u + 39u);
  }
}

TEST(DiskTreeFile, OldFormatKeepsItsHeaderAndWideLinks) {
  test::TempDir dir;
  const auto path = dir / "old.tqp";
  WriteOldFormatFile(path, kKeyLength);
  {
    DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenExisting);
    ASSERT_EQ(tree.GetStatus(), 0);
    EXPECT_FALSE(tree.IsCompact());
    EXPECT_EQ(tree.HeaderSize(), 20u);
    EXPECT_EQ(tree.NodeSize(), 16u);
    for (uint32_t v : {10, 5, 1}) Insert(tree, v);  // 5 ends at the root, 1 has balance -1
  }
  const std::vector<uint8_t> bytes = FileBytes(path);
  ASSERT_EQ(bytes.size(), 20u + 3 * 16u);
  EXPECT_EQ(GetLE32(bytes.data() + 4), 1);      // root: the node of 5
  EXPECT_EQ(GetLE32(bytes.data() + 20 + 8), 0);  // balances are 4 bytes wide
  EXPECT_EQ(ReadTree(path), "ok");
}

// Headers that do not fit their file or the caller make the tree unusable.
TEST(DiskTreeFile, DamagedHeadersAreRefused) {
  struct Case {
    const char* name;
    int offset;     // 4-byte field to overwrite, -1 to cut the file
    int32_t value;  // the new field value, or the length to cut to
    int32_t status;
  };
  const Case cases[] = {
      {"negative extra length", 24, -5, 6},
      {"extra length beyond the file", 24, 1 << 30, 6},
      {"header cut short", -1, 18, 6},
      {"extended header cut short", -1, 24, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const auto path = dir / "t.tqt";
    { DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenOrCreate); }
    std::vector<uint8_t> bytes = FileBytes(path);
    if (c.offset >= 0)
      PutLE32(bytes.data() + c.offset, c.value);
    else
      bytes.resize(static_cast<uint32_t>(c.value));
    WriteFileBytes(path, bytes);
    test::RecordingServices services;
    DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenExisting);
    EXPECT_EQ(tree.GetStatus(), c.status);
    int32_t index;
    EXPECT_NE(tree.Insert(Key(1), index), 0);
  }
  test::TempDir dir;
  const auto path = dir / "t.tqt";
  { DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenOrCreate); }
  DiskTree other(path.string(), 8, CompareKeyBytes, DiskTree::kOpenExisting);
  EXPECT_EQ(other.GetStatus(), 9);  // the caller's key length differs
  DiskTree missing((dir / "none").string(), 8, CompareKeyBytes, DiskTree::kOpenExisting);
  EXPECT_EQ(missing.GetStatus(), 9);
}

// A count far beyond the file neither sizes the cache nor survives the length check.
TEST(DiskTreeFile, HugeCountIsCutToTheFile) {
  test::TempDir dir;
  const auto path = dir / "t.tqt";
  {
    DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenOrCreate);
    for (uint32_t v = 0; v < 10; ++v) Insert(tree, v);
  }
  std::vector<uint8_t> bytes = FileBytes(path);
  PutLE32(bytes.data(), 0x7FFFFFF0);
  WriteFileBytes(path, bytes);
  test::RecordingServices services;
  DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenExisting);
  ASSERT_EQ(tree.GetStatus(), 0);
  EXPECT_LE(tree.Cache()->TableSize(), 10u + 256u);
  std::vector<int32_t> usage;
  CheckRecord check{.repair = true, .report = true};
  EXPECT_EQ(tree.CheckAndRepair(check, usage), 6);  // the length check comes first
  EXPECT_EQ(tree.BuildOrderTable(), 6);
  EXPECT_EQ(tree.CheckLength(check), 23);
  EXPECT_EQ(tree.GetEntryCount(), 10);
  EXPECT_EQ(ReadTree(path), "ok");
}

// The tree against std::map over random inserts, deletes and finds, in both formats,
// with a cache budget so small that most stores are refused and nodes go to the file.
class DiskTreeModel : public testing::TestWithParam<bool> {};

TEST_P(DiskTreeModel, MatchesMapWithStableIndexesAndLastFreedFirst) {
  const bool oldFormat = GetParam();
  test::TempDir dir;
  const auto path = dir / "model.tqp";
  if (oldFormat) WriteOldFormatFile(path, kKeyLength);
  NodeCacheBudget budget(24 * 1024);
  std::map<uint32_t, int32_t> model;  // key -> node index
  std::vector<int32_t> freed;         // the free list, head last
  int32_t slots = 0;
  std::mt19937 rng(7);
  constexpr int kOps = 100000;
  constexpr uint32_t kKeys = 6000;
  auto tree = std::make_unique<DiskTree>(path.string(), kKeyLength, CompareKeyBytes,
                                         DiskTree::kOpenOrCreate, &budget);
  for (int op = 0; op < kOps; ++op) {
    if (op % 25000 == 24999) {  // reopen: everything must have reached the file
      tree.reset();
      tree = std::make_unique<DiskTree>(path.string(), kKeyLength, CompareKeyBytes,
                                        DiskTree::kOpenExisting, &budget);
      ASSERT_EQ(tree->GetStatus(), 0);
    }
    const uint32_t v = rng() % kKeys;
    const auto it = model.find(v);
    int32_t index = -1;
    switch (rng() % 3) {
      case 0:  // insert: a new key takes the last freed slot, else grows the file
        ASSERT_EQ(tree->Insert(Key(v), index), 0);
        if (it != model.end()) {
          ASSERT_EQ(index, it->second);
        } else if (!freed.empty()) {
          ASSERT_EQ(index, freed.back()) << "op " << op;
          freed.pop_back();
          model[v] = index;
        } else {
          ASSERT_EQ(index, slots++);
          model[v] = index;
        }
        break;
      case 1:  // delete: only the deleted key's slot is freed
        ASSERT_EQ(tree->Delete(Key(v)), it == model.end() ? 9 : 0);
        if (it != model.end()) {
          freed.push_back(it->second);
          model.erase(it);
        }
        break;
      default: {
        AVLKey nearest;
        ASSERT_EQ(tree->Find(Key(v), &nearest, index, true), it == model.end() ? 9 : 0);
        ASSERT_EQ(index, it == model.end() ? -1 : it->second);
      }
    }
  }
  EXPECT_LT(budget.Free(), 256u * tree->NodeSize());  // the cache did refuse stores
  EXPECT_EQ(tree->GetEntryCount(), slots);
  EXPECT_EQ(tree->FreeHead(), freed.empty() ? -1 : freed.back());
  // Every key sits at the index it was given, in order.
  auto expected = model.begin();
  ASSERT_EQ(tree->ForEach([&](int32_t i, const AVLKey& key) {
    if (expected == model.end() || Value(key) != expected->first || i != expected->second)
      return 1;
    ++expected;
    return 0;
  }),
            0);
  EXPECT_EQ(expected, model.end());
  tree.reset();
  EXPECT_EQ(budget.Used(), 0u);
  EXPECT_EQ(ReadTree(path), "ok");
}

INSTANTIATE_TEST_SUITE_P(BothFormats, DiskTreeModel, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Old" : "Extended"; });

// A tree of 20 keys with 5 of them deleted again: nodes 3, 7, 11, 15 and 19 are free.
class DiskTreeRepair : public testing::Test {
 protected:
  void SetUp() override {
    DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenOrCreate);
    for (uint32_t v = 0; v < 20; ++v) Insert(tree, v * 10);
    for (uint32_t v = 3; v < 20; v += 4) ASSERT_EQ(tree.Delete(Key(v * 10)), 0);
    header = tree.HeaderSize();
    nodeSize = tree.NodeSize();
  }

  std::vector<int32_t> Usage(int32_t count) const {
    std::vector<int32_t> usage(static_cast<uint32_t>(std::max(count, 0)), -1);
    for (int32_t i = 0; i < 20 && i < count; ++i)
      if (i % 4 != 3) usage[static_cast<size_t>(i)] = 100 + i;
    return usage;
  }
  int32_t Field(const std::vector<uint8_t>& b, int32_t node, int offset) const {
    return GetLE32(b.data() + header + node * nodeSize + offset);
  }
  void SetField(std::vector<uint8_t>& b, int32_t node, int offset, int32_t value) const {
    PutLE32(b.data() + header + node * nodeSize + offset, value);
  }
  // The live nodes (and those of `more`) keep their keys at their indexes.
  void ExpectEntriesKept(DiskTree& tree, int32_t upTo = 20) const {
    for (int32_t i = 0; i < upTo; ++i) {
      if (i % 4 == 3) continue;
      int32_t index = -1;
      EXPECT_EQ(tree.Find(Key(static_cast<uint32_t>(i) * 10), nullptr, index, true), 0) << i;
      EXPECT_EQ(index, i);
    }
  }
  std::vector<int32_t> UsedList(int32_t upTo = 20) const {
    std::vector<int32_t> used;
    for (int32_t i = 0; i < upTo; ++i)
      if (i % 4 != 3) used.push_back(i);
    return used;
  }

  test::TempDir dir;
  std::filesystem::path path = dir / "lib.tqp";
  uint32_t header = 0;
  uint32_t nodeSize = 0;
};

TEST_F(DiskTreeRepair, SoundTreePassesWithoutLines) {
  test::RecordingServices services;
  DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenExisting);
  CheckRecord check{.repair = true, .report = true, .detail = true};
  std::vector<int32_t> usage = Usage(20);
  EXPECT_EQ(tree.CheckLength(check), 0);
  EXPECT_EQ(tree.CheckAndRepair(check, usage), 0);
  EXPECT_EQ(check.defects, 0);
  EXPECT_TRUE(services.calls.empty()) << services.calls.front();
}

struct RepairCase {
  const char* name;
  void (*damage)(DiskTreeRepair& t, std::vector<uint8_t>& bytes);
  int32_t lengthResult;
  std::vector<std::string> lines;
  int32_t liveUpTo;  // live nodes below this index keep their entries
};

class DiskTreeRepairCases : public DiskTreeRepair,
                            public testing::WithParamInterface<RepairCase> {
 public:
  using DiskTreeRepair::Field;
  using DiskTreeRepair::SetField;
  uint32_t NodeBytes() const { return nodeSize; }
};

TEST_P(DiskTreeRepairCases, ReportsRepairsAndKeepsEntryIndexes) {
  const RepairCase& c = GetParam();
  std::vector<uint8_t> bytes = FileBytes(path);
  c.damage(*this, bytes);
  WriteFileBytes(path, bytes);
  test::RecordingServices services;
  {
    DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenExisting);
    ASSERT_EQ(tree.GetStatus(), 0);
    CheckRecord check{.repair = true, .report = true, .detail = true};
    EXPECT_EQ(tree.CheckLength(check), c.lengthResult);
    std::vector<int32_t> usage = Usage(tree.GetEntryCount());
    for (int32_t i = c.liveUpTo; i < 20 && i < tree.GetEntryCount(); ++i)
      usage[static_cast<size_t>(i)] = -1;
    EXPECT_EQ(tree.CheckAndRepair(check, usage), 0);
    EXPECT_GT(check.defects, 0);
    std::vector<std::string> logged = services.CallsStartingWith("Log: ");
    for (auto& line : logged) line.erase(0, 5);
    EXPECT_EQ(logged, c.lines);
    ExpectEntriesKept(tree, c.liveUpTo);
    // A second check finds nothing left to mend.
    CheckRecord again{.report = true};
    usage = Usage(tree.GetEntryCount());
    for (int32_t i = c.liveUpTo; i < 20 && i < tree.GetEntryCount(); ++i)
      usage[static_cast<size_t>(i)] = -1;
    EXPECT_EQ(tree.CheckLength(again), 0);
    EXPECT_EQ(tree.CheckAndRepair(again, usage), 0);
    EXPECT_EQ(again.defects, 0);
  }
  EXPECT_EQ(ReadTree(path, UsedList(c.liveUpTo)), "ok");
  DiskTree reopened(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenExisting);
  ExpectEntriesKept(reopened, c.liveUpTo);
}

using T = DiskTreeRepairCases;
INSTANTIATE_TEST_SUITE_P(
    Fixtures, DiskTreeRepairCases,
    testing::Values(
        // The last node (19, the free list's head) is cut in half.
        RepairCase{"CutInsideNode",
                   [](DiskTreeRepair& t, std::vector<uint8_t>& b) {
                     b.erase(b.end() - static_cast<T&>(t).NodeBytes() / 2, b.end());
                   },
                   23,
                   {"file length error", "reset number of entries (19)", "free list error: head=19",
                    "free list error (3): not used but not in free bucket list",
                    "free list error (7): not used but not in free bucket list",
                    "free list error (11): not used but not in free bucket list",
                    "free list error (15): not used but not in free bucket list"},
                   20},
        // Node 18, a live leaf, is cut inside as well: its entry is lost with it.
        RepairCase{"CutInsideLiveNode",
                   [](DiskTreeRepair& t, std::vector<uint8_t>& b) {
                     b.erase(b.end() - static_cast<T&>(t).NodeBytes() * 3 / 2, b.end());
                   },
                   23,
                   {"file length error", "reset number of entries (18)",
                    "tree (17): pointer error right=18", "tree (17): balance error=0",
                    "rebuild tree...", "free list error: head=19",
                    "free list error (3): not used but not in free bucket list",
                    "free list error (7): not used but not in free bucket list",
                    "free list error (11): not used but not in free bucket list",
                    "free list error (15): not used but not in free bucket list"},
                   18},
        RepairCase{"WholeExtraNodes",
                   [](DiskTreeRepair& t, std::vector<uint8_t>& b) {
                     b.resize(b.size() + 2 * static_cast<T&>(t).NodeBytes(), 0);
                   },
                   23,
                   {"file length error", "reset number of entries (22)",
                    "free list error (20): not used but not in free bucket list",
                    "free list error (21): not used but not in free bucket list"},
                   20},
        RepairCase{"BadLeftLink",
                   [](DiskTreeRepair& t, std::vector<uint8_t>& b) {
                     static_cast<T&>(t).SetField(b, 9, 0, 5000);
                   },
                   0,
                   {"tree (9): pointer error left=5000", "tree (9): balance error=-1",
                    "tree (10): balance error=0", "tree (8): used but not in tree",
                    "rebuild tree..."},
                   20},
        // The free list's last node (3) leads on to the live node 2.
        RepairCase{"UsedNodeOnFreeList",
                   [](DiskTreeRepair& t, std::vector<uint8_t>& b) {
                     static_cast<T&>(t).SetField(b, 3, 4, 2);
                   },
                   0,
                   {"free list error (2): first game=102"},
                   20},
        // The free list ends after its first two nodes: 11 and 7... are left out.
        RepairCase{"FreeNodeOutsideList",
                   [](DiskTreeRepair& t, std::vector<uint8_t>& b) {
                     static_cast<T&>(t).SetField(b, 15, 4, -1);
                   },
                   0,
                   {"free list error (3): not used but not in free bucket list",
                    "free list error (7): not used but not in free bucket list",
                    "free list error (11): not used but not in free bucket list"},
                   20},
        // The first leaf's left link points back at the root (6).
        RepairCase{"CyclicLink",
                   [](DiskTreeRepair& t, std::vector<uint8_t>& b) {
                     auto& c = static_cast<T&>(t);
                     c.SetField(b, 0, 0, GetLE32(b.data() + 4));
                   },
                   0,
                   {"tree (6): reached twice", "rebuild tree..."},
                   20},
        // The root's subtrees change sides: every link is in range, the order is not.
        RepairCase{"SwappedSubtrees",
                   [](DiskTreeRepair& t, std::vector<uint8_t>& b) {
                     auto& c = static_cast<T&>(t);
                     const int32_t root = GetLE32(b.data() + 4);
                     const int32_t left = c.Field(b, root, 0);
                     c.SetField(b, root, 0, c.Field(b, root, 4));
                     c.SetField(b, root, 4, left);
                   },
                   0,
                   {"tree (6): key out of order", "tree (0): key out of order",
                    "tree (6): balance error=1", "rebuild tree..."},
                   20}),
    [](const auto& info) { return std::string(info.param.name); });

// A free head on a live node is dropped before a new node could overwrite the entry.
TEST_F(DiskTreeRepair, FreeHeadOnLiveNodeLeavesTheEntryIntact) {
  std::vector<uint8_t> bytes = FileBytes(path);
  PutLE32(bytes.data() + 16, 5);
  WriteFileBytes(path, bytes);
  test::RecordingServices services;
  DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenExisting);
  EXPECT_EQ(Insert(tree, 1000), 20);  // grows at the end
  EXPECT_EQ(services.CallsStartingWith("Log: free list error: head 5").size(), 1u);
  ExpectEntriesKept(tree);
  EXPECT_EQ(tree.FreeHead(), -1);
}

TEST_F(DiskTreeRepair, OrderTableGivesKeyPositionsAndRefusesCycles) {
  {
    DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenExisting);
    ASSERT_EQ(tree.BuildOrderTable(), 0);
    int32_t position = 0;
    for (int32_t i = 0; i < 20; ++i)
      EXPECT_EQ(tree.OrderTable()->Order(i), i % 4 == 3 ? -1 : position++) << i;
  }
  std::vector<uint8_t> bytes = FileBytes(path);
  SetField(bytes, 0, 0, GetLE32(bytes.data() + 4));
  WriteFileBytes(path, bytes);
  DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenExisting);
  EXPECT_EQ(tree.BuildOrderTable(), 6);
  EXPECT_EQ(tree.OrderTable(), nullptr);
}

TEST_F(DiskTreeRepair, FindParentMatchesTheLinks) {
  DiskTree tree(path.string(), kKeyLength, CompareKeyBytes, DiskTree::kOpenExisting);
  std::map<int32_t, int32_t> parent;
  AVLNode node;
  for (int32_t i = 0; i < 20; ++i) {
    ASSERT_EQ(tree.ReadNode(node, i), 0);
    if (node.left == AVLNode::kFree) continue;
    if (node.left >= 0) parent[node.left] = i;
    if (node.right >= 0) parent[node.right] = i;
  }
  for (int32_t i = 0; i < 20; ++i) {
    if (i % 4 == 3) continue;
    EXPECT_EQ(tree.FindParent(i), parent.count(i) ? parent[i] : -1) << i;
  }
}

TEST(LinkBalanced, UpperMiddleRootsGiveTrueBalances) {
  struct Written {
    int32_t position, left, right, balance;
  };
  std::vector<Written> written;
  int32_t rc = 0;
  auto write = [&](int32_t p, int32_t l, int32_t r, int8_t b) {
    written.push_back({p, l, r, b});
    return 0;
  };
  EXPECT_EQ(LinkBalanced(0, 4, write, rc), 2);
  std::vector<int32_t> order;
  for (const auto& w : written) order.push_back(w.position);
  EXPECT_EQ(order, (std::vector<int32_t>{0, 1, 3, 4, 2}));
  EXPECT_EQ(written[1].left, 0);  // 1 over 0
  EXPECT_EQ(written[1].balance, -1);
  EXPECT_EQ(written[4].balance, 0);
  EXPECT_EQ(LinkBalanced(0, -1, write, rc), -1);
  // Heights from the links agree with the balances for every size up to 300.
  for (int32_t n = 1; n <= 300; ++n) {
    written.assign(static_cast<uint32_t>(n), {});
    auto store = [&](int32_t p, int32_t l, int32_t r, int8_t b) {
      written[static_cast<size_t>(p)] = {p, l, r, b};
      return 0;
    };
    const int32_t root = LinkBalanced(0, n - 1, store, rc);
    std::function<int(int32_t)> height = [&](int32_t p) -> int {
      if (p < 0) return 0;
      const Written& w = written[static_cast<size_t>(p)];
      const int hl = height(w.left), hr = height(w.right);
      EXPECT_EQ(w.balance, hr - hl) << n << " " << p;
      return 1 + std::max(hl, hr);
    };
    height(root);
  }
}

}  // namespace
}  // namespace zh
