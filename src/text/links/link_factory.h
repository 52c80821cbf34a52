// The link factory: link objects from the entries of a stored link table.
#pragma once

#include <cstdint>
#include <memory>

#include "text/links/hyper_link.h"

namespace zh {

class CBuffer;
class HyperLinkList;

// A new link of a table type, not yet loaded; an unknown type gives an empty link.
// Media links that own their file register it when loaded if registerMedia is set.
std::unique_ptr<AHyperLink> MakeLink(uint16_t type, LinkContext* context, bool registerMedia);

// Whether an entry of type `type` directly followed by one of type `next` is the
// older form of the same link.
bool IsCompatPair(uint16_t type, uint16_t next);

// Reads a link table from the buffer's position (its entry count) and inserts the
// links at offset + their stored position. A compatibility entry is read as its
// partner's older form and dropped; an unknown or unresolved link becomes an empty
// link; with asAliases, media links that own their file (21 to 23) are read as aliases.
// The walk stops at the end of the bytes; an entry whose data run past them is not
// read, and a link placed outside a text of textLength characters is dropped.
// Answers the number of links inserted.
int BuildLinks(HyperLinkList& list, CBuffer& table, LinkContext* context, bool registerMedia,
               uint32_t offset, bool asAliases, uint32_t textLength);

}  // namespace zh
