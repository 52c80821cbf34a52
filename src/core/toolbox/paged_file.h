// A random-access file read and written through one page window. Reads are served
// from the window when they fit; a window placed for a read that lies just before it
// starts look-back bytes earlier, so backward walks keep hitting it. With write-behind
// the window collects writes and goes to disk when it moves, on `WriteBack` or on
// `Close`. The handle opens on demand: writable files under an exclusive lock,
// read-only files under a shared one, both without waiting.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace zh {

// Told before a paged file changes on disk, so that a rollback journal can first save
// what the change destroys. A watcher that answers false stops the change, which then
// fails as a write error.
class PagedFileWatcher {
 public:
  virtual ~PagedFileWatcher() = default;
  // Bytes [offset, offset + length) are about to be written through the open `fd`.
  virtual bool BeforeWrite(const std::string& path, int fd, uint64_t offset,
                           uint64_t length) = 0;
  // The file is about to be cut or extended to `size`; `fd` is -1 when the file is
  // about to be created or emptied.
  virtual bool BeforeResize(const std::string& path, int fd, uint64_t size) = 0;
};

class PagedFile {
 public:
  enum Flag : uint8_t {
    kOwnsBuffer = 1,
    kBufferedReads = 2,
    kWriteBehind = 4,
    kModified = 8,
  };
  enum OpenState : int {
    kOpened = 0,
    kCreated = 2,
    kMissing = 9,
    kCannotOpen = 10,
  };
  enum Access : uint16_t { kNoAccess = 0, kReadOnly = 1, kReadWrite = 3 };
  // Open hints.
  enum Mode : int { kSequential = 0, kRandom = 1 };

  static constexpr uint32_t kTransferSize = 65528;
  static constexpr uint32_t kSmallTransferSize = 4096;
  static constexpr int kWriteError = 11;
  static constexpr int kReadError = 12;

  // A look-back of 0 means the buffer size. The file is closed again at the end.
  PagedFile(std::string path, bool create, uint32_t bufferSize, uint32_t lookBack = 0,
            int mode = kSequential);
  ~PagedFile();
  PagedFile(const PagedFile&) = delete;
  PagedFile& operator=(const PagedFile&) = delete;

  int EnsureOpen();
  // Writes back, then closes; the write-back code.
  int Close();
  // Creates or empties the file; 0 or 10.
  int Create();
  // Closes, takes the hint (0 sequential, 1 random, others keep it) and reopens.
  int SetMode(int mode);

  // 0 done, -1 failed. Ranges inside the window are copied without a call.
  int Read(void* buffer, uint64_t offset, int32_t length) {
    if (fd_ >= 0 && (flags_ & kBufferedReads) && length > 0 && InWindow(offset, length)) {
      std::memcpy(buffer, buffer_.get() + (offset - windowStart_), static_cast<size_t>(length));
      return 0;
    }
    return ReadOutsideWindow(buffer, offset, length);
  }
  int Write(const void* buffer, uint64_t offset, int32_t length);
  // 0, or 11 with the window kept.
  int WriteBack();
  // Unbuffered; 0 or -1.
  int ReadDirect(void* buffer, uint64_t offset, int32_t length);
  int WriteDirect(const void* buffer, uint64_t offset, int32_t length);

  // The file size with pending writes counted; 0 when it cannot be opened.
  uint64_t GetSize();
  // Writes back, then cuts or extends the file to `size` bytes; 0 or 11.
  int SetSize(uint64_t size);
  // Closes the file, then answers its access code.
  uint16_t GetAccess();
  // 0, or 5 (old buffer kept), or 11 when pending data could not be written.
  int SetBufferSize(uint32_t size);
  int RestoreBuffer();

  // Codes: 0, 254 read error, 253 write error, 65535 no open or no memory.
  uint16_t CopyFrom(PagedFile& source, uint64_t destination, uint64_t sourceOffset,
                    uint64_t length);
  // Moves the bytes from `from` to the end by `shift` (up makes a gap, down closes one).
  uint16_t MoveTail(uint64_t from, int64_t shift);

  // Date yyyymmdd and time hhmmsscc, taken as UTC both ways. 0, or 11 / 12.
  int SetFileTime(int32_t date, int32_t time);
  int GetFileTime(int32_t& date, int32_t& time);

  const std::string& Path() const { return path_; }
  int State() const { return state_; }
  bool IsOpen() const { return fd_ >= 0; }
  uint8_t Flags() const { return flags_; }
  // Drops the window with its pending writes, as after a rollback of the file.
  void DiscardWindow() {
    EmptyWindow();
    flags_ &= static_cast<uint8_t>(~kModified);
  }
  // One watcher for all paged files of the process; null for none.
  static void SetWatcher(PagedFileWatcher* watcher) { watcher_ = watcher; }
  // Write-behind is switched on only while a buffer is present; switching it off
  // writes back first (the write-back code).
  void EnableWriteBehind();
  int DisableWriteBehind();
  uint32_t BufferSize() const { return bufferSize_; }
  uint32_t LookBack() const { return lookBack_; }

 private:
  static inline PagedFileWatcher* watcher_ = nullptr;
  int ReadOutsideWindow(void* buffer, uint64_t offset, int32_t length);
  void CloseHandle();
  void EmptyWindow() { windowStart_ = windowFill_ = 0; }
  bool InWindow(uint64_t offset, int32_t length) const {
    return offset >= windowStart_ && offset - windowStart_ + length <= windowFill_;
  }
  // Reads as many bytes as the file gives, up to `length`; -1 on error.
  int64_t ReadAt(void* buffer, uint64_t offset, uint64_t length);
  bool WriteAt(const void* buffer, uint64_t offset, uint64_t length);
  // Fills the window from `start`; false on a read error.
  bool LoadWindow(uint64_t start);
  // Opens with the lock for the access; -1 when not possible.
  int OpenLocked(bool create);
  uint16_t MoveDown(uint64_t from, uint64_t size, uint64_t shift, uint8_t* chunk,
                    uint32_t chunkSize);
  uint16_t MoveUp(uint64_t from, uint64_t size, uint64_t shift, uint8_t* chunk,
                  uint32_t chunkSize);

  std::unique_ptr<uint8_t[]> buffer_;
  std::string path_;
  int fd_ = -1;
  int mode_ = kSequential;
  uint64_t windowStart_ = 0;
  uint64_t windowFill_ = 0;
  uint32_t bufferSize_ = 0;
  uint32_t previousSize_ = 0;
  uint32_t lookBack_ = 0;
  uint8_t flags_ = 0;
  int state_ = kOpened;
};

// The base path with its extension replaced (only in the last path component) or
// added.
std::string PathWithExtension(const std::string& base, const std::string& extension);
std::unique_ptr<PagedFile> PagedFileForExtension(const std::string& base,
                                                 const std::string& extension, bool create,
                                                 uint32_t bufferSize, uint32_t lookBack = 0,
                                                 int mode = PagedFile::kSequential);

}  // namespace zh
