// Real 3-vectors and 3x3 matrices of the 3D board: model and world space.
// A vector is transformed as a row vector, v' = v x M.
#pragma once

#include <array>

namespace zh::d3 {

// Values whose magnitude is below this count as zero.
inline constexpr double kTiny = 0.00001;

struct Vec3 {
  double x = 0;
  double y = 0;
  double z = 0;

  void Add(const Vec3& w) {
    x += w.x;
    y += w.y;
    z += w.z;
  }
  constexpr Vec3 operator+(const Vec3& w) const { return {x + w.x, y + w.y, z + w.z}; }
  constexpr Vec3 operator-(const Vec3& w) const { return {x - w.x, y - w.y, z - w.z}; }
  constexpr Vec3 operator*(double k) const { return {x * k, y * k, z * k}; }
  constexpr double Dot(const Vec3& w) const { return x * w.x + y * w.y + z * w.z; }
  constexpr double SquaredLength() const { return Dot(*this); }
  constexpr bool operator==(const Vec3&) const = default;
};

constexpr Vec3 Cross(const Vec3& u, const Vec3& v) {
  return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

// Row-major: m[0] m[1] m[2] / m[3] m[4] m[5] / m[6] m[7] m[8].
using Matrix3 = std::array<double, 9>;

inline constexpr Matrix3 kIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1};

enum Axis : int { kAxisX = 0, kAxisY = 1, kAxisZ = 2 };

// Rotation by `angle` radians about axis 0, 1 or 2; a positive angle turns x toward y
// about z, y toward z about x and z toward x about y. Sine and cosine below kTiny
// become 0, so quarter turns are exact. Another axis leaves `m` as it is.
void BuildRotation(Matrix3& m, double angle, int axis);
// out := a x b (out may be a or b).
void MultiplyMatrices(Matrix3& out, const Matrix3& a, const Matrix3& b);
void TransposeMatrix(Matrix3& out, const Matrix3& in);
// v x m.
Vec3 Transform(const Vec3& v, const Matrix3& m);

// Unit normal of the plane through three points, (p2 - p1) x (p3 - p2). False when the
// points are (nearly) collinear; `out` then keeps the unnormalised cross product.
bool PlaneNormal(Vec3& out, const Vec3& p1, const Vec3& p2, const Vec3& p3);

// (x, y, z) to (r, theta, phi): r the length (kTiny added under the root), theta the
// angle from +z, phi the azimuth atan2(y, x), 0 for the zero vector.
void ToSpherical(Vec3& v);
// (r, theta, phi) back to (x, y, z); components below kTiny become 0.
void FromSpherical(Vec3& v);
// Scales v to length 1; a (nearly) zero vector stays as it is.
void Normalize(Vec3& v);

struct ObserverView {
  double azimuth = 0;
  double elevation = 0;
  double distance = 0;
};
// Distance, azimuth and elevation of a point as seen from the origin.
ObserverView ObserverAngles(const Vec3& v);

}  // namespace zh::d3
