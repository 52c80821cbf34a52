#include "board/d3/light_source.h"

#include <cmath>

namespace zh::d3 {

void LightSource::SetDirection(const Vec3& vector) {
  direction = vector;
  length = std::sqrt(vector.SquaredLength());
}

}  // namespace zh::d3
