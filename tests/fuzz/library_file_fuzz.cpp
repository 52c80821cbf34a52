// Any bytes opened as a library file (the first byte picks the library): the
// walks answer without crash or hang, and after a length check and a repair the file
// is sound: a second check finds nothing, the order table builds, and inserts and
// deletes work.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/disk_tree.h"
#include "core/int_array.h"
#include "database/header_items.h"

namespace {

struct Kind {
  uint16_t length;
  zh::AVLCompare compare;
};
const Kind kKinds[] = {{90, &zh::TQTournament::CompareRecords},
                       {58, &zh::TQPlayer::CompareRecords},
                       {53, &zh::TQAnnotator::CompareRecords},
                       {59, &zh::TQSource::CompareRecords}};

std::vector<int32_t> Usage(zh::DiskTree& tree) {
  std::vector<int32_t> usage(static_cast<size_t>(tree.GetEntryCount()), -1);
  zh::AVLNode node;
  for (int32_t i = 0; i < tree.GetEntryCount(); ++i)
    if (tree.ReadNode(node, i) == 0 && node.left != zh::AVLNode::kFree)
      usage[static_cast<size_t>(i)] = i;
  return usage;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const Kind& kind = kKinds[data[0] % 4];
  const uint16_t keyLength = kind.length;
  const std::string path = "/tmp/zh-fuzz-library-" + std::to_string(getpid()) + ".tqp";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  }
  {
    zh::NodeCacheBudget budget(64 * 1024);
    zh::DiskTree tree(path, keyLength, kind.compare, zh::DiskTree::kOpenExisting, &budget);
    if (tree.GetStatus() == 0) {
      const std::vector<uint8_t> low(keyLength, 0), high(keyLength, 0x7F), mid(keyLength, 'M');
      const auto lowKey = zh::AVLKey::Refer(low.data(), keyLength, kind.compare);
      const auto highKey = zh::AVLKey::Refer(high.data(), keyLength, kind.compare);
      const auto midKey = zh::AVLKey::Refer(mid.data(), keyLength, kind.compare);
      int32_t index;
      tree.Find(midKey, nullptr, index, false);
      zh::SortedLONGArr found;
      tree.CollectRange(found, lowKey, highKey);
      int32_t count;
      tree.CountRange(lowKey, highKey, count);
      tree.BuildOrderTable();

      zh::CheckRecord check{.repair = true};
      tree.CheckLength(check);
      std::vector<int32_t> usage = Usage(tree);
      Check(tree.CheckAndRepair(check, usage) == 0);
      zh::CheckRecord again{.repair = true};
      usage = Usage(tree);
      Check(tree.CheckLength(again) == 0);
      Check(tree.CheckAndRepair(again, usage) == 0 && again.defects == 0);
      Check(tree.BuildOrderTable() == 0);
      Check(tree.Insert(midKey, index) == 0);
      Check(tree.Delete(midKey) == 0);
    }
  }
  std::remove(path.c_str());
  return 0;
}
