#include "board/board_marks.h"

#include <algorithm>
#include <string>

namespace zh {

void BoardMarks::Clear() {
  squares.Clear();
  arrows.Clear();
}

bool BoardMarks::Differs(const BoardMarks& other) const {
  return squares.Differs(other.squares) || arrows.Count() != other.arrows.Count() ||
         arrows.Text() != other.arrows.Text();
}

size_t BoardMarks::Pack(std::span<uint8_t> buffer) const {
  if (buffer.size() < kHeaderSize) return 0;
  const size_t room = (buffer.size() - kHeaderSize) / kArrowSize;
  const int count = static_cast<int>(std::min<size_t>(std::max(arrows.Count(), 0), room));
  squares.StoreBytes(buffer.data());
  buffer[kCodesSize] = static_cast<uint8_t>(count & 0xFF);
  buffer[kCodesSize + 1] = static_cast<uint8_t>(count >> 8);
  uint8_t* out = buffer.data() + kHeaderSize;
  for (int i = 0; i < count; ++i) {
    const Mark arrow = arrows.GetMark(i);
    *out++ = arrow.colour;
    *out++ = arrow.from;
    *out++ = arrow.to;
  }
  return kHeaderSize + kArrowSize * static_cast<size_t>(count);
}

size_t BoardMarks::Unpack(std::span<const uint8_t> bytes) {
  if (bytes.size() < kHeaderSize) return 0;
  const auto count = static_cast<int16_t>(bytes[kCodesSize] | bytes[kCodesSize + 1] << 8);
  if (count < 0) return 0;
  const size_t length = kHeaderSize + kArrowSize * static_cast<size_t>(count);
  if (length > bytes.size()) return 0;

  int32_t codes[64];
  for (size_t s = 0; s < kCodesSize; ++s) codes[s] = bytes[s];
  std::string text;
  text.reserve(kArrowSize * static_cast<size_t>(count));
  for (size_t at = kHeaderSize; at < length; at += kArrowSize)
    text += Mark{bytes[at], bytes[at + 1], bytes[at + 2]}.ToText();
  squares.LoadValues(codes);
  arrows = MarkList(text);
  return length;
}

void BoardMarks::ToggleSquareColor(int square, int32_t colour) {
  if (square < 0 || square >= 64) return;
  squares.SetValue(square, squares.ValueAt(square) == colour ? 0 : colour);
}

void BoardMarks::ToggleArrow(const Mark& arrow) {
  for (int i = 0; i < arrows.Count(); ++i) {
    const Mark old = arrows.GetMark(i);
    if (old.from != arrow.from || old.to != arrow.to) continue;
    arrows.RemoveAt(i);
    if (old.colour != arrow.colour) arrows.AddMark(arrow);
    return;
  }
  arrows.AddMark(arrow);
}

}  // namespace zh
