#pragma once
// Distances, angles and relation predicates between points, lines and planes.
//
// Conventions:
// - All arithmetic is single-precision float, except pointsCoplanar, which evaluates its
//   determinant in double. EPS is kGeometryEps = 0.0001 (primitives.h).
// - Distances are unsigned. Angles are in radians; the arc cosine is taken of the dot product of
//   the normalised vectors after clamping it to [-1, 1], so rounding cannot turn two equal or
//   opposite directions into NaN. The sign of a direction matters: opposite lines are pi apart.
// - Comparisons: every tolerance test is strict (< tolerance). linesParallel, planesParallel and
//   planesPerpendicular are exact (== 0) on vectors that are not normalised.
// - ZeroDivide: thrown by every operation that normalises a zero vector: distancePointLine with
//   a zero direction, distancePointPlane with a zero normal, angleLines, angleLinePlane,
//   anglePlanes and linePerpendicularToPlane with a zero direction or normal. The other
//   predicates never throw.
// - NaN inputs are not checked: they propagate, and every comparison with a NaN is false.

#include "geometry/primitives.h"
#include "math/vectors.h"

// Tolerance of linesPerpendicular on the dot product of the two (unnormalised) directions.
constexpr float kPerpendicularEps = 0.000001f;
// Tolerance of pointsCoplanar on the 4 by 4 determinant.
constexpr double kCoplanarEps = 0.001;
// Half of 3.14159, the right angle of angleLinePlane (not the full-precision pi / 2).
constexpr float kHalfPi = 1.570795f;

// Distance from p to the infinite line: the length of p - origin minus its projection onto the
// normalised direction.
float distancePointLine(const Point3D& p, const Line& line);

// Unsigned distance from p to the plane, correct for a normal of any non-zero length.
float distancePointPlane(const Point3D& p, const Plane& plane);

// Angle between the two directions, in [0, pi].
float angleLines(const Line& l1, const Line& l2);

// kHalfPi minus the angle between the line's direction and the plane's normal: about 0 for a
// line in the plane, about kHalfPi along the normal and about -kHalfPi against it.
float angleLinePlane(const Line& line, const Plane& plane);

// Angle between the two normals, in [0, pi].
float anglePlanes(const Plane& p1, const Plane& p2);

// abs(dot(cross(l1.direction, l2.direction), l2.origin - l1.origin)) < EPS.
bool linesCoplanar(const Line& l1, const Line& l2);

// The cross product of the directions has length exactly 0.
bool linesParallel(const Line& l1, const Line& l2);

// abs(dot(normal, direction)) < EPS, neither normalised.
bool lineParallelToPlane(const Line& line, const Plane& plane);

// The cross product of the two normals has length exactly 0.
bool planesParallel(const Plane& p1, const Plane& p2);

// abs(dot(l1.direction, l2.direction)) < kPerpendicularEps, neither normalised.
bool linesPerpendicular(const Line& l1, const Line& l2);

// length(normalized(direction) - normalized(normal)) < EPS: a line along the normal is
// perpendicular to the plane, a line against it is not.
bool linePerpendicularToPlane(const Line& line, const Plane& plane);

// The dot product of the two normals is exactly 0.
bool planesPerpendicular(const Plane& p1, const Plane& p2);

// abs(det) < kCoplanarEps for the 4 by 4 matrix with rows (x, y, z, 1) of p, q, r and s. The
// determinant is expanded into its 24 signed products of three coordinates, each product and
// the running sum in double, so large coordinates do not drown a small volume in float rounding.
bool pointsCoplanar(const Point3D& p, const Point3D& q, const Point3D& r, const Point3D& s);
