#include "geometry/measures.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/tests/reference.h"
#include "testing/tolerances.h"

namespace {

const float kPi = 3.14159265f;

TEST(DistancePointPlane, UnsignedAndIndependentOfNormalLength) {
    EXPECT_EQ(distancePointPlane(Point3D(0, 0, 5), Plane(0, 0, 2, -2)), 4.0f);
    EXPECT_EQ(distancePointPlane(Point3D(0, 0, -3), Plane(0, 0, 2, -2)), 4.0f);
    EXPECT_EQ(distancePointPlane(Point3D(7, -1, 1), Plane(0, 0, -8, 8)), 0.0f);
    EXPECT_THROW(distancePointPlane(Point3D(1, 2, 3), Plane(0, 0, 0, 1)), ZeroDivide);
}

TEST(DistancePointLine, ZeroDirectionThrowsAndLengthDoesNotMatter) {
    EXPECT_EQ(distancePointLine(Point3D(3, 4, 7), Line(Point3D(0, 0, 1), Vector3D(0, 0, 9))), 5.0f);
    EXPECT_EQ(distancePointLine(Point3D(3, 4, 7), Line(Point3D(0, 0, 1), Vector3D(0, 0, -0.1f))),
              5.0f);
    EXPECT_THROW(distancePointLine(Point3D(1, 0, 0), Line()), ZeroDivide);
}

// Both distances against the length from the point to its closest point, constructed in double.
TEST(Distances, AgreeWithClosestPointConstructions) {
    ref::Random random(21);
    for (int i = 0; i < 1000; ++i) {
        const Point3D p = random.point(5);
        const Line line(random.point(5), random.vector(2));
        const ref::V3 o = ref::of(line.origin);
        const ref::V3 d = ref::of(line.direction);
        if (ref::length(d) < 0.1) continue;
        const ref::V3 foot = o + (ref::dot(ref::of(p) - o, d) / ref::dot(d, d)) * d;
        const double lineDistance = ref::length(ref::of(p) - foot);
        EXPECT_NEAR(static_cast<double>(distancePointLine(p, line)), lineDistance,
                    static_cast<double>(tol::kQueryPoint) * std::fmax(1.0, lineDistance));

        const Plane plane(random.uniform(-3, 3), random.uniform(-3, 3), random.uniform(-3, 3),
                          random.uniform(-5, 5));
        const ref::V3 n = ref::of(plane.normal());
        if (ref::length(n) < 0.1) continue;
        const ref::V3 onPlane =
            ref::of(p) -
            ((ref::dot(n, ref::of(p)) + static_cast<double>(plane.d)) / ref::dot(n, n)) * n;
        const double planeDistance = ref::length(ref::of(p) - onPlane);
        EXPECT_NEAR(static_cast<double>(distancePointPlane(p, plane)), planeDistance,
                    static_cast<double>(tol::kQueryPoint) * std::fmax(1.0, planeDistance));
    }
}

TEST(Angles, DirectionsAndSigns) {
    const Line x(Point3D(0, 0, 0), Vector3D(1, 0, 0));
    EXPECT_EQ(angleLines(x, Line(Point3D(5, 5, 5), Vector3D(3, 0, 0))), 0.0f);
    EXPECT_NEAR(angleLines(x, Line(Point3D(0, 0, 0), Vector3D(-3, 0, 0))), kPi, tol::kFloat);
    EXPECT_NEAR(angleLines(x, Line(Point3D(0, 0, 0), Vector3D(0, 2, 0))), kPi / 2, tol::kFloat);
    EXPECT_NEAR(angleLines(x, Line(Point3D(0, 0, 0), Vector3D(1, 1, 0))), kPi / 4, tol::kFloat);

    // A line in the plane: 1.570795 - acos(0), close to 0 but not 0, because the right angle
    // is half of 3.14159.
    const float inPlane = angleLinePlane(x, Plane(0, 0, 1, 0));
    EXPECT_NE(inPlane, 0.0f);
    EXPECT_NEAR(inPlane, 0.0f, tol::kChain);
    EXPECT_EQ(angleLinePlane(Line(Point3D(0, 0, 0), Vector3D(0, 0, 4)), Plane(0, 0, 2, 1)),
              kHalfPi);
    EXPECT_NEAR(angleLinePlane(Line(Point3D(0, 0, 0), Vector3D(0, 0, -4)), Plane(0, 0, 2, 1)),
                kHalfPi - kPi, tol::kFloat);

    EXPECT_EQ(anglePlanes(Plane(0, 3, 0, 1), Plane(0, 1, 0, -7)), 0.0f);
    EXPECT_NEAR(anglePlanes(Plane(0, 3, 0, 1), Plane(0, -1, 0, 0)), kPi, tol::kFloat);
    EXPECT_NEAR(anglePlanes(Plane(0, 3, 0, 1), Plane(1, 0, 0, 0)), kPi / 2, tol::kFloat);
}

TEST(Angles, ZeroDirectionOrNormalThrows) {
    const Line zero;
    const Line x(Point3D(0, 0, 0), Vector3D(1, 0, 0));
    const Plane flat(0, 0, 0, 1);
    const Plane z(0, 0, 1, 0);
    EXPECT_THROW(angleLines(zero, x), ZeroDivide);
    EXPECT_THROW(angleLines(x, zero), ZeroDivide);
    EXPECT_THROW(angleLinePlane(zero, z), ZeroDivide);
    EXPECT_THROW(angleLinePlane(x, flat), ZeroDivide);
    EXPECT_THROW(anglePlanes(flat, z), ZeroDivide);
    EXPECT_THROW(linePerpendicularToPlane(zero, z), ZeroDivide);
    EXPECT_THROW(linePerpendicularToPlane(x, flat), ZeroDivide);
}

// (1, 1, 4) normalised in float has a dot product with itself just above 1; without the clamp
// the arc cosine of it is NaN.
TEST(Angles, RoundingBeyondUnitCosineGivesNoNaN) {
    const Vector3D v(1, 1, 4);
    const Vector3D unit = v.normalized();
    ASSERT_GT(dot(unit, unit), 1.0f);
    ASSERT_LT(dot(unit, (-1.0f * v).normalized()), -1.0f);

    const Line line(Point3D(0, 0, 0), v);
    EXPECT_EQ(angleLines(line, line), 0.0f);
    EXPECT_EQ(angleLines(line, Line(Point3D(1, 2, 3), -1.0f * v)), std::acos(-1.0f));
    EXPECT_EQ(angleLinePlane(line, Plane(1, 1, 4, 0)), kHalfPi);
    EXPECT_EQ(anglePlanes(Plane(1, 1, 4, 2), Plane(1, 1, 4, -2)), 0.0f);
    EXPECT_EQ(anglePlanes(Plane(1, 1, 4, 2), Plane(-1, -1, -4, 0)), std::acos(-1.0f));
}

TEST(RelationPredicates, TolerancesAndExactTests) {
    const Line x(Point3D(0, 0, 0), Vector3D(1, 0, 0));
    {
        // Lines through (0, 0, 0) along x and through (0, 0, h) along y: the triple product is h.
        EXPECT_TRUE(linesCoplanar(x, Line(Point3D(0, 0, 0.00009f), Vector3D(0, 1, 0))));
        EXPECT_FALSE(linesCoplanar(x, Line(Point3D(0, 0, 0.00011f), Vector3D(0, 1, 0))));
        EXPECT_TRUE(linesCoplanar(x, Line(Point3D(0, 0, 7), Vector3D(2, 0, 0))));  // parallel
    }
    {
        EXPECT_TRUE(linesParallel(x, Line(Point3D(0, 5, 0), Vector3D(-3, 0, 0))));
        EXPECT_FALSE(linesParallel(x, Line(Point3D(0, 0, 0), Vector3D(1, 0.000001f, 0))));
        EXPECT_TRUE(linesParallel(x, Line()));  // a zero direction is parallel to everything
    }
    {
        const Plane z(0, 0, 2, 0);  // not normalised: the tolerance applies to 2 * direction.z
        EXPECT_TRUE(lineParallelToPlane(Line(Point3D(0, 0, 0), Vector3D(1, 0, 0.00004f)), z));
        EXPECT_FALSE(lineParallelToPlane(Line(Point3D(0, 0, 0), Vector3D(1, 0, 0.00006f)), z));
    }
    {
        EXPECT_TRUE(planesParallel(Plane(0, 0, 1, 0), Plane(0, 0, -5, 3)));
        EXPECT_FALSE(planesParallel(Plane(0, 0, 1, 0), Plane(0.000001f, 0, 1, 0)));
    }
    {
        EXPECT_TRUE(linesPerpendicular(x, Line(Point3D(0, 0, 0), Vector3D(0.0000009f, 1, 0))));
        EXPECT_FALSE(linesPerpendicular(x, Line(Point3D(0, 0, 0), Vector3D(0.0000011f, 1, 0))));
        // Directions are not normalised: a long direction scales the dot product.
        EXPECT_FALSE(linesPerpendicular(Line(Point3D(0, 0, 0), Vector3D(1000, 0, 0)),
                                        Line(Point3D(0, 0, 0), Vector3D(0.0000009f, 1, 0))));
    }
    {
        const Plane z(0, 0, 1, 0);
        EXPECT_TRUE(linePerpendicularToPlane(Line(Point3D(0, 0, 0), Vector3D(0, 0, 5)), z));
        EXPECT_FALSE(linePerpendicularToPlane(Line(Point3D(0, 0, 0), Vector3D(0, 0, -1)), z));
        EXPECT_FALSE(linePerpendicularToPlane(Line(Point3D(0, 0, 0), Vector3D(0.001f, 0, 1)), z));
    }
    {
        EXPECT_TRUE(planesPerpendicular(Plane(1, 0, 0, 0), Plane(0, 3, 3, 1)));
        EXPECT_FALSE(planesPerpendicular(Plane(1, 0, 0, 0), Plane(0.000001f, 3, 3, 1)));
    }
}

TEST(PointsCoplanar, ThresholdOnTheDeterminant) {
    const Point3D p(0, 0, 0), q(1, 0, 0), r(0, 1, 0);
    EXPECT_TRUE(pointsCoplanar(p, q, r, Point3D(5, 7, 0)));
    EXPECT_TRUE(pointsCoplanar(p, q, r, Point3D(0, 0, 0.0009f)));
    EXPECT_FALSE(pointsCoplanar(p, q, r, Point3D(0, 0, 0.0011f)));
    EXPECT_FALSE(pointsCoplanar(p, q, r, Point3D(0, 0, -0.0011f)));
    // Small volumes far from the origin: the products of three coordinates reach 1e9, where
    // rounding each to float alone would be far larger than the threshold. The offsets in z are
    // whole units in the last place of 1000 (2^-14), so the volumes are exactly 14 and 17 of
    // them: 0.00085 and 0.00104.
    const float far = 1000.0f;
    const float ulp = std::ldexp(1.0f, -14);
    const Point3D pf(far, far, far), qf(far + 1, far, far), rf(far, far + 1, far);
    EXPECT_TRUE(pointsCoplanar(pf, qf, rf, Point3D(far + 3, far - 2, far + 14 * ulp)));
    EXPECT_FALSE(pointsCoplanar(pf, qf, rf, Point3D(far + 3, far - 2, far + 17 * ulp)));
    EXPECT_FALSE(pointsCoplanar(pf, qf, rf, Point3D(far + 3, far - 2, far - 17 * ulp)));
}

// Against the triple product (q - p) . ((r - p) x (s - p)) in double, which equals the
// determinant up to sign.
TEST(PointsCoplanar, AgreesWithTripleProduct) {
    ref::Random random(22);
    int coplanarCount = 0;
    for (int i = 0; i < 2000; ++i) {
        const Point3D p = random.point(2), q = random.point(2), r = random.point(2);
        Point3D s = random.point(2);
        if (i % 2 == 0) {
            // Nearly coplanar: s in the plane of p, q, r, then nudged off it.
            s = p + random.uniform(-1, 1) * (q - p) + random.uniform(-1, 1) * (r - p) +
                random.uniform(-0.002f, 0.002f) * Vector3D(0, 0, 1);
        }
        const ref::V3 pd = ref::of(p);
        const double volume =
            std::fabs(ref::dot(ref::of(q) - pd, ref::cross(ref::of(r) - pd, ref::of(s) - pd)));
        if (std::fabs(volume - kCoplanarEps) <
            static_cast<double>(tol::kNearBoundary) * kCoplanarEps) {
            continue;
        }
        const bool expected = volume < kCoplanarEps;
        if (expected) ++coplanarCount;
        EXPECT_EQ(pointsCoplanar(p, q, r, s), expected) << "case " << i;
    }
    EXPECT_GT(coplanarCount, 100);
}

}  // namespace
