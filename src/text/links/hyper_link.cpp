#include "text/links/hyper_link.h"

#include "app/message_ids.h"
#include "core/services.h"
#include "text/buffer.h"
#include "text/link_actions.h"
#include "text/links/link_context.h"

namespace zh {

std::string AHyperLink::GetText() const {
  return GetMessageText(msg::M_LINK_NO_VALID_TEXT);
}

LinkActions& AHyperLink::Actions() const {
  return context_ ? context_->Actions() : NullLinkActions::Instance();
}

void AHyperLink::SetLoaded(const CBuffer& data) {
  state_ = data.Failed() ? kLinkDamaged : kLinkUsable;
}

const AHyperLink& CTQ7Link::Self() const {
  return dynamic_cast<const AHyperLink&>(*this);
}

void CTQ7Link::WriteEntry(CBuffer& out, uint16_t position) const {
  const uint16_t type = CompatType();
  out.WriteShort(type);
  out.WriteShort(position);
  if (type == kInternalTextLinkType) {
    out.WriteShort(static_cast<uint16_t>(CBuffer::StringSize(kCompatLinkText)));
    out.WriteString(kCompatLinkText);
    return;
  }
  compat_ = true;
  out.WriteShort(static_cast<uint16_t>(Self().GetStoreSize()));
  Self().Store(out);
  compat_ = false;
}

uint32_t CTQ7Link::EntrySize() const {
  if (CompatType() == kInternalTextLinkType) return 6 + CBuffer::StringSize(kCompatLinkText);
  compat_ = true;
  const uint32_t size = 6 + Self().GetStoreSize();
  compat_ = false;
  return size;
}

bool CTQ7Link::SkipEntry(CBuffer& in) {
  in.ReadShort();
  in.ReadShort();
  const uint16_t length = in.ReadShort();
  return !in.Failed() && in.Skip(length);
}

}  // namespace zh
