#include "board/d3/scene_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "board/d3/object_list.h"
#include "support/recording_services.h"

namespace zh::d3 {
namespace {

const std::vector<Vec3> kKingProfile = {{0.00, 0, 7.38}, {1.30, 0, 7.38}, {0.85, 0, 5.22},
                                        {1.24, 0, 4.82}, {0.62, 0, 4.42}, {1.02, 0, 1.92},
                                        {1.81, 0, 0.78}, {1.81, 0, 0.00}};

SceneObject Square() {
  const SceneVertex v[] = {{0, 0, 0}, {0.4, 0, 0}, {0.4, 0.4, 0}, {0, 0.4, 0}};
  ScenePolygon p;
  p.index = {0, 3, 2, 1};
  p.count = 4;
  return SceneObject::FromLists("square", v, std::span(&p, 1));
}

// An object of the given sizes whose polygons are valid triangles.
SceneObject Block(size_t vertices, size_t polygons) {
  SceneObject o("block", vertices, polygons);
  for (ScenePolygon& p : o.Polygons()) {
    p.index = {0, 1, 2, 0};
    p.count = 3;
  }
  return o;
}

int CountSides(const SceneObject& o, int sides) {
  int n = 0;
  for (const ScenePolygon& p : o.Polygons()) n += p.count == sides;
  return n;
}

TEST(Lathe, KingBodyHasATopPoleAndAnOpenFoot) {
  const SceneObject body = SceneObject::Lathe("King", 16, kKingProfile);
  EXPECT_EQ(body.Vertices().size(), 113u);
  EXPECT_EQ(body.Polygons().size(), 112u);
  EXPECT_EQ(CountSides(body, 3), 16);
  EXPECT_EQ(CountSides(body, 4), 96);
  // The pole is the last vertex, on the axis at the top.
  EXPECT_EQ(body.Vertices().back().Position(), (Vec3{0, 0, 7.38}));
}

TEST(Lathe, PolesAndMeridianPoints) {
  const std::vector<Vec3> spindle = {{0, 0, 3}, {1, 0, 2}, {1.5, 0, 1}, {1, 0, 0.5}, {0, 0, 0}};
  for (int n : {3, 7, 16}) {
    const SceneObject both = SceneObject::Lathe("", n, spindle);
    EXPECT_EQ(both.Vertices().size(), size_t(3 * n + 2)) << n;  // o = c - 2
    EXPECT_EQ(both.Polygons().size(), size_t(4 * n)) << n;
    EXPECT_EQ(CountSides(both, 3), 2 * n);
    const std::vector<Vec3> ring = {{0.8, 0, 4.59}, {0.9, 0, 4.80}, {1.02, 0, 4.80}, {1.02, 0, 4.59}};
    const SceneObject open = SceneObject::Lathe("", n, ring);
    EXPECT_EQ(open.Vertices().size(), size_t(4 * n));
    EXPECT_EQ(CountSides(open, 4), 3 * n);
  }
  // Meridian m of a point lies at azimuth m * 2 pi / n with its radius grown by the
  // spherical round trip.
  const SceneObject four = SceneObject::Lathe("", 4, spindle);
  EXPECT_NEAR(four.Vertices()[3].x, 0, 1e-12);
  EXPECT_NEAR(four.Vertices()[3].y, std::sqrt(1 + 1e-5), 1e-12);
  EXPECT_EQ(four.Vertices()[3].z, 2);
  // Nothing to turn.
  EXPECT_TRUE(SceneObject::Lathe("", 16, std::vector<Vec3>{{0, 0, 1}}).Vertices().empty());
  EXPECT_TRUE(SceneObject::Lathe("", 16, std::vector<Vec3>{{0, 0, 1}, {0, 0, 0}}).Vertices().empty());
  EXPECT_TRUE(SceneObject::Lathe("", 0, spindle).Vertices().empty());
  EXPECT_EQ(SceneObject::Lathe("", 10921, spindle).Vertices().size(), 32765u);
  EXPECT_TRUE(SceneObject::Lathe("", 10922, spindle).Vertices().empty());  // beyond 16 bits
}

TEST(Extrude, SquareBecomesABoxWithReversedLid) {
  const SceneObject box = SceneObject::Extrude("box", Square(), {0, 0, 0.4});
  ASSERT_EQ(box.Vertices().size(), 8u);
  ASSERT_EQ(box.Polygons().size(), 6u);
  EXPECT_EQ(box.Vertices()[6].Position(), (Vec3{0.4, 0.4, 0.4}));
  EXPECT_EQ(box.Polygons()[0].index, (std::array<int16_t, 4>{0, 3, 2, 1}));
  EXPECT_EQ(box.Polygons()[1].index, (std::array<int16_t, 4>{4, 5, 6, 7}));
  EXPECT_EQ(box.Polygons()[2].index, (std::array<int16_t, 4>{0, 1, 5, 4}));
  EXPECT_EQ(box.Polygons()[5].index, (std::array<int16_t, 4>{3, 0, 4, 7}));
}

TEST(ReversePolygon, KeepsTheFirstIndex) {
  ScenePolygon p;
  p.index = {5, 6, 7, 8};
  p.count = 4;
  ReversePolygon(p);
  EXPECT_EQ(p.index, (std::array<int16_t, 4>{5, 8, 7, 6}));
  p.index = {1, 2, 3, 9};
  p.count = 3;
  ReversePolygon(p);
  EXPECT_EQ(p.index, (std::array<int16_t, 4>{1, 3, 2, 9}));
}

TEST(FromLists, LeavesOutPolygonsBeyondTheVertices) {
  test::RecordingServices services;
  const SceneVertex v[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
  ScenePolygon p[3];
  p[0].index = {0, 1, 2, 0};
  p[0].count = 3;
  p[1].index = {0, 1, 3, 0};
  p[1].count = 3;
  p[2].index = {-1, 1, 2, 0};
  p[2].count = 3;
  const SceneObject o = SceneObject::FromLists("Knight", v, p);
  EXPECT_EQ(o.Polygons().size(), 1u);
  EXPECT_EQ(services.CallsStartingWith("ErrorBox: Polygon beyond the vertices of Knight").size(), 2u);
}

TEST(Append, ShiftsIndicesAndStopsAtTheVertexLimit) {
  test::RecordingServices services;
  SceneObject a = Square();
  const SceneObject b = SceneObject::Extrude("b", Square(), {0, 0, 1});
  ASSERT_TRUE(a.Append(b));
  EXPECT_EQ(a.Vertices().size(), 12u);
  EXPECT_EQ(a.Polygons().size(), 7u);
  EXPECT_EQ(a.Polygons()[1].index, (std::array<int16_t, 4>{4, 7, 6, 5}));

  SceneObject big = Block(2000, 10);
  EXPECT_TRUE(big.Append(Block(141, 1)));  // exactly 2141
  EXPECT_EQ(big.Vertices().size(), 2141u);
  EXPECT_TRUE(services.calls.empty());

  SceneObject full = Block(2000, 10);
  const SceneObject extra = Block(142, 1);
  EXPECT_FALSE(full.Append(extra));  // 2142
  EXPECT_EQ(full.Vertices().size(), 2000u);
  EXPECT_EQ(full.Polygons().size(), 10u);
  EXPECT_EQ(extra.Vertices().size(), 142u);
  EXPECT_EQ(services.calls, std::vector<std::string>{"ErrorBox: Too many vertices in object\nD3\\Scene\n313"});
}

TEST(Append, BeyondThePolygonLimitIsRefusedWhole) {
  test::RecordingServices services;
  SceneObject a = Block(10, 700);
  EXPECT_TRUE(a.Append(Block(3, 13)));  // exactly 713
  EXPECT_EQ(a.Polygons().size(), 713u);
  EXPECT_TRUE(services.calls.empty());
  SceneObject b = Block(10, 700);
  EXPECT_FALSE(b.Append(Block(3, 14)));  // 714
  EXPECT_EQ(b.Vertices().size(), 10u);
  EXPECT_EQ(b.Polygons().size(), 700u);
  ASSERT_EQ(services.calls.size(), 1u);
  EXPECT_EQ(services.calls[0].rfind("ErrorBox: Too many polygons in object\nD3\\Scene\n", 0), 0u);
}

TEST(Transforms, RotateTranslateAndMoveTo) {
  SceneObject o("o", 1, 0);
  o.Vertices()[0].SetPosition({1, 0, 0});
  o.SetPosition({1, 0, 0});
  o.Rotate(kAxisZ, 90);
  EXPECT_EQ(o.Vertices()[0].Position(), (Vec3{0, 1, 0}));
  EXPECT_EQ(o.Position(), (Vec3{0, 1, 0}));
  o.Translate({1, 2, 3});
  EXPECT_EQ(o.Vertices()[0].Position(), (Vec3{1, 3, 3}));
  EXPECT_EQ(o.Position(), (Vec3{1, 3, 3}));
  o.MoveTo({0, 0, 0});
  EXPECT_EQ(o.Vertices()[0].Position(), (Vec3{0, 0, 0}));
  EXPECT_EQ(o.FootPoint(), (Vec3{-1, -3, -3}));
}

struct FakeImages : ObjectImages {};

TEST(SceneObjectValue, CopiesAreDeepAndStartWithoutImages) {
  SceneObject a = SceneObject::Extrude("Rook", Square(), {0, 0, 1});
  a.SetOutline({SceneVertex{1, 0, 0}});
  a.SetImages(std::make_unique<FakeImages>());
  SceneObject b = a;
  EXPECT_EQ(b.Name(), "Rook");
  EXPECT_EQ(b.Images(), nullptr);
  EXPECT_NE(a.Images(), nullptr);
  b.Translate({5, 0, 0});
  EXPECT_EQ(a.Vertices()[0].Position(), (Vec3{0, 0, 0}));
  EXPECT_EQ(b.Outline().size(), 1u);
  // Assign takes the arrays but keeps the name.
  SceneObject named("Queen");
  named.Assign(b);
  EXPECT_EQ(named.Name(), "Queen");
  EXPECT_EQ(named.Vertices().size(), 8u);
  EXPECT_EQ(named.Position(), (Vec3{5, 0, 0}));
}

TEST(SceneObjectScreen, BoundsFootAndVisibility) {
  SceneObject o("o", 3, 1);
  const int16_t xy[][2] = {{10, 5}, {-4, 40}, {30, 12}};
  for (int i = 0; i < 3; ++i) {
    o.Vertices()[i].screenX = xy[i][0];
    o.Vertices()[i].screenY = xy[i][1];
    o.Vertices()[i].SetPosition({double(i), 0, 0});
  }
  o.Polygons()[0].index = {2, 0, 1, 0};
  o.Polygons()[0].count = 3;
  o.ComputeScreenBounds();
  EXPECT_EQ(o.ScreenBounds(), (Rectangle{-4, 5, 31, 41}));
  EXPECT_EQ(o.FootScreenX(), -4);
  EXPECT_EQ(o.FootPoint(), (Vec3{1, 0, 0}));
  EXPECT_EQ(o.PolygonOnScreen(0), (ScreenPolygon{{30, 12}, {10, 5}, {-4, 40}}));
  EXPECT_TRUE(o.ClipToWindow(100, 100));
  EXPECT_FALSE(o.ClipToWindow(0, 100));
  o.Translate({0, 0, 0});
  for (SceneVertex& v : o.Vertices()) v.screenX = static_cast<int16_t>(v.screenX + 200);
  o.ComputeScreenBounds();
  EXPECT_FALSE(o.ClipToWindow(100, 100));
}

TEST(ObjectList, FullListStaysUnchangedAndSortingIsFarthestFirstAndStable) {
  ObjectList list(3);
  const double x[] = {1, 5, 1};
  for (int i = 0; i < 3; ++i) {
    auto o = std::make_unique<SceneObject>(std::to_string(i));
    o->SetPosition({x[i], 0, 0});
    EXPECT_EQ(list.Add(std::move(o)), i);
  }
  auto extra = std::make_unique<SceneObject>("extra");
  EXPECT_EQ(list.Add(std::move(extra)), -1);
  EXPECT_EQ(list.Count(), 3u);
  ASSERT_NE(extra, nullptr);  // still the caller's
  EXPECT_EQ(extra->Name(), "extra");

  list.SortByDistance({0, 0, 0});
  EXPECT_EQ(list[0].Name(), "1");
  EXPECT_EQ(list[1].Name(), "0");  // equal distances keep their order
  EXPECT_EQ(list[2].Name(), "2");
  list.SortByDistance({6, 0, 0});
  EXPECT_EQ(list[0].Name(), "0");
  EXPECT_EQ(list[1].Name(), "2");
  EXPECT_EQ(list[2].Name(), "1");
  EXPECT_EQ(list.Observer(), (Vec3{6, 0, 0}));
}

}  // namespace
}  // namespace zh::d3
