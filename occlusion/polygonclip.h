#pragma once
// Clipping convex polygons in homogeneous clip coordinates, before the division by w, so that a
// polygon crossing the eye plane is cut where it meets the near plane instead of being dropped
// or wrapping around through infinity.
//
// Conventions: clip coordinates as the projection stack produces them (OpenGL's: visible points
// have -w <= x, y, z <= w). The polygon is kept where z >= -w (the near plane), z <= w (the far
// plane) and |x|, |y| <= kClipGuardBand * w: the sides lie well outside the window, so only what
// could never be seen is cut there, and window coordinates stay within a few window sizes.

#include <vector>

#include "math/vectors.h"

constexpr float kClipGuardBand = 4.0f;

// Clips the convex polygon in (count vertices, in order) against the six planes above, one
// after another (Sutherland-Hodgman), interpolating new vertices in double. out receives the
// clipped polygon's vertices in the same order, none when nothing remains; scratch is working
// storage. Both keep their capacity from call to call.
void clipPolygon(const Vector4D* in, int count, std::vector<Vector4D>& out,
                 std::vector<Vector4D>& scratch);
