// The hyperlinks of one text, sorted by the 1-based position of the character each is
// anchored to, and the link table they are stored as: an entry count, a media entry
// count and the entries (type, position relative to the stored range, data length,
// data). Every link with an older form writes a compatibility entry beside its own:
// before it for the first link of a table, after it for every other.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/links/hyper_link.h"

namespace zh {

class CBuffer;

// A range of characters: a 0-based start and a length; it holds the link positions
// start + 1 to start + length.
struct TextRange {
  uint32_t start = 0;
  uint32_t length = 0;
  bool Holds(uint32_t position) const { return position >= start + 1 && position <= start + length; }
};

class HyperLinkList {
 public:
  struct Node {
    uint16_t position;
    std::unique_ptr<AHyperLink> link;
  };

  HyperLinkList() = default;
  HyperLinkList(const HyperLinkList&) = delete;
  HyperLinkList& operator=(const HyperLinkList&) = delete;

  // Before the first node whose position is not smaller; after the first node when
  // that one has the same position.
  void Insert(uint16_t position, std::unique_ptr<AHyperLink> link);
  // Text inserted: every node after `position` moves by delta.
  void ShiftAfter(uint32_t position, int32_t delta);
  // Text deleted at the 0-based position: links anchored in it are removed (their
  // OnRemove first), the links after it move down by length.
  void RemoveRange(uint32_t position, uint32_t length);
  AHyperLink* Find(uint32_t position) const;
  void Clear();

  // Entries a table of the range holds: one per link and one more per link with an
  // older form; with mediaOnly only the links that own a media file.
  uint32_t CountEntries(TextRange range, bool mediaOnly) const;
  // Writes the entry count, the media entry count and the entries of the range; the
  // links mark their media files as used when asked. A buffer without data measures.
  void WriteTable(CBuffer& out, TextRange range, bool markUsed) const;
  // The texts of the range's links, each followed by '#', with '/' written "//" and
  // '#' written "/#".
  std::string LinkTexts(TextRange range) const;

  const std::vector<Node>& Nodes() const { return nodes_; }
  size_t Count() const { return nodes_.size(); }

 private:
  std::vector<Node> nodes_;
};

// The link texts of LinkTexts back, one per link.
std::vector<std::string> SplitLinkTexts(std::string_view texts);

}  // namespace zh
