// The annotation file of a database: a 10-byte header (word 10, end, wasted bytes;
// big-endian) and, back to back from offset 10, one block per game that has
// annotations. A block is a prolog record (the game number as key, the record count
// and the block length) followed by the records of the game-level set (key 0xFFFFFF)
// and of each annotated move (key = the move's ordinal in coding order).
//
// Writing: BeginBlock, WriteSet per set, FinishBlock (nothing reaches the file when no
// set made a record). Reading: BeginRead, ReadSet with key 0xFFFFFF, which answers the
// key of the next set, then ReadSet each time the move ordinal reaches that key, and
// EndRead, which tells whether records were left unread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/storage/annotation_record.h"
#include "database/storage/paged_file.h"

namespace zh {

class AnnotationSet;
class TQGame;

class FileTqa {
 public:
  static constexpr uint16_t kHeaderWord = 10;
  static constexpr uint32_t kHeaderSize = 10;
  static constexpr uint32_t kBufferSize = 10240;
  static constexpr uint32_t kLookBack = 9216;
  static constexpr int kMalformed = 1;
  static constexpr int kNoMemory = 5;
  static constexpr int kDefect = 6;

  // Opens base + extension; a missing file is created (with a fresh header) when
  // `create` is set. A header that cannot be written or read sets the defect flag.
  FileTqa(const std::string& basePath, const std::string& extension, bool create);
  ~FileTqa();
  FileTqa(const FileTqa&) = delete;
  FileTqa& operator=(const FileTqa&) = delete;

  bool HasDefect() const { return defect_; }
  uint16_t HeaderWord() const { return headerWord_; }
  uint32_t End() const { return end_; }
  uint32_t Wasted() const { return wasted_; }
  PagedFile& File() { return file_; }

  // Writing one game's block, keyed by the game's number.
  int BeginBlock(const TQGame& game);
  int BeginBlock(uint32_t gameNumber);
  // Appends the records of the set under `key`; 0, 1 (no buffer) or 11.
  int WriteSet(const AnnotationSet& set, uint32_t key);
  // Closes the block and sets the game header's annotation offset, content flags,
  // abundance word and medals; a block without records leaves file and header alone.
  // 0, 5 or 11.
  int FinishBlock(TQGame& game);
  // The same without a game: answers the block's offset through `offset` (0 when no
  // record was written).
  int FinishBlock(uint32_t& offset);
  // Content flags of the block being written: bit t for each type t below 32 (the
  // text before a move counts as type 2), 0x10000 for a training question with text.
  uint32_t KindFlags() const { return kindFlags_; }
  uint16_t MedalBits() const { return medalBits_; }
  // Bit t (2..15) when the block holds more of type t than its threshold.
  uint16_t AbundanceFlags() const;
  uint16_t Counter(int type) const { return counters_[static_cast<size_t>(type & 15)]; }

  // Reading one game's block. 0; 1 prolog malformed, of another game, or an offset
  // outside 10..end (a game without block has offset 0); 5; 11 prolog unreadable.
  int BeginRead(const TQGame& game);
  int BeginRead(uint32_t offset, uint32_t gameNumber);
  // Reads the records under `key` into the set. Stops at a record of another key and
  // answers that key through `key`; at the block's end `key` stays. 0, 5 or 12 (a
  // record shorter than its header, past the block's end or unreadable).
  int ReadSet(AnnotationSet& set, int32_t& key);
  // The same; the set is asked for only when a record of that key is there.
  int ReadSet(const std::function<AnnotationSet*()>& set, int32_t& key);
  // Reads the records of whatever key comes next; key = that key, -1 at the end.
  int ReadNextSet(AnnotationSet& set, int32_t& key);
  // 0 when every record that the prolog counts was read, else 12.
  int EndRead() const;
  int EndRead(const TQGame&) const { return EndRead(); }
  uint32_t RecordsDone() const { return recordsDone_; }
  uint32_t RecordCount() const { return recordCount_; }

  // Maintenance.
  // The block length in the prolog at offset, -1 when it cannot be read or is
  // malformed.
  int64_t BlockLength(uint32_t offset);
  // Gives the prolog at offset a new game number; 0 or 6.
  int SetBlockGameNumber(uint32_t offset, uint32_t number);
  // Writes the header with end = offset (at least 10); 0 or 11.
  int SetEnd(uint32_t offset);
  int SetWasted(uint32_t n);
  // While the file writes behind, the file header waits in memory for this call.
  int FlushHeader();

 private:
  int WriteHeader();
  int ReadHeader();
  uint8_t* Buffer();
  // Reads the header of the record at the current offset and checks that the record
  // lies inside the block; 0, or 12.
  int ReadRecordHeader(AnnoRec& header);
  // Reads the whole record at the current offset into the set and steps past it.
  int ReadRecord(const AnnoRec& header, AnnotationSet& set);
  bool BlockHasMore() const { return recordsDone_ < recordCount_ && offset_ < blockEnd_; }
  void Account(const AnnotationEntry& entry, uint16_t length);

  PagedFile file_;
  bool defect_ = false;
  uint16_t headerWord_ = kHeaderWord;
  uint32_t end_ = kHeaderSize;
  uint32_t wasted_ = 0;
  bool headerPending_ = false;
  std::unique_ptr<uint8_t[]> buffer_;
  uint64_t offset_ = 0;
  uint64_t blockStart_ = 0;
  uint64_t blockEnd_ = 0;
  uint32_t gameNumber_ = 0;
  uint32_t recordsDone_ = 0;
  uint32_t recordCount_ = 0;
  uint32_t kindFlags_ = 0;
  uint16_t medalBits_ = 0;
  std::array<uint16_t, 16> counters_{};
  // The block being written, its prolog first: it goes to the file in one write when
  // it is finished, so that a refused game leaves the file as it was.
  std::vector<uint8_t> block_;
};

}  // namespace zh
