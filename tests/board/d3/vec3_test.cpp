#include "board/d3/vec3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace zh::d3 {
namespace {

double Determinant(const Matrix3& m) {
  return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
         m[2] * (m[3] * m[7] - m[4] * m[6]);
}

TEST(Rotation, EveryRotationIsOrthonormalWithDeterminantOne) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> angle(-10, 10);
  for (int i = 0; i < 300; ++i) {
    for (int axis = 0; axis < 3; ++axis) {
      Matrix3 m{};
      BuildRotation(m, angle(random), axis);
      Matrix3 t, product;
      TransposeMatrix(t, m);
      MultiplyMatrices(product, m, t);
      for (int k = 0; k < 9; ++k) EXPECT_NEAR(product[k], kIdentity[k], 1e-9) << k;
      EXPECT_NEAR(Determinant(m), 1.0, 1e-9);
    }
  }
}

TEST(Rotation, TurnsAddUpAboutEachAxis) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> angle(-4, 4);
  for (int i = 0; i < 200; ++i) {
    const double a = angle(random), b = angle(random);
    for (int axis = 0; axis < 3; ++axis) {
      Matrix3 ma{}, mb{}, sum{}, product{};
      BuildRotation(ma, a, axis);
      BuildRotation(mb, b, axis);
      BuildRotation(sum, a + b, axis);
      MultiplyMatrices(product, ma, mb);
      // Sines and cosines snapped to 0 below 1e-5 leave errors of that size.
      for (int k = 0; k < 9; ++k) EXPECT_NEAR(product[k], sum[k], 1e-4) << axis << " " << k;
    }
  }
}

TEST(Rotation, QuarterTurnAboutZIsExactAndTurnsXTowardY) {
  Matrix3 m{};
  BuildRotation(m, std::numbers::pi / 2, kAxisZ);
  EXPECT_EQ(m, (Matrix3{0, 1, 0, -1, 0, 0, 0, 0, 1}));
  EXPECT_EQ(Transform({1, 0, 0}, m), (Vec3{0, 1, 0}));
  // Positive turns: y toward z about x, z toward x about y.
  BuildRotation(m, std::numbers::pi / 2, kAxisX);
  EXPECT_EQ(Transform({0, 1, 0}, m), (Vec3{0, 0, 1}));
  BuildRotation(m, std::numbers::pi / 2, kAxisY);
  EXPECT_EQ(Transform({0, 0, 1}, m), (Vec3{1, 0, 0}));
  // Another axis leaves the matrix alone.
  Matrix3 kept = kIdentity;
  BuildRotation(kept, 1.0, 3);
  EXPECT_EQ(kept, kIdentity);
}

TEST(Spherical, RoundTripAddsTheTinyValueToTheHorizontalRadius) {
  Vec3 v{1.3, 0, 0.61};
  ToSpherical(v);
  EXPECT_EQ(v.z, 0.0);
  FromSpherical(v);
  EXPECT_NEAR(v.x, std::sqrt(1.69 + 1e-5), 1e-12);
  EXPECT_EQ(v.y, 0.0);
  EXPECT_NEAR(v.z, 0.61, 1e-15);
}

TEST(Spherical, AzimuthOfPointsOnTheYAxisIsKept) {
  Vec3 v{0, 5, 1};
  ToSpherical(v);
  EXPECT_NEAR(v.z, std::numbers::pi / 2, 1e-12);
  Vec3 w{0, -5, 1};
  ToSpherical(w);
  EXPECT_NEAR(w.z, -std::numbers::pi / 2, 1e-12);
  Vec3 zero{};
  ToSpherical(zero);
  EXPECT_EQ(zero.z, 0.0);
}

TEST(PlaneNormal, IsAUnitVectorPerpendicularToBothEdges) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> coord(-50, 50);
  for (int i = 0; i < 500; ++i) {
    const Vec3 p1{coord(random), coord(random), coord(random)};
    const Vec3 p2{coord(random), coord(random), coord(random)};
    const Vec3 p3{coord(random), coord(random), coord(random)};
    Vec3 n;
    ASSERT_TRUE(PlaneNormal(n, p1, p2, p3));
    EXPECT_NEAR(n.SquaredLength(), 1.0, 1e-12);
    const Vec3 u = p2 - p1, v = p3 - p2;
    EXPECT_NEAR(n.Dot(u) / std::sqrt(u.SquaredLength()), 0.0, 1e-9);
    EXPECT_NEAR(n.Dot(v) / std::sqrt(v.SquaredLength()), 0.0, 1e-9);
    // The normal follows the right-hand rule of p1, p2, p3.
    EXPECT_GT(n.Dot(Cross(u, v)), 0);
  }
  Vec3 n;
  EXPECT_FALSE(PlaneNormal(n, {0, 0, 0}, {1, 1, 1}, {3, 3, 3}));
  EXPECT_FALSE(PlaneNormal(n, {2, 0, 0}, {2, 0, 0}, {0, 5, 0}));
}

TEST(Normalize, ScalesToUnitLengthButLeavesTheZeroVector) {
  Vec3 v{3, 0, 4};
  Normalize(v);
  EXPECT_NEAR(v.x, 0.6, 1e-15);
  EXPECT_EQ(v.y, 0.0);
  EXPECT_NEAR(v.z, 0.8, 1e-15);
  Vec3 tiny{0.001, 0, 0};
  Normalize(tiny);
  EXPECT_EQ(tiny, (Vec3{0.001, 0, 0}));
}

TEST(ObserverAngles, DistanceAzimuthAndElevation) {
  const ObserverView view = ObserverAngles({0, 10, 10});
  EXPECT_NEAR(view.distance, std::sqrt(200.0), 1e-6);
  EXPECT_NEAR(view.azimuth, std::numbers::pi / 2, 1e-5);
  EXPECT_NEAR(view.elevation, std::numbers::pi / 4, 1e-5);
}

}  // namespace
}  // namespace zh::d3
