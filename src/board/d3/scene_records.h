// The records a scene object is made of: vertices with their projected screen points
// and polygons of three or four vertex numbers with what the renderer derives.
#pragma once

#include <array>
#include <cstdint>

#include "board/board_colors.h"
#include "board/d3/vec3.h"

namespace zh::d3 {

struct SceneVertex {
  double x = 0;
  double y = 0;
  double z = 0;
  int16_t screenX = 0;
  int16_t screenY = 0;

  constexpr Vec3 Position() const { return {x, y, z}; }
  void SetPosition(const Vec3& v) {
    x = v.x;
    y = v.y;
    z = v.z;
  }
};

struct ScenePolygon {
  std::array<int16_t, 4> index{};  // 0-based vertex numbers; a triangle uses three
  int16_t count = 0;               // 3 or 4
  Vec3 normal;                     // unit normal, set by the renderer
  Vec3 centre;                     // mean of the vertices
  bool backFacing = false;         // faces away from the observer
  double brightness = 0;           // 0..1 from the light
  ColorRecord color{0, 0, 0, 0};   // colour-name index 0 until coloured
};

}  // namespace zh::d3
