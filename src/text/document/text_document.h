// A formatted text in memory: its characters, one format and style per character, the
// links anchored in it and, for a live document, its text broken into display lines.
// Edits mark the lines they touch; Relayout breaks the marked lines again and the ones
// they push, and reports the old and new rectangles of every line that changed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/char_format.h"
#include "text/document/text_measurer.h"
#include "text/links/link_list.h"
#include "text/text_attributes.h"
#include "text/text_container.h"

namespace zh {

class CBuffer;
class CTextDocument;
class LinkContext;

// One display line. Its rectangle runs from (x, y) to (x + width, y + ascent + descent).
struct CTextLine {
  int16_t x = 0;
  int16_t y = 0;
  int16_t descent = 0;
  int16_t ascent = 0;
  int16_t width = 0;
  uint32_t count = 0;  // characters, its paragraph break included
  uint8_t paragraphEnd = 0;
  uint8_t dirty = 1;
  uint8_t beyondLimit = 0;
  // Set by an edit, as opposed to a line only looked at again because the one after it
  // changed; such a line is repainted only when it moved or changed.
  uint8_t edited = 1;

  int32_t Height() const { return ascent + descent; }
  int32_t Bottom() const { return y + Height(); }
  TextRect Rect() const { return {x, y, x + width, Bottom()}; }
};

// A place or a selection in a document: the position is the selection's start, the
// anchor its fixed end.
class CTextCursor {
 public:
  CTextCursor(const CTextDocument& document, uint32_t position = 0, uint32_t selection = 0);

  bool Move(int32_t d);
  bool SetPosition(uint32_t p);
  bool SetSelection(uint32_t start, uint32_t length, bool anchorAtStart);
  // Sets the parts again after the text or its formats changed.
  void Refresh();

  uint32_t Position() const { return position_.Position(); }
  uint32_t Selection() const { return static_cast<uint32_t>(position_.Extra()); }
  uint32_t Anchor() const { return anchor_; }
  CAttributeCursor& Attributes() { return attributes_; }
  const CAttributeCursor& Attributes() const { return attributes_; }

 private:
  const CTextDocument* document_;
  CTextPosition position_;
  CAttributeCursor attributes_;
  uint32_t anchor_ = 0;
};

// What the window draws, in order.
struct PaintRun {
  enum Kind { kText, kLinkText, kBitmap, kLine };
  Kind kind = kText;
  FontDescription font;
  int32_t x = 0;
  int32_t baseline = 0;
  std::string bytes;  // the characters, or a text link's text
  const AHyperLink* link = nullptr;
  int underline = 0;  // 4 for a followed link, 2 otherwise
  int colour = 0;     // named colour: 2 for a pinned note, 1 for the other links
  // A drawn line: from left to right at y, `thickness` pixels.
  int32_t left = 0;
  int32_t right = 0;
  int32_t y = 0;
  int32_t thickness = 0;
  uint16_t red = 0, green = 0, blue = 0;
};

class CTextDocument {
 public:
  // A text is at most this many characters long.
  static constexpr uint32_t kMaxLength = CTextContainer::kDefaultMaximum - 1;
  // Version of the stored link data and format info.
  static constexpr uint16_t kVersion = 200;
  // A line whose bottom reaches this is beyond the layout limit.
  static constexpr int32_t kLayoutLimit = 32513;
  static constexpr int32_t kTabGrid = 50;

  // An empty snapshot document (no lines, no measuring).
  explicit CTextDocument(uint32_t capacity = CTextContainer::kDefaultCapacity);
  // A snapshot of plain text in the default format.
  explicit CTextDocument(std::string_view text);
  // A copy of the characters, attributes and link data of another document.
  CTextDocument(const CTextDocument& other);
  CTextDocument& operator=(const CTextDocument&) = delete;
  // A live document laid out within the width and height, measured by the measurer and
  // reporting changed areas to the view (neither owned; the view may be null).
  CTextDocument(TextMeasurer* measurer, LayoutView* view, int16_t width, int16_t height = 32767);
  ~CTextDocument();

  const CTextContainer& Text() const { return chars_; }
  uint32_t Length() const { return chars_.Length(); }
  std::string GetText() const { return chars_.GetText(); }
  const CTextAttributes& Attributes() const { return *attributes_; }
  HyperLinkList& Links() { return links_; }
  const HyperLinkList& Links() const { return links_; }
  bool HasLinkData() const { return linkDataFlag_; }
  const std::string& LinkData() const { return linkData_; }
  const std::string& LinkTexts() const { return linkTexts_; }

  // Editing; each answers true on success and changes nothing on failure.
  bool InsertAt(CTextCursor& cursor, const uint8_t* characters, uint32_t n, bool takeAfter, bool shiftLinks);
  bool InsertAt(CTextCursor& cursor, std::string_view text, bool takeAfter = false, bool shiftLinks = true) {
    return InsertAt(cursor, reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()),
                    takeAfter, shiftLinks);
  }
  bool DeleteAt(CTextCursor& cursor, uint32_t n);
  // Anchors a link at an object character inserted at the position.
  bool InsertLink(CTextCursor& cursor, std::unique_ptr<AHyperLink> link);
  // Fills the empty target with a copy of the range (paragraph ends as line feeds) and
  // the link data of the links inside it.
  bool CopyRange(CTextDocument& target, uint32_t start, uint32_t length) const;
  // Inserts a snapshot at the cursor, building its links with the context.
  bool InsertDocument(const CTextDocument& source, CTextCursor& cursor, LinkContext* context);
  // Inserts all characters and attributes of another document at 0, without links.
  bool Prepend(const CTextDocument& source);
  void ApplyFormat(CTextCursor& cursor, const CCharFormat& format);
  void SetStyle(CTextCursor& cursor, uint16_t style);
  bool EndsWithParagraphBreak() const;

  // The stored form of a text item: the characters and the format info (version,
  // link table, attribute layer). False, nothing changed, when the format info would
  // need more than 65,535 bytes.
  bool GetFormattedText(std::string& text, std::string& formatInfo) const;
  bool SetFormattedText(std::string_view text, std::string_view formatInfo, CTextCursor& cursor,
                        LinkContext* context);

  // The document's own stored form: the attribute layer, the characters, the link-data
  // flag and, when set, the link data and link texts. A document with links stores
  // them as link data.
  uint32_t StoredSize() const;
  void Write(CBuffer& buffer) const;
  // Reads into an empty document; the links of the link data are built with the
  // context. False on damaged bytes (the document is then empty).
  bool Load(CBuffer& buffer, LinkContext* context);

  // ---- lines and layout ----
  const std::vector<CTextLine>& Lines() const { return lines_; }
  int16_t LayoutWidth() const { return layoutWidth_; }
  int16_t LayoutHeight() const { return layoutHeight_; }
  void SetLayoutWidth(int16_t width);
  // Breaks the marked lines again.
  void Relayout();
  // The line holding the position and the offset in it; a position on a line boundary
  // belongs to the next line, the end of the text to the last.
  size_t LineAt(uint32_t position, uint32_t* offset = nullptr) const;
  uint32_t LineStart(size_t line) const;
  // The line whose rectangle holds the point, else (outside set) the line whose band
  // holds it; -1 above all lines.
  int LineAtPoint(int32_t x, int32_t y, bool* outside = nullptr) const;
  int32_t Height(bool withEmptyLastLine) const;
  int32_t MaxRight() const;

  // Measuring.
  const FontMetricsInfo& CharWidths(const FontDescription& font);
  int32_t NextTabStop(int32_t x, uint32_t position) const;
  struct ObjectExtent {
    int32_t width = 0;
    int32_t height = 0;
    bool raisesAscent = false;
  };
  ObjectExtent ObjectSize(uint32_t position);
  // Entry 0 the line's x, entry k + 1 the x after its k-th character.
  std::vector<int32_t> XPositions(size_t line);
  // What to draw of the lines that meet the rectangle.
  std::vector<PaintRun> PaintRuns(const TextRect& rect);
  size_t FontCacheSize() const { return fontCache_.size(); }

 private:
  bool FitsMore(uint32_t n) const { return n <= kMaxLength - Length(); }
  const CCharFormat& ShownFormat(uint32_t position) const;
  void MarkRange(uint32_t start, uint32_t length);
  void GrowLines(uint32_t position, int64_t n);
  void InvalidateLine(const CTextLine& line);
  // Lays out line k from its start; answers its character count and sets its metrics.
  uint32_t BreakLine(uint32_t start, CTextLine& line);
  void SetCount(size_t k, uint32_t count, int32_t oldBottom);
  void ResetLines();

  CTextContainer chars_;
  std::unique_ptr<CTextAttributes> attributes_;
  bool linkDataFlag_ = false;
  std::string linkData_;
  std::string linkTexts_;
  HyperLinkList links_;
  std::vector<CTextLine> lines_;
  int16_t layoutWidth_ = 0;
  int16_t layoutHeight_ = 32767;
  TextMeasurer* measurer_ = nullptr;
  LayoutView* view_ = nullptr;
  struct CachedFont {
    FontDescription font;
    FontMetricsInfo metrics;
  };
  std::vector<CachedFont> fontCache_;
};

}  // namespace zh
