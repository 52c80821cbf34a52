#include "dbwindow/annotation_mask.h"

#include <vector>

#include "core/toolbox/utf8.h"
#include "database/game/annotation_set.h"
#include "database/game/game_header.h"
#include "database/search_mask.h"
#include "database/storage/annotation_file.h"

namespace zh {

namespace {

// Content-flag bits that each criterion byte asks of the item; 0 for none.
constexpr uint32_t kItemBits[AnnotationMask::kCriteria] = {
    1u << 4 | 1u << 5,   // squares or arrows: coloured squares, or arrows
    7u << 16, 1u << 9, 1u << 0, 1u << 1,
    0,                   // type bit 7 is tested on the type word
    1u << 2, 1u << 3, 1u << 20, 1u << 21, 1u << 19,
    1u << 24, 1u << 24, 1u << 24,
    0,                   // whole words
};
constexpr int kTypeBit7 = 0x80;
// The key of the game-level set in a block.
constexpr int32_t kGameSetKey = 0xFFFFFF;

bool IsLatinLetter(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  if (c < 0xC0) return c == 0xAA || c == 0xB5 || c == 0xBA;
  return c <= 0xFF && c != 0xD7 && c != 0xF7;
}

bool IsWordCharacter(char32_t c) {
  return IsLatinLetter(c) || (c >= '0' && c <= '9');
}

char32_t UpperCase(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  return c;
}

std::vector<char32_t> UpperCharacters(std::string_view text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const Utf8Char c = DecodeUtf8(text, i);
    out.push_back(UpperCase(c.code));
    i += c.length;
  }
  return out;
}

}  // namespace

bool ContainsUpperCase(std::string_view text, std::string_view needle, bool wholeWords) {
  const std::vector<char32_t> t = UpperCharacters(text), n = UpperCharacters(needle);
  if (n.empty()) return true;
  for (size_t p = 0; p + n.size() <= t.size(); ++p) {
    size_t i = 0;
    while (i < n.size() && t[p + i] == n[i]) ++i;
    if (i < n.size()) continue;
    if (!wholeWords) return true;
    const bool before = p > 0 && IsWordCharacter(t[p - 1]);
    const bool after = p + n.size() < t.size() && IsWordCharacter(t[p + n.size()]);
    if (!before && !after) return true;
  }
  return false;
}

void AnnotationMask::Reset() {
  *this = AnnotationMask();
}

void AnnotationMask::Recompute() {
  active = medalMask != 0;
  for (int c = 0; c < kCriteria; ++c)
    if (criteria[c] && c != kSetUpPosition && c != kContentBit1 && c != kTypeBit7 && c != kWholeWords)
      active = 1;
}

bool AnnotationMask::AnyPerMoveCriterion() const {
  for (int c = kTextAnnotations; c <= kCriticalKind3; ++c)
    if (criteria[c] && c != kContentBit19) return true;
  return false;
}

bool AnnotationMask::ItemBitsPresent(uint32_t content) const {
  for (int c = 0; c < kCriteria; ++c)
    if (criteria[c] && kItemBits[c] && !(content & kItemBits[c])) return false;
  return true;
}

int32_t AnnotationMask::MatchFlags(const GameHeader& header) const {
  const uint32_t content = header.GetContentFlags();
  if ((criteria[kTextAnnotations] && !(content & 4)) || (criteria[kSetUpPosition] && !(content & 1)) ||
      (criteria[kContentBit1] && !(content & 2)) ||
      (criteria[kTypeBit7] && !(header.record.type & kTypeBit7)))
    return kNoMatchingPly;
  return 0;
}

bool AnnotationMask::MatchText(std::string_view text) const {
  if (text1.empty() && text2.empty()) return true;
  const bool whole = criteria[kWholeWords] != 0;
  return (!text1.empty() && ContainsUpperCase(text, text1, whole)) ||
         (!text2.empty() && ContainsUpperCase(text, text2, whole));
}

bool AnnotationMask::MatchSymbols(uint32_t packed) const {
  if (symbols.Pack() == 0) return true;
  const MoveSymbols have = MoveSymbols::Unpack(packed);
  const auto same = [](int want, int got) {
    if (want == 0 || got == 0) return false;
    if (want == got) return true;
    const std::string_view a = SymbolBytes(want), b = SymbolBytes(got);
    return !a.empty() && a == b;
  };
  return same(symbols.move, have.move) || same(symbols.position, have.position) ||
         same(symbols.prefix, have.prefix);
}

bool AnnotationMask::MatchSet(const AnnotationSet& set, bool& late) const {
  late = false;
  if (criteria[kTextAnnotations]) {
    for (uint16_t type : {uint16_t{kTextAfter}, uint16_t{kTextBefore}})
      for (int i = 0; i < set.Count(); ++i) {
        const AnnotationEntry& e = set.EntryAt(i);
        if (e.type == type && MatchText(e.Text())) return true;
      }
  }
  if (criteria[kSymbolAnnotations] && set.HasSymbols() && MatchSymbols(set.GetSymbols())) return true;
  if (criteria[kPawnStructures] && set.HasPawnStructure()) return true;
  if (criteria[kPiecePaths] && set.HasPiecePath()) return true;
  if (criteria[kSquaresOrArrows] && (set.HasSquares() || set.HasArrows())) return true;
  if (set.HasCriticalPos()) {
    const int kind = set.GetCriticalPos();
    if (kind >= 1 && kind <= 3 && criteria[kCriticalKind1 + kind - 1]) return late = true;
  }
  if (medalMask && set.HasMedal() && (set.GetMedal() & medalMask)) return late = true;
  return false;
}

int32_t AnnotationMask::Match(const GameHeader& header, int number, FileTqa* annotations) const {
  if (!header.IsGame()) return kNoMatchingPly;
  if (MatchFlags(header) == kNoMatchingPly) return kNoMatchingPly;
  const uint32_t content = header.GetContentFlags();
  const bool medalsMet = (header.GetMedals() & medalMask) != 0;
  if (medalMask && !medalsMet) return kNoMatchingPly;
  if (!active && !medalMask) return 0;

  const int64_t offset = header.GetTqaOffset();
  if (annotations && offset > 0) {
    if (!ItemBitsPresent(content)) return kNoMatchingPly;
    if (!AnyPerMoveCriterion() && !medalMask && !criteria[kSquaresOrArrows]) return 0;
    if (annotations->BeginRead(static_cast<uint32_t>(offset), static_cast<uint32_t>(number)) == 0) {
      AnnotationSet set;
      for (;;) {
        set.Clear();
        int32_t key = -1;
        if (annotations->ReadNextSet(set, key) != 0 || key < 0) break;
        if (key == kGameSetKey) continue;
        bool late = false;
        if (MatchSet(set, late)) return late ? key + 1 : key;
      }
    }
  }
  return medalsMet ? 0 : kNoMatchingPly;
}

}  // namespace zh
