#include "geometry/primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/tests/reference.h"
#include "testing/tolerances.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(RayContains, OnBehindAndOffTheRay) {
    const Ray ray(Point3D(0, 0, 0), Vector3D(2, 0, 0));
    {
        float t = -1.0f;
        EXPECT_TRUE(ray.contains(Point3D(1, 0, 0), &t));
        EXPECT_EQ(t, 0.5f);
    }
    {
        float t = -1.0f;
        EXPECT_TRUE(ray.contains(Point3D(0, 0, 0), &t));  // the origin: dot product exactly 0
        EXPECT_EQ(t, 0.0f);
    }
    {
        float t = 42.0f;
        EXPECT_FALSE(ray.contains(Point3D(-1, 0, 0), &t));  // behind the origin
        EXPECT_EQ(t, 42.0f);
    }
    EXPECT_TRUE(ray.contains(Point3D(1, 0.00005f, 0)));  // within EPS of the line
    {
        float t = 42.0f;
        EXPECT_FALSE(ray.contains(Point3D(1, 0.001f, 0), &t));
        EXPECT_EQ(t, 42.0f);
    }
    EXPECT_FALSE(ray.contains(Point3D(kNaN, 0, 0)));
}

TEST(RayContains, ZeroDirectionThrows) {
    EXPECT_THROW(Ray().contains(Point3D(0, 0, 0)), ZeroDivide);
    // Not zero, but its squared length underflows to zero in float.
    EXPECT_THROW(Ray(Point3D(0, 0, 0), Vector3D(1e-30f, 0, 0)).contains(Point3D(1, 0, 0)),
                 ZeroDivide);
}

TEST(LineSegmentContains, BothEndsInclusive) {
    const LineSegment segment(Point3D(0, 0, 0), Point3D(2, 0, 0));
    EXPECT_TRUE(segment.contains(Point3D(2, 0, 0)));  // t = 1
    EXPECT_TRUE(segment.contains(Point3D(0, 0, 0)));  // t = 0
    EXPECT_TRUE(segment.contains(Point3D(1.5f, 0, 0)));
    EXPECT_FALSE(segment.contains(Point3D(2.5f, 0, 0)));
    EXPECT_FALSE(segment.contains(Point3D(-0.5f, 0, 0)));
    EXPECT_FALSE(segment.contains(Point3D(1, 0.001f, 0)));
    EXPECT_THROW(LineSegment(Point3D(1, 2, 3), Point3D(1, 2, 3)).contains(Point3D(1, 2, 3)),
                 ZeroDivide);
}

TEST(TriangleContains, StrictInteriorInEitherWinding) {
    const Triangle ccw{{Point3D(0, 0, 0), Point3D(1, 0, 0), Point3D(0, 1, 0)}};
    const Triangle cw{{Point3D(0, 0, 0), Point3D(0, 1, 0), Point3D(1, 0, 0)}};
    for (const Triangle& triangle : {ccw, cw}) {
        EXPECT_TRUE(triangle.contains(Point3D(0.25f, 0.25f, 0)));
        EXPECT_TRUE(triangle.contains(Point3D(0.25f, 0.25f, 0.00005f)));  // within EPS of the plane
        EXPECT_FALSE(triangle.contains(Point3D(0.25f, 0.25f, 0.001f)));
        EXPECT_FALSE(triangle.contains(Point3D(0.5f, 0, 0)));     // on an edge
        EXPECT_FALSE(triangle.contains(Point3D(0.5f, 0.5f, 0)));  // on the hypotenuse
        EXPECT_FALSE(triangle.contains(Point3D(0, 0, 0)));        // a vertex
        EXPECT_FALSE(triangle.contains(Point3D(0.75f, 0.75f, 0)));
        EXPECT_FALSE(triangle.contains(Point3D(kNaN, 0.25f, 0)));
    }
}

TEST(TriangleContains, DegenerateTrianglesThrow) {
    const Triangle repeated{{Point3D(0, 0, 0), Point3D(0, 0, 0), Point3D(0, 1, 0)}};
    const Triangle collinear{{Point3D(0, 0, 0), Point3D(1, 1, 1), Point3D(2, 2, 2)}};
    EXPECT_THROW(repeated.contains(Point3D(0, 0.5f, 0)), ZeroDivide);
    EXPECT_THROW(collinear.contains(Point3D(1, 1, 1)), ZeroDivide);
    EXPECT_THROW(collinear.supportingPlane(), ZeroDivide);
}

TEST(TriangleSupportingPlane, UnitNormalFollowsWindingThroughVertices) {
    {
        const Triangle triangle{{Point3D(0, 0, 2), Point3D(1, 0, 2), Point3D(0, 1, 2)}};
        const Plane plane = triangle.supportingPlane();
        EXPECT_EQ(plane[0], 0.0f);
        EXPECT_EQ(plane[1], 0.0f);
        EXPECT_EQ(plane[2], 1.0f);
        EXPECT_EQ(plane[3], -2.0f);
        const Triangle reversed{{triangle[0], triangle[2], triangle[1]}};
        EXPECT_EQ(reversed.supportingPlane().nz, -1.0f);
    }
    ref::Random random(11);
    for (int i = 0; i < 200; ++i) {
        const Triangle triangle{{random.point(5), random.point(5), random.point(5)}};
        const Plane plane = triangle.supportingPlane();
        EXPECT_NEAR(plane.normal().length(), 1.0f, tol::kFloat);
        const ref::V3 n = ref::of(plane.normal());
        const ref::V3 face =
            ref::cross(ref::of(triangle[1] - triangle[0]), ref::of(triangle[2] - triangle[0]));
        EXPECT_GT(ref::dot(n, face), 0.0);  // right-hand rule
        for (int v = 0; v < 3; ++v) {
            const double value = ref::dot(n, ref::of(triangle[v])) + static_cast<double>(plane.d);
            EXPECT_NEAR(value, 0.0, static_cast<double>(tol::kChain));
        }
    }
}

// Random points of a triangle's plane against their signed distances from its edges in double.
TEST(TriangleContains, AgreesWithSignedEdgeDistances) {
    ref::Random random(12);
    int checked = 0;
    for (int i = 0; i < 2000; ++i) {
        const Triangle triangle{{random.point(3), random.point(3), random.point(3)}};
        const ref::V3 p = ref::of(triangle[0]);
        const ref::V3 q = ref::of(triangle[1]);
        const ref::V3 r = ref::of(triangle[2]);
        const ref::V3 face = ref::cross(q - p, r - p);
        const double area2 = ref::length(face);
        if (area2 < 1.0) continue;  // thin slivers: edge tests are ill-conditioned in float
        const float u = random.uniform(-0.5f, 1.5f);
        const float v = random.uniform(-0.5f, 1.5f);
        const Point3D x =
            triangle[0] + u * (triangle[1] - triangle[0]) + v * (triangle[2] - triangle[0]);
        // Skipped when the float point lies close to any edge.
        double distances[3];
        ref::edgeDistances(p, q, r, ref::of(x), distances);
        bool nearEdge = false;
        bool inside = true;
        for (double distance : distances) {
            if (std::fabs(distance) < static_cast<double>(tol::kNearBoundary)) nearEdge = true;
            if (distance <= 0.0) inside = false;
        }
        if (nearEdge) continue;
        ++checked;
        EXPECT_EQ(triangle.contains(x), inside) << "case " << i;
    }
    EXPECT_GT(checked, 500);
}

TEST(BoxContains, InclusiveBoundsOnEveryAxis) {
    const Box box{Point3D(0, 0, 0), Point3D(1, 1, 1)};
    EXPECT_TRUE(box.contains(Point3D(1, 1, 1)));
    EXPECT_TRUE(box.contains(Point3D(0, 0.5f, 1)));
    EXPECT_TRUE(box.contains(Point3D(0, 0, 0)));
    EXPECT_FALSE(box.contains(Point3D(1.0001f, 0.5f, 0.5f)));
    EXPECT_FALSE(box.contains(Point3D(0.5f, -0.0001f, 0.5f)));
    EXPECT_FALSE(box.contains(Point3D(0.5f, 0.5f, 2)));
    EXPECT_FALSE(box.contains(Point3D(0.5f, kNaN, 0.5f)));
    // The second member is the maximum corner here, not a size.
    const Box shifted{Point3D(2, 2, 2), Point3D(3, 3, 3)};
    EXPECT_TRUE(shifted.contains(Point3D(2.5f, 3, 2)));
    EXPECT_FALSE(shifted.contains(Point3D(4, 4, 4)));
}

}  // namespace
