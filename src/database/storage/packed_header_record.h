// The fields of a packed header record that maintenance reads and rewrites, taken in
// place from the record's bytes, so that copying a record does not unpack and pack it
// whole. A field that the record's kind lacks reads as 0 and ignores writes, as the
// accessors of HeaderRecord do. Packing an unpacked record gives the same bytes up to
// the layout's used length and zeroes after it.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/toolbox/big_endian.h"
#include "database/storage/header_record.h"

namespace zh {

enum class PackedField : uint8_t {
  kTqgOffset,
  kTqaOffset,
  kWord43,
  kContentFlags,
  kTournament,
  kWhite,
  kBlack,
  kAnnotator,
  kSource,
};
inline constexpr int kPackedFields = 9;

struct PackedLayout {
  struct Spot {
    int8_t at;
    int8_t width;  // 0: the kind has no such field
  };
  uint8_t used;  // bytes that packing writes; the rest of the record is zero
  Spot spots[kPackedFields];
};

inline constexpr PackedLayout kPackedGame = {
    46, {{1, 4}, {5, 4}, {43, 2}, {39, 4}, {15, 3}, {9, 3}, {12, 3}, {18, 3}, {21, 3}}};
inline constexpr PackedLayout kPackedText = {
    30, {{1, 4}, {0, 0}, {0, 0}, {18, 4}, {7, 3}, {0, 0}, {0, 0}, {13, 3}, {10, 3}}};
inline constexpr PackedLayout kPackedFileHeader = {
    36, {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}};

// A packed record of a kind that HeaderRecord::Unpack reads.
class PackedRecord {
 public:
  // Null for a kind that cannot be read.
  static const PackedLayout* LayoutOf(uint8_t typeByte) {
    switch (typeByte & 0x7F) {
      case kGameRecord: return &kPackedGame;
      case kTextRecord: return &kPackedText;
      case kFileHeaderRecord: return &kPackedFileHeader;
      default: return nullptr;
    }
  }

  PackedRecord(uint8_t* bytes, const PackedLayout& layout) : bytes_(bytes), layout_(&layout) {}

  bool IsGame() const { return layout_ == &kPackedGame; }
  bool IsText() const { return layout_ == &kPackedText; }
  bool IsDeleted() const { return bytes_[0] & kDeletedBit; }
  // Games, the usual kind, take their spots from the constant layout, so that a field
  // named by a constant reads and writes without looking up its place (always inlined:
  // the copy calls these per field and record).
  [[gnu::always_inline]] uint32_t Get(PackedField f) const {
    return IsGame() ? GetAt(kPackedGame.spots[static_cast<int>(f)])
                    : GetAt(layout_->spots[static_cast<int>(f)]);
  }
  [[gnu::always_inline]] void Set(PackedField f, uint32_t v) {
    if (IsGame())
      SetAt(kPackedGame.spots[static_cast<int>(f)], v);
    else
      SetAt(layout_->spots[static_cast<int>(f)], v);
  }
  // Zeroes the bytes of a record of `size` bytes that packing leaves zero.
  void ClearUnused(int size) {
    if (size > layout_->used) std::memset(bytes_ + layout_->used, 0, static_cast<size_t>(size - layout_->used));
  }

 private:
  [[gnu::always_inline]] uint32_t GetAt(PackedLayout::Spot s) const {
    const uint8_t* p = bytes_ + s.at;
    switch (s.width) {  // unrolled: the copy reads and writes these per record
      case 2: return GetBigEndian(p, 2);
      case 3: return GetBigEndian(p, 3);
      case 4: return GetBigEndian(p, 4);
      default: return 0;
    }
  }
  [[gnu::always_inline]] void SetAt(PackedLayout::Spot s, uint32_t v) {
    uint8_t* p = bytes_ + s.at;
    switch (s.width) {
      case 2: PutBigEndian(p, 2, v); break;
      case 3: PutBigEndian(p, 3, v); break;
      case 4: PutBigEndian(p, 4, v); break;
      default: break;
    }
  }

  uint8_t* bytes_;
  const PackedLayout* layout_;
};

}  // namespace zh
