#include "board/d3/vec3.h"

#include <cmath>

namespace zh::d3 {
namespace {

double Snap(double value) { return std::fabs(value) < kTiny ? 0.0 : value; }

}  // namespace

void BuildRotation(Matrix3& m, double angle, int axis) {
  const double s = Snap(std::sin(angle));
  const double c = Snap(std::cos(angle));
  switch (axis) {
    case kAxisX:
      m = {1, 0, 0, 0, c, s, 0, -s, c};
      break;
    case kAxisY:
      m = {c, 0, -s, 0, 1, 0, s, 0, c};
      break;
    case kAxisZ:
      m = {c, s, 0, -s, c, 0, 0, 0, 1};
      break;
    default:
      break;
  }
}

void MultiplyMatrices(Matrix3& out, const Matrix3& a, const Matrix3& b) {
  Matrix3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      r[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
  out = r;
}

void TransposeMatrix(Matrix3& out, const Matrix3& in) {
  Matrix3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[i * 3 + j] = in[j * 3 + i];
  out = r;
}

Vec3 Transform(const Vec3& v, const Matrix3& m) {
  return {v.x * m[0] + v.y * m[3] + v.z * m[6], v.x * m[1] + v.y * m[4] + v.z * m[7],
          v.x * m[2] + v.y * m[5] + v.z * m[8]};
}

bool PlaneNormal(Vec3& out, const Vec3& p1, const Vec3& p2, const Vec3& p3) {
  out = Cross(p2 - p1, p3 - p2);
  const double squared = out.SquaredLength();
  if (squared <= kTiny) return false;
  out = out * (1.0 / std::sqrt(squared));
  return true;
}

void ToSpherical(Vec3& v) {
  const double r = std::sqrt(v.SquaredLength() + kTiny);
  const double theta = r > kTiny ? std::acos(v.z / r) : 0.0;
  // atan2 keeps the azimuth of points on the y axis (x = 0), so that turning the view
  // through 90 degrees goes on smoothly; it answers 0 for the zero vector.
  const double phi = std::atan2(v.y, v.x);
  v = {Snap(r), Snap(theta), Snap(phi)};
}

void FromSpherical(Vec3& v) {
  const double r = v.x;
  const double theta = v.y;
  const double phi = v.z;
  v = {Snap(r * std::sin(theta) * std::cos(phi)), Snap(r * std::sin(theta) * std::sin(phi)),
       Snap(r * std::cos(theta))};
}

void Normalize(Vec3& v) {
  const double squared = v.SquaredLength();
  if (squared > kTiny) v = v * (1.0 / std::sqrt(squared));
}

ObserverView ObserverAngles(const Vec3& v) {
  ObserverView view;
  view.distance = std::sqrt(v.SquaredLength() + kTiny);
  view.azimuth = std::atan2(v.y, v.x + kTiny);
  view.elevation = std::asin(v.z / (view.distance + kTiny));
  return view;
}

}  // namespace zh::d3
