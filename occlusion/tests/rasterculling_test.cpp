#include "occlusion/rasterculling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "math/matrix4x4.h"
#include "occlusion/tests/testscenes.h"
#include "occlusion/vectorprojection.h"
#include "occlusion/vertexsets.h"
#include "occlusion/visibility.h"

namespace {

// Boxes at random places and depths, some overlapping, some reaching past the window's edges,
// in a window whose sides are multiples of neither the tiles nor the cells: the pictures give,
// cell by cell, what a scan of every pixel of the buffer gives.
TEST(RasterCulling, PicturesAgreeWithAScanOfEveryPixel) {
    constexpr int kWidth = 133, kHeight = 91;
    constexpr int kLevel0Width = (kWidth + 9) / 10, kLevel0Height = (kHeight + 9) / 10;
    constexpr int kGridWidth = (kWidth + 19) / 20, kGridHeight = (kHeight + 19) / 20;
    std::mt19937 random(17);
    std::uniform_real_distribution<float> across(-1.2f, 1.2f), size(0.1f, 0.8f), depth(-9, -2);
    int partial = 0;
    for (int trial = 0; trial < 20; ++trial) {
        Scene scene;
        setTestCamera(scene);
        for (int k = 0; k < 6; ++k) {
            const float x = across(random), y = across(random), z = depth(random);
            const float s = size(random);
            addBox(scene, {x * -z / 2.5f, y * -z / 2.5f, z - s},
                   {(x + s) * -z / 2.5f, (y + s) * -z / 2.5f, z}, kOccluderKind);
        }
        RasterCulling raster;
        raster.build(scene, kWidth, kHeight);
        PixelImage level0, grid;
        raster.pictures(level0, kLevel0Width, kLevel0Height, grid, kGridWidth, kGridHeight);
        PixelImage covered, farthest;
        covered.resize(kLevel0Width, kLevel0Height);
        farthest.resize(kGridWidth, kGridHeight);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const float d = raster.buffer().depthAt(x, y);
                covered[x / 10][y / 10] += d < 1.0f ? 0.01f : 0.0f;
                farthest[x / 20][y / 20] = std::max(farthest[x / 20][y / 20], d);
            }
        }
        for (int cx = 0; cx < kLevel0Width; ++cx) {
            for (int cy = 0; cy < kLevel0Height; ++cy) {
                ASSERT_NEAR(level0[cx][cy], covered[cx][cy], 1e-5) << cx << ", " << cy;
                partial += level0[cx][cy] > 0.0f && level0[cx][cy] < 1.0f ? 1 : 0;
            }
        }
        for (int gx = 0; gx < kGridWidth; ++gx) {
            for (int gy = 0; gy < kGridHeight; ++gy) {
                ASSERT_EQ(grid[gx][gy], farthest[gx][gy]) << gx << ", " << gy;
            }
        }
    }
    EXPECT_GT(partial, 50);
}

// A window too big for the buffer holds no tile, so nothing in it is hidden: a box behind an
// occluder, its corners in the window, is seen there, and hidden in a window the buffer holds.
TEST(RasterCulling, AWindowTooBigForTheBufferHidesNothing) {
    Scene scene;
    setTestCamera(scene);
    addBox(scene, {-1, -1, -4}, {1, 1, -3}, kOccluderKind);
    addBox(scene, {-0.2f, -0.2f, -8}, {0.2f, 0.2f, -7}, kObjectKind);
    computeVertexSets(scene);
    const Matrix4x4 toClip = scene.projection.current * scene.modelView.current;
    const auto decide = [&](int width, int height) {
        RasterCulling raster;
        raster.build(scene, width, height);
        ScreenRect rect;
        DevicePoints points;
        EXPECT_TRUE(ProjectionSetup(toClip, width, height)
                        .projectedRect(scene.objects[1].vertexSet, rect, &points));
        return raster.test(rect, points.corners());
    };
    const Visibility tooBig = decide(OcclusionBuffer::kMaxSide + 1, 8);
    EXPECT_FALSE(tooBig.passedHom);
    EXPECT_FALSE(tooBig.passedDeb);
    EXPECT_TRUE(decide(64, 8).passedDeb);
}

}  // namespace
