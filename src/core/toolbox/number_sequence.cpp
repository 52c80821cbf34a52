#include "core/toolbox/number_sequence.h"

namespace zh {

void NumberSequence::SetRange(int32_t first, int32_t last) {
  first_ = first;
  last_ = last;
  current_ = first;
  array_ = nullptr;
  isArray_ = false;
}

void NumberSequence::SetArray(const SortedLONGArr* array) {
  array_ = array;
  isArray_ = true;
  current_ = 0;
}

int32_t NumberSequence::First() {
  if (isArray_) {
    current_ = 0;
    return HasMore() ? array_->Get(0) : 0;
  }
  current_ = first_;
  return first_;
}

int32_t NumberSequence::Next() {
  ++current_;
  if (isArray_) return HasMore() ? array_->Get(static_cast<uint32_t>(current_)) : 0;
  return static_cast<int32_t>(current_);
}

int64_t NumberSequence::Position() const { return isArray_ ? current_ : current_ - first_; }

bool NumberSequence::HasMore() const {
  if (isArray_) return array_ && current_ < array_->Count();
  return current_ <= last_;
}

int64_t NumberSequence::Size() const {
  if (isArray_) return array_ ? array_->Count() : 0;
  return last_ >= first_ ? int64_t{last_} - first_ + 1 : 0;
}

}  // namespace zh
