#include "core/toolbox/compressor.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace zh {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Compress(Compressor& c, const Bytes& in) {
  Bytes out(in.size() + 1);
  size_t n = 0;
  EXPECT_EQ(c.Compress(in.data(), in.size(), out.data(), n), 0);
  EXPECT_LE(n, in.size() + 1);
  out.resize(n);
  return out;
}

// Expands into a buffer of exactly 65530 bytes on the heap: AddressSanitizer catches
// any write past it.
int32_t Expand(Compressor& c, const Bytes& block, Bytes& out) {
  out.assign(Compressor::kMaxBlock, 0);
  size_t n = 0;
  const int32_t rc = c.Expand(block.data(), block.size(), out.data(), out.size(), n);
  out.resize(n);
  return rc;
}

Bytes Random(size_t n, uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  Bytes v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng() % alphabet);
  return v;
}

Bytes Text(size_t n) {
  const char* words[] = {"king", "queen", "rook", "bishop", "knight", "pawn", "castles",
                         "check", "mate", "draw", "the", "a", "of"};
  std::mt19937 rng(3);
  std::string text;
  while (text.size() < n) text += std::string(words[rng() % 13]) + ' ';
  return Bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
}

TEST(Compressor, RunOfEqualBytesInStageOne) {
  Compressor c;
  Bytes stage1(100);
  size_t n = 0;
  const Bytes xs(100, 'x');
  ASSERT_TRUE(c.EncodeStage1(xs.data(), xs.size(), stage1.data(), n));
  stage1.resize(n);
  EXPECT_EQ(stage1, (Bytes{0x00, 0x80, 0x11, 0x05, 0x78}));
  EXPECT_EQ(Compress(c, xs), (Bytes{0x01, 0x00, 0x80, 0x11, 0x05, 0x78}));
}

TEST(Compressor, SmallBlocksNeverGetStageOne) {
  Compressor c;
  for (size_t n : {0, 1, 2, 47, 48}) {
    const Bytes in(n, 'x');
    const Bytes block = Compress(c, in);
    EXPECT_EQ(block[0] & Compressor::kStage1, 0) << n;
  }
}

TEST(Compressor, RandomDataIsStoredAsItIs) {
  Compressor c;
  const Bytes in = Random(10000, 1);
  const Bytes block = Compress(c, in);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(Bytes(block.begin() + 1, block.end()), in);
}

TEST(Compressor, CodesLongerThanFifteenBitsRefuseStageTwo) {
  // Fibonacci counts give the most skewed code: n symbols need n - 1 bits.
  auto fibonacci = [](int symbols) {
    Bytes in;
    uint32_t a = 1, b = 1;
    for (int s = 0; s < symbols; ++s) {
      in.insert(in.end(), a, static_cast<uint8_t>(s));
      b = a + b, a = b - a;
    }
    std::shuffle(in.begin(), in.end(), std::mt19937(5));
    return in;
  };
  Compressor c;
  const Bytes longest = fibonacci(17);  // a 16-bit code
  Bytes out(longest.size());
  size_t n = 0;
  EXPECT_FALSE(c.EncodeStage2(longest.data(), longest.size(), out.data(), n));

  const Bytes fits = fibonacci(16);  // 15 bits at most
  ASSERT_TRUE(c.EncodeStage2(fits.data(), fits.size(), out.data(), n));
  Bytes back(fits.size());
  size_t m = 0;
  ASSERT_TRUE(c.DecodeStage2(out.data(), n, back.data(), back.size(), m));
  EXPECT_EQ(back, fits);
}

// Every combination of the flags and the sizes 0, 1, 48, 49 and 65530 expands byte for byte.
TEST(Compressor, CorpusRoundTrips) {
  struct Case {
    const char* name;
    Bytes data;
    uint8_t flags;
  };
  const Case cases[] = {
      {"empty", {}, 0},
      {"one byte", {'a'}, 0},
      {"48 equal bytes", Bytes(48, 'x'), 0},
      {"49 equal bytes", Bytes(49, 'x'), 1},
      {"random 65530", Random(65530, 2), 0},
      {"runs", Bytes(20000, 0), 1},
      {"32 letters", Random(10000, 4, 32), 2},
      {"two letters", Random(10000, 4, 2), 3},
      {"text 65530", Text(65530), 3},
      {"equal 65530", Bytes(65530, 0xEE), 1},
  };
  Compressor c;
  for (const Case& k : cases) {
    const Bytes block = Compress(c, k.data);
    EXPECT_EQ(block[0], k.flags) << k.name;
    Bytes back;
    ASSERT_EQ(Expand(c, block, back), 0) << k.name;
    EXPECT_EQ(back, k.data) << k.name;
  }
}

TEST(Compressor, MalformedBlocksAreRefused) {
  Compressor c;
  const Bytes text = Compress(c, Random(10000, 4, 2));
  ASSERT_EQ(text[0], 3);
  const Bytes runs = Compress(c, Bytes(300, 'r'));
  ASSERT_EQ(runs[0], 1);

  auto withStage2Header = [](uint16_t count, std::vector<std::pair<int, uint32_t>> codes) {
    // codes: (length, code) for the values 0, 1, ...; the rest absent.
    Bytes out;
    uint32_t acc = 0;
    int bits = 0;
    auto put = [&](uint32_t v, int n) {
      for (int i = n - 1; i >= 0; --i) {
        acc = (acc << 1) | ((v >> i) & 1);
        if (++bits == 8) out.push_back(static_cast<uint8_t>(acc)), acc = 0, bits = 0;
      }
    };
    out.push_back(2);
    put(count, 16);
    for (int v = 0; v < 256; ++v) {
      const auto [len, code] = v < static_cast<int>(codes.size()) ? codes[v] : std::pair{0, 0u};
      put(static_cast<uint32_t>(len), 4);
      put(code, len);
    }
    for (int i = 0; i < 8; ++i) put(0, 8);  // plenty of zero bits: symbols of code 0
    return out;
  };

  Bytes truncated(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(text.size() / 2));
  Bytes cutRun(runs.begin(), runs.end() - 1);
  const struct {
    const char* name;
    Bytes block;
  } bad[] = {
      {"no flags byte", {}},
      {"unknown flags", {7, 1, 2}},
      {"truncated stage 2", truncated},
      {"truncated run", cutRun},
      {"lone control byte", {1, 0x00}},
      {"distance before the start", {1, 0x00, 0x80, 0x30, 0x00}},
      {"literal then long distance", {1, 0x00, 0x40, 'a', 0x32, 0x01}},
      {"run past 65530 bytes", {1, 0xFF, 0xFF, 0x1F, 0xFF, 0, 0x1F, 0xFF, 0, 0x1F, 0xFF, 0,
                                0x1F, 0xFF, 0, 0x1F, 0xFF, 0, 0x1F, 0xFF, 0, 0x1F, 0xFF, 0,
                                0x1F, 0xFF, 0, 0x1F, 0xFF, 0, 0x1F, 0xFF, 0, 0x1F, 0xFF, 0,
                                0x1F, 0xFF, 0, 0x1F, 0xFF, 0, 0x1F, 0xFF, 0, 0x1F, 0xFF, 0,
                                0x1F, 0xFF, 0, 0x00, 0x80, 0x1F, 0xFF, 0}},
      {"stage-2 count over 65530", withStage2Header(65535, {{1, 0}, {1, 1}})},
      {"code not prefix-free", withStage2Header(4, {{1, 0}, {2, 1}})},
      {"code walks into nothing", withStage2Header(4, {{2, 1}, {2, 2}})},
      {"no codes", withStage2Header(1, {})},
  };
  for (const auto& b : bad) {
    Bytes out;
    EXPECT_NE(Expand(c, b.block, out), 0) << b.name;
    EXPECT_TRUE(out.empty()) << b.name;
  }
  // The same header with a complete code table is fine.
  Bytes out;
  EXPECT_EQ(Expand(c, withStage2Header(4, {{1, 0}, {1, 1}}), out), 0);
  EXPECT_EQ(out, (Bytes{0, 0, 0, 0}));
}

TEST(Compressor, RefusesOversizedInput) {
  Compressor c;
  Bytes in(Compressor::kMaxBlock + 1), out(in.size() + 1);
  size_t n = 7;
  EXPECT_EQ(c.Compress(in.data(), in.size(), out.data(), n), 1);
  EXPECT_EQ(n, 0u);
}

}  // namespace
}  // namespace zh
