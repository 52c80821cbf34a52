#include "text/text_format_info.h"

#include "core/toolbox/little_endian.h"
#include "database/game/text_media_reader.h"
#include "text/text_container.h"

namespace zh {

namespace {

bool IsCurrentMediaType(uint16_t t) { return t >= 21 && t <= 23; }
bool IsOldMediaType(uint16_t t) { return t >= 6 && t <= 8; }
bool IsAliasType(uint16_t t) { return t >= 18 && t <= 20; }

}  // namespace

int MediaKindOfType(uint16_t type) {
  switch (type) {
    case 6: case 20: case 23: return kPictureMedia;
    case 7: case 19: case 21: return kSoundMedia;
    case 8: case 18: case 22: return kVideoMedia;
    default: return kNoMedia;
  }
}

CTextFormatInfo::CTextFormatInfo(std::string_view bytes, std::string* text)
    : CBuffer(std::string_view()), bytes_(bytes), text_(text) {
  Reset(bytes_);
}

uint16_t CTextFormatInfo::HeaderWord(uint32_t offset) const {
  if (bytes_.size() < offset + 2) return 0;
  return static_cast<uint16_t>(GetLittleEndian(reinterpret_cast<const uint8_t*>(bytes_.data()) + offset, 2));
}

void CTextFormatInfo::Rewind() {
  SetPosition(0);
  Skip(kHeaderSize);
}

std::vector<CTextFormatInfo::Entry> CTextFormatInfo::Entries() {
  std::vector<Entry> entries;
  Rewind();
  const uint32_t n = EntryCount();
  entries.reserve(std::min(n, Remaining() / kEntryHeaderSize));
  for (uint32_t i = 0; i < n && !Failed(); ++i) {
    Entry e;
    e.offset = Position();
    e.type = ReadShort();
    e.position = ReadShort();
    e.length = ReadShort();
    if (Failed() || !Skip(e.length)) break;
    entries.push_back(e);
  }
  return entries;
}

bool CTextFormatInfo::PeekEntry(uint32_t k, uint16_t& type, uint16_t& position) {
  const uint32_t at = Position();
  const std::vector<Entry> entries = Entries();
  SetPosition(std::min(at, Size()));
  if (k >= entries.size()) return false;
  type = entries[k].type;
  position = entries[k].position;
  return true;
}

bool CTextFormatInfo::EntryStrings(const Entry& entry, std::string& first, std::string* second) {
  if (entry.Data() > bytes_.size() || entry.length > bytes_.size() - entry.Data()) {
    Fail();
    return false;
  }
  CBuffer data(std::string_view(bytes_).substr(entry.Data(), entry.length));
  data.ReadString(first);
  if (data.Failed()) {
    Fail();
    return false;
  }
  if (second) {
    data.ReadString(*second);
    if (data.Failed()) second->clear();
  }
  return true;
}

int CTextFormatInfo::FindMediaEntry(const std::vector<Entry>& entries, uint32_t k) const {
  for (size_t i = 0; i < entries.size(); ++i) {
    const uint16_t t = entries[i].type;
    if ((IsOldMediaType(t) || IsCurrentMediaType(t)) && k-- == 0) return static_cast<int>(i);
  }
  return -1;
}

int CTextFormatInfo::FindAliasEntry(const std::vector<Entry>& entries, uint32_t k) const {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!IsAliasType(entries[i].type) || k-- != 0) continue;
    // The first link of a table writes its old entry first.
    if (i == 1 && IsOldMediaType(entries[0].type) && entries[0].position == entries[1].position) return 0;
    return static_cast<int>(i);
  }
  return -1;
}

int CTextFormatInfo::ReadMedia(const Entry& e, std::string& name, std::string* second) {
  name.clear();
  if (second) second->clear();
  if (MediaKindOfType(e.type) == kNoMedia) return kNoMedia;
  if (!EntryStrings(e, name, IsCurrentMediaType(e.type) ? second : nullptr)) return kNoMedia;
  return MediaKindOfType(e.type);
}

int CTextFormatInfo::FindMedia(uint32_t k, std::string& name, std::string* second) {
  name.clear();
  if (second) second->clear();
  const std::vector<Entry> entries = Entries();
  const int i = FindMediaEntry(entries, k);
  return i < 0 ? kNoMedia : ReadMedia(entries[static_cast<size_t>(i)], name, second);
}

int CTextFormatInfo::FindCurrentMedia(uint32_t k, std::string& name, std::string* second) {
  const int kind = FindMedia(k, name, second);
  const std::vector<Entry> entries = Entries();
  const int i = FindMediaEntry(entries, k);
  if (i >= 0 && IsOldMediaType(entries[static_cast<size_t>(i)].type)) name.clear();
  return kind;
}

int CTextFormatInfo::FindAliasMedia(uint32_t k, std::string& name, uint16_t* position) {
  name.clear();
  if (Version() < 200) return kNoMedia;
  const std::vector<Entry> entries = Entries();
  const int i = FindAliasEntry(entries, k);
  if (i < 0) return kNoMedia;
  const Entry& e = entries[static_cast<size_t>(i)];
  if (!EntryStrings(e, name, nullptr)) return kNoMedia;
  if (position) *position = e.position;
  return MediaKindOfType(e.type);
}

bool CTextFormatInfo::ReplaceName(const Entry& e, std::string_view newName) {
  std::string old;
  if (!EntryStrings(e, old, nullptr)) return false;
  const int64_t length = int64_t{e.length} - static_cast<int64_t>(old.size()) + static_cast<int64_t>(newName.size());
  if (newName.size() > 0xFFFF || length > 0xFFFF) return false;
  std::string replaced = bytes_.substr(0, e.offset + 4);
  uint8_t word[2];
  PutLittleEndian(word, 2, static_cast<uint32_t>(length));
  replaced.append(reinterpret_cast<const char*>(word), 2);
  PutLittleEndian(word, 2, static_cast<uint32_t>(newName.size()));
  replaced.append(reinterpret_cast<const char*>(word), 2);
  replaced.append(newName);
  replaced.append(bytes_, e.Data() + 2 + old.size());
  bytes_ = std::move(replaced);
  Reset(bytes_);
  return true;
}

bool CTextFormatInfo::ReplaceMediaName(uint32_t k, std::string_view newName, bool alias) {
  const std::vector<Entry> entries = Entries();
  if (alias && Version() < 200) return false;
  const int i = alias ? FindAliasEntry(entries, k) : FindMediaEntry(entries, k);
  if (i < 0) return false;
  return ReplaceName(entries[static_cast<size_t>(i)], newName);
}

bool CTextFormatInfo::StripMediaLinks() {
  if (!text_) return false;
  const std::vector<Entry> entries = Entries();
  if (Failed() || entries.size() != EntryCount()) return false;
  const uint32_t tableEnd = Position();
  std::string kept;
  uint32_t count = 0;
  for (const Entry& e : entries) {
    if (MediaKindOfType(e.type) == kNoMedia) {
      kept.append(bytes_, e.offset, kEntryHeaderSize + e.length);
      ++count;
      continue;
    }
    // Positions are 1-based: the link's object mark is the character before.
    if (e.position >= 1 && e.position <= text_->size() && (*text_)[e.position - 1u] == kObjectMark)
      (*text_)[e.position - 1u] = ' ';
  }
  std::string stripped = bytes_.substr(0, 2);
  uint8_t word[2];
  PutLittleEndian(word, 2, count);
  stripped.append(reinterpret_cast<const char*>(word), 2);
  stripped.append(2, '\0');
  stripped += kept;
  stripped.append(bytes_, tableEnd);
  bytes_ = std::move(stripped);
  Reset(bytes_);
  return true;
}

namespace {

// The media links of stored format bytes, as the game items ask for them.
class FormatInfoMedia final : public TextMediaReader {
 public:
  explicit FormatInfoMedia(std::string_view bytes) {
    CTextFormatInfo info(bytes);
    std::string name;
    for (const CTextFormatInfo::Entry& e : info.Entries()) {
      if (!IsOldMediaType(e.type) && !IsCurrentMediaType(e.type)) continue;
      const int kind = info.ReadMedia(e, name);
      if (kind == kNoMedia) break;
      links_.push_back({kind, name});
    }
  }
  int MediaLinkCount() const override { return static_cast<int>(links_.size()); }
  int MediaLinkKind(int i) const override { return links_[static_cast<size_t>(i)].kind; }
  std::string MediaLinkTarget(int i) const override { return links_[static_cast<size_t>(i)].target; }
  bool StripMediaLinks(std::string& formatBytes, std::string& text) const override {
    CTextFormatInfo info(formatBytes, &text);
    if (!info.StripMediaLinks()) return false;
    formatBytes = info.Bytes();
    return true;
  }

 private:
  struct Link {
    int kind;
    std::string target;
  };
  std::vector<Link> links_;
};

}  // namespace

void InstallTextMediaReader() {
  SetTextMediaReaderFactory([](std::string_view bytes) { return std::make_unique<FormatInfoMedia>(bytes); });
}

}  // namespace zh
