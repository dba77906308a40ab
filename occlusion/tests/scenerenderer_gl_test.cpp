#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "occlusion/scenerenderer.h"
#include "occlusion/tests/glfixture.h"
#include "occlusion/tests/testscenes.h"
#include "occlusion/vertexsets.h"
#include "scene/textureimage.h"

namespace {

constexpr int kCentre = kTestWindowSize / 2;

// 2 by 2 texels: red, green on the bottom row; blue, white on the top row.
TextureImage fourColourImage() {
    TextureImage image(2, 2, 3);
    image.setRGB(0, 0, Color(1, 0, 0, 1));
    image.setRGB(1, 0, Color(0, 1, 0, 1));
    image.setRGB(0, 1, Color(0, 0, 1, 1));
    image.setRGB(1, 1, Color(1, 1, 1, 1));
    return image;
}

TextureImage uniformImage(const Color& colour) {
    TextureImage image(4, 4, 3);
    for (int x = 0; x < 4; ++x) {
        for (int y = 0; y < 4; ++y) image.setRGB(x, y, colour);
    }
    return image;
}

void drawUntested(Scene& scene) {
    computeVertexSets(scene);
    renderUntested(scene);
}

using SceneRenderer = GlTest;

TEST_F(SceneRenderer, TexturesWithAndWithoutFiltering) {
    const TextureImage image = fourColourImage();
    for (bool filtered : {false, true}) {
        Scene scene;
        setTestCamera(scene);
        scene.antialiasTextures = filtered;
        scene.setTextures(&image, nullptr, nullptr);
        // Object 0 binds the default texture name 0. Window 120 to 360 in both directions.
        addQuad(scene, -1, -1, 1, 1, -5, kObjectKind);
        drawUntested(scene);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

        // Through the middle of the bottom row of texels: red, then green, and blends between
        // them only when filtered.
        const std::vector<Rgb> row = readBlock(125, 180, 230, 1);
        int blends = 0;
        for (const Rgb& c : row) {
            const bool pure = (c.r == 1.0f && c.g == 0.0f) || (c.r == 0.0f && c.g == 1.0f);
            blends += pure && c.b == 0.0f ? 0 : 1;
        }
        const Rgb red = readPixel(180, 180);
        const Rgb green = readPixel(300, 180);
        const Rgb white = readPixel(300, 300);
        if (filtered) {
            EXPECT_GT(blends, 10);
            EXPECT_GT(red.r, 0.9f);
            EXPECT_LT(red.g, 0.1f);
            EXPECT_GT(green.g, 0.9f);
            EXPECT_LT(green.r, 0.1f);
        } else {
            EXPECT_EQ(blends, 0);
            EXPECT_TRUE(red.r == 1.0f && red.g == 0.0f && red.b == 0.0f);
            EXPECT_TRUE(green.r == 0.0f && green.g == 1.0f && green.b == 0.0f);
            EXPECT_TRUE(isWhite(white));
        }
    }
}

TEST_F(SceneRenderer, ReflectionTakesPrecedenceOverTexture) {
    const TextureImage texture = fourColourImage();
    const TextureImage reflection = uniformImage(Color(0, 1, 0, 1));
    Scene scene = litScene();
    scene.setTextures(&texture, nullptr, &reflection);
    addQuad(scene, -1, -1, 1, 1, -5, kObjectKind);
    drawUntested(scene);
    const Rgb c = readPixel(kCentre, kCentre);
    EXPECT_TRUE(c.r == 0.0f && c.g == 1.0f && c.b == 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneRenderer, RejectsImagesThatAreNotRgb) {
    const TextureImage heights(4, 4, 1);
    Scene scene;
    setTestCamera(scene);
    scene.setTextures(&heights, nullptr, nullptr);
    addQuad(scene, -1, -1, 1, 1, -5, kObjectKind);
    EXPECT_THROW(drawUntested(scene), std::invalid_argument);
}

TEST_F(SceneRenderer, HoleIsABlackDecalOverTheOutline) {
    Scene scene = litScene();
    scene.setMaterial(Color(1, 0, 0, 1), Color(0, 0, 0, 1), 0);
    scene.beginObject(kObjectKind);
    scene.setNormal({0, 0, 1});
    scene.beginPolygon();
    for (const Point3D& p :
         {Point3D(-1, -1, -5), Point3D(1, -1, -5), Point3D(1, 1, -5), Point3D(-1, 1, -5)}) {
        scene.addVertex(p);
    }
    scene.beginContour();
    for (const Point3D& p : {Point3D(-0.4f, -0.4f, -5), Point3D(0.4f, -0.4f, -5),
                             Point3D(0.4f, 0.4f, -5), Point3D(-0.4f, 0.4f, -5)}) {
        scene.addVertex(p);
    }
    drawUntested(scene);
    EXPECT_TRUE(isBlack(readPixel(kCentre, kCentre)));
    const Rgb ring = readPixel(140, kCentre);
    EXPECT_GT(ring.r, 0.5f);
    EXPECT_EQ(ring.g, 0.0f);
    EXPECT_TRUE(isWhite(readPixel(100, kCentre)));
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
}

TEST_F(SceneRenderer, OccludersAreOutlines) {
    Scene scene = litScene();
    scene.setMaterial(Color(0, 0, 1, 1), Color(0, 0, 0, 1), 0);
    addBox(scene, {-1, -1, -6}, {1, 1, -5}, kOccluderKind);  // near face: window 120 to 360
    drawUntested(scene);
    EXPECT_TRUE(isWhite(readPixel(kCentre, kCentre)));
    int edge = 0;
    for (const Rgb& c : readBlock(110, kCentre, 20, 1)) edge += isWhite(c) ? 0 : 1;
    EXPECT_GT(edge, 0);
    EXPECT_EQ(scene.passedHom, 0);
}

TEST_F(SceneRenderer, PrintsPendingErrorsOncePerPass) {
    Scene scene;
    setTestCamera(scene);
    glEnable(0x7fff);  // not a capability: GL_INVALID_ENUM
    testing::internal::CaptureStdout();
    drawUntested(scene);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: 0x500\n");
    testing::internal::CaptureStdout();
    drawUntested(scene);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(SceneRenderer, IgnoresLightsBeyondWhatOpenGlOffers) {
    GLint maxLights = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
    ASSERT_GT(maxLights, 0);
    Scene scene = litScene();
    for (GLint i = 0; i < maxLights + 1; ++i) scene.addLight({0, 1, 1}, Color(0, 0, 0, 1));
    addBox(scene, {-1, -1, -6}, {1, 1, -5}, kObjectKind);
    drawUntested(scene);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(glIsEnabled(static_cast<GLenum>(GL_LIGHT0 + maxLights - 1)));
    testing::internal::CaptureStdout();
    drawUntested(scene);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(SceneRenderer, DrawsExactlyTheFlaggedObjects) {
    // Two boxes side by side (window x 60 to 180 and 300 to 420) and an occluder between them.
    Scene scene = litScene();
    scene.setMaterial(Color(1, 0, 0, 1), Color(0, 0, 0, 1), 0);
    addBox(scene, {-3, -1, -11}, {-1, 1, -10}, kObjectKind);
    addBox(scene, {1, -1, -11}, {3, 1, -10}, kObjectKind);
    addBox(scene, {-0.5f, -1, -11}, {0.5f, 1, -10}, kOccluderKind);
    computeVertexSets(scene);
    const int x0 = 120, x1 = 360, y = kCentre;
    {
        // Every flag set: the same picture as the untested pass. The occluder leaves back faces
        // in outline mode for the next pass, so both are compared from that steady state.
        renderUntested(scene);
        renderUntested(scene);
        const std::vector<Rgb> untested = readBlock(0, y, kTestWindowSize, 1);
        clearWindow(0, 1, 0);
        renderSceneObjects(scene, kTestWindowSize, kTestWindowSize, {true, true, true});
        const std::vector<Rgb> flagged = readBlock(0, y, kTestWindowSize, 1);
        for (int x = 0; x < kTestWindowSize; ++x) {
            const size_t k = static_cast<size_t>(x);
            EXPECT_EQ(untested[k].r, flagged[k].r) << "x " << x;
            EXPECT_EQ(untested[k].g, flagged[k].g) << "x " << x;
            EXPECT_EQ(untested[k].b, flagged[k].b) << "x " << x;
        }
        EXPECT_FALSE(isWhite(readPixel(x0, y)));
        EXPECT_FALSE(isWhite(readPixel(x1, y)));
    }
    {
        // Only the second box: the first one's place stays the clear colour.
        renderSceneObjects(scene, kTestWindowSize, kTestWindowSize, {false, true, false});
        EXPECT_TRUE(isWhite(readPixel(x0, y)));
        EXPECT_FALSE(isWhite(readPixel(x1, y)));
        EXPECT_EQ(scene.passedHom, 0);
        EXPECT_EQ(scene.passedDeb, 0);
    }
    {
        // No flag: a white window.
        renderSceneObjects(scene, kTestWindowSize, kTestWindowSize, {false, false, false});
        for (const Rgb& c : readBlock(0, y, kTestWindowSize, 1)) EXPECT_TRUE(isWhite(c));
    }
    EXPECT_THROW(renderSceneObjects(scene, kTestWindowSize, kTestWindowSize, {true, true}),
                 std::invalid_argument);
}

}  // namespace
