#pragma once
// Intersection tests between the primitives of primitives.h. Stateless free functions.
//
// Conventions:
// - All arithmetic is single-precision float. EPS is kGeometryEps = 0.0001 (primitives.h).
// - Outputs are pointers the caller may pass as null, except intersectSegmentTriangle's, which is
//   a mandatory reference. Each routine writes its output only on the paths its comment states;
//   otherwise the caller's storage is left exactly as it was.
// - Routines that can report two points write them into a caller's PointPair (slot 0 and slot 1
//   as each routine states) and return how many they report (0, 1 or 2).
// - intersectRayBox reads Box::second as the box's size: the box spans first[i] to
//   first[i] + second[i] on axis i (Box::contains reads it as the maximum corner instead).
// - Touching: intersectRayTriangle, intersectSegmentTriangle and intersectTriangles inherit
//   Triangle::contains, so a point on an edge or at a vertex of the triangle is a miss; segment
//   ends count (parameter 0 and 1 inclusive). The ray-box test needs a parameter interval of
//   positive length (hi > lo strictly). The 2D segment test is inclusive at segment ends.
// - Parallel cases are exact: a zero denominator or determinant means no intersection, so two
//   triangles in the same axis-aligned plane report 0 even when they overlap.
// - ZeroDivide: intersectRayTriangle throws it for a degenerate triangle (two equal vertices or
//   three collinear ones), intersectSegmentTriangle for a zero-length segment or a degenerate
//   triangle, intersectTriangles for a degenerate triangle. intersectLinePlane,
//   intersectSegmentPlane, intersectLineSphere, intersectRayBox and the two 2D routines never
//   throw: their degenerate inputs (zero direction, zero determinant, tiny quadratic coefficient)
//   answer "no intersection". A ray or segment direction whose length is 0 in float (every
//   component below about 1e-23) counts as zero there and in intersectRayTriangle.
// - No routine checks for NaN; a NaN makes the comparisons it reaches false.

#include <array>

#include "geometry/primitives.h"
#include "math/vectors.h"

// Two reported points, slot 0 and slot 1.
using PointPair = std::array<Point3D, 2>;

// A closed range of floats, used by the ray-box slab test for the box's extent and for the ray's
// parameters on each axis.
struct Interval {
    float lo = 0.0f;
    float hi = 0.0f;

    Interval(float lo_, float hi_) : lo(lo_), hi(hi_) {}
};

// False when dot(normal, direction) is exactly 0 (parallel, or a zero direction). Otherwise
// writes origin + t * direction with t = (-d - dot(normal, origin - O)) / den to out, for any t.
bool intersectLinePlane(const Line& line, const Plane& plane, Point3D* out = nullptr);

// True when the ray's line meets the triangle's plane at a point on the ray (not behind its
// origin) strictly inside the triangle. Whenever the line is not parallel to the plane, out
// receives the line-plane point, whatever the answer.
bool intersectRayTriangle(const Ray& ray, const Triangle& triangle, Point3D* out = nullptr);

// True when the segment meets the plane between its ends (inclusive); only then is out written.
// A segment parallel to the plane, or of zero length, does not meet it.
bool intersectSegmentPlane(const LineSegment& segment, const Plane& plane, Point3D* out = nullptr);

// True when the segment meets the triangle strictly inside it; only then is out written. The
// output is mandatory. Throws ZeroDivide for a zero-length segment or a degenerate triangle.
bool intersectSegmentTriangle(const LineSegment& segment, const Triangle& triangle, Point3D& out);

// Tests the edges of a (0->1, 1->2, 2->0) against b, then those of b against a, and reports the
// first two points found, in that order, without removing duplicates: a vertex of a inside b is
// found by both of its edges. Returns 2 (slots 0 and 1 written), 1 (slot 0 written) or 0
// (nothing written).
int intersectTriangles(const Triangle& a, const Triangle& b, PointPair* out = nullptr);

// Intersections of the infinite line with the sphere, behind the origin included. Returns 0
// (no point, or dot(direction, direction) < EPS), 1 when the discriminant is within EPS of 0
// (the tangent point in slot 0) or 2 (slot 0 the point of larger parameter, slot 1 the other).
int intersectLineSphere(const Line& line, const Sphere& sphere, PointPair* out = nullptr);

// Slab test of the ray against the box (first, size = second). For an axis where the direction
// component is exactly 0 the ray's parameters are unrestricted when the origin lies within the
// box's range on that axis (inclusive) and the ray misses when it lies outside; a zero direction
// misses. Returns 2 with the entry point in slot 0 and the exit point in slot 1; 1 when the ray
// starts inside the box or on its surface, with the exit point in slot 1 and slot 0 untouched;
// 0 when it misses, with nothing written.
int intersectRayBox(const Ray& ray, const Box& box, PointPair* out = nullptr);

// False when the lines are parallel or a direction is zero (exact zero determinant); out is not
// written then. Otherwise true, with the intersection point in out.
bool intersectLines2D(const Line2D& l1, const Line2D& l2, Point2D* out = nullptr);

// True when the lines of the two segments meet at a point within both segments' bounding
// boxes (inclusive); only then is out written. Parallel, collinear or zero-length segments do
// not meet.
bool intersectSegments2D(const LineSegment2D& s1, const LineSegment2D& s2, Point2D* out = nullptr);
