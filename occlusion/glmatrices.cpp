#include "occlusion/glmatrices.h"

#include <GL/gl.h>

namespace {

void loadStack(GLenum mode, const TransformStack& stack) {
    float matrix[16];
    glMatrixMode(mode);
    stack.toColumnMajor(matrix);
    glLoadMatrixf(matrix);
}

}  // namespace

void loadSceneMatrices(const Scene& scene) {
    loadStack(GL_MODELVIEW, scene.modelView);
    loadStack(GL_PROJECTION, scene.projection);
}

void loadSceneMatrices(const Scene& scene, const Matrix4x4& clipAdjust) {
    TransformStack adjusted;
    adjusted.current = clipAdjust * scene.projection.current;
    loadStack(GL_MODELVIEW, scene.modelView);
    loadStack(GL_PROJECTION, adjusted);
}
