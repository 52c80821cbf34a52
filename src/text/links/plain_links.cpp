#include "text/links/plain_links.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "app/message_ids.h"
#include "core/services.h"
#include "core/toolbox/code_pages.h"
#include "database/database.h"
#include "database/game/header_items.h"
#include "text/document/text_document.h"
#include "database/headerset/header_library.h"
#include "database/headerset/tqg_database.h"
#include "text/buffer.h"
#include "text/link_actions.h"
#include "text/links/link_context.h"

namespace zh {

// Player.

CPlayerLink::CPlayerLink(LinkContext* context, std::string last, std::string first)
    : CPlayerLink(context) {
  last_ = std::move(last);
  first_ = std::move(first);
  SetState(kLinkUsable);
}

void CPlayerLink::Load(CBuffer& data) {
  data.ReadString(last_);
  data.ReadString(first_);
  SetLoaded(data);
}

std::string CPlayerLink::GetText() const {
  if (last_.empty()) return first_;
  if (first_.empty()) return last_;
  return last_ + " " + first_;
}

uint32_t CPlayerLink::GetStoreSize() const {
  return CBuffer::StringSize(last_) + CBuffer::StringSize(first_);
}

void CPlayerLink::Store(CBuffer& out) const {
  out.WriteString(last_);
  out.WriteString(first_);
}

// Tournament table.

void CTableLink::Load(CBuffer& data) {
  tournament_ = static_cast<int32_t>(data.ReadLong());
  SetLoaded(data);
  title_.clear();
  Database* database = Context() ? Context()->GetDatabase() : nullptr;
  TqgDatabase* tqg = database ? database->AsTqgDatabase() : nullptr;
  if (!tqg || !tqg->Tournaments()) return;
  TQTournament tournament;
  if (tqg->Tournaments()->ReadEntry(tournament, tournament_) == HeaderLib::kOk)
    title_ = Utf8ToDisplay(tournament.DisplayTextWithYear());
}

void CTableLink::Store(CBuffer& out) const {
  out.WriteLong(static_cast<uint32_t>(tournament_));
}

void CTableLink::Follow() {
  AHyperLink::Follow();
  Database* database = Context() ? Context()->GetDatabase() : nullptr;
  TqgDatabase* tqg = database ? database->AsTqgDatabase() : nullptr;
  if (!tqg || !tqg->Tournaments()) return;
  TQTournament tournament;
  if (tqg->Tournaments()->ReadEntry(tournament, tournament_) == HeaderLib::kOk)
    Actions().ShowTournamentCrosstable(database, tournament_);
}

// Key.

CKeyLink::CKeyLink(LinkContext* context, int32_t entry, int32_t kind) : CKeyLink(context) {
  entry_ = entry;
  kind_ = kind;
  SetState(kLinkUsable);
}

void CKeyLink::Load(CBuffer& data) {
  entry_ = static_cast<int32_t>(data.ReadLong());
  kind_ = static_cast<int32_t>(data.ReadLong());
  SetLoaded(data);
}

void CKeyLink::Store(CBuffer& out) const {
  out.WriteLong(static_cast<uint32_t>(entry_));
  out.WriteLong(static_cast<uint32_t>(kind_));
}

void CKeyLink::Follow() {
  AHyperLink::Follow();
  Actions().ShowKey(kind_, entry_);
}

// Library.

void CLibLink::Load(CBuffer& data) {
  value_ = static_cast<int32_t>(data.ReadLong());
  SetState(kLinkLibrary);
}

void CLibLink::Store(CBuffer& out) const {
  out.WriteLong(static_cast<uint32_t>(value_));
}

// Game lists.

void CBaseGameListLink::Load(CBuffer& data) {
  value_ = static_cast<int32_t>(data.ReadLong());
  data.ReadString(list_);
  SetLoaded(data);
}

uint32_t CBaseGameListLink::GetStoreSize() const {
  return 4 + CBuffer::StringSize(list_);
}

void CBaseGameListLink::Store(CBuffer& out) const {
  out.WriteLong(static_cast<uint32_t>(value_));
  out.WriteString(list_);
}

void CExternGameListLink::Load(CBuffer& data) {
  CBaseGameListLink::Load(data);
  data.ReadString(second_);
  SetLoaded(data);
}

uint32_t CExternGameListLink::GetStoreSize() const {
  return CBaseGameListLink::GetStoreSize() + CBuffer::StringSize(second_);
}

void CExternGameListLink::Store(CBuffer& out) const {
  CBaseGameListLink::Store(out);
  out.WriteString(second_);
}

// Internal text.

CInternalTextLink::CInternalTextLink(LinkContext* context, std::string text)
    : CInternalTextLink(context) {
  text_ = std::move(text);
  SetState(kLinkUsable);
}

void CInternalTextLink::Load(CBuffer& data) {
  data.ReadString(text_);
  SetLoaded(data);
}

uint32_t CInternalTextLink::GetStoreSize() const {
  return CBuffer::StringSize(text_);
}

void CInternalTextLink::Store(CBuffer& out) const {
  out.WriteString(text_);
}

void CInternalTextLink::Follow() {
  AHyperLink::Follow();
  Actions().FindText(text_);
}

// Pinned note.

void CPinNoteLink::Load(CBuffer& data) {
  data.ReadString(title_);
  note_.clear();
  if (!data.Failed() && data.Remaining() > 0) {
    note_.assign(reinterpret_cast<const char*>(data.Data() + data.Position()), data.Remaining());
    data.Skip(data.Remaining());
  }
  SetLoaded(data);
  if (State() == kLinkUsable && !note_.empty() && !NoteDocument(nullptr)) SetState(kLinkDamaged);
}

std::unique_ptr<CTextDocument> CPinNoteLink::NoteDocument(LinkContext* context) const {
  auto document = std::make_unique<CTextDocument>();
  if (note_.empty()) return document;
  CBuffer in(note_);
  if (!document->Load(in, context) || in.Remaining() != 0) return nullptr;
  return document;
}

void CPinNoteLink::SetNote(std::string title, const CTextDocument& note) {
  title_ = std::move(title);
  CBuffer out(note.StoredSize());
  note.Write(out);
  out.ToString(note_);
  SetState(out.Failed() ? kLinkDamaged : kLinkUsable);
}

uint32_t CPinNoteLink::GetStoreSize() const {
  return CBuffer::StringSize(title_) + static_cast<uint32_t>(note_.size());
}

void CPinNoteLink::Store(CBuffer& out) const {
  out.WriteString(title_);
  for (char c : note_) out.WriteByte(static_cast<uint8_t>(c));
}

void CPinNoteLink::Follow() {
  if (opening_) return;
  AHyperLink::Follow();
  opening_ = true;
  Actions().OpenPinNote(title_, note_, X(), Y());
  opening_ = false;
}

// Line.

void CLineLink::Load(CBuffer& data) {
  for (uint16_t* field : {&leftMargin, &rightMargin, &spaceAbove, &spaceBelow, &thickness, &red,
                          &green, &blue})
    *field = data.ReadShort();
  SetLoaded(data);
}

void CLineLink::Store(CBuffer& out) const {
  for (uint16_t field : {leftMargin, rightMargin, spaceAbove, spaceBelow, thickness, red, green, blue})
    out.WriteShort(field);
}

// Web page.

CWebPageLink::CWebPageLink(LinkContext* context, std::string address) : CWebPageLink(context) {
  address_ = std::move(address);
  SetState(kLinkUsable);
}

void CWebPageLink::Load(CBuffer& data) {
  data.ReadString(address_);
  SetLoaded(data);
}

uint32_t CWebPageLink::GetStoreSize() const {
  return CBuffer::StringSize(address_);
}

void CWebPageLink::Store(CBuffer& out) const {
  out.WriteString(address_);
}

bool CWebPageLink::IsOpenableAddress(const std::string& address) {
  static constexpr std::array<std::string_view, 3> kSchemes = {"http://", "https://", "mailto:"};
  for (std::string_view scheme : kSchemes) {
    if (address.size() <= scheme.size()) continue;
    const bool match = std::equal(scheme.begin(), scheme.end(), address.begin(), [](char a, char b) {
      return a == std::tolower(static_cast<unsigned char>(b));
    });
    if (match) return true;
  }
  return false;
}

void CWebPageLink::Follow() {
  AHyperLink::Follow();
  // The shell's "file not found", for addresses that are not handed on.
  constexpr int kRefused = 2;
  const int result = IsOpenableAddress(address_) ? Actions().OpenWebAddress(address_) : kRefused;
  if (result != 0)
    Actions().ErrorBox(GetMessageText(msg::M_LINK_BROWSER_FAILED) + std::to_string(result) + ")");
}

}  // namespace zh
