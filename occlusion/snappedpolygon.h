#pragma once
// Exact geometry of polygons snapped to the window (OcclusionBuffer::WindowVertex: positions in
// 1/256 pixel, y up), in 64-bit integers: the orientation and convexity tests the occlusion
// buffer decides by, and the hull of a solid's corners.

#include <cstddef>
#include <cstdint>

#include "occlusion/occlusionbuffer.h"

namespace snapped {

using WindowVertex = OcclusionBuffer::WindowVertex;

// Whether a polygon's n snapped vertices make a convex polygon: it turns left at every corner
// (or runs straight on) and goes up and down once, so it winds once.
bool isConvex(const WindowVertex* polygon, std::size_t n);

// Twice the signed area of a polygon's snapped outline: positive for a counter-clockwise
// (front-facing) one.
int64_t twiceArea(const WindowVertex* polygon, std::size_t n);

// The convex hull of n snapped points (n at most OcclusionBuffer::kMaxSolidCorners),
// counter-clockwise, into hull (room for n + 1); points on its edges and repeated points are
// left out. Returns how many points it has.
std::size_t convexHull(const WindowVertex* points, std::size_t n, WindowVertex* hull);

}  // namespace snapped
