// Piece bitmap sets: every picture a board draws (empty squares, each piece on each
// square colour, masks, the selection bitmap, the dark-square overlay) at one square
// size, cut from a piece map (board/ui/piece_map.h), and the cache that hands them
// out. Sets are shared: a set that the cache replaces lives on while a board still
// holds it.
#pragma once

#include <QImage>
#include <array>
#include <functional>
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

// The parts of a set that both kinds keep.
class BasicPieceBMPSet : public PieceBMPSet {
 public:
  const QImage& GetPieceBitmap(int type, int colour, int squareColour) const override;
  const QImage& GetSquareBitmap(int squareColour) const override { return squares_[squareColour & 1]; }
  const QImage& GetSelectionBitmap() const override { return selection_; }
  const QImage& GetPieceMask(int type) const override { return masks_[Type(type)]; }
  const QImage& GetInvertedMask(int type) const override { return invertedMasks_[Type(type)]; }
  int GetSquareSize() const override { return squares_[0].width(); }
  void HalveSize() override;

 protected:
  static size_t Type(int type) { return static_cast<size_t>((type & 7) % 7); }
  static size_t Entry(int type, int colour, int square);

  std::array<QImage, 28> pictures_;
  std::array<QImage, 2> squares_;
  std::array<QImage, 7> masks_;
  std::array<QImage, 7> invertedMasks_;  // null images in one-map sets
  QImage selection_;
  QImage overlay_;
};

// The map's pictures as they stand: white pieces and light squares on white, the
// dark square is the map's texture cell.
class OneMapPieceBMPSet final : public BasicPieceBMPSet {
 public:
  explicit OneMapPieceBMPSet(const QImage& map);
  const QImage& GetDarkSquareOverlay() const override { return squares_[1]; }
  bool IsPlainDrawing() const override { return true; }
};

// The map recoloured: white pieces filled with colour 0, black pieces with colour 1,
// squares in colours 2 and 3 (the dark ones textured when the record asks for it).
class ColoredPieceBMPSet final : public BasicPieceBMPSet {
 public:
  ColoredPieceBMPSet(const QImage& map, const BoardColors& colors);
  const QImage& GetDarkSquareOverlay() const override { return overlay_; }
  bool IsPlainDrawing() const override { return false; }
};

// The program's sets by style, made from the piece maps of the resource bundle.
class PieceSetCache final : public PieceSets {
 public:
  // A piece map by resource id; a null image when it cannot be had.
  using MapLoader = std::function<QImage(int id)>;

  explicit PieceSetCache(int colourCount = 65536, MapLoader loader = {});
  SharedPieceSet GetSet(int style) override;
  SharedPieceSet GetColoredSet(int style, const BoardColors& colors) override;
  SharedPieceSet GetDisplaySet(int style) override { return GetSet(style); }

  // The bundle's map "bitmap/<id>.png" as RGB32, or a null image.
  static QImage BundleMap(int id);

 private:
  QImage LoadMap(int index);

  MapLoader loader_;
  std::array<SharedPieceSet, 8> plain_;
  std::array<SharedPieceSet, 8> colored_;
  std::array<BoardColors, 8> colors_;
};

// The program's piece sets, or null before start-up made them.
PieceSets* ThePieceSets();
void SetThePieceSets(PieceSets* sets);

}  // namespace zh
