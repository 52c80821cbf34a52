// Screen-space geometry of the 3D board: 16-bit points, segment crossings and the
// clipping of convex polygons to a rectangle (y grows downward).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/toolbox/rectangle.h"

namespace zh::d3 {

struct ScreenPoint {
  int16_t x = 0;
  int16_t y = 0;
  constexpr bool operator==(const ScreenPoint&) const = default;
};

using ScreenPolygon = std::vector<ScreenPoint>;

// +1 when p0, p1, p2 turn one way, -1 the other way. Collinear points: -1 when p2 lies
// behind p0, +1 when beyond p1, 0 when on the segment p0-p1.
int Orientation(ScreenPoint p0, ScreenPoint p1, ScreenPoint p2);

// True, with the crossing point rounded to the nearest pixel, when the segments a1-a2
// and b1-b2 meet (touching counts); false and (0, 0) otherwise. Overlapping collinear
// segments give a point of the overlap.
bool IntersectSegments(ScreenPoint& out, ScreenPoint a1, ScreenPoint a2, ScreenPoint b1,
                       ScreenPoint b2);

// Appends the points where the segment p-q crosses the rectangle's border (left, top,
// bottom, right border in this order, at most two) to points[count...]; true when one
// was found.
bool IntersectSegmentWithRectangle(ScreenPoint* points, size_t& count, ScreenPoint p,
                                   ScreenPoint q, const Rectangle& rect);

// A real that orders points with p.y >= anchor.y by direction from the anchor: points
// level with it first (nearest first), then counter-clockwise on screen, straight
// below it last (farthest first).
double PseudoAngle(ScreenPoint anchor, ScreenPoint p);

// Reorders the points by direction around the topmost (then leftmost) one, which
// comes first: the order PseudoAngle gives, but exact, and with points of one
// direction in the order a convex outline meets them (nearest first along the first
// edge, farthest first along the last). Fewer than three points stay as they are.
void SortPointsAroundLowest(size_t count, ScreenPoint* points);

// True when p lies inside the convex polygon or on its border.
bool IsPointInPolygon(const ScreenPolygon& polygon, ScreenPoint p);

// The part of a convex polygon inside the rectangle, its points ordered by
// SortPointsAroundLowest; empty when they do not overlap.
ScreenPolygon ClipPolygonToRectangle(const ScreenPolygon& polygon, const Rectangle& rect);

// Removes every repeat of an earlier point, keeping the order; count becomes the new
// number of points.
void RemoveDuplicatePoints(size_t& count, ScreenPoint* points);

}  // namespace zh::d3
