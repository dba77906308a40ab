#include "tools/groundtruth.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "occlusion/glmatrices.h"
#include "occlusion/globals.h"

void setUpPlainPass(int width, int height) {
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, width, height);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_BLEND);
    glDisable(GL_DITHER);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glShadeModel(GL_FLAT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    loadSceneMatrices(scene);
}

void sendOutlines(const Object& object) {
    for (const Polygon& polygon : object.polygons) {
        glBegin(GL_POLYGON);
        for (std::size_t k = 0; k < polygon.size(); ++k) {
            if (k > 0 && polygon[k].link != static_cast<int32_t>(k) - 1) break;
            const Vector4D& p = polygon[k].position;
            glVertex3f(p.x, p.y, p.z);
        }
        glEnd();
    }
}

GroundTruth renderGroundTruth(int width, int height) {
    setUpPlainPass(width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const Object& object = scene.objects[i];
        const unsigned id = object.occluder ? 0u : static_cast<unsigned>(i + 1);
        glColor3ub(static_cast<GLubyte>(id & 0xffu), static_cast<GLubyte>((id >> 8) & 0xffu),
                   static_cast<GLubyte>((id >> 16) & 0xffu));
        sendOutlines(object);
    }
    // BGRA is the renderer's own layout here: the read-back is a copy, not a conversion.
    std::vector<GLubyte> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                                4u);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    GroundTruth truth;
    truth.pixels.assign(scene.objects.size(), 0);
    truth.shown.resize(pixels.size() / 4);
    for (std::size_t p = 0; p < pixels.size(); p += 4) {
        const unsigned id = pixels[p + 2] | (pixels[p + 1] << 8) | (pixels[p] << 16);
        truth.shown[p / 4] = id;
        if (id == 0) continue;
        if (id > scene.objects.size()) {
            std::fprintf(stderr, "error: ground truth shows an unknown index %u\n", id);
            std::exit(1);
        }
        ++truth.pixels[id - 1];
    }
    return truth;
}

std::vector<float> renderOccluderDepth(int width, int height) {
    setUpPlainPass(width, height);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (const Object& object : scene.objects) {
        if (object.occluder) sendOutlines(object);
    }
    std::vector<float> depth(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    return depth;
}

FalseCullCause explainFalseCull(std::size_t object, const GroundTruth& truth,
                                const std::vector<float>& occluderDepth) {
    FalseCullCause cause;
    const unsigned id = static_cast<unsigned>(object + 1);
    for (std::size_t p = 0; p < truth.shown.size() && p < occluderDepth.size(); ++p) {
        if (truth.shown[p] != id) continue;
        if (occluderDepth[p] < 1.0f) {
            ++cause.beforeOccluder;
        } else {
            ++cause.uncovered;
        }
    }
    return cause;
}
