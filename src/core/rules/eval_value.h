// An engine evaluation: centipawns from white's view, a mate distance, a plain number
// or none; with its texts, assessment symbol, one comparable score and a packed form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/rules/display_text.h"

namespace zh {

enum EvalKind : int32_t { kEvalNone = -1, kEvalCentipawns = 0, kEvalMate = 1, kEvalNumber = 2 };

// Mate in n counts 20000 - n in the comparable score.
inline constexpr int kMateScore = 20000;

struct EvalValue {
  int32_t kind = kEvalCentipawns;
  int16_t value = 0;
  int16_t extra = 0;  // carried along, not interpreted

  std::string ToText() const;
  DisplayText ToSymbolText() const;
  // Annotation symbol index of the assessment; 0 unless centipawns.
  int GetSymbolCode() const;
  // 1..3 white better (decreasing), 4 equal, 8..6 black better; 0 unless centipawns.
  int GetAssessmentLevel() const;
  int16_t GetComparable() const;
  int16_t GetComparableFor(bool otherSide) const;
  void Negate(bool flag);
  // Whether the change to `other` is relevant: it exceeds the margin and 40 percent.
  bool CompareTo(const EvalValue& other, int margin) const;
  // 0 bad, 1 balanced (also for none), 2 good.
  int GetOutlook() const;

  // Six raw bytes: value, low 16 bits of the kind, extra; each low byte first.
  std::string Pack() const;
  // False (value unchanged) when fewer than six bytes are given.
  bool Unpack(std::string_view bytes);

  bool operator==(const EvalValue&) const = default;

 private:
  // -3..3 from black clearly better to white clearly better.
  int Band() const;
};

}  // namespace zh
