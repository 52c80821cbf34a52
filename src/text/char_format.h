// One character format. A field counts only when its presence bit is set, so a format
// can carry a single change (bold alone) to be merged into others. Its stored form is
// tagged: every field says what it is and how long it is, so that unknown fields are
// read past.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zh {

class CBuffer;

enum CharFormatField : uint32_t {
  kFontName = 0x001,
  kBold = 0x002,
  kItalic = 0x004,
  kUnderline = 0x008,
  kSize = 0x010,
  kAlignment = 0x020,
  kIndent = 0x040,
  kColour = 0x080,
  kTabStops = 0x100,
  kCompleteFormat = 0x1FF,
};

enum ParagraphAlignment : int32_t { kAlignLeft = 0, kAlignRight = 1, kAlignCentre = 2 };

// What a window needs to make a font of a format.
struct FontDescription {
  std::string name;
  int16_t width = 0;
  int16_t height = 0;
  bool bold = false;
  uint8_t italic = 0;
  bool underline = false;
  // 0 to 7: the shell's named colour; -1 leaves the colour as it is.
  int32_t colourIndex = -1;
};

class CCharFormat {
 public:
  // Stored field tags.
  enum Tag : uint16_t {
    kNameTag = 0, kBoldTag = 1, kItalicTag = 2, kUnderlineTag = 3, kSizeTag = 4,
    kAlignmentTag = 5, kIndentTag = 6, kColourTag = 7, kTabStopsTag = 256,
  };
  // A name holds at most this many characters.
  static constexpr uint32_t kMaxNameLength = 127;

  // An empty format (flags 0), or a complete one.
  explicit CCharFormat(bool complete = false);
  CCharFormat(std::string_view name, int16_t width, int16_t height, uint8_t bold, uint8_t italic,
              uint8_t underline, int32_t alignment, int16_t indent);
  // Copies the presence mask and the present fields only; the others get the defaults.
  CCharFormat(const CCharFormat& other);
  // Copies every field.
  CCharFormat& operator=(const CCharFormat& other) = default;

  // Takes every field present in the source; absent fields stay.
  void ApplyFrom(const CCharFormat& source);
  // Equal presence masks and equal present fields (bold, italic, underline as truth values).
  bool Equals(const CCharFormat& other) const;
  FontDescription ToFontDescription() const;

  void Write(CBuffer& buffer) const;
  // Reads into an empty format. A field longer than the bytes left fails the buffer.
  void Read(CBuffer& buffer);
  // The bytes Write needs.
  uint32_t StoreSize() const;

  uint32_t flags = 0;
  std::string name;
  int16_t width = 0;
  int16_t height = 22;
  uint8_t bold = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  int32_t alignment = kAlignLeft;
  int16_t indent = 0;
  int32_t colour = 0;
  std::vector<int16_t> tabs;

  // Setters that mark the field present.
  void SetName(std::string_view n);
  void SetSize(int16_t w, int16_t h) { width = w, height = h, flags |= kSize; }
  void SetBold(uint8_t v) { bold = v, flags |= kBold; }
  void SetItalic(uint8_t v) { italic = v, flags |= kItalic; }
  void SetUnderline(uint8_t v) { underline = v, flags |= kUnderline; }
  void SetAlignment(int32_t v) { alignment = v, flags |= kAlignment; }
  void SetIndent(int16_t v) { indent = v, flags |= kIndent; }
  void SetColour(int32_t v) { colour = v, flags |= kColour; }
  void SetTabs(std::vector<int16_t> t) { tabs = std::move(t), flags |= kTabStops; }
};

}  // namespace zh
