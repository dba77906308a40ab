#include "app/view.h"

#include <gtest/gtest.h>

#include "app/camera.h"
#include "testing/tolerances.h"

namespace {

// Restores the initial camera state around each test.
class SetView : public ::testing::Test {
protected:
    void SetUp() override { resetCamera(); }
    void TearDown() override { resetCamera(); }
    static void resetCamera() {
        rotX = -90.0f;
        rotZ = 0.0f;
        panX = 0.0f;
        panY = 0.0f;
        zoom = -5.0f;
    }

    static Vector4D mapped(const Scene& scene, float x, float y, float z) {
        return scene.modelView.transform(Vector4D(x, y, z, 1.0f));
    }

    static void expectNear(const Vector4D& v, float x, float y, float z) {
        EXPECT_NEAR(v.x, x, tol::kChain);
        EXPECT_NEAR(v.y, y, tol::kChain);
        EXPECT_NEAR(v.z, z, tol::kChain);
        EXPECT_EQ(v.w, 1.0f);
    }

    Scene scene;
};

TEST_F(SetView, SquareWindowProjection) {
    setView(scene, 480, 480);
    const Matrix4x4& p = scene.projection.current;
    EXPECT_EQ(p[0][0], 1.0f / 0.4f);
    EXPECT_EQ(p[1][1], p[0][0]);
    EXPECT_NEAR(p[2][2], -1.002002f, tol::kFloat);
    EXPECT_NEAR(p[2][3], -0.2002002f, tol::kFloat);
    EXPECT_EQ(p[3][2], -1.0f);
    EXPECT_EQ(p[3][3], 0.0f);
}

TEST_F(SetView, LargerSideIsWidenedInProportion) {
    setView(scene, 960, 480);
    EXPECT_NEAR(scene.projection.current[0][0], 1.0f / 0.8f, tol::kFloat);
    EXPECT_NEAR(scene.projection.current[1][1], 2.5f, tol::kFloat);
    setView(scene, 480, 960);
    EXPECT_NEAR(scene.projection.current[0][0], 2.5f, tol::kFloat);
    EXPECT_NEAR(scene.projection.current[1][1], 1.0f / 0.8f, tol::kFloat);
}

TEST_F(SetView, InitialCameraLooksAlongSceneY) {
    setView(scene, 480, 480);
    expectNear(mapped(scene, 0, 0, 0), 0, 0, -4.25f);
    expectNear(mapped(scene, 0, 0, 1), 0, 1, -4.25f);  // scene up is screen up
    expectNear(mapped(scene, 0, 1, 0), 0, 0, -5.25f);  // scene +y points away
}

TEST_F(SetView, ZoomMovesTheOriginAlongTheViewAxis) {
    zoom = -4.0f;
    setView(scene, 480, 480);
    expectNear(mapped(scene, 0, 0, 0), 0, 0, -4.0f);
    zoom = 12.0f;
    setView(scene, 480, 480);
    expectNear(mapped(scene, 0, 0, 0), 0, 0, 0);
}

TEST_F(SetView, PanFollowsTheDragAtOneHundredPixelsPerUnit) {
    panX = 100.0f;
    panY = 50.0f;
    setView(scene, 480, 480);
    expectNear(mapped(scene, 0, 0, 0), 1, -0.5f, -4.25f);
}

TEST_F(SetView, SpinActsBeforeTilt) {
    rotZ = 90.0f;
    setView(scene, 480, 480);
    // Spinning by 90 degrees turns scene +x onto +y, which the tilt then sends away from the eye.
    expectNear(mapped(scene, 1, 0, 0), 0, 0, -5.25f);
}

TEST_F(SetView, CachedInversesMatchTheMatrices) {
    rotX = -63.0f;
    rotZ = 217.0f;
    panX = -31.0f;
    zoom = 3.0f;
    setView(scene, 640, 480);
    for (const TransformStack* stack : {&scene.projection, &scene.modelView}) {
        const Matrix4x4 product = stack->inverse * stack->current;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                EXPECT_NEAR(product[i][j], i == j ? 1.0f : 0.0f, tol::kInverse);
            }
        }
    }
}

}  // namespace
