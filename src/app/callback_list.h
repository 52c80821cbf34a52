// A short fixed list of callback links, called together.
#pragma once

#include <array>
#include <cstdint>

#include "core/services.h"

namespace zh {

class CallbackList {
 public:
  static constexpr int kCapacity = 10;

  void Clear() { count_ = 0; }
  // Appends a link unless an equal one is held; ignored when the list is full.
  void Add(const CallbackLink& link);
  // Removes the first equal link and closes the gap; false when absent.
  bool Remove(const CallbackLink& link);
  // Calls every set link in list order.
  void CallAll(std::intptr_t argument) const;
  int Count() const { return count_; }

 private:
  std::array<CallbackLink, kCapacity> links_{};
  int count_ = 0;
};

}  // namespace zh
