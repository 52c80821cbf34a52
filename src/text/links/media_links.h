// The link kinds that own or name a media file of the database: pictures, sounds and
// videos. A media link's key is a plain file name inside the database's media folder
// of its kind; anything else (a path, "..") is refused. A link that owns its file
// registers it in the context's media registry; an alias only names a file.
#pragma once

#include <cstdint>
#include <string>

#include "text/links/hyper_link.h"

namespace zh {

// A link whose data are a key and, in the current form, a second string.
class CStringKeyLink : public AHyperLink {
 public:
  using AHyperLink::AHyperLink;
  std::string GetText() const override { return {}; }
  const std::string& Key() const { return key_; }
  const std::string& Second() const { return second_; }

 protected:
  std::string key_;
  std::string second_;
};

// Shown as a bitmap (its own, or an icon of the link bitmap cache).
class CStringKeyBitmapRepLink : public CStringKeyLink {
 public:
  using CStringKeyLink::CStringKeyLink;
};

// A link to a media file: finds the file's path when built.
class CFileBasedLink : public CStringKeyBitmapRepLink, public CTQ7Link {
 public:
  // `mediaKind`: TqgDatabase's 16 sound, 17 picture, 18 video.
  CFileBasedLink(uint16_t type, int32_t representation, LinkContext* context, int form,
                 int mediaKind, bool alias);

  // The key, the second string in the current form, then the file (see Resolve).
  void Load(CBuffer& data) override;
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;
  bool OwnsMediaFile() const override { return !alias_; }
  void OnRemove() override;
  void MarkUsed() override;
  CTQ7Link* AsTQ7() override { return this; }
  bool IsCurrentForm() const override { return alias_ || CTQ7Link::IsCurrentForm(); }
  uint16_t CompatType() const override;

  // Whether the factory's entry is to register the file.
  void SetRegister(bool registerMedia) { register_ = registerMedia; }
  const std::string& Path() const { return path_; }
  int MediaKind() const { return mediaKind_; }
  bool IsAlias() const { return alias_; }

  // A key that names a file inside the media folder: not empty, no folder part.
  static bool IsPlainFileName(const std::string& key);

 protected:
  // The file's path; a media-owning link is refused past the context's limit and
  // registers a file it finds when asked. State 0 when the file can be read.
  void Resolve();

 private:
  std::string path_;
  int mediaKind_;
  bool alias_;
  bool register_ = false;
};

class CPictureLink final : public CFileBasedLink {
 public:
  CPictureLink(LinkContext* context, int form);
  bool IsFramed() const override { return false; }
};

class CAliasPictureLink final : public CFileBasedLink {
 public:
  explicit CAliasPictureLink(LinkContext* context);
  bool IsFramed() const override { return false; }
};

class CBaseAudioLink : public CFileBasedLink {
 public:
  CBaseAudioLink(uint16_t type, LinkContext* context, int form, bool alias);
  int GetIcon() const override { return kSoundIcon; }
  // The error signal when the file is not there, else plays it.
  void Follow() override;
};

class CAudioLink final : public CBaseAudioLink {
 public:
  CAudioLink(LinkContext* context, int form) : CBaseAudioLink(kAudioLinkType, context, form, false) {}
};

class CAliasAudioLink final : public CBaseAudioLink {
 public:
  explicit CAliasAudioLink(LinkContext* context)
      : CBaseAudioLink(kAliasAudioLinkType, context, kCurrentLinkForm, true) {}
};

class CBaseVideoLink : public CFileBasedLink {
 public:
  static constexpr int kMinimumWidth = 500;
  CBaseVideoLink(uint16_t type, LinkContext* context, int form, bool alias);
  int GetIcon() const override { return kVideoIcon; }
  // The error signal when the file is not there, else plays it at 0.6 of the screen
  // width, at least kMinimumWidth.
  void Follow() override;
};

class CVideoLink final : public CBaseVideoLink {
 public:
  CVideoLink(LinkContext* context, int form) : CBaseVideoLink(kVideoLinkType, context, form, false) {}
};

class CAliasVideoLink final : public CBaseVideoLink {
 public:
  explicit CAliasVideoLink(LinkContext* context)
      : CBaseVideoLink(kAliasVideoLinkType, context, kCurrentLinkForm, true) {}
};

}  // namespace zh
