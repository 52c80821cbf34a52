#include "board/d3/camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zh::d3 {
namespace {

constexpr double kHalfPi = std::numbers::pi / 2;

// A real to a 16-bit screen value: saturated, then truncated; false when not finite.
bool ToScreen(double value, int16_t& out) {
  if (!std::isfinite(value)) return false;
  value = std::clamp(value, -double(kScreenLimit), double(kScreenLimit));
  out = static_cast<int16_t>(value);
  return true;
}

}  // namespace

void SetupCamera(D3Settings& s) {
  const ObserverView view = ObserverAngles(s.observer);
  s.viewDistance = view.distance;
  s.viewAzimuth = view.azimuth;
  s.viewElevation = view.elevation;
  Matrix3 rx = kIdentity, rz = kIdentity, identity = kIdentity;
  BuildRotation(rx, kHalfPi - view.elevation, kAxisX);
  BuildRotation(rz, view.azimuth + kHalfPi, kAxisZ);
  BuildRotation(identity, 0, kAxisZ);
  MultiplyMatrices(s.viewMatrix, identity, rx);
  MultiplyMatrices(s.viewMatrix, s.viewMatrix, rz);
  TransposeMatrix(s.inverseMatrix, s.viewMatrix);
  s.projection = std::tan(s.scale * 0.5) * view.distance * 100;
}

bool ProjectPoint(const D3Settings& s, const Vec3& p, ScreenPoint& out) {
  const Vec3 c = Transform(p, s.inverseMatrix);  // u, v, w
  const double depth = s.viewDistance - c.z;
  if (!(depth >= kNearestDepth)) return false;
  const double f = s.projection / depth;
  return ToScreen(c.x * f + s.centreX + 0.5, out.x) && ToScreen(s.centreY - c.y * f + 0.5, out.y);
}

bool ProjectObject(const D3Settings& s, SceneObject& object) {
  for (SceneVertex& v : object.Vertices()) {
    ScreenPoint p;
    if (!ProjectPoint(s, {v.x, v.y, v.z + kLift}, p)) {
      object.Hide();
      return false;
    }
    v.screenX = p.x;
    v.screenY = p.y;
  }
  object.ComputeScreenBounds();
  return true;
}

bool ProjectShadow(const D3Settings& s, SceneObject& object) {
  Rectangle& bounds = object.ShadowBounds();
  bounds = Rectangle{};
  std::span<SceneVertex> outline = object.Outline();
  if (outline.empty()) return false;
  const Vec3& l = s.lightVec;
  const double horizontal = std::sqrt(l.x * l.x + l.y * l.y + kTiny);
  const double o = l.x / horizontal, m = l.y / horizontal;
  const double t = l.z / std::sqrt(l.SquaredLength() + kTiny);
  const Vec3& at = object.Position();
  int32_t minX = kScreenLimit, minY = kScreenLimit, maxX = -kScreenLimit, maxY = -kScreenLimit;
  for (SceneVertex& v : outline) {
    const double a = v.x, h = v.z;
    const double d = (at.z + h) / t;
    ScreenPoint p;
    if (!ProjectPoint(s, {at.x - m * a - o * d, at.y + o * a - m * d, kLift}, p)) return false;
    v.screenX = p.x;
    v.screenY = p.y;
    minX = std::min<int32_t>(minX, p.x);
    minY = std::min<int32_t>(minY, p.y);
    maxX = std::max<int32_t>(maxX, p.x);
    maxY = std::max<int32_t>(maxY, p.y);
  }
  bounds = Rectangle{minX, minY, maxX + 1, maxY + 1};
  return true;
}

}  // namespace zh::d3
