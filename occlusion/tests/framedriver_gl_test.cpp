#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "occlusion/depthrules.h"
#include "occlusion/framedriver.h"
#include "occlusion/globals.h"
#include "occlusion/overlays.h"
#include "occlusion/tests/glfixture.h"
#include "occlusion/tests/testscenes.h"
#include "occlusion/vertexsets.h"
#include "testing/tolerances.h"

namespace {

constexpr int kSize = kTestWindowSize;

// An occluder filling window 120 to 360 in both directions, and behind it, in front of it and
// beside it one small red box each.
Scene occludedScene() {
    Scene scene = litScene();
    scene.setMaterial(Color(0, 0, 1, 1), Color(0, 0, 0, 1), 0);
    addBox(scene, {-1, -1, -6}, {1, 1, -5}, kOccluderKind);
    scene.setMaterial(Color(1, 0, 0, 1), Color(0, 0, 0, 1), 0);
    addBox(scene, {-0.2f, -0.2f, -9}, {0.2f, 0.2f, -8}, kObjectKind);    // hidden
    addBox(scene, {0.3f, -0.1f, -4}, {0.5f, 0.1f, -3.5f}, kObjectKind);  // in front
    addBox(scene, {3, -0.2f, -9}, {3.4f, 0.2f, -8}, kObjectKind);        // beside
    computeVertexSets(scene);
    return scene;
}

bool isLitRed(const Rgb& c) { return c.r > 0.5f && c.g == 0.0f && c.b == 0.0f; }

// GL row of the pixel lit by an overlay point sent at y (top-left origin) in the test window.
int overlayRow(int y) { return kSize - y; }

using FrameDriver = GlTest;

TEST_F(FrameDriver, CountsTestsAndLeavesNoImagesBehind) {
    Scene scene = occludedScene();
    scene.passedHom = scene.passedDeb = 7;  // last frame's values must not leak in
    renderFrame(scene, kSize, kSize);
    EXPECT_EQ(scene.passedHom, 2);
    EXPECT_EQ(scene.passedDeb, 1);
    EXPECT_TRUE(homPyramid.empty());
    EXPECT_TRUE(debGrid.columns.empty());
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, kSize, kSize}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // The hidden box is not drawn (the occluder is only an outline); the one in front is.
    EXPECT_TRUE(isWhite(readPixel(kSize / 2, kSize / 2)));
    EXPECT_TRUE(isLitRed(readPixel(308, kSize / 2)));

    // Level 0 in the overlay: the occluder's cells (12 to 35) white, the others black; the grid
    // below it holds the occluder's far depth over cells 6 to 17.
    EXPECT_TRUE(isWhite(readPixel(2 + 24, overlayRow(2 + 47 - 23))));
    EXPECT_TRUE(isBlack(readPixel(2 + 5, overlayRow(2 + 47 - 5))));
    const Rgb cell = readPixel(2 + 12, overlayRow(53 + 23 - 12));
    EXPECT_NEAR(cell.r, testCameraDepth(-6), tol::kColourStep);
    EXPECT_TRUE(isWhite(readPixel(2 + 2, overlayRow(53 + 23 - 2))));

    // Without occluders nothing passes: the counters start from 0 every frame.
    for (Object& object : scene.objects) object.occluder = false;
    renderFrame(scene, kSize, kSize);
    EXPECT_EQ(scene.passedHom, 0);
    EXPECT_EQ(scene.passedDeb, 0);
}

TEST_F(FrameDriver, StatusLineShowsTheCountsAtTheBottomLeft) {
    Scene scene = occludedScene();
    renderFrame(scene, kSize, kSize);
    const std::vector<Rgb> band = readBlock(0, 0, kSize, 40);

    // The same text drawn alone over a white window gives the same pixels.
    clearWindow(1, 1, 1);
    drawStatusText("Objs: 4; Occldrs: 6; Passed HOM: 2; Passed DEB: 1", kSize, kSize);
    const std::vector<Rgb> alone = readBlock(0, 0, kSize, 40);
    int differing = 0, minX = kSize, minY = kSize, maxY = -1;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const Rgb& a = band[static_cast<size_t>(y * kSize + x)];
            const Rgb& b = alone[static_cast<size_t>(y * kSize + x)];
            differing += (a.r == b.r && a.g == b.g && a.b == b.b) ? 0 : 1;
            if (isBlack(a)) {
                minX = std::min(minX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
    }
    EXPECT_EQ(differing, 0);
    // The first character starts at x = 10; the baseline is row 10 ("j" descends below it).
    EXPECT_GE(minX, 10);
    EXPECT_LE(minX, 12);
    EXPECT_LT(minY, 10);
    EXPECT_GE(minY, 5);
    EXPECT_LT(maxY, 10 + 18);

    // A different count changes the picture.
    clearWindow(1, 1, 1);
    drawStatusText("Objs: 4; Occldrs: 6; Passed HOM: 2; Passed DEB: 0", kSize, kSize);
    const std::vector<Rgb> other = readBlock(0, 0, kSize, 40);
    differing = 0;
    for (size_t i = 0; i < other.size(); ++i) differing += isBlack(other[i]) != isBlack(alone[i]);
    EXPECT_GT(differing, 0);
}

TEST_F(FrameDriver, TinyWindowsDrawEverythingUntested) {
    for (const auto& size : {std::pair<int, int>{19, kSize}, {kSize, 19}, {1, 1}, {20, 20}}) {
        for (DepthRule rule : kDepthRules) {
            Scene scene = occludedScene();
            scene.depthRule = rule;
            scene.passedHom = scene.passedDeb = 7;
            EXPECT_NO_THROW(renderFrame(scene, size.first, size.second));
            EXPECT_TRUE(homPyramid.empty());
            EXPECT_TRUE(debGrid.columns.empty());
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
            if (size.first < 20 || size.second < 20) {
                EXPECT_EQ(scene.passedHom, 0) << size.first << " by " << size.second;
                EXPECT_EQ(scene.passedDeb, 0);
            }
        }
    }
    // The stages themselves skip the occluder pass, the pyramid and the grid.
    Scene tiny = occludedScene();
    buildOcclusionImages(tiny, frameImageSizes(kSize, 19));
    EXPECT_TRUE(homPyramid.empty());
    EXPECT_TRUE(debGrid.columns.empty());

    // 19 wide: the hidden box, in the middle, is drawn.
    Scene scene = occludedScene();
    renderFrame(scene, 19, kSize);
    EXPECT_TRUE(isLitRed(readPixel(9, kSize / 2)));
}

TEST_F(FrameDriver, ObjectsReachingTheEyePlaneAreDrawnAndNotCounted) {
    Scene scene = litScene();
    addBox(scene, {-10, -10, -21}, {10, 10, -20}, kOccluderKind);        // covers the whole window
    addBox(scene, {0.5f, -0.2f, -3}, {1, 0.2f, 0.5f}, kObjectKind);      // reaches behind the eye
    addBox(scene, {-1, -0.2f, -3}, {-0.5f, 0.2f, 0}, kObjectKind);       // corners on the eye plane
    addBox(scene, {-0.1f, -0.1f, -30}, {0.1f, 0.1f, -29}, kObjectKind);  // hidden
    computeVertexSets(scene);
    EXPECT_NO_THROW(renderFrame(scene, kSize, kSize));
    EXPECT_EQ(scene.passedHom, 1);
    EXPECT_EQ(scene.passedDeb, 1);
    // Their inner sides face the eye, unlit: dark, on the white background.
    EXPECT_FALSE(isWhite(readPixel(400, kSize / 2)));
    EXPECT_FALSE(isWhite(readPixel(80, kSize / 2)));
}

// A thin diagonal rod near the eye lends its depth to every cell of its bounding rectangle. A
// box beside the rod, in front of the far slab that covers it, is culled by the farthest-depth
// rule although nothing hides it; every other rule draws it.
TEST_F(FrameDriver, DepthRuleFollowsTheSceneFlag) {
    Scene scene = litScene();
    addBox(scene, {-3, -3, -12}, {3, 3, -11}, kOccluderKind);
    scene.modelling.rotateZ(45.0f);
    addBox(scene, {-1.5f, -0.1f, -4}, {1.5f, 0.1f, -3.8f}, kOccluderKind);
    scene.modelling.loadIdentity();
    scene.setMaterial(Color(1, 0, 0, 1), Color(0, 0, 0, 1), 0);
    addBox(scene, {0.4f, -0.6f, -6}, {0.6f, -0.4f, -5.5f}, kObjectKind);
    computeVertexSets(scene);
    const int boxX = 292, boxY = 188;  // the box's centre in the window

    ASSERT_EQ(scene.depthRule, DepthRule::Farthest);
    renderFrame(scene, kSize, kSize);
    EXPECT_EQ(scene.passedHom, 1);
    EXPECT_EQ(scene.passedDeb, 1);
    EXPECT_TRUE(isWhite(readPixel(boxX, boxY)));

    for (DepthRule rule : {DepthRule::Conservative, DepthRule::DepthMap, DepthRule::Raster}) {
        scene.depthRule = rule;
        renderFrame(scene, kSize, kSize);
        EXPECT_EQ(scene.passedHom, 1) << depthRuleName(rule);
        EXPECT_EQ(scene.passedDeb, 0) << depthRuleName(rule);
        EXPECT_TRUE(isLitRed(readPixel(boxX, boxY))) << depthRuleName(rule);
    }
}

// A frame of occludedScene under `rule`: the two boxes under the occluder pass the overlap test,
// the one behind it is hidden, the one in front drawn, and the frame leaves no images behind.
void expectOccludedSceneDecided(Scene& scene, DepthRule rule) {
    scene.depthRule = rule;
    renderFrame(scene, kSize, kSize);
    EXPECT_EQ(scene.passedHom, 2);
    EXPECT_EQ(scene.passedDeb, 1);
    EXPECT_TRUE(isWhite(readPixel(kSize / 2, kSize / 2)));
    EXPECT_TRUE(isLitRed(readPixel(308, kSize / 2)));
    EXPECT_TRUE(homPyramid.empty() && debGrid.empty() && guardedCoverage.empty());
}

// Under the depth-map rule the frame hides what lies behind the occluder, shows the guarded depth
// map where the grid would be, and names the rule in a line above the status line.
TEST_F(FrameDriver, DepthMapRuleHidesWhatIsBehindAndShowsItsDepthImage) {
    Scene scene = occludedScene();
    expectOccludedSceneDecided(scene, DepthRule::DepthMap);

    // The depth picture: 50 by 50 guarded cells from y = 53, the occluder (window 120 to 360:
    // cells 12 to 35, guarded 13 to 36) at its window depth, uncovered cells white.
    const Rgb covered = readPixel(2 + 24, overlayRow(53 + 49 - 24));
    EXPECT_NEAR(covered.r, (testCameraDepth(-5) + 1) / 2, tol::kColourStep);
    EXPECT_TRUE(isWhite(readPixel(2 + 49, overlayRow(53 + 49 - 24))));

    // The text: "Depth test: depth map" above the status line, each at the place of its own.
    const std::vector<std::string> lines = statusLines(scene, kSize);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Depth test: depth map");
    constexpr int kBand = 60;
    const std::vector<Rgb> band = readBlock(0, 0, kSize, kBand);
    clearWindow(1, 1, 1);
    drawStatusLines(lines, kSize, kSize);
    const std::vector<Rgb> alone = readBlock(0, 0, kSize, kBand);
    int differing = 0, rowsWithText = 0;
    for (size_t i = 0; i < alone.size(); ++i) differing += isBlack(alone[i]) != isBlack(band[i]);
    for (int row = 0; row < kBand; ++row) {
        const auto first = alone.begin() + row * kSize;
        rowsWithText += std::any_of(first, first + kSize, isBlack) ? 1 : 0;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(rowsWithText, 30) << "two lines of 18-point text";
}

// The raster rule decides on the processor and shows its buffer: coverage at level-0 size, the
// farthest depths at grid size.
TEST_F(FrameDriver, RasterRuleHidesWhatIsBehindAndShowsItsBuffer) {
    Scene scene = occludedScene();
    expectOccludedSceneDecided(scene, DepthRule::Raster);
    // Level 0: the occluder's cells (12 to 35) covered, white; the grid below it holds the
    // occluder's window depth over cells 6 to 17.
    EXPECT_TRUE(isWhite(readPixel(2 + 24, overlayRow(2 + 47 - 23))));
    EXPECT_TRUE(isBlack(readPixel(2 + 5, overlayRow(2 + 47 - 5))));
    EXPECT_NEAR(readPixel(2 + 12, overlayRow(53 + 23 - 12)).r, (testCameraDepth(-5) + 1) / 2,
                tol::kColourStep);
    EXPECT_TRUE(isWhite(readPixel(2 + 2, overlayRow(53 + 23 - 2))));
}

// The demo's status line is wider than the default window: it is broken after a "; " so that
// every character shows; when it fits it stays one line.
TEST_F(FrameDriver, StatusLineBreaksToFitTheWindow) {
    const std::string text = "Objs: 231; Occldrs: 6; Passed HOM: 148; Passed DEB: 121";
    const unsigned char* chars = reinterpret_cast<const unsigned char*>(text.c_str());
    ASSERT_GT(10 + glutBitmapLength(GLUT_BITMAP_HELVETICA_18, chars), kSize);
    const std::vector<std::string> lines = wrapStatusText(text, kSize, statusCharacterWidth);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0] + " " + lines[1], text);
    for (const std::string& line : lines) {
        const unsigned char* piece = reinterpret_cast<const unsigned char*>(line.c_str());
        EXPECT_LE(10 + glutBitmapLength(GLUT_BITMAP_HELVETICA_18, piece), kSize) << line;
    }
    EXPECT_EQ(wrapStatusText(text, 600, statusCharacterWidth).size(), 1u);
}

}  // namespace
