// The camera of the 3D board: the view from the observer toward the board's centre,
// the perspective projection of scene points to 16-bit screen points, and the shadows
// that pieces cast on the board plane.
#pragma once

#include <cstdint>

#include "board/d3/d3_settings.h"
#include "board/d3/scene_object.h"
#include "board/d3/screen_geometry.h"

namespace zh::d3 {

// Screen coordinates saturate here; a point beyond cannot be drawn sensibly anyway.
inline constexpr int32_t kScreenLimit = 30000;
// Every vertex is projected this much higher than it stands.
inline constexpr double kLift = 2.0;
// A point nearer to the observer's plane than this is not projected.
inline constexpr double kNearestDepth = 1.0;

// Azimuth, distance, elevation, the view rotation and the projection factor from the
// observer and Scale.
void SetupCamera(D3Settings& settings);

// The screen point of a world point. False when the point lies less than
// kNearestDepth before the observer's plane or its coordinates are not finite.
bool ProjectPoint(const D3Settings& settings, const Vec3& point, ScreenPoint& out);

// Projects every vertex (lifted by kLift) and computes the screen bounds. When a
// vertex cannot be projected the object is hidden and the answer is false.
bool ProjectObject(const D3Settings& settings, SceneObject& object);

// Casts the object's outline onto the board plane along the light and projects it;
// the outline's screen points become the shadow's, its bounds the shadow bounds. An
// object without outline, or whose shadow cannot be cast (a light on the horizon) or
// projected, gets empty shadow bounds and the answer false.
bool ProjectShadow(const D3Settings& settings, SceneObject& object);

}  // namespace zh::d3
