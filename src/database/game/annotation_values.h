// Small values kept in annotations: arrows, a GUI colour and a date.
#pragma once

#include <cstdint>
#include <string>

namespace zh {

// One arrow: colour and two squares (a1 = 0, square = file * 8 + rank).
struct Mark {
  uint8_t colour = 0;
  uint8_t from = 0;
  uint8_t to = 0;
  // The three bytes, each + 1.
  std::string ToText() const;
  bool operator==(const Mark&) const = default;
};

// Arrows; the text holds three bytes per mark: colour + 1, square + 1, square + 1.
class MarkList {
 public:
  MarkList() = default;
  // From a stored text, cut to a multiple of three bytes.
  explicit MarkList(const std::string& text);

  int Count() const { return count_; }
  const std::string& Text() const { return text_; }
  // Mark i, zeros beyond the count.
  Mark GetMark(int i) const;
  // Replaces a mark on the same two squares (its colour changes) or appends.
  void AddMark(const Mark& mark);
  void RemoveAt(int i);
  void Clear();
  // A 16-bit big-endian count then three raw bytes per mark; answers the bytes used,
  // 0 when the data is short.
  size_t Read(std::string_view bytes);
  size_t Write(std::string& out) const;

 private:
  int16_t count_ = 0;
  std::string text_;
};

// A GUI colour: high bytes of red (bits 0-7), green (8-15) and blue (16-23).
struct PackedColour {
  uint32_t value = 0;
  // From 16-bit components.
  static PackedColour FromGuiColour(uint16_t red, uint16_t green, uint16_t blue);
};

// Day in bits 0-4, month in bits 5-8, year from bit 9; 0 in a part means unknown.
struct PackedDate {
  uint32_t value = 0;

  int Day() const { return value & 31; }
  int Month() const { return (value >> 5) & 15; }
  int Year() const { return static_cast<int>(value >> 9); }
  static PackedDate Make(int year, int month, int day);
  // From yyyymmdd.
  static PackedDate FromNumber(uint32_t yyyymmdd);
  // Today from the clock service.
  void SetToday();
  // "dd.mm.yyyy", "mm.yyyy", "yyyy" as far as the parts are known; "" without a year.
  std::string Format() const;
  // Moves a complete date by n days through the calendar.
  void AddDays(int n);
};

}  // namespace zh
