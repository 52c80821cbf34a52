// Annotation symbols: the 165-entry symbol table (texts in the display character set),
// the game result with its evaluation for unfinished lines, and the three move symbols
// annotators attach to a move.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/rules/display_text.h"

namespace zh {

inline constexpr int kSymbolCount = 165;

// Text of symbol index i; empty for 0, for empty entries and outside the table.
DisplayText SymbolText(int index);
std::string_view SymbolBytes(int index);

// Symbol index by evaluation code 0..15.
inline constexpr std::array<uint8_t, 16> kEvalCodeSymbols = {0,  18, 16,  14,  11, 13,  15, 17,
                                                             19, 146, 44, 132, 36, 40, 138, 8};

enum ResultCode : uint8_t { kBlackWon = 0, kDraw = 1, kWhiteWon = 2, kNoResult = 3 };

struct GameResult {
  uint8_t result = kNoResult;
  uint8_t evaluation = 0;  // symbol index, meaningful with kNoResult
  uint8_t extra = 0;       // bits 2-7 of the header's result byte

  DisplayText ToText() const;
  DisplayText ShortText() const;
  // Results 0..2 as they are; for an open result the 6-bit code result | code << 2.
  int EvalCode() const;
  static GameResult FromCode(int code);
  bool operator==(const GameResult&) const = default;
};

struct MoveSymbols {
  uint8_t move = 0;      // 1..9 or 22
  uint8_t position = 0;  // any other index but 140..145
  uint8_t prefix = 0;    // 140..145
  uint8_t spare = 0;

  static MoveSymbols FromText(const DisplayText& text);
  DisplayText MoveSymbolText() const { return SymbolText(move); }
  DisplayText PositionSymbolText() const { return SymbolText(position); }
  DisplayText PrefixSymbolText() const { return SymbolText(prefix); }
  // Prefix, position and move text, each when set.
  DisplayText Text() const;

  void SetMoveSymbol(int v) { move = Clamp(v); }
  void SetPositionSymbol(int v) { position = Clamp(v); }
  void SetPrefixSymbol(int v) { prefix = Clamp(v); }
  // The same judgement seen from the other side.
  void MirrorPositionSymbol();

  // 4-bit codes of the old game format.
  int MoveSymbolCode() const;
  int PositionSymbolCode() const;
  int PrefixSymbolCode() const;
  void SetFromMoveSymbolCode(int code);
  void SetFromPositionSymbolCode(int code);
  void SetFromPrefixSymbolCode(int code);
  // Whether a symbol value has a code of its own that reads back as itself.
  static bool IsCodableMove(int v);
  static bool IsCodablePosition(int v);
  static bool IsCodablePrefix(int v);

  uint32_t Pack() const { return move | position << 8 | prefix << 16 | uint32_t{spare} << 24; }
  static MoveSymbols Unpack(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
  }
  bool operator==(const MoveSymbols&) const = default;

 private:
  static uint8_t Clamp(int v) { return v < 0 || v >= kSymbolCount ? 0 : static_cast<uint8_t>(v); }
};

}  // namespace zh
