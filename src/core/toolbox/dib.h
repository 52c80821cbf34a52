// Device-independent bitmaps in memory (the packed form: header, colour table, bits),
// decoded into 32-bit pixels. Every size is checked against the length given, so a
// damaged bitmap gives no image and is never read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zh {

inline constexpr uint32_t kDibCoreHeaderSize = 12;
inline constexpr uint32_t kDibInfoHeaderSize = 40;

// Colours of the table that the header announces: for a core header its bit count,
// otherwise the used-colours field when not 0, else the bit count; 1 bit: 2, 4: 16,
// 8: 256, more: 0. -1 when the header is shorter than it says or than 12 bytes.
int32_t DibColourCount(const uint8_t* dib, size_t length);
// Bytes of the colour table: colours × 3 for core headers, × 4 otherwise; -1 as above.
int32_t DibColourTableSize(const uint8_t* dib, size_t length);

struct DibImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0xFFRRGGBB, rows from the top
};

// Decodes an uncompressed bitmap of 1, 4, 8, 16 (5-5-5), 24 or 32 bits per pixel.
// False (and an empty image) for any header, table or data that the length does not hold.
bool DecodeDib(const uint8_t* dib, size_t length, DibImage& image);

}  // namespace zh
