#include "tools/outcomeshots.h"

#include <GL/freeglut.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "occlusion/globals.h"
#include "tools/groundtruth.h"
#include "tools/pngfile.h"

namespace {

constexpr int kOutcomeCount = 4;
constexpr const char* kOutcomeNames[kOutcomeCount] = {
    "drawn, visible", "culled, hidden", "culled although visible", "drawn although hidden"};
constexpr float kOutcomeColours[kOutcomeCount][3] = {
    {0.72f, 0.72f, 0.72f}, {0.20f, 0.70f, 0.30f}, {0.90f, 0.10f, 0.10f}, {1.00f, 0.65f, 0.00f}};

// A face's shade from its normal against a fixed direction, so that boxes read as solids.
float shadeOf(const Vector3D& normal) {
    const float length = std::sqrt(dot(normal, normal));
    if (!(length > 0.0f)) return 1.0f;
    const float facing = std::fabs(dot(normal, Vector3D(0.3f, 0.5f, 0.8f))) / length;
    return 0.55f + 0.45f * facing;
}

void drawObjects(const std::vector<Outcome>& outcomes) {
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const Object& object = scene.objects[i];
        if (object.occluder) continue;
        const float* colour = kOutcomeColours[static_cast<int>(outcomes[i])];
        for (const Polygon& polygon : object.polygons) {
            if (polygon.empty()) continue;
            const float shade = shadeOf(polygon[0].normal);
            glColor3f(colour[0] * shade, colour[1] * shade, colour[2] * shade);
            glBegin(GL_POLYGON);
            for (const Vertex& v : polygon) glVertex3f(v.position.x, v.position.y, v.position.z);
            glEnd();
        }
    }
}

void drawOccluderOutlines() {
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glColor3f(0.1f, 0.1f, 0.1f);
    for (const Object& object : scene.objects) {
        if (object.occluder) sendOutlines(object);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void text(float x, float y, const std::string& line) {
    glRasterPos2f(x, y);
    glutBitmapString(GLUT_BITMAP_HELVETICA_12,
                     reinterpret_cast<const unsigned char*>(line.c_str()));
}

void rectangle(float x0, float y0, float x1, float y1) {
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

// Title lines (separated by newlines) at the top, one legend line per outcome at the bottom, on
// white panels.
void drawCaptions(int width, int height, const std::vector<Outcome>& outcomes,
                  const std::string& title) {
    std::array<int, kOutcomeCount> counts{};
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (!scene.objects[i].occluder) ++counts[static_cast<std::size_t>(outcomes[i])];
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    std::vector<std::string> titleLines(1);
    for (const char c : title) {
        if (c == '\n') {
            titleLines.emplace_back();
        } else {
            titleLines.back() += c;
        }
    }
    const float line = 16.0f;
    const float top = static_cast<float>(height);
    glColor3f(1.0f, 1.0f, 1.0f);
    rectangle(0.0f, top - static_cast<float>(titleLines.size()) * line - 6.0f,
              static_cast<float>(width), top);
    rectangle(0.0f, 0.0f, 200.0f, kOutcomeCount * line + 8.0f);
    glColor3f(0.0f, 0.0f, 0.0f);
    for (std::size_t k = 0; k < titleLines.size(); ++k) {
        text(6.0f, top - static_cast<float>(k + 1) * line, titleLines[k]);
    }
    for (int k = 0; k < kOutcomeCount; ++k) {
        const float y = 6.0f + static_cast<float>(kOutcomeCount - 1 - k) * line;
        glColor3fv(kOutcomeColours[k]);
        rectangle(6.0f, y, 18.0f, y + 10.0f);
        glColor3f(0.0f, 0.0f, 0.0f);
        text(24.0f, y + 1.0f,
             std::to_string(counts[static_cast<std::size_t>(k)]) + " " + kOutcomeNames[k]);
    }
}

}  // namespace

std::vector<Outcome> outcomesOf(const std::vector<bool>& visible, const std::vector<bool>& culled) {
    std::vector<Outcome> outcomes(visible.size(), Outcome::DrawnVisible);
    for (std::size_t i = 0; i < visible.size() && i < culled.size(); ++i) {
        if (visible[i]) {
            outcomes[i] = culled[i] ? Outcome::FalseCull : Outcome::DrawnVisible;
        } else {
            outcomes[i] = culled[i] ? Outcome::CulledHidden : Outcome::Missed;
        }
    }
    return outcomes;
}

void writeOutcomeShot(const std::string& path, int width, int height,
                      const std::vector<Outcome>& outcomes, const std::string& title) {
    setUpPlainPass(width, height);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawObjects(outcomes);
    drawOccluderOutlines();
    drawCaptions(width, height, outcomes, title);

    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3u;
    std::vector<unsigned char> bottomFirst(rowBytes * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomFirst.data());
    std::vector<unsigned char> topFirst(bottomFirst.size());
    for (int y = 0; y < height; ++y) {
        std::copy_n(bottomFirst.data() + rowBytes * static_cast<std::size_t>(height - 1 - y),
                    rowBytes, topFirst.data() + rowBytes * static_cast<std::size_t>(y));
    }
    std::string error;
    if (!writePng(path, width, height, topFirst, error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        std::exit(1);
    }
}
