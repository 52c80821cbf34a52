#include "core/rules/eval_value.h"

#include <cstdlib>

namespace zh {

namespace {

constexpr int kClear = 140, kBetter = 70, kSlight = 25;

}  // namespace

int EvalValue::Band() const {
  const int v = value;
  if (v > kClear) return 3;
  if (v > kBetter) return 2;
  if (v > kSlight) return 1;
  if (v < -kClear) return -3;
  if (v < -kBetter) return -2;
  if (v < -kSlight) return -1;
  return 0;
}

std::string EvalValue::ToText() const {
  const int v = value;
  const int a = std::abs(v);
  switch (kind) {
    case kEvalMate:
      return (v < 0 ? "-#" : "#") + std::to_string(a);
    case kEvalNumber:
      return std::to_string(v);
    case kEvalCentipawns:
      return (v < 0 ? "-" : "") + std::to_string(a / 100) + "." + (a % 100 < 10 ? "0" : "") +
             std::to_string(a % 100);
    default:
      return "??";
  }
}

DisplayText EvalValue::ToSymbolText() const {
  switch (kind) {
    case kEvalMate:
      return DisplayText(value > 0 ? "+-" : value < 0 ? "-+" : "#");
    case kEvalNumber:
      return DisplayText();
    case kEvalCentipawns: {
      static constexpr std::string_view kTexts[7] = {"-+", "\xB5", "\xB3", "=",
                                                     "\xB2", "\xB1", "+-"};
      return DisplayText(kTexts[Band() + 3]);
    }
    default:
      return DisplayText("??");
  }
}

int EvalValue::GetSymbolCode() const {
  static constexpr int kCodes[7] = {19, 17, 15, 11, 14, 16, 18};
  return kind == kEvalCentipawns ? kCodes[Band() + 3] : 0;
}

int EvalValue::GetAssessmentLevel() const {
  static constexpr int kLevels[7] = {8, 7, 6, 4, 3, 2, 1};
  return kind == kEvalCentipawns ? kLevels[Band() + 3] : 0;
}

int16_t EvalValue::GetComparable() const {
  switch (kind) {
    case kEvalCentipawns:
      return value;
    case kEvalMate:
      return static_cast<int16_t>(value > 0 ? kMateScore - value : -(kMateScore + value));
    default:
      return 32767;
  }
}

int16_t EvalValue::GetComparableFor(bool otherSide) const {
  const int c = GetComparable();
  return static_cast<int16_t>(otherSide ? -c : c);
}

void EvalValue::Negate(bool flag) {
  if (flag && kind != kEvalNone) value = static_cast<int16_t>(-value);
}

bool EvalValue::CompareTo(const EvalValue& other, int margin) const {
  const int b = GetComparable(), c = other.GetComparable();
  const int d = std::abs(b - c);
  return d > margin && d > 0.4 * std::abs(b);
}

int EvalValue::GetOutlook() const {
  if (kind == kEvalNone) return 1;
  const int c = GetComparable();
  return c < -80 ? 0 : c > 80 ? 2 : 1;
}

std::string EvalValue::Pack() const {
  const uint16_t words[3] = {static_cast<uint16_t>(value), static_cast<uint16_t>(kind),
                             static_cast<uint16_t>(extra)};
  std::string bytes(6, '\0');
  for (int i = 0; i < 3; ++i) {
    bytes[2 * i] = static_cast<char>(words[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(words[i] >> 8);
  }
  return bytes;
}

bool EvalValue::Unpack(std::string_view bytes) {
  if (bytes.size() < 6) return false;
  auto word = [&](int i) {
    return static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
  };
  value = word(0);
  kind = word(1);
  extra = word(2);
  return true;
}

}  // namespace zh
