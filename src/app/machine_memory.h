// Memory of the machine, from a meminfo file, and the display class of a screen.
#pragma once

#include <cstdint>
#include <string>

namespace zh {

struct MemoryInfo {
  int64_t totalKb = 0;
  int64_t availableKb = 0;  // what programs can still get (MemAvailable)
};

// Reads "MemTotal" and "MemAvailable"; zeros when the file cannot be read.
MemoryInfo ReadMemoryInfo(const std::string& path = "/proc/meminfo");

// 2 above 1000 pixels, else 1 from 790 pixels, else 0.
constexpr int DisplayClassForWidth(int width) {
  return width > 1000 ? 2 : width >= 790 ? 1 : 0;
}

}  // namespace zh
