#include "database/header_items.h"

namespace zh {

namespace {

// Cut to at most n bytes, never inside a UTF-8 sequence.
std::string Cut(std::string_view t, size_t n) {
  if (t.size() <= n) return std::string(t);
  while (n > 0 && (static_cast<uint8_t>(t[n]) & 0xC0) == 0x80) --n;
  return std::string(t.substr(0, n));
}

// The first n characters (UTF-8 aware).
std::string FirstChars(const std::string& t, int n) {
  size_t i = 0;
  for (int k = 0; k < n && i < t.size(); ++k) {
    ++i;
    while (i < t.size() && (static_cast<uint8_t>(t[i]) & 0xC0) == 0x80) ++i;
  }
  return t.substr(0, i);
}

}  // namespace

TQPlayer::TQPlayer(std::string_view last, std::string_view first) {
  SetLastName(last);
  SetFirstName(first);
}

void TQPlayer::SetLastName(std::string_view t) {
  last_ = Cut(t, kLastNameLength);
}
void TQPlayer::SetFirstName(std::string_view t) {
  first_ = Cut(t, kFirstNameLength);
}

std::string TQPlayer::DisplayText(int n) const {
  if (first_.empty() || n <= 0) return last_;
  return last_ + "," + FirstChars(first_, n);
}

std::string TQPlayer::FullName() const {
  if (first_.empty()) return last_;
  return last_ + ", " + first_;
}

void TQTournament::SetPlace(std::string_view t) {
  place_ = Cut(t, kPlaceLength);
}
void TQTournament::SetTitle(std::string_view t) {
  title_ = Cut(t, kTitleLength);
}
void TQAnnotator::SetName(std::string_view t) {
  name_ = Cut(t, kNameLength);
}
void TQSource::SetTitle(std::string_view t) {
  title_ = Cut(t, kTitleLength);
}
void TQSource::SetSecond(std::string_view t) {
  second_ = Cut(t, kSecondLength);
}

}  // namespace zh
