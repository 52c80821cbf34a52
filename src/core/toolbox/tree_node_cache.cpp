#include "core/toolbox/tree_node_cache.h"

#include <algorithm>
#include <new>

#include "core/toolbox/system_helpers.h"

namespace zh {

NodeCacheBudget& NodeCacheBudget::Process() {
  static NodeCacheBudget budget(GetMemoryBudget(20));
  return budget;
}

TreeNodeCache::TreeNodeCache(uint16_t nodeSize, size_t entries, NodeCacheBudget& budget)
    : nodeSize_(nodeSize), budget_(budget) {
  // The table never starts larger than the budget can pay for; it grows on demand.
  Resize(std::min<uint64_t>(entries, budget_.Free() / sizeof(Entry)));
}

TreeNodeCache::~TreeNodeCache() {
  chunks_.clear();
  entries_.clear();
  budget_.Release(charged_);
}

void TreeNodeCache::Charge(uint64_t bytes) {
  budget_.Charge(bytes);
  charged_ += bytes;
}

void TreeNodeCache::Release(uint64_t bytes) {
  budget_.Release(bytes);
  charged_ -= std::min(bytes, charged_);
}

bool TreeNodeCache::Resize(size_t entries) {
  const size_t before = entries_.capacity();
  try {
    entries_.resize(entries);
  } catch (const std::bad_alloc&) {
    return false;
  }
  Charge((entries_.capacity() - before) * sizeof(Entry));
  return true;
}

bool TreeNodeCache::Cover(size_t i) {
  if (i < entries_.size()) return true;
  // Grow by a block of entries while the budget allows it, else by what is left of it.
  const uint64_t free = budget_.Free();
  constexpr uint64_t kBlock = kChunkSlots;
  if (free >= kBlock * sizeof(Entry)) {
    if (!Resize(entries_.size() + kBlock)) return false;
  } else if (free < sizeof(Entry)) {
    return false;
  } else if (!Resize(entries_.size() + free / sizeof(Entry))) {
    return false;
  }
  return i < entries_.size();
}

int32_t TreeNodeCache::Store(const uint8_t* image, int32_t i, bool dirty) {
  if (i < 0 || !Cover(static_cast<size_t>(i))) return kOutOfMemory;
  Entry& e = entries_[static_cast<size_t>(i)];
  if (!e.image) {
    if (slotsUsed_ == kChunkSlots) {
      const uint64_t bytes = uint64_t{kChunkSlots} * nodeSize_;
      std::unique_ptr<uint8_t[]> chunk;
      if (bytes < budget_.Free()) chunk.reset(new (std::nothrow) uint8_t[bytes]);
      if (chunk) Charge(bytes);
      const size_t before = chunks_.capacity();
      try {
        chunks_.push_back(std::move(chunk));
      } catch (const std::bad_alloc&) {
        return kOutOfMemory;
      }
      Charge((chunks_.capacity() - before) * sizeof(chunks_[0]));
      slotsUsed_ = 0;
    }
    // A null chunk refuses every new slot until the cache is cleared.
    if (!chunks_.back()) return kOutOfMemory;
    e.image = chunks_.back().get() + static_cast<size_t>(slotsUsed_++) * nodeSize_;
  }
  std::copy(image, image + nodeSize_, e.image);
  if (dirty) e.dirty = 1;
  return 0;
}

uint8_t* TreeNodeCache::Get(int32_t i) const {
  if (i < 0 || static_cast<size_t>(i) >= entries_.size()) return nullptr;
  return entries_[static_cast<size_t>(i)].image;
}

bool TreeNodeCache::IsDirty(int32_t i) const {
  return Get(i) && entries_[static_cast<size_t>(i)].dirty;
}

void TreeNodeCache::MarkClean(int32_t i) {
  if (Get(i)) entries_[static_cast<size_t>(i)].dirty = 0;
}

void TreeNodeCache::Clear() {
  for (auto& chunk : chunks_)
    if (chunk) Release(uint64_t{kChunkSlots} * nodeSize_);
  chunks_.clear();
  for (Entry& e : entries_) e = Entry{};
  slotsUsed_ = kChunkSlots;
}

}  // namespace zh
