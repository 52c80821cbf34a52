#include "core/toolbox/dib.h"

namespace zh {
namespace {

uint32_t Le(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

struct Header {
  uint32_t size = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: rows from the top
  uint32_t bits = 0;
  uint32_t compression = 0;
  uint32_t used = 0;
};

bool ReadHeader(const uint8_t* dib, size_t length, Header& h) {
  if (!dib || length < 4) return false;
  h.size = Le(dib, 4);
  if (h.size > length) return false;
  if (h.size == kDibCoreHeaderSize) {
    h.width = Le(dib + 4, 2);
    h.height = Le(dib + 6, 2);
    h.bits = Le(dib + 10, 2);
    return true;
  }
  if (h.size < kDibInfoHeaderSize) return false;
  h.width = static_cast<int32_t>(Le(dib + 4, 4));
  h.height = static_cast<int32_t>(Le(dib + 8, 4));
  h.bits = Le(dib + 14, 2);
  h.compression = Le(dib + 16, 4);
  h.used = Le(dib + 32, 4);
  return true;
}

int32_t ColoursOf(const Header& h) {
  // A count beyond any real table is cut; the length check refuses it later.
  if (h.size != kDibCoreHeaderSize && h.used != 0)
    return static_cast<int32_t>(h.used > 65536 ? 65536 : h.used);
  switch (h.bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

}  // namespace

int32_t DibColourCount(const uint8_t* dib, size_t length) {
  Header h;
  return ReadHeader(dib, length, h) ? ColoursOf(h) : -1;
}

int32_t DibColourTableSize(const uint8_t* dib, size_t length) {
  Header h;
  if (!ReadHeader(dib, length, h)) return -1;
  return ColoursOf(h) * (h.size == kDibCoreHeaderSize ? 3 : 4);
}

bool DecodeDib(const uint8_t* dib, size_t length, DibImage& image) {
  image = DibImage();
  Header h;
  if (!ReadHeader(dib, length, h)) return false;
  const uint32_t bits = h.bits;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (h.compression != 0) return false;
  const bool topDown = h.height < 0;
  const int64_t width = h.width;
  const int64_t height = topDown ? -h.height : h.height;
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return false;
  const int32_t colours = ColoursOf(h);
  if (bits <= 8 && (colours <= 0 || colours > (1 << bits))) return false;
  const size_t entry = h.size == kDibCoreHeaderSize ? 3 : 4;
  const uint64_t table = static_cast<uint64_t>(colours) * entry;
  const uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
  const uint64_t start = static_cast<uint64_t>(h.size) + table;
  if (start > length || stride * static_cast<uint64_t>(height) > length - start) return false;

  std::vector<uint32_t> palette(static_cast<size_t>(bits <= 8 ? colours : 0));
  for (size_t i = 0; i < palette.size(); ++i) {
    const uint8_t* c = dib + h.size + i * entry;
    palette[i] = 0xFF000000u | (uint32_t{c[2]} << 16) | (uint32_t{c[1]} << 8) | c[0];
  }
  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);
  image.pixels.resize(static_cast<size_t>(width * height));
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = dib + start + stride * static_cast<uint64_t>(topDown ? y : height - 1 - y);
    uint32_t* out = image.pixels.data() + y * width;
    for (int64_t x = 0; x < width; ++x) {
      uint32_t pixel = 0;
      if (bits <= 8) {
        const uint64_t bit = static_cast<uint64_t>(x) * bits;
        const uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        pixel = index < palette.size() ? palette[index] : 0xFF000000u;
      } else if (bits == 16) {
        const uint32_t v = Le(row + x * 2, 2);
        auto five = [](uint32_t c) { return (c << 3) | (c >> 2); };
        pixel = 0xFF000000u | (five((v >> 10) & 31) << 16) | (five((v >> 5) & 31) << 8) | five(v & 31);
      } else {
        const uint8_t* c = row + x * (bits / 8);
        pixel = 0xFF000000u | (uint32_t{c[2]} << 16) | (uint32_t{c[1]} << 8) | c[0];
      }
      out[x] = pixel;
    }
  }
  return true;
}

}  // namespace zh
