#include "app/machine_memory.h"

#include <fstream>
#include <sstream>

namespace zh {

MemoryInfo ReadMemoryInfo(const std::string& path) {
  MemoryInfo info;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string key;
    int64_t value = 0;
    if (!(fields >> key >> value)) continue;
    if (key == "MemTotal:") info.totalKb = value;
    if (key == "MemAvailable:") info.availableKb = value;
  }
  return info;
}

}  // namespace zh
