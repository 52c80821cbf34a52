#include "app/callback_list.h"

namespace zh {

void CallbackList::Add(const CallbackLink& link) {
  for (int i = 0; i < count_; ++i)
    if (links_[static_cast<size_t>(i)] == link) return;
  if (count_ >= kCapacity) return;
  links_[static_cast<size_t>(count_++)] = link;
}

bool CallbackList::Remove(const CallbackLink& link) {
  for (int i = 0; i < count_; ++i) {
    if (!(links_[static_cast<size_t>(i)] == link)) continue;
    for (int j = i + 1; j < count_; ++j) links_[static_cast<size_t>(j - 1)] = links_[static_cast<size_t>(j)];
    links_[static_cast<size_t>(--count_)] = CallbackLink();
    return true;
  }
  return false;
}

void CallbackList::CallAll(std::intptr_t argument) const {
  for (int i = 0; i < count_; ++i) links_[static_cast<size_t>(i)].Call(argument);
}

}  // namespace zh
