// The search mask's stream: the bytes of a fixed mask in both forms, write and read of
// random masks, streams of older versions, and damaged streams.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "core/toolbox/mem_stream.h"
#include "dbwindow/search_mask.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Hex(const std::string& text) {
  Bytes bytes;
  std::string digits;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

// A fixed text of the full form, from Windows-1252 bytes.
std::string Fixed(const std::string& bytes) {
  std::string hex;
  char b[4];
  for (int i = 0; i < SearchMask::kFixedTextLength; ++i) {
    std::snprintf(b, sizeof b, "%02X", i < static_cast<int>(bytes.size()) ? static_cast<uint8_t>(bytes[i]) : 0);
    hex += b;
  }
  return hex;
}

std::string Counted(const std::string& bytes) {
  std::string hex;
  char b[8];
  std::snprintf(b, sizeof b, "%04X", static_cast<unsigned>(bytes.size()));
  hex += b;
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02X", c);
    hex += b;
  }
  return hex;
}

template <class Block>
std::string BlockHex(const Block& block) {
  TQMemStream out(8192);
  block.Write(out, SearchMask::kStreamVersion);
  std::string hex;
  char b[4];
  for (size_t i = 0; i < out.Position(); ++i) {
    std::snprintf(b, sizeof b, "%02X", out.Data()[i]);
    hex += b;
  }
  return hex;
}

Bytes Write(const SearchMask& mask, bool compact, int version = SearchMask::kStreamVersion) {
  TQMemStream out(1 << 16);
  mask.Write(out, version, compact);
  EXPECT_TRUE(out.IsOk());
  return {out.Data(), out.Data() + out.Position()};
}

// Reads the bytes; a successful read must take them all.
int Read(SearchMask& mask, const Bytes& bytes, bool compact, int version = SearchMask::kStreamVersion) {
  TQMemStream in(bytes.data(), bytes.size());
  const int rc = mask.Read(in, version, compact);
  if (rc == 0) {
    EXPECT_EQ(in.Position(), bytes.size()) << "version " << version;
  }
  return rc;
}

SearchMask FixedMask() {
  SearchMask m;
  m.header.resultMask = 5;
  m.header.yearOn = true;
  m.header.yearFrom = 1990;
  m.header.yearTo = 1999;
  m.header.ecoOn = true;
  m.header.ecoFrom = 128;
  m.header.ecoTo = 1000;
  m.SetPlayers("Müller", "Hans", "", "", true);
  m.header.tournamentText = "Wijk*";
  m.materialOn = 1;
  m.material.ranges[MaterialMask::kRooks] = {1, 1, 2, 2};
  m.finalMate = 1;
  m.annotationsOn = 1;
  m.annotations.medalMask = 0x0102;
  m.annotations.criteria[AnnotationMask::kTextAnnotations] = 1;
  m.annotations.text1 = "schön";
  m.annotations.symbols.move = 1;
  m.annotations.Recompute();
  return m;
}

class SearchMaskStream : public ::testing::Test {
 protected:
  // The year of the defaults.
  void SetUp() override { services.wallTime = 1781136000; }
  test::RecordingServices services;
};

TEST_F(SearchMaskStream, GoldenBytesOfBothForms) {
  const SearchMask m = FixedMask();
  const std::string material = BlockHex(m.material);
  const std::string tail = "00 01 00 00 01"  // texts only, mate, stalemate, check, annotations
                           "000F 00 00 00 00 00 00 01 00 00 00 00 00 00 00 01"
                           "0000 0002" + Counted("sch\xF6n") + Counted("") + "0004 01 00 00 00 0000";
  const std::string full = "0005 0102 01 07C6 07CF 00 0004 09C4 0B3B 01 0080 03E8 00 0001 0016 FFFFFFFF"
                           "0004 0001 0000" +
                           Fixed("M\xFCller") + "0001" + Fixed("Hans") + "0001" + Fixed("TQ7Player") + "7FFF" +
                           Fixed("TQ7Player") + "7FFF" + Fixed("Wijk*") + "0000 00 01 00" + material + tail;
  EXPECT_EQ(Write(m, false), Hex(full));
  const std::string compact = "0005 0102 01 07C6 07CF 00 01 0080 03E8 00 0004 0001 0000" +
                              Counted("M\xFCller") + "0001" + Counted("Hans") + "0001" + Counted("") + "7FFF" +
                              Counted("") + "7FFF" + Counted("Wijk*") + "0000 00 01 00" + material + tail;
  EXPECT_EQ(Write(m, true), Hex(compact));
  std::string link;
  ASSERT_EQ(m.Write(link), 0);
  EXPECT_EQ(Bytes(link.begin(), link.end()), Hex(compact));
  // No players: the word 0 and no block.
  SearchMask none;
  EXPECT_EQ(Write(none, true), Hex("0000 0000 00 00 00 00 0000 0000 0000 00 00 00 00 00 00 00 00 0000"));
}

// Latin-1 letters and a few signs, all of them in Windows-1252.
std::string RandomText(std::mt19937& random, int maxLength) {
  static const char* const kPieces[] = {"a", "Z", "é", "ß", "Ö", "ñ", " ", "*", "?", "\"", "-", "ø", "Ł"};
  std::string text;
  const int n = static_cast<int>(random() % static_cast<unsigned>(maxLength + 1));
  for (int i = 0; i < n; ++i) {
    const char* piece = kPieces[random() % (std::size(kPieces) - 1)];  // no Ł: not in the code page
    text += piece;
  }
  return text;
}

SearchMask RandomMask(std::mt19937& random, bool compact) {
  const auto i16 = [&] { return static_cast<int16_t>(random()); };
  const auto bit = [&] { return static_cast<uint8_t>(random() & 1); };
  const int textLength = compact ? 120 : SearchMask::kFixedTextLength;
  SearchMask m;
  HeaderSearchMask& h = m.header;
  h.resultMask = i16();
  if ((h.yearOn = bit())) h.yearFrom = static_cast<uint16_t>(i16()), h.yearTo = static_cast<uint16_t>(i16());
  if ((h.eloOn = bit())) h.eloMode = i16(), h.eloMin = i16(), h.eloMax = i16();
  if ((h.ecoOn = bit())) h.ecoFrom = static_cast<uint16_t>(i16()), h.ecoTo = static_cast<uint16_t>(i16());
  if ((h.moveCountOn = bit())) h.moveCountFrom = i16(), h.moveCountTo = i16();
  const bool ignore = bit();
  std::string names[4];
  for (auto& n : names) n = random() % 3 ? RandomText(random, textLength) : "";
  m.SetPlayers(names[0], names[1], names[2], names[3], (!names[0].empty() || !names[2].empty()) && ignore);
  if (bit()) h.tournamentText = RandomText(random, textLength);
  if (bit()) h.annotatorText = RandomText(random, textLength);
  if ((m.materialOn = bit())) {
    m.material.requiredPlies = i16();
    for (auto& r : m.material.ranges) r = {i16(), i16(), i16(), i16()};
    for (auto& c : m.material.conditions) c = bit();
    m.material.differenceMode = bit();
    m.material.eitherColour = bit();
  }
  if ((m.motifOn = bit())) {
    for (auto& table : m.motif.variants[0])
      for (int k = 1; k <= MotifMask::kAllPieces; ++k)
        table[k] = random() % 3 ? 0 : (uint64_t{random()} << 32 | random());
    m.motif.colourReversed = bit();
    m.motif.mirrored = bit();
    m.motif.firstMove = i16();
    m.motif.requiredPlies = i16();
    m.motif.lastMove = static_cast<int16_t>(random() % 8 ? random() % 255 : kMotifWholeGameLastMove);
    m.motif.Recompute();
  }
  if ((m.maneuverOn = bit())) {
    ManeuverMask& r = m.maneuver;
    r.count = static_cast<int16_t>(random() % 17);
    r.firstMove = i16();
    r.span = i16();
    r.lastMove = i16();
    r.inOrder = bit();
    r.colourReversedToo = bit();
    for (int i = 0; i < r.count; ++i) {
      uint8_t b[11];
      for (auto& x : b) x = static_cast<uint8_t>(random());
      r.entries[i] = {b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], i16(), b[0]};
    }
  }
  m.severalPositionCriteria = (m.materialOn + m.motifOn + m.maneuverOn) >= 2;
  h.textsOnly = bit();
  m.finalMate = bit();
  m.finalStalemate = bit();
  m.finalCheck = bit();
  m.annotations.medalMask = static_cast<uint16_t>(i16());
  if ((m.annotationsOn = bit())) {
    for (auto& c : m.annotations.criteria) c = bit();
    m.annotations.text1 = RandomText(random, 60);
    m.annotations.text2 = RandomText(random, 60);
    m.annotations.symbols = MoveSymbols::Unpack(static_cast<uint32_t>(random()));
  }
  m.annotations.Recompute();
  return m;
}

TEST_F(SearchMaskStream, RandomMasksReadBackEqual) {
  std::mt19937 random(64);
  for (bool compact : {true, false}) {
    for (int n = 0; n < 10000; ++n) {
      const SearchMask mask = RandomMask(random, compact);
      SearchMask read;
      ASSERT_EQ(Read(read, Write(mask, compact), compact), 0) << n;
      ASSERT_TRUE(read == mask) << n << (compact ? " compact" : " full");
    }
  }
}

TEST_F(SearchMaskStream, LongTextsAreCutInTheFullForm) {
  SearchMask m;
  m.header.tournamentText = std::string(60, 'x') + "éééééé";
  SearchMask read;
  ASSERT_EQ(Read(read, Write(m, false), false), 0);
  EXPECT_EQ(read.header.tournamentText, std::string(60, 'x') + "éééé");
}

// Streams of older writers, compact, no players.
TEST_F(SearchMaskStream, OlderVersionsReadTheirFields) {
  const std::string head = "0004 0009 00 00 00 00 0000 0000 0000 00 00 00";
  SearchMask m;
  ASSERT_EQ(Read(m, Hex(head), true, 2), 0);
  EXPECT_EQ(m.header.resultMask, 4);
  EXPECT_EQ(m.annotations.medalMask, 0);  // read and dropped before version 3

  const std::string finals = "01 01 00 01 00";  // texts only, mate, -, check, no annotations
  ASSERT_EQ(Read(m, Hex(head + finals), true, 5), 0);
  EXPECT_EQ(m.annotations.medalMask, 9);
  EXPECT_FALSE(m.header.textsOnly);  // from version 6 on
  EXPECT_TRUE(m.finalMate && m.finalCheck && !m.finalStalemate);
  ASSERT_EQ(Read(m, Hex(head + finals), true, 6), 0);
  EXPECT_TRUE(m.header.textsOnly);

  // Fourteen criterion bytes, one int32, three texts, a final block of six bytes.
  const std::string annotations = "01 00 00 00 01"
                                   "000E 00 00 00 00 00 00 01 00 00 00 00 00 00 00"
                                   "0001 DEADBEEF 0003 0002 6162 0002 6364 0002 6566 0006 01 02 03 04 05 06";
  ASSERT_EQ(Read(m, Hex(head + annotations), true, 15), 0);
  EXPECT_TRUE(m.annotations.criteria[AnnotationMask::kTextAnnotations]);
  EXPECT_EQ(m.annotations.criteria[AnnotationMask::kWholeWords], 1);  // not stored: the default
  EXPECT_EQ(m.annotations.text1, "ab");
  EXPECT_EQ(m.annotations.text2, "cd");
  EXPECT_EQ(m.annotations.symbols.Pack(), 0x04030201u);
  EXPECT_TRUE(m.annotations.active);
  // Version 16 adds the length-led tail.
  ASSERT_EQ(Read(m, Hex(head + finals + "0003 AABBCC"), true, 16), 0);
  EXPECT_TRUE(m.header.textsOnly);
}

TEST_F(SearchMaskStream, OlderPlayersForm) {
  // Three (fixed text, int16) pairs: the first is player 1's last name.
  const std::string pairs = Fixed("Tal") + "0000" + Fixed("Petrosian") + "0000" + Fixed("Smyslov") + "0000";
  SearchMask m;
  ASSERT_EQ(Read(m, Hex("0000 0000 00 00 00 00 0003 0000 0000" + pairs + "00 00 00"), true, 2), 0);
  EXPECT_EQ(m.PlayerLast(0), "Tal");
  EXPECT_EQ(m.PlayerFirst(0), "");
  EXPECT_EQ(m.CountPlayers(), 1);
  // A tournament count of 2: the text, its int16, one more pair.
  ASSERT_EQ(Read(m, Hex("0000 0000 00 00 00 00 0000 0002 0000" + Counted("Linares") + "0000" + Fixed("x") +
                        "0000 00 00 00"),
                 true, 2),
            0);
  EXPECT_EQ(m.header.tournamentText, "Linares");
}

TEST_F(SearchMaskStream, DamagedStreamsLeaveAResetMask) {
  const Bytes good = Write(FixedMask(), false);
  SearchMask reset;
  reset.extraSelection = 3;
  for (size_t cut = 0; cut < good.size(); ++cut) {
    SearchMask m = FixedMask();
    m.extraSelection = 3;
    ASSERT_NE(Read(m, Bytes(good.begin(), good.begin() + static_cast<long>(cut)), false), 0) << cut;
    ASSERT_TRUE(m == reset) << cut;
  }
  const std::string head = "0004 0009 00 00 00 00";
  const std::string noPatterns = "0000 0000 0000";
  struct Case {
    const char* label;
    std::string hex;
  } cases[] = {
      {"players word 30000", head + "7530 0000 0000" + Fixed("Tal") + "0000 00 00 00 01 00 00 00 00 0000"},
      {"negative players word", head + "FFFF 0000 0000 00 00 00"},
      {"negative tournament count", head + "0000 FFFE 0000 00 00 00"},
      {"text count 600", head + noPatterns + "00 00 00 00 00 00 00 01 000F 000000000000000000000000000000"
                                              "0000 0258 0001 41 0001 42 0004 00000000 0000"},
      {"counted text of 600 cut short", head + "0000 0001 0000 0258 4142"},
      {"negative int32 count", head + noPatterns + "00 00 00 00 00 00 00 01 0000 FFFF"},
      {"final block past the end", head + noPatterns + "00 00 00 00 00 00 00 01 0000 0000 0000 0010 01020304"},
      {"negative tail", head + noPatterns + "00 00 00 00 00 00 00 00 FFF0"},
  };
  for (const Case& c : cases) {
    SearchMask m = FixedMask();
    EXPECT_EQ(Read(m, Hex(c.hex), true), SearchMask::kDamaged) << c.label;
    EXPECT_TRUE(m == SearchMask()) << c.label;
  }
  // A counted text above 499 is passed over whole: what follows is read in its place.
  std::string longText = "0258";
  for (int i = 0; i < 600; ++i) longText += "41";
  SearchMask m;
  ASSERT_EQ(Read(m, Hex(head + "0000 0001 0001" + longText + "0000" + Counted("Keene") + "0000 00 00 00 00 00 00 00 00 0000"),
                 true),
            0);
  EXPECT_EQ(m.header.tournamentText, "");
  EXPECT_EQ(m.header.annotatorText, "Keene");
}

TEST_F(SearchMaskStream, ThemeKeySetKeepsTheFullMasks) {
  test::TempDir dir;
  const std::string base = (dir / "themes").string();
  Bytes expected = Hex("0010 0002");
  {
    ThemeMasks set(base, 0x200000);
    std::mt19937 random(7);
    for (int i = 0; i < 2; ++i) {
      auto mask = std::make_shared<SearchMask>(i == 0 ? FixedMask() : RandomMask(random, false));
      ThemeMaskEntry entry;
      entry.mother = static_cast<int16_t>(i - 1);
      entry.values[0] = static_cast<uint16_t>(i + 1);
      entry.value = 0x01020304;
      const Bytes entryHead = Hex(i == 0 ? "FFFF 0001 0000 0000 01020304" : "0000 0002 0000 0000 01020304");
      expected.insert(expected.end(), entryHead.begin(), entryHead.end());
      const Bytes maskBytes = Write(*mask, false);
      expected.insert(expected.end(), maskBytes.begin(), maskBytes.end());
      entry.mask = mask;
      set.Entries().push_back(entry);
    }
    ASSERT_EQ(set.Write(), 0);
    std::ifstream in(set.Path(), std::ios::binary);
    const Bytes stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(stored, expected);
    // And the stored masks read back from their place in the file.
    TQMemStream stream(stored.data(), stored.size());
    uint8_t skip[16];
    stream.ReadBytes(skip, 4 + 12);
    SearchMask first;
    ASSERT_EQ(first.Read(stream, SearchMask::kStreamVersion, false), 0);
    EXPECT_TRUE(first == FixedMask());
  }
}

}  // namespace
}  // namespace zh
