// The stream blocks of the three criteria: the bytes of fixed blocks, write and read
// of random masks, blocks of older versions, and damaged blocks.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "core/toolbox/mem_stream.h"
#include "dbwindow/maneuver_mask.h"
#include "dbwindow/material_mask.h"
#include "dbwindow/motif_mask.h"

namespace zh {
namespace {

constexpr int kCurrent = 16;

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::string digits;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

template <class Mask>
std::vector<uint8_t> Bytes(const Mask& mask, int version = kCurrent) {
  TQMemStream out(4096);
  mask.Write(out, version);
  EXPECT_TRUE(out.IsOk());
  return {out.Data(), out.Data() + out.Position()};
}

// Reads the bytes; the whole block must be taken when the read succeeds.
template <class Mask>
int ReadBytes(Mask& mask, const std::vector<uint8_t>& bytes, int version = kCurrent) {
  TQMemStream in(bytes.data(), bytes.size());
  const int rc = mask.Read(in, version);
  if (rc == 0) {
    EXPECT_EQ(in.Position(), bytes.size()) << "version " << version;
  }
  return rc;
}

uint64_t Square(const char* name) {
  return uint64_t{1} << ((name[0] - 'a') * 8 + (name[1] - '1'));
}

MaterialMask FixedMaterial() {
  MaterialMask m;
  m.requiredPlies = 3;
  m.ranges[MaterialMask::kQueens] = {1, 0, 1, 2};
  m.ranges[MaterialMask::kKnights] = {2, 1, 2, 2};
  m.conditions[MaterialMask::kOppositeBishops] = 1;
  m.conditions[MaterialMask::kOpenPawns] = 1;
  m.conditions[MaterialMask::kOwnDoubled] = 1;
  m.conditions[MaterialMask::kGoodBishop] = 1;
  m.conditions[MaterialMask::kPawnsOneWing] = 1;
  m.differenceMode = 1;
  return m;
}

MotifMask FixedMotif() {
  MotifMask m;
  m.requiredPlies = 2;
  m.colourReversed = 1;
  m.Set(MotifMask::kWhiteRequired, kKing) = Square("g1");
  m.Set(MotifMask::kWhiteRequired, kPawn) = Square("f2") | Square("g2") | Square("h2");
  m.Set(MotifMask::kWhiteOneOf, kKnight) = Square("c3") | Square("f3");
  m.Set(MotifMask::kBlackForbidden, MotifMask::kAllPieces) = Square("d4");
  m.Recompute();
  return m;
}

ManeuverMask FixedManeuver() {
  ManeuverMask m;
  m.count = 2;
  m.inOrder = 1;
  m.colourReversedToo = 0;
  ManeuverEntry& a = m.entries[0];
  a.side = 0;
  a.pieceKind = kKnight;
  a.fromFile = 6, a.fromRank = 0, a.toFile = 5, a.toRank = 2;
  a.materialOn = 1;
  a.materialChange = -3;
  ManeuverEntry& b = m.entries[1];
  b.pieceKind = kPawn;
  b.toFile = 4, b.toRank = 7;
  b.captureOn = 1, b.capture = 1;
  b.negated = 1;
  b.promotionOn = 1, b.promotion = kKnight + 1;
  return m;
}

TEST(MaskStream, GoldenBlocks) {
  EXPECT_EQ(Bytes(FixedMaterial()), Hex("0003"
                                        "0001 0000 0001 0002"  // queens
                                        "0002 0001 0002 0002"  // knights
                                        "0000 0000 0000 0000"  // bishops
                                        "0000 0000 0000 0000"  // rooks
                                        "0000 0000 0008 0008"  // pawns
                                        "0000 0000 0004 0004"  // minor pieces
                                        "0001 0001 0008 0008"  // pieces
                                        "81 21 85 0000"));

  const std::string zero = "0000000000000000";
  std::string motif = "0005 0002 0128";
  // Per kind: White required, Black required, White one-of, Black one-of, White
  // forbidden, Black forbidden; byte f is file f.
  motif += "0000000000000100" + zero + zero + zero + zero + zero;  // king on g1
  motif += zero + zero + zero + zero + zero + zero;
  motif += zero + zero + "0000040000040000" + zero + zero + zero;  // knight c3 or f3
  motif += zero + zero + zero + zero + zero + zero;
  motif += zero + zero + zero + zero + zero + zero;
  motif += "0000000000020202" + zero + zero + zero + zero + zero;  // pawns f2 g2 h2
  motif += zero + zero + zero + zero + zero + "0000000800000000";  // nothing Black on d4
  motif += "0000";
  EXPECT_EQ(Bytes(FixedMotif()), Hex(motif));

  EXPECT_EQ(Bytes(FixedManeuver()), Hex("0002 0005 000A 0028"
                                        "00 03 06 05 00 02 00 00 01 00 00 00 FFFD 0000"
                                        "02 06 FF 04 FF 07 01 01 00 01 01 04 0000 0000"
                                        "0002 01 00"));
}

TEST(MaskStream, RandomMasksReadBackEqual) {
  std::mt19937 random(63);
  const auto i16 = [&] { return static_cast<int16_t>(random()); };
  const auto bit = [&] { return static_cast<uint8_t>(random() & 1); };
  for (int n = 0; n < 10000; ++n) {
    MaterialMask material;
    material.requiredPlies = i16();
    for (auto& r : material.ranges) r = {i16(), i16(), i16(), i16()};
    for (auto& c : material.conditions) c = bit();
    material.differenceMode = bit();
    material.eitherColour = bit();
    MaterialMask materialRead;
    ASSERT_EQ(ReadBytes(materialRead, Bytes(material)), 0);
    ASSERT_EQ(materialRead, material) << n;

    MotifMask motif;
    for (auto& table : motif.variants[0])
      for (int k = 1; k <= MotifMask::kAllPieces; ++k)
        table[k] = random() % 3 ? 0 : (uint64_t{random()} << 32 | random());
    motif.colourReversed = bit();
    motif.mirrored = bit();
    motif.firstMove = i16();
    motif.requiredPlies = i16();
    motif.lastMove = static_cast<int16_t>(random() % 8 ? random() % 255 : kMotifWholeGameLastMove);
    motif.Recompute();
    MotifMask motifRead;
    ASSERT_EQ(ReadBytes(motifRead, Bytes(motif)), 0);
    ASSERT_TRUE(motifRead == motif) << n;

    ManeuverMask maneuver;
    maneuver.count = static_cast<int16_t>(random() % 17);
    maneuver.firstMove = i16();
    maneuver.span = i16();
    maneuver.lastMove = i16();
    maneuver.inOrder = bit();
    maneuver.colourReversedToo = bit();
    for (int i = 0; i < maneuver.count; ++i) {
      uint8_t b[11];
      for (auto& x : b) x = static_cast<uint8_t>(random());
      maneuver.entries[i] = {b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10],
                             i16(), b[0]};
    }
    ManeuverMask maneuverRead;
    ASSERT_EQ(ReadBytes(maneuverRead, Bytes(maneuver)), 0);
    ASSERT_EQ(maneuverRead, maneuver) << n;
  }
}

// The manoeuvre block grew: negated from version 3, promotions from 6, length-led
// extensions from 16. Material and motif blocks gained their trailing length at 16.
TEST(MaskStream, OlderVersionsReadTheirFields) {
  const std::string head = "0001 0003 0008 0014";  // one entry, moves 3 to 20, span 8
  const std::string fields = "01 02 04 04 01 03";    // Black queen e2-e4
  const std::string conditions = "01 03 01";          // captures a knight, material on
  struct Case {
    int version;
    std::string block;
    uint8_t negated, promotionOn, promotion;
  } cases[] = {
      {2, head + fields + conditions + "FFFE", 0, 0, 0},
      {3, head + fields + conditions + "01 FFFE", 1, 0, 0},
      {5, head + fields + conditions + "01 FFFE", 1, 0, 0},
      {6, head + fields + conditions + "01 01 05 FFFE", 1, 1, 5},
      {15, head + fields + conditions + "01 01 05 FFFE", 1, 1, 5},
      {16, head + fields + conditions + "01 01 05 FFFE 0003 AABBCC 0004 01 00 9999", 1, 1, 5},
  };
  for (const Case& c : cases) {
    ManeuverMask m;
    ASSERT_EQ(ReadBytes(m, Hex(c.block), c.version), 0) << c.version;
    EXPECT_EQ(m.count, 1);
    EXPECT_EQ(m.firstMove, 3);
    EXPECT_EQ(m.span, 8);
    EXPECT_EQ(m.lastMove, 20);
    const ManeuverEntry& e = m.entries[0];
    EXPECT_EQ(e.side, 1);
    EXPECT_EQ(e.pieceKind, kQueen);
    EXPECT_EQ(e.fromFile, 4);
    EXPECT_EQ(e.toFile, 4);
    EXPECT_EQ(e.fromRank, 1);
    EXPECT_EQ(e.toRank, 3);
    EXPECT_EQ(e.captureOn, 1);
    EXPECT_EQ(e.capture, kKnight);
    EXPECT_EQ(e.materialOn, 1);
    EXPECT_EQ(e.materialChange, -2);
    EXPECT_EQ(e.negated, c.negated) << c.version;
    EXPECT_EQ(e.promotionOn, c.promotionOn) << c.version;
    EXPECT_EQ(e.promotion, c.promotion) << c.version;
    // Before 16 the switches keep their defaults.
    EXPECT_EQ(m.inOrder, c.version >= 16 ? 1 : 0);
    EXPECT_EQ(m.colourReversedToo, c.version >= 16 ? 0 : 1);
    // Every version writes what it reads.
    EXPECT_EQ(Bytes(m, c.version).size(), c.version >= 16 ? Hex(c.block).size() - 5 : Hex(c.block).size());
  }

  std::vector<uint8_t> material = Bytes(FixedMaterial());
  material.resize(material.size() - 2);  // no trailing length before 16
  for (int version : {2, 3, 5, 6, 15}) {
    MaterialMask m;
    ASSERT_EQ(ReadBytes(m, material, version), 0);
    EXPECT_EQ(m, FixedMaterial());
  }
  std::vector<uint8_t> motif = Bytes(FixedMotif());
  motif.resize(motif.size() - 2);
  for (int version : {2, 3, 5, 6, 15}) {
    MotifMask m;
    ASSERT_EQ(ReadBytes(m, motif, version), 0);
    EXPECT_TRUE(m == FixedMotif());
  }
  // Extensions a newer writer appended are skipped.
  material = Bytes(FixedMaterial());
  material.back() = 3;
  material.insert(material.end(), {1, 2, 3});
  MaterialMask m;
  ASSERT_EQ(ReadBytes(m, material), 0);
  EXPECT_EQ(m, FixedMaterial());
}

template <class Mask>
void ExpectEveryShortBlockFails(const Mask& mask, const Mask& changed) {
  const std::vector<uint8_t> bytes = Bytes(mask);
  for (size_t n = 0; n < bytes.size(); ++n) {
    Mask read = changed;
    ASSERT_NE(ReadBytes(read, std::vector<uint8_t>(bytes.begin(), bytes.begin() + n)), 0) << n;
    ASSERT_TRUE(read == Mask()) << "not reset after " << n << " bytes";
  }
}

TEST(MaskStream, DamagedBlocksFailAndReset) {
  ExpectEveryShortBlockFails(FixedMaterial(), FixedMaterial());
  ExpectEveryShortBlockFails(FixedMotif(), FixedMotif());
  ExpectEveryShortBlockFails(FixedManeuver(), FixedManeuver());

  struct Case {
    const char* name;
    std::string block;
  } maneuvers[] = {
      {"17 entries", "0011 0005 000A 0028" + std::string(17 * 32, '0') + "0002 0000"},
      {"negative count", "FFFF 0005 000A 0028 0002 0000"},
      {"entry extension past the end",
       "0001 0005 000A 0028 00 03 06 05 00 02 00 00 01 00 00 00 FFFD 0010 0000 0002 0000"},
      {"negative entry extension",
       "0001 0005 000A 0028 00 03 06 05 00 02 00 00 01 00 00 00 FFFD FFFF 0002 0000"},
      {"trailer past the end", "0000 0005 000A 0028 0005 01 00"},
      {"negative trailer", "0000 0005 000A 0028 8000"},
  };
  for (const Case& c : maneuvers) {
    ManeuverMask m = FixedManeuver();
    EXPECT_NE(ReadBytes(m, Hex(c.block)), 0) << c.name;
    EXPECT_EQ(m, ManeuverMask()) << c.name;
  }
  std::vector<uint8_t> material = Bytes(FixedMaterial());
  material.back() = 5;
  material.insert(material.end(), {1, 2});
  MaterialMask m = FixedMaterial();
  EXPECT_NE(ReadBytes(m, material), 0);
  EXPECT_EQ(m, MaterialMask());
  std::vector<uint8_t> motif = Bytes(FixedMotif());
  motif[motif.size() - 2] = 0x80;  // a negative length
  MotifMask motifRead = FixedMotif();
  EXPECT_NE(ReadBytes(motifRead, motif), 0);
  EXPECT_TRUE(motifRead == MotifMask());
}

// Moves 1 to 302 do not fit the block's byte: stored as 255, read back as 302.
TEST(MaskStream, WholeGameMotifWindowSurvives) {
  MotifMask motif;
  motif.SetFromBoard(Board(true), -1);
  ASSERT_EQ(motif.lastMove, kMotifWholeGameLastMove);
  const std::vector<uint8_t> bytes = Bytes(motif);
  EXPECT_EQ(bytes[4], 0x00);
  EXPECT_EQ(bytes[5], 0xFF);
  MotifMask read;
  ASSERT_EQ(ReadBytes(read, bytes), 0);
  EXPECT_EQ(read.lastMove, kMotifWholeGameLastMove);
  EXPECT_TRUE(read == motif);
  motif.lastMove = 254;
  ASSERT_EQ(ReadBytes(read, Bytes(motif)), 0);
  EXPECT_EQ(read.lastMove, 254);
}

}  // namespace
}  // namespace zh
