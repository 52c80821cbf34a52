#include "books/tree/tree_cache.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <string>

#include "app/message_ids.h"
#include "books/tree/opening_tree.h"
#include "books/tree/tree_key_hash.h"
#include "core/services.h"
#include "core/toolbox/system_helpers.h"

namespace zh {

namespace {

constexpr uint64_t kMinFreeKB = 512;
constexpr uint32_t kSmallTreePages = 1001;
constexpr uint32_t kStatusEvery = 5000;

}  // namespace

TreeCache::TreeCache(uint32_t capacity) {
  try {
    hashes_.resize(capacity);
    places_.resize(capacity);
    order_.resize(capacity);
  } catch (const std::bad_alloc&) {
    return;
  }
  entries_ = FixedArray(capacity, kEntrySize);
}

void TreeCache::Append(const uint8_t* packed, uint32_t length, uint32_t hash) {
  uint8_t* entry = entries_.At(count_);
  std::memcpy(entry, packed, std::min(length, kEntrySize));
  hashes_[count_] = hash;
  ++count_;
  dirty_ = true;
}

void TreeCache::KeepUnwritten(const std::vector<uint8_t>& written) {
  uint32_t kept = 0;
  for (uint32_t i = 0; i < count_; ++i) {
    if (written[i]) continue;
    if (kept != i) {
      std::memcpy(entries_.At(kept), entries_.At(i), kEntrySize);
      hashes_[kept] = hashes_[i];
    }
    ++kept;
  }
  count_ = kept;
  dirty_ = kept > 0;
}

int OpeningTree::CreateCache() {
  if (cache_) return 0;
  if (status_ != 0) return status_;
  const uint64_t budget = memoryBudget ? memoryBudget(60) : GetMemoryBudget(60);
  const auto capacity = static_cast<uint32_t>(
      std::min<uint64_t>(budget / TreeCache::kBudgetPerEntry, TreeCache::kMaxEntries));
  if (capacity == 0) return 5;
  auto cache = std::make_unique<TreeCache>(capacity);
  if (cache->Capacity() == 0) return 5;
  cache->threshold =
      std::min(std::max(TreeCache::kMinThreshold, files_->Pages().PositionCount()), capacity);
  cache_ = std::move(cache);
  return 0;
}

uint32_t OpeningTree::CachedCount() const {
  return cache_ ? cache_->Count() : 0;
}

int OpeningTree::DisableCache() {
  useCache = false;
  if (!cache_) return 0;
  const uint32_t waiting = cache_->Count();
  const int code = WriteCache();
  if (code == 0) {
    cache_.reset();
  } else if (code != kBusy) {
    LogLine(GetPath() + ": " + std::to_string(cache_->Count()) + " of " +
            std::to_string(waiting) + " cached positions not written");
  }
  return code;
}

int OpeningTree::AddToCache() {
  if (!cache_) return kWriteFailed;
  TreeCache& cache = *cache_;
  if (cache.Count() >= cache.threshold || cache.Full()) {
    if (WriteCache() != 0 || cache.Full()) return 1;
  }
  cache.threshold = std::min(std::max(TreeCache::kMinThreshold, files_->Pages().PositionCount()),
                             cache.Capacity());
  uint8_t packed[kMaxTreeCacheEntry];
  const uint32_t length = work_.PackForCache(packed);
  // A position whose key does not fit is not stored in any tree.
  if (length == 0) return 0;
  cache.Append(packed, length, work_.KeyHash(packed));
  return 0;
}

int OpeningTree::WriteCache() {
  if (!cache_) return 0;
  if (WritesRefused()) return kBusy;
  TreeCache& cache = *cache_;
  const auto failed = [] {
    ShowStatusMessage(GetMessageText(msg::M_TREE_WRITE_CACHE_ERROR));
    return kWriteFailed;
  };
  if (status_ != 0 || readOnly_) return failed();
  const std::string path = GetPath();
  const uint64_t freeKB = freeDiskSpaceKB ? freeDiskSpaceKB(path) : GetFreeDiskSpaceKB(path);
  ShowStatusMessage(GetMessageText(msg::M_TREE_WRITING_FREE) + " " + std::to_string(freeKB) + "kB");
  // Too little room to write: the entries wait for a later flush.
  if (freeKB < kMinFreeKB) return failed();
  if (!cache.Dirty() || cache.Count() == 0) {
    cache.Clear();
    ShowStatusMessage(GetMessageText(msg::M_TREE_WRITE_CACHE_DONE));
    return 0;
  }

  const uint32_t count = cache.Count();
  TreePageFile& pages = files_->Pages();
  TreeBitmapFile& bitmap = files_->Bitmap();
  std::vector<uint32_t>& order = cache.Order();
  std::iota(order.begin(), order.begin() + count, 0u);
  const auto bucketOf = [&bitmap](uint32_t h) {
    uint32_t m = 0;
    while (bitmap.GetBit(m + (h & m)) == 1 && 2 * m < 0x7FFFFFFE) m = 2 * m + 1;
    return m + (h & m);
  };
  if (count > 1) {
    if (pages.PageCount() < kSmallTreePages) {
      std::stable_sort(order.begin(), order.begin() + count, [&cache](uint32_t a, uint32_t b) {
        return BucketOrderLess(cache.Hash(a), cache.Hash(b));
      });
    } else {
      for (uint32_t i = 0; i < count; ++i) cache.Place(i) = bucketOf(cache.Hash(i));
      const auto byPlace = [&cache](uint32_t a, uint32_t b) {
        return cache.Place(a) < cache.Place(b);
      };
      std::stable_sort(order.begin(), order.begin() + count, byPlace);
      for (uint32_t n = 0; n < count; ++n) {
        uint32_t& place = cache.Place(order[n]);
        uint32_t page = TreePageFile::kNoPage;
        if (files_->Index().GetEntry(place, page) != 0) page = TreePageFile::kNoPage;
        place = page;
      }
      std::stable_sort(order.begin(), order.begin() + count, byPlace);
    }
  }

  std::vector<uint8_t> written;
  try {
    written.assign(count, 0);
  } catch (const std::bad_alloc&) {
    return failed();
  }
  std::vector<uint32_t> pending;
  uint32_t dirtyPage = TreePageFile::kNoPage;
  // Writes the buffered page; the entries merged into it are then written.
  const std::function<int()> writeBuffered = [&]() -> int {
    if (dirtyPage == TreePageFile::kNoPage) return 0;
    if (pages.CurrentPage() != dirtyPage || pages.WritePage(dirtyPage) != 0) {
      pages.ForgetCurrent();
      dirtyPage = TreePageFile::kNoPage;
      pending.clear();
      return kWriteFailed;
    }
    for (const uint32_t i : pending) written[i] = 1;
    pending.clear();
    dirtyPage = TreePageFile::kNoPage;
    return 0;
  };
  const auto stop = [&] {
    cache.KeepUnwritten(written);
    return failed();
  };

  uint64_t dropped = 0;
  for (uint32_t n = 0; n < count; ++n) {
    const uint32_t i = order[n];
    if (n % kStatusEvery == kStatusEvery - 1) {
      ShowStatusMessage(GetMessageText(msg::M_TREE_POSITION_COUNT) + " " + std::to_string(n + 1));
      PumpEvents();
    }
    uint8_t record[kMaxTreeRecord];
    if (PositionItem::UnpackFromCache(cache.Entry(i), TreeCache::kEntrySize, record) == 0) {
      written[i] = 1;  // not a position: nothing to store
      continue;
    }
    // The entry's page; the buffered page is written before another one is read.
    uint32_t page = TreePageFile::kNoPage;
    if (files_->Index().GetEntry(bucketOf(cache.Hash(i)), page) != 0) {
      writeBuffered();
      return stop();
    }
    if (page != dirtyPage && writeBuffered() != 0) return stop();
    TreeLocation at;
    bool found = false;
    if (page == TreePageFile::kNoPage) {
      // A bucket without a page gets an empty one, as a single write does.
      if (LocatePage(record, at, found, false) != 0) return stop();
    } else {
      found = files_->Locate(record, at);
      if (!found && at.page == TreePageFile::kNoPage) {
        writeBuffered();
        return stop();
      }
    }
    bool wroteItself = false;
    const int code = StoreRecord(record, found, at, &writeBuffered, &wroteItself);
    if (code == TreeFiles::kCannotSplit) {
      // The bucket cannot split any further: the position is left out and counted.
      written[i] = 1;
      ++dropped;
      if (pages.CurrentPage() != dirtyPage) dirtyPage = TreePageFile::kNoPage;
      continue;
    }
    if (code != 0) {
      writeBuffered();
      return stop();
    }
    if (wroteItself) {
      written[i] = 1;
    } else {
      pending.push_back(i);
      dirtyPage = at.page;
    }
  }
  if (writeBuffered() != 0) return stop();
  cache.Clear();
  if (dropped) {
    droppedAtLimit_ += dropped;
    LogLine(path + ": " + std::to_string(dropped) +
            " positions could not be stored at the tree's depth limit");
  }
  ShowStatusMessage(GetMessageText(msg::M_TREE_WRITE_CACHE_DONE));
  return 0;
}

}  // namespace zh
