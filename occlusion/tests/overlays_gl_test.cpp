#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "occlusion/globals.h"
#include "occlusion/hompyramid.h"
#include "occlusion/overlays.h"
#include "occlusion/tests/glfixture.h"
#include "testing/tolerances.h"

namespace {

// A picture of distinct greys, so that a misplaced or flipped point shows.
PixelImage greyPattern(int width, int height) {
    PixelImage image;
    image.resize(width, height);
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            image[x][y] = static_cast<float>((x * 7 + y * 3) % 5) / 4.0f;
        }
    }
    return image;
}

// The overlay background: red, which no grey point can be.
bool isBackground(const Rgb& c) { return c.r == 1.0f && c.g == 0.0f && c.b == 0.0f; }

// GL row of the pixel that a point sent at overlay y (top-left origin) lights in the test
// window. The overlay projection puts integer coordinates on pixel corners: window y is
// height - y, and llvmpipe lights the pixel whose lower-left corner the point is, so the row is
// one above the pixel row numbered y from the top (and the column is x itself).
int glRow(int overlayY) { return kTestWindowSize - overlayY; }

// Expects image drawn upright with its top-left cell at overlay (left, top), and background
// around it.
void expectPicture(const PixelImage& image, int left, int top) {
    const int width = image.width();
    const int height = image.height();
    for (int x = 0; x < width; ++x) {
        for (int k = 0; k < height; ++k) {
            const Rgb c = readPixel(x + left, glRow(height - 1 - k + top));
            ASSERT_NEAR(c.r, image[x][k], tol::kColourStep) << "cell " << x << ", " << k;
            ASSERT_EQ(c.r, c.g);
            ASSERT_EQ(c.r, c.b);
        }
        EXPECT_TRUE(isBackground(readPixel(x + left, glRow(top - 1))));
        EXPECT_TRUE(isBackground(readPixel(x + left, glRow(top + height))));
    }
    for (int k = 0; k < height; ++k) {
        EXPECT_TRUE(isBackground(readPixel(left - 1, glRow(top + k))));
        EXPECT_TRUE(isBackground(readPixel(left + width, glRow(top + k))));
    }
}

class Overlays : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        clearWindow(1.0f, 0.0f, 0.0f);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
    }
};

TEST_F(Overlays, PyramidLevelsSideBySideAndGridBelowLevelZero) {
    homPyramid.push_back(greyPattern(48, 48));
    buildHomPyramid(homPyramid);
    ASSERT_EQ(homPyramid.size(), 4u);
    debGrid = greyPattern(24, 24);
    drawHomOverlay(kTestWindowSize, kTestWindowSize);
    drawDebOverlay(kTestWindowSize, kTestWindowSize);

    expectPicture(homPyramid[0], 2, 2);    // x 2 to 49
    expectPicture(homPyramid[1], 55, 2);   // x 55 to 78
    expectPicture(homPyramid[2], 84, 2);   // x 84 to 95
    expectPicture(homPyramid[3], 101, 2);  // x 101 to 106
    expectPicture(debGrid, 2, 53);         // y 53 to 76
    EXPECT_TRUE(isBackground(readPixel(107, glRow(2))));
}

// Number of pixels of the top-left 120 by 120 block of the window that are not background.
int pointsDrawn() {
    int count = 0;
    for (const Rgb& c : readBlock(0, kTestWindowSize - 120, 120, 120)) {
        count += isBackground(c) ? 0 : 1;
    }
    return count;
}

TEST_F(Overlays, SingleLevelPutsTheGridAtElevenAndEmptyImagesDrawNothing) {
    homPyramid.push_back(greyPattern(8, 6));
    buildHomPyramid(homPyramid);
    ASSERT_EQ(homPyramid.size(), 1u);
    debGrid = greyPattern(4, 3);
    drawHomOverlay(kTestWindowSize, kTestWindowSize);
    drawDebOverlay(kTestWindowSize, kTestWindowSize);
    expectPicture(homPyramid[0], 2, 2);
    expectPicture(debGrid, 2, 11);
    EXPECT_EQ(pointsDrawn(), 8 * 6 + 4 * 3);

    clearWindow(1.0f, 0.0f, 0.0f);
    clearFrameImages();
    drawHomOverlay(kTestWindowSize, kTestWindowSize);
    drawDebOverlay(kTestWindowSize, kTestWindowSize);
    EXPECT_EQ(pointsDrawn(), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Overlays, RestoreTheMatricesTheyChange) {
    homPyramid.push_back(greyPattern(8, 8));
    debGrid = greyPattern(4, 4);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(30.0f, 0.0f, 0.0f, 1.0f);
    float projectionBefore[16], modelViewBefore[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projectionBefore);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelViewBefore);

    drawStatusText("Objs: 1", kTestWindowSize, kTestWindowSize);
    drawHomOverlay(kTestWindowSize, kTestWindowSize);
    drawDebOverlay(kTestWindowSize, kTestWindowSize);

    float projectionAfter[16], modelViewAfter[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projectionAfter);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelViewAfter);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(projectionAfter[i], projectionBefore[i]);
        EXPECT_EQ(modelViewAfter[i], modelViewBefore[i]);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
