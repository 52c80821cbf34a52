#include "core/rules/symbols.h"

namespace zh {

namespace {

// Bytes >= 0x80 are glyphs of the chess symbol font.
constexpr std::string_view kSymbols[kSymbolCount] = {
    "", "!", "?", "!!", "??", "!?", "?!", "!", "\x99", "", "=", "=", "=", "\xF7", "\xB2", "\xB3",
    "\xB1", "\xB5", "+-", "-+", "+-", "-+", "\x87", "\x87", "\x86", "\x86", "\x86", "\x86",
    "\x86", "\x86", "\x89", "\x89", "\x89", "\x89", "\x89", "\x89", "\x83", "\x83", "\x83",
    "\x83", "\x82", "\x82", "\xBA\xA9", "\xBA\xA9", "\xA9", "\xA9", "\xA9", "\xA9", "\x94",
    "\x94", "\x94", "\x94", "\x94", "\x94", "\xBB", "\xBB", "\xBB", "\xBB", "\xBB", "\xBB",
    "\xAB", "\xAB", "\xAB", "\xAB", "\xAB", "\xAB", "\xD7\x91" "1", "\xD7\x91" "8", "", "",
    "\xD7\xA2", "\xD7\xA2", "", "", "\xD7\xA2", "\xD7\xA2", "", "", "\xD7\xA7", "\xD7\xA7",
    "\xD7\xA7", "\xD7\xA7", "", "", "", "", "\xD7\xA4", "\xD7\xA4", "", "", "\xD7\xA5",
    "\xD7\xA5", "", "", "\xD7\xA6", "\xD7\xA6", "", "", "\xD7\xA3", "\xD7\xA3", "", "", "", "",
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "\xD7\xAC",
    "\xD7\xAC", "\xD7\xAC", "\xD7\xAC", "", "", "", "", "\x84", "\x84", "\x84", "\x84", "\x84",
    "\x84", "\x93", "\x93", "\x93", "\x93", "\x85", "\x81", "\xB9", "\x8B", "=", "RR", "N",
    "\xD7", "\xAC", "\x91", "\x92", "\xAD", "\xAD", "\xAE", "\xAF", "\x95\x95", "\x95\x95",
    "\x95..\x95", "\x95..\x95", "\xDE", "\xDE", "\xFE", "\xFE", ">", ">",
};

constexpr std::array<uint8_t, 16> kMoveCodeSymbols = {0, 1, 2, 5, 6, 3, 4, 0,
                                                      22, 32, 0, 0, 0, 0, 0, 0};
constexpr std::array<uint8_t, 16> kPrefixCodeSymbols = {0, 145, 142, 140, 144, 142, 143, 0,
                                                        0, 0,   0,   0,   0,   0,   0,   0};
constexpr int kPositionSymbolForMoveCode9 = 32;
constexpr int kMoveSymbolForPositionCode15 = 8;

// First code 1..limit whose table entry is v; 0 when none.
int CodeOf(const std::array<uint8_t, 16>& table, int v, int limit) {
  if (v == 0) return 0;
  for (int c = 1; c <= limit; ++c)
    if (table[c] == v) return c;
  return 0;
}

bool IsMoveSymbol(int v) {
  return (v >= 1 && v <= 9) || v == 22;
}
bool IsPrefixSymbol(int v) {
  return v >= 140 && v <= 145;
}

}  // namespace

std::string_view SymbolBytes(int index) {
  return index >= 0 && index < kSymbolCount ? kSymbols[index] : std::string_view();
}

DisplayText SymbolText(int index) {
  return DisplayText(SymbolBytes(index));
}

DisplayText GameResult::ToText() const {
  switch (result) {
    case kBlackWon:
      return DisplayText("0-1");
    case kDraw:
      return DisplayText("\xBD-\xBD");
    case kWhiteWon:
      return DisplayText("1-0");
    default:
      if (evaluation > 0 && evaluation < kSymbolCount) return SymbolText(evaluation);
      return DisplayText("Line");
  }
}

DisplayText GameResult::ShortText() const {
  if (result != kNoResult) return ToText();
  static constexpr std::string_view kShort[14] = {"",     "+-",   "\xB1", "\xB2", "=",
                                                  "\xF7", "\xB3", "\xB5", "-+",   "N",
                                                  "\xB0", "\x84", "\x83", "\x82"};
  const int code = CodeOf(kEvalCodeSymbols, evaluation, 14);
  return DisplayText(code >= 1 && code <= 13 ? kShort[code] : "Line");
}

int GameResult::EvalCode() const {
  if (result != kNoResult) return result;
  return result | CodeOf(kEvalCodeSymbols, evaluation, 15) << 2;
}

GameResult GameResult::FromCode(int code) {
  return {static_cast<uint8_t>(code & 3), kEvalCodeSymbols[(code >> 2) & 15], 0};
}

MoveSymbols MoveSymbols::FromText(const DisplayText& text) {
  MoveSymbols s;
  if (text.empty()) return s;
  for (int i = 1; i < kSymbolCount; ++i) {
    if (kSymbols[i] != text.Bytes()) continue;
    if (IsMoveSymbol(i))
      s.move = static_cast<uint8_t>(i);
    else if (IsPrefixSymbol(i))
      s.prefix = static_cast<uint8_t>(i);
    else
      s.position = static_cast<uint8_t>(i);
    break;
  }
  return s;
}

DisplayText MoveSymbols::Text() const {
  DisplayText t = PrefixSymbolText();
  t += PositionSymbolText();
  t += MoveSymbolText();
  return t;
}

void MoveSymbols::MirrorPositionSymbol() {
  if (position >= 14 && position <= 19) position = static_cast<uint8_t>(position ^ 1);
}

int MoveSymbols::MoveSymbolCode() const {
  if (const int c = CodeOf(kMoveCodeSymbols, move, 8)) return c;
  return position == kPositionSymbolForMoveCode9 ? 9 : 0;
}

int MoveSymbols::PositionSymbolCode() const {
  if (const int c = CodeOf(kEvalCodeSymbols, position, 14)) return c;
  if (position == 10) return 4;
  return move == kMoveSymbolForPositionCode15 ? 15 : 0;
}

int MoveSymbols::PrefixSymbolCode() const {
  return CodeOf(kPrefixCodeSymbols, prefix, 15);
}

void MoveSymbols::SetFromMoveSymbolCode(int code) {
  code &= 15;
  if (code == 9)
    position = kPositionSymbolForMoveCode9;
  else if (kMoveCodeSymbols[code])
    move = kMoveCodeSymbols[code];
}

void MoveSymbols::SetFromPositionSymbolCode(int code) {
  code &= 15;
  if (code == 15)
    move = kMoveSymbolForPositionCode15;
  else if (kEvalCodeSymbols[code])
    position = kEvalCodeSymbols[code];
}

void MoveSymbols::SetFromPrefixSymbolCode(int code) {
  if (kPrefixCodeSymbols[code & 15]) prefix = kPrefixCodeSymbols[code & 15];
}

bool MoveSymbols::IsCodableMove(int v) {
  return CodeOf(kMoveCodeSymbols, v, 8) != 0;
}
bool MoveSymbols::IsCodablePosition(int v) {
  return CodeOf(kEvalCodeSymbols, v, 14) != 0 || v == kPositionSymbolForMoveCode9;
}
bool MoveSymbols::IsCodablePrefix(int v) {
  return CodeOf(kPrefixCodeSymbols, v, 15) != 0;
}

}  // namespace zh
