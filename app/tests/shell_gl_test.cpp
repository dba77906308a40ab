// The shell's callbacks and camera model in a real GLUT window.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/camera.h"
#include "app/shell.h"
#include "app/view.h"
#include "occlusion/depthrules.h"
#include "occlusion/globals.h"
#include "occlusion/vertexsets.h"
#include "scene/demoscene.h"
#include "testing/glwindow.h"
#include "testing/tolerances.h"

namespace {

class Shell : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        createTestWindow(480, 480, "Class Quillon");
        buildDemoScene(scene);
        computeVertexSets(scene);
    }

    void SetUp() override {
        rotX = -90.0f;
        rotZ = 0.0f;
        panX = 0.0f;
        panY = 0.0f;
        zoom = -5.0f;
        lastX = lastY = 0;
        leftDown = middleDown = rightDown = false;
        glViewport(0, 0, 480, 480);
        if (redrawPending()) idle();
    }
};

TEST_F(Shell, IgnoredKeysRequestNoRedraw) {
    const bool antialias = scene.antialiasTextures;
    const DepthRule depthRule = scene.depthRule;
    for (unsigned char key : {'Q', 'A', 'G', '0', ' ', 'x'}) {
        keyboard(key, 10, 10);
        EXPECT_FALSE(redrawPending()) << "key " << key;
    }
    EXPECT_EQ(scene.antialiasTextures, antialias);
    EXPECT_EQ(scene.depthRule, depthRule);
    EXPECT_EQ(scene.objects.size(), 231u);
}

TEST_F(Shell, ToggleKeysFlipTheirFlagAndRedraw) {
    const bool antialias = scene.antialiasTextures;
    keyboard('a', 0, 0);
    EXPECT_EQ(scene.antialiasTextures, !antialias);
    EXPECT_TRUE(redrawPending());
    idle();
    EXPECT_FALSE(redrawPending()) << "the idle callback draws once and unregisters";

    // "g" steps through every rule in order and wraps around, each step a redraw.
    ASSERT_EQ(scene.depthRule, kDepthRules[0]);
    for (int step = 1; step <= kDepthRuleCount; ++step) {
        keyboard('g', 0, 0);
        EXPECT_EQ(scene.depthRule, kDepthRules[step % kDepthRuleCount]) << "step " << step;
        EXPECT_TRUE(redrawPending());
        idle();
    }
}

TEST_F(Shell, DigitRebuildKeepsTheCameraAndRestoresSwitches) {
    keyboard('a', 0, 0);
    keyboard('g', 0, 0);
    rotZ = 37.0f;
    zoom = -2.0f;
    panX = 12.0f;
    scene.objects.pop_back();
    keyboard('7', 0, 0);
    EXPECT_TRUE(redrawPending());
    EXPECT_EQ(lastDigit, 7);
    EXPECT_TRUE(scene.antialiasTextures);
    EXPECT_EQ(scene.depthRule, DepthRule::Farthest);
    ASSERT_EQ(scene.objects.size(), 231u);
    EXPECT_EQ(scene.objects.back().vertexSet.size(), 8u) << "vertex sets are rebuilt too";
    EXPECT_EQ(rotZ, 37.0f);
    EXPECT_EQ(zoom, -2.0f);
    EXPECT_EQ(panX, 12.0f);
}

TEST_F(Shell, WheelStepsChangeZoomPerReportedEvent) {
    mouse(3, GLUT_DOWN, 5, 5);
    mouse(3, GLUT_UP, 5, 5);
    EXPECT_EQ(zoom, -3.0f);
    mouse(4, GLUT_DOWN, 5, 5);
    EXPECT_EQ(zoom, -4.0f);
    EXPECT_TRUE(redrawPending());
    EXPECT_FALSE(scene.buttonHeld);
}

TEST_F(Shell, LeftDragTurnsAndRightDragPans) {
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    EXPECT_TRUE(scene.buttonHeld);
    motion(104, 102);
    motion(110, 105);
    mouse(GLUT_LEFT_BUTTON, GLUT_UP, 110, 105);
    EXPECT_FALSE(scene.buttonHeld);
    EXPECT_EQ(rotZ, 10.0f);
    EXPECT_EQ(rotX, -85.0f);

    // The press sets the reference point: the first motion counts from it, not from the last drag.
    mouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 300, 300);
    motion(400, 350);
    mouse(GLUT_RIGHT_BUTTON, GLUT_UP, 400, 350);
    EXPECT_EQ(panX, 100.0f);
    EXPECT_EQ(panY, 50.0f);
    EXPECT_EQ(rotZ, 10.0f);

    // Both buttons: angles and pan change together; the middle button alone changes nothing.
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    mouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    motion(3, 4);
    EXPECT_EQ(rotZ, 13.0f);
    EXPECT_EQ(panX, 103.0f);
    mouse(GLUT_LEFT_BUTTON, GLUT_UP, 3, 4);
    mouse(GLUT_RIGHT_BUTTON, GLUT_UP, 3, 4);
    mouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 3, 4);
    motion(50, 60);
    EXPECT_EQ(rotZ, 13.0f);
    EXPECT_EQ(panX, 103.0f);
    EXPECT_EQ(lastX, 50);
    mouse(GLUT_MIDDLE_BUTTON, GLUT_UP, 50, 60);
}

TEST_F(Shell, ReshapeKeepsTheViewportForZeroSizes) {
    reshape(300, 200);
    reshape(0, 100);
    reshape(100, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 300);
    EXPECT_EQ(viewport[3], 200);
    EXPECT_FALSE(redrawPending());
}

TEST_F(Shell, FrameEndsWithTheFullViewportAndEmptyPerFrameStructures) {
    drawFrame();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 480);
    EXPECT_EQ(viewport[3], 480);
    EXPECT_TRUE(homPyramid.empty());
    EXPECT_TRUE(debGrid.columns.empty());
    EXPECT_GT(scene.passedHom, 0);
}

// The scene's stacks against OpenGL's own frustum, translation and rotation matrices. GL uses
// full-precision pi, the stacks 3.14159, hence the tolerance.
TEST_F(Shell, StacksAgreeWithOpenGLsOwnMatrices) {
    rotX = -63.0f;
    rotZ = 140.0f;
    panX = 30.0f;
    panY = -12.0f;
    zoom = -2.0f;
    setView(scene, 640, 480);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    const double a = 640 * static_cast<double>(0.4f) / 480;
    const double b = static_cast<double>(0.4f);
    glFrustum(-a * 0.1, a * 0.1, -b * 0.1, b * 0.1, 0.1, 100.0);
    float gl[16];
    glGetFloatv(GL_PROJECTION_MATRIX, gl);
    glPopMatrix();
    float ours[16];
    scene.projection.toColumnMajor(ours);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(ours[i], gl[i], tol::kChain) << "projection " << i;

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0, 0, -3);
    glTranslatef(panX * 0.01f, -panY * 0.01f, zoom * 0.25f);
    glRotatef(rotX, 1, 0, 0);
    glRotatef(rotZ, 0, 0, 1);
    glGetFloatv(GL_MODELVIEW_MATRIX, gl);
    glPopMatrix();
    scene.modelView.toColumnMajor(ours);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(ours[i], gl[i], tol::kChain) << "model-view " << i;
}

}  // namespace
