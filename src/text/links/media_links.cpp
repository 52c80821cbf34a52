#include "text/links/media_links.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/message_ids.h"
#include "core/services.h"
#include "database/database.h"
#include "database/headerset/tqg_database.h"
#include "text/buffer.h"
#include "text/link_actions.h"
#include "text/links/link_context.h"

namespace zh {
namespace {

// Whether the file is there and can be read.
bool IsReadableFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream file(path, std::ios::binary);
  return file.good();
}

}  // namespace

CFileBasedLink::CFileBasedLink(uint16_t type, int32_t representation, LinkContext* context,
                               int form, int mediaKind, bool alias)
    : CStringKeyBitmapRepLink(type, representation, context),
      CTQ7Link(form),
      mediaKind_(mediaKind),
      alias_(alias) {}

bool CFileBasedLink::IsPlainFileName(const std::string& key) {
  if (key.empty() || key == "." || key == "..") return false;
  return std::none_of(key.begin(), key.end(), [](char c) { return c == '/' || c == '\\' || c == '\0'; });
}

void CFileBasedLink::Load(CBuffer& data) {
  data.ReadString(key_);
  second_.clear();
  if (IsCurrentForm()) data.ReadString(second_);
  SetLoaded(data);
  if (State() == kLinkUsable) Resolve();
}

void CFileBasedLink::Resolve() {
  LinkContext* context = Context();
  if (!alias_ && context && context->MediaCount() >= LinkContext::kMaxMediaObjects) {
    Actions().ErrorBox(GetMessageText(msg::M_LINK_TOO_MANY_MEDIA));
    SetState(kLinkTooManyMedia);
    return;
  }
  Database* database = context ? context->GetDatabase() : nullptr;
  TqgDatabase* tqg = database ? database->AsTqgDatabase() : nullptr;
  if (!tqg) {
    if (mediaKind_ == TqgDatabase::kPicture)
      ReportInconsistency(GetMessageText(msg::M_LINK_NO_DATABASE), "Editor\\Linkmana", 1);
    SetState(kLinkMediaMissing);
    return;
  }
  if (!IsPlainFileName(key_)) {
    SetState(kLinkMediaMissing);
    return;
  }
  path_ = tqg->MediaFilePath(key_, mediaKind_);
  const bool present = IsReadableFile(path_);
  if (present && register_ && !alias_) {
    context->Register(key_);
    tqg->CountMediaObject(mediaKind_);
  }
  SetState(present ? kLinkUsable : kLinkMediaMissing);
}

uint32_t CFileBasedLink::GetStoreSize() const {
  return CBuffer::StringSize(key_) + (WritingCompat() ? 0 : CBuffer::StringSize(second_));
}

void CFileBasedLink::Store(CBuffer& out) const {
  out.WriteString(key_);
  if (!WritingCompat()) out.WriteString(second_);
}

void CFileBasedLink::OnRemove() {
  if (!alias_ && Context()) Context()->MarkRemoved(key_);
}

void CFileBasedLink::MarkUsed() {
  if (!alias_ && Context()) Context()->MarkUsed(key_);
}

uint16_t CFileBasedLink::CompatType() const {
  switch (mediaKind_) {
    case TqgDatabase::kAudio:
      return kOldAudioLinkType;
    case TqgDatabase::kVideo:
      return kOldVideoLinkType;
    default:
      return kOldPictureLinkType;
  }
}

CPictureLink::CPictureLink(LinkContext* context, int form)
    : CFileBasedLink(kPictureLinkType, kShownAsBitmap, context, form, TqgDatabase::kPicture, false) {}

CAliasPictureLink::CAliasPictureLink(LinkContext* context)
    : CFileBasedLink(kAliasPictureLinkType, kShownAsBitmap, context, kCurrentLinkForm,
                     TqgDatabase::kPicture, true) {}

CBaseAudioLink::CBaseAudioLink(uint16_t type, LinkContext* context, int form, bool alias)
    : CFileBasedLink(type, kShownAsSoundIcon, context, form, TqgDatabase::kAudio, alias) {}

void CBaseAudioLink::Follow() {
  AHyperLink::Follow();
  if (State() != kLinkUsable) {
    Actions().ErrorSignal();
    return;
  }
  Actions().StopSound();
  Actions().PlayWave(Path());
}

CBaseVideoLink::CBaseVideoLink(uint16_t type, LinkContext* context, int form, bool alias)
    : CFileBasedLink(type, kShownAsBitmap, context, form, TqgDatabase::kVideo, alias) {}

void CBaseVideoLink::Follow() {
  AHyperLink::Follow();
  if (State() != kLinkUsable) {
    Actions().ErrorSignal();
    return;
  }
  Actions().StopSound();
  const int width = std::max(Actions().ScreenWidth() * 6 / 10, kMinimumWidth);
  Actions().PlayVideo(Path(), width);
}

}  // namespace zh
