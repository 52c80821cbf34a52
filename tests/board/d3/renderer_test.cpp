#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "board/d3/camera.h"
#include "board/d3/redraw_job.h"
#include "board/d3/scene.h"
#include "board/d3/shading.h"
#include "core/rules/board.h"
#include "support/recording_services.h"

namespace zh::d3 {
namespace {

constexpr int kE1 = 32;

// The view of an 800 x 600 inlay with the scale a board of nominal width 400 gets.
void SetView(D3Settings& s) {
  s.centreX = 400;
  s.centreY = 300;
  s.scale = 400.0 / 3400 + 0.025;
  SetupCamera(s);
}

struct SceneFixture {
  D3Settings settings;
  D3Scene scene{settings};
  explicit SceneFixture(bool initial) {
    SetView(settings);
    scene.SetWindowSize(800, 600);
    scene.BuildBoard();
    scene.BuildModels();
    if (initial) {
      const Board start(true);
      for (int sq = 0; sq < 64; ++sq) scene.PlacePiece(start[sq], sq);
    }
    scene.PrepareView();
  }
};

// A textbook look-at camera: eye at the observer, target the origin, up +z, focal
// length the projection factor; points are raised by 2 as the renderer raises them.
ScreenPoint LookAt(const D3Settings& s, Vec3 p) {
  p.z += 2.0;
  const Vec3 eye = s.observer;
  Vec3 forward = eye * -1.0;
  Normalize(forward);
  Vec3 right = Cross(forward, {0, 0, 1});
  Normalize(right);
  const Vec3 up = Cross(right, forward);
  const Vec3 rel = p - eye;
  const double depth = rel.Dot(forward);
  const double x = s.centreX + s.projection * rel.Dot(right) / depth;
  const double y = s.centreY - s.projection * rel.Dot(up) / depth;
  return {static_cast<int16_t>(std::floor(x + 0.5)), static_cast<int16_t>(std::floor(y + 0.5))};
}

TEST(Camera, ProjectionAgreesWithATextbookLookAtCamera) {
  std::mt19937 random(20261211);
  std::uniform_real_distribution<double> unit(0, 1);
  D3Settings s;
  for (int i = 0; i < 1000; ++i) {
    const double distance = 40 + 110 * unit(random);
    const double lowest = std::asin(12 / distance);
    const double elevation = lowest + (1.45 - lowest) * unit(random);
    const double azimuth = 2 * M_PI * unit(random);
    s.observer = {distance * std::cos(elevation) * std::cos(azimuth),
                  distance * std::cos(elevation) * std::sin(azimuth), distance * std::sin(elevation)};
    SetView(s);
    const Vec3 point{-25 + 50 * unit(random), -25 + 50 * unit(random), 8 * unit(random)};
    ScreenPoint ours;
    ASSERT_TRUE(ProjectPoint(s, point + Vec3{0, 0, kLift}, ours));
    const ScreenPoint reference = LookAt(s, point);
    EXPECT_LE(std::abs(ours.x - reference.x), 1) << i;
    EXPECT_LE(std::abs(ours.y - reference.y), 1) << i;
  }
}

TEST(Camera, FromDueSouthAtEyeLevelEastIsRightAndUpIsUp) {
  D3Settings s;
  s.observer = {0, -80, 0};
  SetView(s);
  ScreenPoint centre, east, high;
  ASSERT_TRUE(ProjectPoint(s, {0, 0, 0}, centre));
  ASSERT_TRUE(ProjectPoint(s, {5, 0, 0}, east));
  ASSERT_TRUE(ProjectPoint(s, {0, 0, 5}, high));
  EXPECT_EQ(centre, (ScreenPoint{400, 300}));
  EXPECT_GT(east.x, centre.x);
  EXPECT_EQ(east.y, centre.y);
  EXPECT_LT(high.y, centre.y);
  EXPECT_EQ(high.x, centre.x);
}

TEST(Camera, PointsAtOrBehindTheObserverHideTheirObject) {
  test::RecordingServices services;
  SceneFixture f(true);
  f.settings.observer = {0, -10, 3};  // among the pieces of the first rank
  SetupCamera(f.settings);
  f.scene.PrepareView();
  int hidden = 0;
  for (size_t i = 0; i < f.scene.Pieces().Count(); ++i) hidden += !f.scene.Pieces()[i].Visible();
  EXPECT_GT(hidden, 0);
  for (size_t i = 0; i < f.scene.Pieces().Count(); ++i) {
    const Rectangle& b = f.scene.Pieces()[i].ScreenBounds();
    if (b.IsEmpty()) continue;
    EXPECT_GE(b.left, -kScreenLimit);
    EXPECT_LE(b.right, kScreenLimit + 1);
  }
  EXPECT_TRUE(services.calls.empty());
}

TEST(Camera, AHorizonLightCastsNoShadow) {
  SceneFixture f(false);
  f.settings.lightVec = {60, -150, 0};
  SceneObject* king = f.scene.PlacePiece(1, 32);
  ASSERT_NE(king, nullptr);
  EXPECT_TRUE(king->ShadowBounds().IsEmpty());
  EXPECT_TRUE(king->Visible());
}

TEST(Shading, BrightnessOfTheDefaultLight) {
  const D3Settings s;
  Vec3 towardLight = s.lightVec;
  Normalize(towardLight);
  Vec3 across = Cross(s.lightVec, {0, 0, 1});
  Normalize(across);
  LightSource dim = s.light;
  dim.ambient = 0.1;
  struct Case {
    Vec3 normal;
    const LightSource* light;
    double expected;
  } cases[] = {
      {{0, 0, 1}, &s.light, 0.35 + 130 / std::sqrt(43000.0)},
      {towardLight, &s.light, 1.0},
      {across, &s.light, 0.35},
      {towardLight * -1.0, &s.light, 0.0},
      {towardLight * -1.0, &dim, 0.0},
  };
  for (const Case& c : cases) EXPECT_NEAR(Brightness(c.normal, *c.light), c.expected, 1e-12);
  EXPECT_NEAR(Brightness({0, 0, 1}, s.light), 0.977, 0.001);
}

TEST(Scene, PlacePieceStandsOnItsSquare) {
  test::RecordingServices services;
  SceneFixture f(false);
  SceneObject* king = f.scene.PlacePiece(1, 0);
  ASSERT_NE(king, nullptr);
  EXPECT_NEAR(king->Position().x, 20.65, 1e-9);
  EXPECT_NEAR(king->Position().y, -20.65, 1e-9);
  EXPECT_EQ(king->Square(), 0);
  EXPECT_EQ(f.scene.PlacePiece(0, 1), nullptr);
  EXPECT_EQ(f.scene.Pieces().Count(), 1u);

  EXPECT_EQ(f.scene.RemovePiece(9), nullptr);
  ASSERT_EQ(services.calls.size(), 1u);
  EXPECT_NE(services.calls[0].find("Strange, couldn't remove!?"), std::string::npos);
  EXPECT_NE(f.scene.RemovePiece(0), nullptr);
  EXPECT_EQ(f.scene.Pieces().Count(), 0u);
}

TEST(Scene, EverySetUpBoardShows) {
  SceneFixture f(false);
  for (int sq = 0; sq < 64; ++sq) ASSERT_NE(f.scene.PlacePiece(6, sq), nullptr) << sq;
}

TEST(HitTest, SquareCentresHitTheirSquaresFromBothSides) {
  for (bool flipped : {false, true}) {
    SceneFixture f(false);
    f.settings.SetAzimuth(flipped);
    SetupCamera(f.settings);
    f.scene.PrepareView();
    for (int sq = 0; sq < 64; ++sq) {
      ScreenPoint centre;
      ASSERT_TRUE(ProjectPoint(f.settings, f.scene.BoardObjects()[size_t(sq)].Polygons()[0].centre + Vec3{0, 0, kLift},
                               centre));
      EXPECT_EQ(f.scene.HitTest(centre), sq) << "flipped " << flipped;
    }
  }
}

TEST(HitTest, PieceCentresHitTheirSquaresAndNothingHitsOffTheBoard) {
  SceneFixture f(true);
  for (size_t i = 0; i < f.scene.Pieces().Count(); ++i) {
    const SceneObject& piece = f.scene.Pieces()[i];
    const Rectangle& b = piece.ScreenBounds();
    const ScreenPoint centre{static_cast<int16_t>((b.left + b.right) / 2), static_cast<int16_t>((b.top + b.bottom) / 2)};
    EXPECT_EQ(f.scene.HitTest(centre), piece.Square());
  }
  for (ScreenPoint off : {ScreenPoint{0, 0}, ScreenPoint{799, 599}, ScreenPoint{-500, 300}})
    EXPECT_EQ(f.scene.HitTest(off), 255);
}

TEST(RedrawJob, TablesRefuseWhatTheyCannotHold) {
  test::RecordingServices services;
  RedrawJob job;
  job.AddPolygon({{0, 0}, {5, 5}}, ColorRecord{}, 1, false);
  EXPECT_TRUE(job.Polygons().empty());
  for (int i = 0; i < 128; ++i) job.AddShadow({{0, 0}, {1, 0}, {0, 1}}, 1);
  EXPECT_TRUE(services.calls.empty());
  job.AddShadow({{0, 0}, {1, 0}, {0, 1}}, 2);
  EXPECT_EQ(job.Shadows().size(), 128u);
  ASSERT_EQ(services.calls.size(), 1u);
  EXPECT_NE(services.calls[0].find("too many shadows in RedrawJob"), std::string::npos);
  job.ExcludeShadow(3);
  EXPECT_TRUE(job.IsExcluded(3));
  SceneObject o;
  EXPECT_TRUE(job.AddObject(&o));
  EXPECT_FALSE(job.AddObject(&o));
}

TEST(RedrawJob, CollectsWhatMeetsTheAreaFarthestFirst) {
  SceneFixture f(true);
  RedrawJob job;
  job.AddArea(f.scene.FindPiece(kE1)->ScreenBounds());
  CollectArea(job, f.scene);
  ASSERT_FALSE(job.Objects().empty());
  bool hasKing = false;
  for (size_t i = 0; i < job.Objects().size(); ++i) {
    hasKing |= job.Objects()[i]->Square() == kE1;
    if (i > 0) {
      const Vec3& eye = f.settings.observer;
      EXPECT_GE((job.Objects()[i - 1]->Position() - eye).SquaredLength(),
                (job.Objects()[i]->Position() - eye).SquaredLength());
    }
  }
  EXPECT_TRUE(hasKing);
  EXPECT_FALSE(job.Polygons().empty());
  EXPECT_FALSE(job.Shadows().empty());

  // While steering only the board is drawn.
  f.settings.steering = true;
  job.Reset(false);
  CollectArea(job, f.scene);
  EXPECT_TRUE(job.Objects().empty());
  EXPECT_TRUE(job.Shadows().empty());
  EXPECT_FALSE(job.Polygons().empty());
}

}  // namespace
}  // namespace zh::d3
