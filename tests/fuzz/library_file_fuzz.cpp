// Any bytes opened as a library file (the first byte picks the library): the
// walks answer without crash or hang, and after a length check and a repair the file
// is sound: a second check finds nothing, every used entry is found at its old index,
// the order table builds, and inserts and deletes work.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/toolbox/disk_tree.h"
#include "core/toolbox/int_array.h"
#include "database/game/header_items.h"

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

// The used nodes whose key no other used node's key compares equal to, with their
// keys.
std::vector<std::pair<int32_t, std::vector<uint8_t>>> UniqueKeys(
    zh::DiskTree& tree, const std::vector<int32_t>& usage, zh::AVLCompare compare) {
  std::vector<std::pair<int32_t, std::vector<uint8_t>>> used;
  zh::AVLNode node;
  for (int32_t i = 0; i < tree.GetEntryCount(); ++i) {
    if (usage[static_cast<size_t>(i)] < 0 || tree.ReadNode(node, i) != 0) continue;
    used.emplace_back(i, std::vector<uint8_t>(node.key.Bytes(), node.key.Bytes() + node.key.Length()));
  }
  const auto cmp = [&](const auto& a, const auto& b) {
    return compare(a.second.data(), b.second.data(), static_cast<uint16_t>(a.second.size()));
  };
  std::sort(used.begin(), used.end(), [&](const auto& a, const auto& b) { return cmp(a, b) < 0; });
  std::vector<std::pair<int32_t, std::vector<uint8_t>>> unique;
  for (size_t k = 0; k < used.size(); ++k) {
    const bool equalBefore = k > 0 && cmp(used[k - 1], used[k]) == 0;
    const bool equalAfter = k + 1 < used.size() && cmp(used[k], used[k + 1]) == 0;
    if (!equalBefore && !equalAfter) unique.push_back(used[k]);
  }
  return unique;
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
      const auto kept = UniqueKeys(tree, usage, kind.compare);
      Check(tree.CheckAndRepair(check, usage) == 0);
      for (const auto& [at, bytes] : kept) {
        int32_t found = -1;
        const auto key = zh::AVLKey::Refer(bytes.data(), keyLength, kind.compare);
        Check(tree.Find(key, nullptr, found, true) == 0 && found == at);
      }
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
