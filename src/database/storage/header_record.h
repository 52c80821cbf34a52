// The 46-byte header record of a database item (big-endian) and its unpacked form.
// Byte 0: bits 0-6 the record type (0 file header, 1 game, 3 text), bit 7 deleted.
#pragma once

#include <cstdint>

namespace zh {

enum RecordType : uint16_t {
  kFileHeaderRecord = 0,
  kGameRecord = 1,
  kTextRecord = 3,
  kEmptyRecord = 5,
  kDeletedBit = 0x80,
};

inline constexpr int kHeaderRecordSize = 46;
// Callers hand Pack a buffer of this size; the bytes behind the record are zeroed.
inline constexpr int kHeaderRecordBuffer = 64;
inline constexpr uint32_t kMaxLibraryNumber = 0xFFFFFF;

struct HeaderRecord {
  uint16_t type = kEmptyRecord;

  // Game fields; a text uses tqgOffset, tournament, source, annotator, round and
  // contentFlags as well.
  uint32_t tqgOffset = 0;
  uint32_t tqaOffset = 0;
  uint32_t white = 0;
  uint32_t black = 0;
  uint32_t tournament = 0;
  uint32_t annotator = 0;
  uint32_t source = 0;
  uint32_t date = 0;
  uint16_t resultByte = 0;
  uint16_t evalByte = 0;
  uint16_t round = 0;
  uint16_t subRound = 0;
  uint16_t whiteElo = 0;
  uint16_t blackElo = 0;
  uint16_t eco = 0;
  uint16_t medals = 0;
  uint32_t contentFlags = 0;
  uint16_t word43 = 0;  // annotation abundance (bits 2-15) and variation size class
  uint16_t moveCount = 0;

  // Text fields kept as read.
  uint16_t textWord5 = 0;
  uint16_t textWord22 = 0;
  uint16_t textByte17 = 0;
  uint32_t textNumber24 = 0;
  uint32_t textNumber27 = 0;

  // File header fields (record 0).
  uint16_t header16[4] = {};  // bytes 1-2, 3-4, 5-6, 10-11
  uint32_t header32[8] = {};  // bytes 7-9, 12-15, 16-19, 20-23, 24-26, 27-29, 30-32, 33-35

  static HeaderRecord Game() { return Fresh(kGameRecord); }
  static HeaderRecord Text() { return Fresh(kTextRecord); }

  int Kind() const { return type & 0x7F; }
  bool IsGame() const { return type != kEmptyRecord && Kind() == kGameRecord; }
  bool IsText() const { return type != kEmptyRecord && Kind() == kTextRecord; }
  bool IsDeleted() const { return type != kEmptyRecord && (type & kDeletedBit); }

  // Zeroes the fields, keeps the type.
  void Clear();
  void Assign(const HeaderRecord& other) { *this = other; }

  // 0 read; 1 for an unknown type (the type read is kept).
  int Unpack(const uint8_t* bytes);
  int UnpackGame(const uint8_t* bytes);
  int UnpackText(const uint8_t* bytes);
  int UnpackFileHeader(const uint8_t* bytes);
  // Writes kHeaderRecordBuffer bytes. 1 (nothing written) for an unknown type or a
  // library number beyond 24 bits. A move count above 255 is stored as 255.
  int Pack(uint8_t* bytes) const;

  void ClearOffsets();

  // Accessors answering 0 for items of another type; setters ignore them.
  uint32_t GetTournament() const;
  uint32_t GetWhite() const;
  uint32_t GetBlack() const;
  uint32_t GetAnnotator() const;
  uint32_t GetSource() const;
  uint32_t GetTqgOffset() const;
  uint32_t GetTqaOffset() const;
  void SetTournament(uint32_t v);
  void SetWhite(uint32_t v);
  void SetBlack(uint32_t v);
  void SetAnnotator(uint32_t v);
  void SetSource(uint32_t v);
  void SetTqgOffset(uint32_t v);
  void SetTqaOffset(uint32_t v);

 private:
  static HeaderRecord Fresh(uint16_t t) {
    HeaderRecord r;
    r.type = t;
    return r;
  }
};

}  // namespace zh
