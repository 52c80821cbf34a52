#include "core/toolbox/paged_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>

#include "core/services.h"

namespace zh {

namespace {

std::unique_ptr<uint8_t[]> Allocate(uint32_t size) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]);
}

// The transfer buffer of copies and shifts: the large size, else the small one.
std::unique_ptr<uint8_t[]> TransferBuffer(uint32_t& size) {
  size = PagedFile::kTransferSize;
  auto b = Allocate(size);
  if (!b) {
    size = PagedFile::kSmallTransferSize;
    b = Allocate(size);
  }
  return b;
}

bool IsReadOnly(const struct stat& st, const std::string& path) {
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0;
}

}  // namespace

PagedFile::PagedFile(std::string path, bool create, uint32_t bufferSize, uint32_t lookBack,
                     int mode)
    : path_(std::move(path)),
      mode_(mode == kRandom ? kRandom : kSequential),
      bufferSize_(bufferSize),
      previousSize_(bufferSize),
      lookBack_(lookBack ? lookBack : bufferSize) {
  if (bufferSize_) {
    buffer_ = Allocate(bufferSize_);
    if (buffer_) flags_ = kOwnsBuffer | kBufferedReads;
  }
  if (EnsureOpen() != 0) {
    if (!create)
      state_ = kMissing;
    else if (Create() == 0)
      state_ = kCreated;
  }
  CloseHandle();
}

PagedFile::~PagedFile() {
  if (WriteBack() != 0) LogLine("PagedFile: unwritten data dropped for " + path_);
  EmptyWindow();
  buffer_.reset();
  flags_ = 0;
  CloseHandle();
}

int PagedFile::OpenLocked(bool create) {
  int flags = O_RDWR | O_CLOEXEC;
  int lock = LOCK_EX;
  if (create) {
    flags |= O_CREAT;
  } else {
    struct stat st;
    if (stat(path_.c_str(), &st) != 0) return -1;
    if (IsReadOnly(st, path_)) {
      flags = O_RDONLY | O_CLOEXEC;
      lock = LOCK_SH;
    }
  }
  const int fd = open(path_.c_str(), flags, 0644);
  if (fd < 0) return -1;
  if (flock(fd, lock | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  posix_fadvise(fd, 0, 0, mode_ == kRandom ? POSIX_FADV_RANDOM : POSIX_FADV_SEQUENTIAL);
  return fd;
}

int PagedFile::EnsureOpen() {
  if (fd_ >= 0) return 0;
  fd_ = OpenLocked(false);
  if (fd_ < 0) {
    state_ = kCannotOpen;
    return kCannotOpen;
  }
  return 0;
}

void PagedFile::CloseHandle() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

int PagedFile::Close() {
  const int code = WriteBack();
  CloseHandle();
  return code;
}

int PagedFile::Create() {
  Close();
  // The lock comes before the truncation, so a file in use elsewhere stays whole.
  if (watcher_ && !watcher_->BeforeResize(path_, -1, 0)) return kCannotOpen;
  const int fd = OpenLocked(true);
  if (fd < 0 || ftruncate(fd, 0) != 0) {
    if (fd >= 0) close(fd);
    return kCannotOpen;
  }
  fd_ = fd;
  EmptyWindow();
  flags_ &= static_cast<uint8_t>(~kModified);
  return 0;
}

int PagedFile::SetMode(int mode) {
  Close();
  if (mode == kSequential || mode == kRandom) mode_ = mode;
  return EnsureOpen();
}

int64_t PagedFile::ReadAt(void* buffer, uint64_t offset, uint64_t length) {
  auto* p = static_cast<uint8_t*>(buffer);
  uint64_t done = 0;
  while (done < length) {
    const ssize_t n = pread(fd_, p + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<uint64_t>(n);
  }
  return static_cast<int64_t>(done);
}

bool PagedFile::WriteAt(const void* buffer, uint64_t offset, uint64_t length) {
  if (watcher_ && !watcher_->BeforeWrite(path_, fd_, offset, length)) return false;
  const auto* p = static_cast<const uint8_t*>(buffer);
  uint64_t done = 0;
  while (done < length) {
    const ssize_t n = pwrite(fd_, p + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<uint64_t>(n);
  }
  return true;
}

bool PagedFile::LoadWindow(uint64_t start) {
  EmptyWindow();
  const int64_t n = ReadAt(buffer_.get(), start, bufferSize_);
  if (n < 0) return false;
  windowStart_ = start;
  windowFill_ = static_cast<uint64_t>(n);
  return true;
}

int PagedFile::ReadOutsideWindow(void* buffer, uint64_t offset, int32_t length) {
  if (EnsureOpen() != 0) return -1;
  if (flags_ & kBufferedReads) {
    if (length < 1) return 0;
    if (static_cast<uint32_t>(length) <= bufferSize_) {
      if (!InWindow(offset, length)) {
        if (WriteBack() != 0) return -1;
        // Just before the window: step back by the look-back when the range then fits.
        uint64_t start = offset;
        const uint64_t old = windowStart_;
        if (offset < old && old >= lookBack_ && offset >= old - lookBack_ &&
            offset + static_cast<uint64_t>(length) <= old - lookBack_ + bufferSize_)
          start = old - lookBack_;
        if (!LoadWindow(start)) return -1;
      }
      if (InWindow(offset, length)) {
        std::memcpy(buffer, buffer_.get() + (offset - windowStart_), static_cast<size_t>(length));
        return 0;
      }
    }
  }
  if (length < 0) return -1;
  if (WriteBack() != 0) return -1;
  return ReadAt(buffer, offset, static_cast<uint64_t>(length)) == length ? 0 : -1;
}

int PagedFile::Write(const void* buffer, uint64_t offset, int32_t length) {
  if (EnsureOpen() != 0) return -1;
  if (length < 0) return -1;
  if (length == 0) return 0;
  const uint8_t wanted = kBufferedReads | kWriteBehind;
  if ((flags_ & wanted) == wanted) {
    const uint64_t len = static_cast<uint64_t>(length);
    if (offset >= windowStart_ && offset - windowStart_ + len <= bufferSize_) {
      if (windowFill_ < offset - windowStart_) {
        // Valid data ends before the write: reload the window from the write on.
        if (WriteBack() != 0) return -1;
        if (!LoadWindow(offset)) return -1;
      }
      std::memcpy(buffer_.get() + (offset - windowStart_), buffer, len);
      windowFill_ = std::max(windowFill_, offset - windowStart_ + len);
      flags_ |= kModified;
      return 0;
    }
    if (WriteBack() != 0) return -1;
    if (len <= bufferSize_) {
      std::memcpy(buffer_.get(), buffer, len);
      windowStart_ = offset;
      windowFill_ = len;
      flags_ |= kModified;
      return 0;
    }
  }
  EmptyWindow();
  return WriteAt(buffer, offset, static_cast<uint64_t>(length)) ? 0 : -1;
}

int PagedFile::WriteBack() {
  const uint8_t wanted = kBufferedReads | kWriteBehind | kModified;
  if ((flags_ & wanted) != wanted) return 0;
  if (EnsureOpen() != 0) {
    ShowStatusMessage("WriteBack: file closed");
    return kWriteError;
  }
  if (!WriteAt(buffer_.get(), windowStart_, windowFill_)) return kWriteError;
  flags_ &= static_cast<uint8_t>(~kModified);
  return 0;
}

void PagedFile::EnableWriteBehind() {
  if (flags_ & kOwnsBuffer) flags_ |= kWriteBehind;
}

int PagedFile::DisableWriteBehind() {
  const int code = WriteBack();
  if (code == 0) flags_ &= static_cast<uint8_t>(~kWriteBehind);
  return code;
}

int PagedFile::ReadDirect(void* buffer, uint64_t offset, int32_t length) {
  if (EnsureOpen() != 0 || length < 0) return -1;
  if (WriteBack() != 0) return -1;
  return ReadAt(buffer, offset, static_cast<uint64_t>(length)) == length ? 0 : -1;
}

int PagedFile::WriteDirect(const void* buffer, uint64_t offset, int32_t length) {
  if (EnsureOpen() != 0 || length < 0) return -1;
  if (WriteBack() != 0) return -1;
  EmptyWindow();
  return WriteAt(buffer, offset, static_cast<uint64_t>(length)) ? 0 : -1;
}

uint64_t PagedFile::GetSize() {
  const bool wasOpen = fd_ >= 0;
  if (EnsureOpen() != 0) return 0;
  struct stat st;
  uint64_t size = fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  if (flags_ & kModified) size = std::max(size, windowStart_ + windowFill_);
  if (!wasOpen && !(flags_ & kModified)) CloseHandle();
  return size;
}

int PagedFile::SetSize(uint64_t size) {
  if (WriteBack() != 0 || EnsureOpen() != 0) return kWriteError;
  EmptyWindow();
  if (watcher_ && !watcher_->BeforeResize(path_, fd_, size)) return kWriteError;
  return ftruncate(fd_, static_cast<off_t>(size)) == 0 ? 0 : kWriteError;
}

uint16_t PagedFile::GetAccess() {
  Close();
  struct stat st;
  if (stat(path_.c_str(), &st) != 0) return kNoAccess;
  return IsReadOnly(st, path_) ? kReadOnly : kReadWrite;
}

int PagedFile::SetBufferSize(uint32_t size) {
  if (WriteBack() != 0) return kWriteError;
  auto fresh = Allocate(size);
  if (!fresh) return 5;
  buffer_ = std::move(fresh);
  EmptyWindow();
  flags_ |= kOwnsBuffer;
  previousSize_ = bufferSize_;
  bufferSize_ = size;
  lookBack_ = size * 3 / 4;
  state_ = kOpened;
  return 0;
}

int PagedFile::RestoreBuffer() {
  if (WriteBack() != 0) return kWriteError;
  auto fresh = Allocate(previousSize_);
  if (!fresh) return 5;
  buffer_ = std::move(fresh);
  EmptyWindow();
  flags_ |= kOwnsBuffer;
  bufferSize_ = previousSize_;
  lookBack_ = bufferSize_ * 3 / 4;
  return 0;
}

uint16_t PagedFile::CopyFrom(PagedFile& source, uint64_t destination, uint64_t sourceOffset,
                             uint64_t length) {
  if (EnsureOpen() != 0) return 65535;
  uint32_t chunkSize = 0;
  auto chunk = TransferBuffer(chunkSize);
  if (!chunk) return 65535;
  const uint64_t chunks = length / chunkSize;
  if (chunks > 1) OpenFeedbackIfEnabled(static_cast<int64_t>(chunks), 0);
  uint16_t code = 0;
  uint64_t done = 0;
  while (done < length) {
    const auto n = static_cast<int32_t>(std::min<uint64_t>(chunkSize, length - done));
    if (source.Read(chunk.get(), sourceOffset + done, n) != 0) {
      code = 254;
      break;
    }
    if (Write(chunk.get(), destination + done, n) != 0) {
      code = 253;
      break;
    }
    done += static_cast<uint64_t>(n);
    if (chunks > 1) StepFeedbackIfEnabled(1);
  }
  if (chunks > 1) CloseFeedbackIfEnabled();
  if (Close() != 0 && code == 0) code = 253;
  EnsureOpen();
  return code;
}

uint16_t PagedFile::MoveDown(uint64_t from, uint64_t size, uint64_t shift, uint8_t* chunk,
                             uint32_t chunkSize) {
  for (uint64_t m = from; m < size;) {
    const uint64_t n = std::min<uint64_t>(chunkSize, size - m);
    const bool full = n == chunkSize;
    if (ReadAt(chunk, m, n) != static_cast<int64_t>(n)) return full ? 246 : 244;
    if (!WriteAt(chunk, m - shift, n)) return full ? 245 : 243;
    m += n;
  }
  return 0;
}

uint16_t PagedFile::MoveUp(uint64_t from, uint64_t size, uint64_t shift, uint8_t* chunk,
                           uint32_t chunkSize) {
  // Extend the file first, then copy from the end backwards so that no byte is
  // overwritten before it has been read.
  std::memset(chunk, 0, chunkSize);
  for (uint64_t added = 0; added < shift;) {
    const uint64_t n = std::min<uint64_t>(chunkSize, shift - added);
    if (!WriteAt(chunk, size + added, n)) return n == chunkSize ? 253 : 252;
    added += n;
  }
  const uint64_t tail = size > from ? size - from : 0;
  const uint64_t chunks = tail / chunkSize;
  OpenFeedbackIfEnabled(static_cast<int64_t>(chunks), 0);
  uint16_t code = 0;
  uint64_t end = size;
  for (uint64_t i = 0; i < chunks && code == 0; ++i) {
    const uint64_t m = end - chunkSize;
    if (ReadAt(chunk, m, chunkSize) != chunkSize)
      code = 251;
    else if (!WriteAt(chunk, m + shift, chunkSize))
      code = 250;
    end = m;
    StepFeedbackIfEnabled(1);
  }
  const uint64_t rest = end - std::min(end, from);
  if (code == 0 && rest > 0) {
    if (ReadAt(chunk, from, rest) != static_cast<int64_t>(rest))
      code = 249;
    else if (!WriteAt(chunk, from + shift, rest))
      code = 248;
  }
  CloseFeedbackIfEnabled();
  return code;
}

uint16_t PagedFile::MoveTail(uint64_t from, int64_t shift) {
  if (EnsureOpen() != 0) return 65535;
  if (shift == 0) return 0;
  if (WriteBack() != 0) return 255;
  EmptyWindow();
  struct stat st;
  if (fstat(fd_, &st) != 0) return 255;
  const auto size = static_cast<uint64_t>(st.st_size);
  uint32_t chunkSize = 0;
  auto chunk = TransferBuffer(chunkSize);
  if (!chunk) return 254;
  uint16_t code;
  if (shift < 0) {
    const uint64_t down = static_cast<uint64_t>(-shift);
    if (from < down) return 247;
    code = MoveDown(from, size, down, chunk.get(), chunkSize);
  } else {
    code = MoveUp(from, size, static_cast<uint64_t>(shift), chunk.get(), chunkSize);
  }
  CloseHandle();
  EnsureOpen();
  return code;
}

int PagedFile::SetFileTime(int32_t date, int32_t time) {
  if (WriteBack() != 0 || EnsureOpen() != 0) return kWriteError;
  const int32_t t = time < 0 ? -time : time;
  struct tm tm = {};
  tm.tm_mday = date % 100;
  tm.tm_mon = date / 100 % 100 - 1;
  tm.tm_year = date / 10000 - 1900;
  tm.tm_hour = t / 1000000;
  tm.tm_min = t / 10000 % 100;
  tm.tm_sec = t / 100 % 100;
  const time_t seconds = timegm(&tm);
  if (seconds == static_cast<time_t>(-1)) return kWriteError;
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = seconds;
  times[0].tv_nsec = times[1].tv_nsec = static_cast<long>(t % 100) * 10000000L;
  return futimens(fd_, times) == 0 ? 0 : kWriteError;
}

int PagedFile::GetFileTime(int32_t& date, int32_t& time) {
  if (EnsureOpen() != 0) return kReadError;
  struct stat st;
  if (fstat(fd_, &st) != 0) return kReadError;
  struct tm tm;
  if (!gmtime_r(&st.st_mtim.tv_sec, &tm)) return kReadError;
  date = tm.tm_mday + (tm.tm_mon + 1) * 100 + (tm.tm_year + 1900) % 10000 * 10000;
  time = tm.tm_hour * 1000000 + tm.tm_min * 10000 + tm.tm_sec * 100 +
         static_cast<int32_t>(st.st_mtim.tv_nsec / 10000000L);
  return 0;
}

std::string PathWithExtension(const std::string& base, const std::string& extension) {
  const size_t slash = base.find_last_of('/');
  const size_t dot = base.find_last_of('.');
  const bool hasExtension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? base.substr(0, dot) : base) + "." + extension;
}

std::unique_ptr<PagedFile> PagedFileForExtension(const std::string& base,
                                                 const std::string& extension, bool create,
                                                 uint32_t bufferSize, uint32_t lookBack,
                                                 int mode) {
  return std::make_unique<PagedFile>(PathWithExtension(base, extension), create, bufferSize,
                                     lookBack, mode);
}

}  // namespace zh
