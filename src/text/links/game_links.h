// The link kinds that carry chess data: a game (an embedded copy of its header and
// main line), a position tree's game, a tournament text, a search mask and a position
// diagram. Each has an older stored form as well.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "board/board_marks.h"
#include "database/game/embedded_game.h"
#include "text/links/hyper_link.h"

namespace zh {

class SearchMask;
class TQTournament;

// The embedded game block of a link: the stored bytes as read (written back
// unchanged) and the game read from them.
class LinkedGame {
 public:
  static constexpr uint32_t kMaxBytes = 2000;

  // False when the block is above its limit.
  bool Read(CBuffer& data);
  void Write(CBuffer& out) const;
  uint32_t StoreSize() const;
  // From a game; false when its stored form is above the limit.
  bool Assign(const EmbeddedGame& game);

  // Whether the block held a game that can be loaded.
  bool IsLoadable() const { return loadable_; }
  const EmbeddedGame& Game() const { return game_; }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
  EmbeddedGame game_;
  bool loadable_ = false;
};

class CGameLink final : public AHyperLink, public CTQ7Link {
 public:
  CGameLink(LinkContext* context, int form)
      : AHyperLink(kGameLinkType, kShownAsText, context), CTQ7Link(form) {}
  // A new link to a game, shown as the text; damaged when the game's stored form is
  // above the block's limit.
  CGameLink(LinkContext* context, const EmbeddedGame& game, std::string text);
  void Load(CBuffer& data) override;
  // The stored text; in the older form a text made from the game's header.
  std::string GetText() const override { return text_; }
  int GetGameNumber() override;
  bool HasTarget() const override { return true; }
  bool IsGameLink() const override { return true; }
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;
  void Follow() override;
  // Follows again without showing the game anew.
  void Refresh() override;
  CTQ7Link* AsTQ7() override { return this; }
  uint16_t CompatType() const override { return kOldGameLinkType; }
  const LinkedGame& Game() const { return game_; }

 private:
  LinkedGame game_;
  std::string text_;
  bool display_ = true;
};

class CTreeLink final : public AHyperLink, public CTQ7Link {
 public:
  explicit CTreeLink(LinkContext* context)
      : AHyperLink(kTreeLinkType, kShownAsText, context), CTQ7Link(kCurrentLinkForm) {}
  void Load(CBuffer& data) override;
  std::string GetText() const override { return name_; }
  bool HasTarget() const override { return true; }
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;
  CTQ7Link* AsTQ7() override { return this; }
  bool IsCurrentForm() const override { return true; }
  uint16_t CompatType() const override { return kInternalTextLinkType; }

 private:
  std::string first_;
  std::string name_;
  LinkedGame game_;
};

// A text of a tournament, found by its title and the tournament's title, place and
// year.
class CTextLink final : public AHyperLink, public CTQ7Link {
 public:
  CTextLink(LinkContext* context, int form)
      : AHyperLink(kTextLinkType, kShownAsText, context), CTQ7Link(form) {}
  void Load(CBuffer& data) override;
  // The display text; else title " (" tournament " " place ")" when either is set;
  // else the title.
  std::string GetText() const override;
  int GetTextNumber() override;
  bool HasTarget() const override { return true; }
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;
  // Opens the text; a box says when it is not found.
  void Follow() override;
  CTQ7Link* AsTQ7() override { return this; }
  uint16_t CompatType() const override { return kOldTextLinkType; }

  std::string title;
  std::string tournament;
  std::string place;
  uint16_t year = 0;
  std::string display;

 private:
  TQTournament Key() const;
};

class CSearchMaskLink final : public AHyperLink, public CTQ7Link {
 public:
  explicit CSearchMaskLink(LinkContext* context);
  // A new link to a copy of the mask, under a name.
  CSearchMaskLink(LinkContext* context, std::string name, const SearchMask& mask);
  ~CSearchMaskLink() override;
  // The name, then the mask's version word and stream block. The block is kept as
  // stored and written back unchanged; a mask that cannot be read is reset.
  void Load(CBuffer& data) override;
  std::string GetText() const override { return name_; }
  bool HasTarget() const override { return true; }
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;
  void Follow() override {}
  CTQ7Link* AsTQ7() override { return this; }
  bool IsCurrentForm() const override { return true; }
  uint16_t CompatType() const override { return kInternalTextLinkType; }
  const SearchMask& Mask() const { return *mask_; }

 private:
  std::string name_;
  std::string maskBytes_;
  std::unique_ptr<SearchMask> mask_;
};

// A position with its piece set, marks, diagram style and flag; drawn as a diagram.
class CPositionLink final : public AHyperLink, public CTQ7Link {
 public:
  static constexpr uint32_t kPackedBoardSize = 32;

  CPositionLink(LinkContext* context, int form)
      : AHyperLink(kPositionLinkType, kShownAsBitmap, context), CTQ7Link(form) {}
  // A marks block above its limit leaves the link damaged.
  void Load(CBuffer& data) override;
  bool HasTarget() const override { return true; }
  bool IsFramed() const override { return false; }
  uint32_t GetStoreSize() const override;
  void Store(CBuffer& out) const override;
  void Follow() override;
  CTQ7Link* AsTQ7() override { return this; }
  uint16_t CompatType() const override { return kOldPositionLinkType; }

  // The stored style code of a style and back.
  static uint16_t StyleCode(int style);
  static int StyleOfCode(uint16_t code);

  uint8_t board[kPackedBoardSize] = {};
  uint16_t pieceSet = 0;
  PackedBoardMarks marks;
  int style = 0;
  uint8_t flag = 0;
};

}  // namespace zh
