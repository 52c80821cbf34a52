#include "database/game/header_items.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/toolbox/code_pages.h"
#include "core/services.h"

namespace zh {

namespace {

// Digit runs saturate here: far above every field they feed, far below overflow.
constexpr int32_t kDigitRunLimit = 1000000;

std::string Cut(std::string_view bytes, size_t n) {
  return std::string(bytes.substr(0, std::min(bytes.size(), n)));
}

std::string FromUtf8(std::string_view utf8, size_t n) {
  return Cut(Utf8ToDisplay(utf8), n);
}

void TrimRight(std::string& s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
}

// Shifts out leading blanks, at most `times` of them.
void TrimLeft(std::string& s, int times) {
  size_t n = 0;
  while (n < s.size() && s[n] == ' ' && static_cast<int>(n) < times) ++n;
  s.erase(0, n);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A-Z, a-z and the display bytes from 128 but the inverted marks 161 and 191.
bool IsLetter(char c) {
  const auto u = static_cast<uint8_t>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= 128 && u != 161 && u != 191);
}

// Reads the digits at text[i..] (saturating) and moves i behind them.
int32_t ReadDigits(std::string_view text, size_t& i) {
  int32_t v = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i)
    v = std::min(kDigitRunLimit, v * 10 + (text[i] - '0'));
  return v;
}

// Little-endian packing.
void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}
uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Get32(const uint8_t* p) {
  return Get16(p) | static_cast<uint32_t>(Get16(p + 2)) << 16;
}

// A text field of `size` bytes holding at most `keep` of them, zero-filled.
void PutText(uint8_t* p, const std::string& s, size_t size, size_t keep) {
  std::memset(p, 0, size);
  std::memcpy(p, s.data(), std::min(s.size(), keep));
}
// The text of a field up to its first NUL or its end.
std::string GetText(const uint8_t* p, size_t size) {
  const auto* c = reinterpret_cast<const char*>(p);
  return std::string(c, strnlen(c, size));
}

// Byte by byte up to the first difference, a NUL or n bytes.
template <class Char>
int CompareText(const uint8_t* a, const uint8_t* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const int x = static_cast<Char>(a[i]);
    const int y = static_cast<Char>(b[i]);
    if (x != y) return x - y;
    if (x == 0) return 0;
  }
  return 0;
}
int CompareSigned(const uint8_t* a, const uint8_t* b, size_t n) {
  return CompareText<int8_t>(a, b, n);
}
int CompareUnsigned(const uint8_t* a, const uint8_t* b, size_t n) {
  return CompareText<uint8_t>(a, b, n);
}
int CompareUnsigned(const std::string& a, const std::string& b, size_t n) {
  const size_t k = std::min(n, std::min(a.size(), b.size()) + 1);
  return CompareUnsigned(reinterpret_cast<const uint8_t*>(a.c_str()),
                         reinterpret_cast<const uint8_t*>(b.c_str()), k);
}

constexpr const char* kKindWords[] = {"", "game", "match", "tourn", "swiss",
                                      "team", "k.o.", "simul", "schev"};

}  // namespace

std::unique_ptr<AVLKey> HeaderLibItem::MakeKey() const {
  uint8_t record[128];
  int16_t length = 0;
  Write(record, length);
  return std::unique_ptr<AVLKey>(
      new (std::nothrow) AVLKey(record, static_cast<uint16_t>(length), Comparer()));
}

int TournamentRecordLength() {
  return TQTournament::kRecordLength;
}
int AnnotatorRecordLength() {
  return TQAnnotator::kRecordLength;
}
int PlayerRecordLength() {
  return TQPlayer::kRecordLength;
}
int SourceRecordLength() {
  return TQSource::kRecordLength;
}

// ---- TQPlayer -----------------------------------------------------------------------

TQPlayer::TQPlayer(std::string_view last, std::string_view first) {
  SetLastName(last);
  SetFirstName(first);
}

TQPlayer::TQPlayer(const uint8_t* record)
    : first_(GetText(record + 30, kFirstNameLength)), last_(GetText(record, kLastNameLength)) {
  gameCount = static_cast<int32_t>(Get32(record + 50));
  firstGame = static_cast<int32_t>(Get32(record + 54));
}

TQPlayer TQPlayer::FromText(std::string_view utf8) {
  return FromDisplayBytes(Utf8ToDisplay(utf8));
}

TQPlayer TQPlayer::FromDisplayBytes(std::string_view text) {
  TQPlayer p;
  bool inFirst = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' && i + 1 < text.size() && text[i + 1] == '(') break;
    if (c == ',' && i + 1 < text.size()) {
      inFirst = true;
      continue;
    }
    std::string& name = inFirst ? p.first_ : p.last_;
    if (name.size() < (inFirst ? kFirstNameLength : kLastNameLength) - 1) name += c;
  }
  TrimRight(p.first_);
  TrimRight(p.last_);
  TrimLeft(p.first_, static_cast<int>(kFirstNameLength));
  TrimLeft(p.last_, static_cast<int>(kLastNameLength));
  return p;
}

std::string TQPlayer::LastName() const {
  return DisplayToUtf8(last_);
}
std::string TQPlayer::FirstName() const {
  return DisplayToUtf8(first_);
}
void TQPlayer::SetLastName(std::string_view utf8) {
  last_ = FromUtf8(utf8, kLastNameLength);
}
void TQPlayer::SetFirstName(std::string_view utf8) {
  first_ = FromUtf8(utf8, kFirstNameLength);
}
void TQPlayer::SetLastNameBytes(std::string_view bytes) {
  last_ = Cut(bytes, kLastNameLength);
}
void TQPlayer::SetFirstNameBytes(std::string_view bytes) {
  first_ = Cut(bytes, kFirstNameLength);
}

std::string TQPlayer::DisplayBytes(int n) const {
  if (first_.empty() || n <= 0) return last_;
  return last_ + "," + first_.substr(0, static_cast<size_t>(n));
}

std::string TQPlayer::DisplayText(int n) const {
  return DisplayToUtf8(DisplayBytes(n));
}

bool TQPlayer::Differs(const TQPlayer& other) const {
  return CompareUnsigned(last_, other.last_, kLastNameLength) != 0 ||
         CompareUnsigned(first_, other.first_, kFirstNameLength) != 0;
}

bool TQPlayer::Less(const TQPlayer& other) const {
  const int c = CompareUnsigned(last_, other.last_, kLastNameLength);
  return c != 0 ? c < 0 : CompareUnsigned(first_, other.first_, kFirstNameLength) < 0;
}

void TQPlayer::Write(uint8_t* buffer, int16_t& length) const {
  PutText(buffer, last_, kLastNameLength, kLastNameLength - 1);
  PutText(buffer + 30, first_, kFirstNameLength, kFirstNameLength - 1);
  Put32(buffer + 50, static_cast<uint32_t>(gameCount));
  Put32(buffer + 54, static_cast<uint32_t>(firstGame));
  length = kRecordLength;
}

int TQPlayer::CompareRecords(const uint8_t* a, const uint8_t* b, uint16_t) {
  if (!a || !b) return -3;
  const int c = CompareUnsigned(a, b, kLastNameLength);
  return c != 0 ? c : CompareUnsigned(a + 30, b + 30, kFirstNameLength);
}

// ---- TQTournament -------------------------------------------------------------------

TQTournament::TQTournament(const uint8_t* record)
    : date(Get32(record + 70)),
      type(Get16(record + 74)),
      detailA(record[76]),
      detailB(record[78]),
      detailC(record[79]),
      detailD(Get16(record + 80)),
      place_(GetText(record + 40, kPlaceLength)),
      title_(GetText(record, kTitleLength)) {
  gameCount = static_cast<int32_t>(Get32(record + 82));
  firstGame = static_cast<int32_t>(Get32(record + 86));
}

TQTournament::TQTournament(std::string_view utf8, int year, int16_t& round, int16_t& subRound)
    : TQTournament(FromDisplayBytes(Utf8ToDisplay(utf8), year, round, subRound)) {}

TQTournament TQTournament::FromDisplayBytes(std::string_view text, int year, int16_t& round,
                                            int16_t& subRound) {
  TQTournament t;
  t.date = static_cast<uint32_t>(year) << 9;
  const bool cut = Settings().cutTournamentTitles;
  std::string& title = t.title_;
  const auto at = [&](size_t k) { return k < text.size() ? text[k] : '\0'; };
  size_t i = 0;
  while (i < text.size() && title.size() < kTitleLength - 1) {
    if (!title.empty()) {
      // Checks on the next character, with the last copied one before it.
      const char next = text[i];
      if (cut && title.back() == ' ' && IsDigit(next) && !IsLetter(at(i + 1)) && at(i + 1) != '-')
        break;
      if (next == ';') break;
      const char after = at(i + 2);
      if ((next == '(' || next == '[') && IsDigit(at(i + 1)) &&
          (IsDigit(after) || after == ')' || after == ']')) {
        size_t k = i + 1;
        const int32_t n = ReadDigits(text, k);
        const auto value = static_cast<int16_t>(n > 255 ? 0 : n);
        (next == '(' ? round : subRound) = value;
        if (at(k) == '.' && IsDigit(at(k + 1))) {
          ++k;
          const int32_t s = ReadDigits(text, k);
          subRound = static_cast<int16_t>(s > 255 ? 0 : s);
        }
        if (at(k) == ')' || at(k) == ']') ++k;
        i = k;
        continue;
      }
    }
    title += text[i++];
  }
  TrimRight(title);
  TrimLeft(title, static_cast<int>(kTitleLength));
  return t;
}

std::string TQTournament::Place() const {
  return DisplayToUtf8(place_);
}
std::string TQTournament::Title() const {
  return DisplayToUtf8(title_);
}
void TQTournament::SetPlace(std::string_view utf8) {
  place_ = FromUtf8(utf8, kPlaceLength);
}
void TQTournament::SetTitle(std::string_view utf8) {
  title_ = FromUtf8(utf8, kTitleLength);
}
void TQTournament::SetPlaceBytes(std::string_view bytes) {
  place_ = Cut(bytes, kPlaceLength);
}
void TQTournament::SetTitleBytes(std::string_view bytes) {
  title_ = Cut(bytes, kTitleLength);
}

void TQTournament::SetDetailC(int value) {
  detailC = static_cast<uint8_t>((detailC & ~3) | (value >= 0 && value < 4 ? value : 0));
}

std::string TQTournament::KindText(int type) {
  const int kind = type & 0x1F;
  std::string text = kind <= 8 ? kKindWords[kind] : "";
  if (!(type & 0xE0)) return text;
  const bool bracket = !text.empty();
  if (bracket) text += " (";
  text += (type & kBlitz) ? "blitz" : (type & kRapid) ? "rapid" : "corr";
  if (bracket) text += ")";
  return text;
}

std::string TQTournament::DisplayBytes() const {
  if (title_.empty()) return place_;
  std::string text = title_;
  if (title_.size() < 12 && !place_.empty() && title_.find(place_) == std::string::npos)
    text += " " + place_;
  if (type & (kBlitz | kRapid)) text += " " + KindText(type & (kBlitz | kRapid));
  return text;
}

std::string TQTournament::DisplayText() const {
  return DisplayToUtf8(DisplayBytes());
}

std::string TQTournament::DisplayTextWithYear() const {
  std::string text = DisplayText();
  if (Year() > 0) text += " " + std::to_string(Year());
  return text;
}

void TQTournament::Write(uint8_t* buffer, int16_t& length) const {
  PutText(buffer, title_, kTitleLength, kTitleLength - 1);
  PutText(buffer + 40, place_, kPlaceLength, kPlaceLength - 1);
  Put32(buffer + 70, date);
  Put16(buffer + 74, type);
  Put16(buffer + 76, detailA);
  buffer[78] = detailB;
  buffer[79] = detailC;
  Put16(buffer + 80, detailD);
  Put32(buffer + 82, static_cast<uint32_t>(gameCount));
  Put32(buffer + 86, static_cast<uint32_t>(firstGame));
  length = kRecordLength;
}

int TQTournament::CompareRecords(const uint8_t* a, const uint8_t* b, uint16_t) {
  if (!a || !b) return -3;
  // Only the sign of the year difference: every stored year keeps its place.
  const uint32_t ya = Get32(a + 70) >> 9;
  const uint32_t yb = Get32(b + 70) >> 9;
  if (ya != yb) return yb > ya ? 1 : -1;
  const int c = CompareSigned(a, b, kTitleLength);
  return c != 0 ? c : CompareSigned(a + 40, b + 40, kPlaceLength);
}

// ---- TQAnnotator --------------------------------------------------------------------

TQAnnotator::TQAnnotator(const uint8_t* record) : name_(GetText(record, kNameLength)) {
  gameCount = static_cast<int32_t>(Get32(record + 45));
  firstGame = static_cast<int32_t>(Get32(record + 49));
}

std::string TQAnnotator::Name() const {
  return DisplayToUtf8(name_);
}
void TQAnnotator::SetName(std::string_view utf8) {
  name_ = FromUtf8(utf8, kNameLength);
}
void TQAnnotator::SetNameBytes(std::string_view bytes) {
  name_ = Cut(bytes, kNameLength);
}

void TQAnnotator::Write(uint8_t* buffer, int16_t& length) const {
  PutText(buffer, name_, kNameLength, kNameLength);
  Put32(buffer + 45, static_cast<uint32_t>(gameCount));
  Put32(buffer + 49, static_cast<uint32_t>(firstGame));
  length = kRecordLength;
}

int TQAnnotator::CompareRecords(const uint8_t* a, const uint8_t* b, uint16_t) {
  if (!a || !b) return -3;
  return CompareSigned(a, b, kNameLength);
}

// ---- TQSource -----------------------------------------------------------------------

TQSource::TQSource(const uint8_t* record)
    : value1(static_cast<int32_t>(Get32(record + 41))),
      value2(static_cast<int32_t>(Get32(record + 45))),
      byteValue(record[49]),
      twoBits(record[50] & 3),
      title_(GetText(record, kTitleLength)),
      second_(GetText(record + 25, kSecondLength)) {
  gameCount = static_cast<int32_t>(Get32(record + 51));
  firstGame = static_cast<int32_t>(Get32(record + 55));
}

TQSource TQSource::FromText(std::string_view utf8) {
  return FromDisplayBytes(Utf8ToDisplay(utf8));
}

TQSource TQSource::FromDisplayBytes(std::string_view text) {
  TQSource s;
  const size_t semicolon = text.find(';');
  if (semicolon != std::string_view::npos && semicolon + 3 < text.size()) {
    s.title_ = Cut(text.substr(semicolon + 1), kTitleLength - 1);
    return s;
  }
  if (!Settings().recogniseSources || text.size() < 4) return s;
  // The first run of digits from the fourth character on, with its "/" and "(", and
  // the character that ends it.
  size_t start = 3;
  while (start < text.size() && !IsDigit(text[start])) ++start;
  size_t end = start;
  while (end < text.size() && (IsDigit(text[end]) || text[end] == '/' || text[end] == '('))
    ++end;
  const std::string_view run = text.substr(start, std::min(text.size(), end + 1) - start);
  if (run.size() <= 2 || run.find('/') == std::string_view::npos) return s;
  size_t i = 0;
  const int32_t volume = ReadDigits(run, i);
  while (i < run.size() && !IsDigit(run[i])) ++i;
  int32_t number = ReadDigits(run, i);
  if (i < run.size() && run[i] == ')') number = -number;
  s.referenceVolume = static_cast<int16_t>(std::min(volume, 32767));
  s.referenceNumber = static_cast<int16_t>(std::clamp(number, -32767, 32767));
  if (volume >= 1 && volume <= 90) {
    s.title_ = "Inf ";
    s.title_ += static_cast<char>('0' + volume / 10);
    s.title_ += static_cast<char>('0' + volume % 10);
  }
  return s;
}

std::string TQSource::Title() const {
  return DisplayToUtf8(title_);
}
std::string TQSource::Second() const {
  return DisplayToUtf8(second_);
}
void TQSource::SetTitle(std::string_view utf8) {
  title_ = FromUtf8(utf8, kTitleLength);
}
void TQSource::SetSecond(std::string_view utf8) {
  second_ = FromUtf8(utf8, kSecondLength);
}
void TQSource::SetTitleBytes(std::string_view bytes) {
  title_ = Cut(bytes, kTitleLength);
}
void TQSource::SetSecondBytes(std::string_view bytes) {
  second_ = Cut(bytes, kSecondLength);
}

void TQSource::Write(uint8_t* buffer, int16_t& length) const {
  PutText(buffer, title_, kTitleLength, kTitleLength - 1);
  PutText(buffer + 25, second_, kSecondLength, kSecondLength - 1);
  Put32(buffer + 41, static_cast<uint32_t>(value1));
  Put32(buffer + 45, static_cast<uint32_t>(value2));
  buffer[49] = byteValue;
  buffer[50] = twoBits;
  Put32(buffer + 51, static_cast<uint32_t>(gameCount));
  Put32(buffer + 55, static_cast<uint32_t>(firstGame));
  length = kRecordLength;
}

int TQSource::CompareRecords(const uint8_t* a, const uint8_t* b, uint16_t) {
  if (!a || !b) return -3;
  return CompareSigned(a, b, kTitleLength);
}

}  // namespace zh
