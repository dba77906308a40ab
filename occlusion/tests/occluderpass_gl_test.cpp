#include <gtest/gtest.h>

#include "occlusion/depthestimation.h"
#include "occlusion/globals.h"
#include "occlusion/occluderpass.h"
#include "occlusion/scenerenderer.h"
#include "occlusion/tests/glfixture.h"
#include "occlusion/tests/testscenes.h"
#include "occlusion/vertexsets.h"

namespace {

constexpr int kCells = kTestWindowSize / 10;

using OccluderPass = GlTest;

TEST_F(OccluderPass, ReadsExactOpacityBottomRowFirst) {
    // Two overlapping occluders filling the lower-left quarter of the view exactly: their right
    // and top sides project onto device x = 0 and y = 0, the middle of the image.
    Scene scene;
    setTestCamera(scene);
    addBox(scene, {-3, -3, -6}, {0, 0, -5}, kOccluderKind);
    addBox(scene, {-2, -2, -7}, {0, 0, -4}, kOccluderKind);
    addBox(scene, {0.5f, 0.5f, -6}, {1, 1, -5}, kObjectKind);  // not an occluder: not drawn
    computeVertexSets(scene);
    clearWindow(0.5f, 0.5f, 0.5f);
    renderOccluders(scene, kCells, kCells);
    const PixelImage level0 = readLevel0(kCells, kCells);
    ASSERT_EQ(level0.width(), kCells);
    ASSERT_EQ(level0.height(), kCells);
    for (int x = 0; x < kCells; ++x) {
        for (int y = 0; y < kCells; ++y) {
            ASSERT_EQ(level0[x][y], x < kCells / 2 && y < kCells / 2 ? 1.0f : 0.0f)
                << "cell " << x << ", " << y;
        }
    }
    EXPECT_TRUE(readLevel0(0, kCells).empty());
}

TEST_F(OccluderPass, ClearsOnlyItsViewportAndTheGridSetUpLikewise) {
    Scene scene;
    setTestCamera(scene);
    addBox(scene, {-1, -1, -6}, {1, 1, -5}, kOccluderKind);
    computeVertexSets(scene);
    clearWindow(0.0f, 1.0f, 0.0f);
    renderOccluders(scene, kCells, kCells);
    EXPECT_EQ(readPixel(kCells, kCells).g, 1.0f);
    EXPECT_EQ(readPixel(kCells, 0).g, 1.0f);
    EXPECT_EQ(readPixel(0, kCells).g, 1.0f);
    EXPECT_EQ(readPixel(kCells - 1, 0).g, 0.0f);  // cleared to black inside

    buildDepthEstimationBuffer(scene, kCells / 2, kCells / 2);
    EXPECT_TRUE(isWhite(readPixel(0, 0)));
    EXPECT_EQ(readPixel(kCells / 2, 0).r, 0.0f);  // the occluder image beyond the grid's viewport
    EXPECT_EQ(readPixel(kCells, kCells).g, 1.0f);

    // The scene pass turns the scissor off and clears the whole window.
    decideAndRenderScene(scene);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_TRUE(isWhite(readPixel(kTestWindowSize - 1, kTestWindowSize - 1)));
}

// The scene pass leaves back faces in outline mode; the next frame's occluder image must not
// depend on that.
TEST_F(OccluderPass, SecondFrameImageEqualsTheFirst) {
    Scene scene;
    setTestCamera(scene);
    for (int i = 0; i < 6; ++i) {
        const float x = -2.0f + 0.8f * static_cast<float>(i);
        addBox(scene, {x, -0.3f, -1.5f}, {x + 0.35f, 0.3f, 1.5f}, kOccluderKind);
    }
    computeVertexSets(scene);
    scene.modelView.translate(0.13f, 0.07f, -7.0f);
    scene.modelView.rotateX(-70.0f);
    scene.modelView.rotateZ(33.0f);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    std::vector<PixelImage> frames;
    for (int frame = 0; frame < 2; ++frame) {
        const FrameImageSizes sizes = frameImageSizes(kTestWindowSize, kTestWindowSize);
        buildOccluderImages(scene, sizes);
        frames.push_back(homPyramid[0]);
        buildFrameDepthGrid(scene, sizes);
        decideAndRenderScene(scene);
        clearFrameImages();
    }
    int covered = 0, differing = 0;
    for (int x = 0; x < kCells; ++x) {
        for (int y = 0; y < kCells; ++y) {
            covered += frames[0][x][y] == 1.0f ? 1 : 0;
            differing += frames[1][x][y] != frames[0][x][y] ? 1 : 0;
        }
    }
    ASSERT_GT(covered, 0);
    EXPECT_EQ(differing, 0);
}

}  // namespace
