#include "core/toolbox/packed_time.h"

#include <ctime>

#include "core/services.h"

namespace zh {

PackedTime PackedTime::Make(int hours, int minutes, int seconds, int hundredths) {
  return {static_cast<uint32_t>((hours & 0xFF) << 24 | (minutes & 0xFF) << 16 |
                                (seconds & 0xFF) << 8 | (hundredths & 0xFF))};
}

void PackedTime::SetNow() {
  const std::time_t now = static_cast<std::time_t>(Clock().WallTime());
  std::tm local{};
  localtime_r(&now, &local);
  *this = Make(local.tm_hour, local.tm_min, local.tm_sec, 0);
}

void PackedTime::FromClockValue(int64_t v) {
  if (v < 0) v = -v;
  *this = Make(static_cast<int>(v / 1000000 % 256), static_cast<int>(v / 10000 % 100),
               static_cast<int>(v / 100 % 100), static_cast<int>(v % 100));
}

void PackedTime::FromCentiseconds(int64_t n) {
  if (n < 0) n = 0;
  *this = Make(static_cast<int>(n / 360000 % 256), static_cast<int>(n % 360000 / 6000),
               static_cast<int>(n % 6000 / 100), static_cast<int>(n % 100));
}

int64_t PackedTime::ToCentiseconds() const {
  return ((int64_t{Hours()} * 60 + Minutes()) * 60 + Seconds()) * 100 + Hundredths();
}

int64_t PackedTime::ToSeconds() const {
  return (int64_t{Hours()} * 60 + Minutes()) * 60 + Seconds() + (Hundredths() >= 50 ? 1 : 0);
}

std::string PackedTime::ToText(bool shortForm) const {
  auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
  std::string text;
  const bool showHours = !shortForm || Hours() != 0;
  const bool showMinutes = showHours || Minutes() != 0;
  if (showHours) text = std::to_string(Hours()) + ":";
  if (showMinutes) text += (showHours ? two(Minutes()) : std::to_string(Minutes())) + ":";
  text += showMinutes ? two(Seconds()) : std::to_string(Seconds());
  return text;
}

}  // namespace zh
