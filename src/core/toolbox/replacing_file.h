// Writes a file under a temporary name beside its target and renames it over the
// target at the end, so that the old file stays whole until the new one is complete.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>

namespace zh {

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ~ReplacingFile();  // removes the temporary file unless it was committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Makes the target's folders and the temporary file; false on failure.
  bool Create(const std::filesystem::path& target);
  // Appends bytes; false on a write error.
  bool Write(const void* data, size_t size);
  // Gives the file `mode`, flushes it and renames it over the target; false on failure
  // (the target is then unchanged).
  bool Commit(mode_t mode);
  // The descriptor of the temporary file, -1 when none.
  int Descriptor() const { return fd_; }

 private:
  void Discard();

  std::filesystem::path target_;
  std::filesystem::path temp_;
  int fd_ = -1;
};

}  // namespace zh
