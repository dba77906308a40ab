#include "occlusion/reducedpass.h"

#include <GL/gl.h>

#include "occlusion/glmatrices.h"

void beginReducedPass(const Scene& scene, int width, int height, float clearGrey) {
    glViewport(0, 0, width, height);
    glScissor(0, 0, width, height);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(clearGrey, clearGrey, clearGrey, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glShadeModel(GL_FLAT);
    glDisable(GL_LIGHTING);
    loadSceneMatrices(scene);
    glColor3f(1.0f, 1.0f, 1.0f);
}
