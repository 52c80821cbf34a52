// The files of the old single-file format: the data file of game records and its index
// of game offsets, 32-bit big-endian entries each stored as its value plus its own
// number (entry 0 the number of games + 1, entry k the start of game k + 1, the entry
// after the last game its end + 1).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/oldformat/old_format_record.h"
#include "database/storage/paged_file.h"

namespace zh {

class GameHeader;
class TQGame;

class GameOffsetIndex {
 public:
  // An index that is created holds one empty entry pair (both values 1).
  GameOffsetIndex(const std::string& path, bool create);

  int State() const { return file_.State(); }
  // -1 when the entry cannot be read.
  int64_t Get(uint32_t i);
  // 0; -1 when the write fails or the stored value would not fit 32 bits.
  int Set(uint32_t i, int64_t value);
  // Adds delta to entries first..last; 6 on a read or write error or an overflow.
  int AddToRange(uint32_t first, uint32_t last, int64_t delta);
  int WriteBack() { return file_.WriteBack(); }
  void SetDeferredWrite(bool on) {
    if (on) file_.EnableWriteBehind();
    else file_.DisableWriteBehind();
  }

 private:
  PagedFile file_;
};

class FileTqf {
 public:
  // The data file `base` + ".tqf" and its index ".tqi" (a working copy: ".cxf"/".cxi").
  FileTqf(const std::string& base, bool create, bool workingCopy = false);

  // 0 opened, 2 created, 5 without index, else the open error.
  int GetError() const;
  int64_t GameCount() { return GetGameOffset(0) - 1; }
  int64_t GetGameOffset(int64_t k);
  int SetGameOffset(int64_t k, int64_t offset);

  // 1 no such game or a malformed record, 12 read error.
  int ReadHeader(int64_t k, GameHeader& header);
  int ReadGame(int64_t k, TQGame& game);
  int ReadGameBody(int64_t k, TQGame& game);
  // Writes game k at the offset of index entry k; 1 when the game cannot be stored
  // (the reason goes to the log), 11 write error.
  int StoreGame(int64_t k, const TQGame& game);
  int GetLastRecordSize() const { return lastRecordSize_; }
  // Appends after the last game; 1 when the record cannot be stored or its end would
  // not fit the index's 32-bit entries.
  int AppendGame(const TQGame& game);
  // Sets or clears the mark and deleted flags of game k in place.
  int SetFlags(int64_t k, bool marked, bool deleted);
  // The mark and deleted flags of game k; 1 or 12 as ReadGame.
  int GetFlags(int64_t k, bool& marked, bool& deleted);
  // Writes the header fields of game k from a header (year, result, Elo values, ECO
  // code, deleted flag; the mark flag stays). Unless headerOnly the texts are written as
  // well; texts of another length put the whole record in place of the old one.
  int WriteHeader(int64_t k, const GameHeader& header, bool headerOnly);
  // Puts the record bytes in place of game k: a longer record opens a gap before the
  // next game and moves the later index entries; a shorter one leaves the rest of the
  // old span as it was. 1 when the gap cannot be made, 6 index error, 11 write error.
  int ReplaceRecord(int64_t k, const std::vector<uint8_t>& bytes);
  // The game encoded and put in place of game k; k past the last appends.
  int ReplaceGame(int64_t k, const TQGame& game);
  // The bytes between index entries k and k + 1, whatever the record's header says.
  int ReadSpan(int64_t k, std::vector<uint8_t>& bytes);
  // Appends the records first..last of another file with one copy of their bytes and
  // their index entries rebased. 1 for a range or offset that cannot be read, 11 when
  // the copy or the index fails.
  int AppendRange(FileTqf& source, int64_t first, int64_t last);
  // Appends raw record bytes as the next game. 1 when the index has no room, 11 write.
  int AppendRecord(const std::vector<uint8_t>& bytes);
  // Access of the data file: 0 missing, 1 read-only, 3 read and write.
  int GetAccess() { return data_.GetAccess(); }
  // Keeps written pages of both files in memory until switched off (then written back).
  void SetDeferredWrite(bool on);
  const std::string& DataPath() const { return data_.Path(); }
  // The raw bytes of record k; 1 or 12 as ReadGame.
  int ReadRecord(int64_t k, std::vector<uint8_t>& bytes, TqfRecord* record = nullptr);
  int Flush();

 private:
  PagedFile data_;
  std::unique_ptr<GameOffsetIndex> index_;
  int lastRecordSize_ = 0;
};

}  // namespace zh
