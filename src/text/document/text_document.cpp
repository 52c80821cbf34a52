#include "text/document/text_document.h"

#include <algorithm>

#include "text/buffer.h"
#include "text/links/link_factory.h"
#include "text/links/plain_links.h"
#include "text/text_format_info.h"

namespace zh {

namespace {

bool SameFont(const FontDescription& a, const FontDescription& b) {
  return a.name == b.name && a.width == b.width && a.height == b.height && a.bold == b.bold &&
         a.italic == b.italic && a.underline == b.underline && a.colourIndex == b.colourIndex;
}

int16_t Clamp16(int64_t v) { return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); }

}  // namespace

// ---- CTextCursor ----

CTextCursor::CTextCursor(const CTextDocument& document, uint32_t position, uint32_t selection)
    : document_(&document), attributes_(document.Attributes()) {
  if (!SetSelection(position, selection, true)) SetPosition(0);
}

bool CTextCursor::Move(int32_t d) {
  const int64_t p = int64_t{Position()} + d;
  if (p < 0 || p > document_->Length()) return false;
  return SetPosition(static_cast<uint32_t>(p));
}

bool CTextCursor::SetPosition(uint32_t p) {
  if (p > document_->Length()) return false;
  position_.Set(&document_->Text(), p, 0);
  attributes_.SetPosition(p);
  anchor_ = p;
  return true;
}

bool CTextCursor::SetSelection(uint32_t start, uint32_t length, bool anchorAtStart) {
  if (start > document_->Length() || length > document_->Length() - start) return false;
  position_.Set(&document_->Text(), start, static_cast<int32_t>(length));
  attributes_.SetSelection(start, length);
  anchor_ = anchorAtStart ? start : start + length;
  return true;
}

void CTextCursor::Refresh() {
  const uint32_t length = document_->Length();
  const uint32_t p = std::min(Position(), length);
  const uint32_t s = std::min(Selection(), length - p);
  const uint32_t anchor = anchor_;
  position_.Set(&document_->Text(), p, static_cast<int32_t>(s));
  attributes_.SetPosition(p);
  attributes_.Refresh();
  attributes_.SetSelection(p, s);
  anchor_ = std::min(anchor, length);
}

// ---- construction ----

CTextDocument::CTextDocument(uint32_t capacity)
    : chars_(capacity), attributes_(std::make_unique<CTextAttributes>(12, capacity)) {}

CTextDocument::CTextDocument(std::string_view text)
    : chars_(static_cast<uint32_t>(std::min<size_t>(text.size(), kMaxLength))),
      attributes_(std::make_unique<CTextAttributes>(1, static_cast<uint32_t>(std::min<size_t>(text.size(), kMaxLength)))) {
  CTextCursor cursor(*this);
  InsertAt(cursor, text.substr(0, kMaxLength), false, false);
}

CTextDocument::CTextDocument(const CTextDocument& other)
    : chars_(other.Length()), attributes_(std::make_unique<CTextAttributes>(1, other.Length())) {
  Prepend(other);
  linkDataFlag_ = other.linkDataFlag_;
  if (linkDataFlag_) {
    linkData_ = other.linkData_;
    linkTexts_ = other.linkTexts_;
  }
}

CTextDocument::CTextDocument(TextMeasurer* measurer, LayoutView* view, int16_t width, int16_t height)
    : CTextDocument() {
  measurer_ = measurer;
  view_ = view;
  layoutWidth_ = width;
  layoutHeight_ = height;
  lines_.push_back(CTextLine{});
  lines_.back().dirty = 0;
}

CTextDocument::~CTextDocument() = default;

// ---- editing ----

bool CTextDocument::InsertAt(CTextCursor& cursor, const uint8_t* characters, uint32_t n, bool takeAfter,
                             bool shiftLinks) {
  const uint32_t p = cursor.Position();
  if (p > Length() || !FitsMore(n)) return false;
  if (n == 0) return true;
  CAttributeCursor& a = cursor.Attributes();
  a.SetPosition(p);
  if (!attributes_->Insert(a, static_cast<int32_t>(n), takeAfter)) return false;
  if (!chars_.InsertText(p, characters, n)) {
    a.SetPosition(p);
    attributes_->Insert(a, -static_cast<int32_t>(n), false);
    return false;
  }
  GrowLines(p, n);
  if (shiftLinks) links_.ShiftAfter(p, static_cast<int32_t>(n));
  cursor.Refresh();
  return true;
}

bool CTextDocument::DeleteAt(CTextCursor& cursor, uint32_t n) {
  const uint32_t p = cursor.Position();
  if (p > Length()) return false;
  n = std::min(n, Length() - p);
  if (n == 0) return true;
  links_.RemoveRange(p, n);
  chars_.DeleteText(CTextPosition(&chars_, p), n);
  CAttributeCursor& a = cursor.Attributes();
  a.SetPosition(p);
  attributes_->Insert(a, -static_cast<int32_t>(n), false);
  GrowLines(p, -int64_t{n});
  cursor.SetPosition(p);
  return true;
}

bool CTextDocument::InsertLink(CTextCursor& cursor, std::unique_ptr<AHyperLink> link) {
  const uint32_t p = cursor.Position();
  const uint8_t mark = kObjectMark;
  if (!InsertAt(cursor, &mark, 1, false, true)) return false;
  links_.Insert(static_cast<uint16_t>(p + 1), std::move(link));
  return true;
}

bool CTextDocument::CopyRange(CTextDocument& target, uint32_t start, uint32_t length) const {
  if (start > Length() || length > Length() - start || target.Length() != 0) return false;
  CTextCursor at(target);
  if (!target.attributes_->Insert(at.Attributes(), static_cast<int32_t>(length), false)) return false;
  if (!chars_.CopyRangeTo(target.chars_, 0, start, length, kParagraphsToLineFeeds)) {
    target.attributes_->Insert(at.Attributes(), -static_cast<int32_t>(length), false);
    return false;
  }
  target.attributes_->CopyFrom(*attributes_, start, length, 0);
  target.GrowLines(0, length);
  const TextRange range{start, length};
  target.linkData_.clear();
  target.linkTexts_.clear();
  target.linkDataFlag_ = links_.CountEntries(range, false) != 0;
  if (target.linkDataFlag_) {
    CBuffer measure(0);
    measure.WriteShort(kVersion);
    links_.WriteTable(measure, range, false);
    CBuffer out(measure.Position());
    out.WriteShort(kVersion);
    links_.WriteTable(out, range, false);
    out.ToString(target.linkData_);
    target.linkTexts_ = links_.LinkTexts(range);
  }
  return true;
}

bool CTextDocument::InsertDocument(const CTextDocument& source, CTextCursor& cursor, LinkContext* context) {
  const uint32_t p = cursor.Position();
  const uint32_t n = source.Length();
  if (p > Length() || !FitsMore(n)) return false;
  if (n == 0) return true;
  CAttributeCursor& a = cursor.Attributes();
  a.SetPosition(p);
  if (!attributes_->Insert(a, static_cast<int32_t>(n), false)) return false;
  if (!source.chars_.CopyRangeTo(chars_, p, 0, n, kLineFeedsToParagraphs)) {
    attributes_->Insert(a, -static_cast<int32_t>(n), false);
    return false;
  }
  if (source.attributes_->Count() == n) attributes_->CopyFrom(*source.attributes_, 0, n, p);
  links_.ShiftAfter(p, static_cast<int32_t>(n));
  if (source.linkDataFlag_) {
    CTextFormatInfo info(source.linkData_);
    info.ReadShort();
    BuildLinks(links_, info, context, true, p, false, Length());
  }
  GrowLines(p, n);
  cursor.Refresh();
  return true;
}

bool CTextDocument::Prepend(const CTextDocument& source) {
  const uint32_t n = source.Length();
  if (!FitsMore(n)) return false;
  if (n == 0) return true;
  CTextCursor at(*this);
  if (!attributes_->Insert(at.Attributes(), static_cast<int32_t>(n), false)) return false;
  if (!chars_.InsertText(0, source.chars_.Bytes(), n)) {
    attributes_->Insert(at.Attributes(), -static_cast<int32_t>(n), false);
    return false;
  }
  attributes_->CopyFrom(*source.attributes_, 0, n, 0);
  GrowLines(0, n);
  return true;
}

void CTextDocument::ApplyFormat(CTextCursor& cursor, const CCharFormat& format) {
  attributes_->ApplyFormat(format, cursor.Attributes());
  if (cursor.Selection() > 0) MarkRange(cursor.Position(), cursor.Selection());
}

void CTextDocument::SetStyle(CTextCursor& cursor, uint16_t style) {
  attributes_->SetStyle(style, cursor.Attributes());
  if (cursor.Selection() > 0) MarkRange(cursor.Position(), cursor.Selection());
}

bool CTextDocument::EndsWithParagraphBreak() const {
  if (Length() == 0) return false;
  const uint8_t last = chars_.Bytes()[Length() - 1];
  return last == kParagraphEnd || last == kLineBreak;
}

// ---- stored forms ----

bool CTextDocument::GetFormattedText(std::string& text, std::string& formatInfo) const {
  const TextRange all{0, Length()};
  CBuffer measure(0);
  measure.WriteShort(kVersion);
  links_.WriteTable(measure, all, false);
  attributes_->Write(measure);
  if (measure.Failed() || measure.Position() > CTextFormatInfo::kMaxStoredSize) return false;
  CBuffer out(measure.Position());
  out.WriteShort(kVersion);
  links_.WriteTable(out, all, true);
  attributes_->Write(out);
  if (out.Failed()) return false;
  text = chars_.GetText();
  out.ToString(formatInfo);
  return true;
}

bool CTextDocument::SetFormattedText(std::string_view text, std::string_view formatInfo, CTextCursor& cursor,
                                     LinkContext* context) {
  const uint32_t p = cursor.Position();
  if (p > Length() || text.size() > kMaxLength || !FitsMore(static_cast<uint32_t>(text.size()))) return false;
  const uint32_t n = static_cast<uint32_t>(text.size());
  CTextFormatInfo info(formatInfo);
  const uint16_t version = info.ReadShort();
  CAttributeCursor& a = cursor.Attributes();
  a.SetPosition(p);
  links_.ShiftAfter(p, static_cast<int32_t>(n));
  if (!chars_.InsertText(p, text)) {
    links_.ShiftAfter(p, -static_cast<int32_t>(n));
    return false;
  }
  BuildLinks(links_, info, context, false, p, false, Length());
  // A damaged layer still gives every character a plain format; only a layer that
  // cannot grow undoes the insertion.
  attributes_->Read(info, a, version, n);
  if (attributes_->Count() != chars_.Length()) {
    // Not even plain attributes could be opened: undo the insertion.
    chars_.DeleteText(CTextPosition(&chars_, p), n);
    links_.RemoveRange(p, n);
    links_.ShiftAfter(p, -static_cast<int32_t>(n));
    return false;
  }
  GrowLines(p, n);
  cursor.Refresh();
  return true;
}

namespace {

// The link data a document stores: its own links, else the link data it carries.
struct StoredLinks {
  bool flag = false;
  std::string data;
  std::string texts;
};

StoredLinks LinksToStore(const HyperLinkList& links, uint32_t length, bool flag, const std::string& data,
                         const std::string& texts) {
  StoredLinks s;
  const TextRange all{0, length};
  if (links.Count() > 0 && links.CountEntries(all, false) > 0) {
    CBuffer measure(0);
    measure.WriteShort(CTextDocument::kVersion);
    links.WriteTable(measure, all, false);
    CBuffer out(measure.Position());
    out.WriteShort(CTextDocument::kVersion);
    links.WriteTable(out, all, false);
    s.flag = true;
    out.ToString(s.data);
    s.texts = links.LinkTexts(all);
  } else if (flag) {
    s = {true, data, texts};
  }
  return s;
}

}  // namespace

uint32_t CTextDocument::StoredSize() const {
  const StoredLinks s = LinksToStore(links_, Length(), linkDataFlag_, linkData_, linkTexts_);
  uint32_t size = attributes_->StoreSize() + CBuffer::StringSize(std::string_view()) + Length() + CBuffer::kByteSize;
  if (s.flag) size += CBuffer::BytesSize(static_cast<uint32_t>(s.data.size())) + CBuffer::StringSize(s.texts);
  return size;
}

void CTextDocument::Write(CBuffer& buffer) const {
  const StoredLinks s = LinksToStore(links_, Length(), linkDataFlag_, linkData_, linkTexts_);
  attributes_->Write(buffer);
  buffer.WriteCString(std::string_view(reinterpret_cast<const char*>(chars_.Bytes()), Length()));
  buffer.WriteByte(s.flag ? 1 : 0);
  if (s.flag) {
    buffer.WriteBytes(s.data.data(), static_cast<uint32_t>(s.data.size()));
    buffer.WriteString(s.texts);
  }
}

bool CTextDocument::Load(CBuffer& buffer, LinkContext* context) {
  if (Length() != 0) return false;
  // The attribute layer comes before the characters it describes: read it over a copy
  // once the character count is known.
  const uint32_t attributesAt = buffer.Position();
  {
    CTextAttributes probe(1, 0);
    CAttributeCursor at(probe);
    // Walk past the layer: its runs end with the end mark, the standard formats follow.
    if (!probe.Read(buffer, at, kVersion, 0)) return false;
  }
  std::string text;
  buffer.ReadCString(text);
  const uint8_t flag = buffer.ReadByte();
  std::string data;
  std::string texts;
  if (flag) {
    buffer.ReadBytes(data);
    buffer.ReadString(texts);
  }
  const uint32_t end = buffer.Position();
  if (buffer.Failed() || text.size() > kMaxLength) return false;
  const uint32_t n = static_cast<uint32_t>(text.size());
  if (!chars_.InsertText(0, text)) return false;
  buffer.SetPosition(attributesAt);
  CTextCursor cursor(*this);
  cursor.Attributes().SetPosition(0);
  const bool attributesRead = attributes_->Read(buffer, cursor.Attributes(), kVersion, n);
  if (!attributesRead || attributes_->Count() != n) {
    if (attributes_->Count() == n) attributes_->Insert(cursor.Attributes(), -static_cast<int32_t>(n), false);
    chars_.DeleteText(CTextPosition(&chars_, 0), n);
    return false;
  }
  buffer.SetPosition(end);
  linkDataFlag_ = flag != 0;
  linkData_ = std::move(data);
  linkTexts_ = std::move(texts);
  if (linkDataFlag_) {
    CTextFormatInfo info(linkData_);
    info.ReadShort();
    BuildLinks(links_, info, context, false, 0, false, n);
  }
  GrowLines(0, n);
  return true;
}

// ---- lines ----

void CTextDocument::ResetLines() {
  lines_.assign(1, CTextLine{});
  lines_.back().dirty = 0;
}

size_t CTextDocument::LineAt(uint32_t position, uint32_t* offset) const {
  size_t k = 0;
  while (k + 1 < lines_.size() && position >= lines_[k].count) {
    position -= lines_[k].count;
    ++k;
  }
  if (offset) *offset = position;
  return k;
}

uint32_t CTextDocument::LineStart(size_t line) const {
  uint32_t p = 0;
  for (size_t k = 0; k < line && k < lines_.size(); ++k) p += lines_[k].count;
  return p;
}

void CTextDocument::InvalidateLine(const CTextLine& line) {
  if (view_ && !line.beyondLimit) view_->Invalidate(line.Rect());
}

void CTextDocument::GrowLines(uint32_t position, int64_t n) {
  if (lines_.empty()) return;
  uint32_t offset = 0;
  size_t k = LineAt(position, &offset);
  if (n > 0) {
    lines_[k].count += static_cast<uint32_t>(n);
    lines_[k].dirty = lines_[k].edited = 1;
    return;
  }
  if (Length() == 0) {
    for (const CTextLine& line : lines_) InvalidateLine(line);
    ResetLines();
    return;
  }
  // A deletion that begins at a line's start belongs to that line.
  uint64_t left = static_cast<uint64_t>(-n);
  CTextLine& first = lines_[k];
  const uint32_t cut = std::min<uint64_t>(left, first.count - offset);
  first.count -= cut;
  first.dirty = first.edited = 1;
  left -= cut;
  size_t next = k + 1;
  while (left > 0 && next < lines_.size()) {
    CTextLine& line = lines_[next];
    if (line.count <= left) {
      left -= line.count;
      InvalidateLine(line);
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(next));
    } else {
      line.count -= static_cast<uint32_t>(left);
      line.dirty = line.edited = 1;
      left = 0;
    }
  }
}

void CTextDocument::MarkRange(uint32_t start, uint32_t length) {
  if (lines_.empty()) return;
  const size_t first = LineAt(start);
  const size_t last = LineAt(start + length);
  for (size_t k = first; k <= last && k < lines_.size(); ++k) lines_[k].dirty = lines_[k].edited = 1;
}

void CTextDocument::SetLayoutWidth(int16_t width) {
  layoutWidth_ = width;
  for (CTextLine& line : lines_) line.dirty = line.edited = 1;
}

int CTextDocument::LineAtPoint(int32_t x, int32_t y, bool* outside) const {
  if (outside) *outside = false;
  for (size_t k = 0; k < lines_.size(); ++k) {
    const TextRect r = lines_[k].Rect();
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return static_cast<int>(k);
  }
  if (outside) *outside = true;
  for (size_t k = 0; k < lines_.size(); ++k) {
    const int32_t bottom = k + 1 < lines_.size() ? lines_[k + 1].y : 32767;
    if (y >= lines_[k].y && y < bottom && x >= 0 && x <= 32767) return static_cast<int>(k);
  }
  return -1;
}

int32_t CTextDocument::Height(bool withEmptyLastLine) const {
  if (lines_.empty()) return 20;
  size_t k = lines_.size() - 1;
  if ((lines_[k].dirty || lines_[k].beyondLimit) && k > 0) --k;
  if (lines_[k].beyondLimit) return 20;
  int32_t h = lines_[k].Bottom();
  if (withEmptyLastLine && !lines_.back().beyondLimit) h += lines_[k].Height() + 1;
  return h;
}

int32_t CTextDocument::MaxRight() const {
  int32_t right = 0;
  for (const CTextLine& line : lines_) right = std::max(right, line.x + line.width);
  return right;
}

// ---- measuring ----

const CCharFormat& CTextDocument::ShownFormat(uint32_t position) const {
  return attributes_->FormatAtClamped(position, false);
}

const FontMetricsInfo& CTextDocument::CharWidths(const FontDescription& font) {
  for (const CachedFont& cached : fontCache_)
    if (SameFont(cached.font, font)) return cached.metrics;
  static FixedWidthMeasurer fallback;
  TextMeasurer& m = measurer_ ? *measurer_ : fallback;
  fontCache_.push_back({font, m.Metrics(font)});
  return fontCache_.back().metrics;
}

int32_t CTextDocument::NextTabStop(int32_t x, uint32_t position) const {
  const CCharFormat& format = ShownFormat(position > 0 && position >= Length() ? position - 1 : position);
  if (!(format.flags & kTabStops) || format.tabs.empty()) return x / kTabGrid * kTabGrid + kTabGrid;
  for (int16_t tab : format.tabs)
    if (tab > x) return tab;
  return 32767;
}

CTextDocument::ObjectExtent CTextDocument::ObjectSize(uint32_t position) {
  const AHyperLink* link = links_.Find(position + 1);
  if (!link) return {};
  switch (link->Representation()) {
    case kShownAsText: {
      const FontMetricsInfo& m = CharWidths(ShownFormat(position).ToFontDescription());
      int32_t w = 0;
      for (unsigned char c : link->GetText()) w += m.widths[c];
      return {w, m.ascent + m.descent, false};
    }
    case kShownAsLine: {
      if (link->Type() != kLineLinkType) return {};
      const auto* line = static_cast<const CLineLink*>(link);
      // It is drawn across the window; in the layout it fills the line.
      return {layoutWidth_, line->spaceAbove + line->thickness + line->spaceBelow, true};
    }
    default: {
      static FixedWidthMeasurer fallback;
      const LinkSize size = (measurer_ ? *measurer_ : static_cast<TextMeasurer&>(fallback)).ObjectSize(*link);
      return {size.width, size.height, true};
    }
  }
}

std::vector<int32_t> CTextDocument::XPositions(size_t k) {
  std::vector<int32_t> xs;
  if (k >= lines_.size()) return xs;
  const CTextLine& line = lines_[k];
  const uint32_t start = LineStart(k);
  const int32_t indent = ShownFormat(start).indent;
  xs.reserve(line.count + 1);
  xs.push_back(line.x);
  const uint32_t end = std::min(start + line.count, Length());
  for (uint32_t i = start; i < end;) {
    const uint32_t run = attributes_->RunLength(i, end - i);
    const FontMetricsInfo& m = CharWidths(ShownFormat(i).ToFontDescription());
    for (uint32_t j = i; j < i + run;) {
      int32_t count = static_cast<int32_t>(i + run - j);
      int32_t width = 0;
      const uint8_t* bytes = chars_.NextRun(j, count, width);
      if (count <= 0) break;
      if (width < 0) {
        xs.push_back(xs.back() + ObjectSize(j).width);
      } else if (bytes[0] == kTab) {
        // A tab: stops count from the left edge of the indented text.
        const int32_t x = xs.back() - line.x + indent;
        xs.push_back(line.x + NextTabStop(x, j) - indent);
      } else {
        for (int32_t c = 0; c < count; ++c) xs.push_back(xs.back() + m.widths[bytes[c]]);
      }
      j += static_cast<uint32_t>(count);
    }
    i += run;
  }
  return xs;
}

// ---- layout ----

uint32_t CTextDocument::BreakLine(uint32_t start, CTextLine& line) {
  const uint32_t length = Length();
  const uint8_t* text = chars_.Bytes();
  const CCharFormat& first = ShownFormat(start);
  const int32_t alignment = first.alignment;
  const int32_t indent = first.indent;
  const int32_t available = layoutWidth_ - indent;
  const uint16_t firstStyle = start < attributes_->Count() ? attributes_->Style(start) : 0;
  const bool right = alignment == kAlignRight;

  int32_t w = 0;
  bool haveBreak = false;
  uint32_t breakCount = 0;
  int32_t breakWidth = 0;
  uint32_t count = 0;
  int32_t lineWidth = 0;
  int32_t formatIndex = -1;
  const FontMetricsInfo* widths = nullptr;
  for (uint32_t i = start; i < length; ++i) {
    const uint8_t c = text[i];
    if (i > start && (c == kParagraphEnd || c == kObjectMark || c == kLineBreak || c == kTab || (c == ' ' && right))) {
      haveBreak = true, breakCount = i - start, breakWidth = w;
    }
    const int32_t index = attributes_->FormatIndex(i);
    if (index != formatIndex || !widths) {
      formatIndex = index;
      widths = &CharWidths(ShownFormat(i).ToFontDescription());
    }
    if (c == kObjectMark) {
      w += ObjectSize(i).width;
    } else if (c == kTab) {
      w = NextTabStop(w + indent, i) - indent;
    } else {
      w += widths->widths[c];
    }
    const bool more = i + 1 < length;
    if (w > available && i > start) {
      if (haveBreak) {
        count = breakCount, lineWidth = breakWidth;
      } else {
        // The character that did not fit goes to the next line.
        count = i - start;
        int32_t x = 0;
        for (uint32_t j = start; j < i; ++j) {
          const uint8_t cj = text[j];
          if (cj == kObjectMark) x += ObjectSize(j).width;
          else if (cj == kTab) x = NextTabStop(x + indent, j) - indent;
          else x += CharWidths(ShownFormat(j).ToFontDescription()).widths[cj];
        }
        lineWidth = x;
      }
      break;
    }
    if (more && attributes_->Style(i + 1) != firstStyle) {
      count = i + 1 - start, lineWidth = w;
      break;
    }
    if (c == ' ' && !right) haveBreak = true, breakCount = i + 1 - start, breakWidth = w;
    if (!more || c == kParagraphEnd || c == kLineBreak) {
      count = i + 1 - start, lineWidth = w;
      break;
    }
  }
  if (count == 0 && start < length) count = 1;

  // The line's height: the fonts of its characters and the objects that raise it.
  int32_t ascent = 0, descent = 0;
  formatIndex = -1;
  const uint32_t end = std::max(start + count, start + 1);
  for (uint32_t i = start; i < end; ++i) {
    if (i >= length) {
      const FontMetricsInfo& m = CharWidths(ShownFormat(i).ToFontDescription());
      ascent = std::max<int32_t>(ascent, m.ascent), descent = std::max<int32_t>(descent, m.descent);
      break;
    }
    const int32_t index = attributes_->FormatIndex(i);
    if (index != formatIndex) {
      formatIndex = index;
      const FontMetricsInfo& m = CharWidths(ShownFormat(i).ToFontDescription());
      ascent = std::max<int32_t>(ascent, m.ascent), descent = std::max<int32_t>(descent, m.descent);
    }
    if (text[i] == kObjectMark) {
      const ObjectExtent o = ObjectSize(i);
      if (o.raisesAscent && o.height > ascent) ascent = o.height;
    }
  }
  int32_t offset = 0;
  if (alignment == kAlignRight) offset = available - lineWidth;
  else if (alignment == kAlignCentre) offset = (available - lineWidth) / 2;
  line.x = Clamp16(indent + std::max(offset, 0));
  line.ascent = Clamp16(ascent);
  line.descent = Clamp16(descent);
  line.width = Clamp16(lineWidth);
  return count;
}

void CTextDocument::SetCount(size_t k, uint32_t count, int32_t oldBottom) {
  CTextLine& line = lines_[k];
  if (count == line.count) {
    if (line.Bottom() != oldBottom && k + 1 < lines_.size()) {
      InvalidateLine(lines_[k + 1]);
      lines_[k + 1].dirty = 1;
    }
    return;
  }
  if (count < line.count) {
    const uint32_t surplus = line.count - count;
    line.count = count;
    if (k + 1 == lines_.size()) lines_.push_back(CTextLine{});
    CTextLine& next = lines_[k + 1];
    next.count += surplus;
    next.dirty = next.edited = 1;
    return;
  }
  uint32_t needed = count - line.count;
  line.count = count;
  while (needed > 0 && k + 1 < lines_.size()) {
    CTextLine& next = lines_[k + 1];
    if (next.count <= needed) {
      needed -= next.count;
      InvalidateLine(next);
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(k + 1));
    } else {
      next.count -= needed;
      next.dirty = next.edited = 1;
      needed = 0;
    }
  }
}

void CTextDocument::Relayout() {
  if (lines_.empty()) return;
  if (Length() == 0) {
    if (lines_.size() > 1 || lines_[0].count != 0 || lines_[0].dirty) {
      for (const CTextLine& line : lines_) InvalidateLine(line);
      ResetLines();
    }
    return;
  }
  for (;;) {
    size_t k = 0;
    while (k < lines_.size() && !lines_[k].dirty) ++k;
    if (k == lines_.size()) return;
    if (k > 0) {
      --k;
      lines_[k].dirty = 1;
    }
    uint32_t start = LineStart(k);
    while (k < lines_.size() && lines_[k].dirty) {
      if (start >= Length() && k > 0) {
        // Nothing is left for this line and the ones after it.
        for (size_t j = k; j < lines_.size(); ++j) InvalidateLine(lines_[j]);
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(k), lines_.end());
        break;
      }
      CTextLine& line = lines_[k];
      const CTextLine old = line;
      const uint32_t count = BreakLine(start, line);
      line.y = Clamp16(k == 0 ? 0 : lines_[k - 1].Bottom() + 1);
      const bool beyond = line.Bottom() >= kLayoutLimit || (k > 0 && lines_[k - 1].beyondLimit);
      const bool changed = old.edited || old.beyondLimit != beyond || count != old.count || !(old.Rect() == line.Rect()) ||
                           old.ascent != line.ascent;
      if (changed) InvalidateLine(old);
      if (beyond) {
        line.count = Length() - start;
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(k + 1), lines_.end());
        line.beyondLimit = 1;
      } else {
        line.beyondLimit = 0;
        SetCount(k, count, old.Bottom());
      }
      CTextLine& placed = lines_[k];
      if (changed) InvalidateLine(placed);
      const uint32_t last = start + placed.count;
      placed.paragraphEnd =
          last > 0 && last <= Length() && (chars_.Bytes()[last - 1] == kParagraphEnd || chars_.Bytes()[last - 1] == kLineBreak);
      placed.dirty = 0;
      placed.edited = 0;
      if (placed.beyondLimit) return;
      // A line that moved is laid out again, even when its characters stayed.
      if (k + 1 < lines_.size() && !lines_[k + 1].dirty && lines_[k + 1].y != placed.Bottom() + 1)
        lines_[k + 1].dirty = 1;
      start = last;
      ++k;
    }
  }
}

// ---- painting ----

std::vector<PaintRun> CTextDocument::PaintRuns(const TextRect& rect) {
  std::vector<PaintRun> runs;
  uint32_t start = 0;
  for (size_t k = 0; k < lines_.size(); start += lines_[k].count, ++k) {
    const CTextLine& line = lines_[k];
    if (line.beyondLimit || line.y >= rect.bottom) break;
    if (line.Bottom() < rect.top) continue;
    const std::vector<int32_t> xs = XPositions(k);
    const int32_t baseline = line.y + line.ascent - (view_ ? 0 : rect.top);
    const uint32_t end = std::min(start + line.count, Length());
    for (uint32_t i = start; i < end;) {
      const uint32_t run = attributes_->RunLength(i, end - i);
      const FontDescription font = ShownFormat(i).ToFontDescription();
      for (uint32_t j = i; j < i + run;) {
        int32_t count = static_cast<int32_t>(i + run - j);
        int32_t width = 0;
        const uint8_t* bytes = chars_.NextRun(j, count, width);
        if (count <= 0) break;
        const int32_t x = xs[j - start];
        if (width < 0) {
          const AHyperLink* link = links_.Find(j + 1);
          if (link) {
            PaintRun r;
            r.font = font;
            r.x = x;
            r.baseline = baseline;
            r.link = link;
            switch (link->Representation()) {
              case kShownAsText:
                r.kind = PaintRun::kLinkText;
                r.bytes = link->GetText();
                r.underline = link->Followed() ? 4 : 2;
                r.colour = link->GetExtra() == 2 ? 2 : 1;
                break;
              case kShownAsLine: {
                if (link->Type() != kLineLinkType) break;
                const auto* l = static_cast<const CLineLink*>(link);
                r.kind = PaintRun::kLine;
                r.left = l->leftMargin;
                r.right = (view_ ? view_->Width() : layoutWidth_) - l->rightMargin;
                r.y = line.y + (l->spaceAbove + l->thickness + l->spaceBelow) / 2 - (view_ ? 0 : rect.top);
                r.thickness = l->thickness;
                r.red = l->red, r.green = l->green, r.blue = l->blue;
                break;
              }
              default:
                r.kind = PaintRun::kBitmap;
                break;
            }
            runs.push_back(std::move(r));
          }
        } else if (bytes[0] != kTab) {
          // Paragraph and line ends have no glyph.
          size_t shown = static_cast<size_t>(count);
          while (shown > 0 && (bytes[shown - 1] == kParagraphEnd || bytes[shown - 1] == kLineBreak)) --shown;
          if (shown > 0) {
            PaintRun r;
            r.font = font;
            r.x = x;
            r.baseline = baseline;
            r.bytes.assign(reinterpret_cast<const char*>(bytes), shown);
            runs.push_back(std::move(r));
          }
        }
        j += static_cast<uint32_t>(count);
      }
      i += run;
    }
  }
  return runs;
}

}  // namespace zh
