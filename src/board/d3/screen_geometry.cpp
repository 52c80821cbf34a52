#include "board/d3/screen_geometry.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/services.h"

namespace zh::d3 {
namespace {

constexpr const char* kSourcePath = "D3\\Geometry";
constexpr int kInconsistentLine = 336;
constexpr double kTiny = 0.00001;

ScreenPoint Rounded(double x, double y) {
  // Rounds half up on both sides of zero: vertices off the window's top or left have
  // negative coordinates.
  return {static_cast<int16_t>(std::floor(x + 0.5)), static_cast<int16_t>(std::floor(y + 0.5))};
}

bool IsInside(ScreenPoint p, const Rectangle& r) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

ScreenPoint Corner(int32_t x, int32_t y) {
  return {static_cast<int16_t>(x), static_cast<int16_t>(y)};
}

}  // namespace

int Orientation(ScreenPoint p0, ScreenPoint p1, ScreenPoint p2) {
  const int64_t dx1 = p1.x - p0.x, dy1 = p1.y - p0.y;
  const int64_t dx2 = p2.x - p0.x, dy2 = p2.y - p0.y;
  if (dx1 * dy2 > dy1 * dx2) return 1;
  if (dx1 * dy2 < dy1 * dx2) return -1;
  if (dx1 * dx2 < 0 || dy1 * dy2 < 0) return -1;
  if (dx1 * dx1 + dy1 * dy1 < dx2 * dx2 + dy2 * dy2) return 1;
  return 0;
}

bool IntersectSegments(ScreenPoint& out, ScreenPoint a1, ScreenPoint a2, ScreenPoint b1,
                       ScreenPoint b2) {
  if (a2.x < a1.x) std::swap(a1, a2);
  if (b2.x < b1.x) std::swap(b1, b2);
  if (Orientation(a1, a2, b1) * Orientation(a1, a2, b2) > 0 ||
      Orientation(b1, b2, a1) * Orientation(b1, b2, a2) > 0) {
    out = {};
    return false;
  }
  const bool aVertical = a1.x == a2.x;
  const bool bVertical = b1.x == b2.x;
  double x, y;
  if (aVertical && bVertical) {
    x = a1.x;
    y = std::max(std::min(a1.y, a2.y), std::min(b1.y, b2.y));
  } else if (aVertical) {
    x = a1.x;
    y = b1.y + double(b2.y - b1.y) * (x - b1.x) / double(b2.x - b1.x);
  } else if (bVertical) {
    x = b1.x;
    y = a1.y + double(a2.y - a1.y) * (x - a1.x) / double(a2.x - a1.x);
  } else {
    const double ka = double(a2.y - a1.y) / double(a2.x - a1.x);
    const double kb = double(b2.y - b1.y) / double(b2.x - b1.x);
    if (ka != kb) {
      x = (a1.y - b1.y + kb * b1.x - ka * a1.x) / (kb - ka);
      y = a1.y + ka * (x - a1.x);
    } else {
      // Collinear overlap: the overlap's left end, on the common line (a horizontal
      // pair keeps a1.y).
      x = a1.x < b1.x ? b1.x : a1.x;
      y = a1.y + ka * (x - a1.x);
    }
  }
  out = Rounded(x, y);
  return true;
}

bool IntersectSegmentWithRectangle(ScreenPoint* points, size_t& count, ScreenPoint p,
                                   ScreenPoint q, const Rectangle& rect) {
  if (q.x < p.x) std::swap(p, q);
  const ScreenPoint lt = Corner(rect.left, rect.top), rt = Corner(rect.right, rect.top);
  const ScreenPoint lb = Corner(rect.left, rect.bottom), rb = Corner(rect.right, rect.bottom);
  const std::pair<ScreenPoint, ScreenPoint> borders[] = {{lt, lb}, {lt, rt}, {lb, rb}, {rt, rb}};
  int found = 0;
  for (const auto& [from, to] : borders) {
    ScreenPoint hit;
    if (!IntersectSegments(hit, from, to, p, q)) continue;
    // A segment through a corner meets two borders there: one crossing, so that
    // the segment's other crossing is still looked for.
    if (found == 1 && points[count - 1] == hit) continue;
    points[count++] = hit;
    if (++found == 2) return true;
  }
  return found > 0;
}

double PseudoAngle(ScreenPoint anchor, ScreenPoint p) {
  const double dx = p.x - anchor.x;
  const double dy = p.y - anchor.y;
  if (dx == 0) return 1.57 - std::sqrt(dy * dy + kTiny) * 1e-6;
  if (dy != 0) return std::atan2(dy, dx + kTiny);
  return std::sqrt(dx * dx + kTiny) * 1e-6 - 1.57;
}

void SortPointsAroundLowest(size_t count, ScreenPoint* points) {
  if (count < 3) return;
  size_t lowest = 0;
  for (size_t i = 1; i < count; ++i)
    if (points[i].y < points[lowest].y ||
        (points[i].y == points[lowest].y && points[i].x < points[lowest].x))
      lowest = i;
  std::swap(points[0], points[lowest]);
  const ScreenPoint anchor = points[0];
  // Every other point lies level with the anchor to its right or below it, so the
  // directions span half a turn and integer cross products order them exactly.
  struct Offset {
    int64_t dx, dy;
    int64_t Cross(const Offset& o) const { return dx * o.dy - dy * o.dx; }
    int64_t Length2() const { return dx * dx + dy * dy; }
  };
  auto offset = [&](ScreenPoint p) { return Offset{p.x - anchor.x, p.y - anchor.y}; };
  // The first direction: its points run from the anchor along the first edge,
  // nearest first; every other run of one direction (the closing edge back to the
  // anchor) runs farthest first.
  Offset first{0, 0};
  for (size_t i = 1; i < count; ++i) {
    const Offset o = offset(points[i]);
    if (o.Length2() != 0 && (first.Length2() == 0 || first.Cross(o) < 0)) first = o;
  }
  std::stable_sort(points + 1, points + count, [&](ScreenPoint pa, ScreenPoint pb) {
    const Offset a = offset(pa), b = offset(pb);
    if (a.Length2() == 0 || b.Length2() == 0) return a.Length2() == 0 && b.Length2() != 0;
    const int64_t cross = a.Cross(b);
    if (cross != 0) return cross > 0;
    const bool inFirst = first.Cross(a) == 0;
    return inFirst ? a.Length2() < b.Length2() : a.Length2() > b.Length2();
  });
}

bool IsPointInPolygon(const ScreenPolygon& polygon, ScreenPoint p) {
  // Inside a convex polygon p lies on the same side of every edge; outside, some edge
  // has it strictly on its far side. Edges of zero length say nothing.
  int side = 0;
  const size_t n = polygon.size();
  for (size_t i = 0; i < n; ++i) {
    const ScreenPoint a = polygon[i], b = polygon[(i + 1) % n];
    if (p == a) return true;
    if (a == b) continue;
    const int64_t cross = int64_t(b.x - a.x) * (p.y - a.y) - int64_t(b.y - a.y) * (p.x - a.x);
    if (cross == 0) {
      if (Orientation(a, b, p) == 0) return true;  // on this edge
      continue;  // on the edge's line beyond it: the other edges decide
    }
    const int s = cross > 0 ? 1 : -1;
    if (side == 0) side = s;
    else if (s != side) return false;
  }
  return side != 0;
}

ScreenPolygon ClipPolygonToRectangle(const ScreenPolygon& polygon, const Rectangle& rect) {
  const size_t n = polygon.size();
  std::vector<ScreenPoint> points(3 * n + 4);  // an edge adds at most three
  size_t count = 0;
  auto isVertex = [&](ScreenPoint p) { return std::find(polygon.begin(), polygon.end(), p) != polygon.end(); };
  for (size_t i = 0; i < n; ++i) {
    const ScreenPoint a = polygon[i], b = polygon[(i + 1) % n];
    const bool inA = IsInside(a, rect), inB = IsInside(b, rect);
    if (inA && inB) {
      points[count++] = a;
    } else if (!inA && !inB) {
      IntersectSegmentWithRectangle(points.data(), count, a, b, rect);
    } else {
      ScreenPoint hits[4];
      size_t found = 0;
      if (!IntersectSegmentWithRectangle(hits, found, a, b, rect))
        ReportInconsistency("Inconsistent", kSourcePath, kInconsistentLine);
      if (inA) points[count++] = a;
      if (found == 2) {
        for (size_t k = 0; k < 2; ++k)
          if (!isVertex(hits[k])) points[count++] = hits[k];
      } else if (found == 1) {
        points[count++] = hits[0];
      }
    }
  }
  if (!rect.IsEmpty()) {
    for (ScreenPoint corner : {Corner(rect.left, rect.top), Corner(rect.right, rect.top),
                               Corner(rect.left, rect.bottom), Corner(rect.right, rect.bottom)})
      if (IsPointInPolygon(polygon, corner)) points[count++] = corner;
  }
  RemoveDuplicatePoints(count, points.data());
  SortPointsAroundLowest(count, points.data());
  points.resize(count);
  return points;
}

void RemoveDuplicatePoints(size_t& count, ScreenPoint* points) {
  for (size_t i = 0; i < count; ++i) {
    size_t j = i + 1;
    while (j < count) {
      if (points[j] == points[i]) {
        std::copy(points + j + 1, points + count, points + j);
        --count;
      } else {
        ++j;
      }
    }
  }
}

}  // namespace zh::d3
