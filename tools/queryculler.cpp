#define GL_GLEXT_PROTOTYPES
#include "tools/queryculler.h"

#include <GL/glext.h>

#include <algorithm>
#include <limits>

#include "occlusion/globals.h"
#include "occlusion/scenerenderer.h"
#include "tools/groundtruth.h"

namespace {

// Faces of a box as corner indices; corner c takes the high x when bit 0 is set, the high y for
// bit 1 and the high z for bit 2.
constexpr int kBoxFaces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                 {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};

}  // namespace

Box3 boundingBox(const Object& object) {
    Box3 box{};
    for (int c = 0; c < 3; ++c) {
        box.low[c] = std::numeric_limits<float>::infinity();
        box.high[c] = -std::numeric_limits<float>::infinity();
    }
    for (const Vector4D& p : object.vertexSet) {
        const float xyz[3] = {p.x, p.y, p.z};
        for (int c = 0; c < 3; ++c) {
            box.low[c] = std::min(box.low[c], xyz[c]);
            box.high[c] = std::max(box.high[c], xyz[c]);
        }
    }
    return box;
}

void sendBox(const Box3& b) {
    glBegin(GL_QUADS);
    for (const auto& face : kBoxFaces) {
        for (int c : face) {
            glVertex3f((c & 1) ? b.high[0] : b.low[0], (c & 2) ? b.high[1] : b.low[1],
                       (c & 4) ? b.high[2] : b.low[2]);
        }
    }
    glEnd();
}

bool eyeNearBox(const Box3& box, const Point3D& eye) {
    // Larger than the distance from the eye to any corner of the near plane's window.
    constexpr float kMargin = 0.2f;
    const float xyz[3] = {eye.x, eye.y, eye.z};
    for (int c = 0; c < 3; ++c) {
        if (xyz[c] < box.low[c] - kMargin || xyz[c] > box.high[c] + kMargin) return false;
    }
    return true;
}

QueryCuller::QueryCuller(std::size_t objectCount) : ids_(objectCount), boxes_(objectCount) {
    glGenQueries(static_cast<GLsizei>(objectCount), ids_.data());
    for (std::size_t i = 0; i < objectCount; ++i) boxes_[i] = boundingBox(scene.objects[i]);
}

QueryCuller::~QueryCuller() { glDeleteQueries(static_cast<GLsizei>(ids_.size()), ids_.data()); }

void QueryCuller::frame(int width, int height, std::vector<bool>& drawn) {
    const std::vector<Object>& objects = scene.objects;
    const Vector4D eye4 = scene.modelView.inverseTransform(Vector4D(0.0f, 0.0f, 0.0f, 1.0f));
    const Point3D eye(eye4.x, eye4.y, eye4.z);

    setUpPlainPass(width, height);
    glClear(GL_DEPTH_BUFFER_BIT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    for (const Object& object : objects) {
        if (object.occluder) sendOutlines(object);
    }
    glDepthMask(GL_FALSE);
    std::vector<bool> queried(objects.size(), false);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (objects[i].occluder || eyeNearBox(boxes_[i], eye)) continue;
        glBeginQuery(GL_SAMPLES_PASSED, ids_[i]);
        sendBox(boxes_[i]);
        glEndQuery(GL_SAMPLES_PASSED);
        queried[i] = true;
    }
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    drawn.assign(objects.size(), true);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (!queried[i]) continue;
        GLuint samples = 0;
        glGetQueryObjectuiv(ids_[i], GL_QUERY_RESULT, &samples);
        drawn[i] = samples > 0;
    }
    renderSceneObjects(scene, width, height, drawn);
}
