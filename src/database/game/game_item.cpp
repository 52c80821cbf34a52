#include "database/game/game_item.h"

#include "core/toolbox/code_pages.h"
#include "core/rules/notation.h"
#include "core/toolbox/path_list.h"
#include "core/services.h"
#include "database/game/annotation_set.h"
#include "database/game/text_media_reader.h"

namespace zh {

namespace {

constexpr char kSourcePath[] = "Files\\Tq_game";

int16_t MediaTag(int linkKind) {
  if (linkKind == kAudioLink) return kAudioAnnotation;
  if (linkKind == kVideoLink) return kVideoAnnotation;
  return kPictureAnnotation;
}

}  // namespace

TQGame::TQGame() {
  header.record = HeaderRecord::Game();
  header.record.resultByte = kNoResult;
}

TQGame::TQGame(const TQGame& other) : TQItem(other), body(other.body) {}

TQGame::~TQGame() = default;

int TQGame::ItemKind() const {
  if (header.IsGame()) return body.IsSetUp() ? kSetUpGameItem : kGameItem;
  if (header.IsText()) return kTextItem;
  return kNoItem;
}

TQTextItem::TQTextItem() {
  header.record = HeaderRecord::Text();
}

int TQTextItem::ItemKind() const {
  switch (header.record.type == kEmptyRecord ? kEmptyRecord : header.record.Kind()) {
    case kGameRecord:
      ReportInconsistency("Text cannot be game", kSourcePath, 172);
      return kNoItem;
    case 2:
      ReportInconsistency("Text should only be tourninfo", kSourcePath, 175);
      return kTournamentInfoItem;
    case kTextRecord: return kTextItem;
    default: return kNoItem;
  }
}

const std::string& TQTextItem::Caption(int slot, int fallback) const {
  if (!GetCaption(slot).empty()) return GetCaption(slot);
  if (!GetCaption(fallback).empty()) return GetCaption(fallback);
  for (int i = 0; i < kScannedSlots; ++i)
    if (!captions_[i].empty()) return captions_[i];
  return captions_[kScannedSlots];
}

bool TQTextItem::FindCaption(const std::string& text, bool exact) const {
  for (int i = 0; i < kScannedSlots; ++i)
    if (exact ? captions_[i] == text : captions_[i].find(text) != std::string::npos) return true;
  return false;
}

void TQTextItem::CollectMediaFlags() {
  uint32_t flags = header.GetContentFlags();
  for (int i = 0; i < kScannedSlots; ++i) {
    const auto info = ReadTextMedia(formats_[i]);
    for (int k = 0; k < info->MediaLinkCount(); ++k) {
      const int kind = info->MediaLinkKind(k);
      if (kind == kPictureLink) flags |= 0x20000;
      if (kind == kAudioLink) flags |= 0x10000;
      if (kind == kVideoLink) flags |= 0x40000;
    }
  }
  header.SetContentFlags(flags);
}

void TQTextItem::CollectMedia(PathList& list) const {
  for (int i = 0; i < kScannedSlots; ++i) {
    const auto info = ReadTextMedia(formats_[i]);
    for (int k = 0; k < info->MediaLinkCount(); ++k) {
      const std::string target = info->MediaLinkTarget(k);
      if (list.Find(target) < 0) list.Add(target, MediaTag(info->MediaLinkKind(k)));
    }
  }
}

namespace {
// "Last, First", or the last name alone.
std::string LastCommaFirst(const TQPlayer& player) {
  const std::string first = player.FirstName();
  return first.empty() ? player.LastName() : player.LastName() + ", " + first;
}
}  // namespace

DisplayText FormatPlayerPair(const TQGame& game) {
  std::string text = LastCommaFirst(game.header.white);
  const std::string black = LastCommaFirst(game.header.black);
  if (!black.empty()) text += " - " + black;
  return ReplaceFigurineChars(DisplayText(Utf8ToDisplay(text)));
}

}  // namespace zh
