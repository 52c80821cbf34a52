#include "core/toolbox/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace zh {

TQFileStream::~TQFileStream() { Close(); }

int32_t TQFileStream::Open(const std::filesystem::path& name, int16_t mode) {
  if (fd_ >= 0) Close();
  mode_ = mode;
  state_ = kFileError;
  int flags, lock;
  switch (mode) {
    case kRead:
      flags = O_RDONLY, lock = LOCK_SH;
      break;
    case kReadWrite:
      flags = O_RDWR, lock = LOCK_EX;
      break;
    case kCreate:
      flags = O_RDWR | O_CREAT, lock = LOCK_EX;
      break;
    default:
      return state_;
  }
  const int fd = ::open(name.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return state_;
  // Emptying waits for the lock, so that a file another open holds stays whole.
  if (::flock(fd, lock | LOCK_NB) != 0 || (mode == kCreate && ::ftruncate(fd, 0) != 0)) {
    ::close(fd);
    return state_;
  }
  fd_ = fd;
  state_ = kOk;
  return state_;
}

int32_t TQFileStream::Close() {
  if (fd_ < 0) return -1;
  const int result = ::close(fd_);
  fd_ = -1;
  state_ = kOk;
  return result == 0 ? 0 : kFileError;
}

int64_t TQFileStream::Seek(int64_t distance, int method) {
  if (fd_ < 0) return -1;
  const int whence = method == 1 ? SEEK_CUR : method == 2 ? SEEK_END : SEEK_SET;
  const off_t at = ::lseek(fd_, static_cast<off_t>(distance), whence);
  return at < 0 ? -1 : static_cast<int64_t>(at);
}

int64_t TQFileStream::RawRead(void* p, size_t n) {
  if (fd_ < 0) {
    Fail();
    return -1;
  }
  auto* bytes = static_cast<char*>(p);
  size_t done = 0;
  while (done < n) {
    const ssize_t got = ::read(fd_, bytes + done, n - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  if (done < n) Fail();
  return static_cast<int64_t>(done);
}

int64_t TQFileStream::RawWrite(const void* p, size_t n) {
  if (fd_ < 0) {
    Fail();
    return -1;
  }
  const auto* bytes = static_cast<const char*>(p);
  size_t done = 0;
  while (done < n) {
    const ssize_t put = ::write(fd_, bytes + done, n - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  if (done < n) Fail();
  return static_cast<int64_t>(done);
}

}  // namespace zh
