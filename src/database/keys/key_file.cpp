#include "database/keys/key_file.h"

#include <algorithm>
#include <cstring>

#include "core/toolbox/code_pages.h"
#include "core/services.h"

namespace zh {

namespace {

struct KindExtension {
  int32_t kind;
  const char* extension;
};

constexpr KindExtension kKeyExtensions[] = {
    {16, "ckm"},        {32, "ckp"},       {64, "cke"},       {128, "cku"},        {256, "ckb"},
    {0x200000, "ckn"}, {0x400000, "ck1"}, {0x800000, "ck2"}, {0x1000000, "ck3"},
};

bool IsSubEntry(uint32_t item) { return (item & kSubEntryBit) != 0; }

}  // namespace

uint32_t NodeCacheSize(uint32_t nodeCount) {
  const int64_t limit = std::max<int64_t>(0, Settings().keyNodeCacheLimit);
  return static_cast<uint32_t>(std::min<int64_t>(limit, int64_t{nodeCount} + 512));
}

const char* KeyFileExtension(int32_t kind) {
  for (const auto& k : kKeyExtensions)
    if (k.kind == kind) return k.extension;
  return "cko";
}

std::string CompanionExtension(const std::string& keyExtension) {
  std::string companion = keyExtension;
  if (companion.size() >= 2) companion[1] = 'p';
  return companion;
}

KeyFile::KeyFile(const std::string& databasePath, bool create, int cacheMode, int32_t kind)
    : cacheMode_(cacheMode) {
  file_ = PagedFileForExtension(databasePath, KeyFileExtension(kind), create, kBufferSize,
                                kLookBack, PagedFile::kRandom);
  Open(create);
}

KeyFile::~KeyFile() {
  if (status_ == 0) Flush();
}

void KeyFile::Open(bool create) {
  const int state = file_->State();
  if (state == PagedFile::kMissing || state == PagedFile::kCannotOpen) {
    status_ = state;
    return;
  }
  file_->EnableWriteBehind();
  const uint64_t size = file_->GetSize();
  if (size == 0) {
    status_ = create && InitNewFile() == 0 ? 0 : kUnreadable;
    return;
  }
  KeyNode head;
  if (file_->Read(head.bytes, 0, kKeyNodeSize) != 0 || head.Type() != kKeyHeaderNode) {
    status_ = kUnreadable;
    return;
  }
  const uint32_t count = head.Field(11);
  if (count < 2 || count > size / kKeyNodeSize || count > kMaxKeyNumber + 1) {
    status_ = kUnreadable;
    return;
  }
  header_ = head;
  nodeCount_ = count;
  if (cacheMode_ != kNoCache) cache_.Resize(NodeCacheSize(count));
}

int KeyFile::InitNewFile() {
  header_ = KeyNode{};
  header_.bytes[0] = kKeyHeaderNode;
  header_.SetLinkA(1);
  header_.SetField(8, 1);  // the root is the only entry
  nodeCount_ = 2;
  header_.SetField(11, nodeCount_);
  KeyNode root;
  root.bytes[0] = kKeyListNode;
  if (WriteToFile(0, header_) || WriteToFile(1, root)) return Fail(kWriteFailed);
  return file_->WriteBack() ? Fail(kWriteFailed) : 0;
}

void KeyFile::SetCacheMode(bool writeThrough) {
  Flush();
  cacheMode_ = writeThrough ? kWriteThrough : kWriteBack;
}

int KeyFile::WriteToFile(uint32_t n, const KeyNode& node) {
  return file_->Write(node.bytes, uint64_t{n} * kKeyNodeSize, kKeyNodeSize) ? Fail(kWriteFailed)
                                                                              : 0;
}

int KeyFile::ReadNode(uint32_t n, KeyNode& node, int expectedType) {
  if (status_ != 0) return Fail(kReadFailed);
  if (n >= nodeCount_) return Fail(kOutOfRange);
  KeyNode read;
  if (n == 0) {
    read = header_;
  } else if (cache_.Holds(n)) {
    read = cache_.Get(n);
  } else {
    if (file_->Read(read.bytes, uint64_t{n} * kKeyNodeSize, kKeyNodeSize) != 0)
      return Fail(kReadFailed);
    cache_.Put(n, read, false);
  }
  if (read.Type() > kKeyListNode || (expectedType != kAnyKeyNode && read.Type() != expectedType))
    return Fail(kWrongType);
  node = read;
  return 0;
}

int KeyFile::WriteNode(uint32_t n, const KeyNode& node) {
  if (status_ != 0) return Fail(kWriteFailed);
  if (n > kMaxKeyNumber) return Fail(kFileFull);
  if (n == 0) {
    header_ = node;
    header_.SetField(11, nodeCount_);
  } else if (n >= nodeCount_) {
    nodeCount_ = n + 1;
    header_.SetField(11, nodeCount_);
    if (int rc = WriteHeader()) return rc;
  }
  const KeyNode& stored = n == 0 ? header_ : node;
  if (cacheMode_ == kWriteBack && n < cache_.Size()) {
    cache_.Put(n, stored, true);
    return 0;
  }
  cache_.Put(n, stored, false);
  return WriteToFile(n, stored);
}

int KeyFile::Flush() {
  if (status_ != 0) return 0;
  if (int rc = cache_.WriteChanged([this](uint32_t n, const KeyNode& node) {
        return WriteToFile(n, node);
      }))
    return rc;
  return file_->WriteBack() ? Fail(kWriteFailed) : 0;
}

int KeyFile::AllocNode(uint32_t& n) {
  const uint32_t head = header_.LinkB();
  if (head != 0) {
    KeyNode freed;
    // A head that is not a freed node would hand out a live node.
    if (int rc = ReadNode(head, freed, kFreeKeyNode)) return rc;
    const uint32_t next = freed.LinkA();
    if (next >= nodeCount_ || next == head) return Fail(kBadValue);
    header_.SetLinkB(next);
    n = head;
  } else {
    if (nodeCount_ > kMaxKeyNumber) return Fail(kFileFull);
    n = nodeCount_++;
    header_.SetField(11, nodeCount_);
  }
  return WriteHeader();
}

int KeyFile::FreeNode(uint32_t n) {
  if (n == 0 || n >= nodeCount_) return Fail(kOutOfRange);
  KeyNode freed;
  freed.SetLinkA(header_.LinkB());
  if (int rc = WriteNode(n, freed)) return rc;
  header_.SetLinkB(n);
  return WriteHeader();
}

int KeyFile::ReadEntry(uint32_t entry, KeyNode& node) {
  return ReadNode(entry, node, entry == 0 ? kKeyHeaderNode : kKeyEntryNode);
}

int KeyFile::ReadChain(uint32_t entry, const KeyNode& entryNode, std::vector<uint32_t>& chain,
                       std::vector<uint32_t>* items) {
  chain.clear();
  bool ended = false;
  uint32_t previous = entry;
  for (uint32_t n = entryNode.LinkA(); n != 0;) {
    if (chain.size() >= nodeCount_) return Fail(kCycle);
    KeyNode list;
    if (int rc = ReadNode(n, list, kKeyListNode)) return rc;
    // Each list node names the node it hangs behind; a node in two chains does not.
    if (list.LinkB() != previous) return Fail(kBadValue);
    chain.push_back(n);
    for (int i = 0; items && !ended && i < kKeyItemsPerNode; ++i) {
      const uint32_t item = list.Item(i);
      if (item == 0)
        ended = true;
      else
        items->push_back(item);
    }
    previous = n;
    n = list.LinkA();
  }
  return 0;
}

int KeyFile::ReadItems(uint32_t entry, std::vector<uint32_t>& items) {
  items.clear();
  KeyNode node;
  std::vector<uint32_t> chain;
  if (int rc = ReadEntry(entry, node)) return rc;
  return ReadChain(entry, node, chain, &items);
}

int KeyFile::CollectEntries(uint32_t entry, bool recursive, std::vector<EntryList>& entries) {
  entries.clear();
  if (entry >= nodeCount_) return Fail(kOutOfRange);
  std::vector<bool> seen(nodeCount_);
  std::vector<uint32_t> stack{entry};
  seen[entry] = true;
  while (!stack.empty()) {
    EntryList list{stack.back(), {}, {}};
    stack.pop_back();
    KeyNode node;
    if (int rc = ReadEntry(list.entry, node)) return rc;
    if (int rc = ReadChain(list.entry, node, list.chain, &list.items)) return rc;
    for (uint32_t item : list.items) {
      if (!recursive || !IsSubEntry(item)) continue;
      const uint32_t sub = item & kMaxKeyNumber;
      if (sub == 0 || sub >= nodeCount_) return Fail(kOutOfRange);
      if (seen[sub]) return Fail(kCycle);
      seen[sub] = true;
      stack.push_back(sub);
    }
    entries.push_back(std::move(list));
  }
  return 0;
}

int KeyFile::AppendListNode(uint32_t entry, uint32_t after, uint32_t& node) {
  KeyNode entryNode, afterNode;
  if (int rc = ReadEntry(entry, entryNode)) return rc;
  if (after != entry)
    if (int rc = ReadNode(after, afterNode, kKeyListNode)) return rc;
  if (int rc = AllocNode(node)) return rc;
  KeyNode list;
  list.bytes[0] = kKeyListNode;
  list.SetLinkB(after);
  if (int rc = WriteNode(node, list)) return rc;
  if (after != entry) {
    afterNode.SetLinkA(node);
    if (int rc = WriteNode(after, afterNode)) return rc;
  }
  // Read again: for the root the header has just changed.
  if (int rc = ReadEntry(entry, entryNode)) return rc;
  if (after == entry) entryNode.SetLinkA(node);
  if (entry != 0) entryNode.SetLastList(node);
  return WriteNode(entry, entryNode);
}

int KeyFile::FindGameSlot(uint32_t entry, const KeyNode& entryNode, uint32_t value,
                          uint32_t& node, int& slot) {
  node = 0;
  slot = 0;
  uint32_t following = 0;
  uint32_t n = entryNode.LastList();
  if (entry == 0) {
    // The root keeps no last list node: its list (mostly sub-entries) is walked.
    std::vector<uint32_t> chain;
    if (int rc = ReadChain(entry, entryNode, chain, nullptr)) return rc;
    n = chain.empty() ? 0 : chain.back();
  }
  if (n == 0) return entryNode.LinkA() == 0 ? 0 : Fail(kBadValue);
  for (uint32_t steps = 0;; ++steps) {
    if (steps >= nodeCount_) return Fail(kCycle);
    KeyNode list;
    if (int rc = ReadNode(n, list, kKeyListNode)) return rc;
    if (following != 0 && list.LinkA() != following) return Fail(kBadValue);
    for (int i = kKeyItemsPerNode - 1; i >= 0; --i) {
      const uint32_t item = list.Item(i);
      if (item != 0 && (IsSubEntry(item) || item <= value)) {
        node = n;
        slot = i + 1;
        return 0;
      }
    }
    if (list.LinkB() == entry) {
      if (entryNode.LinkA() != n) return Fail(kBadValue);
      node = n;
      return 0;
    }
    following = n;
    n = list.LinkB();
  }
}

int KeyFile::FindSubEntrySlot(uint32_t entry, const KeyNode& entryNode, uint32_t& node,
                              int& slot) {
  std::vector<uint32_t> chain;
  if (int rc = ReadChain(entry, entryNode, chain, nullptr)) return rc;
  node = chain.empty() ? 0 : chain.back();
  slot = kKeyItemsPerNode;
  for (uint32_t n : chain) {
    KeyNode list;
    if (int rc = ReadNode(n, list, kKeyListNode)) return rc;
    for (int i = 0; i < kKeyItemsPerNode; ++i) {
      if (!IsSubEntry(list.Item(i))) {
        node = n;
        slot = i;
        return 0;
      }
    }
  }
  return 0;
}

int KeyFile::ShiftInsert(uint32_t entry, uint32_t node, int slot, uint32_t item) {
  // First the nodes the shift reaches: up to the first free slot or the chain's end.
  std::vector<std::pair<uint32_t, KeyNode>> touched;
  for (uint32_t n = node, previous = 0; n != 0;) {
    if (touched.size() >= nodeCount_) return Fail(kCycle);
    KeyNode list;
    if (int rc = ReadNode(n, list, kKeyListNode)) return rc;
    if (previous != 0 && list.LinkB() != previous) return Fail(kBadValue);
    touched.emplace_back(n, list);
    bool hasFree = false;
    for (int i = touched.size() == 1 ? slot : 0; i < kKeyItemsPerNode && !hasFree; ++i)
      hasFree = list.Item(i) == 0;
    if (hasFree) break;
    previous = n;
    n = list.LinkA();
  }
  uint32_t carry = item;
  int from = slot;
  for (auto& [n, list] : touched) {
    for (int i = from; i < kKeyItemsPerNode && carry != 0; ++i) {
      const uint32_t old = list.Item(i);
      list.SetItem(i, carry);
      carry = old;
    }
    if (int rc = WriteNode(n, list)) return rc;
    from = 0;
    if (carry == 0) return 0;
  }
  uint32_t added;
  const uint32_t after = touched.empty() ? entry : touched.back().first;
  if (int rc = AppendListNode(entry, after, added)) return rc;
  KeyNode list;
  if (int rc = ReadNode(added, list, kKeyListNode)) return rc;
  list.SetItem(0, carry);
  return WriteNode(added, list);
}

int KeyFile::AddToKey(uint32_t entry, uint32_t value, int mode) {
  uint32_t item;
  if (mode == 0) {
    KeyNode sub;
    if (value == 0 || value == entry) return Fail(kBadValue);
    if (int rc = ReadNode(value, sub, kKeyEntryNode)) return rc;
    item = value | kSubEntryBit;
  } else if (mode == 1) {
    if (value == 0 || value > kMaxKeyNumber) return Fail(kBadValue);
    item = value;
  } else {
    return Fail(kBadValue);
  }
  KeyNode entryNode;
  if (int rc = ReadEntry(entry, entryNode)) return rc;
  uint32_t node;
  int slot;
  int rc = mode == 0 ? FindSubEntrySlot(entry, entryNode, node, slot)
                     : FindGameSlot(entry, entryNode, value, node, slot);
  return rc ? rc : ShiftInsert(entry, node, slot, item);
}

int KeyFile::AddEntry(uint32_t parent, const std::string& title, uint32_t& entry) {
  KeyNode parentNode;
  if (int rc = ReadEntry(parent, parentNode)) return rc;
  if (int rc = AllocNode(entry)) return rc;
  KeyNode node;
  node.bytes[0] = kKeyEntryNode;
  node.bytes[1] = 2;  // the title is kept in the display set
  node.SetLinkB(parent);
  const std::string display = Utf8ToDisplay(title);
  std::memcpy(node.bytes + kKeyTitleOffset, display.data(),
              std::min<size_t>(display.size(), kKeyTitleSize - 1));
  if (int rc = WriteNode(entry, node)) return rc;
  if (int rc = AddToKey(parent, entry, 0)) return rc;
  header_.SetField(8, std::min<uint32_t>(header_.Field(8) + 1, 0xFFFFFF));
  return WriteHeader();
}

int KeyFile::TruncateOne(const EntryList& list, uint32_t lastKept) {
  size_t cut = 0;
  while (cut < list.items.size() && (IsSubEntry(list.items[cut]) || list.items[cut] <= lastKept))
    ++cut;
  if (cut == list.items.size()) return 0;
  const size_t index = cut / kKeyItemsPerNode;
  const int slot = static_cast<int>(cut % kKeyItemsPerNode);
  uint32_t newLast = 0;
  if (slot == 0) {
    // The node holding the cut goes too: clear the link into it.
    KeyNode before;
    if (index == 0) {
      if (int rc = ReadEntry(list.entry, before)) return rc;
    } else if (int rc = ReadNode(list.chain[index - 1], before, kKeyListNode)) {
      return rc;
    }
    before.SetLinkA(0);
    const uint32_t beforeNumber = index == 0 ? list.entry : list.chain[index - 1];
    if (int rc = WriteNode(beforeNumber, before)) return rc;
    newLast = index == 0 ? 0 : beforeNumber;
  } else {
    KeyNode node;
    if (int rc = ReadNode(list.chain[index], node, kKeyListNode)) return rc;
    for (int i = slot; i < kKeyItemsPerNode; ++i) node.SetItem(i, 0);
    node.SetLinkA(0);
    if (int rc = WriteNode(list.chain[index], node)) return rc;
    newLast = list.chain[index];
  }
  for (size_t i = slot == 0 ? index : index + 1; i < list.chain.size(); ++i)
    if (int rc = FreeNode(list.chain[i])) return rc;
  if (list.entry == 0) return 0;
  KeyNode entryNode;
  if (int rc = ReadEntry(list.entry, entryNode)) return rc;
  entryNode.SetLastList(newLast);
  return WriteNode(list.entry, entryNode);
}

int KeyFile::TruncateGames(uint32_t entry, uint32_t lastKept, int flags) {
  auto report = [](int rc, int offset) {
    const int code = -std::min(13, offset + (rc & 0xFF));
    ReportInconsistency(std::to_string(code), kSourceName, kSourceLine);
    return code;
  };
  std::vector<EntryList> entries;
  if (int rc = CollectEntries(entry, (flags & kTruncateRecursive) != 0, entries))
    return report(rc, 0);
  for (const EntryList& list : entries)
    if (int rc = TruncateOne(list, lastKept)) return report(rc, 7);
  return 0;
}

int KeyFile::CountRecursive(uint32_t entry, int depth, std::vector<bool>& seen,
                            int32_t& count) {
  std::vector<uint32_t> items;
  if (int rc = ReadItems(entry, items)) return rc;
  for (uint32_t item : items) {
    if (!IsSubEntry(item)) {
      ++count;
      continue;
    }
    const uint32_t sub = item & kMaxKeyNumber;
    if (depth <= 0) continue;
    if (sub >= nodeCount_) return Fail(kOutOfRange);
    if (seen[sub]) return Fail(kCycle);
    seen[sub] = true;
    if (int rc = CountRecursive(sub, depth - 1, seen, count)) return rc;
  }
  return 0;
}

int KeyFile::CountGames(uint32_t entry, int32_t& count, int depth) {
  count = 0;
  if (depth < 0) return 0;
  if (entry >= nodeCount_) return Fail(kOutOfRange);
  std::vector<bool> seen(nodeCount_);
  seen[entry] = true;
  return CountRecursive(entry, depth, seen, count);
}

int KeyFile::CollectRecursive(uint32_t entry, int32_t* list, int max, int depth, int& skip,
                              int& count, int flags, std::vector<bool>& seen) {
  std::vector<uint32_t> items;
  if (int rc = ReadItems(entry, items)) return rc;
  auto take = [&](uint32_t item) {
    if (skip > 0)
      --skip;
    else
      list[count++] = static_cast<int32_t>(item);
  };
  for (uint32_t item : items) {
    if (count >= max) return 0;
    if (!IsSubEntry(item)) {
      if (!(flags & 1)) return 0;
      take(item);
      continue;
    }
    if (flags & 2) take(item);
    const uint32_t sub = item & kMaxKeyNumber;
    if (depth <= 0 || count >= max) continue;
    if (sub >= nodeCount_) return Fail(kOutOfRange);
    if (seen[sub]) return Fail(kCycle);
    seen[sub] = true;
    if (int rc = CollectRecursive(sub, list, max, depth - 1, skip, count, flags, seen)) return rc;
  }
  return 0;
}

int KeyFile::CollectGames(uint32_t entry, int32_t* list, int max, int depth, int& skip,
                          int& count, int flags) {
  count = 0;
  if (entry >= nodeCount_) return Fail(kOutOfRange);
  std::vector<bool> seen(nodeCount_);
  seen[entry] = true;
  return CollectRecursive(entry, list, max, depth, skip, count, flags, seen);
}

std::string KeyFile::GetEntryTitle(uint32_t entry) {
  KeyNode node;
  if (entry == 0 || ReadNode(entry, node, kKeyEntryNode) != 0) return {};
  const char* title = reinterpret_cast<const char*>(node.bytes + kKeyTitleOffset);
  std::string text(title, strnlen(title, kKeyTitleSize));
  switch (node.bytes[1] & 3) {
    case 0:
      ConvertStoredText(text);
      break;
    case 1:
      ConvertStoredTextFull(text);
      break;
    default:
      break;
  }
  return DisplayToUtf8(text);
}

int32_t KeyFile::GetParentEntry(uint32_t entry) {
  KeyNode node;
  if (entry == 0) return 0;
  if (ReadNode(entry, node, kKeyEntryNode) != 0) return -1;
  return static_cast<int32_t>(node.LinkB());
}

int KeyFile::SetGameBound(uint32_t n) {
  header_.SetField(14, std::min(n, 0xFFFFFFu));
  return WriteHeader();
}

int KeyFile::RenumberGames(const std::vector<int32_t>& map) {
  std::vector<EntryList> entries;
  if (int rc = CollectEntries(0, true, entries)) return rc;
  for (const EntryList& list : entries) {
    for (uint32_t item : list.items) {
      if (IsSubEntry(item)) continue;
      if (item >= map.size()) return Fail(kOutOfRange);
      const int32_t renumbered = map[item];
      if (renumbered != -1 && (renumbered < 1 || renumbered > int32_t{kMaxKeyNumber}))
        return Fail(kBadValue);
    }
  }
  for (const EntryList& list : entries) {
    std::vector<uint32_t> items;
    std::vector<uint32_t> games;
    for (uint32_t item : list.items) {
      if (IsSubEntry(item))
        items.push_back(item);
      else
        games.push_back(static_cast<uint32_t>(map[item]));
    }
    // Deleted games (-1) sort last as unsigned values and become 0, ending the list.
    std::sort(games.begin(), games.end());
    for (uint32_t game : games) items.push_back(game == 0xFFFFFFFFu ? 0 : game);
    for (size_t index = 0; index * kKeyItemsPerNode < items.size(); ++index) {
      KeyNode node;
      if (int rc = ReadNode(list.chain[index], node, kKeyListNode)) return rc;
      KeyNode changed = node;
      for (int i = 0; i < kKeyItemsPerNode; ++i) {
        const size_t k = index * kKeyItemsPerNode + i;
        if (k < items.size()) changed.SetItem(i, items[k]);
      }
      if (std::memcmp(changed.bytes, node.bytes, kKeyNodeSize) != 0)
        if (int rc = WriteNode(list.chain[index], changed)) return rc;
    }
  }
  uint32_t deleted = 0;
  for (size_t i = 1; i < map.size(); ++i) deleted += map[i] == -1;
  const uint32_t bound = GetGameBound();
  return SetGameBound(bound > deleted ? bound - deleted : 0);
}

}  // namespace zh
