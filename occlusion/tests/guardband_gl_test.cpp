#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "occlusion/glmatrices.h"
#include "occlusion/guardband.h"
#include "occlusion/occluderpass.h"
#include "occlusion/tests/glfixture.h"
#include "occlusion/tests/testscenes.h"
#include "occlusion/vertexsets.h"
#include "occlusion/visibility.h"

namespace {

constexpr int kSize = kTestWindowSize;
constexpr int kGuarded = kSize / 10 + 2;
// One step of a 24-bit depth buffer, and a little more for OpenGL's own arithmetic.
constexpr float kDepthStep = 2.0f / 16777215.0f;

// Device coordinate of the centre of guarded index g: cell g - 1 is sampled at window 10c + 5.
float sampleDevice(int g) {
    return (10.0f * static_cast<float>(g - kGuardCells) + 5.0f) * 2.0f / kSize - 1.0f;
}

struct DeviceRect {
    float x0, x1, y0, y1;
    bool contains(float x, float y) const { return x0 < x && x < x1 && y0 < y && y < y1; }
};

// A quad occluder facing the camera at depth z covering the device rectangle r.
void addDeviceQuad(Scene& scene, const DeviceRect& r, float z) {
    const float scale = -z / 2.5f;  // device x = 2.5 x / -z with the test camera
    addQuad(scene, r.x0 * scale, r.y0 * scale, r.x1 * scale, r.y1 * scale, z, kOccluderKind);
}

using GuardBand = GlTest;

// Quad edges on multiples of 1/24 in device units, halfway between the samples, which lie on odd
// multiples of 1/48: no sample is near an edge.
TEST_F(GuardBand, DepthMapSamplesTheNearestOccluderAtEveryCellCentreBeyondTheEdgesToo) {
    Scene scene;
    setTestCamera(scene);
    const DeviceRect far{-1.5f, 8.0f / 24, -11.0f / 24, 1.5f};  // reaches past the left and top
    const DeviceRect near{2.0f / 24, 14.0f / 24, -20.0f / 24, 5.0f / 24};
    addDeviceQuad(scene, far, -5.0f);
    addDeviceQuad(scene, near, -4.0f);
    computeVertexSets(scene);

    renderGuardedOccluders(scene, kSize, kSize, true);
    const PixelImage depth = readDepthImage(kGuarded, kGuarded);
    const PixelImage colour = readLevel0(kGuarded, kGuarded);
    ASSERT_EQ(depth.width(), kGuarded);
    ASSERT_EQ(depth.height(), kGuarded);
    const float nearDepth = (testCameraDepth(-4.0f) + 1.0f) / 2.0f;
    const float farDepth = (testCameraDepth(-5.0f) + 1.0f) / 2.0f;
    int guardCovered = 0;
    for (int gx = 0; gx < kGuarded; ++gx) {
        for (int gy = 0; gy < kGuarded; ++gy) {
            const float x = sampleDevice(gx), y = sampleDevice(gy);
            const float expected = near.contains(x, y)  ? nearDepth
                                   : far.contains(x, y) ? farDepth
                                                        : 1.0f;
            ASSERT_NEAR(depth[gx][gy], expected, kDepthStep) << "cell " << gx << ", " << gy;
            // Exactly the pixels whose depth an occluder lowered took its colour.
            ASSERT_EQ(coverageOfDepth(depth)[gx][gy], colour[gx][gy]);
            const bool guard = gx == 0 || gy == 0 || gx == kGuarded - 1 || gy == kGuarded - 1;
            guardCovered += guard && expected < 1.0f ? 1 : 0;
        }
    }
    EXPECT_GT(guardCovered, 0) << "the far quad should reach into the guard band";

    // The inner cells are the farthest rule's level 0 of the same view.
    renderOccluders(scene, kSize / 10, kSize / 10);
    const PixelImage level0 = readLevel0(kSize / 10, kSize / 10);
    EXPECT_EQ(innerCells(colour, kSize / 10, kSize / 10).columns, level0.columns);
}

// The conservative grid bounds an occluder that reaches behind the eye by its near-clipped
// hull. Checked against OpenGL's own clipping: every pixel it draws of such a box lies in the
// hull's rectangle at a depth no farther than the hull's farthest, and where the drawing lies
// inside the window the rectangle is tight.
TEST_F(GuardBand, NearClippedHullBoundsWhatOpenGLDrawsOfABoxReachingBehindTheEye) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int tight = 0, trials = 0;
    while (trials < 40) {
        Scene scene;
        setTestCamera(scene);
        Point3D lo, hi;
        if (trials % 2 == 0) {
            // Anywhere around the eye.
            scene.modelView.rotateX(360.0f * unit(random));
            scene.modelView.rotateZ(360.0f * unit(random));
            lo = {-2.0f * unit(random), -2.0f * unit(random), -2.0f * unit(random)};
            hi = {lo.x + 0.2f + 2.0f * unit(random), lo.y + 0.2f + 2.0f * unit(random),
                  lo.z + 0.2f + 2.0f * unit(random)};
        } else {
            // A thin rod from behind the eye into the view, close to the axis, so that what is
            // drawn of it stays inside the window.
            scene.modelView.rotateX(10.0f * unit(random) - 5.0f);
            scene.modelView.rotateY(10.0f * unit(random) - 5.0f);
            lo = {-0.002f - 0.008f * unit(random), -0.002f - 0.008f * unit(random), -3.0f};
            hi = {0.002f + 0.008f * unit(random), 0.002f + 0.008f * unit(random), 1.0f};
        }
        addBox(scene, lo, hi, kOccluderKind);
        computeVertexSets(scene);
        std::vector<Vector4D> slots;
        const std::vector<Vector4D>& set = scene.objects[0].vertexSet;
        if (projectVertexSet(set, scene.modelView, scene.projection, kSize, kSize, slots)) continue;
        ASSERT_TRUE(
            projectNearClippedHull(set, scene.modelView, scene.projection, kSize, kSize, slots));
        ++trials;

        const FilledPixels f = fillObjectAlone(scene, scene.objects[0]);
        if (f.x1 < 0) continue;  // nothing of the box in view
        const ScreenRect hull = boundingRect(slots, slots.size(), kSize, kSize);
        EXPECT_LE(hull.leftMost, f.x0);
        EXPECT_GE(hull.rightMost, f.x1);
        EXPECT_LE(hull.topMost, f.y0);
        EXPECT_GE(hull.bottomMost, f.y1);
        EXPECT_LE(f.deepest, (hull.deepMost + 1.0f) / 2.0f + kDepthStep);
        // Where the drawing lies inside the window, the rectangle is its bounding rectangle.
        if (f.x0 > 0 && f.x1 < kSize - 1 && f.y0 > 0 && f.y1 < kSize - 1) {
            ++tight;
            EXPECT_LE(f.x0 - hull.leftMost, 1);
            EXPECT_LE(hull.rightMost - f.x1, 1);
            EXPECT_LE(f.y0 - hull.topMost, 1);
            EXPECT_LE(hull.bottomMost - f.y1, 1);
        }
    }
    EXPECT_GT(tight, 10) << "too few drawings stayed inside the window";
}

}  // namespace
