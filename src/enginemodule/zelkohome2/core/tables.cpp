#include "enginemodule/zelkohome2/core/tables.h"

#include <algorithm>
#include <random>

namespace zh::zelko2 {
namespace {

constexpr int kDirections[8] = {1, -1, 16, -16, 15, 17, -15, -17};
constexpr int kKnightJumps[8] = {14, 18, 31, 33, -14, -18, -31, -33};

struct DiffTables {
  std::array<uint32_t, kDiffCount> attack{};
  std::array<int, kDiffCount> step{};
};

// Built from the bit rules: every difference between real squares is a unique
// pair of file and rank distances.
DiffTables BuildDiffTables() {
  DiffTables t;
  for (int df = -7; df <= 7; ++df) {
    for (int dr = -7; dr <= 7; ++dr) {
      int d = dr * 16 + df;
      uint32_t b0 = 0, b1 = 0;
      bool rank = dr == 0 && df != 0;
      bool file = df == 0 && dr != 0;
      bool diag = df != 0 && (df == dr || df == -dr);
      if (rank) b0 |= 1;
      if (diag) b0 |= (df == -dr) ? 2 : 3;  // +15 goes one file left per rank up
      if (d == -16) b0 |= kStepWhitePawn;
      if (d == 16) b0 |= kStepBlackPawn;
      if (d == -32) b0 |= kStepWhiteDouble;
      if (d == 32) b0 |= kStepBlackDouble;
      if (d == 2 || d == -2) b0 |= kStepCastling;
      bool adjacent = d != 0 && df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
      bool knight = (df * df + dr * dr) == 5;
      if (adjacent || knight) b0 |= kStepContact;
      if (d == -15 || d == -17) b1 |= kReachWhitePawn;
      if (d == 15 || d == 17) b1 |= kReachBlackPawn;
      if (rank || file) b1 |= kReachStraight;
      if (diag) b1 |= kReachDiagonal;
      if (knight) b1 |= kReachKnight;
      if (adjacent) b1 |= kReachAdjacent;
      if (file) b1 |= kReachFile; else b1 |= kReachNotFile;
      t.attack[d + kDiffOffset] = b0 | b1 << 8;
      if (rank || file || diag) {
        int n = std::max(df < 0 ? -df : df, dr < 0 ? -dr : dr);
        t.step[d + kDiffOffset] = d / n;
      }
    }
  }
  return t;
}

const DiffTables& Diff() {
  static const DiffTables tables = BuildDiffTables();
  return tables;
}

// Rows by code >> 2.
constexpr uint32_t Attr(uint32_t step, uint32_t reach, uint32_t check, uint32_t value) {
  return step | reach << 8 | check << 16 | value << 24;
}
constexpr std::array<uint32_t, 6> kWhiteAttributes = {
    Attr(0x14, 0x01, 0x01, 1), Attr(0, 0x10, 0x10, 3), Attr(0, 0x08, 0x08, 3),
    Attr(0, 0x04, 0x04, 5),    Attr(0, 0x0C, 0x0C, 9), Attr(0x40, 0x20, 0x00, 20)};
constexpr std::array<uint32_t, 6> kBlackAttributes = {
    Attr(0x28, 0x02, 0x02, 1), Attr(0, 0x10, 0x10, 3), Attr(0, 0x08, 0x08, 3),
    Attr(0, 0x04, 0x04, 5),    Attr(0, 0x0C, 0x0C, 9), Attr(0x40, 0x20, 0x00, 20)};
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

uint32_t AttackEntry(int d) { return Diff().attack[d + kDiffOffset]; }
int StepToward(int d) { return Diff().step[d + kDiffOffset]; }
const std::array<uint32_t, kDiffCount>& AttackTableEntries() { return Diff().attack; }

uint32_t Attributes(PieceCode code) {
  int type = TypeOf(code);
  return (code & 0x40) ? kBlackAttributes[type] : kWhiteAttributes[type];
}

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
