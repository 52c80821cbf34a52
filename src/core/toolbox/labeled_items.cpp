#include "core/toolbox/labeled_items.h"

#include <algorithm>

namespace zh {
namespace {

bool NameLess(const std::unique_ptr<LabeledItem>& item, std::string_view name) {
  return std::string_view(item->Name()) < name;
}

}  // namespace

LabeledItemContainer::LabeledItemContainer(uint16_t capacity) : capacity_(capacity) {
  if (capacity == 0) status_ = kZeroCapacity;
}

bool LabeledItemContainer::Insert(std::unique_ptr<LabeledItem> item) {
  if (!item) return false;
  if (items_.size() >= capacity_) {
    status_ = capacity_ == 0 ? kZeroCapacity : kFull;
    return false;
  }
  auto at = std::upper_bound(items_.begin(), items_.end(), item->Name(),
                             [](const std::string& name, const std::unique_ptr<LabeledItem>& i) {
                               return name < i->Name();
                             });
  items_.insert(at, std::move(item));
  return true;
}

const LabeledItem* LabeledItemContainer::Find(std::string_view name) const {
  auto at = std::lower_bound(items_.begin(), items_.end(), name, NameLess);
  return at != items_.end() && (*at)->Name() == name ? at->get() : nullptr;
}

bool LabeledItemContainer::HasPrefix(std::string_view text) const {
  if (text.empty()) return false;
  auto at = std::lower_bound(items_.begin(), items_.end(), text, NameLess);
  return at != items_.end() && std::string_view((*at)->Name()).starts_with(text);
}

const LabeledItem* LabeledItemContainer::ItemAt(size_t i) const {
  return i < items_.size() ? items_[i].get() : nullptr;
}

}  // namespace zh
