// Piece bitmap sets: every picture a board draws (empty squares, each piece on each
// square colour, masks, the selection bitmap, the dark-square overlay) at one square
// size, and the cache that hands them out. Sets are shared: a set that the cache
// replaces lives on while a board still holds it.
#pragma once

#include <QImage>
#include <array>
#include <memory>

#include "board/board_colors.h"

namespace zh {

class PieceBMPSet {
 public:
  virtual ~PieceBMPSet() = default;
  // Type 0 is the empty square, 1-6 king, queen, knight, bishop, rook, pawn;
  // colour 0 white, 1 black; square colour 0 light, 1 dark.
  virtual const QImage& GetPieceBitmap(int type, int colour, int squareColour) const = 0;
  virtual const QImage& GetSquareBitmap(int squareColour) const = 0;
  virtual const QImage& GetSelectionBitmap() const = 0;
  // White inside the piece's shape, black elsewhere; blank for type 0.
  virtual const QImage& GetPieceMask(int type) const = 0;
  // Black inside the shape, white elsewhere; a null image when the set has none.
  virtual const QImage& GetInvertedMask(int type) const = 0;
  virtual int GetSquareSize() const = 0;
  // Every bitmap at half its width and height, each pixel the mean of four.
  virtual void HalveSize() = 0;
  virtual const QImage& GetDarkSquareOverlay() const = 0;
  virtual bool IsPlainDrawing() const = 0;
};

using SharedPieceSet = std::shared_ptr<const PieceBMPSet>;

class PieceSets {
 public:
  virtual ~PieceSets() = default;
  // The plain set of a style (index = style mod 8), made on first use and kept.
  virtual SharedPieceSet GetSet(int style) = 0;
  // The set of a style in the given colours; a set in other colours is replaced.
  virtual SharedPieceSet GetColoredSet(int style, const BoardColors& colors) = 0;
  // The set of the small display boards: as GetSet.
  virtual SharedPieceSet GetDisplaySet(int style) = 0;
};

// The square size of a style: 16, 20, 24, 32, 40, 48, 64, 72 for styles 0-7.
int PieceSetSquareSize(int style);

// The sets drawn from the DejaVu chess glyphs.
class PieceSetCache final : public PieceSets {
 public:
  explicit PieceSetCache(int colourCount = 65536);
  SharedPieceSet GetSet(int style) override;
  SharedPieceSet GetColoredSet(int style, const BoardColors& colors) override;
  SharedPieceSet GetDisplaySet(int style) override { return GetSet(style); }

 private:
  std::array<SharedPieceSet, 8> plain_;
  std::array<SharedPieceSet, 8> colored_;
  std::array<BoardColors, 8> colors_;
};

// The program's piece sets, or null before start-up made them.
PieceSets* ThePieceSets();
void SetThePieceSets(PieceSets* sets);

}  // namespace zh
