// The link kinds whose data are plain values and strings: empty, player, tournament
// table, key, library, game list, internal text, pinned note, line and web page links.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "text/links/hyper_link.h"

namespace zh {

// A placeholder, also what an unknown or unresolved link becomes.
class CEmptyLink final : public AHyperLink {
 public:
  explicit CEmptyLink(LinkContext* context) : AHyperLink(kEmptyLinkType, kShownAsText, context) {}
  void Load(CBuffer&) override { SetState(kLinkUsable); }
  std::string GetText() const override { return {}; }
  uint32_t GetStoreSize() const override { return 0; }
  void Store(CBuffer&) const override {}
  void Follow() override {}
  bool IsFramed() const override { return false; }
};

class CPlayerLink final : public AHyperLink {
 public:
  explicit CPlayerLink(LinkContext* context) : AHyperLink(kPlayerLinkType, kShownAsText, context) {}
  CPlayerLink(LinkContext* context, std::string last, std::string first);
  void Load(CBuffer& data) override;
  // Last name, a blank and the first name; or whichever is not empty.
  std::string GetText() const override;
  bool HasTarget() const override { return true; }
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;

 private:
  std::string last_;
  std::string first_;
};

// A tournament's crosstable.
class CTableLink final : public AHyperLink {
 public:
  explicit CTableLink(LinkContext* context) : AHyperLink(kTableLinkType, kShownAsText, context) {}
  // Reads the tournament number and looks its title up in the context's database.
  void Load(CBuffer& data) override;
  // The tournament's title with its year; "???" when there is none.
  std::string GetText() const override { return title_.empty() ? "???" : title_; }
  uint32_t GetStoreSize() const override { return 4; }
  void Store(CBuffer& out) const override;
  void Follow() override;
  int32_t Tournament() const { return tournament_; }

 private:
  int32_t tournament_ = 0;
  std::string title_;
};

// A classification key's entry.
class CKeyLink final : public AHyperLink {
 public:
  static constexpr int32_t kOpeningsKey = 4;
  explicit CKeyLink(LinkContext* context) : AHyperLink(kKeyLinkType, kShownAsBitmap, context) {}
  CKeyLink(LinkContext* context, int32_t entry, int32_t kind);
  void Load(CBuffer& data) override;
  std::string GetText() const override { return "KeyLink"; }
  int GetIcon() const override { return kind_ == kOpeningsKey ? kOpeningsKeyIcon : kKeyIcon; }
  uint32_t GetStoreSize() const override { return 8; }
  void Store(CBuffer& out) const override;
  void Follow() override;

 private:
  int32_t entry_ = 0;
  int32_t kind_ = 0;
};

// A link into a library; never resolved, so it always loads as an empty link.
class CLibLink final : public AHyperLink {
 public:
  explicit CLibLink(LinkContext* context) : AHyperLink(kLibLinkType, kShownAsBitmap, context) {}
  void Load(CBuffer& data) override;
  std::string GetText() const override { return "LibLink"; }
  uint32_t GetStoreSize() const override { return 4; }
  void Store(CBuffer& out) const override;

 private:
  int32_t value_ = 0;
};

class CBaseGameListLink : public AHyperLink {
 public:
  using AHyperLink::AHyperLink;
  void Load(CBuffer& data) override;
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;

 protected:
  int32_t value_ = 0;
  std::string list_;
};

class CGameListLink final : public CBaseGameListLink {
 public:
  explicit CGameListLink(LinkContext* context)
      : CBaseGameListLink(kGameListLinkType, kShownAsText, context) {}
};

class CExternGameListLink final : public CBaseGameListLink {
 public:
  explicit CExternGameListLink(LinkContext* context)
      : CBaseGameListLink(kExternGameListLinkType, kShownAsText, context) {}
  void Load(CBuffer& data) override;
  bool HasTarget() const override { return true; }
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;

 private:
  std::string second_;
};

// A place in the same text, found by its words.
class CInternalTextLink final : public AHyperLink {
 public:
  explicit CInternalTextLink(LinkContext* context)
      : AHyperLink(kInternalTextLinkType, kShownAsText, context) {}
  CInternalTextLink(LinkContext* context, std::string text);
  void Load(CBuffer& data) override;
  std::string GetText() const override { return text_; }
  bool HasTarget() const override { return true; }
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;
  void Follow() override;

 private:
  std::string text_;
};

class CTextDocument;

// A note pinned to the text, shown in a small window of its own when followed. The
// note is a text document in its own stored form, kept as its bytes; bytes that do not
// read as a document leave the link damaged.
class CPinNoteLink final : public AHyperLink {
 public:
  explicit CPinNoteLink(LinkContext* context) : AHyperLink(kPinNoteLinkType, kShownAsText, context) {}
  // The title, then the note's document bytes up to the end of the data.
  void Load(CBuffer& data) override;
  int GetExtra() const override { return 2; }
  bool HasTarget() const override { return true; }
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;
  // Opens the note at the link's mouse point; nothing while it is being opened.
  void Follow() override;
  const std::string& Note() const { return note_; }
  // The note as a document, its links built with the context; null when damaged.
  std::unique_ptr<CTextDocument> NoteDocument(LinkContext* context) const;
  void SetNote(std::string title, const CTextDocument& note);

 private:
  std::string title_;
  std::string note_;
  bool opening_ = false;
};

// A horizontal line across the text.
class CLineLink final : public AHyperLink {
 public:
  explicit CLineLink(LinkContext* context) : AHyperLink(kLineLinkType, kShownAsLine, context) {}
  void Load(CBuffer& data) override;
  bool Toggle() override { return true; }
  bool HasTarget() const override { return true; }
  bool IsFramed() const override { return false; }
  uint32_t GetStoreSize() const override { return 16; }
  void Store(CBuffer& out) const override;

  uint16_t leftMargin = 0;
  uint16_t rightMargin = 0;
  uint16_t spaceAbove = 5;
  uint16_t spaceBelow = 5;
  uint16_t thickness = 2;
  uint16_t red = 0;
  uint16_t green = 0;
  uint16_t blue = 0;
};

// A web address. Only http, https and mailto addresses are opened: anything else
// could start a program or open a local file.
class CWebPageLink final : public AHyperLink, public CTQ7Link {
 public:
  explicit CWebPageLink(LinkContext* context)
      : AHyperLink(kWebPageLinkType, kShownAsText, context), CTQ7Link(kCurrentLinkForm) {}
  CWebPageLink(LinkContext* context, std::string address);
  void Load(CBuffer& data) override;
  std::string GetText() const override { return address_; }
  bool HasTarget() const override { return true; }
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;
  void Follow() override;
  CTQ7Link* AsTQ7() override { return this; }
  bool IsCurrentForm() const override { return true; }
  uint16_t CompatType() const override { return kInternalTextLinkType; }

  // Whether the address is one the program hands on to be opened.
  static bool IsOpenableAddress(const std::string& address);

 private:
  std::string address_;
};

}  // namespace zh
