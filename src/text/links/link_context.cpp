#include "text/links/link_context.h"

#include "text/link_actions.h"

namespace zh {

LinkContext::LinkContext(Database* database, LinkActions* actions)
    : database_(database), actions_(actions) {}

LinkActions& LinkContext::Actions() const {
  return actions_ ? *actions_ : NullLinkActions::Instance();
}

void LinkContext::Register(const std::string& name) {
  int32_t index = names_.Add(name);
  // A list that answers -1 was full and has grown since: the second add takes.
  if (index < 0) index = names_.Add(name);
  if (index < 0) return;
  const auto k = static_cast<size_t>(index);
  if (plainNames_.size() <= k) {
    plainNames_.resize(k + 1);
    used_.resize(k + 1, 0);
    removed_.resize(k + 1, 0);
  }
  plainNames_[k] = name;
  used_[k] = 0;
  removed_[k] = 0;
  last_ = index;
}

int LinkContext::Find(const std::string& name) const {
  if (name.empty()) return -1;
  const int32_t index = names_.Find(name);
  return index >= 0 && static_cast<size_t>(index) < plainNames_.size() ? index : -1;
}

void LinkContext::MarkRemoved(const std::string& name) {
  const int index = Find(name);
  if (index < 0) {
    if (collecting_ && static_cast<int>(unregistered_.size()) < kMaxUnregistered)
      unregistered_.push_back(name);
    return;
  }
  const auto k = static_cast<size_t>(index);
  if (used_[k] && !collecting_) return;
  removed_[k] = 1;
}

void LinkContext::MarkUsed(const std::string& name) {
  const int index = Find(name);
  if (index >= 0) used_[static_cast<size_t>(index)] = 1;
}

const std::string& LinkContext::NameAt(int index) const {
  static const std::string kNone;
  return index >= 0 && static_cast<size_t>(index) < plainNames_.size()
             ? plainNames_[static_cast<size_t>(index)]
             : kNone;
}

bool LinkContext::IsUsed(int index) const {
  return index >= 0 && static_cast<size_t>(index) < used_.size() && used_[static_cast<size_t>(index)];
}

bool LinkContext::IsRemoved(int index) const {
  return index >= 0 && static_cast<size_t>(index) < removed_.size() &&
         removed_[static_cast<size_t>(index)];
}

}  // namespace zh
