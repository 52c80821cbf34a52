#include "text/text_container.h"

#include <cctype>
#include <vector>

namespace zh {

bool CTextPosition::SetPosition(uint32_t p) {
  if (!container_ || p > container_->Length()) return false;
  position_ = p;
  extra_ = 0;
  return true;
}

bool CTextPosition::SetPosition(uint32_t p, int32_t extra) {
  if (!SetPosition(p)) return false;
  extra_ = extra;
  return true;
}

bool CTextPosition::Move(int32_t offset) {
  const int64_t p = int64_t{position_} + offset;
  if (p < 0 || p > UINT32_MAX) return false;
  return SetPosition(static_cast<uint32_t>(p));
}

CTextContainer::CTextContainer(uint32_t capacity, uint32_t maximum) : DynArrayUCHAR(capacity + 1, maximum) {
  if (InsertGap(0, 1)) (*this)[0] = 0;
}

bool CTextContainer::InsertText(uint32_t position, const uint8_t* bytes, uint32_t length) {
  if (Count() == 0 || position > Length()) return false;
  if (length == 0) return true;
  if (!InsertGap(position, length)) return false;
  std::memcpy(Data() + position, bytes, length);
  return true;
}

void CTextContainer::DeleteText(const CTextPosition& at, uint32_t n) {
  if (at.Position() >= Length()) return;
  if (n > Length() - at.Position()) n = Length() - at.Position();
  Remove(at.Position(), n);
}

std::string CTextContainer::GetText() const {
  if (Count() == 0) return {};
  return std::string(reinterpret_cast<const char*>(Data()), Length());
}

bool CTextContainer::CopyRangeTo(PlainTextTarget& target, uint32_t targetPosition, uint32_t start,
                                 uint32_t length, int conversion) const {
  if (start > Length() || length > Length() - start) return false;
  std::vector<uint8_t> scratch(Data() + start, Data() + start + length);
  for (size_t i = 0; i < scratch.size(); ++i) {
    uint8_t& c = scratch[i];
    if (conversion == kParagraphsToLineFeeds && c == kParagraphEnd) {
      c = kLineFeed;
    } else if (conversion == kLineFeedsToParagraphs && c == kLineFeed) {
      // Compare with the source: the 13 before has not been converted.
      const bool afterReturn = start + i > 0 && Data()[start + i - 1] == kParagraphEnd;
      c = afterReturn ? uint8_t{' '} : uint8_t{kParagraphEnd};
    }
  }
  return target.InsertPlain(targetPosition, scratch.data(), length);
}

const uint8_t* CTextContainer::NextRun(uint32_t position, int32_t& count, int32_t& width) const {
  if (count <= 0 || position >= Length()) {
    count = 0;
    width = 0;
    return nullptr;
  }
  const uint8_t* p = Data() + position;
  if (*p == kObjectMark) {
    count = 1;
    width = -1;
    return nullptr;
  }
  if (*p == kTab) {
    count = 1;
    width = 0;
    return p;
  }
  const uint32_t limit = std::min<uint32_t>(static_cast<uint32_t>(count), Length() - position);
  uint32_t run = 0;
  while (run < limit && p[run] != kTab && p[run] != kObjectMark) ++run;
  count = static_cast<int32_t>(run);
  width = count;
  return p;
}

namespace {
bool IsWordChar(uint8_t c) { return std::isalnum(c) != 0; }
}  // namespace

uint32_t CTextContainer::FindWordBoundary(uint32_t position, bool backward) const {
  const uint8_t* c = Data();
  uint32_t p = std::min(position, Length());
  if (backward) {
    if (p > 0) --p;
    while (p > 0 && !IsWordChar(c[p])) --p;
    while (p > 0 && IsWordChar(c[p - 1])) --p;
    return p;
  }
  if (Length() == 0) return 0;
  const uint32_t last = Length() - 1;
  if (p > last) return last;
  while (p < last && !IsWordChar(c[p])) ++p;
  while (p < last && IsWordChar(c[p])) ++p;
  return p;
}

}  // namespace zh
