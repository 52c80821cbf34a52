#include "database/search_mask.h"

#include <ctime>

#include "core/services.h"
#include "database/game/game_header.h"

namespace zh {

namespace {

// Patterns are worked on as copies of this many characters.
constexpr size_t kPatternLength = 99;

// Letters of Latin texts: ASCII letters and the bytes of UTF-8 sequences.
bool IsLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
}

// The pattern against the subject from position 0 on; '*' hands the rest to a search
// anywhere in the rest of the subject.
bool MatchHere(std::string_view s, std::string_view p) {
  size_t i = 0;
  for (; i < p.size(); ++i) {
    if (p[i] == '*') return MatchWildcard(s.substr(i), p.substr(i + 1)) != 0;
    if (i >= s.size() || (p[i] != '?' && p[i] != s[i])) return false;
  }
  return true;
}

int CurrentYear() {
  const std::time_t now = static_cast<std::time_t>(Clock().WallTime());
  std::tm parts{};
  gmtime_r(&now, &parts);
  return parts.tm_year + 1900;
}

bool InRange(int v, int low, int high) {
  return v >= low && v <= high;
}

// The game's first name and the pattern's agree as far as the shorter goes.
bool FirstNamesAgree(const std::string& game, const std::string& pattern) {
  const size_t n = std::min(game.size(), pattern.size());
  return game.compare(0, n, pattern, 0, n) == 0;
}

}  // namespace

int MatchWildcard(std::string_view subject, std::string_view pattern) {
  if (pattern.size() > kPatternLength) pattern = pattern.substr(0, kPatternLength);
  int skipped = 0;
  while (!pattern.empty() && (pattern[0] == '*' || pattern[0] == '?')) {
    if (pattern[0] == '?') {
      if (subject.empty()) return 0;
      subject.remove_prefix(1);
      ++skipped;
    }
    pattern.remove_prefix(1);
  }
  if (pattern.empty() || pattern == "\"") return 1;
  if (pattern.back() == '"' && pattern.find('*') == std::string_view::npos) {
    const std::string_view body = pattern.substr(0, pattern.size() - 1);
    for (size_t p = 0; p + body.size() <= subject.size(); ++p) {
      if (!MatchHere(subject.substr(p), body)) continue;
      const size_t after = p + body.size();
      if (after == subject.size() || !IsLetter(static_cast<unsigned char>(subject[after])))
        return static_cast<int>(p) + 1 + skipped;
      return 0;
    }
    return 0;
  }
  for (size_t p = 0; p < subject.size(); ++p) {
    if (subject[p] != pattern[0]) continue;
    const std::string_view rest = subject.substr(p);
    size_t i = 0;
    for (; i < pattern.size(); ++i) {
      if (pattern[i] == '*')
        return MatchWildcard(rest.substr(i), pattern.substr(i + 1)) ? static_cast<int>(p) + 1 + skipped : 0;
      if (i >= rest.size() || (pattern[i] != '?' && pattern[i] != rest[i])) break;
    }
    if (i == pattern.size()) return static_cast<int>(p) + 1 + skipped;
  }
  return 0;
}

void HeaderSearchMask::Reset() {
  players_[0] = players_[1] = {};
  ignoreColours = false;
  tournamentText.clear();
  annotatorText.clear();
  resultMask = 0;
  yearOn = eloOn = ecoOn = moveCountOn = textsOnly = false;
  yearFrom = yearTo = static_cast<uint16_t>(CurrentYear());
  eloMode = 4;
  eloMin = 2500;
  eloMax = 2875;
  ecoFrom = 128;
  ecoTo = 64127;
  moveCountFrom = 1;
  moveCountTo = 22;
}

bool HeaderSearchMask::IsActive() const {
  return yearOn || eloOn || ecoOn || moveCountOn || resultMask != 0 || textsOnly ||
         players_[0].given || players_[1].given || !tournamentText.empty() || !annotatorText.empty();
}

void HeaderSearchMask::SetPlayers(std::string_view last1, std::string_view first1,
                                  std::string_view last2, std::string_view first2,
                                  bool ignore) {
  players_[0] = {!last1.empty(), std::string(last1), last1.empty() ? "" : std::string(first1)};
  players_[1] = {!last2.empty(), std::string(last2), last2.empty() ? "" : std::string(first2)};
  ignoreColours = ignore;
}

bool HeaderSearchMask::MatchPlayers(const GameHeader& header) const {
  const auto test = [&](int pattern, const TQPlayer& player) {
    const PlayerPattern& p = players_[pattern];
    if (!p.given) return true;
    if (!MatchWildcard(player.LastName(), p.last)) return false;
    if (p.first.empty()) return true;
    return !player.FirstName().empty() && FirstNamesAgree(player.FirstName(), p.first);
  };
  if (test(0, header.white) && test(1, header.black)) return true;
  if (!ignoreColours) return false;
  return test(0, header.black) && test(1, header.white);
}

int HeaderSearchMask::MatchHeader(const GameHeader& header) const {
  const HeaderRecord& r = header.record;
  const bool game = header.IsGame();
  if (yearOn) {
    const auto year = static_cast<int16_t>(header.GetDate() >> 9);
    if (!InRange(year, yearFrom, yearTo)) return 0;
  }
  if (ecoOn && !InRange(header.GetEco(), ecoFrom, ecoTo)) return 0;
  if (moveCountOn && (!game || !InRange(header.GetMoveCount(), moveCountFrom, moveCountTo))) return 0;
  if (eloOn) {
    if (!game) return 0;
    int white = static_cast<int16_t>(r.whiteElo), black = static_cast<int16_t>(r.blackElo);
    if (white == 0) white = 999;
    if (black == 0) black = 999;
    if (eloMode & 5) {
      if (white < 1 || black < 1) return 0;
      if (eloMode & 1) {
        if (!InRange((white + black) >> 1, eloMin, eloMax)) return 0;
      } else if (!InRange(white, eloMin, eloMax) || !InRange(black, eloMin, eloMax)) {
        return 0;
      }
    } else if (eloMode & 2) {
      if (white < 1 && black < 1) return 0;
      if (!InRange(white, eloMin, eloMax) && !InRange(black, eloMin, eloMax)) return 0;
    }
  }
  if ((resultMask & 15) != 0 && (resultMask & 15) != 15 && !(resultMask & (1 << (r.resultByte & 3))))
    return 0;
  if (textsOnly && !header.IsText()) return 0;
  if (!MatchPlayers(header)) return 0;
  if (!tournamentText.empty() && !MatchWildcard(header.tournament.Title(), tournamentText) &&
      !MatchWildcard(header.tournament.Place(), tournamentText))
    return 0;
  if (!annotatorText.empty() && !MatchWildcard(header.annotator.Name(), annotatorText)) return 0;
  return 1;
}

}  // namespace zh
