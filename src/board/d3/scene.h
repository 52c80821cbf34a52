// The scene of one 3D board: the 64 squares and the five frame parts, the twelve piece
// models, the pieces standing on the board, and what the renderer does with them:
// placing a piece on a square, projecting and shading the whole view, and finding the
// square under a screen point. The pictures are drawn elsewhere; a piece's cached
// images are made through `renderImages`.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "board/d3/d3_settings.h"
#include "board/d3/object_list.h"
#include "board/d3/scene_object.h"

namespace zh::d3 {

class D3Scene {
 public:
  // Any set-up board shows: one slot per square.
  static constexpr size_t kPieceCapacity = 64;
  static constexpr size_t kBoardObjectCount = 69;
  static constexpr int kSquareCount = 64;
  static constexpr uint8_t kNoSquare = 255;

  explicit D3Scene(D3Settings& settings);

  D3Settings& Settings() { return settings_; }
  const D3Settings& Settings() const { return settings_; }
  void SetWindowSize(int32_t width, int32_t height);
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

  // The squares (file-major, a1 first) and the parts "BFTop", "BFLeft", "BFRight",
  // "BFBott" and "BFThick", from SqSize, BoardMargin and the square colours, with
  // their normals; each object carries its list index as its square.
  void BuildBoard();
  // The twelve models from Rotation and Pieces, coloured by the piece colours.
  void BuildModels();
  // The model of a piece code (type 1-6, bit 3 black); null for other codes.
  const SceneObject* Model(int code) const;
  // Where a piece on the square stands.
  Vec3 SquarePosition(int square) const;

  // A copy of the code's model on the square, prepared for the current view; null for
  // an empty code or a square off the board.
  std::unique_ptr<SceneObject> MakePiece(int code, int square) const;
  // MakePiece, added to the piece list; null when nothing was placed or the list is full.
  SceneObject* PlacePiece(int code, int square);
  // Projects (shadow included with Shadows on), clips to the window and, when visible,
  // marks back faces, shades and renders the images of one piece.
  void PreparePiece(SceneObject& piece) const;
  SceneObject* FindPiece(int square);
  // Takes the piece off the list and hands it over; an internal-check box and null
  // when no piece stands there.
  std::unique_ptr<SceneObject> RemovePiece(int square);
  // Adds a piece made elsewhere (a flight's last image); false when the list is full.
  bool AddPiece(std::unique_ptr<SceneObject> piece);
  void SortPieces() { pieces_.SortByDistance(settings_.observer); }
  void ClearPieces() { pieces_.Clear(); }

  // A full view: pieces projected (not while steering) with their shadows, board
  // objects projected, everything in the window backface-marked and shaded, pieces
  // sorted farthest first and their images rendered. The camera is set up by the caller.
  void PrepareView();

  // The square under the point: a piece whose screen bounds hold it, or the square
  // whose polygon holds it, whichever has its bounds' centre nearer; 255 for none.
  int HitTest(ScreenPoint point) const;

  ObjectList& Pieces() { return pieces_; }
  const ObjectList& Pieces() const { return pieces_; }
  ObjectList& BoardObjects() { return board_; }
  const ObjectList& BoardObjects() const { return board_; }

  // Squares shown marked (bit = square).
  uint64_t markedSquares = 0;
  // Renders a visible piece's cached images; unset, pieces have none.
  std::function<void(SceneObject&)> renderImages;

 private:
  D3Settings& settings_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  ObjectList pieces_{kPieceCapacity};
  ObjectList board_{kBoardObjectCount};
  std::array<std::unique_ptr<SceneObject>, 12> models_;
};

}  // namespace zh::d3
