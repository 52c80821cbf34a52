#include "database/item_number_iterator.h"

namespace zh {

uint32_t ItemNumberIterator::Count() const {
  if (list_) return list_->Count();
  return last_ >= first_ ? static_cast<uint32_t>(int64_t{last_} - first_ + 1) : 0;
}

bool ItemNumberIterator::HasMore() const {
  return position_ + 1 < static_cast<int64_t>(Count());
}

int32_t ItemNumberIterator::Current() const {
  if (position_ >= static_cast<int64_t>(Count())) return -1;
  return list_ ? list_->Get(static_cast<uint32_t>(position_)) : static_cast<int32_t>(first_ + position_);
}

int32_t ItemNumberIterator::First() {
  position_ = 0;
  return Current();
}

int32_t ItemNumberIterator::Next() {
  if (position_ < static_cast<int64_t>(Count())) ++position_;
  return Current();
}

}  // namespace zh
