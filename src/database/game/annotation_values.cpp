#include "database/game/annotation_values.h"

#include <chrono>
#include <cstdio>

#include "core/services.h"

namespace zh {

std::string Mark::ToText() const {
  return {static_cast<char>(colour + 1), static_cast<char>(from + 1), static_cast<char>(to + 1)};
}

MarkList::MarkList(const std::string& text)
    : count_(static_cast<int16_t>(text.size() / 3)), text_(text.substr(0, text.size() / 3 * 3)) {}

Mark MarkList::GetMark(int i) const {
  if (i < 0 || i >= count_) return {};
  auto at = [&](int k) { return static_cast<uint8_t>(text_[3 * i + k] - 1); };
  return {at(0), at(1), at(2)};
}

void MarkList::AddMark(const Mark& mark) {
  for (int i = 0; i < count_; ++i) {
    const Mark m = GetMark(i);
    if (m.from == mark.from && m.to == mark.to) {
      RemoveAt(i);
      break;
    }
  }
  text_ += mark.ToText();
  ++count_;
}

void MarkList::RemoveAt(int i) {
  if (i < 0 || i >= count_) return;
  text_.erase(3 * i, 3);
  --count_;
}

void MarkList::Clear() {
  text_.clear();
  count_ = 0;
}

size_t MarkList::Read(std::string_view bytes) {
  if (bytes.size() < 2) return 0;
  const int n = static_cast<uint8_t>(bytes[0]) << 8 | static_cast<uint8_t>(bytes[1]);
  if (n > 0x7FFF || bytes.size() < 2 + 3 * size_t(n)) return 0;
  count_ = static_cast<int16_t>(n);
  text_.assign(bytes.substr(2, 3 * size_t(n)));
  return 2 + 3 * size_t(n);
}

size_t MarkList::Write(std::string& out) const {
  out += static_cast<char>(count_ >> 8);
  out += static_cast<char>(count_ & 0xFF);
  out += text_;
  return 2 + 3 * size_t(count_);
}

PackedColour PackedColour::FromGuiColour(uint16_t red, uint16_t green, uint16_t blue) {
  return {uint32_t(red >> 8) | uint32_t(green >> 8) << 8 | uint32_t(blue >> 8) << 16};
}

PackedDate PackedDate::Make(int year, int month, int day) {
  return {static_cast<uint32_t>(year) << 9 | uint32_t(month & 15) << 5 | uint32_t(day & 31)};
}

PackedDate PackedDate::FromNumber(uint32_t n) {
  return Make(static_cast<int>(n / 10000), static_cast<int>(n / 100 % 100), static_cast<int>(n % 100));
}

void PackedDate::SetToday() {
  using namespace std::chrono;
  const sys_days days = floor<std::chrono::days>(sys_seconds(seconds(Clock().WallTime())));
  const year_month_day ymd(days);
  *this = Make(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())));
}

std::string PackedDate::Format() const {
  if (Year() == 0) return {};
  char buffer[32];
  if (Month() && Day())
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", Day(), Month(), Year());
  else if (Month())
    std::snprintf(buffer, sizeof buffer, "%02d.%04d", Month(), Year());
  else
    std::snprintf(buffer, sizeof buffer, "%04d", Year());
  return buffer;
}

void PackedDate::AddDays(int n) {
  using namespace std::chrono;
  const year_month_day ymd{year(Year()), month(unsigned(Month())), day(unsigned(Day()))};
  if (!ymd.ok()) return;
  const year_month_day moved(sys_days(ymd) + days(n));
  *this = Make(int(moved.year()), int(unsigned(moved.month())), int(unsigned(moved.day())));
}

}  // namespace zh
