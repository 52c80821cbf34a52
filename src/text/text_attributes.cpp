#include "text/text_attributes.h"

#include <algorithm>
#include <vector>

#include "text/buffer.h"

namespace zh {

namespace {
constexpr char kStandardFont[] = "Times New Roman";
}  // namespace

// ---- CAttributeCursor ----

CAttributeCursor::CAttributeCursor(const CTextAttributes& layer, uint32_t position, uint32_t selection)
    : formatBefore(layer.DefaultFormat()), formatAfter(layer.DefaultFormat()), layer_(&layer) {
  if (!SetPosition(position)) SetPosition(0);
  Refresh();
  selection_ = selection;
}

bool CAttributeCursor::SetPosition(uint32_t p) {
  selection_ = 0;
  if (p > layer_->Count()) return false;
  if (p != position_) {
    position_ = p;
    Refresh();
  }
  return true;
}

bool CAttributeCursor::Move(int32_t d) {
  const int64_t p = int64_t{position_} + d;
  if (p < 0 || p > UINT32_MAX) return false;
  return SetPosition(static_cast<uint32_t>(p));
}

bool CAttributeCursor::SetSelection(uint32_t p, uint32_t length) {
  if (!SetPosition(p) || length > layer_->Count() - p) return false;
  selection_ = length;
  return true;
}

void CAttributeCursor::Refresh() {
  const CTextAttributes& a = *layer_;
  const uint32_t n = a.Count();
  if (position_ > n) position_ = n;
  const uint32_t before = position_ > 0 ? position_ - 1 : 0;
  if (n > 0) {
    formatBefore = a.FormatAtClamped(before, true);
    styleBefore = a.Style(before);
  } else {
    formatBefore = a.DefaultFormat();
    styleBefore = 0;
  }
  const bool hasAfter = position_ > 0 ? position_ < n : n >= 2;
  if (hasAfter) {
    formatAfter = a.FormatAt(position_, true);
    styleAfter = a.Style(position_);
  } else {
    formatAfter = a.DefaultFormat();
    styleAfter = 0;
  }
}

// ---- CTextAttributes ----

CTextAttributes::CTextAttributes(int32_t tableSlots, uint32_t capacity, uint32_t maximum)
    : styles_(capacity, maximum),
      table_(tableSlots),
      default_("Arial", 0, 18, 0, 0, 0, kAlignLeft, 0),
      standard_{CCharFormat(kStandardFont, 0, 30, 0, 0, 1, kAlignCentre, 0),
                CCharFormat(kStandardFont, 0, 24, 0, 1, 0, kAlignLeft, 0),
                CCharFormat(kStandardFont, 0, 22, 1, 0, 0, kAlignLeft, 0)},
      indices_(capacity, maximum) {}

const CCharFormat& CTextAttributes::FormatAt(uint32_t i, bool own) const {
  const uint16_t style = styles_[i];
  if (own || style == 0) {
    const CCharFormat* f = table_.At(indices_[i]);
    return f ? *f : default_;
  }
  return standard_[style == 2 || style == 3 ? style - 1u : 0u];
}

const CCharFormat& CTextAttributes::FormatAtClamped(uint32_t i, bool own) const {
  if (Count() == 0) return default_;
  return FormatAt(std::min(i, Count() - 1), own);
}

uint16_t CTextAttributes::InternOrDefault(const CCharFormat& format) {
  int32_t index = table_.Intern(format);
  if (index < 0) index = std::max(table_.Intern(default_), 0);
  return static_cast<uint16_t>(index);
}

void CTextAttributes::Fill(uint32_t position, uint32_t n, uint16_t index, uint16_t style) {
  uint16_t* __restrict indices = indices_.Data() + position;
  uint16_t* __restrict styles = styles_.Data() + position;
  for (uint32_t k = 0; k < n; ++k) {
    indices[k] = index;
    styles[k] = style;
  }
}

bool CTextAttributes::OpenEntries(uint32_t position, uint32_t n, uint16_t index, uint16_t style) {
  if (!indices_.InsertGap(position, n)) return false;
  if (!styles_.InsertGap(position, n)) {
    indices_.Remove(position, n);
    return false;
  }
  Fill(position, n, index, style);
  return true;
}

bool CTextAttributes::Insert(const CAttributeCursor& cursor, int32_t n, bool takeAfter) {
  const uint32_t p = cursor.Position();
  if (p > Count()) return false;
  if (n < 0) {
    const uint32_t m = std::min<uint32_t>(static_cast<uint32_t>(-int64_t{n}), Count() - p);
    for (uint32_t i = p; i < p + m; ++i) table_.Release(indices_[i]);
    indices_.Remove(p, m);
    styles_.Remove(p, m);
    return true;
  }
  if (n == 0) return true;
  const uint32_t count = static_cast<uint32_t>(n);
  uint16_t style = cursor.styleBefore;
  if (takeAfter && p < Count() && styles_[p] == 0) style = 0;
  const uint16_t index = InternOrDefault(takeAfter ? cursor.formatAfter : cursor.formatBefore);
  if (!OpenEntries(p, count, index, style)) {
    table_.Release(index);
    return false;
  }
  table_.AddReferences(index, n - 1);
  return true;
}

void CTextAttributes::ApplyFormat(const CCharFormat& format, CAttributeCursor& cursor) {
  if (cursor.Selection() == 0) {
    cursor.formatBefore.ApplyFrom(format);
    cursor.formatAfter.ApplyFrom(format);
    return;
  }
  const uint32_t end = std::min(Count(), cursor.Position() + cursor.Selection());
  for (uint32_t i = cursor.Position(); i < end; ++i) {
    CCharFormat merged(FormatAt(i, true));
    merged.ApplyFrom(format);
    table_.Release(indices_[i]);
    indices_[i] = InternOrDefault(merged);
  }
  const uint32_t selection = cursor.Selection();
  cursor.Refresh();
  cursor.SetSelection(cursor.Position(), selection);
}

void CTextAttributes::SetStyle(uint16_t style, CAttributeCursor& cursor) {
  if (cursor.Selection() == 0) {
    cursor.styleBefore = style;
    return;
  }
  const uint32_t end = std::min(Count(), cursor.Position() + cursor.Selection());
  std::fill(styles_.Data() + cursor.Position(), styles_.Data() + end, style);
}

uint32_t CTextAttributes::RunLength(uint32_t i, uint32_t limit) const {
  if (i >= Count()) return 0;
  const uint16_t* index = indices_.Data();
  const uint16_t* style = styles_.Data();
  const uint32_t end = i + std::min(limit, Count() - i);
  uint32_t j = i + 1;
  while (j < end && index[j] == index[i] && style[j] == style[i]) ++j;
  return std::min(j, end) - i;
}

void CTextAttributes::CopyFrom(const CTextAttributes& source, uint32_t start, uint32_t length, uint32_t position) {
  if (start > source.Count() || position > Count()) return;
  length = std::min({length, source.Count() - start, Count() - position});
  for (uint32_t j = 0; j < length; ++j) {
    const uint16_t index = InternOrDefault(source.FormatAt(start + j, true));
    table_.Release(indices_[position + j]);
    indices_[position + j] = index;
    styles_[position + j] = source.Style(start + j);
  }
}

FontDescription CTextAttributes::FontAtCursor(const CAttributeCursor& cursor) const {
  if (Count() == 0) return cursor.formatBefore.ToFontDescription();
  return FormatAtClamped(cursor.Position(), false).ToFontDescription();
}

void CTextAttributes::Write(CBuffer& buffer) const {
  table_.Write(buffer);
  for (uint32_t i = 0; i < Count();) {
    const uint32_t run = RunLength(i, kMaxRun);
    buffer.WriteShort(static_cast<uint16_t>(run));
    buffer.WriteShort(indices_[i]);
    buffer.WriteShort(styles_[i]);
    i += run;
  }
  buffer.WriteShort(kEndOfRuns);
  for (const CCharFormat& f : standard_) f.Write(buffer);
}

uint32_t CTextAttributes::StoreSize() const {
  uint32_t size = table_.StoreSize() + 2;
  for (uint32_t i = 0; i < Count(); i += RunLength(i, kMaxRun)) size += 6;
  for (const CCharFormat& f : standard_) size += f.StoreSize();
  return size;
}

bool CTextAttributes::Read(CBuffer& buffer, const CAttributeCursor& cursor, int version, uint32_t characters) {
  const uint32_t at = cursor.Position();
  if (at > Count()) return false;
  // The runs fill the entries; they are not filled twice.
  if (!indices_.InsertGap(at, characters)) return false;
  if (!styles_.InsertGap(at, characters)) {
    indices_.Remove(at, characters);
    return false;
  }
  if (ReadStored(buffer, cursor, version, at, characters)) return true;
  buffer.Fail();
  // Damaged: the characters stay, plain.
  const uint16_t plain = InternOrDefault(default_);
  Fill(at, characters, plain, 0);
  table_.AddReferences(plain, static_cast<int32_t>(characters) - 1);
  return false;
}

bool CTextAttributes::ReadStored(CBuffer& b, const CAttributeCursor& cursor, int version, uint32_t at,
                                 uint32_t characters) {
  // Step 1: the stored table, interned here; stored index -> index here.
  const uint16_t stored = b.ReadShort();
  if (b.Failed() || stored > b.Remaining() / 4) return false;
  std::vector<int32_t> map;
  std::vector<int32_t> interned;
  interned.reserve(stored);
  for (uint32_t k = 0; k < stored; ++k) {
    const uint16_t slot = b.ReadShort();
    CCharFormat format;
    format.Read(b);
    if (b.Failed()) break;
    const int32_t index = table_.Intern(format);
    if (index < 0) break;
    interned.push_back(index);
    if (slot >= map.size()) map.resize(slot + 1u, -1);
    map[slot] = index;
  }
  // Only characters hold references.
  for (int32_t index : interned) table_.Release(index);
  if (b.Failed() || interned.size() != stored) return false;

  // Step 2: the runs, clamped to the characters.
  int32_t fallback = -1;  // the cursor's format, for indices the table does not hold
  uint32_t done = 0;
  for (;;) {
    const uint16_t length = b.ReadShort();
    if (length == kEndOfRuns || b.Failed()) break;
    const uint16_t slot = b.ReadShort();
    const uint16_t style = b.ReadShort();
    if (b.Failed()) break;
    const uint32_t take = std::min<uint32_t>(length, characters - done);
    if (take == 0) continue;
    int32_t index = slot < map.size() ? map[slot] : -1;
    if (index < 0) {
      if (fallback < 0) {
        fallback = table_.Intern(cursor.formatBefore);
        if (fallback < 0) return false;
        table_.Release(fallback);
      }
      index = fallback;
    }
    Fill(at + done, take, static_cast<uint16_t>(index), style);
    table_.AddReferences(index, static_cast<int32_t>(take));
    done += take;
  }
  if (b.Failed()) {
    // The caller makes every character plain; the references taken here go first.
    for (uint32_t i = at; i < at + done; ++i) table_.Release(indices_[i]);
    return false;
  }
  if (done < characters) {
    const uint16_t plain = InternOrDefault(default_);
    Fill(at + done, characters - done, plain, 0);
    table_.AddReferences(plain, static_cast<int32_t>(characters - done) - 1);
  }

  // Step 4: the standard formats, replaced only when all three read.
  if (version >= kCurrentVersion) {
    std::array<CCharFormat, 3> read = standard_;
    for (CCharFormat& f : read) {
      CCharFormat stored_format;
      stored_format.Read(b);
      f.ApplyFrom(stored_format);
    }
    if (b.Failed()) {
      for (uint32_t i = at; i < at + characters; ++i) table_.Release(indices_[i]);
      return false;
    }
    standard_ = read;
  }
  return true;
}

}  // namespace zh
