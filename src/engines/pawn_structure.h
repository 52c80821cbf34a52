// Names the centre pawn structure of a position: the template row that fits its
// pawns best (or those of its colour mirror), as a two-letter code with a short
// description, and the row's balance class.
#pragma once

#include <string>

#include "core/rules/board.h"
#include "engines/pawn_templates.h"

namespace zh {

class PawnStructure {
 public:
  // The class bits (0x00, 0x10, 0x20 or 0x30) of the winning row, 0 without one; the
  // text is the code, a blank and the row's description ("AC d45e36c00").
  static int Classify(const Board& board, std::string& text);

  // The pawns of a board: the centre file first, at most eight entries per side.
  static PawnSignature BuildSignature(const Board& board);
  // Colours exchanged, ranks reflected, masks swapped, flag bit 1 flipped.
  static PawnSignature Mirror(const PawnSignature& signature);
  static bool Matches(const PawnSignature& row, const PawnSignature& signature);
  // Pawn entries plus the bits of both masks.
  static int Weight(const PawnSignature& row);
  // The winning row's index in kPawnTemplates and its weight; -1 and 0 without one.
  static int BestTemplate(const PawnSignature& signature, int* weight);
  // "d45e36c00" for the row AC.
  static std::string Describe(const PawnSignature& row);
};

}  // namespace zh
