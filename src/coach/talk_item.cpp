#include "coach/talk_item.h"

#include <algorithm>

namespace zh {

namespace {
const std::string kEmpty;
}

TalkItem::TalkItem(int16_t capacity, uint16_t flags)
    : flags_(flags), slots_(static_cast<size_t>(std::max<int16_t>(capacity, 0))) {}

bool TalkItem::Add(const std::string& path) {
  if (count_ >= Capacity()) return false;
  slots_[static_cast<size_t>(count_++)] = path;
  return true;
}

const std::string& TalkItem::At(int i) const {
  if (i < 0 || i >= count_) return kEmpty;
  return slots_[static_cast<size_t>(i)];
}

const std::string& TalkItem::Next() {
  const std::string& text = At(cursor_);
  if (cursor_ < count_) ++cursor_;
  return text;
}

void TalkItem::Seek(int i) { cursor_ = static_cast<int16_t>(std::clamp<int>(i, 0, count_)); }

void TalkItem::Assign(const TalkItem& other) {
  if (&other == this) return;
  slots_ = other.slots_;
  count_ = other.count_;
  cursor_ = other.cursor_;
  flags_ = other.flags_;
}

void TalkItem::Append(const TalkItem& other) {
  const int needed = count_ + other.count_;
  if (needed > INT16_MAX) return;
  if (needed > Capacity()) slots_.resize(static_cast<size_t>(std::min(needed + 5, int{INT16_MAX})));
  // Copies first: `other` may be this item.
  const std::vector<std::string> texts(other.slots_.begin(), other.slots_.begin() + other.count_);
  for (const std::string& text : texts) Add(text);
}

}  // namespace zh
