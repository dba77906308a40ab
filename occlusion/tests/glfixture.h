#pragma once
// Fixture for tests that draw: one 480 by 480 freeglut window for the whole program, reset to
// a full-window viewport with no scissor before each test, and helpers to read the back buffer.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "occlusion/framedriver.h"
#include "occlusion/glmatrices.h"
#include "occlusion/scenerenderer.h"
#include "testing/glwindow.h"

constexpr int kTestWindowSize = 480;

class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static const int window = createTestWindow(kTestWindowSize, kTestWindowSize, "occlusion");
        static_cast<void>(window);
    }
    void SetUp() override {
        clearFrameImages();
        glDisable(GL_SCISSOR_TEST);
        glViewport(0, 0, kTestWindowSize, kTestWindowSize);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

// Fills the whole back buffer with one colour and clears depth.
inline void clearWindow(float r, float g, float b) {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// The back buffer's RGB values of a block, rows bottom first.
inline std::vector<Rgb> readBlock(int x, int y, int width, int height) {
    std::vector<Rgb> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_FLOAT, pixels.data());
    return pixels;
}

// The scene pass of a full-window frame, decided against the images the frame's stages left.
inline void decideAndRenderScene(Scene& frameScene) {
    FrameDecisions decisions;
    decideFrame(frameScene, kTestWindowSize, kTestWindowSize, decisions);
    renderScene(frameScene, kTestWindowSize, kTestWindowSize, decisions);
}

// The scene pass of a full-window frame with every object drawn untested.
inline void renderUntested(Scene& frameScene) {
    FrameDecisions decisions;
    decideVisibility(frameScene, kTestWindowSize, kTestWindowSize, PixelImage(), PixelImage(),
                     decisions);
    renderScene(frameScene, kTestWindowSize, kTestWindowSize, decisions);
}

inline bool isWhite(const Rgb& c) { return c.r == 1.0f && c.g == 1.0f && c.b == 1.0f; }
inline bool isBlack(const Rgb& c) { return c.r == 0.0f && c.g == 0.0f && c.b == 0.0f; }

// What OpenGL fills of one object drawn alone over the whole window, both faces filled and
// depth-tested, through the matrices of `drawn`: the bounds of the filled pixels (x1 < 0 when there
// are none), their nearest and deepest window depths, and the window's depths (row by row, bottom
// first; 1.0 where nothing was filled).
struct FilledPixels {
    int x0 = kTestWindowSize, x1 = -1, y0 = kTestWindowSize, y1 = -1;
    float nearest = 1.0f, deepest = 0.0f;
    std::vector<float> depth;
    bool at(int x, int y) const {
        return depth[static_cast<size_t>(y) * kTestWindowSize + static_cast<size_t>(x)] < 1.0f;
    }
};
inline FilledPixels fillObjectAlone(const Scene& drawn, const Object& object) {
    clearWindow(0, 0, 0);
    glViewport(0, 0, kTestWindowSize, kTestWindowSize);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    loadSceneMatrices(drawn);
    for (const Polygon& polygon : object.polygons) {
        glBegin(GL_POLYGON);
        for (const Vertex& v : polygon) glVertex3f(v.position.x, v.position.y, v.position.z);
        glEnd();
    }
    std::vector<float> depth(static_cast<size_t>(kTestWindowSize) * kTestWindowSize);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kTestWindowSize, kTestWindowSize, GL_DEPTH_COMPONENT, GL_FLOAT,
                 depth.data());
    glDisable(GL_DEPTH_TEST);
    FilledPixels filled;
    for (int y = 0; y < kTestWindowSize; ++y) {
        for (int x = 0; x < kTestWindowSize; ++x) {
            const float d =
                depth[static_cast<size_t>(y) * kTestWindowSize + static_cast<size_t>(x)];
            if (d >= 1.0f) continue;
            filled.x0 = std::min(filled.x0, x), filled.x1 = std::max(filled.x1, x);
            filled.y0 = std::min(filled.y0, y), filled.y1 = std::max(filled.y1, y);
            filled.nearest = std::min(filled.nearest, d);
            filled.deepest = std::max(filled.deepest, d);
        }
    }
    filled.depth = std::move(depth);
    return filled;
}
