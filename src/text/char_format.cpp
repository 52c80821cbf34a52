#include "text/char_format.h"

#include "text/buffer.h"

namespace zh {

namespace {
constexpr char kDefaultFontName[] = "Times New Roman";
// A tab-stop field stores its count in 16 bits and its length as 2 × (count + 1).
constexpr size_t kMaxTabStops = 32766;
}  // namespace

CCharFormat::CCharFormat(bool complete) : flags(complete ? uint32_t{kCompleteFormat} : 0u), name(kDefaultFontName) {}

CCharFormat::CCharFormat(std::string_view n, int16_t w, int16_t h, uint8_t b, uint8_t i, uint8_t u, int32_t a,
                         int16_t in)
    : flags(kCompleteFormat), width(w), height(h), bold(b), italic(i), underline(u), alignment(a), indent(in) {
  name.assign(n.substr(0, kMaxNameLength));
}

CCharFormat::CCharFormat(const CCharFormat& other) : CCharFormat(false) { ApplyFrom(other); }

void CCharFormat::SetName(std::string_view n) {
  name.assign(n.substr(0, kMaxNameLength));
  flags |= kFontName;
}

void CCharFormat::ApplyFrom(const CCharFormat& s) {
  if (&s == this) return;
  if (s.flags & kFontName) name = s.name;
  if (s.flags & kSize) width = s.width, height = s.height;
  if (s.flags & kBold) bold = s.bold;
  if (s.flags & kItalic) italic = s.italic;
  if (s.flags & kUnderline) underline = s.underline;
  if (s.flags & kAlignment) alignment = s.alignment;
  if (s.flags & kIndent) indent = s.indent;
  if (s.flags & kColour) colour = s.colour;
  if (s.flags & kTabStops) tabs = s.tabs;
  flags |= s.flags & kCompleteFormat;
}

bool CCharFormat::Equals(const CCharFormat& o) const {
  if (flags != o.flags) return false;
  if ((flags & kFontName) && name != o.name) return false;
  if ((flags & kSize) && (width != o.width || height != o.height)) return false;
  if ((flags & kBold) && (bold != 0) != (o.bold != 0)) return false;
  if ((flags & kItalic) && (italic != 0) != (o.italic != 0)) return false;
  if ((flags & kUnderline) && (underline != 0) != (o.underline != 0)) return false;
  if ((flags & kAlignment) && alignment != o.alignment) return false;
  if ((flags & kIndent) && indent != o.indent) return false;
  if ((flags & kColour) && colour != o.colour) return false;
  if ((flags & kTabStops) && tabs != o.tabs) return false;
  return true;
}

FontDescription CCharFormat::ToFontDescription() const {
  FontDescription font;
  font.name = name;
  font.width = width;
  font.height = height;
  font.bold = bold != 0;
  font.italic = italic;
  font.underline = underline != 0;
  font.colourIndex = colour >= 0 && colour <= 7 ? colour : -1;
  return font;
}

namespace {

uint32_t FieldCount(uint32_t flags) { return static_cast<uint32_t>(__builtin_popcount(flags & kCompleteFormat)); }

size_t StoredTabs(const std::vector<int16_t>& tabs) { return std::min(tabs.size(), kMaxTabStops); }

}  // namespace

uint32_t CCharFormat::StoreSize() const {
  uint32_t size = 2 + 4 * FieldCount(flags);
  if (flags & kFontName) size += CBuffer::StringSize(name);
  if (flags & kSize) size += 4;
  if (flags & kBold) size += 1;
  if (flags & kItalic) size += 1;
  if (flags & kUnderline) size += 1;
  if (flags & kAlignment) size += 2;
  if (flags & kIndent) size += 2;
  if (flags & kColour) size += 2;
  if (flags & kTabStops) size += static_cast<uint32_t>(2 * (StoredTabs(tabs) + 1));
  return size;
}

void CCharFormat::Write(CBuffer& b) const {
  b.WriteShort(static_cast<uint16_t>(FieldCount(flags)));
  auto field = [&b](uint16_t tag, uint32_t length) {
    b.WriteShort(tag);
    b.WriteShort(static_cast<uint16_t>(length));
  };
  if (flags & kFontName) {
    field(kNameTag, CBuffer::StringSize(name));
    b.WriteString(name);
  }
  if (flags & kSize) {
    field(kSizeTag, 4);
    b.WriteShort(static_cast<uint16_t>(width));
    b.WriteShort(static_cast<uint16_t>(height));
  }
  if (flags & kBold) field(kBoldTag, 1), b.WriteByte(bold);
  if (flags & kItalic) field(kItalicTag, 1), b.WriteByte(italic);
  if (flags & kUnderline) field(kUnderlineTag, 1), b.WriteByte(underline);
  if (flags & kAlignment) field(kAlignmentTag, 2), b.WriteShort(static_cast<uint16_t>(alignment));
  if (flags & kIndent) field(kIndentTag, 2), b.WriteShort(static_cast<uint16_t>(indent));
  if (flags & kColour) field(kColourTag, 2), b.WriteShort(static_cast<uint16_t>(colour));
  if (flags & kTabStops) {
    const size_t count = StoredTabs(tabs);
    field(kTabStopsTag, static_cast<uint32_t>(2 * (count + 1)));
    b.WriteShort(static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; ++i) b.WriteShort(static_cast<uint16_t>(tabs[i]));
  }
}

void CCharFormat::Read(CBuffer& b) {
  *this = CCharFormat(false);
  const uint16_t fields = b.ReadShort();
  for (uint32_t i = 0; i < fields && !b.Failed(); ++i) {
    const uint16_t tag = b.ReadShort();
    const uint16_t length = b.ReadShort();
    if (b.Failed() || length > b.Remaining()) {
      b.Fail();
      return;
    }
    const uint32_t end = b.Position() + length;
    switch (tag) {
      case kNameTag: {
        std::string n;
        b.ReadString(n, kMaxNameLength);
        SetName(n);
        break;
      }
      case kSizeTag: {
        const auto w = static_cast<int16_t>(b.ReadShort());
        SetSize(w, static_cast<int16_t>(b.ReadShort()));
        break;
      }
      case kBoldTag: SetBold(b.ReadByte()); break;
      case kItalicTag: SetItalic(b.ReadByte()); break;
      case kUnderlineTag: SetUnderline(b.ReadByte()); break;
      case kAlignmentTag: SetAlignment(static_cast<int16_t>(b.ReadShort())); break;
      case kIndentTag: SetIndent(static_cast<int16_t>(b.ReadShort())); break;
      case kColourTag: SetColour(static_cast<int16_t>(b.ReadShort())); break;
      case kTabStopsTag: {
        const auto count = static_cast<int16_t>(b.ReadShort());
        if (count < 0 || 2u * (static_cast<uint32_t>(count) + 1) > length) {
          b.Fail();
          return;
        }
        std::vector<int16_t> t(static_cast<size_t>(count));
        for (auto& x : t) x = static_cast<int16_t>(b.ReadShort());
        SetTabs(std::move(t));
        break;
      }
      default: break;  // unknown: read past by its length
    }
    // A field may not reach beyond its own length.
    if (b.Failed() || b.Position() > end) {
      b.Fail();
      return;
    }
    b.SetPosition(end);
  }
}

}  // namespace zh
