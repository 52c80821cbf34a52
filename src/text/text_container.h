// The characters of a formatted text, one byte each, always followed by one zero byte
// that is part of the count; and a place in such a text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/dyn_array.h"

namespace zh {

// Character codes with a meaning of their own in a formatted text.
enum TextCode : uint8_t {
  kObjectMark = 4,   // an embedded link object, one character position
  kLineBreak = 5,    // ends a line inside a paragraph
  kTab = 9,
  kLineFeed = 10,    // copied pieces hold it in place of the paragraph end
  kParagraphEnd = 13,
};

// Line-break conversions of a range copy.
enum LineBreakConversion : int {
  kCopyAsIs = 0,
  kParagraphsToLineFeeds = 1,  // every 13 becomes 10
  kLineFeedsToParagraphs = 2,  // every 10 becomes 13, but a 10 after a 13 becomes a blank
};

// What a range copy inserts into: characters without attributes.
class PlainTextTarget {
 public:
  virtual ~PlainTextTarget() = default;
  virtual bool InsertPlain(uint32_t position, const uint8_t* bytes, uint32_t length) = 0;
};

class CTextContainer;

class CTextPosition {
 public:
  CTextPosition() = default;
  CTextPosition(const CTextContainer* container, uint32_t position, int32_t extra = 0)
      : container_(container), position_(position), extra_(extra) {}

  void Set(const CTextContainer* container, uint32_t position, int32_t extra) {
    container_ = container;
    position_ = position;
    extra_ = extra;
  }
  // Refuses a place beyond the text and keeps the old one.
  bool SetPosition(uint32_t p);
  bool SetPosition(uint32_t p, int32_t extra);
  bool Move(int32_t offset);

  const CTextContainer* Container() const { return container_; }
  uint32_t Position() const { return position_; }
  // A length when the position stands for a range, a column otherwise.
  int32_t Extra() const { return extra_; }

 private:
  const CTextContainer* container_ = nullptr;
  uint32_t position_ = 0;
  int32_t extra_ = 0;
};

class CTextContainer : public DynArrayUCHAR, public PlainTextTarget {
 public:
  static constexpr uint32_t kDefaultCapacity = 128;
  static constexpr uint32_t kDefaultMaximum = 65520;

  explicit CTextContainer(uint32_t capacity = kDefaultCapacity, uint32_t maximum = kDefaultMaximum);

  // Characters before the terminating zero.
  uint32_t Length() const { return Count() - 1; }
  const uint8_t* Bytes() const { return Data(); }

  bool InsertText(uint32_t position, const uint8_t* bytes, uint32_t length);
  bool InsertText(const CTextPosition& at, const uint8_t* bytes, uint32_t length) {
    return InsertText(at.Position(), bytes, length);
  }
  bool InsertText(uint32_t position, std::string_view text) {
    return InsertText(position, reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
  }
  bool InsertPlain(uint32_t position, const uint8_t* bytes, uint32_t length) override {
    return InsertText(position, bytes, length);
  }
  void DeleteText(const CTextPosition& at, uint32_t n);
  std::string GetText() const;

  // Copies the range into the target at its position, converting line breaks.
  bool CopyRangeTo(PlainTextTarget& target, uint32_t targetPosition, uint32_t start, uint32_t length,
                   int conversion) const;

  // What begins at the position, for the line layout: an object mark gives run 1, width
  // -1 and no pointer; a tab run 1, width 0; otherwise the plain characters up to the
  // next tab or object mark, at most `count`, with the run in both outputs.
  const uint8_t* NextRun(uint32_t position, int32_t& count, int32_t& width) const;

  // The first character of the word before the position (backward), or the last
  // character of the word after it (forward).
  uint32_t FindWordBoundary(uint32_t position, bool backward) const;
};

}  // namespace zh
