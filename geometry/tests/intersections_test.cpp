#include "geometry/intersections.h"

#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

#include "geometry/tests/reference.h"
#include "testing/tolerances.h"

namespace {

// Written into outputs before a call, to show which paths leave them untouched.
const Point3D kSentinel(-7.0f, -8.0f, -9.0f);
const PointPair kSentinelPair = {kSentinel, kSentinel};
const Point2D kSentinel2D(-7.0f, -8.0f);

const double kMargin = static_cast<double>(tol::kNearBoundary);

void expectSame(const Point2D& p, const Point2D& expected) {
    EXPECT_EQ(p.x, expected.x);
    EXPECT_EQ(p.y, expected.y);
}

TEST(IntersectLinePlane, HitsAnywhereAlongTheLineUnlessParallel) {
    const Plane plane(0, 0, 1, -1);
    {
        Point3D out = kSentinel;
        EXPECT_TRUE(intersectLinePlane(Line(Point3D(0, 0, 5), Vector3D(0, 0, -2)), plane, &out));
        ref::expectSame(out, Point3D(0, 0, 1));
    }
    {
        Point3D out = kSentinel;  // the plane lies behind the origin: still a hit
        EXPECT_TRUE(intersectLinePlane(Line(Point3D(0, 0, 5), Vector3D(0, 0, 2)), plane, &out));
        ref::expectSame(out, Point3D(0, 0, 1));
    }
    {
        Point3D out = kSentinel;
        EXPECT_FALSE(intersectLinePlane(Line(Point3D(0, 0, 5), Vector3D(1, 0, 0)), plane, &out));
        ref::expectSame(out, kSentinel);
        EXPECT_FALSE(intersectLinePlane(Line(Point3D(0, 0, 5), Vector3D(0, 0, 0)), plane, &out));
        ref::expectSame(out, kSentinel);
    }
    EXPECT_TRUE(intersectLinePlane(Line(Point3D(0, 0, 5), Vector3D(0, 1, 1)), plane));
}

TEST(IntersectLinePlane, AgreesWithDoublePrecisionParameter) {
    ref::Random random(31);
    int checked = 0;
    for (int i = 0; i < 2000; ++i) {
        const Line line(random.point(5), random.vector(2));
        const Plane plane(random.uniform(-2, 2), random.uniform(-2, 2), random.uniform(-2, 2),
                          random.uniform(-3, 3));
        const ref::V3 n = ref::of(plane.normal());
        const ref::V3 o = ref::of(line.origin);
        const ref::V3 d = ref::of(line.direction);
        if (ref::length(n) < 0.1 || ref::length(d) < 0.1) continue;
        const double cosine = ref::dot(ref::unit(n), ref::unit(d));
        if (std::fabs(cosine) < kMargin) continue;
        const double t = -(ref::dot(n, o) + static_cast<double>(plane.d)) / ref::dot(n, d);
        Point3D out = kSentinel;
        ASSERT_TRUE(intersectLinePlane(line, plane, &out)) << "case " << i;
        // The float point carries an error that grows as the line turns parallel to the plane.
        ref::expectNear(out, o + t * d, tol::kQueryPoint / static_cast<float>(std::fabs(cosine)));
        ++checked;
    }
    EXPECT_GT(checked, 1500);
}

TEST(IntersectSegmentPlane, OnlyBetweenTheEnds) {
    const Plane plane(0, 0, 1, -1);
    {
        Point3D out = kSentinel;
        EXPECT_FALSE(
            intersectSegmentPlane(LineSegment(Point3D(0, 0, 5), Point3D(0, 0, 3)), plane, &out));
        ref::expectSame(out, kSentinel);
    }
    {
        Point3D out = kSentinel;
        EXPECT_TRUE(
            intersectSegmentPlane(LineSegment(Point3D(0, 0, 5), Point3D(0, 0, 0)), plane, &out));
        ref::expectSame(out, Point3D(0, 0, 1));
    }
    {
        Point3D out = kSentinel;  // an end on the plane counts
        EXPECT_TRUE(
            intersectSegmentPlane(LineSegment(Point3D(2, 3, 5), Point3D(2, 3, 1)), plane, &out));
        ref::expectSame(out, Point3D(2, 3, 1));
    }
    {
        Point3D out = kSentinel;  // parallel, and zero length: no intersection, no exception
        EXPECT_FALSE(
            intersectSegmentPlane(LineSegment(Point3D(0, 0, 1), Point3D(4, 0, 1)), plane, &out));
        EXPECT_FALSE(
            intersectSegmentPlane(LineSegment(Point3D(0, 0, 1), Point3D(0, 0, 1)), plane, &out));
        ref::expectSame(out, kSentinel);
    }
    EXPECT_TRUE(intersectSegmentPlane(LineSegment(Point3D(0, 0, 5), Point3D(0, 0, 0)), plane));
    // Not zero, but too short for its direction to be normalised in float: answered as no
    // intersection, like a zero-length segment, instead of throwing.
    {
        Point3D out = kSentinel;
        EXPECT_FALSE(intersectSegmentPlane(LineSegment(Point3D(0, 0, 1), Point3D(1e-30f, 0, 1)),
                                           Plane(1, 0, 0, 0), &out));
        ref::expectSame(out, kSentinel);
    }
}

TEST(IntersectRayTriangle, DirectionTooShortToNormaliseIsNoHit) {
    Point3D out = kSentinel;
    const Triangle triangle{{Point3D(0, 0, 0), Point3D(1, 0, 0), Point3D(0, 1, 0)}};
    EXPECT_FALSE(intersectRayTriangle(Ray(Point3D(0.25f, 0.25f, 1), Vector3D(0, 0, -1e-30f)),
                                      triangle, &out));
}

const Triangle kUnitTriangle{{Point3D(0, 0, 0), Point3D(1, 0, 0), Point3D(0, 1, 0)}};

TEST(IntersectRayTriangle, HitMissAndTheAlwaysWrittenPoint) {
    {
        Point3D out = kSentinel;
        EXPECT_TRUE(intersectRayTriangle(Ray(Point3D(0.25f, 0.25f, 1), Vector3D(0, 0, -1)),
                                         kUnitTriangle, &out));
        ref::expectSame(out, Point3D(0.25f, 0.25f, 0));
    }
    {
        Point3D out = kSentinel;  // pointing away: false, yet out holds the line-plane point
        EXPECT_FALSE(intersectRayTriangle(Ray(Point3D(0.25f, 0.25f, 1), Vector3D(0, 0, 1)),
                                          kUnitTriangle, &out));
        ref::expectSame(out, Point3D(0.25f, 0.25f, 0));
    }
    {
        Point3D out = kSentinel;  // through an edge: outside
        EXPECT_FALSE(intersectRayTriangle(Ray(Point3D(0.5f, 0, 1), Vector3D(0, 0, -1)),
                                          kUnitTriangle, &out));
        ref::expectSame(out, Point3D(0.5f, 0, 0));
    }
    {
        Point3D out = kSentinel;  // starting on the triangle counts (parameter 0)
        EXPECT_TRUE(intersectRayTriangle(Ray(Point3D(0.25f, 0.25f, 0), Vector3D(0, 0, 1)),
                                         kUnitTriangle, &out));
        ref::expectSame(out, Point3D(0.25f, 0.25f, 0));
    }
    {
        Point3D out = kSentinel;  // parallel, and a zero direction: rejected before any throw
        EXPECT_FALSE(intersectRayTriangle(Ray(Point3D(0.25f, 0.25f, 1), Vector3D(1, 0, 0)),
                                          kUnitTriangle, &out));
        EXPECT_FALSE(intersectRayTriangle(Ray(Point3D(0.25f, 0.25f, 1), Vector3D(0, 0, 0)),
                                          kUnitTriangle, &out));
        ref::expectSame(out, kSentinel);
    }
    EXPECT_TRUE(
        intersectRayTriangle(Ray(Point3D(0.2f, 0.2f, -3), Vector3D(0, 0, 2)), kUnitTriangle));
}

TEST(IntersectRayTriangle, DegenerateTriangleThrowsWhateverTheRay) {
    const Triangle repeated{{Point3D(0, 0, 0), Point3D(1, 0, 0), Point3D(1, 0, 0)}};
    const Triangle collinear{{Point3D(0, 0, 0), Point3D(1, 0, 0), Point3D(3, 0, 0)}};
    Point3D out = kSentinel;
    EXPECT_THROW(intersectRayTriangle(Ray(Point3D(0, 0, 1), Vector3D(0, 0, -1)), repeated, &out),
                 ZeroDivide);
    EXPECT_THROW(intersectRayTriangle(Ray(), collinear, &out), ZeroDivide);
    ref::expectSame(out, kSentinel);
}

// Moller-Trumbore in double: the ray's parameter t and the hit point. False when the ray's
// direction is too close to the triangle's plane for the reference to decide.
struct RayTriangleReference {
    double t = 0.0;
    ref::V3 point;
    double edges[3] = {0.0, 0.0, 0.0};
};

bool referenceRayTriangle(const Triangle& triangle, const ref::V3& o, const ref::V3& d,
                          RayTriangleReference& result) {
    const ref::V3 p = ref::of(triangle[0]);
    const ref::V3 q = ref::of(triangle[1]);
    const ref::V3 r = ref::of(triangle[2]);
    const ref::V3 e1 = q - p;
    const ref::V3 e2 = r - p;
    const ref::V3 h = ref::cross(d, e2);
    const double det = ref::dot(e1, h);
    const double cosine = std::fabs(ref::dot(ref::unit(ref::cross(e1, e2)), ref::unit(d)));
    if (cosine < kMargin) return false;
    const ref::V3 s = o - p;
    const ref::V3 qv = ref::cross(s, e1);
    result.t = ref::dot(e2, qv) / det;
    result.point = o + result.t * d;
    ref::edgeDistances(p, q, r, result.point, result.edges);
    return true;
}

bool nearAnyEdge(const double edges[3]) {
    return std::fabs(edges[0]) < kMargin || std::fabs(edges[1]) < kMargin ||
           std::fabs(edges[2]) < kMargin;
}

bool inside(const double edges[3]) { return edges[0] > 0.0 && edges[1] > 0.0 && edges[2] > 0.0; }

// A random triangle of reasonable shape, and a point near it to aim at.
Triangle randomTriangle(ref::Random& random) {
    for (;;) {
        const Triangle triangle{{random.point(3), random.point(3), random.point(3)}};
        const ref::V3 face =
            ref::cross(ref::of(triangle[1] - triangle[0]), ref::of(triangle[2] - triangle[0]));
        if (ref::length(face) > 1.0) return triangle;
    }
}

Point3D aimNear(ref::Random& random, const Triangle& triangle) {
    const float u = random.uniform(-0.5f, 1.5f);
    const float v = random.uniform(-0.5f, 1.0f - u + 0.5f);
    return triangle[0] + u * (triangle[1] - triangle[0]) + v * (triangle[2] - triangle[0]) +
           random.vector(0.5f);
}

TEST(IntersectRayTriangle, AgreesWithBarycentricReference) {
    ref::Random random(32);
    int hits = 0, misses = 0;
    for (int i = 0; i < 6000; ++i) {
        const Triangle triangle = randomTriangle(random);
        const Point3D origin = random.point(5);
        // Mostly aimed at the triangle; one ray in four points the other way.
        Vector3D direction = aimNear(random, triangle) - origin;
        if (i % 4 == 0) direction = -1.0f * direction;
        const ref::V3 o = ref::of(origin);
        const ref::V3 d = ref::of(direction);
        if (ref::length(d) < 0.1) continue;
        RayTriangleReference expected;
        if (!referenceRayTriangle(triangle, o, d, expected)) continue;
        if (std::fabs(expected.t) * ref::length(d) < kMargin || nearAnyEdge(expected.edges)) {
            continue;
        }
        const bool hit = expected.t > 0.0 && inside(expected.edges);
        Point3D out = kSentinel;
        EXPECT_EQ(intersectRayTriangle(Ray(origin, direction), triangle, &out), hit)
            << "case " << i;
        ref::expectNear(out, expected.point, tol::kQueryPoint);
        (hit ? hits : misses)++;
    }
    EXPECT_GT(hits, 500);
    EXPECT_GT(misses, 500);
}

// The output is a mandatory reference: a call without one does not compile.
static_assert(std::is_same_v<decltype(&intersectSegmentTriangle),
                             bool (*)(const LineSegment&, const Triangle&, Point3D&)>,
              "intersectSegmentTriangle takes its output by reference");

TEST(IntersectSegmentTriangle, WritesOnlyOnAHit) {
    {
        Point3D out = kSentinel;
        EXPECT_TRUE(intersectSegmentTriangle(
            LineSegment(Point3D(0.25f, 0.25f, 1), Point3D(0.25f, 0.25f, -1)), kUnitTriangle, out));
        ref::expectSame(out, Point3D(0.25f, 0.25f, 0));
    }
    {
        Point3D out = kSentinel;  // ends on the triangle: parameter 1 counts
        EXPECT_TRUE(intersectSegmentTriangle(
            LineSegment(Point3D(0.25f, 0.25f, 2), Point3D(0.25f, 0.25f, 0)), kUnitTriangle, out));
        ref::expectSame(out, Point3D(0.25f, 0.25f, 0));
    }
    {
        Point3D out = kSentinel;  // stops short of the plane
        EXPECT_FALSE(intersectSegmentTriangle(
            LineSegment(Point3D(0.25f, 0.25f, 2), Point3D(0.25f, 0.25f, 1)), kUnitTriangle, out));
        ref::expectSame(out, kSentinel);
    }
    {
        Point3D out = kSentinel;  // crosses the plane outside the triangle
        EXPECT_FALSE(intersectSegmentTriangle(LineSegment(Point3D(2, 2, 1), Point3D(2, 2, -1)),
                                              kUnitTriangle, out));
        ref::expectSame(out, kSentinel);
    }
}

TEST(IntersectSegmentTriangle, ZeroLengthSegmentOrDegenerateTriangleThrows) {
    Point3D out = kSentinel;
    EXPECT_THROW(
        intersectSegmentTriangle(LineSegment(Point3D(0.25f, 0.25f, 0), Point3D(0.25f, 0.25f, 0)),
                                 kUnitTriangle, out),
        ZeroDivide);
    const Triangle collinear{{Point3D(0, 0, 0), Point3D(1, 1, 0), Point3D(2, 2, 0)}};
    EXPECT_THROW(
        intersectSegmentTriangle(LineSegment(Point3D(0, 0, 1), Point3D(0, 0, -1)), collinear, out),
        ZeroDivide);
    ref::expectSame(out, kSentinel);
}

TEST(IntersectSegmentTriangle, AgreesWithBarycentricReference) {
    ref::Random random(33);
    int hits = 0, misses = 0;
    for (int i = 0; i < 8000; ++i) {
        const Triangle triangle = randomTriangle(random);
        const Point3D start = random.point(5);
        // Ends scattered before, near and beyond the triangle's plane.
        const Point3D target = aimNear(random, triangle);
        const Point3D end = start + random.uniform(0.3f, 1.7f) * (target - start);
        const ref::V3 o = ref::of(start);
        const ref::V3 d = ref::of(end) - o;
        const double length = ref::length(d);
        if (length < 0.1) continue;
        RayTriangleReference expected;
        if (!referenceRayTriangle(triangle, o, d, expected)) continue;
        if (std::fabs(expected.t) * length < kMargin ||
            std::fabs(expected.t - 1.0) * length < kMargin || nearAnyEdge(expected.edges)) {
            continue;
        }
        const bool hit = expected.t > 0.0 && expected.t < 1.0 && inside(expected.edges);
        Point3D out = kSentinel;
        EXPECT_EQ(intersectSegmentTriangle(LineSegment(start, end), triangle, out), hit)
            << "case " << i;
        if (hit) {
            ref::expectNear(out, expected.point, tol::kQueryPoint);
            ++hits;
        } else {
            ref::expectSame(out, kSentinel);
            ++misses;
        }
    }
    EXPECT_GT(hits, 500);
    EXPECT_GT(misses, 500);
}

// In the plane z = 0, containing (0, 0, 0) and (+-0.5, 0, 0) strictly inside.
const Triangle kFloor{{Point3D(-2, -1, 0), Point3D(2, -1, 0), Point3D(0, 2, 0)}};

TEST(IntersectTriangles, CrossingTrianglesReportTheirEdgeHitsInOrder) {
    // Upright in y = 0; its edges 1->2 and 2->0 pierce the floor, edge 0->1 runs parallel to it.
    const Triangle upright{{Point3D(-1, 0, -1), Point3D(1, 0, -1), Point3D(0, 0, 1)}};
    PointPair out = kSentinelPair;
    EXPECT_EQ(intersectTriangles(upright, kFloor, &out), 2);
    ref::expectNear(out[0], {0.5, 0.0, 0.0}, tol::kFloat);
    ref::expectNear(out[1], {-0.5, 0.0, 0.0}, tol::kFloat);
    EXPECT_EQ(intersectTriangles(upright, kFloor), 2);
}

TEST(IntersectTriangles, DuplicatesSinglesAndCoplanarTriangles) {
    {
        // Vertex 0 strictly inside the floor is found by edge 0->1 (at its start) and by edge
        // 2->0 (at its end); nothing else meets.
        const Triangle touching{{Point3D(0, 0, 0), Point3D(1, 1, 1), Point3D(0, 0, 2)}};
        PointPair out = kSentinelPair;
        EXPECT_EQ(intersectTriangles(touching, kFloor, &out), 2);
        ref::expectSame(out[0], Point3D(0, 0, 0));
        ref::expectSame(out[1], Point3D(0, 0, 0));
    }
    {
        // Touches the floor at vertex 0 and along edge 0->1, which lies in the floor's plane and
        // so is parallel to it; the floor's edge meets the upright triangle only on its edge
        // 0->1, which is outside. One point: slot 1 untouched.
        const Triangle standing{{Point3D(0, 0, 0), Point3D(4, 0, 0), Point3D(0, 0, 1)}};
        PointPair out = kSentinelPair;
        EXPECT_EQ(intersectTriangles(standing, kFloor, &out), 1);
        ref::expectSame(out[0], Point3D(0, 0, 0));
        ref::expectSame(out[1], kSentinel);
    }
    {
        // Overlapping in the same axis-aligned plane: every edge is parallel to the other plane.
        const Triangle overlapping{{Point3D(-1, -0.5f, 0), Point3D(1, -0.5f, 0), Point3D(0, 1, 0)}};
        PointPair out = kSentinelPair;
        EXPECT_EQ(intersectTriangles(overlapping, kFloor, &out), 0);
        ref::expectSame(out[0], kSentinel);
        ref::expectSame(out[1], kSentinel);
    }
    {
        const Triangle apart{{Point3D(0, 0, 1), Point3D(1, 0, 2), Point3D(0, 1, 3)}};
        PointPair out = kSentinelPair;
        EXPECT_EQ(intersectTriangles(apart, kFloor, &out), 0);
        ref::expectSame(out[0], kSentinel);
    }
}

TEST(IntersectTriangles, DegenerateTriangleThrowsWithoutLeaking) {
    // Three distinct collinear points: both edges that cross the floor are collected before the
    // floor's edges are tested against it and its plane cannot be built. The sanitizer build
    // checks that the collected points are released.
    const Triangle needle{{Point3D(0, 0, -1), Point3D(0, 0, 1), Point3D(0, 0, 3)}};
    PointPair out = kSentinelPair;
    EXPECT_THROW(intersectTriangles(needle, kFloor, &out), ZeroDivide);
    EXPECT_THROW(intersectTriangles(kFloor, needle, &out), ZeroDivide);
    const Triangle repeated{{Point3D(0, 0, -1), Point3D(0, 0, -1), Point3D(0, 0, 1)}};
    EXPECT_THROW(intersectTriangles(repeated, kFloor, &out), ZeroDivide);
    ref::expectSame(out[0], kSentinel);
    ref::expectSame(out[1], kSentinel);
}

TEST(IntersectLineSphere, SecantTangentAndDegenerateDirection) {
    const Sphere unit{Point3D(0, 0, 0), 1.0f};
    {
        PointPair out = kSentinelPair;
        EXPECT_EQ(intersectLineSphere(Line(Point3D(-5, 0, 0), Vector3D(1, 0, 0)), unit, &out), 2);
        ref::expectSame(out[0], Point3D(1, 0, 0));  // larger parameter first
        ref::expectSame(out[1], Point3D(-1, 0, 0));
    }
    {
        PointPair out = kSentinelPair;  // behind the origin counts too
        EXPECT_EQ(intersectLineSphere(Line(Point3D(5, 0, 0), Vector3D(1, 0, 0)), unit, &out), 2);
        ref::expectSame(out[0], Point3D(1, 0, 0));
        ref::expectSame(out[1], Point3D(-1, 0, 0));
    }
    {
        PointPair out = kSentinelPair;
        EXPECT_EQ(intersectLineSphere(Line(Point3D(-5, 1, 0), Vector3D(1, 0, 0)), unit, &out), 1);
        ref::expectSame(out[0], Point3D(0, 1, 0));
        ref::expectSame(out[1], kSentinel);
    }
    {
        // Just inside the sphere, the discriminant 4 * (1 - y * y) is about 8e-5: below EPS, so
        // the line counts as tangent and reports one point, at the parameter -b / (2a) = 5.
        PointPair out = kSentinelPair;
        EXPECT_EQ(
            intersectLineSphere(Line(Point3D(-5, 0.99999f, 0), Vector3D(1, 0, 0)), unit, &out), 1);
        ref::expectSame(out[0], Point3D(0, 0.99999f, 0));
        ref::expectSame(out[1], kSentinel);
        // Further in, about 8e-4: two points.
        EXPECT_EQ(intersectLineSphere(Line(Point3D(-5, 0.9999f, 0), Vector3D(1, 0, 0)), unit), 2);
    }
    {
        PointPair out = kSentinelPair;
        EXPECT_EQ(
            intersectLineSphere(Line(Point3D(-5, 1.00001f, 0), Vector3D(1, 0, 0)), unit, &out), 0);
        EXPECT_EQ(intersectLineSphere(Line(Point3D(-5, 1.1f, 0), Vector3D(1, 0, 0)), unit, &out),
                  0);
        // a = 0.000001 < EPS, and a zero direction: no intersection, no exception.
        EXPECT_EQ(intersectLineSphere(Line(Point3D(-5, 0, 0), Vector3D(0.001f, 0, 0)), unit, &out),
                  0);
        EXPECT_EQ(intersectLineSphere(Line(Point3D(0, 0, 0), Vector3D(0, 0, 0)), unit, &out), 0);
        ref::expectSame(out[0], kSentinel);
        ref::expectSame(out[1], kSentinel);
    }
    EXPECT_EQ(intersectLineSphere(Line(Point3D(-5, 0, 0), Vector3D(1, 0, 0)), unit), 2);
}

TEST(IntersectLineSphere, AgreesWithClosestPointReference) {
    ref::Random random(34);
    int secants = 0, misses = 0;
    for (int i = 0; i < 6000; ++i) {
        const Sphere sphere{random.point(3), random.uniform(0.5f, 3.0f)};
        const Line line(random.point(5), random.vector(2));
        const ref::V3 o = ref::of(line.origin);
        const ref::V3 d = ref::of(line.direction);
        if (ref::length(d) < 0.2) continue;
        const ref::V3 u = ref::unit(d);
        const ref::V3 c = ref::of(sphere.centre);
        const ref::V3 foot = o + ref::dot(c - o, u) * u;
        const double h = ref::length(c - foot);
        const double r = static_cast<double>(sphere.radius);
        if (std::fabs(h - r) < kMargin) continue;  // near tangency
        PointPair out = kSentinelPair;
        const int count = intersectLineSphere(line, sphere, &out);
        if (h > r) {
            EXPECT_EQ(count, 0) << "case " << i;
            ref::expectSame(out[0], kSentinel);
            ++misses;
            continue;
        }
        ASSERT_EQ(count, 2) << "case " << i;
        const double half = std::sqrt(r * r - h * h);
        ref::expectNear(out[0], foot + half * u, tol::kQueryPoint);
        ref::expectNear(out[1], foot - half * u, tol::kQueryPoint);
        ++secants;
    }
    EXPECT_GT(secants, 500);
    EXPECT_GT(misses, 500);
}

const Box kUnitBox{Point3D(0, 0, 0), Point3D(1, 1, 1)};

TEST(IntersectRayBox, EntryExitAndStartingInside) {
    {
        PointPair out = kSentinelPair;
        const Ray ray(Point3D(-1, 0.5f, 0.5f), Vector3D(1, 0.000001f, 0.000001f));
        EXPECT_EQ(intersectRayBox(ray, kUnitBox, &out), 2);
        ref::expectNear(out[0], {0.0, 0.5, 0.5}, tol::kChain);
        ref::expectNear(out[1], {1.0, 0.5, 0.5}, tol::kChain);
    }
    {
        PointPair out = kSentinelPair;  // inside: only the exit point, in slot 1
        const Ray ray(Point3D(0.5f, 0.5f, 0.5f), Vector3D(1, 0.000001f, 0.000001f));
        EXPECT_EQ(intersectRayBox(ray, kUnitBox, &out), 1);
        ref::expectSame(out[0], kSentinel);
        ref::expectNear(out[1], {1.0, 0.5, 0.5}, tol::kChain);
    }
    {
        PointPair out = kSentinelPair;  // on the surface, pointing in: counts as inside
        EXPECT_EQ(
            intersectRayBox(Ray(Point3D(0, 0.5f, 0.5f), Vector3D(1, 0.5f, 0)), kUnitBox, &out), 1);
        ref::expectSame(out[0], kSentinel);
        ref::expectSame(out[1], Point3D(1, 1, 0.5f));
    }
    {
        PointPair out = kSentinelPair;  // behind the ray, and leaving from the surface: misses
        EXPECT_EQ(
            intersectRayBox(Ray(Point3D(2, 0.5f, 0.5f), Vector3D(1, 0.1f, 0.1f)), kUnitBox, &out),
            0);
        EXPECT_EQ(intersectRayBox(Ray(Point3D(1, 0.5f, 0.5f), Vector3D(1, 0, 0)), kUnitBox, &out),
                  0);
        ref::expectSame(out[0], kSentinel);
        ref::expectSame(out[1], kSentinel);
    }
    {
        // The second member is a size: this box spans [1, 2] x [1, 3] x [1, 4].
        const Box box{Point3D(1, 1, 1), Point3D(1, 2, 3)};
        PointPair out = kSentinelPair;
        EXPECT_EQ(intersectRayBox(Ray(Point3D(1.5f, 2.5f, 0), Vector3D(0, 0, 2)), box, &out), 2);
        ref::expectSame(out[0], Point3D(1.5f, 2.5f, 1));
        ref::expectSame(out[1], Point3D(1.5f, 2.5f, 4));
    }
}

// Rays with direction components exactly zero: the axis does not limit the ray when the origin
// is within the box's range there (inclusive), and rules it out otherwise.
TEST(IntersectRayBox, AxisAlignedRays) {
    {
        PointPair out = kSentinelPair;  // straight through
        EXPECT_EQ(intersectRayBox(Ray(Point3D(-1, 0.5f, 0.5f), Vector3D(1, 0, 0)), kUnitBox, &out),
                  2);
        ref::expectSame(out[0], Point3D(0, 0.5f, 0.5f));
        ref::expectSame(out[1], Point3D(1, 0.5f, 0.5f));
    }
    {
        PointPair out = kSentinelPair;  // from inside, downwards
        EXPECT_EQ(
            intersectRayBox(Ray(Point3D(0.5f, 0.5f, 0.5f), Vector3D(0, 0, -3)), kUnitBox, &out), 1);
        ref::expectSame(out[0], kSentinel);
        ref::expectSame(out[1], Point3D(0.5f, 0.5f, 0));
    }
    {
        PointPair out = kSentinelPair;  // along a face of the box: the range is inclusive
        EXPECT_EQ(intersectRayBox(Ray(Point3D(-1, 1, 0.5f), Vector3D(2, 0, 0)), kUnitBox, &out), 2);
        ref::expectSame(out[0], Point3D(0, 1, 0.5f));
        ref::expectSame(out[1], Point3D(1, 1, 0.5f));
    }
    {
        PointPair out = kSentinelPair;  // along an edge of the box
        EXPECT_EQ(intersectRayBox(Ray(Point3D(0, 0, -1), Vector3D(0, 0, 1)), kUnitBox, &out), 2);
        ref::expectSame(out[0], Point3D(0, 0, 0));
        ref::expectSame(out[1], Point3D(0, 0, 1));
    }
    {
        PointPair out = kSentinelPair;  // beside the box on a zero axis: misses
        EXPECT_EQ(
            intersectRayBox(Ray(Point3D(-1, 1.001f, 0.5f), Vector3D(1, 0, 0)), kUnitBox, &out), 0);
        EXPECT_EQ(intersectRayBox(Ray(Point3D(0.5f, -0.5f, 5), Vector3D(0, 0, -1)), kUnitBox, &out),
                  0);
        ref::expectSame(out[0], kSentinel);
        ref::expectSame(out[1], kSentinel);
    }
    {
        PointPair out = kSentinelPair;  // a zero direction meets nothing, inside or outside
        EXPECT_EQ(
            intersectRayBox(Ray(Point3D(0.5f, 0.5f, 0.5f), Vector3D(0, 0, 0)), kUnitBox, &out), 0);
        EXPECT_EQ(intersectRayBox(Ray(Point3D(3, 3, 3), Vector3D(0, 0, 0)), kUnitBox, &out), 0);
        ref::expectSame(out[0], kSentinel);
        ref::expectSame(out[1], kSentinel);
    }
}

// Face-by-face reference in double: the parameters t >= 0 where the ray crosses a face plane
// within that face. Sets `skip` when the ray passes within the margin of an edge of a face, or
// starts within the margin of a face plane.
struct RayBoxReference {
    int count = 0;
    ref::V3 entry, exit;
    bool skip = false;
};

RayBoxReference referenceRayBox(const ref::V3& o, const ref::V3& d, const ref::V3& lo,
                                const ref::V3& hi) {
    RayBoxReference result;
    bool startsInside = true;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(o[i] - lo[i]) < kMargin || std::fabs(o[i] - hi[i]) < kMargin) {
            result.skip = true;
        }
        if (o[i] < lo[i] || o[i] > hi[i]) startsInside = false;
    }
    double tMin = INFINITY, tMax = -INFINITY;
    for (int axis = 0; axis < 3; ++axis) {
        if (d[axis] == 0.0) continue;
        for (double bound : {lo[axis], hi[axis]}) {
            const double t = (bound - o[axis]) / d[axis];
            if (t < 0.0) continue;
            const ref::V3 x = o + t * d;
            bool within = true;
            for (int other = 0; other < 3; ++other) {
                if (other == axis) continue;
                if (std::fabs(x[other] - lo[other]) < kMargin ||
                    std::fabs(x[other] - hi[other]) < kMargin) {
                    result.skip = true;
                }
                if (x[other] < lo[other] || x[other] > hi[other]) within = false;
            }
            if (!within) continue;
            tMin = std::fmin(tMin, t);
            tMax = std::fmax(tMax, t);
        }
    }
    if (tMax < 0.0) return result;  // no face crossed ahead of the origin
    result.exit = o + tMax * d;
    if (startsInside) {
        result.count = 1;
    } else {
        result.count = 2;
        result.entry = o + tMin * d;
    }
    return result;
}

TEST(IntersectRayBox, AgreesWithFaceByFaceReference) {
    ref::Random random(35);
    int misses = 0, fromInside = 0, through = 0;
    int axisAligned = 0;
    for (int i = 0; i < 20000; ++i) {
        const Box box{random.point(2),
                      Point3D(random.uniform(1, 3), random.uniform(1, 3), random.uniform(1, 3))};
        const Point3D origin = random.point(3);
        Vector3D direction = random.vector(1);
        for (int axis = 0; axis < 3; ++axis) {
            if (random.chance(0.3)) direction[axis] = 0.0f;
        }
        const ref::V3 d = ref::of(direction);
        if (ref::length(d) < 0.1) continue;
        bool grazing = false;  // a tiny non-zero component: nearly parallel to a face
        for (int axis = 0; axis < 3; ++axis) {
            if (d[axis] != 0.0 && std::fabs(d[axis]) < kMargin * ref::length(d)) grazing = true;
        }
        if (grazing) continue;
        const ref::V3 lo = ref::of(box.first);
        const ref::V3 hi = lo + ref::of(box.second - Point3D(0, 0, 0));
        const RayBoxReference expected = referenceRayBox(ref::of(origin), d, lo, hi);
        if (expected.skip) continue;

        PointPair out = kSentinelPair;
        const int count = intersectRayBox(Ray(origin, direction), box, &out);
        ASSERT_EQ(count, expected.count) << "case " << i;
        if (count == 2) ref::expectNear(out[0], expected.entry, tol::kQueryPoint);
        if (count != 2) ref::expectSame(out[0], kSentinel);
        if (count >= 1) ref::expectNear(out[1], expected.exit, tol::kQueryPoint);
        if (count == 0) ref::expectSame(out[1], kSentinel);
        (count == 0 ? misses : count == 1 ? fromInside : through)++;
        if (count > 0 && (d.x == 0.0 || d.y == 0.0 || d.z == 0.0)) ++axisAligned;
    }
    EXPECT_GT(misses, 500);
    EXPECT_GT(fromInside, 200);
    EXPECT_GT(through, 200);
    EXPECT_GT(axisAligned, 200);
}

TEST(IntersectLines2D, CrossingParallelAndDegenerate) {
    {
        Point2D out = kSentinel2D;
        EXPECT_TRUE(intersectLines2D(Line2D(Point2D(0, 1), Vector2D(1, 0)),
                                     Line2D(Point2D(3, -4), Vector2D(0, 2)), &out));
        expectSame(out, Point2D(3, 1));
    }
    {
        Point2D out = kSentinel2D;
        EXPECT_FALSE(intersectLines2D(Line2D(Point2D(0, 1), Vector2D(1, 1)),
                                      Line2D(Point2D(3, -4), Vector2D(-2, -2)), &out));
        EXPECT_FALSE(intersectLines2D(Line2D(Point2D(0, 1), Vector2D(1, 1)),
                                      Line2D(Point2D(0, 1), Vector2D(1, 1)), &out));  // same line
        EXPECT_FALSE(intersectLines2D(Line2D(Point2D(0, 1), Vector2D(0, 0)),
                                      Line2D(Point2D(3, -4), Vector2D(0, 2)), &out));
        expectSame(out, kSentinel2D);
    }
    EXPECT_TRUE(intersectLines2D(Line2D(Point2D(0, 1), Vector2D(1, 0)),
                                 Line2D(Point2D(3, -4), Vector2D(0, 2))));
}

TEST(IntersectSegments2D, CrossingSeparateTouchingAndDegenerate) {
    {
        Point2D out = kSentinel2D;
        EXPECT_TRUE(intersectSegments2D({Point2D(0, 0), Point2D(2, 2)},
                                        {Point2D(0, 2), Point2D(2, 0)}, &out));
        expectSame(out, Point2D(1, 1));
    }
    {
        Point2D out = kSentinel2D;  // the lines meet, the segments do not
        EXPECT_FALSE(intersectSegments2D({Point2D(0, 0), Point2D(1, 1)},
                                         {Point2D(2, 0), Point2D(3, -1)}, &out));
        expectSame(out, kSentinel2D);
    }
    {
        Point2D out = kSentinel2D;  // a shared end point, computed exactly: accepted
        EXPECT_TRUE(intersectSegments2D({Point2D(0, 0), Point2D(1, 1)},
                                        {Point2D(1, 1), Point2D(2, 0)}, &out));
        expectSame(out, Point2D(1, 1));
    }
    {
        Point2D out = kSentinel2D;  // collinear overlap, parallel, zero length: no intersection
        EXPECT_FALSE(intersectSegments2D({Point2D(0, 0), Point2D(2, 0)},
                                         {Point2D(1, 0), Point2D(3, 0)}, &out));
        EXPECT_FALSE(intersectSegments2D({Point2D(0, 0), Point2D(2, 0)},
                                         {Point2D(0, 1), Point2D(2, 1)}, &out));
        EXPECT_FALSE(intersectSegments2D({Point2D(1, 1), Point2D(1, 1)},
                                         {Point2D(0, 2), Point2D(2, 0)}, &out));
        expectSame(out, kSentinel2D);
    }
    EXPECT_TRUE(
        intersectSegments2D({Point2D(0, 0), Point2D(2, 2)}, {Point2D(0, 2), Point2D(2, 0)}));
}

// Both 2D routines against orientation predicates and the parametric crossing point in double.
TEST(IntersectSegments2D, AgreesWithOrientationPredicates) {
    ref::Random random(36);
    int crossings = 0, misses = 0;
    for (int i = 0; i < 4000; ++i) {
        const LineSegment2D s1{random.point2D(5), random.point2D(5)};
        const LineSegment2D s2{random.point2D(5), random.point2D(5)};
        const ref::V2 a = ref::of(s1.start), b = ref::of(s1.end);
        const ref::V2 c = ref::of(s2.start), d = ref::of(s2.end);
        const double lengthAB = ref::length(b - a), lengthCD = ref::length(d - c);
        if (lengthAB < 0.1 || lengthCD < 0.1) continue;
        const double sine = ref::cross(b - a, d - c) / (lengthAB * lengthCD);
        if (std::fabs(sine) < kMargin) continue;
        // Signed distances of each segment's ends from the other segment's line.
        const double dc = ref::cross(b - a, c - a) / lengthAB;
        const double dd = ref::cross(b - a, d - a) / lengthAB;
        const double da = ref::cross(d - c, a - c) / lengthCD;
        const double db = ref::cross(d - c, b - c) / lengthCD;
        if (std::fabs(dc) < kMargin || std::fabs(dd) < kMargin || std::fabs(da) < kMargin ||
            std::fabs(db) < kMargin) {
            continue;
        }
        const double s = ref::cross(c - a, d - c) / ref::cross(b - a, d - c);
        const ref::V2 crossing{a.x + s * (b.x - a.x), a.y + s * (b.y - a.y)};

        Point2D lineOut = kSentinel2D;
        ASSERT_TRUE(intersectLines2D(Line2D(s1.start, s1.end - s1.start),
                                     Line2D(s2.start, s2.end - s2.start), &lineOut));
        ref::expectNear(lineOut, crossing, tol::kQueryPoint / static_cast<float>(std::fabs(sine)));

        const bool expected = (dc > 0.0) != (dd > 0.0) && (da > 0.0) != (db > 0.0);
        Point2D out = kSentinel2D;
        EXPECT_EQ(intersectSegments2D(s1, s2, &out), expected) << "case " << i;
        if (expected) {
            ref::expectNear(out, crossing, tol::kQueryPoint);
            ++crossings;
        } else {
            expectSame(out, kSentinel2D);
            ++misses;
        }
    }
    EXPECT_GT(crossings, 500);
    EXPECT_GT(misses, 500);
}

}  // namespace
