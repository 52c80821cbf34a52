// The annotation criteria of a search: item-level content bits, medals, and per-move
// hits on texts, symbols, pawn structures, piece paths, marks and critical positions,
// read from a game's block in the annotation file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/rules/symbols.h"

namespace zh {

class AnnotationSet;
class FileTqa;
class GameHeader;

class AnnotationMask {
 public:
  // Criterion bytes in stream order.
  enum Criterion {
    kSquaresOrArrows, kContentBits16to18, kContentBit9, kSetUpPosition, kContentBit1, kTypeBit7,
    kTextAnnotations, kSymbolAnnotations, kPawnStructures, kPiecePaths, kContentBit19,
    kCriticalKind1, kCriticalKind2, kCriticalKind3, kWholeWords, kCriteria
  };

  AnnotationMask() { criteria[kWholeWords] = 1; }
  void Reset();
  // Derives `active` from the criteria.
  void Recompute();

  // The ply of the first per-move hit (a critical position or a medal one later), 0
  // for the game as a whole, or kNoMatchingPly. `number` is the game's number, which
  // its block in the annotation file names; without a file only the medals count.
  int32_t Match(const GameHeader& header, int number, FileTqa* annotations) const;
  // Quick test on the header alone: kNoMatchingPly when a required content or type
  // bit is missing, else 0.
  int32_t MatchFlags(const GameHeader& header) const;

  // Whether the set holds a per-move hit; `late` tells that it counts for the ply
  // after the move.
  bool MatchSet(const AnnotationSet& set, bool& late) const;
  // Whether the text holds text1 or text2 (upper case compared, whole words with
  // wholeWords); any text without them.
  bool MatchText(std::string_view text) const;

  bool operator==(const AnnotationMask&) const = default;

  uint16_t medalMask = 0;
  std::string text1;
  std::string text2;
  MoveSymbols symbols;
  uint8_t criteria[kCriteria] = {};
  uint8_t active = 0;

 private:
  bool AnyPerMoveCriterion() const;
  bool ItemBitsPresent(uint32_t content) const;
  bool MatchSymbols(uint32_t packed) const;
};

// Whether `needle` occurs in `text`, both UTF-8, compared character by character in
// upper case (ASCII and Latin-1 letters); with `wholeWords` the occurrence must not
// be preceded or followed by a letter or digit.
bool ContainsUpperCase(std::string_view text, std::string_view needle, bool wholeWords);

}  // namespace zh
