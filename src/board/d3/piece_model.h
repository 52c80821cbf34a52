// The six piece models of the 3D board (and a test cube), turned from lathe profiles
// with extra parts for the king's cross, the rook's battlement and the knight's head,
// each with the flat outline its shadow is cast from. Model coordinates: the piece
// stands on z = 0 centred on the z axis, z up, lengths in square-size units.
#pragma once

#include <string>

#include "board/d3/scene_object.h"

namespace zh::d3 {

enum PieceModelType : int {
  kModelKing = 0,
  kModelQueen = 1,
  kModelKnight = 2,
  kModelBishop = 3,
  kModelRook = 4,
  kModelPawn = 5,
  kModelTestCube = 6,
};

// The lowest and highest detail levels (designs); the most detailed is the default.
inline constexpr int kFirstDesign = 0;
inline constexpr int kLastDesign = 2;

class PieceModel {
 public:
  // The model of a piece type with `meridians` segments around its axis in design 0,
  // 1 or 2 (another design builds design 2). A type outside 0..6 gives an empty model.
  static SceneObject Build(std::string name, int type, int meridians, int design);
};

}  // namespace zh::d3
