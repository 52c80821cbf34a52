// A stream over a file. Mode 1 reads an existing file under a shared lock; mode 2
// reads and writes an existing file and mode 3 creates or empties one, both under an
// exclusive lock. Locks are taken without waiting: a file locked by another open
// cannot be opened. State 1 until the first open, 0 after success, 6 after a failure.
#pragma once

#include <cstdint>
#include <filesystem>

#include "core/toolbox/stream.h"

namespace zh {

class TQFileStream final : public TQStream {
 public:
  enum Mode : int16_t { kRead = 1, kReadWrite = 2, kCreate = 3 };

  TQFileStream() : TQStream(kNotOpened) {}
  ~TQFileStream() override;
  TQFileStream(const TQFileStream&) = delete;
  TQFileStream& operator=(const TQFileStream&) = delete;

  // Closes a file already open, then opens; answers the state.
  int32_t Open(const std::filesystem::path& name, int16_t mode);
  // 0 after closing, -1 when nothing was open, 6 when closing failed.
  int32_t Close();
  // lseek with method 0 from the start, 1 from the current position, 2 from the end;
  // the new position, or -1. The state does not change.
  int64_t Seek(int64_t distance, int method);
  bool IsOpen() const { return fd_ >= 0; }
  int16_t GetMode() const { return mode_; }

  // Loop over partial transfers; -1 (and state 6) when no file is open.
  int64_t RawRead(void* p, size_t n) override;
  int64_t RawWrite(const void* p, size_t n) override;

 private:
  int fd_ = -1;
  int16_t mode_ = 0;
};

}  // namespace zh
