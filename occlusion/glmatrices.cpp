#include "occlusion/glmatrices.h"

#include <GL/gl.h>

void loadSceneMatrices(const Scene& scene) {
    float matrix[16];
    glMatrixMode(GL_MODELVIEW);
    scene.modelView.toColumnMajor(matrix);
    glLoadMatrixf(matrix);
    glMatrixMode(GL_PROJECTION);
    scene.projection.toColumnMajor(matrix);
    glLoadMatrixf(matrix);
}
