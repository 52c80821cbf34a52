// What the system helpers ask of the machine: free space of a filesystem and the
// memory figures. Tests install their own probe.
#pragma once

#include <cstdint>
#include <filesystem>

namespace zh {

struct MemoryStatus {
  uint64_t totalPhysical = 0;      // bytes (MemTotal)
  uint64_t availablePhysical = 0;  // bytes (MemAvailable)
  uint64_t freeSwap = 0;           // bytes (SwapFree)
};

class SystemProbe {
 public:
  virtual ~SystemProbe() = default;
  // Bytes an unprivileged user may still write on the filesystem holding `path`.
  virtual bool FreeBytes(const std::filesystem::path& path, uint64_t& bytes) = 0;
  virtual bool Memory(MemoryStatus& status) = 0;
};

// statvfs and /proc/meminfo, unless a test installed another probe.
SystemProbe& CurrentSystemProbe();

// Installs a probe for the guard's lifetime.
class ScopedSystemProbe {
 public:
  explicit ScopedSystemProbe(SystemProbe& probe);
  ~ScopedSystemProbe();
  ScopedSystemProbe(const ScopedSystemProbe&) = delete;
  ScopedSystemProbe& operator=(const ScopedSystemProbe&) = delete;

 private:
  SystemProbe* previous_;
};

}  // namespace zh
