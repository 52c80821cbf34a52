// A PGN file as a game file: games numbered from 1 in file order, read on demand
// through an index of 64-bit game offsets that lives in memory only (nothing is
// written beside the user's file, so a file in a read-only folder opens and files
// over 4 GiB work), and games written as PGN text appended or put in place of one.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zh {

class GameHeader;
class PagedFile;
class TQGame;

class FilePgn {
 public:
  // Opens (or, with create, makes) the file and indexes its games.
  FilePgn(std::string path, bool writable, bool create = false);
  ~FilePgn();
  FilePgn(const FilePgn&) = delete;
  FilePgn& operator=(const FilePgn&) = delete;

  // 0 opened, 2 created, else the open error.
  int GetError() const { return state_; }
  const std::string& Path() const { return path_; }
  int64_t GameCount() const { return static_cast<int64_t>(offsets_.size()) - 2; }
  // Games read whole that lost something on the way (each also has a log line).
  int64_t LossyGameCount() const { return static_cast<int64_t>(lossyGames_.size()); }
  // Entry 0 is the number of games + 1, entry k the start of game k, the entry after
  // the last game the file size; -1 outside.
  int64_t GetGameOffset(int64_t k) const;
  int SetGameOffset(int64_t k, int64_t offset);

  // 0, or 1 for a number outside 1..GameCount().
  int ReadHeader(int64_t k, GameHeader& header);
  int ReadGame(int64_t k, TQGame& game);
  // Header and main line only.
  int ReadGameBody(int64_t k, TQGame& game);
  // 0 missing, 1 read-only (or opened for reading), 3 read and write.
  int GetAccess() const;
  // Bytes of the file as indexed, appended games included.
  int64_t FileSize() const { return static_cast<int64_t>(size_); }
  // The text of game k as it stands in the file.
  std::string GameText(int64_t k) const;

  // Renders the game into the scratch text; its length.
  int64_t RenderGame(const TQGame& game);
  // Writes the scratch text at the offset of entry k; 0 or 1.
  int StoreGame(int64_t k);
  // Appends the game after the last one; 0 or 1.
  int AppendGame(const TQGame& game);
  // A run of appends keeps the file open (and locked) between games, so that an
  // export is one sequential write; EndAppends closes it again. Each game is still
  // written when it is appended.
  void BeginAppends() { holdOpen_ = true; }
  void EndAppends();
  // Puts the game in place of game k (k past the last appends): a longer text moves the
  // later games, a shorter one leaves its span padded with blanks and CR LF. 0 or 1.
  int ReplaceGame(int64_t k, const TQGame& game);

 private:
  std::set<int64_t> lossyGames_;
  // Maps the file (false when it cannot be read).
  bool Map() const;
  // Maps the file again when games were appended since it was mapped; false when the
  // map does not reach the indexed end.
  bool EnsureMapped() const;
  // Maps the file and finds its games again.
  void Index();
  std::string_view Span(int64_t k) const;
  // The game's text as UTF-8: the mapped bytes themselves, or their conversion kept
  // in `converted`.
  std::string_view Utf8Span(int64_t k, std::string& converted) const;
  void Unmap() const;

  std::string path_;
  bool writable_;
  int state_ = 0;
  bool bom_ = false;
  // The map lags behind appends: a run of appends writes sequentially and the next
  // read maps the file once.
  mutable const char* map_ = nullptr;
  mutable size_t mapSize_ = 0;
  bool holdOpen_ = false;
  uint64_t size_ = 0;              // the indexed end of the file
  bool endsWithLineEnd_ = true;    // the last byte is CR or LF, or the file is empty
  std::vector<uint64_t> offsets_;  // games + 1, each game's start, the file size
  std::string scratch_;
  std::unique_ptr<PagedFile> file_;
};

}  // namespace zh
