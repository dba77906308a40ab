#pragma once
// Fixture for tests that draw: one 480 by 480 freeglut window for the whole program, reset to
// a full-window viewport with no scissor before each test, and helpers to read the back buffer.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "occlusion/framedriver.h"
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
