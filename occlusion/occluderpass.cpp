#include "occlusion/occluderpass.h"

#include <GL/gl.h>

#include <cstddef>
#include <vector>

#include "occlusion/reducedpass.h"

void renderOccluders(const Scene& scene, int width, int height) {
    beginReducedPass(scene, width, height, 0.0f);
    // Both faces: the scene pass leaves back faces in outline mode, and outlines rasterise pixels
    // along silhouettes that the filled faces do not cover.
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
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

PixelImage readLevel0(int width, int height) {
    PixelImage level0;
    if (width <= 0 || height <= 0) return level0;
    std::vector<float> values(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    // Rows of floats are whole multiples of 4 bytes; alignment 1 states that no padding is
    // expected whatever an earlier caller left set.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RED, GL_FLOAT, values.data());
    level0.resize(width, height);
    std::size_t next = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) level0[x][y] = values[next++];
    }
    return level0;
}
