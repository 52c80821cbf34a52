// The pawn-structure templates: 19 primary rows "A" to "S", each followed by its
// sub-variants (second letters "A", "B", ... in list order), 105 sub-variants in all.
// A row names exact pawn squares ("d4") or any pawn on a file ("e"), the files that
// must hold no pawn of each colour, and the balance class 0 to 3.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zh {

// A pawn list entry: a square (file * 8 + rank), rank part 0 for any pawn on the file.
inline constexpr uint8_t kNoPawnEntry = 0xFF;
inline constexpr int kSignatureEntries = 8;

// The signature of a position's pawns, also the form of a template row.
struct PawnSignature {
  int16_t flags = 0;  // bit 0 valid, bit 1 colour mirror, bits 4 and 5 the class
  uint8_t white[kSignatureEntries] = {kNoPawnEntry, kNoPawnEntry, kNoPawnEntry, kNoPawnEntry,
                                      kNoPawnEntry, kNoPawnEntry, kNoPawnEntry, kNoPawnEntry};
  uint8_t black[kSignatureEntries] = {kNoPawnEntry, kNoPawnEntry, kNoPawnEntry, kNoPawnEntry,
                                      kNoPawnEntry, kNoPawnEntry, kNoPawnEntry, kNoPawnEntry};
  uint8_t whiteMask = 0;  // bit f: no white pawn on file f
  uint8_t blackMask = 0;

  constexpr int ClassBits() const { return flags & 0x30; }
};

struct PawnTemplate {
  char code[2];  // second letter ' ' on a primary row
  PawnSignature row;

  constexpr bool IsPrimary() const { return code[1] == ' '; }
};

namespace pawn_template_detail {

constexpr uint8_t ParseEntries(std::string_view text, uint8_t* out) {
  int n = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const int file = text[i] - 'a';
    int rank = 0;  // any pawn on the file
    if (i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '8') {
      rank = text[i + 1] - '1';
      ++i;
    }
    out[n++] = static_cast<uint8_t>(file * 8 + rank);
    ++i;
  }
  return static_cast<uint8_t>(n);
}

constexpr uint8_t ParseMask(std::string_view files) {
  uint8_t mask = 0;
  for (char f : files) mask = static_cast<uint8_t>(mask | 1u << (f - 'a'));
  return mask;
}

constexpr PawnTemplate Row(std::string_view code, std::string_view white, std::string_view black,
                           std::string_view noWhite, std::string_view noBlack, int balanceClass) {
  PawnTemplate t{};
  t.code[0] = code[0];
  t.code[1] = code.size() > 1 ? code[1] : ' ';
  t.row.flags = static_cast<int16_t>(1 | balanceClass << 4);
  ParseEntries(white, t.row.white);
  ParseEntries(black, t.row.black);
  t.row.whiteMask = ParseMask(noWhite);
  t.row.blackMask = ParseMask(noBlack);
  return t;
}

}  // namespace pawn_template_detail

inline constexpr int kPrimaryTemplates = 19;
inline constexpr int kSubTemplates = 105;

// In walk order: every primary row followed by its sub-variants.
inline constexpr auto kPawnTemplates = [] {
  using pawn_template_detail::Row;
  return std::array{
    Row("A", "d4", "d5", "", "", 2),
    Row("AA", "d4 e3", "d5 e6", "", "", 1),
    Row("AB", "d4 e3 c4", "d5 e6 c6", "", "", 2),
    Row("AC", "d4 e3", "d5 e6", "c", "c", 1),
    Row("AD", "d4 e3", "d5", "", "e", 1),
    Row("AE", "d4 e3", "d5 c6", "c", "e", 1),
    Row("AF", "d4 e f2", "d5 e6 f5", "", "", 2),
    Row("AG", "d4 e f4", "d5 e f5", "", "", 3),
    Row("AH", "d4 e4", "d5 e6", "", "", 1),
    Row("AI", "d4", "d5", "e", "e", 2),
    Row("AJ", "d4 f", "d5 e6", "e", "f", 0),
    Row("AK", "d4", "d5", "ce", "ce", 0),
    Row("B", "d4", "d6", "", "", 1),
    Row("BA", "d4 e4", "d6 e5", "", "", 1),
    Row("BB", "d4 e4", "d6 e7", "", "", 1),
    Row("BC", "d4 e4", "d6", "", "e", 1),
    Row("BD", "d4 e c4", "d6 e c5", "", "", 1),
    Row("BE", "d4 e f2", "d6 e f5", "", "", 1),
    Row("BF", "d4 f2", "d6 e", "e", "f", 0),
    Row("BG", "d4", "d6", "e", "e", 1),
    Row("C", "d4", "d7", "", "", 1),
    Row("CA", "d4 e4", "d7 e6", "", "", 1),
    Row("D", "d4", "", "", "d", 1),
    Row("DA", "d4 e3", "", "", "d", 1),
    Row("DB", "d4 e3", "e6", "", "d", 1),
    Row("DC", "d4 e3", "e6 c6", "c", "d", 2),
    Row("DD", "d4 e4", "e6", "", "d", 1),
    Row("DE", "d4 e4", "e7", "", "d", 1),
    Row("DF", "d4 e4", "", "", "de", 0),
    Row("DG", "d4 e", "e6 c", "c", "d", 0),
    Row("DH", "d4", "", "e", "d", 1),
    Row("DI", "d4", "e6", "e", "d", 1),
    Row("DJ", "d4 c4", "e6", "e", "cd", 0),
    Row("DK", "d4", "e6", "ce", "d", 0),
    Row("DL", "d4", "", "e", "de", 0),
    Row("DM", "d4", "c", "ce", "de", 0),
    Row("E", "d5", "d6", "", "", 2),
    Row("EA", "d5 e4", "d6 e5", "", "", 2),
    Row("EB", "d5 e4 c4", "d6 e5", "", "", 2),
    Row("EC", "d5 e4 c4", "d6 e5 c5", "", "", 3),
    Row("ED", "d5 e4", "d6 e5", "c", "c", 2),
    Row("EE", "d5 e4 f3", "d6 e5", "c", "c", 2),
    Row("EF", "d5 e4 c3", "d6 e5 c7", "", "", 2),
    Row("EG", "d5 e4 c3", "d6 e5 c5", "", "", 3),
    Row("EH", "d5 e4 c3", "d6 e5 c4", "", "", 3),
    Row("EI", "d5 e4 c3 c4", "d6 e5 c5", "b", "", 3),
    Row("EJ", "d5 e4 c3 c4", "d6 e5 c7", "b", "", 2),
    Row("EK", "d5 e4", "d6 e7", "", "", 2),
    Row("EL", "d5 e4", "d6 e7", "c", "c", 1),
    Row("EM", "d5 e4", "d6", "", "e", 1),
    Row("EN", "d5 e4", "d6 c5", "c", "e", 0),
    Row("EO", "d5 e", "d6 e7", "", "", 2),
    Row("EP", "d5 e", "d6 e7 c5", "c", "", 1),
    Row("EQ", "d5 e", "d6", "", "e", 2),
    Row("ER", "d5", "d6 e7", "e", "", 2),
    Row("ES", "d5 c4", "d6", "e", "e", 1),
    Row("ET", "d5 c4", "d6 c5", "e", "e", 2),
    Row("F", "d5", "", "", "d", 1),
    Row("FA", "d5 e4", "e7", "", "d", 0),
    Row("FB", "d5 e4", "e7", "c", "cd", 0),
    Row("G", "", "", "d", "d", 1),
    Row("GA", "", "e6", "de", "d", 0),
    Row("GB", "", "", "de", "de", 0),
    Row("H", "e4", "e5", "", "", 2),
    Row("HA", "e4 d3", "e5 d6", "", "", 2),
    Row("HB", "e4 d3 c4", "e5 d6 c5", "", "", 3),
    Row("HC", "e4 d3 c4", "e5 d6 c6", "", "", 2),
    Row("HD", "e4 d3", "e5", "", "d", 1),
    Row("HE", "e4", "e5 d6", "d", "", 1),
    Row("HF", "e4 c", "e5 d6", "d", "c", 1),
    Row("HG", "e4", "e5", "d", "d", 2),
    Row("HH", "e4 c3", "e5 c5", "d", "d", 2),
    Row("HI", "e4 c4", "e5 c5", "d", "d", 2),
    Row("HJ", "e4 c4", "e5 c6", "d", "d", 2),
    Row("I", "e4", "e6", "", "", 2),
    Row("IA", "e4 d3", "e6", "", "", 2),
    Row("IB", "e4 d4", "e6 d5", "", "", 2),
    Row("IC", "e4 d4", "e6 d6", "", "", 2),
    Row("ID", "e4", "e6", "d", "", 1),
    Row("IE", "e4", "e6 d6", "d", "", 1),
    Row("IF", "e4 c", "e6 d6", "d", "c", 0),
    Row("IG", "e4", "e6", "d", "d", 1),
    Row("J", "e4", "e7", "", "", 1),
    Row("JA", "e4 d3", "e7 d6", "", "", 2),
    Row("JB", "e4 d3 c2", "e7 d6 c5", "", "", 2),
    Row("JC", "e4", "e7 d6", "d", "", 1),
    Row("JD", "e4 c", "e7 d6", "d", "c", 1),
    Row("JE", "e4 c4", "e7 d6", "d", "c", 1),
    Row("K", "e4", "", "", "e", 1),
    Row("KA", "e4 d3", "d6", "", "e", 1),
    Row("KB", "e4", "", "d", "e", 1),
    Row("KC", "e4", "d6", "d", "e", 1),
    Row("L", "e5", "e6", "", "", 2),
    Row("LA", "e5 d4", "e6 d5", "", "", 3),
    Row("LB", "e5 d4 c3", "e6 d5 c5", "", "", 2),
    Row("LC", "e5 d4 c3", "e6 d5 c4", "", "", 3),
    Row("LD", "e5 d4 c2 c3", "e6 d5 c5", "", "", 2),
    Row("LE", "e5 d4 c2 c3", "e6 d5 c4", "", "", 3),
    Row("LF", "e5 d4", "e6 d5", "c", "c", 2),
    Row("LG", "e5 d4", "e6", "", "d", 1),
    Row("LH", "e5", "e6", "d", "d", 1),
    Row("M", "e5", "e7", "", "", 1),
    Row("MA", "e5 d4", "e7 d6", "", "", 1),
    Row("MB", "e5 d4 f4", "e7 d6", "", "", 1),
    Row("MC", "e5 d4 c4", "e7 d6", "", "", 1),
    Row("MD", "e5", "e7", "d", "d", 1),
    Row("N", "e5", "", "", "e", 1),
    Row("NA", "e5 d4", "d5", "", "e", 1),
    Row("NB", "e5", "d5", "d", "e", 1),
    Row("NC", "e5 c", "d5 c", "d", "e", 1),
    Row("ND", "e5", "", "d", "de", 0),
    Row("NE", "e5 f4", "f7", "d", "de", 0),
    Row("O", "c4", "c5", "", "", 2),
    Row("OA", "c4 d3", "c5 d6", "", "", 2),
    Row("OB", "c4", "c5", "d", "d", 1),
    Row("OC", "c4", "c5", "de", "de", 0),
    Row("P", "c4", "c6", "", "", 1),
    Row("PA", "c4", "c6", "de", "de", 0),
    Row("Q", "c4", "", "", "c", 1),
    Row("QA", "c4", "", "d", "c", 1),
    Row("R", "c5", "c6", "", "", 2),
    Row("RA", "c5 d4 e3", "c6 d5", "", "", 2),
    Row("S", "c5", "", "", "c", 1),
    Row("SA", "c5 d4", "d5", "", "c", 1),
  };
}();
static_assert(kPawnTemplates.size() == kPrimaryTemplates + kSubTemplates);

}  // namespace zh
