// Reading the position criteria's stream blocks: counted fields and the length-led
// blocks that newer writers may append, each checked against what the stream holds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/toolbox/stream.h"

namespace zh::mask_block {

// Versions from which a block carries length-led extensions.
inline constexpr int kExtensibleVersion = 16;

inline int16_t ReadInt16(TQStream& in) {
  int16_t v = 0;
  in.ReadInt16BE(v);
  return v;
}

inline uint8_t ReadByte(TQStream& in) {
  uint8_t v = 0;
  in.ReadByte(v);
  return v;
}

// Skips `length` bytes; false for a negative length or one that runs past the stream.
inline bool Skip(TQStream& in, int length) {
  if (length < 0) return false;
  uint8_t scratch[256];
  while (length > 0 && in.IsOk()) {
    const int n = length < static_cast<int>(sizeof scratch) ? length : static_cast<int>(sizeof scratch);
    in.ReadBytes(scratch, static_cast<size_t>(n));
    length -= n;
  }
  return in.IsOk();
}

// Reads an int16 length and skips that many bytes.
inline bool SkipCounted(TQStream& in) {
  const int16_t length = ReadInt16(in);
  return in.IsOk() && Skip(in, length);
}

}  // namespace zh::mask_block
