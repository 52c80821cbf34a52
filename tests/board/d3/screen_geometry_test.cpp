#include "board/d3/screen_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "support/recording_services.h"

namespace zh::d3 {
namespace {

ScreenPoint P(int x, int y) { return {static_cast<int16_t>(x), static_cast<int16_t>(y)}; }

TEST(Orientation, TurnsAndCollinearCases) {
  struct Case {
    ScreenPoint p0, p1, p2;
    int expected;
  } cases[] = {
      {P(0, 0), P(10, 0), P(5, 0), 0},     // p2 between p0 and p1
      {P(0, 0), P(10, 0), P(15, 0), 1},    // beyond p1
      {P(0, 0), P(10, 0), P(-3, 0), -1},   // behind p0
      {P(0, 0), P(0, 10), P(0, -1), -1},   // behind p0, vertical
      {P(0, 0), P(10, 0), P(10, 0), 0},    // on p1
      {P(0, 0), P(10, 0), P(5, 5), 1},     // one turn...
      {P(0, 0), P(10, 0), P(5, -5), -1},   // ...and the other
      {P(-32000, -32000), P(32000, 32000), P(-32000, 32000), 1},  // far apart: no overflow
  };
  for (const Case& c : cases)
    EXPECT_EQ(Orientation(c.p0, c.p1, c.p2), c.expected)
        << c.p2.x << "," << c.p2.y;
}

TEST(IntersectSegments, Table) {
  struct Case {
    const char* what;
    ScreenPoint a1, a2, b1, b2;
    bool meet;
    ScreenPoint at;
  } cases[] = {
      {"both vertical, overlapping", P(5, 10), P(5, 0), P(5, 4), P(5, 20), true, P(5, 4)},
      {"both vertical, apart", P(5, 0), P(5, 10), P(7, 0), P(7, 10), false, P(0, 0)},
      {"both vertical, same line, apart", P(5, 0), P(5, 3), P(5, 6), P(5, 9), false, P(0, 0)},
      {"a vertical", P(5, 0), P(5, 10), P(10, 10), P(0, 0), true, P(5, 5)},
      {"b vertical", P(0, 10), P(10, 0), P(3, -5), P(3, 20), true, P(3, 7)},
      {"crossing", P(0, 0), P(10, 10), P(0, 10), P(10, 0), true, P(5, 5)},
      {"crossing between pixels", P(0, 0), P(3, 1), P(0, 1), P(3, 0), true, P(2, 1)},
      {"touching ends", P(0, 0), P(5, 5), P(10, 0), P(5, 5), true, P(5, 5)},
      {"parallel", P(0, 0), P(10, 0), P(0, 1), P(10, 1), false, P(0, 0)},
      {"overlapping, level", P(0, 3), P(10, 3), P(4, 3), P(20, 3), true, P(4, 3)},
      {"overlapping, sloped", P(0, 0), P(10, 5), P(20, 10), P(4, 2), true, P(4, 2)},
      {"collinear, apart", P(0, 0), P(2, 2), P(5, 5), P(7, 7), false, P(0, 0)},
      {"disjoint", P(0, 0), P(2, 0), P(5, 1), P(6, 3), false, P(0, 0)},
      {"would cross beyond an end", P(0, 0), P(4, 4), P(10, 0), P(6, 4), false, P(0, 0)},
  };
  for (const Case& c : cases) {
    ScreenPoint out = P(99, 99);
    EXPECT_EQ(IntersectSegments(out, c.a1, c.a2, c.b1, c.b2), c.meet) << c.what;
    EXPECT_EQ(out, c.at) << c.what << ": " << out.x << "," << out.y;
  }
}

TEST(SortPointsAroundLowest, LevelPointsFirstVerticalLast) {
  ScreenPoint points[] = {P(5, 9), P(9, 0), P(5, 3), P(2, 0), P(5, 0), P(0, 4)};
  SortPointsAroundLowest(6, points);
  // Anchor (2, 0); level points nearest first; straight below farthest first.
  const ScreenPoint expected[] = {P(2, 0), P(5, 0), P(9, 0), P(5, 3), P(5, 9), P(0, 4)};
  EXPECT_TRUE(std::equal(std::begin(points), std::end(points), std::begin(expected)));
  // Points straight below the anchor: on the closing edge farthest first, on the
  // first edge (nothing lies to the right) nearest first.
  ScreenPoint left[] = {P(0, 5), P(4, 9), P(0, 0), P(0, 9), P(4, 0)};
  SortPointsAroundLowest(5, left);
  const ScreenPoint leftOrder[] = {P(0, 0), P(4, 0), P(4, 9), P(0, 9), P(0, 5)};
  EXPECT_TRUE(std::equal(std::begin(left), std::end(left), std::begin(leftOrder)));
  ScreenPoint right[] = {P(5, 8), P(0, 8), P(5, 0), P(5, 3)};
  SortPointsAroundLowest(4, right);
  const ScreenPoint rightOrder[] = {P(5, 0), P(5, 3), P(5, 8), P(0, 8)};
  EXPECT_TRUE(std::equal(std::begin(right), std::end(right), std::begin(rightOrder)));
}

TEST(RemoveDuplicatePoints, KeepsFirstOccurrences) {
  ScreenPoint points[] = {P(1, 1), P(2, 2), P(1, 1), P(1, 1), P(3, 3), P(2, 2)};
  size_t count = 6;
  RemoveDuplicatePoints(count, points);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(points[0], P(1, 1));
  EXPECT_EQ(points[1], P(2, 2));
  EXPECT_EQ(points[2], P(3, 3));
}

TEST(ClipPolygonToRectangle, InsideOutsideAndCovering) {
  test::RecordingServices services;
  const Rectangle rect{0, 0, 100, 100};
  EXPECT_EQ(ClipPolygonToRectangle({P(20, 20), P(10, 20), P(10, 10), P(20, 10)}, rect),
            (ScreenPolygon{P(10, 10), P(20, 10), P(20, 20), P(10, 20)}));
  EXPECT_EQ(ClipPolygonToRectangle({P(-50, -50), P(200, -50), P(200, 200), P(-50, 200)}, rect),
            (ScreenPolygon{P(0, 0), P(100, 0), P(100, 100), P(0, 100)}));
  // Half over the right border.
  EXPECT_EQ(ClipPolygonToRectangle({P(80, 10), P(120, 10), P(120, 30), P(80, 30)}, rect),
            (ScreenPolygon{P(80, 10), P(100, 10), P(100, 30), P(80, 30)}));
  EXPECT_TRUE(ClipPolygonToRectangle({P(200, 10), P(220, 10), P(220, 30)}, rect).empty());
  EXPECT_TRUE(services.calls.empty());
}

// Cases the random test below once found.
TEST(ClipPolygonToRectangle, EdgeThroughACornerAndARunBelowTheAnchor) {
  test::RecordingServices services;
  // The top edge enters through the corner (82, 28), where it meets two borders, and
  // leaves through the right border: that crossing must not be lost.
  EXPECT_EQ(ClipPolygonToRectangle({P(-58, 26), P(152, 29), P(119, 109)}, Rectangle{82, 28, 110, 123}),
            (ScreenPolygon{P(82, 28), P(110, 28), P(110, 105), P(82, 92)}));
  // Two points straight below the anchor on the right border come nearest first.
  EXPECT_EQ(ClipPolygonToRectangle({P(-27, 212), P(1, 67), P(162, 13), P(152, 56), P(87, 235)},
                                   Rectangle{54, 2, 101, 197}),
            (ScreenPolygon{P(101, 33), P(101, 196), P(101, 197), P(54, 197), P(54, 49)}));
  EXPECT_TRUE(services.calls.empty());
}

std::string Describe(const ScreenPolygon& polygon, const Rectangle& r, const ScreenPolygon& clipped) {
  std::string text = "\npolygon";
  for (ScreenPoint p : polygon) text += " (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  text += "\nrect " + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
          "," + std::to_string(r.bottom) + "\nclipped";
  for (ScreenPoint p : clipped) text += " (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  return text;
}

// --- random convex polygons against an exact clip in reals ---

struct RealPoint {
  double x, y;
};

double Cross(RealPoint o, RealPoint a, RealPoint b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double Area(const std::vector<RealPoint>& p) {
  double a = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    const RealPoint& u = p[i];
    const RealPoint& v = p[(i + 1) % p.size()];
    a += u.x * v.y - v.x * u.y;
  }
  return std::fabs(a) / 2;
}

std::vector<RealPoint> Real(const ScreenPolygon& polygon) {
  std::vector<RealPoint> out;
  for (ScreenPoint p : polygon) out.push_back({double(p.x), double(p.y)});
  return out;
}

// Andrew's monotone chain; counter-clockwise in a y-up frame, no collinear points.
ScreenPolygon ConvexHull(std::vector<ScreenPoint> points) {
  std::sort(points.begin(), points.end(),
            [](ScreenPoint a, ScreenPoint b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
  points.erase(std::unique(points.begin(), points.end()), points.end());
  if (points.size() < 3) return points;
  ScreenPolygon hull(2 * points.size());
  size_t k = 0;
  auto cross = [](ScreenPoint o, ScreenPoint a, ScreenPoint b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
  };
  for (size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  for (size_t i = points.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);
  return hull;
}

// Sutherland-Hodgman in reals against the four half-planes of the rectangle.
std::vector<RealPoint> ExactClip(std::vector<RealPoint> poly, const Rectangle& r) {
  auto clip = [&](auto inside, auto cut) {
    std::vector<RealPoint> out;
    for (size_t i = 0; i < poly.size(); ++i) {
      const RealPoint a = poly[i], b = poly[(i + 1) % poly.size()];
      if (inside(a)) out.push_back(a);
      if (inside(a) != inside(b)) out.push_back(cut(a, b));
    }
    poly = out;
  };
  auto atX = [](double x) {
    return [x](RealPoint a, RealPoint b) { return RealPoint{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)}; };
  };
  auto atY = [](double y) {
    return [y](RealPoint a, RealPoint b) { return RealPoint{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y}; };
  };
  clip([&](RealPoint p) { return p.x >= r.left; }, atX(r.left));
  clip([&](RealPoint p) { return p.x <= r.right; }, atX(r.right));
  clip([&](RealPoint p) { return p.y >= r.top; }, atY(r.top));
  clip([&](RealPoint p) { return p.y <= r.bottom; }, atY(r.bottom));
  return poly;
}

// Signed distance of p from the hull's edges: >= 0 inside (hull counter-clockwise in
// a y-up frame, so the inside is to the left of each edge).
double DepthInside(const ScreenPolygon& hull, RealPoint p) {
  double depth = 1e9;
  for (size_t i = 0; i < hull.size(); ++i) {
    const RealPoint a{double(hull[i].x), double(hull[i].y)};
    const RealPoint b{double(hull[(i + 1) % hull.size()].x), double(hull[(i + 1) % hull.size()].y)};
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    depth = std::min(depth, Cross(a, b, p) / length);
  }
  return depth;
}

TEST(ClipPolygonToRectangle, RandomConvexPolygonsStayInBothShapesConvexAndOrdered) {
  test::RecordingServices services;
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> coord(-60, 260), corner(0, 200), count(3, 9);
  int nonEmpty = 0;
  for (int round = 0; round < 10000; ++round) {
    std::vector<ScreenPoint> cloud;
    const int n = count(random);
    for (int i = 0; i < n; ++i) cloud.push_back(P(coord(random), coord(random)));
    const ScreenPolygon polygon = ConvexHull(cloud);
    if (polygon.size() < 3) continue;
    int x1 = corner(random), x2 = corner(random), y1 = corner(random), y2 = corner(random);
    const Rectangle rect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};

    const ScreenPolygon clipped = ClipPolygonToRectangle(polygon, rect);
    SCOPED_TRACE("round " + std::to_string(round));
    // Crossings are rounded to whole pixels: half a pixel of slack each way.
    for (ScreenPoint p : clipped) {
      ASSERT_TRUE(p.x >= rect.left && p.x <= rect.right && p.y >= rect.top && p.y <= rect.bottom);
      ASSERT_GE(DepthInside(polygon, {double(p.x), double(p.y)}), -0.71);
    }
    const std::vector<RealPoint> exact = ExactClip(Real(polygon), rect);
    const std::vector<RealPoint> got = Real(clipped);
    const double exactArea = exact.size() >= 3 ? Area(exact) : 0;
    const double gotArea = got.size() >= 3 ? Area(got) : 0;
    // Moving a point by half a pixel changes the area by at most a quarter of the
    // chord of its neighbours: half the perimeter in all.
    double perimeter = 0;
    for (size_t i = 0; i < exact.size(); ++i) {
      const RealPoint a = exact[i], b = exact[(i + 1) % exact.size()];
      perimeter += std::hypot(b.x - a.x, b.y - a.y);
    }
    ASSERT_NEAR(gotArea, exactArea, 0.5 * perimeter + 1) << Describe(polygon, rect, clipped);
    if (clipped.size() < 3) continue;
    ++nonEmpty;
    // Ordered by direction from the topmost, leftmost point.
    const ScreenPoint anchor = clipped[0];
    for (ScreenPoint p : clipped)
      ASSERT_TRUE(p.y > anchor.y || (p.y == anchor.y && p.x >= anchor.x));
    for (size_t i = 2; i < clipped.size(); ++i)
      ASSERT_GE(Cross({double(anchor.x), double(anchor.y)}, got[i - 1], got[i]), 0) << i;
    // Convex: no point lies more than rounding inside the chord of its neighbours.
    double signedArea = 0;
    for (size_t i = 0; i < got.size(); ++i)
      signedArea += got[i].x * got[(i + 1) % got.size()].y - got[(i + 1) % got.size()].x * got[i].y;
    const double side = signedArea >= 0 ? 1 : -1;
    for (size_t i = 0; i < got.size(); ++i) {
      const RealPoint a = got[(i + got.size() - 1) % got.size()], b = got[i], c = got[(i + 1) % got.size()];
      const double chord = std::hypot(c.x - a.x, c.y - a.y);
      if (chord == 0) continue;
      ASSERT_LE(side * Cross(a, c, b) / chord, 0.71) << "reflex at " << i << Describe(polygon, rect, clipped);
    }
  }
  EXPECT_GT(nonEmpty, 3000);
  EXPECT_TRUE(services.calls.empty()) << services.calls.front();
}

}  // namespace
}  // namespace zh::d3
