#include "enginemodule/zelkohome2/core/tables.h"

#include <algorithm>
#include <random>

namespace zh::zelko2 {
namespace {

// Rows by code >> 2.
constexpr std::array<uint32_t, 6> kWhiteSignature = {0x100, 5, 11, 17, 29, 0};
constexpr std::array<uint32_t, 6> kBlackSignature = {0x1000, 7, 13, 19, 31, 0};

std::array<uint8_t, 3168> BuildShiftRegisterBytes() {
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

// Key numbers: 12 piece kinds x 64 squares, then 16 e.p. squares.
constexpr int kKeyCount = 12 * 64 + 16;

struct Keys {
  std::array<uint64_t, kKeyCount> keys{};
};

Keys BuildKeys() {
  Keys k;
  const auto& bytes = ShiftRegisterBytes();
  std::mt19937 high(0x2EB1C0DEu);
  for (int i = 0; i < kKeyCount; ++i) {
    uint32_t low = static_cast<uint32_t>(bytes[4 * i]) | static_cast<uint32_t>(bytes[4 * i + 1]) << 8 |
                   static_cast<uint32_t>(bytes[4 * i + 2]) << 16 | static_cast<uint32_t>(bytes[4 * i + 3]) << 24;
    k.keys[i] = static_cast<uint64_t>(high()) << 32 | low;
  }
  return k;
}

const Keys& KeyTable() {
  static const Keys keys = BuildKeys();
  return keys;
}

int KindIndex(PieceCode code) { return TypeOf(code) + ((code & 0x40) ? 6 : 0); }

}  // namespace

const std::array<uint32_t, kDiffCount>& AttackTableEntries() { return detail::kDiff.attack; }

uint32_t SignatureWeight(PieceCode code) {
  int type = TypeOf(code);
  return (code & 0x40) ? kBlackSignature[type] : kWhiteSignature[type];
}

const std::array<uint8_t, 3168>& ShiftRegisterBytes() {
  static const std::array<uint8_t, 3168> bytes = BuildShiftRegisterBytes();
  return bytes;
}

uint64_t PieceKey(PieceCode code, Square s) { return KeyTable().keys[KindIndex(code) * 64 + ToSquare64(s)]; }

uint64_t EnPassantKey(Square s) {
  int index = 12 * 64 + (RankOf(s) == 2 ? 0 : 8) + FileOf(s);
  return KeyTable().keys[index];
}

uint8_t CastlingClearMask(Square s) {
  switch (s) {
    case 0x00: return kWhiteLong;
    case 0x07: return kWhiteShort;
    case 0x04: return kWhiteLong | kWhiteShort;
    case 0x70: return kBlackLong;
    case 0x77: return kBlackShort;
    case 0x74: return kBlackLong | kBlackShort;
    default: return 0;
  }
}

}  // namespace zh::zelko2
