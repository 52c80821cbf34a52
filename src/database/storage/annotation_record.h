// The stored form of one annotation: a 6-byte big-endian header (24-bit key, type,
// 16-bit length including the header) followed by a payload laid out by the type.
// Texts (2, 32, 130) and media names (16-18) are display-set bytes on disk and UTF-8
// in memory; every other payload is copied byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zh {

struct AnnotationEntry;

inline constexpr int kRecordHeaderSize = 6;
inline constexpr int kPrologSize = 14;
inline constexpr uint8_t kPrologType = 1;
// Key of the annotations before the first move.
inline constexpr uint32_t kGameLevelKey = 0xFFFFFF;
// Every record fits: its length field is 16 bits.
inline constexpr int kRecordBufferSize = 0xFFFF;
inline constexpr int kMaxRecordTextBytes = 65520;
inline constexpr int kMaxShortTextBytes = 254;
inline constexpr int kMaxSymbolBytes = 3;

// The header of every record.
struct AnnoRec {
  uint32_t key = 0;  // 24 bits stored
  uint16_t type = 0;
  uint16_t length = 0;

  // Reads the header only; no check.
  static AnnoRec Read(const uint8_t* bytes);
  void Write(uint8_t* bytes) const;
};

// First record of a game's block: the game number as key, the record count (itself
// included, 24 bits) and the block length in bytes (itself included).
struct AnnoProlog {
  uint32_t game = 0;
  uint32_t recordCount = 0;
  uint32_t blockLength = 0;

  // 0, or 1 when the bytes are not a prolog.
  int Read(const uint8_t* bytes);
  // Writes kPrologSize bytes.
  void Write(uint8_t* bytes) const;
};

// Writes the record of `entry` under `key` into `buffer` (kRecordBufferSize bytes);
// answers its length, 0 when the entry makes no record. A kept unknown record is
// written whole with the new key.
uint16_t EncodeAnnotationEntry(const AnnotationEntry& entry, uint8_t* buffer, uint32_t key);

// Reads the record of `size` bytes (its length field is not consulted; `size` must be
// at least kRecordHeaderSize) into `entry`. 0 done; 1 malformed: the entry then keeps
// the whole record as an unknown one (type 127), like records of unknown types.
int DecodeAnnotationEntry(AnnotationEntry& entry, const uint8_t* record, size_t size);

}  // namespace zh
