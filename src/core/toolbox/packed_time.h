// A clock time packed in 32 bits: hours in bits 24-31, minutes 16-23, seconds 8-15,
// hundredths 0-7.
#pragma once

#include <cstdint>
#include <string>

namespace zh {

struct ClockTime {
  int hours = 0, minutes = 0, seconds = 0, hundredths = 0;
  bool operator==(const ClockTime&) const = default;
};

struct PackedTime {
  uint32_t value = 0;

  static PackedTime Make(int hours, int minutes, int seconds, int hundredths);
  int Hours() const { return value >> 24; }
  int Minutes() const { return (value >> 16) & 0xFF; }
  int Seconds() const { return (value >> 8) & 0xFF; }
  int Hundredths() const { return value & 0xFF; }

  // The local time of day from the clock service.
  void SetNow();
  // From a clock value written in decimal as hhmmsscc; the sign is ignored.
  void FromClockValue(int64_t v);
  void FromCentiseconds(int64_t n);
  int64_t ToCentiseconds() const;
  // Hundredths of 50 or more round up.
  int64_t ToSeconds() const;
  ClockTime ToClockTime() const { return {Hours(), Minutes(), Seconds(), Hundredths()}; }
  // Fields joined by ':'. The short form leaves out leading zero hours (and minutes).
  std::string ToText(bool shortForm) const;
};

}  // namespace zh
