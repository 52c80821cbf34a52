#include "app/hardware_test.h"

#include "app/message_ids.h"
#include "core/services.h"

namespace zh {

int32_t HardwareSpeedResult(uint64_t elapsedMs) {
  const double q = elapsedMs < 1 ? 1.0 : 130000.0 / static_cast<double>(elapsedMs);
  return static_cast<int32_t>((q + 2.5) * 0.2) * 5;
}

std::string HardwareVerdict(int32_t result, int64_t memoryKb, int screenWidth) {
  int rating = msg::M_SPEED_FAST;
  if (result <= 30)
    rating = msg::M_SPEED_SLOW;
  else if (result <= 70)
    rating = msg::M_SPEED_AVERAGE;
  else if (result <= 130)
    rating = msg::M_SPEED_GOOD;
  std::string text = GetMessageText(msg::M_SPEED_VERDICT) + GetMessageText(rating);
  if (memoryKb < 32768) text += GetMessageText(msg::M_LOW_MEMORY);
  if (screenWidth < 800) text += GetMessageText(msg::M_NARROW_SCREEN);
  return text;
}

}  // namespace zh
