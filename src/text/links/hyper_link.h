// A hyperlink of a formatted text: an object anchored at one character that leads
// somewhere (a game, a text, a key, a picture, ...). AHyperLink is the common base of
// every kind; CTQ7Link is the second base of the kinds that also have an older stored
// form and write a compatibility entry of that form beside their own table entry.
#pragma once

#include <cstdint>
#include <string>

namespace zh {

class CBuffer;
class CTQ7Link;
class LinkActions;
class LinkContext;

// Type codes of the link table. Codes 2, 5 to 9 are the older forms of 26, 25, 23,
// 21, 22 and 17; 12 also serves as the older form of 14, 16 and 27.
enum LinkType : uint16_t {
  kEmptyLinkType = 1,
  kOldGameLinkType = 2,
  kPlayerLinkType = 3,
  kTableLinkType = 4,
  kOldTextLinkType = 5,
  kOldPictureLinkType = 6,
  kOldAudioLinkType = 7,
  kOldVideoLinkType = 8,
  kOldPositionLinkType = 9,
  kKeyLinkType = 10,
  kGameListLinkType = 11,
  kInternalTextLinkType = 12,
  kPinNoteLinkType = 13,
  kSearchMaskLinkType = 14,
  kLineLinkType = 15,
  kWebPageLinkType = 16,
  kPositionLinkType = 17,
  kAliasVideoLinkType = 18,
  kAliasAudioLinkType = 19,
  kAliasPictureLinkType = 20,
  kAudioLinkType = 21,
  kVideoLinkType = 22,
  kPictureLinkType = 23,
  kLibLinkType = 24,
  kTextLinkType = 25,
  kGameLinkType = 26,
  kTreeLinkType = 27,
  kExternGameListLinkType = 28,
};
inline constexpr int kLinkTypeCount = 28;

// A link is usable in state 0; any other state means it could not be built.
enum LinkState : int32_t {
  kLinkUsable = 0,
  kLinkLibrary = 1,        // library links are never resolved
  kLinkDamaged = 2,        // its stored data is cut short or a block is above its limit
  kLinkDestroyed = 3,
  kLinkBuilding = 4,
  kLinkMediaMissing = 6,   // media file missing, unreadable or not a plain file name
  kLinkTooManyMedia = 18,
};

// How the editor shows a link.
enum LinkRepresentation : int32_t {
  kShownAsText = 1,
  kShownAsBitmap = 2,
  kShownAsSoundIcon = 3,
  kShownAsLine = 4,
};

// Icons of the link bitmap cache.
enum LinkIcon : int {
  kNoIcon = 0,
  kSoundIcon = 22,
  kVideoIcon = 24,
  kOpeningsKeyIcon = 31,
  kKeyIcon = 32,
  kTreeWindowIcon = 34,
};

// Form numbers of the kinds with an older stored form.
inline constexpr int kOldLinkForm = 600;
inline constexpr int kCurrentLinkForm = 700;

struct LinkSize {
  int width = 0;
  int height = 0;
};

class AHyperLink {
 public:
  AHyperLink(uint16_t type, int32_t representation, LinkContext* context)
      : type_(type), representation_(representation), context_(context) {}
  virtual ~AHyperLink() { state_ = kLinkDestroyed; }
  AHyperLink(const AHyperLink&) = delete;
  AHyperLink& operator=(const AHyperLink&) = delete;

  // Reads the kind's data from a buffer over exactly the entry's data bytes and sets
  // the state.
  virtual void Load(CBuffer& data) = 0;

  // The text the editor shows and copies; stored texts are bytes.
  virtual std::string GetText() const;
  // The icon of the link bitmap cache a bitmap-shown kind is drawn with (kNoIcon when
  // its bitmap is its own: a picture, a diagram, a video frame).
  virtual int GetIcon() const { return kNoIcon; }
  virtual int GetExtra() const { return 0; }
  virtual int GetGameNumber() { return -1; }
  virtual int GetTextNumber() { return -1; }
  // The editor's Ctrl-click: true when the editor is to lay the link out again.
  virtual bool Toggle() { return false; }
  // Whether following leads to a target of its own.
  virtual bool HasTarget() const { return false; }
  virtual bool OwnsMediaFile() const { return false; }
  virtual LinkSize GetSize() const { return {}; }
  // The number of data bytes Store writes.
  virtual uint32_t GetStoreSize() const = 0;
  virtual void Store(CBuffer& out) const = 0;
  // The link's character was deleted.
  virtual void OnRemove() {}
  // The text is being saved with this link in it.
  virtual void MarkUsed() {}
  virtual void Follow() { followed_ = 1; }
  // Whether the link is drawn with a frame of its own when selected.
  virtual bool IsFramed() const { return true; }
  virtual bool IsGameLink() const { return false; }
  virtual void Refresh() {}
  // The compatibility side of the kinds that have an older form.
  virtual CTQ7Link* AsTQ7() { return nullptr; }
  const CTQ7Link* AsTQ7() const { return const_cast<AHyperLink*>(this)->AsTQ7(); }

  int32_t State() const { return state_; }
  void SetState(int32_t state) { state_ = state; }
  uint16_t Type() const { return type_; }
  int32_t Representation() const { return representation_; }
  bool Followed() const { return followed_ != 0; }
  // The last mouse point in the window that shows the link.
  void SetPoint(int16_t x, int16_t y) { x_ = x, y_ = y; }
  int16_t X() const { return x_; }
  int16_t Y() const { return y_; }
  LinkContext* Context() const { return context_; }

 protected:
  // The context's actions; the null actions without a context.
  LinkActions& Actions() const;
  void SetRepresentation(int32_t r) { representation_ = r; }
  // Usable when the data held every field read, else damaged.
  void SetLoaded(const CBuffer& data);

 private:
  int32_t state_ = kLinkBuilding;
  int16_t x_ = 0;
  int16_t y_ = 0;
  uint16_t type_;
  int32_t representation_;
  int32_t followed_ = 0;
  LinkContext* context_;
};

// The second base of the kinds with an older stored form.
class CTQ7Link {
 public:
  explicit CTQ7Link(int form) : form_(form) {}
  virtual ~CTQ7Link() = default;

  // True when the link was read in the current form.
  virtual bool IsCurrentForm() const { return form_ == kCurrentLinkForm; }
  // Writes the link's compatibility entry: the older type, the position, the data
  // length and the data without the fields of the current form.
  void WriteEntry(CBuffer& out, uint16_t position) const;
  // Reads a type, a position and a data length and skips that many data bytes.
  static bool SkipEntry(CBuffer& in);
  // The compatibility entry's size with its entry header.
  uint32_t EntrySize() const;
  // The type of the compatibility entry.
  virtual uint16_t CompatType() const = 0;

  int Form() const { return form_; }

 protected:
  // True while the compatibility entry is being measured or written: GetStoreSize
  // and Store leave out the current form's fields then.
  bool WritingCompat() const { return compat_; }

 private:
  const AHyperLink& Self() const;

  int form_;
  mutable bool compat_ = false;
};

// The data of the internal text link that stands in as the compatibility entry of
// the kinds an old reader does not know.
inline constexpr const char* kCompatLinkText = "TQ7.0 Link";

}  // namespace zh
