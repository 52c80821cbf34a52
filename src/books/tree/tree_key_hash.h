// The 32-bit hash of a position key that places it in the tree's extendible hash, and
// the bucket order of hashes (the order of their buckets in the trie).
#pragma once

#include <array>
#include <cstdint>

#include "core/rules/position.h"

namespace zh {

inline constexpr std::array<uint32_t, 16> kTreeHashSteps = [] {
  std::array<uint32_t, 16> t{};
  for (uint32_t i = 0; i < 16; ++i) t[i] = 61 - 4 * i;
  return t;
}();

inline constexpr std::array<uint32_t, 64> kTreeHashValues = {
    822137535, 823714782,  883626866, 671590471, 372503910, 558084953,  651519112,  1000238937,
    930436694, 814336635,  417934725, 215017944, 446577492, 1051365423, 228326062,  791852123,
    837640450, 1027376024, 342253795, 260918134, 46627423,  342656921,  474477855,  614436662,
    611786819, 532422221,  512144378, 937375398, 384643300, 46339214,   560879913,  104248142,
    830447446, 368090480,  319825659, 952599729, 699151109, 726162885,  1006935516, 900332493,
    836056891, 723806105,  170468307, 145321629, 805509791, 150283701,  862002182,  604625816,
    212139698, 268482334,  810970674, 960789809, 424556370, 136526485,  255393334,  700960087,
    259734073, 848202262,  511513480, 263878901, 659324540, 512484956,  799060155,  515294065,
};

// Each byte moves a walk over the value table by two steps, low nibble first, and adds
// the values it lands on.
constexpr uint32_t TreeKeyHash(const uint8_t* key, int length) {
  uint32_t h = 0;
  uint32_t a = 0;
  for (int i = 0; i < length; ++i) {
    a += kTreeHashSteps[key[i] & 15];
    h += kTreeHashValues[a & 63];
    a += kTreeHashSteps[key[i] >> 4];
    h += kTreeHashValues[a & 63];
  }
  return h;
}

// The key of a position: normalised, so that mirrored twins share it, then coded into
// `key` (room for 50 bytes). The normalising steps go to `steps`. 0, or 1 when the
// position cannot be coded in 31 bytes.
int TreeKeyOfPosition(const Position& position, uint8_t* key, int& steps);

// Trie order: the lowest differing bit decides, the hash with it clear first.
constexpr bool BucketOrderLess(uint32_t a, uint32_t b) {
  const uint32_t diff = a ^ b;
  return diff != 0 && (a & diff & (~diff + 1)) == 0;
}

}  // namespace zh
