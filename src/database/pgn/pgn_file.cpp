#include "database/pgn/pgn_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "database/game/game_item.h"
#include "database/pgn/pgn_reader.h"
#include "database/pgn/pgn_writer.h"
#include "database/storage/paged_file.h"

namespace zh {

FilePgn::FilePgn(std::string path, bool writable, bool create)
    : path_(std::move(path)), writable_(writable || create) {
  struct stat st;
  const bool exists = stat(path_.c_str(), &st) == 0;
  if (!exists && !create) {
    state_ = PagedFile::kMissing;
    offsets_ = {1, 0};
    return;
  }
  if (writable_) {
    file_ = std::make_unique<PagedFile>(path_, !exists, 10240, 9216);
    if (file_->State() == PagedFile::kOpened || file_->State() == PagedFile::kCreated) {
      state_ = exists ? 0 : 2;
      file_->Close();
    } else if (exists) {
      // A file that cannot be written now (another program holds it, a read-only
      // mount) still opens for reading.
      file_.reset();
      writable_ = false;
    } else {
      state_ = file_->State();
      offsets_ = {1, 0};
      return;
    }
  }
  Index();
}

FilePgn::~FilePgn() {
  EndAppends();
  Unmap();
}

void FilePgn::EndAppends() {
  holdOpen_ = false;
  if (file_) file_->Close();
}

void FilePgn::Unmap() const {
  if (map_) munmap(const_cast<char*>(map_), mapSize_);
  map_ = nullptr;
  mapSize_ = 0;
}

bool FilePgn::Map() const {
  Unmap();
  const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    if (fd >= 0) close(fd);
    return false;
  }
  mapSize_ = static_cast<size_t>(st.st_size);
  if (mapSize_ > 0) {
    void* p = mmap(nullptr, mapSize_, PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) {
      mapSize_ = 0;
      close(fd);
      return false;
    }
    map_ = static_cast<const char*>(p);
  }
  close(fd);
  return true;
}

bool FilePgn::EnsureMapped() const {
  if (mapSize_ < size_ && !Map()) return false;
  return mapSize_ >= size_;
}

void FilePgn::Index() {
  offsets_.clear();
  size_ = 0;
  endsWithLineEnd_ = true;
  if (!Map()) {
    if (state_ == 0) state_ = PagedFile::kCannotOpen;
    offsets_ = {1, 0};
    return;
  }
  size_ = mapSize_;
  endsWithLineEnd_ = size_ == 0 || map_[size_ - 1] == '\n' || map_[size_ - 1] == '\r';
  const std::string_view text(map_ ? map_ : "", mapSize_);
  bom_ = text.substr(0, 3) == "\xEF\xBB\xBF";
  const std::vector<uint64_t> starts = FindPgnGames(text);
  offsets_.reserve(starts.size() + 1);
  offsets_.push_back(starts.size());  // the number of games + 1
  offsets_.insert(offsets_.end(), starts.begin(), starts.end());
}

int FilePgn::GetAccess() const {
  struct stat st;
  if (stat(path_.c_str(), &st) != 0) return 0;
  return writable_ && file_ && access(path_.c_str(), W_OK) == 0 ? 3 : 1;
}

int64_t FilePgn::GetGameOffset(int64_t k) const {
  if (k < 0 || k >= static_cast<int64_t>(offsets_.size())) return -1;
  return static_cast<int64_t>(offsets_[static_cast<size_t>(k)]);
}

int FilePgn::SetGameOffset(int64_t k, int64_t offset) {
  if (k < 0 || offset < 0) return -1;
  if (k >= static_cast<int64_t>(offsets_.size())) offsets_.resize(static_cast<size_t>(k) + 1, 0);
  offsets_[static_cast<size_t>(k)] = static_cast<uint64_t>(offset);
  return 0;
}

std::string_view FilePgn::Span(int64_t k) const {
  const int64_t a = GetGameOffset(k), b = GetGameOffset(k + 1);
  if (k < 1 || k > GameCount() || a < 0 || b < a || !EnsureMapped() ||
      static_cast<uint64_t>(b) > mapSize_)
    return {};
  return std::string_view(map_ + a, static_cast<size_t>(b - a));
}

std::string FilePgn::GameText(int64_t k) const {
  return std::string(Span(k));
}

std::string_view FilePgn::Utf8Span(int64_t k, std::string& converted) const {
  const std::string_view bytes = Span(k);
  if (PgnTextIsUtf8(bytes, bom_)) return bytes;
  converted = PgnTextToUtf8(bytes, bom_);
  return converted;
}

int FilePgn::ReadHeader(int64_t k, GameHeader& header) {
  if (k < 1 || k > GameCount()) return 1;
  std::string converted;
  ReadPgnHeader(Utf8Span(k, converted), header);
  return 0;
}

int FilePgn::ReadGame(int64_t k, TQGame& game) {
  if (k < 1 || k > GameCount()) return 1;
  int lost = 0;
  std::string converted;
  ReadPgnGame(Utf8Span(k, converted), game, {path_, k, bom_}, false, &lost);
  if (lost) lossyGames_.insert(k);
  game.number = static_cast<int32_t>(k);
  return 0;
}

int FilePgn::ReadGameBody(int64_t k, TQGame& game) {
  if (k < 1 || k > GameCount()) return 1;
  std::string converted;
  ReadPgnGame(Utf8Span(k, converted), game, {path_, k, bom_}, true);
  game.number = static_cast<int32_t>(k);
  return 0;
}

int64_t FilePgn::RenderGame(const TQGame& game) {
  scratch_ = RenderPgnGame(game);
  return static_cast<int64_t>(scratch_.size());
}

int FilePgn::StoreGame(int64_t k) {
  const int64_t at = GetGameOffset(k);
  if (!file_ || at < 0) return 1;
  if (file_->Write(scratch_.data(), static_cast<uint64_t>(at),
                   static_cast<int32_t>(scratch_.size())) != 0)
    return 1;
  return holdOpen_ || file_->Close() == 0 ? 0 : 1;
}

int FilePgn::AppendGame(const TQGame& game) {
  if (!file_ || (state_ != 0 && state_ != 2)) return 1;
  RenderGame(game);
  // A file that does not end its last line gets a line end first.
  uint64_t start = size_;
  if (!endsWithLineEnd_) {
    scratch_.insert(0, "\r\n");
    start += 2;
  }
  const int64_t n = GameCount() + 1;
  if (StoreGame(n) != 0) return 1;
  // The new game runs from its first tag to the end of the file; the map follows
  // when the file is read next.
  size_ += scratch_.size();
  if (!scratch_.empty()) endsWithLineEnd_ = scratch_.back() == '\n' || scratch_.back() == '\r';
  offsets_[static_cast<size_t>(n)] = start;
  offsets_.push_back(size_);
  offsets_[0] = static_cast<uint64_t>(n + 1);
  return 0;
}

int FilePgn::ReplaceGame(int64_t k, const TQGame& game) {
  if (!file_ || k <= 0) return 1;
  if (k > GameCount()) return AppendGame(game);
  const int64_t start = GetGameOffset(k), end = GetGameOffset(k + 1);
  const int64_t old = end - start;
  const int64_t length = RenderGame(game);
  if (length > old) {
    if (file_->MoveTail(static_cast<uint64_t>(end), length - old) != 0) return 1;
  } else if (length < old) {
    // Blanks and a line end keep the file a valid PGN text for other readers.
    std::string pad(static_cast<size_t>(old - length), ' ');
    if (pad.size() >= 2) pad.replace(pad.size() - 2, 2, "\r\n");
    scratch_ += pad;
  }
  if (StoreGame(k) != 0) return 1;
  Index();
  return 0;
}

}  // namespace zh
