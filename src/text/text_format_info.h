// The stored format bytes of one text: a version word, the link table (entry count,
// media entry count, entries of type, position, data length and data) and the
// attribute layer. These operations work on the bytes without building links. Every
// walk is bounds-checked: an entry or string that reaches past the bytes fails the
// buffer and ends the walk, and what was read before it stands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/buffer.h"

namespace zh {

// What a media link points at.
enum MediaKind : int { kNoMedia = 0, kPictureMedia = 1, kSoundMedia = 2, kVideoMedia = 3 };

class CTextFormatInfo : public CBuffer {
 public:
  static constexpr uint32_t kHeaderSize = 6;
  static constexpr uint32_t kEntryHeaderSize = 6;
  // The stored bytes of one text are limited to this.
  static constexpr uint32_t kMaxStoredSize = 65535;

  struct Entry {
    uint16_t type = 0;
    uint16_t position = 0;
    uint16_t length = 0;
    uint32_t offset = 0;  // of the entry's type word
    uint32_t Data() const { return offset + kEntryHeaderSize; }
  };

  // A copy of the bytes; `text` (the text's characters) is needed only to strip links.
  explicit CTextFormatInfo(std::string_view bytes, std::string* text = nullptr);

  // The bytes as they stand (after a replacement or a strip).
  const std::string& Bytes() const { return bytes_; }
  void ToString(std::string& out) const override { out = bytes_; }

  uint16_t Version() const { return HeaderWord(0); }
  uint16_t EntryCount() const { return HeaderWord(2); }
  uint16_t MediaCount() const { return HeaderWord(4); }

  // Read position 0, past the three header words.
  void Rewind();
  // The entries of the link table, as far as they lie within the bytes; afterwards
  // the read position is after the last of them (the attribute layer when intact).
  std::vector<Entry> Entries();
  // Type and position of entry k, without moving the read position.
  bool PeekEntry(uint32_t k, uint16_t& type, uint16_t& position);

  // The k-th media entry of types 6 to 8 and 21 to 23 (a link written with its
  // compatibility entry counts twice): its file name, for 21 to 23 also its second
  // string when asked; answers the MediaKind, kNoMedia when there is none.
  int FindMedia(uint32_t k, std::string& name, std::string* second = nullptr);
  // As FindMedia, with an empty name for the old types 6 to 8.
  int FindCurrentMedia(uint32_t k, std::string& name, std::string* second = nullptr);
  // Version 200 and above: the k-th alias media object (18 to 20). A first-place alias
  // whose old entry precedes it gives the old entry's name and position.
  int FindAliasMedia(uint32_t k, std::string& name, uint16_t* position = nullptr);

  // The media kind of a media entry (kNoMedia for the others) with its file name and,
  // for 21 to 23, its second string when asked.
  int ReadMedia(const Entry& entry, std::string& name, std::string* second = nullptr);

  // Replaces the file name of the k-th media object (FindMedia's count, or the alias
  // count) and corrects that entry's data length. False, unchanged, when there is no
  // such object or the entry would grow beyond 16 bits.
  bool ReplaceMediaName(uint32_t k, std::string_view newName, bool alias = false);

  // Removes every picture, sound and video entry (6 to 8, 18 to 23) with its partner,
  // turns the object mark at each one's place into a blank, writes the new entry count
  // and a media count of 0. False without a text or with a damaged table (unchanged).
  bool StripMediaLinks();

 private:
  uint16_t HeaderWord(uint32_t offset) const;
  // The media entry FindMedia counts as k-th, as an index into `entries`; -1 none.
  int FindMediaEntry(const std::vector<Entry>& entries, uint32_t k) const;
  int FindAliasEntry(const std::vector<Entry>& entries, uint32_t k) const;
  // The strings of an entry's data: false when the first does not fit the data.
  bool EntryStrings(const Entry& entry, std::string& first, std::string* second);
  bool ReplaceName(const Entry& entry, std::string_view newName);

  std::string bytes_;
  std::string* text_;
};

// The kind of a media entry type, kNoMedia for the others.
int MediaKindOfType(uint16_t type);

// Makes the game items read the media links of stored texts with CTextFormatInfo.
void InstallTextMediaReader();

}  // namespace zh
