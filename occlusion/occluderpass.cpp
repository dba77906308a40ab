#include "occlusion/occluderpass.h"

#include <GL/gl.h>

#include <cstddef>
#include <vector>

#include "occlusion/glmatrices.h"
#include "occlusion/guardband.h"
#include "occlusion/reducedpass.h"

namespace {

void drawOccluders(const Scene& scene) {
    // Both faces: the scene pass leaves back faces in outline mode, and outlines rasterise pixels
    // along silhouettes that the filled faces do not cover.
    fillBothFaces();
    for (const Object& object : scene.objects) {
        if (!object.occluder) continue;
        for (const Polygon& polygon : object.polygons) {
            glBegin(GL_POLYGON);
            for (const Vertex& vertex : polygon) {
                glNormal3f(vertex.normal.x, vertex.normal.y, vertex.normal.z);
                glVertex3f(vertex.position.x, vertex.position.y, vertex.position.z);
            }
            glEnd();
        }
    }
}

PixelImage readImage(int width, int height, GLenum format) {
    PixelImage image;
    if (width <= 0 || height <= 0) return image;
    std::vector<float> values(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    // Rows of floats are whole multiples of 4 bytes; alignment 1 states that no padding is
    // expected whatever an earlier caller left set.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, format, GL_FLOAT, values.data());
    image.resize(width, height);
    std::size_t next = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image[x][y] = values[next++];
    }
    return image;
}

}  // namespace

void renderOccluders(const Scene& scene, int width, int height) {
    beginReducedPass(scene, width, height, 0.0f);
    drawOccluders(scene);
}

void renderGuardedOccluders(const Scene& scene, int windowWidth, int windowHeight,
                            bool depthTested) {
    glClearDepth(1.0);
    beginReducedPass(scene, guardedCells(windowWidth), guardedCells(windowHeight), 0.0f);
    // The common set-up loaded the window's projection; the guard band widens it.
    loadSceneMatrices(scene, guardBandMatrix(windowWidth, windowHeight));
    if (depthTested) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glDepthMask(GL_TRUE);
    }
    drawOccluders(scene);
}

void fillBothFaces() { glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); }

PixelImage readLevel0(int width, int height) { return readImage(width, height, GL_RED); }

PixelImage readDepthImage(int width, int height) {
    return readImage(width, height, GL_DEPTH_COMPONENT);
}

PixelImage coverageOfDepth(const PixelImage& depth) {
    PixelImage coverage = depth;
    for (std::vector<float>& column : coverage.columns) {
        for (float& cell : column) cell = cell < 1.0f ? 1.0f : 0.0f;
    }
    return coverage;
}
