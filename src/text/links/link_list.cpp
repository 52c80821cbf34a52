#include "text/links/link_list.h"

#include <algorithm>

#include "text/buffer.h"

namespace zh {

void HyperLinkList::Insert(uint16_t position, std::unique_ptr<AHyperLink> link) {
  auto at = std::find_if(nodes_.begin(), nodes_.end(),
                         [position](const Node& n) { return n.position >= position; });
  if (at == nodes_.begin() && at != nodes_.end() && at->position == position) ++at;
  nodes_.insert(at, Node{position, std::move(link)});
}

void HyperLinkList::ShiftAfter(uint32_t position, int32_t delta) {
  for (Node& n : nodes_)
    if (n.position > position) n.position = static_cast<uint16_t>(n.position + delta);
}

void HyperLinkList::RemoveRange(uint32_t position, uint32_t length) {
  const uint32_t end = position + length;
  std::vector<Node> kept;
  kept.reserve(nodes_.size());
  for (Node& n : nodes_) {
    if (n.position > position && n.position <= end) {
      n.link->OnRemove();
      continue;
    }
    if (n.position > end) n.position = static_cast<uint16_t>(n.position - length);
    kept.push_back(std::move(n));
  }
  nodes_ = std::move(kept);
}

AHyperLink* HyperLinkList::Find(uint32_t position) const {
  for (const Node& n : nodes_)
    if (n.position == position) return n.link.get();
  return nullptr;
}

void HyperLinkList::Clear() {
  nodes_.clear();
}

uint32_t HyperLinkList::CountEntries(TextRange range, bool mediaOnly) const {
  uint32_t count = 0;
  for (const Node& n : nodes_) {
    if (!range.Holds(n.position)) continue;
    if (mediaOnly && !n.link->OwnsMediaFile()) continue;
    count += n.link->AsTQ7() ? 2 : 1;
  }
  return count;
}

void HyperLinkList::WriteTable(CBuffer& out, TextRange range, bool markUsed) const {
  out.WriteShort(static_cast<uint16_t>(CountEntries(range, false)));
  out.WriteShort(static_cast<uint16_t>(CountEntries(range, true)));
  int i = 0;
  for (const Node& n : nodes_) {
    if (!range.Holds(n.position)) continue;
    const auto r = static_cast<uint16_t>(n.position - range.start);
    const CTQ7Link* tq7 = n.link->AsTQ7();
    if (i == 0 && tq7) tq7->WriteEntry(out, r);
    out.WriteShort(n.link->Type());
    out.WriteShort(r);
    out.WriteShort(static_cast<uint16_t>(n.link->GetStoreSize()));
    if (markUsed) n.link->MarkUsed();
    n.link->Store(out);
    if (i > 0 && tq7) tq7->WriteEntry(out, r);
    ++i;
  }
}

std::string HyperLinkList::LinkTexts(TextRange range) const {
  std::string texts;
  for (const Node& n : nodes_) {
    if (!range.Holds(n.position)) continue;
    for (char c : n.link->GetText()) {
      if (c == '/' || c == '#') texts += '/';
      texts += c;
    }
    texts += '#';
  }
  return texts;
}

std::vector<std::string> SplitLinkTexts(std::string_view texts) {
  std::vector<std::string> split;
  std::string text;
  for (size_t i = 0; i < texts.size(); ++i) {
    const char c = texts[i];
    if (c == '/' && i + 1 < texts.size()) {
      text += texts[++i];
    } else if (c == '#') {
      split.push_back(std::move(text));
      text.clear();
    } else {
      text += c;
    }
  }
  return split;
}

}  // namespace zh
