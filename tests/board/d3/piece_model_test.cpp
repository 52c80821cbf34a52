#include "board/d3/piece_model.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "board/d3/scene_parser.h"
#include "board/d3/scene_texts.h"
#include "support/recording_services.h"

namespace zh::d3 {
namespace {

const char* const kNames[] = {"King", "Queen", "Knight", "Bishop", "Rook", "Pawn"};
const char* const kFiles[] = {"king", "queen", "knight", "bishop", "rook", "pawn"};

std::vector<Vec3> Profile(const char* file, const std::string& section) {
  SceneParser parser;
  std::vector<Vec3> profile(30);
  profile.resize(parser.ReadVectorList(SceneSection(file, section), profile));
  return profile;
}

TEST(PieceModel, KingWithItsCross) {
  test::RecordingServices services;
  const SceneObject king = PieceModel::Build("King", kModelKing, 16, 0);
  EXPECT_EQ(king.Name(), "King");
  EXPECT_EQ(king.Vertices().size(), 137u);
  EXPECT_EQ(king.Polygons().size(), 130u);
  EXPECT_EQ(king.Outline().size(), 16u);
  // The cross stands on the crown: its blocks reach from 7.38 to 8.58, turned a
  // quarter about z and set off by (0.2, -0.2).
  double top = 0, minX = 9, maxX = -9;
  for (size_t i = 113; i < 137; ++i) {
    const SceneVertex& v = king.Vertices()[i];
    top = std::max(top, v.z);
    minX = std::min(minX, v.x);
    maxX = std::max(maxX, v.x);
  }
  EXPECT_NEAR(top, 7.38 + 1.2, 1e-12);
  EXPECT_NEAR(minX, -0.2, 1e-12);
  EXPECT_NEAR(maxX, 0.2, 1e-12);
  EXPECT_TRUE(services.calls.empty());
}

TEST(PieceModel, CountsByTypeAndDesign) {
  struct Case {
    int type, design;
    size_t vertices, polygons, outline;
  } cases[] = {
      {kModelRook, 0, 6 * 16 + 1, 6 * 16, 12},
      {kModelRook, 1, 7 * 16 + 1 + 64, 7 * 16 + 48, 12},  // with the battlement ring
      {kModelRook, 2, 8 * 16 + 1 + 64, 8 * 16 + 48, 12},
      {kModelKnight, 2, 112 + 28 + 33, 96 + 24 + 27, 12},
      {kModelKnight, 0, 80 + 28 + 33, 64 + 24 + 27, 12},
      {kModelQueen, 2, 13 * 16 + 1, 13 * 16, 16},
      {kModelPawn, 0, 6 * 16 + 1, 6 * 16, 12},
      {kModelBishop, 1, 10 * 16 + 1, 10 * 16, 18},
      {kModelTestCube, 0, 8, 6, 0},
      {kModelKing, 7, 11 * 16 + 1 + 24, 11 * 16 + 18, 16},  // another design: design 2
      {7, 2, 0, 0, 0},
      {-1, 2, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const SceneObject model = PieceModel::Build("M", c.type, 16, c.design);
    EXPECT_EQ(model.Vertices().size(), c.vertices) << c.type << "/" << c.design;
    EXPECT_EQ(model.Polygons().size(), c.polygons) << c.type << "/" << c.design;
    EXPECT_EQ(model.Outline().size(), c.outline) << c.type << "/" << c.design;
  }
}

TEST(PieceModel, PawnOutlineRunsUpTheRightAndDownTheLeft) {
  const SceneObject pawn = PieceModel::Build("Pawn", kModelPawn, 16, 2);
  ASSERT_EQ(pawn.Outline().size(), 12u);
  EXPECT_EQ(pawn.Outline()[0].Position(), (Vec3{1.1, 0, 0.04}));
  EXPECT_EQ(pawn.Outline()[5].Position(), (Vec3{0.40, 0, 2.43}));
  EXPECT_EQ(pawn.Outline()[6].Position(), (Vec3{-0.40, 0, 2.43}));
  EXPECT_EQ(pawn.Outline()[11].Position(), (Vec3{-1.1, 0, 0.04}));
}

TEST(PieceModel, EveryModelAtEveryDetailBuildsWholeAndIndexesItsVertices) {
  test::RecordingServices services;
  for (int type = 0; type < 6; ++type) {
    for (int design = 0; design < 3; ++design) {
      const size_t points = Profile(kFiles[type], "body" + std::to_string(design)).size();
      for (int n = 3; n <= 63; ++n) {
        const SceneObject model = PieceModel::Build(kNames[type], type, n, design);
        // Every part merged: the body's polygons and those of the extra parts.
        size_t extra = 0;
        if (type == kModelKing) extra = 18;
        if (type == kModelKnight) extra = 51;
        if (type == kModelRook && design != 0) extra = 3 * size_t(n);
        ASSERT_EQ(model.Polygons().size(), (points - 1) * n + extra) << kNames[type] << design << " " << n;
        for (const ScenePolygon& p : model.Polygons()) {
          ASSERT_TRUE(p.count == 3 || p.count == 4);
          for (int i = 0; i < p.count; ++i)
            ASSERT_TRUE(p.index[i] >= 0 && size_t(p.index[i]) < model.Vertices().size());
        }
      }
    }
  }
  EXPECT_TRUE(services.calls.empty()) << services.calls.front();
}

// --- the turned bodies as solids ---

struct Edge {
  int16_t from, to;
  bool operator<(const Edge& o) const { return std::pair(from, to) < std::pair(o.from, o.to); }
};

TEST(LatheBodies, AreConsistentMeshesOfTheRightTopology) {
  std::vector<std::pair<std::string, std::vector<Vec3>>> profiles;
  for (const char* file : kFiles)
    for (int d = 0; d < 3; ++d) profiles.push_back({std::string(file) + " body" + std::to_string(d), Profile(file, "body" + std::to_string(d))});
  profiles.push_back({"rook ring", Profile("rook", "ring")});
  profiles.push_back({"spindle", {{0, 0, 3}, {1, 0, 2}, {1.5, 0, 1}, {1, 0, 0.5}, {0, 0, 0}}});
  for (const auto& [name, profile] : profiles) {
    ASSERT_GE(profile.size(), 4u) << name;
    const int poles = int(profile.front().x == 0) + int(profile.back().x == 0);
    for (int n : {3, 4, 7, 16, 63}) {
      const SceneObject body = SceneObject::Lathe(name, n, profile);
      std::set<Edge> directed;
      std::set<Edge> undirected;
      for (const ScenePolygon& p : body.Polygons()) {
        for (int i = 0; i < p.count; ++i) {
          const int16_t a = p.index[i], b = p.index[(i + 1) % p.count];
          ASSERT_NE(a, b) << name << " " << n;
          ASSERT_TRUE(directed.insert({a, b}).second) << name << " " << n << ": edge " << a << "-" << b;
          undirected.insert({std::min(a, b), std::max(a, b)});
        }
      }
      const long euler = long(body.Vertices().size()) - long(undirected.size()) + long(body.Polygons().size());
      EXPECT_EQ(euler, poles == 0 ? 0 : poles) << name << " " << n;
    }
  }
}

// The volume under a surface that is open only at z = 0, from its faces by the
// divergence theorem with the field (0, 0, z): the sum over faces of z times the
// vertical part of the outward area vector.
double EnclosedVolume(const SceneObject& body) {
  double volume = 0;
  const auto& v = body.Vertices();
  for (const ScenePolygon& p : body.Polygons()) {
    const Vec3 a = v[size_t(p.index[0])].Position();
    for (int i = 1; i + 1 < p.count; ++i) {
      const Vec3 b = v[size_t(p.index[i])].Position(), c = v[size_t(p.index[i + 1])].Position();
      const double areaZ = ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / 2;
      volume += areaZ * (a.z + b.z + c.z) / 3;
    }
  }
  return volume;
}

// A stack of regular n-gon frusta whose corners lie at radius sqrt(r^2 + 1e-5) (the
// spherical round trip's growth); the pole itself stays on the axis.
double FrustaVolume(const std::vector<Vec3>& profile, int n) {
  auto radius = [](const Vec3& p) { return p.x == 0 ? 0.0 : std::sqrt(p.x * p.x + 1e-5); };
  double sum = 0;
  for (size_t k = 0; k + 1 < profile.size(); ++k) {
    const double r1 = radius(profile[k]), r2 = radius(profile[k + 1]);
    sum += (profile[k].z - profile[k + 1].z) * (r1 * r1 + r1 * r2 + r2 * r2);
  }
  return n / 6.0 * std::sin(2 * std::numbers::pi / n) * sum;
}

TEST(LatheBodies, EncloseTheirFrustaVolume) {
  int checked = 0;
  for (const char* file : kFiles) {
    for (int d = 0; d < 3; ++d) {
      const std::vector<Vec3> profile = Profile(file, "body" + std::to_string(d));
      if (profile.front().x != 0) continue;  // the knight's base is open at the top
      ASSERT_EQ(profile.back().z, 0.0) << file;
      for (int n : {3, 5, 16, 63}) {
        const double expected = FrustaVolume(profile, n);
        const double got = EnclosedVolume(SceneObject::Lathe(file, n, profile));
        EXPECT_NEAR(got / expected, 1.0, 1e-4) << file << " " << d << " " << n;
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 5 * 3 * 4);
}

TEST(LatheBodies, TheVolumeCheckCatchesAReversedFace) {
  const std::vector<Vec3> profile = Profile("pawn", "body2");
  SceneObject body = SceneObject::Lathe("Pawn", 16, profile);
  const double expected = FrustaVolume(profile, 16);
  ReversePolygon(body.Polygons()[40]);
  EXPECT_GT(std::fabs(EnclosedVolume(body) / expected - 1), 1e-4);
  SceneObject wrong = SceneObject::Lathe("Pawn", 16, profile);
  wrong.Polygons()[40].index[2] = static_cast<int16_t>(wrong.Polygons()[40].index[2] + 1);
  EXPECT_GT(std::fabs(EnclosedVolume(wrong) / expected - 1), 1e-4);
}

}  // namespace
}  // namespace zh::d3
