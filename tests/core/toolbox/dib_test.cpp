#include "core/toolbox/dib.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zh {
namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& b, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes InfoHeader(int32_t w, int32_t h, int bits, uint32_t used = 0, uint32_t size = 40) {
  Bytes b;
  Put(b, size, 4);
  Put(b, static_cast<uint32_t>(w), 4);
  Put(b, static_cast<uint32_t>(h), 4);
  Put(b, 1, 2);
  Put(b, static_cast<uint32_t>(bits), 2);
  Put(b, 0, 4);  // no compression
  Put(b, 0, 4);
  Put(b, 0, 4);
  Put(b, 0, 4);
  Put(b, used, 4);
  Put(b, 0, 4);
  b.resize(size, 0);
  return b;
}

Bytes CoreHeader(int w, int h, int bits) {
  Bytes b;
  Put(b, 12, 4);
  Put(b, static_cast<uint32_t>(w), 2);
  Put(b, static_cast<uint32_t>(h), 2);
  Put(b, 1, 2);
  Put(b, static_cast<uint32_t>(bits), 2);
  return b;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(Dib, ColourCounts) {
  struct Case {
    Bytes header;
    int32_t colours;
    int32_t table;
  } cases[] = {
      {CoreHeader(1, 1, 1), 2, 6},         {CoreHeader(1, 1, 8), 256, 768},
      {InfoHeader(1, 1, 4), 16, 64},       {InfoHeader(1, 1, 8, 5), 5, 20},
      {InfoHeader(1, 1, 24), 0, 0},        {InfoHeader(1, 1, 24, 3), 3, 12},
      {Bytes{40, 0, 0, 0, 1}, -1, -1},     // claims 40 bytes, holds 5
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DibColourCount(c.header.data(), c.header.size()), c.colours);
    EXPECT_EQ(DibColourTableSize(c.header.data(), c.header.size()), c.table);
  }
}

TEST(Dib, DecodesEachDepthBottomUpAndTopDown) {
  // 8 bits, 2 x 2, bottom-up: the first stored row is the lower one.
  Bytes eight = InfoHeader(2, 2, 8, 3) + Bytes{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0} +
                Bytes{0, 1, 0, 0, 2, 2, 0, 0};
  DibImage image;
  ASSERT_TRUE(DecodeDib(eight.data(), eight.size(), image));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFF0000FF, 0xFFFF0000, 0xFF00FF00}));

  // A core header: the bits follow its 12 bytes and 3-byte colour entries.
  Bytes core = CoreHeader(3, 1, 1) + Bytes{0, 0, 0, 255, 255, 255} + Bytes{0xA0, 0, 0, 0};
  ASSERT_TRUE(DecodeDib(core.data(), core.size(), image));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}));

  Bytes top = InfoHeader(1, -2, 24) + Bytes{1, 2, 3, 0, 4, 5, 6, 0};
  ASSERT_TRUE(DecodeDib(top.data(), top.size(), image));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF030201, 0xFF060504}));

  Bytes sixteen = InfoHeader(2, 1, 16) + Bytes{0x00, 0x7C, 0x1F, 0x00};
  ASSERT_TRUE(DecodeDib(sixteen.data(), sixteen.size(), image));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF}));

  // A larger header (108 bytes) is skipped by its own size.
  Bytes v4 = InfoHeader(1, 1, 32, 0, 108) + Bytes{9, 8, 7, 0};
  ASSERT_TRUE(DecodeDib(v4.data(), v4.size(), image));
  EXPECT_EQ(image.pixels, std::vector<uint32_t>{0xFF070809});
}

TEST(Dib, DamagedBitmapsGiveNoImage) {
  const Bytes good = InfoHeader(2, 2, 8, 2) + Bytes(8, 0) + Bytes(8, 1);
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"bits cut short", Bytes(good.begin(), good.end() - 1)},
      {"table cut short", InfoHeader(1, 1, 8, 200) + Bytes(100, 0)},
      {"more colours than the depth holds", InfoHeader(1, 1, 1, 3) + Bytes(16, 0)},
      {"header size past the end", InfoHeader(1, 1, 24, 0, 60) + Bytes{}},
      {"header size 20", Bytes{20, 0, 0, 0} + Bytes(40, 0)},
      {"bit count 7", InfoHeader(1, 1, 7) + Bytes(8, 0)},
      {"compressed", [] { Bytes b = InfoHeader(1, 1, 8) + Bytes(1024 + 4, 0); b[16] = 1; return b; }()},
      {"zero width", InfoHeader(0, 1, 24) + Bytes(4, 0)},
      {"huge height", InfoHeader(1, 0x7FFFFFFF, 24) + Bytes(4, 0)},
      {"empty", Bytes{}},
  };
  for (const Case& c : cases) {
    DibImage image;
    EXPECT_FALSE(DecodeDib(c.bytes.data(), c.bytes.size(), image)) << c.what;
    EXPECT_TRUE(image.pixels.empty()) << c.what;
  }
  DibImage image;
  EXPECT_TRUE(DecodeDib(good.data(), good.size(), image));
}

}  // namespace
}  // namespace zh
