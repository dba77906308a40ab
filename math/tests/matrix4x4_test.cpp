#include "math/matrix4x4.h"

#include <gtest/gtest.h>

#include <random>

#include "testing/tolerances.h"

namespace {

Matrix4x4 sample() {
    return Matrix4x4(Vector4D(1, 2, 3, 4), Vector4D(0, 1, 5, -2), Vector4D(3, 0, 1, 1),
                     Vector4D(2, -1, 0, 1));
}

Matrix4x4 translation(float x, float y, float z) {
    return Matrix4x4(Vector4D(1, 0, 0, x), Vector4D(0, 1, 0, y), Vector4D(0, 0, 1, z),
                     Vector4D(0, 0, 0, 1));
}

void expectNearMatrix(const Matrix4x4& a, const Matrix4x4& b, float tolerance) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(a[i][j], b[i][j], tolerance) << i << "," << j;
    }
}

TEST(Matrix4x4, DefaultRowsAreHomogeneousOrigins) {
    const Matrix4x4 m;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(m[i], Vector4D(0, 0, 0, 1));
    Matrix4x4 id;
    id.identity();
    EXPECT_EQ(id, identityMatrix());
}

TEST(Matrix4x4, ProductWithIdentityAndSquaring) {
    const Matrix4x4 m = sample();
    EXPECT_EQ(identityMatrix() * m, m);
    EXPECT_EQ(m * identityMatrix(), m);

    // m *= m must read both operands before writing.
    Matrix4x4 squared = m;
    squared *= squared;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double expected = 0.0;
            for (int k = 0; k < 4; ++k) {
                expected += static_cast<double>(m[i][k]) * static_cast<double>(m[k][j]);
            }
            EXPECT_EQ(squared[i][j], static_cast<float>(expected));
        }
    }
}

TEST(Matrix4x4, ProductIsSummedInDoubleAndRoundedOnce) {
    // In float, 1e8 + 1 - 1e8 would lose the 1.
    const Matrix4x4 a(Vector4D(1e8f, 1, -1e8f, 0), Vector4D(0, 1, 0, 0), Vector4D(0, 0, 1, 0),
                      Vector4D(0, 0, 0, 1));
    const Matrix4x4 b(Vector4D(1, 0, 0, 0), Vector4D(1, 1, 0, 0), Vector4D(1, 0, 1, 0),
                      Vector4D(0, 0, 0, 1));
    EXPECT_EQ((a * b)[0][0], 1.0f);
}

TEST(Matrix4x4, PointsTranslateAndDirectionsDoNot) {
    const Matrix4x4 t = translation(1, 2, 3);
    EXPECT_EQ(t * Point3D(1, 1, 1), Vector4D(2, 3, 4, 1));
    EXPECT_EQ(t * Vector3D(1, 1, 1), Vector4D(1, 1, 1, 0));
    EXPECT_EQ(t * Vector4D(1, 1, 1, 2), Vector4D(3, 5, 7, 2));
}

TEST(Invert, KnownInverses) {
    Matrix4x4 out;
    ASSERT_TRUE(invert(identityMatrix(), out));
    EXPECT_EQ(out, identityMatrix());

    const Matrix4x4 swap(Vector4D(0, 1, 0, 0), Vector4D(1, 0, 0, 0), Vector4D(0, 0, 1, 0),
                         Vector4D(0, 0, 0, 1));
    ASSERT_TRUE(invert(swap, out));
    EXPECT_EQ(out, swap);

    ASSERT_TRUE(invert(translation(1, 2, 3), out));
    EXPECT_EQ(out, translation(-1, -2, -3));
}

TEST(Invert, SingularMatricesFailAndLeaveOutputUntouched) {
    const Matrix4x4 sentinel = sample();
    Matrix4x4 out = sentinel;
    const Matrix4x4 zero(Vector4D(0, 0, 0, 0), Vector4D(0, 0, 0, 0), Vector4D(0, 0, 0, 0),
                         Vector4D(0, 0, 0, 0));
    EXPECT_FALSE(invert(zero, out));
    EXPECT_EQ(out, sentinel);

    const Matrix4x4 equalRows(Vector4D(1, 2, 3, 4), Vector4D(5, 6, 7, 8), Vector4D(1, 2, 3, 4),
                              Vector4D(0, 0, 1, 1));
    EXPECT_FALSE(invert(equalRows, out));
    EXPECT_EQ(out, sentinel);

    // A zero last column makes the final pivot exactly zero.
    const Matrix4x4 lastZero(Vector4D(1, 0, 0, 0), Vector4D(0, 1, 0, 0), Vector4D(0, 0, 1, 0),
                             Vector4D(0, 0, 0, 0));
    EXPECT_FALSE(invert(lastZero, out));
    EXPECT_EQ(out, sentinel);
}

TEST(Invert, InverseTimesMatrixIsIdentityForRandomMatrices) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> entry(-1.0f, 1.0f);
    for (int trial = 0; trial < 500; ++trial) {
        // Diagonal dominance keeps every sample well conditioned.
        Matrix4x4 m;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) m[i][j] = entry(rng);
            m[i][i] += (m[i][i] < 0.0f ? -4.0f : 4.0f);
        }
        Matrix4x4 inverse;
        ASSERT_TRUE(invert(m, inverse));
        expectNearMatrix(inverse * m, identityMatrix(), tol::kInverse);
        expectNearMatrix(m * inverse, identityMatrix(), tol::kInverse);
    }
}

TEST(LookAt, BuildsTheOpenGLViewingMatrix) {
    const Matrix4x4 m = lookAt(Point3D(0, 0, 5), Point3D(0, 0, 0), Vector3D(0, 1, 0));
    const Matrix4x4 expected(Vector4D(1, 0, 0, 0), Vector4D(0, 1, 0, 0), Vector4D(0, 0, 1, -5),
                             Vector4D(0, 0, 0, 1));
    expectNearMatrix(m, expected, tol::kFloat);

    // The eye goes to the origin, the centre straight ahead on -z.
    const Matrix4x4 general = lookAt(Point3D(1, 2, 3), Point3D(4, -2, 3), Vector3D(0, 0, 1));
    const Vector4D eye = general * Point3D(1, 2, 3);
    const Vector4D centre = general * Point3D(4, -2, 3);
    EXPECT_NEAR(eye.x, 0, tol::kChain);
    EXPECT_NEAR(eye.y, 0, tol::kChain);
    EXPECT_NEAR(eye.z, 0, tol::kChain);
    EXPECT_NEAR(centre.x, 0, tol::kChain);
    EXPECT_NEAR(centre.y, 0, tol::kChain);
    EXPECT_NEAR(centre.z, -5, tol::kChain);
}

TEST(LookAt, DegenerateViewsThrowZeroDivide) {
    EXPECT_THROW(lookAt(Point3D(1, 1, 1), Point3D(1, 1, 1), Vector3D(0, 1, 0)), ZeroDivide);
    EXPECT_THROW(lookAt(Point3D(0, 0, 5), Point3D(0, 0, 0), Vector3D(0, 0, 1)), ZeroDivide);
    EXPECT_THROW(lookAt(Point3D(0, 0, 5), Point3D(0, 0, 0), Vector3D(0, 0, 0)), ZeroDivide);
}

TEST(PerspectiveDepth01, MapsNearToZeroAndFarToOne) {
    const Matrix4x4 p = perspectiveDepth01(1, 1, 1, 10);
    EXPECT_NEAR(toPoint3D(p * Point3D(0, 0, 1)).z, 0.0f, tol::kFloat);
    EXPECT_NEAR(toPoint3D(p * Point3D(0, 0, 10)).z, 1.0f, tol::kFloat);
    EXPECT_NEAR(toPoint3D(p * Point3D(1, 0, 1)).x, 1.0f, tol::kFloat);
}

}  // namespace
