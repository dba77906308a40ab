#include "math/transformstack.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "testing/tolerances.h"

namespace {

TEST(TransformStack, StartsAtIdentityWithNothingSaved) {
    const TransformStack s;
    EXPECT_EQ(s.current, identityMatrix());
    EXPECT_EQ(s.inverse, identityMatrix());
    EXPECT_TRUE(s.saved.empty());
}

TEST(TransformStack, PushAndPopRestoreExactly) {
    TransformStack s;
    s.rotateZ(33);
    s.push();
    const Matrix4x4 before = s.current;
    s.push();
    s.translate(1, 2, 3);
    s.pop();
    EXPECT_EQ(s.current, before);
    EXPECT_EQ(s.saved.size(), 1u);
    s.pop();
    EXPECT_EQ(s.current, before);
    EXPECT_TRUE(s.saved.empty());
}

TEST(TransformStack, PopOnEmptyStackThrowsNamingTheMisuse) {
    TransformStack s;
    s.translate(1, 0, 0);
    const Matrix4x4 before = s.current;
    try {
        s.pop();
        FAIL() << "pop on an empty stack must throw";
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("pop"), std::string::npos);
    }
    EXPECT_EQ(s.current, before);
}

TEST(TransformStack, LastOperationActsFirst) {
    TransformStack s;
    s.translate(1, 0, 0);
    s.rotateZ(90);
    const Vector4D p = s.transform(Vector4D(1, 0, 0, 1));
    // cos(90 degrees) is about 1.3e-6 rather than 0 with the constant 3.14159.
    EXPECT_NEAR(p.x, 1, tol::kChain);
    EXPECT_NEAR(p.y, 1, tol::kChain);
    EXPECT_NEAR(p.z, 0, tol::kChain);
    EXPECT_EQ(p.w, 1);
}

TEST(TransformStack, RotationsUseTheSystemsPiAndAreRightHanded) {
    TransformStack x;
    x.rotateX(90);
    EXPECT_NEAR(x.current[1][1], 1.2676e-6f, 1e-9f);
    EXPECT_EQ(x.current[1][1], x.current[2][2]);
    EXPECT_EQ(x.current[2][1], 1.0f);
    EXPECT_EQ(x.current[1][2], -1.0f);

    // Counter-clockwise seen from the positive end of each axis.
    TransformStack y;
    y.rotateY(90);
    const Vector4D zToX = y.transform(Vector4D(0, 0, 1, 0));
    EXPECT_NEAR(zToX.x, 1, tol::kFloat);
    TransformStack z;
    z.rotateZ(90);
    const Vector4D xToY = z.transform(Vector4D(1, 0, 0, 0));
    EXPECT_NEAR(xToY.y, 1, tol::kFloat);
}

TEST(TransformStack, PerspectiveEntries) {
    TransformStack s;
    s.perspective(0.4f, 0.4f, 0.1f, 100.0f);
    EXPECT_EQ(s.current[0][0], 2.5f);
    EXPECT_EQ(s.current[1][1], 2.5f);
    EXPECT_NEAR(s.current[2][2], -1.002002f, tol::kFloat);
    EXPECT_NEAR(s.current[2][3], -0.2002002f, tol::kFloat);
    EXPECT_EQ(s.current[3][2], -1.0f);
    EXPECT_EQ(s.current[3][3], 0.0f);
    // Near maps to -1 and far to +1 after the division by w.
    EXPECT_NEAR(toPoint3D(s.transform(Vector4D(0, 0, -0.1f, 1))).z, -1.0f, tol::kChain);
    EXPECT_NEAR(toPoint3D(s.transform(Vector4D(0, 0, -100.0f, 1))).z, 1.0f, tol::kChain);
}

TEST(TransformStack, InverseIsRefreshedOnlyOnRequest) {
    TransformStack s;
    s.translate(1, 2, 3);
    EXPECT_EQ(s.inverse, identityMatrix()) << "inverse must stay stale until updateInverse";
    ASSERT_TRUE(s.updateInverse());
    EXPECT_EQ(s.inverseTransform(Vector4D(1, 2, 3, 1)), Vector4D(0, 0, 0, 1));

    const Matrix4x4 good = s.inverse;
    s.scale(0, 1, 1);
    EXPECT_FALSE(s.updateInverse());
    EXPECT_EQ(s.inverse, good);
}

TEST(TransformStack, ScaleMultipliesAxes) {
    TransformStack s;
    s.scale(2, 3, 4);
    EXPECT_EQ(s.transform(Vector4D(1, 1, 1, 1)), Vector4D(2, 3, 4, 1));
}

TEST(TransformStack, ColumnMajorPutsTranslationAt12To14) {
    TransformStack s;
    s.translate(5, 6, 7);
    s.current[1][0] = 9;
    float m[16];
    s.toColumnMajor(m);
    EXPECT_EQ(m[12], 5.0f);
    EXPECT_EQ(m[13], 6.0f);
    EXPECT_EQ(m[14], 7.0f);
    EXPECT_EQ(m[1], 9.0f);
    EXPECT_EQ(m[15], 1.0f);
}

}  // namespace
