#include "enginemodule/zelkohome2/core/tables.h"

#include <algorithm>

namespace zh::zelko2 {
namespace {

// Rows by code >> 2.
constexpr std::array<uint32_t, 6> kWhiteSignature = {0x100, 5, 11, 17, 29, 0};
constexpr std::array<uint32_t, 6> kBlackSignature = {0x1000, 7, 13, 19, 31, 0};

constexpr std::array<uint8_t, 3168> BuildShiftRegisterBytes() {
  std::array<uint8_t, 3168> bytes{};
  uint16_t regs[3] = {0x1234, 0x5678, 0xABCD};
  auto step = [](uint16_t& r) {
    unsigned feed = ((r >> 15) ^ (r >> 8)) & 1;
    r = static_cast<uint16_t>((r << 1) | feed);
  };
  for (uint8_t& byte : bytes) {
    for (int i = 0; i < 3; ++i)
      for (int n = 0; n <= i; ++n) step(regs[i]);
    uint16_t sum = static_cast<uint16_t>(regs[0] + regs[1] + regs[2]);
    byte = static_cast<uint8_t>((sum & 0xFF) + (sum >> 8));
  }
  return bytes;
}
constexpr std::array<uint8_t, 3168> kShiftRegisterBytes = BuildShiftRegisterBytes();

// The 32-bit Mersenne Twister of std::mt19937, evaluable at compile time, so that
// the key table is constant data and a key lookup needs no initialisation guard.
class Twister {
 public:
  constexpr explicit Twister(uint32_t seed) {
    state_[0] = seed;
    for (uint32_t i = 1; i < kSize; ++i) state_[i] = 1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + i;
  }
  constexpr uint32_t operator()() {
    if (next_ == kSize) Twist();
    uint32_t y = state_[next_++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    return y ^ (y >> 18);
  }

 private:
  static constexpr uint32_t kSize = 624;
  constexpr void Twist() {
    for (uint32_t k = 0; k < kSize; ++k) {
      const uint32_t y = (state_[k] & 0x80000000u) | (state_[(k + 1) % kSize] & 0x7FFFFFFFu);
      state_[k] = state_[(k + 397) % kSize] ^ (y >> 1) ^ ((y & 1) ? 0x9908B0DFu : 0u);
    }
    next_ = 0;
  }
  uint32_t state_[kSize]{};
  uint32_t next_ = kSize;
};

// Key numbers: 12 piece kinds x 64 squares, then 16 e.p. squares.
constexpr int kKeyCount = 12 * 64 + 16;

constexpr std::array<uint64_t, kKeyCount> BuildKeys() {
  std::array<uint64_t, kKeyCount> keys{};
  const auto& bytes = kShiftRegisterBytes;
  Twister high(0x2EB1C0DEu);
  for (int i = 0; i < kKeyCount; ++i) {
    uint32_t low = static_cast<uint32_t>(bytes[4 * i]) | static_cast<uint32_t>(bytes[4 * i + 1]) << 8 |
                   static_cast<uint32_t>(bytes[4 * i + 2]) << 16 | static_cast<uint32_t>(bytes[4 * i + 3]) << 24;
    keys[i] = static_cast<uint64_t>(high()) << 32 | low;
  }
  return keys;
}
constexpr std::array<uint64_t, kKeyCount> kKeys = BuildKeys();

int KindIndex(PieceCode code) { return TypeOf(code) + ((code & 0x40) ? 6 : 0); }

}  // namespace

const std::array<uint32_t, kDiffCount>& AttackTableEntries() { return detail::kDiff.attack; }

uint32_t SignatureWeight(PieceCode code) {
  int type = TypeOf(code);
  return (code & 0x40) ? kBlackSignature[type] : kWhiteSignature[type];
}

const std::array<uint8_t, 3168>& ShiftRegisterBytes() { return kShiftRegisterBytes; }

uint64_t PieceKey(PieceCode code, Square s) { return kKeys[KindIndex(code) * 64 + ToSquare64(s)]; }

uint64_t EnPassantKey(Square s) {
  int index = 12 * 64 + (RankOf(s) == 2 ? 0 : 8) + FileOf(s);
  return kKeys[index];
}

// Castling rights cleared by a move from or to each 0x88 square.
constexpr std::array<uint8_t, 128> kCastlingClearMasks = [] {
  std::array<uint8_t, 128> t{};
  t[0x00] = kWhiteLong;
  t[0x07] = kWhiteShort;
  t[0x04] = kWhiteLong | kWhiteShort;
  t[0x70] = kBlackLong;
  t[0x77] = kBlackShort;
  t[0x74] = kBlackLong | kBlackShort;
  return t;
}();

uint8_t CastlingClearMask(Square s) { return kCastlingClearMasks[static_cast<std::size_t>(s) & 0x7F]; }

}  // namespace zh::zelko2
