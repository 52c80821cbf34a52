// The game file of a database: a 10-byte header (format word, end, wasted bytes;
// big-endian) and from offset 10 one record per game body or text item, each opened by
// a kind byte and a 24-bit length that counts the record's 4-byte header.
// A game record's kind holds the coding version (bits 0-5) and the set-up flag 0x40,
// which puts the packed start position before the coded body. A text record (kind
// 0x80) holds titles, a flag byte and the formatted texts with their format data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/storage/game_body_coder.h"
#include "database/storage/paged_file.h"

namespace zh {

class FileTqa;
class TraceSink;
class TQGame;
class TQTextItem;

class FileTqg final : public BodyStream {
 public:
  static constexpr uint16_t kFormatWord = 10;
  static constexpr uint32_t kHeaderSize = 10;
  static constexpr uint32_t kRecordHeaderSize = 4;
  static constexpr uint32_t kMaxRecordLength = 0xFFFFFF;
  static constexpr uint8_t kTextKind = 0x80;
  static constexpr int kWorkBufferSize = 4096;
  static constexpr int kTextBufferSize = 65535;

  // Opens base + extension; a new file gets the header {10, 10, 0}. A header that
  // cannot be written or read sets the error flag.
  FileTqg(const std::string& basePath, const std::string& extension, bool create);
  ~FileTqg() override;
  FileTqg(const FileTqg&) = delete;
  FileTqg& operator=(const FileTqg&) = delete;

  bool HasError() const { return error_; }

  // Results: 0; 1 busy, an implausible length, or a set-up start that is not a valid
  // position (the game is then left at the standard start without moves); 5 out of
  // memory; 12 a short or malformed record, or a damaged body whose readable moves are
  // kept. An item that is not a game answers 0 with an empty body.
  // The whole tree with variations, and annotations when a file is given.
  int ReadGame(TQGame& game, FileTqa* annotations, bool computeMoveTexts);
  // The main line up to plyLimit.
  int ReadBody(TQGame& game, int plyLimit, bool computeMoveTexts);
  // The main line handed move by move to the trace.
  int ReadTrace(TQGame& game, TraceSink& trace, int plyLimit);
  // Appends the body (and, when the game has any, its annotations as one block of the
  // annotation file) and sets the header's offsets, content flags, abundance word and
  // move count. 1 busy, or refused with nothing changed: a set-up start that is not a
  // valid position, a record over 0xFFFFFF bytes or an end past 4 GiB; 11 write error.
  int AppendGame(TQGame& game, FileTqa* annotations);
  int AppendText(TQTextItem& item);
  int ReadText(TQTextItem& item);

  // The body coder's streaming calls.
  int ReadPiece(uint8_t* buffer, int& length) override;
  int WritePiece(const uint8_t* buffer, int length) override;

  // 0 or 11; the end is at least 10.
  int SetEnd(uint32_t offset);
  int SetWaste(uint32_t bytes);
  // While the file writes behind, the file header waits in memory for this call (a run
  // of appends then writes sequentially instead of going back to offset 0 each game).
  int FlushHeader();
  // Length of the record at the offset, -1 when it cannot be read.
  int64_t RecordLength(uint32_t offset);
  uint32_t GetEnd() const { return end_; }
  uint32_t GetWaste() const { return waste_; }
  uint16_t FormatWord() const { return format_; }
  PagedFile& File() { return file_; }

  // Test seam: the largest end a file may reach (4 GiB - 1).
  uint64_t endLimit = 0xFFFFFFFFu;

 private:
  int WriteHeader();
  int ReadHeader();
  uint8_t* WorkBuffer();
  // Reads the record header and start position of a game; sets the body's start,
  // flags and the body range. 0 or the read's result.
  int OpenGameRecord(TQGame& game);
  bool BodyPlausible(const TQGame& game, uint32_t bodyLength) const;

  PagedFile file_;
  bool error_ = false;
  bool busy_ = false;
  uint16_t format_ = kFormatWord;
  uint32_t end_ = kHeaderSize;
  uint32_t waste_ = 0;
  bool headerPending_ = false;
  std::unique_ptr<uint8_t[]> buffer_;
  int bufferSize_ = 0;
  // The body being read: its file offset and the bytes not yet handed to the coder.
  uint64_t pieceOffset_ = 0;
  uint32_t pieceLeft_ = 0;
  // The body being written.
  std::vector<uint8_t> written_;
  bool tooLong_ = false;
};

}  // namespace zh
