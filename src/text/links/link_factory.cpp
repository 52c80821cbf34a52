#include "text/links/link_factory.h"

#include <string_view>

#include "text/buffer.h"
#include "text/links/game_links.h"
#include "text/links/link_list.h"
#include "text/links/media_links.h"
#include "text/links/plain_links.h"

namespace zh {
namespace {

struct EntryHeader {
  uint16_t type = 0;
  uint16_t position = 0;
  uint16_t length = 0;
};

uint16_t AliasType(uint16_t type) {
  switch (type) {
    case kAudioLinkType:
      return kAliasAudioLinkType;
    case kVideoLinkType:
      return kAliasVideoLinkType;
    case kPictureLinkType:
      return kAliasPictureLinkType;
    default:
      return type;
  }
}

uint16_t Word(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

std::unique_ptr<AHyperLink> MakeLink(uint16_t type, LinkContext* context, bool registerMedia) {
  switch (type) {
    case kOldGameLinkType:
      return std::make_unique<CGameLink>(context, kOldLinkForm);
    case kGameLinkType:
      return std::make_unique<CGameLink>(context, kCurrentLinkForm);
    case kPlayerLinkType:
      return std::make_unique<CPlayerLink>(context);
    case kTableLinkType:
      return std::make_unique<CTableLink>(context);
    case kOldTextLinkType:
      return std::make_unique<CTextLink>(context, kOldLinkForm);
    case kTextLinkType:
      return std::make_unique<CTextLink>(context, kCurrentLinkForm);
    case kOldPositionLinkType:
      return std::make_unique<CPositionLink>(context, kOldLinkForm);
    case kPositionLinkType:
      return std::make_unique<CPositionLink>(context, kCurrentLinkForm);
    case kKeyLinkType:
      return std::make_unique<CKeyLink>(context);
    case kGameListLinkType:
      return std::make_unique<CGameListLink>(context);
    case kInternalTextLinkType:
      return std::make_unique<CInternalTextLink>(context);
    case kPinNoteLinkType:
      return std::make_unique<CPinNoteLink>(context);
    case kSearchMaskLinkType:
      return std::make_unique<CSearchMaskLink>(context);
    case kLineLinkType:
      return std::make_unique<CLineLink>(context);
    case kWebPageLinkType:
      return std::make_unique<CWebPageLink>(context);
    case kLibLinkType:
      return std::make_unique<CLibLink>(context);
    case kTreeLinkType:
      return std::make_unique<CTreeLink>(context);
    case kExternGameListLinkType:
      return std::make_unique<CExternGameListLink>(context);
    case kAliasVideoLinkType:
      return std::make_unique<CAliasVideoLink>(context);
    case kAliasAudioLinkType:
      return std::make_unique<CAliasAudioLink>(context);
    case kAliasPictureLinkType:
      return std::make_unique<CAliasPictureLink>(context);
    default:
      break;
  }
  std::unique_ptr<CFileBasedLink> media;
  switch (type) {
    case kOldPictureLinkType:
    case kPictureLinkType:
      media = std::make_unique<CPictureLink>(
          context, type == kPictureLinkType ? kCurrentLinkForm : kOldLinkForm);
      break;
    case kOldAudioLinkType:
    case kAudioLinkType:
      media = std::make_unique<CAudioLink>(context,
                                           type == kAudioLinkType ? kCurrentLinkForm : kOldLinkForm);
      break;
    case kOldVideoLinkType:
    case kVideoLinkType:
      media = std::make_unique<CVideoLink>(context,
                                           type == kVideoLinkType ? kCurrentLinkForm : kOldLinkForm);
      break;
    default:
      return std::make_unique<CEmptyLink>(context);
  }
  media->SetRegister(registerMedia);
  return media;
}

bool IsCompatPair(uint16_t type, uint16_t next) {
  switch (type) {
    case kOldGameLinkType:
      return next == kGameLinkType;
    case kOldTextLinkType:
      return next == kTextLinkType;
    case kOldPictureLinkType:
      return next == kAliasPictureLinkType || next == kPictureLinkType;
    case kOldAudioLinkType:
      return next == kAliasAudioLinkType || next == kAudioLinkType;
    case kOldVideoLinkType:
      return next == kAliasVideoLinkType || next == kVideoLinkType;
    case kOldPositionLinkType:
      return next == kPositionLinkType;
    case kInternalTextLinkType:
      return next == kSearchMaskLinkType || next == kWebPageLinkType || next == kTreeLinkType;
    default:
      return false;
  }
}

int BuildLinks(HyperLinkList& list, CBuffer& table, LinkContext* context, bool registerMedia,
               uint32_t offset, bool asAliases, uint32_t textLength) {
  const uint16_t count = table.ReadShort();
  table.ReadShort();  // the media entry count
  if (table.Failed() || !table.HasData()) return 0;
  const uint8_t* bytes = table.Data();
  const uint32_t size = table.Size();

  int inserted = 0;
  bool previousLeading = false;
  int previousPosition = -1;
  for (uint32_t i = 0; i < count; ++i) {
    if (table.Remaining() < 6) break;
    EntryHeader entry;
    entry.type = table.ReadShort();
    entry.position = table.ReadShort();
    entry.length = table.ReadShort();
    if (entry.length > table.Remaining()) break;
    const uint32_t dataStart = table.Position();

    bool hasNext = false;
    EntryHeader next;
    const uint32_t nextAt = dataStart + entry.length;
    if (i + 1 < count && nextAt + 4 <= size) {
      hasNext = true;
      next.type = Word(bytes + nextAt);
      next.position = Word(bytes + nextAt + 2);
    }
    uint16_t type = entry.type;
    if (asAliases) {
      type = AliasType(type);
      next.type = AliasType(next.type);
    }

    // A compatibility entry sits at its partner's place, also at the head of a table:
    // an internal text link first in a table is no partner of a web page link that
    // follows it elsewhere.
    const bool leading = hasNext && IsCompatPair(type, next.type) && next.position == entry.position;
    if (leading) {
      // The older form of the entry that follows: not built at all.
      table.Skip(entry.length);
      previousLeading = true;
      previousPosition = entry.position;
      continue;
    }

    std::unique_ptr<AHyperLink> link = MakeLink(type, context, registerMedia);
    CBuffer data(std::string_view(reinterpret_cast<const char*>(bytes + dataStart), entry.length));
    link->Load(data);
    table.Skip(entry.length);

    const CTQ7Link* tq7 = link->AsTQ7();
    if (tq7 && i > 0 && !previousLeading && tq7->IsCurrentForm() && i + 1 < count) {
      if (!CTQ7Link::SkipEntry(table)) break;
      ++i;
    }
    previousLeading = false;

    const bool duplicateEmpty =
        type == kEmptyLinkType && (entry.position == previousPosition ||
                                   (hasNext && next.position == entry.position));
    previousPosition = entry.position;
    if (duplicateEmpty) continue;

    // A link needs a character of the text to sit on.
    const uint32_t position = offset + entry.position;
    if (position == 0 || position > textLength || position > UINT16_MAX) continue;
    if (link->State() != kLinkUsable) {
      link = std::make_unique<CEmptyLink>(context);
      link->SetState(kLinkUsable);
    }
    list.Insert(static_cast<uint16_t>(position), std::move(link));
    ++inserted;
  }
  return inserted;
}

}  // namespace zh
