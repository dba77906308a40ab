#include "math/vectors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "testing/tolerances.h"

namespace {

TEST(Vector4D, DefaultsToHomogeneousOrigin) {
    const Vector4D v;
    EXPECT_EQ(v, Vector4D(0, 0, 0, 1));
    EXPECT_NE(v, Vector4D(0, 0, 0, 0));
}

TEST(VectorNormalize, ThrowsZeroDivideAndLeavesVectorUnchanged) {
    Vector3D zero(0, 0, 0);
    EXPECT_THROW(zero.normalize(), ZeroDivide);
    EXPECT_THROW(zero.normalized(), ZeroDivide);
    EXPECT_EQ(zero, Vector3D(0, 0, 0));

    // The squared length underflows to zero in float, so the computed length is exactly zero.
    Vector3D tiny(1e-30f, 0, 0);
    EXPECT_THROW(tiny.normalize(), ZeroDivide);
    EXPECT_EQ(tiny, Vector3D(1e-30f, 0, 0));

    EXPECT_THROW(Vector2D(0, 0).normalized(), ZeroDivide);
    EXPECT_THROW(Vector4D(0, 0, 0, 0).normalized(), ZeroDivide);
}

TEST(VectorNormalize, DividesByLength) {
    const Vector3D v(3, 0, 4);
    EXPECT_EQ(v.normalized(), Vector3D(0.6f, 0, 0.8f));
    EXPECT_EQ(v, Vector3D(3, 0, 4)) << "normalized must not touch the original";
    Vector3D w = v;
    w.normalize();
    EXPECT_EQ(w, Vector3D(0.6f, 0, 0.8f));
    EXPECT_NEAR(Vector4D(1, 1, 1, 1).normalized().length(), 1.0f, tol::kFloat);

    // A NaN length is not zero, so it divides instead of throwing.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_NO_THROW(Vector3D(nan, 0, 0).normalized());
}

TEST(ToPoint3D, DividesByWAndThrowsForZeroW) {
    EXPECT_EQ(toPoint3D(Vector4D(2, 4, 6, 2)), Point3D(1, 2, 3));
    EXPECT_THROW(toPoint3D(Vector4D(2, 4, 6, 0)), ZeroDivide);
    EXPECT_THROW(toPoint3D(Vector4D(2, 4, 6, -0.0f)), ZeroDivide);
}

TEST(PointVectorArithmetic, PointsAndVectorsCombineByType) {
    const Point3D a(1, 1, 1);
    const Vector3D d = a - Point3D(0, 1, 2);
    EXPECT_EQ(d, Vector3D(1, 0, -1));
    EXPECT_EQ(a + d, Point3D(2, 1, 0));
    EXPECT_EQ(d + a, Point3D(2, 1, 0));
    EXPECT_EQ(a - d, Point3D(0, 1, 2));

    const Point2D p(1, 2);
    EXPECT_EQ(p - Point2D(3, 5), Vector2D(-2, -3));
    EXPECT_EQ(p + Vector2D(1, 1), Point2D(2, 3));

    Vector3D v(1, 2, 3);
    v += Vector3D(1, 1, 1);
    v -= Vector3D(0, 0, 2);
    EXPECT_EQ(v, Vector3D(2, 3, 2));
    EXPECT_EQ(v * 2.0f, 2.0f * v);
    EXPECT_EQ(v * 2.0f, Vector3D(4, 6, 4));
    EXPECT_EQ(v / 2.0f, Vector3D(1, 1.5f, 1));
    // Division is a true division, not a multiplication by the reciprocal.
    EXPECT_EQ((Vector3D(1, 0, 0) / 3.0f).x, 1.0f / 3.0f);
}

TEST(VectorEquality, ExactWithSignedZerosEqualAndNaNUnequal) {
    EXPECT_NE(Point3D(1, 2, 3), Point3D(1, 2, 3.001f));
    EXPECT_EQ(Vector3D(0.0f, 1, 2), Vector3D(-0.0f, 1, 2));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_NE(Vector4D(nan, 0, 0, 1), Vector4D(nan, 0, 0, 1));
    EXPECT_TRUE(Point2D(1, 2) != Point2D(1, 3));
}

TEST(DotAndCross, FollowTheRightHandRule) {
    EXPECT_EQ(cross(Vector3D(1, 0, 0), Vector3D(0, 1, 0)), Vector3D(0, 0, 1));
    EXPECT_EQ(cross(Vector3D(0, 1, 0), Vector3D(1, 0, 0)), Vector3D(0, 0, -1));
    EXPECT_EQ(dot(Vector3D(1, 2, 3), Vector3D(4, 5, 6)), 32.0f);
    EXPECT_EQ(dot(Vector2D(1, 2), Vector2D(3, 4)), 11.0f);
    EXPECT_EQ(dot(Vector4D(1, 2, 3, 4), Vector4D(1, 1, 1, 1)), 10.0f);
    // The 3D product sums (x + y) first: 1e8 - 1e8 cancels before the 1 is added.
    EXPECT_EQ(dot(Vector3D(1e8f, -1e8f, 1), Vector3D(1, 1, 1)), 1.0f);
}

TEST(Components, IndexAndRangeMatchStorageOrder) {
    Vector4D v(1, 2, 3, 4);
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[3], 4.0f);
    v[2] = 7;
    EXPECT_EQ(v.z, 7.0f);
    EXPECT_EQ(v.end() - v.begin(), 4);
    EXPECT_EQ(static_cast<const void*>(&v), static_cast<const void*>(v.begin()));
    Point3D p(5, 6, 7);
    EXPECT_EQ(p[1], 6.0f);
}

TEST(DegreesToRadians, UsesTheSystemsPiConstant) {
    EXPECT_EQ(degreesToRadians(180.0f), 3.14159f);
    EXPECT_NE(degreesToRadians(180.0f), static_cast<float>(M_PI));
    EXPECT_EQ(degreesToRadians(90.0f), static_cast<float>(90.0 * 3.14159 / 180.0));
}

}  // namespace
