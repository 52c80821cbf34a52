#include "text/links/game_links.h"

#include <vector>

#include "app/message_ids.h"
#include "core/rules/display_text.h"
#include "core/rules/notation.h"
#include "core/services.h"
#include "core/toolbox/code_pages.h"
#include "database/database.h"
#include "database/game/game_item.h"
#include "database/game/header_items.h"
#include "database/headerset/header_library.h"
#include "database/headerset/tqg_database.h"
#include "dbwindow/search_mask.h"
#include "text/buffer.h"
#include "text/link_actions.h"
#include "text/links/link_context.h"

namespace zh {
namespace {

TqgDatabase* ContextTqg(const LinkContext* context) {
  Database* database = context ? context->GetDatabase() : nullptr;
  return database ? database->AsTqgDatabase() : nullptr;
}

void WriteRaw(CBuffer& out, const std::string& bytes) {
  for (char c : bytes) out.WriteByte(static_cast<uint8_t>(c));
}

// "White - Black  result" from a game's header, figurines in the user's letters.
std::string HeaderText(const EmbeddedGame& game) {
  const TQGame* g = game.Game();
  if (!g) return {};
  const GameHeader& h = g->header;
  DisplayText text(h.white.DisplayBytes(1));
  text += " - ";
  text += DisplayText(h.black.DisplayBytes(1));
  text += "  ";
  text += h.GetGameResult().ToText();
  return ReplaceFigurineChars(text).Bytes();
}

}  // namespace

// Embedded game block.

bool LinkedGame::Read(CBuffer& data) {
  data.ReadBytes(bytes_);
  loadable_ = false;
  if (bytes_.size() > kMaxBytes) {
    bytes_.clear();
    return false;
  }
  const int read = game_.Read(reinterpret_cast<const uint8_t*>(bytes_.data()),
                              static_cast<int>(bytes_.size()));
  loadable_ = !data.Failed() && read > 0;
  return true;
}

void LinkedGame::Write(CBuffer& out) const {
  out.WriteBytes(bytes_.data(), static_cast<uint32_t>(bytes_.size()));
}

uint32_t LinkedGame::StoreSize() const {
  return CBuffer::BytesSize(static_cast<uint32_t>(bytes_.size()));
}

bool LinkedGame::Assign(const EmbeddedGame& game) {
  std::vector<uint8_t> payload;
  const int length = game.Write(payload);
  if (length < 0 || static_cast<uint32_t>(length) > kMaxBytes) return false;
  bytes_.assign(payload.begin(), payload.begin() + length);
  loadable_ = game_.Read(payload.data(), length) > 0;
  return true;
}

// Game.

CGameLink::CGameLink(LinkContext* context, const EmbeddedGame& game, std::string text)
    : CGameLink(context, kCurrentLinkForm) {
  text_ = std::move(text);
  SetState(game_.Assign(game) ? kLinkUsable : kLinkDamaged);
}

void CGameLink::Load(CBuffer& data) {
  const bool fits = game_.Read(data);
  if (IsCurrentForm())
    data.ReadString(text_);
  else
    text_ = HeaderText(game_.Game());
  SetLoaded(data);
  if (!fits) SetState(kLinkDamaged);
}

int CGameLink::GetGameNumber() {
  TqgDatabase* tqg = ContextTqg(Context());
  if (!tqg || !game_.IsLoadable()) return -1;
  const int n = tqg->FindSameGame(game_.Game().Game()->header, 1);
  return n > 0 ? n : -1;
}

uint32_t CGameLink::GetStoreSize() const {
  return game_.StoreSize() + (WritingCompat() ? 0 : CBuffer::StringSize(text_));
}

void CGameLink::Store(CBuffer& out) const {
  game_.Write(out);
  if (!WritingCompat()) out.WriteString(text_);
}

void CGameLink::Follow() {
  AHyperLink::Follow();
  if (!game_.IsLoadable()) return;
  const TQGame& game = *game_.Game().Game();
  Actions().LoadGameByHeader(Context() ? Context()->GetDatabase() : nullptr, game.header,
                             game.number, display_);
  Actions().ShowGameWindow();
}

void CGameLink::Refresh() {
  display_ = false;
  Follow();
  display_ = true;
}

// Tree.

void CTreeLink::Load(CBuffer& data) {
  data.ReadString(first_);
  data.ReadString(name_);
  const bool fits = game_.Read(data);
  SetLoaded(data);
  if (!fits) SetState(kLinkDamaged);
}

uint32_t CTreeLink::GetStoreSize() const {
  return CBuffer::StringSize(first_) + CBuffer::StringSize(name_) + game_.StoreSize();
}

void CTreeLink::Store(CBuffer& out) const {
  out.WriteString(first_);
  out.WriteString(name_);
  game_.Write(out);
}

// Text.

void CTextLink::Load(CBuffer& data) {
  data.ReadString(title);
  data.ReadString(tournament);
  data.ReadString(place);
  year = data.ReadShort();
  display.clear();
  if (IsCurrentForm()) data.ReadString(display);
  SetLoaded(data);
}

std::string CTextLink::GetText() const {
  if (!display.empty()) return display;
  if (!tournament.empty() || !place.empty()) return title + " (" + tournament + " " + place + ")";
  return title;
}

TQTournament CTextLink::Key() const {
  TQTournament key;
  key.SetTitleBytes(tournament);
  key.SetPlaceBytes(place);
  key.date = static_cast<uint32_t>(year) << 9;
  return key;
}

int CTextLink::GetTextNumber() {
  TqgDatabase* tqg = ContextTqg(Context());
  if (!tqg || !tqg->Tournaments()) return -1;
  int32_t entry = -1;
  if (tqg->Tournaments()->Find(Key(), entry) != HeaderLib::kOk || entry < 0) return -1;
  const int n = tqg->FindTournamentText(title, entry);
  return n > 0 ? n : -1;
}

uint32_t CTextLink::GetStoreSize() const {
  uint32_t size = CBuffer::StringSize(title) + CBuffer::StringSize(tournament) +
                  CBuffer::StringSize(place) + 2;
  if (!WritingCompat()) size += CBuffer::StringSize(display);
  return size;
}

void CTextLink::Store(CBuffer& out) const {
  out.WriteString(title);
  out.WriteString(tournament);
  out.WriteString(place);
  out.WriteShort(year);
  if (!WritingCompat()) out.WriteString(display);
}

void CTextLink::Follow() {
  AHyperLink::Follow();
  const TQTournament key = Key();
  if (Actions().OpenTextByKey(Context() ? Context()->GetDatabase() : nullptr, title, key)) return;
  Actions().ErrorBox(DisplayToUtf8(title) + "\n" + key.DisplayTextWithYear() + "\n" +
                     GetMessageText(msg::M_LINK_TEXT_NOT_FOUND));
}

// Search mask.

CSearchMaskLink::CSearchMaskLink(LinkContext* context)
    : AHyperLink(kSearchMaskLinkType, kShownAsText, context),
      CTQ7Link(kCurrentLinkForm),
      mask_(std::make_unique<SearchMask>()) {}

CSearchMaskLink::CSearchMaskLink(LinkContext* context, std::string name, const SearchMask& mask)
    : CSearchMaskLink(context) {
  name_ = std::move(name);
  CBuffer measure(0);
  measure.WriteSearchMask(mask);
  CBuffer out(measure.Position());
  out.WriteSearchMask(mask);
  out.ToString(maskBytes_);
  CBuffer view(maskBytes_);
  SetState(out.Failed() || view.ReadSearchMask(*mask_) != 0 ? kLinkDamaged : kLinkUsable);
}

CSearchMaskLink::~CSearchMaskLink() = default;

void CSearchMaskLink::Load(CBuffer& data) {
  data.ReadString(name_);
  const uint32_t start = data.Position();
  data.ReadShort();
  std::string block;
  data.ReadBytes(block);
  SetLoaded(data);
  maskBytes_.clear();
  if (data.Failed()) return;
  maskBytes_.assign(reinterpret_cast<const char*>(data.Data() + start), data.Position() - start);
  CBuffer view(maskBytes_);
  view.ReadSearchMask(*mask_);
}

uint32_t CSearchMaskLink::GetStoreSize() const {
  return CBuffer::StringSize(name_) + static_cast<uint32_t>(maskBytes_.size());
}

void CSearchMaskLink::Store(CBuffer& out) const {
  out.WriteString(name_);
  WriteRaw(out, maskBytes_);
}

// Position.

uint16_t CPositionLink::StyleCode(int style) {
  if (style >= 0 && style <= 7) return static_cast<uint16_t>(style + 1);
  return style == 8 ? 9 : 0;
}

int CPositionLink::StyleOfCode(uint16_t code) {
  return code >= 2 && code <= 9 ? code - 1 : 0;
}

void CPositionLink::Load(CBuffer& data) {
  for (uint8_t& b : board) b = data.ReadByte();
  pieceSet = data.ReadShort();
  std::string block;
  data.ReadBytes(block);
  const bool fits = block.size() <= PackedBoardMarks::kCapacity;
  marks.length = fits ? block.size() : 0;
  std::copy(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(marks.length),
            marks.bytes.begin());
  if (IsCurrentForm()) {
    style = StyleOfCode(data.ReadShort());
    flag = data.ReadByte();
  } else {
    // The older form knew one piece set fewer above the first.
    if (pieceSet > 1) ++pieceSet;
    style = 0;
    flag = 0;
  }
  SetLoaded(data);
  if (!fits) SetState(kLinkDamaged);
}

uint32_t CPositionLink::GetStoreSize() const {
  return kPackedBoardSize + 2 + CBuffer::BytesSize(static_cast<uint32_t>(marks.length)) +
         (WritingCompat() ? 0 : 3);
}

void CPositionLink::Store(CBuffer& out) const {
  for (uint8_t b : board) out.WriteByte(b);
  // An older reader gets the piece set in its own numbering back.
  out.WriteShort(WritingCompat() && pieceSet > 2 ? static_cast<uint16_t>(pieceSet - 1) : pieceSet);
  out.WriteBytes(marks.bytes.data(), static_cast<uint32_t>(marks.length));
  if (WritingCompat()) return;
  out.WriteShort(StyleCode(style));
  out.WriteByte(flag);
}

void CPositionLink::Follow() {
  AHyperLink::Follow();
  Actions().ErrorSignal();
}

}  // namespace zh
