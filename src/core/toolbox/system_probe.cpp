#include "core/toolbox/system_probe.h"

#include <sys/statvfs.h>

#include <fstream>
#include <sstream>
#include <string>

namespace zh {
namespace {

class LinuxProbe final : public SystemProbe {
 public:
  bool FreeBytes(const std::filesystem::path& path, uint64_t& bytes) override {
    struct statvfs fs{};
    if (statvfs(path.c_str(), &fs) != 0) return false;
    bytes = uint64_t{fs.f_bavail} * fs.f_frsize;
    return true;
  }

  bool Memory(MemoryStatus& status) override {
    std::ifstream in("/proc/meminfo");
    if (!in) return false;
    int found = 0;
    for (std::string line; std::getline(in, line);) {
      std::istringstream fields(line);
      std::string name;
      uint64_t kb = 0;
      if (!(fields >> name >> kb)) continue;
      if (name == "MemTotal:") status.totalPhysical = kb * 1024, ++found;
      if (name == "MemAvailable:") status.availablePhysical = kb * 1024, ++found;
      if (name == "SwapFree:") status.freeSwap = kb * 1024, ++found;
    }
    return found == 3;
  }
};

SystemProbe*& Installed() {
  static SystemProbe* probe = nullptr;
  return probe;
}

}  // namespace

SystemProbe& CurrentSystemProbe() {
  static LinuxProbe standard;
  SystemProbe* p = Installed();
  return p ? *p : standard;
}

ScopedSystemProbe::ScopedSystemProbe(SystemProbe& probe) : previous_(Installed()) {
  Installed() = &probe;
}

ScopedSystemProbe::~ScopedSystemProbe() { Installed() = previous_; }

}  // namespace zh
