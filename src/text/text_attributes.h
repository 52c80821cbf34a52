// The attribute layer of a formatted text: for every character the index of its
// format in the text's format table and a style number that can make it show in one of
// three standard formats instead; the default format; and the stored form of it all.
#pragma once

#include <array>
#include <cstdint>

#include "text/char_format.h"
#include "text/dyn_array.h"
#include "text/format_table.h"

namespace zh {

class CBuffer;
class CTextAttributes;

// One format-table index per character.
class CAttributeContainer : public DynArrayUSHORT {
 public:
  using DynArrayUSHORT::DynArrayUSHORT;
};

// The attribute part of a text cursor: the formats and styles of the characters on
// both sides of its position.
class CAttributeCursor {
 public:
  CAttributeCursor(const CTextAttributes& layer, uint32_t position = 0, uint32_t selection = 0);

  // Refuses a place beyond the characters; always clears the selection.
  bool SetPosition(uint32_t p);
  bool Move(int32_t d);
  bool SetSelection(uint32_t p, uint32_t length);
  void Refresh();

  uint32_t Position() const { return position_; }
  uint32_t Selection() const { return selection_; }

  // The format typed text gets, and the format of the character at the position.
  CCharFormat formatBefore;
  CCharFormat formatAfter;
  uint16_t styleBefore = 0;
  uint16_t styleAfter = 0;

 private:
  const CTextAttributes* layer_;
  uint32_t position_ = 0;
  uint32_t selection_ = 0;
};

class CTextAttributes {
 public:
  static constexpr uint32_t kDefaultCapacity = 128;
  static constexpr uint32_t kDefaultMaximum = 65520;
  // The stored end of the runs; a run is therefore at most one character shorter.
  static constexpr uint16_t kEndOfRuns = 0xFFFF;
  static constexpr uint32_t kMaxRun = 0xFFFE;
  // The version a text is written with; below it the standard formats are absent.
  static constexpr int kCurrentVersion = 200;

  explicit CTextAttributes(int32_t tableSlots = CFormatTable::kGrowth, uint32_t capacity = kDefaultCapacity,
                           uint32_t maximum = kDefaultMaximum);

  uint32_t Count() const { return indices_.Count(); }
  const CFormatTable& Table() const { return table_; }
  const CCharFormat& DefaultFormat() const { return default_; }
  // Standard format 1, 2 or 3.
  const CCharFormat& Standard(int k) const { return standard_[static_cast<size_t>(k - 1)]; }
  void SetStandard(int k, const CCharFormat& format) { standard_[static_cast<size_t>(k - 1)] = format; }
  uint16_t FormatIndex(uint32_t i) const { return indices_[i]; }
  uint16_t Style(uint32_t i) const { return styles_[i]; }

  // The format character i shows in: its own with `own` or style 0, else the
  // standard format of its style (any style but 2 and 3 acts as 1).
  const CCharFormat& FormatAt(uint32_t i, bool own) const;
  // As FormatAt, with i equal to the count meaning the last character.
  const CCharFormat& FormatAtClamped(uint32_t i, bool own) const;

  // n > 0 opens n characters at the cursor with its format after (takeAfter) or before;
  // n < 0 removes -n characters there. False, unchanged, when the arrays cannot grow.
  bool Insert(const CAttributeCursor& cursor, int32_t n, bool takeAfter);
  // Merges the format into every selected character, or into the cursor's formats
  // when nothing is selected.
  void ApplyFormat(const CCharFormat& format, CAttributeCursor& cursor);
  // Gives the style to the selected characters, or to the cursor's typed text.
  void SetStyle(uint16_t style, CAttributeCursor& cursor);
  // Consecutive characters from i with the same format index and style, at most limit.
  uint32_t RunLength(uint32_t i, uint32_t limit) const;
  // Gives the characters from `position` the own formats and styles of the source
  // range (pasted text whose attributes are already in place).
  void CopyFrom(const CTextAttributes& source, uint32_t start, uint32_t length, uint32_t position);
  FontDescription FontAtCursor(const CAttributeCursor& cursor) const;

  void Write(CBuffer& buffer) const;
  uint32_t StoreSize() const;
  // Inserts the attributes of `characters` characters at the cursor from the stored
  // form. Runs are clamped to those characters; characters the runs leave out get the
  // default format and style 0. On damaged bytes every one of the characters gets the
  // default format and style 0, the standard formats stay, and the answer is false.
  bool Read(CBuffer& buffer, const CAttributeCursor& cursor, int version, uint32_t characters);

 private:
  // Opens n entries at the position with one format index and style; the references
  // are the caller's.
  bool OpenEntries(uint32_t position, uint32_t n, uint16_t index, uint16_t style);
  void Fill(uint32_t position, uint32_t n, uint16_t index, uint16_t style);
  uint16_t InternOrDefault(const CCharFormat& format);
  bool ReadStored(CBuffer& buffer, const CAttributeCursor& cursor, int version, uint32_t at,
                  uint32_t characters);

  DynArrayUSHORT styles_;
  CFormatTable table_;
  CCharFormat default_;
  std::array<CCharFormat, 3> standard_;
  CAttributeContainer indices_;
};

}  // namespace zh
