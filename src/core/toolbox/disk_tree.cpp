#include "core/toolbox/disk_tree.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "core/toolbox/little_endian.h"
#include "core/services.h"

namespace zh {
namespace {

// The paged file's window: a few nodes around the last one read.
constexpr uint32_t kWindowSize = 8192;

std::string Num(int64_t v) { return std::to_string(v); }

void Report(const CheckRecord& check, bool detailOnly, const std::string& line) {
  if (check.report && (!detailOnly || check.detail)) LogLine(line);
}

}  // namespace

struct DiskTree::Links {
  std::vector<int32_t> left, right, balance;
  std::vector<uint8_t> readable;
  std::vector<uint8_t> inTree;
};

DiskTree::DiskTree(const std::string& path, uint16_t keyLength, AVLCompare compare, int mode,
                   NodeCacheBudget* budget)
    : budget_(budget ? budget : &NodeCacheBudget::Process()),
      compare_(compare),
      keyLength_(keyLength) {
  root_ = 0;
  try {
    file_ = std::make_unique<PagedFile>(path, mode != kOpenExisting, kWindowSize, 0,
                                        PagedFile::kRandom);
  } catch (const std::bad_alloc&) {
    status_ = kOutOfMemory;
    return;
  }
  if (!Open(mode)) return;
  nodeSize_ = static_cast<uint32_t>(AVLNode::LinkSize(compact_)) + keyLength_;
  image_.assign(nodeSize_, 0);
  // The cache covers the nodes the file holds, whatever the header claims.
  const uint64_t held = std::min<uint64_t>(static_cast<uint64_t>(std::max(count_, 0)), WholeNodes());
  cache_ = std::make_unique<TreeNodeCache>(static_cast<uint16_t>(nodeSize_),
                                           held + TreeNodeCache::kChunkSlots, *budget_);
}

bool DiskTree::Open(int mode) {
  int state = file_->State();
  if (state == PagedFile::kOpened && mode == kCreateEmpty) {
    if (file_->Create() != PagedFile::kOpened) state = PagedFile::kCannotOpen;
    created_ = state == PagedFile::kOpened;
  }
  if (state != PagedFile::kOpened && state != PagedFile::kCreated) {
    status_ = state;
    return false;
  }
  const uint64_t size = created_ || state == PagedFile::kCreated ? 0 : file_->GetSize();
  if (size == 0) {
    // A new (or empty) file gets the extended header.
    created_ = true;
    count_ = 0;
    root_ = 0;
    format_ = kExtendedFormat;
    freeHead_ = AVLNode::kNone;
    userValue_ = kNewUserValue;
    headerSize_ = kExtendedHeaderSize;
    compact_ = true;
    if (FlushHeader() != kOk) {
      status_ = kFileError;
      return false;
    }
    return true;
  }
  if (!ReadHeader(size)) {
    LogLine("tree file header error: " + file_->Path());
    if (status_ == kOk) status_ = kFileError;
    return false;
  }
  return true;
}

bool DiskTree::ReadHeader(uint64_t size) {
  uint8_t h[kExtendedHeaderSize];
  if (size < kOldHeaderSize || file_->Read(h, 0, kOldHeaderSize) != 0) return false;
  count_ = GetLE32(h);
  root_ = GetLE32(h + 4);
  format_ = GetLE32(h + 8);
  const auto keyLength = static_cast<uint16_t>(GetLittleEndian(h + 12, 2));
  freeHead_ = GetLE32(h + 16);
  compact_ = format_ == kExtendedFormat;
  headerSize_ = kOldHeaderSize;
  if (compact_) {
    if (size < kExtendedHeaderSize || file_->Read(h + 20, 20, 8) != 0) return false;
    userValue_ = GetLE32(h + 20);
    const int32_t extra = GetLE32(h + 24);
    if (extra < 0 || kExtendedHeaderSize + static_cast<uint64_t>(extra) > size) return false;
    extra_.assign(static_cast<size_t>(extra), 0);
    if (extra > 0 && file_->Read(extra_.data(), kExtendedHeaderSize, extra) != 0) return false;
    headerSize_ = kExtendedHeaderSize + static_cast<uint32_t>(extra);
  }
  if (keyLength != keyLength_) {
    status_ = kKeyMismatch;
    return false;
  }
  return true;
}

DiskTree::~DiskTree() {
  if (status_ == kOk && file_) {
    FlushNodes();
    // The header goes out when it was held back or differs from the disk's copy.
    const std::vector<uint8_t> image = HeaderImage();
    std::vector<uint8_t> disk(image.size());
    if (headerPending_ || file_->Read(disk.data(), 0, static_cast<int32_t>(disk.size())) != 0 ||
        disk != image)
      FlushHeader();
    file_->Close();
  }
  status_ = kDestroyed;
}

std::vector<uint8_t> DiskTree::HeaderImage() const {
  std::vector<uint8_t> h(headerSize_, 0);
  PutLE32(h.data(), count_);
  PutLE32(h.data() + 4, root_);
  PutLE32(h.data() + 8, format_);
  PutLittleEndian(h.data() + 12, 2, keyLength_);
  PutLE32(h.data() + 16, freeHead_);
  if (compact_) {
    PutLE32(h.data() + 20, userValue_);
    PutLE32(h.data() + 24, static_cast<int32_t>(extra_.size()));
    std::copy(extra_.begin(), extra_.end(), h.begin() + kExtendedHeaderSize);
  }
  return h;
}

int32_t DiskTree::FlushHeader() {
  const std::vector<uint8_t> h = HeaderImage();
  if (file_->Write(h.data(), 0, static_cast<int32_t>(h.size())) != 0) return kFileError;
  headerPending_ = false;
  return kOk;
}

int32_t DiskTree::WriteHeader() {
  if (!writeHeaderAtOnce_) {
    headerPending_ = true;
    return kOk;
  }
  return FlushHeader();
}

uint64_t DiskTree::WholeNodes() {
  const uint64_t size = file_->GetSize();
  return size < headerSize_ ? 0 : (size - headerSize_) / nodeSize_;
}

int32_t DiskTree::ReadImage(int32_t i, uint8_t* image) {
  if (const uint8_t* cached = cache_->Get(i)) {
    std::memcpy(image, cached, nodeSize_);
    return kOk;
  }
  if (file_->Read(image, Offset(i), static_cast<int32_t>(nodeSize_)) != 0) return kFileError;
  cache_->Store(image, i, false);  // a refusal only means the next read goes to the file
  return kOk;
}

int32_t DiskTree::WriteImage(int32_t i, const uint8_t* image) {
  return file_->Write(image, Offset(i), static_cast<int32_t>(nodeSize_)) == 0 ? kOk : kFileError;
}

int32_t DiskTree::StoreImage(int32_t i, const uint8_t* image) {
  const bool cached = cache_->Store(image, i, !writeThrough_) == kOk;
  if (cached && !writeThrough_) return kOk;
  const int32_t rc = WriteImage(i, image);
  if (rc == kOk && cached) cache_->MarkClean(i);
  return rc;
}

int32_t DiskTree::ReadNode(AVLNode& node, int32_t i) {
  if (IsInvalidIndex(i)) return kBadIndex;
  if (const int32_t rc = ReadImage(i, image_.data())) return rc;
  return node.Unpack(image_.data(), nodeSize_, keyLength_, compare_, compact_) ? kOk : kFileError;
}

int32_t DiskTree::WriteNode(const AVLNode& node, int32_t i) {
  if (status_ != kOk) return status_;
  if (i < 0 || i >= count_) return kOutOfRange;
  if (node.key.Length() != keyLength_) return kRefused;
  uint8_t* p = image_.data();
  PutLE32(p, node.left);
  PutLE32(p + 4, node.right);
  if (compact_)
    p[8] = static_cast<uint8_t>(node.balance);
  else
    PutLE32(p + 8, node.balance);
  std::memcpy(p + AVLNode::LinkSize(compact_), node.key.Bytes(), keyLength_);
  return StoreImage(i, p);
}

int32_t DiskTree::WriteNodeExtending(const AVLNode& node, int32_t i) {
  if (status_ != kOk) return status_;
  if (i < 0) return kOutOfRange;
  if (i >= count_) {
    count_ = i + 1;
    if (const int32_t rc = WriteHeader()) return rc;
  }
  return WriteNode(node, i);
}

// Leaves the head's image in the node scratch.
bool DiskTree::HeadIsFree() {
  return freeHead_ >= 0 && freeHead_ < count_ && ReadImage(freeHead_, image_.data()) == kOk &&
         GetLE32(image_.data()) == AVLNode::kFree;
}

int32_t DiskTree::NextIndex() { return HeadIsFree() ? freeHead_ : count_; }

int32_t DiskTree::TakeIndex(int32_t& i) {
  if (freeHead_ != AVLNode::kNone) {
    // The head is taken only when it is a free node; a damaged list is dropped rather
    // than letting a new entry overwrite a live one.
    const int32_t head = freeHead_;
    if (HeadIsFree()) {
      i = head;
      freeHead_ = GetLE32(image_.data() + 4);
      return WriteHeader();
    }
    LogLine("free list error: head " + Num(head) + " dropped in " + file_->Path());
    freeHead_ = AVLNode::kNone;
  }
  if (count_ == std::numeric_limits<int32_t>::max()) return kOutOfRange;
  i = count_++;
  return WriteHeader();
}

int32_t DiskTree::AppendNode(const AVLKey& key, int32_t& i) {
  if (status_ != kOk) return status_;
  if (key.Length() != keyLength_) return kRefused;
  if (const int32_t rc = TakeIndex(i)) return rc;
  AVLNode leaf;
  leaf.key = AVLKey::Refer(key.Bytes(), key.Length(), compare_);
  return WriteNode(leaf, i);
}

int32_t DiskTree::FreeNode(int32_t i) {
  if (IsInvalidIndex(i)) return kBadIndex;
  if (const int32_t rc = ReadImage(i, image_.data())) return rc;
  uint8_t* p = image_.data();
  PutLE32(p, AVLNode::kFree);
  PutLE32(p + 4, freeHead_);
  if (compact_)
    p[8] = 0;
  else
    PutLE32(p + 8, 0);
  if (const int32_t rc = StoreImage(i, p)) return rc;
  freeHead_ = i;
  return WriteHeader();
}

int32_t DiskTree::FindParent(int32_t i) {
  AVLNode target;
  if (ReadNode(target, i) != kOk) return AVLNode::kNone;
  // Descend with node i's key; the scan below answers for a tree whose order is broken.
  AVLNode node;
  int32_t j = Root();
  for (int32_t steps = 0; j != AVLNode::kNone && j != i && steps <= kMaxHeight; ++steps) {
    if (ReadNode(node, j) != kOk) break;
    if (node.left == i || node.right == i) return j;
    const int c = target.key.Compare(node.key);
    if (c == 0) break;
    j = c < 0 ? node.left : node.right;
  }
  const auto held = static_cast<int32_t>(std::min<uint64_t>(WholeNodes(), static_cast<uint64_t>(count_)));
  for (int32_t p = 0; p < held; ++p) {
    if (ReadNode(node, p) != kOk || node.left == AVLNode::kFree) continue;
    if (node.left == i || node.right == i) return p;
  }
  return AVLNode::kNone;
}

void DiskTree::Reset() {
  if (status_ != kOk) return;
  cache_->Clear();
  order_.reset();
  if (file_->Create() != 0) {
    status_ = kFileError;
    return;
  }
  count_ = 0;
  root_ = 0;
  freeHead_ = AVLNode::kNone;
  WriteHeader();
}

int32_t DiskTree::SetRoot(int32_t root) {
  if (status_ != kOk) return status_;
  root_ = root;
  return WriteHeader();
}

int32_t DiskTree::SetUserValue(int32_t value) {
  if (status_ != kOk) return status_;
  userValue_ = value;
  return WriteHeader();
}

int32_t DiskTree::FlushNodes() {
  if (status_ != kOk) return status_;
  const int32_t rc = cache_->WriteDirty([this](int32_t i, const uint8_t* image) {
    return WriteImage(i, image);
  });
  const int back = file_->WriteBack();
  return rc != kOk ? rc : back != 0 ? kFileError : kOk;
}

int32_t DiskTree::CheckLength(CheckRecord& check) {
  if (status_ != kOk) return status_;
  if (const int32_t rc = FlushNodes()) return rc;
  const uint64_t size = file_->GetSize();
  if (count_ >= 0 && size == Offset(count_)) return kOk;
  Report(check, false, "file length error");
  ++check.defects;
  const uint64_t whole = size < headerSize_ ? 0 : (size - headerSize_) / nodeSize_;
  count_ = static_cast<int32_t>(std::min<uint64_t>(whole, std::numeric_limits<int32_t>::max()));
  Report(check, false, "reset number of entries (" + Num(count_) + ")");
  if (check.repair) {
    // A node cut short at the end goes, so that the file matches its header again.
    if (file_->SetSize(Offset(count_)) != 0) return kFileError;
    if (const int32_t rc = FlushHeader()) return rc;
  }
  return kCountReset;
}

// Step 1: the links of every node, straight from the file (kept as they are, so that
// the free list's repair sees what to put right).
int32_t DiskTree::ReadLinks(Links& links, CheckRecord& check) {
  const auto n = static_cast<size_t>(count_);
  links.left.assign(n, AVLNode::kNone);
  links.right.assign(n, AVLNode::kNone);
  links.balance.assign(n, 0);
  links.readable.assign(n, 0);
  links.inTree.assign(n, 0);
  const size_t linkSize = AVLNode::LinkSize(compact_);
  auto valid = [this](int32_t link) { return link == AVLNode::kNone || (link >= 0 && link < count_); };
  for (int32_t i = 0; i < count_; ++i) {
    uint8_t* p = image_.data();
    if (file_->Read(p, Offset(i), static_cast<int32_t>(linkSize)) != 0) {
      ++check.defects;
      Report(check, false, "tree (" + Num(i) + "): load error");
      continue;
    }
    const auto k = static_cast<size_t>(i);
    links.readable[k] = 1;
    links.left[k] = GetLE32(p);
    links.right[k] = GetLE32(p + 4);
    links.balance[k] = compact_ ? static_cast<int8_t>(p[8]) : GetLE32(p + 8);
    if (links.left[k] != AVLNode::kFree && !valid(links.left[k])) {
      ++check.defects;
      Report(check, false, "tree (" + Num(i) + "): pointer error left=" + Num(links.left[k]));
    } else if (!valid(links.right[k])) {
      ++check.defects;
      Report(check, false, "tree (" + Num(i) + "): pointer error right=" + Num(links.right[k]));
    }
  }
  return kOk;
}

// The tree reached from the root: no node twice, no free node, keys in order, true
// balances, and exactly the used nodes in it.
void DiskTree::CheckShape(Links& links, CheckRecord& check, const std::vector<int32_t>& usage,
                          bool& rebuild) {
  int32_t errors = 0;
  auto fault = [&](int32_t i, const std::string& what) {
    ++errors;
    Report(check, false, "tree (" + Num(i) + "): " + what);
  };
  const auto n = static_cast<size_t>(count_);
  std::vector<int32_t> height(n, 0), kidLeft(n, AVLNode::kNone), kidRight(n, AVLNode::kNone);
  auto enter = [&](int32_t j, std::vector<std::pair<int32_t, int>>& stack) {
    if (j < 0 || j >= count_ || !links.readable[static_cast<size_t>(j)]) return AVLNode::kNone;
    const auto k = static_cast<size_t>(j);
    if (links.inTree[k]) {
      fault(j, "reached twice");
      return AVLNode::kNone;
    }
    if (links.left[k] == AVLNode::kFree) {
      fault(j, "free node in tree");
      return AVLNode::kNone;
    }
    links.inTree[k] = 1;
    stack.emplace_back(j, 0);
    return j;
  };
  std::vector<std::pair<int32_t, int>> stack;
  std::vector<uint8_t> previous;
  std::vector<uint8_t> key(nodeSize_);
  if (count_ > 0 && root_ != AVLNode::kNone && (root_ < 0 || root_ >= count_)) {
    ++errors;
    Report(check, false, "tree: root error=" + Num(root_));
  } else if (count_ > 0) {
    enter(root_, stack);
  }
  while (!stack.empty()) {
    const int32_t j = stack.back().first;
    const auto k = static_cast<size_t>(j);
    const int phase = stack.back().second++;
    if (phase == 0) {
      kidLeft[k] = enter(links.left[k], stack);
    } else if (phase == 1) {
      if (file_->Read(key.data(), Offset(j), static_cast<int32_t>(nodeSize_)) == 0) {
        const uint8_t* bytes = key.data() + AVLNode::LinkSize(compact_);
        if (!previous.empty() && compare_(previous.data(), bytes, keyLength_) > 0)
          fault(j, "key out of order");
        previous.assign(bytes, bytes + keyLength_);
      }
      kidRight[k] = enter(links.right[k], stack);
    } else {
      const int32_t hl = kidLeft[k] < 0 ? 0 : height[static_cast<size_t>(kidLeft[k])];
      const int32_t hr = kidRight[k] < 0 ? 0 : height[static_cast<size_t>(kidRight[k])];
      height[k] = 1 + std::max(hl, hr);
      if (links.balance[k] != hr - hl) fault(j, "balance error=" + Num(links.balance[k]));
      stack.pop_back();
    }
  }
  for (size_t i = 0; i < n; ++i) {
    const int32_t used = i < usage.size() ? usage[i] : AVLNode::kNone;
    if (used >= 0 && links.readable[i] && !links.inTree[i])
      fault(static_cast<int32_t>(i), "used but not in tree");
    // A tree node that nothing uses is freed below; the tree must then lose it.
    if (used == AVLNode::kNone && links.inTree[i]) rebuild = true;
  }
  check.defects += errors;
  if (errors) rebuild = true;
}

// Step 2: links the used nodes, in key order, into a balanced tree.
int32_t DiskTree::Rebuild(const std::vector<int32_t>& usage, CheckRecord& check) {
  Report(check, false, "rebuild tree...");
  std::vector<int32_t> list;
  std::vector<uint8_t> keys;
  const size_t linkSize = AVLNode::LinkSize(compact_);
  for (int32_t i = 0; i < count_ && static_cast<size_t>(i) < usage.size(); ++i) {
    if (usage[static_cast<size_t>(i)] == AVLNode::kNone) continue;
    if (file_->Read(image_.data(), Offset(i), static_cast<int32_t>(nodeSize_)) != 0) continue;
    list.push_back(i);
    keys.insert(keys.end(), image_.begin() + static_cast<std::ptrdiff_t>(linkSize), image_.end());
  }
  std::vector<int32_t> order(list.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int32_t>(k);
  auto keyOf = [&](int32_t k) { return keys.data() + static_cast<size_t>(k) * keyLength_; };
  std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    return compare_(keyOf(a), keyOf(b), keyLength_) < 0;
  });
  file_->EnableWriteBehind();
  int32_t rc = kOk;
  auto nodeAt = [&](int32_t position) {
    return position < 0 ? AVLNode::kNone : list[static_cast<size_t>(order[static_cast<size_t>(position)])];
  };
  const int32_t root = LinkBalanced(
      0, static_cast<int32_t>(list.size()) - 1,
      [&](int32_t position, int32_t left, int32_t right, int8_t balance) {
        uint8_t link[12] = {};
        PutLE32(link, nodeAt(left));
        PutLE32(link + 4, nodeAt(right));
        if (compact_)
          link[8] = static_cast<uint8_t>(balance);
        else
          PutLE32(link + 8, balance);
        return file_->Write(link, Offset(nodeAt(position)), static_cast<int32_t>(linkSize)) == 0
                   ? kOk
                   : kFileError;
      },
      rc);
  if (file_->DisableWriteBehind() != 0 && rc == kOk) rc = kFileError;
  cache_->Clear();
  if (rc != kOk) return rc;
  root_ = nodeAt(root);
  return FlushHeader();
}

// Steps 3 and 4: the free list holds exactly the nodes that nothing uses.
int32_t DiskTree::RepairFreeList(Links& links, CheckRecord& check, std::vector<int32_t>& usage) {
  std::vector<int32_t> kept;
  std::vector<uint8_t> onList(static_cast<size_t>(count_), 0);
  int32_t previous = AVLNode::kNone;
  for (int32_t j = freeHead_; j != AVLNode::kNone;) {
    if (j < 0 || j >= count_ || onList[static_cast<size_t>(j)]) {
      ++check.defects;
      Report(check, true, previous == AVLNode::kNone
                              ? "free list error: head=" + Num(j)
                              : "free list error (" + Num(previous) + "): right=" + Num(j));
      break;
    }
    const auto k = static_cast<size_t>(j);
    onList[k] = 1;
    if (usage[k] == AVLNode::kNone) {
      if (links.left[k] != AVLNode::kFree) {
        ++check.defects;
        Report(check, true, "free list error (" + Num(j) + "): left=" + Num(links.left[k]));
      }
      usage[k] = -2;
      kept.push_back(j);
    } else {
      ++check.defects;
      Report(check, true, "free list error (" + Num(j) + "): first game=" + Num(usage[k]));
    }
    previous = j;
    // The right link of a live node leads into the tree, not along the list.
    if (!links.readable[k] || (usage[k] >= 0 && links.left[k] != AVLNode::kFree)) break;
    j = links.right[k];
  }
  std::vector<int32_t> pushed;
  for (int32_t i = 0; i < count_; ++i) {
    if (usage[static_cast<size_t>(i)] != AVLNode::kNone) continue;
    ++check.defects;
    Report(check, true, "free list error (" + Num(i) + "): not used but not in free bucket list");
    pushed.push_back(i);
  }
  if (!check.repair) return kOk;
  // Nodes pushed later come first, then the old list without the used nodes.
  std::vector<int32_t> list(pushed.rbegin(), pushed.rend());
  list.insert(list.end(), kept.begin(), kept.end());
  bool changed = false;
  for (size_t k = 0; k < list.size(); ++k) {
    const int32_t i = list[k];
    const int32_t next = k + 1 < list.size() ? list[k + 1] : AVLNode::kNone;
    const auto s = static_cast<size_t>(i);
    if (links.readable[s] && links.left[s] == AVLNode::kFree && links.right[s] == next) continue;
    uint8_t link[12] = {};
    PutLE32(link, AVLNode::kFree);
    PutLE32(link + 4, next);
    if (file_->Write(link, Offset(i), static_cast<int32_t>(AVLNode::LinkSize(compact_))) != 0)
      return kFileError;
    changed = true;
  }
  if (changed) cache_->Clear();
  freeHead_ = list.empty() ? AVLNode::kNone : list.front();
  return FlushHeader();
}

int32_t DiskTree::CheckAndRepair(CheckRecord& check, std::vector<int32_t>& usage) {
  if (status_ != kOk) return status_;
  if (const int32_t rc = FlushNodes()) return rc;
  if (count_ < 0 || static_cast<uint64_t>(count_) > WholeNodes()) {
    Report(check, false, "file length error");
    return kFileError;
  }
  usage.resize(static_cast<size_t>(count_), AVLNode::kNone);
  const int32_t before = check.defects;
  Links links;
  ReadLinks(links, check);
  bool rebuild = false;
  CheckShape(links, check, usage, rebuild);
  if (check.defects != before) rebuild = true;
  if (rebuild && check.repair)
    if (const int32_t rc = Rebuild(usage, check)) return rc;
  if (const int32_t rc = RepairFreeList(links, check, usage)) return rc;
  return kOk;
}

int32_t DiskTree::BuildOrderTable() {
  if (status_ != kOk) return status_;
  order_.reset();
  if (const int32_t rc = FlushNodes()) return rc;
  if (count_ <= 0) return kOk;
  if (static_cast<uint64_t>(count_) > WholeNodes()) return kFileError;
  const auto n = static_cast<size_t>(count_);
  std::unique_ptr<CompleteCache> table;
  std::vector<int32_t> left, right;
  std::vector<uint8_t> seen;
  try {
    table = std::make_unique<CompleteCache>(count_);
    left.resize(n);
    right.resize(n);
    seen.assign(n, 0);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  auto valid = [this](int32_t link) { return link >= 0 && link < count_ ? link : AVLNode::kNone; };
  for (int32_t i = 0; i < count_; ++i) {
    if (const int32_t rc = ReadImage(i, image_.data())) return rc;
    left[static_cast<size_t>(i)] = valid(GetLE32(image_.data()));
    right[static_cast<size_t>(i)] = valid(GetLE32(image_.data() + 4));
  }
  std::vector<int32_t> stack;
  int32_t position = 0;
  int32_t i = valid(root_);
  while (i != AVLNode::kNone || !stack.empty()) {
    for (; i != AVLNode::kNone; i = left[static_cast<size_t>(i)]) {
      // A node met twice means a cycle (or shared subtree): no order exists.
      if (seen[static_cast<size_t>(i)]++) return kFileError;
      stack.push_back(i);
    }
    i = stack.back();
    stack.pop_back();
    table->SetOrder(i, position++);
    i = right[static_cast<size_t>(i)];
  }
  order_ = std::move(table);
  return kOk;
}

}  // namespace zh
