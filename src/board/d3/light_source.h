// The light of the 3D scene: intensity, ambient share and the direction it comes from.
#pragma once

#include "board/d3/vec3.h"

namespace zh::d3 {

struct LightSource {
  double intensity = 1.0;
  double ambient = 0.35;
  Vec3 direction;   // from the scene toward the light
  Vec3 secondary;   // kept zero
  double length = 0;  // of the direction

  // direction := vector; length := its length.
  void SetDirection(const Vec3& vector);
};

}  // namespace zh::d3
