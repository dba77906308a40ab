#include "occlusion/overlays.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstddef>
#include <vector>

#include "occlusion/globals.h"

namespace {

// Distance of the overlays from the window's top-left corner, and between neighbouring pictures.
constexpr int kOverlayMargin = 2;
constexpr int kOverlayGap = 5;
// Position of the status text's first character, from the bottom-left corner.
constexpr float kStatusTextX = 10.0f;
constexpr float kStatusTextY = 10.0f;
void* const kStatusFont = GLUT_BITMAP_HELVETICA_18;

// One point per cell, the image upright with its top-left cell at (left, top).
void drawImagePoints(const PixelImage& image, int left, int top) {
    const int height = image.height();
    for (int x = 0; x < image.width(); ++x) {
        for (int k = 0; k < height; ++k) {
            const float v = image[x][k];
            glColor3f(v, v, v);
            glVertex2i(x + left, (height - 1 - k) + top);
        }
    }
}

}  // namespace

void drawStatusText(const char* text, int width, int height) {
    drawStatusLines({text}, width, height);
}

void drawStatusLines(const std::vector<std::string>& lines, int width, int height) {
    glDisable(GL_LIGHTING);
    glColor3f(0.0f, 0.0f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, static_cast<double>(width), 0.0, static_cast<double>(height));
    const float lineHeight = static_cast<float>(glutBitmapHeight(kStatusFont));
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const float above = static_cast<float>(lines.size() - 1 - k) * lineHeight;
        glRasterPos2f(kStatusTextX, kStatusTextY + above);
        for (const char c : lines[k]) {
            glutBitmapCharacter(kStatusFont, static_cast<unsigned char>(c));
        }
    }
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
}

int statusCharacterWidth(unsigned char c) { return glutBitmapWidth(kStatusFont, c); }

std::vector<std::string> wrapStatusText(const std::string& text, int width,
                                        int (*charWidth)(unsigned char)) {
    const auto fits = [&](const std::string& piece) {
        int right = static_cast<int>(kStatusTextX);
        for (const char c : piece) right += charWidth(static_cast<unsigned char>(c));
        return right <= width;
    };
    static const std::string kBreak = "; ";
    std::vector<std::string> lines;
    std::string rest = text;
    while (!fits(rest)) {
        std::size_t cut = std::string::npos;
        for (std::size_t at = rest.find(kBreak); at != std::string::npos;
             at = rest.find(kBreak, at + 1)) {
            const bool pieceFits = fits(rest.substr(0, at + 1));
            if (pieceFits || cut == std::string::npos) cut = at;
            if (!pieceFits) break;
        }
        if (cut == std::string::npos) break;
        lines.push_back(rest.substr(0, cut + 1));
        rest = rest.substr(cut + kBreak.size());
    }
    lines.push_back(rest);
    return lines;
}

void beginOverlay(int width, int height) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, static_cast<double>(width), static_cast<double>(height), 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void endOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void drawHomOverlay(int width, int height) {
    const std::vector<PixelImage>& pyramid = homPyramid;
    if (pyramid.empty()) return;
    beginOverlay(width, height);
    glBegin(GL_POINTS);
    int offset = 0;
    for (std::size_t level = 0; level < pyramid.size(); ++level) {
        if (level > 0) offset += pyramid[level - 1].width() + kOverlayGap;
        drawImagePoints(pyramid[level], offset + kOverlayMargin, kOverlayMargin);
    }
    glEnd();
    endOverlay();
}

void drawDebOverlay(int width, int height) {
    const std::vector<PixelImage>& pyramid = homPyramid;
    const PixelImage& grid = debGrid;
    if (grid.empty()) return;
    const int level0Height = pyramid.empty() ? 0 : pyramid[0].height();
    beginOverlay(width, height);
    glBegin(GL_POINTS);
    drawImagePoints(grid, kOverlayMargin, level0Height + kOverlayGap);
    glEnd();
    endOverlay();
}
