#pragma once
// Primitive shapes of the geometric queries and their containment tests.
//
// Conventions:
// - All arithmetic is single-precision float; EPS below is kGeometryEps = 0.0001.
// - Ray and Line are origin + t * direction (t >= 0 for a ray, any t for a line); the direction
//   need not be of unit length. LineSegment and LineSegment2D run from start to end.
// - A Plane is the set of points with nx*x + ny*y + nz*z + d = 0; its normal (nx, ny, nz) need
//   not be of unit length. A triangle's supporting plane has a unit normal that follows the
//   winding by the right-hand rule.
// - Box::contains reads `second` as the maximum corner. The ray-box test of intersections.h reads
//   it as the box's size instead (the box spans first to first + second there).
// - Comparisons: Ray::contains accepts points less than EPS from the line (strict) and with
//   dot(p - origin, direction) >= 0, so the origin itself is on the ray. LineSegment::contains
//   accepts ray parameters up to 1 inclusive. Triangle::contains accepts points less than EPS
//   from the plane and strictly inside all three edges: a point on an edge or at a vertex is
//   outside. Box::contains is inclusive on both bounds. A NaN fails every comparison, so a NaN
//   point is never contained.
// - ZeroDivide: Ray::contains throws it for a zero direction, LineSegment::contains when start
//   equals end, Triangle::contains and Triangle::supportingPlane for a degenerate triangle (two
//   equal vertices or three collinear ones). A vector whose squared length underflows to zero in
//   float counts as zero. Box::contains never throws.
// - Index operators (Triangle, Plane) do not check their index.

#include "math/vectors.h"

// The tolerance of the containment tests, the relation predicates and the intersection tests.
constexpr float kGeometryEps = 0.0001f;

// The origin point O, against which planes measure positions (p - O is p as a vector).
inline const Point3D kOriginPoint(0.0f, 0.0f, 0.0f);

struct Ray {
    Point3D origin;
    Vector3D direction;

    Ray() = default;  // origin (0, 0, 0), direction (0, 0, 0)
    Ray(const Point3D& origin_, const Vector3D& direction_)
        : origin(origin_), direction(direction_) {}

    // True when p lies less than EPS from the ray's line and not behind the origin. When t is
    // given and the answer is true, t receives length(p - origin) / length(direction) (the
    // distance along the ray for a unit direction); otherwise t is left as it was.
    bool contains(const Point3D& p, float* t = nullptr) const;
};

struct Line {
    Point3D origin;
    Vector3D direction;

    Line() = default;  // origin (0, 0, 0), direction (0, 0, 0)
    Line(const Point3D& origin_, const Vector3D& direction_)
        : origin(origin_), direction(direction_) {}
};

struct LineSegment {
    Point3D start;
    Point3D end;

    LineSegment(const Point3D& start_, const Point3D& end_) : start(start_), end(end_) {}

    // True when the ray from start along end - start contains p with a parameter of at most 1.
    bool contains(const Point3D& p) const;
};

struct Plane {
    float nx = 0.0f, ny = 0.0f, nz = 0.0f, d = 0.0f;

    Plane(float nx_, float ny_, float nz_, float d_) : nx(nx_), ny(ny_), nz(nz_), d(d_) {}

    // The normal (nx, ny, nz), as stored: not normalised.
    Vector3D normal() const { return Vector3D(nx, ny, nz); }

    // Coefficient i: nx = 0, ny = 1, nz = 2, d = 3. Any other index is the caller's error.
    float& operator[](int i) { return i == 0 ? nx : i == 1 ? ny : i == 2 ? nz : d; }
    const float& operator[](int i) const { return i == 0 ? nx : i == 1 ? ny : i == 2 ? nz : d; }
};

struct Triangle {
    Point3D vertices[3];

    Point3D& operator[](int i) { return vertices[i]; }
    const Point3D& operator[](int i) const { return vertices[i]; }

    // With vertices P, Q, R: n = normalized(cross(Q - P, R - P)) and the plane
    // (n.x, n.y, n.z, -dot(n, P - O)). Throws ZeroDivide for a degenerate triangle.
    Plane supportingPlane() const;

    // True when x lies less than EPS from the supporting plane and strictly inside all three
    // edges. Either winding works. Throws ZeroDivide for a degenerate triangle.
    bool contains(const Point3D& x) const;
};

struct Sphere {
    Point3D centre;
    float radius = 0.0f;
};

// An axis-aligned box; see the conventions above for how `second` is read.
struct Box {
    Point3D first;
    Point3D second;

    // first[i] <= p[i] <= second[i] on x, then y, then z; the first failing comparison answers.
    bool contains(const Point3D& p) const;
};

struct Line2D {
    Point2D point;
    Vector2D direction;

    Line2D(const Point2D& point_, const Vector2D& direction_)
        : point(point_), direction(direction_) {}
};

struct LineSegment2D {
    Point2D start;
    Point2D end;
};
