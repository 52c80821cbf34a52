#include "core/rules/square_marks.h"

#include <algorithm>
#include <cstring>

namespace zh {

SquareMark SquareMark::FromText(const std::string& text, size_t at) {
  if (text.size() < 2 || at > text.size() - 2) return {};
  return {static_cast<uint8_t>(text[at] - 1), static_cast<uint8_t>(text[at + 1] - 1)};
}

std::string SquareMark::ToText() const {
  return {static_cast<char>(value + 1), static_cast<char>(square + 1)};
}

void SquareMarkList::SetText(const std::string& text) {
  text_ = text.substr(0, text.size() & ~size_t{1});
  count_ = static_cast<uint16_t>(std::min<size_t>(text_.size() / 2, UINT16_MAX));
  text_.resize(size_t{count_} * 2);
}

SquareMark SquareMarkList::MarkAt(int i) const {
  if (i < 0 || i >= count_) return {};
  return SquareMark::FromText(text_, static_cast<size_t>(i) * 2);
}

void SquareMarkList::SetMark(SquareMark mark) {
  RemoveOnSquare(mark);
  if (count_ == UINT16_MAX) return;
  text_ += mark.ToText();
  ++count_;
}

void SquareMarkList::RemoveAt(int i) {
  if (i < 0 || i >= count_) return;
  text_.erase(static_cast<size_t>(i) * 2, 2);
  --count_;
}

void SquareMarkList::RemoveOnSquare(SquareMark mark) {
  for (int i = 0; i < count_; ++i) {
    if (MarkAt(i).square == mark.square) {
      RemoveAt(i);
      return;
    }
  }
}

void SquareValueMap::Clear() {
  std::memset(values_, 0, sizeof values_);
  flags[0] = flags[1] = 1;
}

void SquareValueMap::SetValue(int square, int32_t value) {
  if (square >= 0 && square < 64) values_[square] = value;
}

void SquareValueMap::SetSquareList(const SquareList& list, int32_t value) {
  for (int i = 0; i < list.count; ++i) SetValue(list.squares[i], value);
}

void SquareValueMap::SetSquareSet(SquareSet set, int32_t value) {
  for (int s = 0; s < 64; ++s)
    if (set.Contains(s)) values_[s] = value;
}

void SquareValueMap::SetFromMarks(const SquareMarkList& marks) {
  for (int i = 0; i < marks.Count(); ++i) {
    const SquareMark m = marks.MarkAt(i);
    SetValue(m.square, m.value);
  }
}

void SquareValueMap::LoadValues(const int32_t source[64]) {
  std::memcpy(values_, source, sizeof values_);
}

void SquareValueMap::StoreBytes(uint8_t target[64]) const {
  for (int s = 0; s < 64; ++s) target[s] = static_cast<uint8_t>(values_[s] & 0xFF);
}

bool SquareValueMap::Differs(const SquareValueMap& other) const {
  return std::memcmp(values_, other.values_, sizeof values_) != 0;
}

bool SquareValueMap::IsAllZero(int8_t& cache) const {
  if (cache < 0) {
    cache = 1;
    for (int32_t v : values_)
      if (v != 0) cache = 0;
  }
  return cache == 1;
}

}  // namespace zh
