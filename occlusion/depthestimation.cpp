#include "occlusion/depthestimation.h"

#include <GL/gl.h>

#include "occlusion/glmatrices.h"
#include "occlusion/globals.h"
#include "occlusion/visibility.h"

void buildDepthEstimationBuffer(const Scene& occluderScene, int gridWidth, int gridHeight) {
    glViewport(0, 0, gridWidth, gridHeight);
    // The clear must not reach beyond the grid's viewport: the scene pass clears the window.
    glScissor(0, 0, gridWidth, gridHeight);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glShadeModel(GL_FLAT);
    glDisable(GL_LIGHTING);
    loadSceneMatrices(occluderScene);
    glColor3f(1.0f, 1.0f, 1.0f);
    glPolygonMode(GL_FRONT, GL_FILL);

    if (debGrid.width() != gridWidth || debGrid.height() != gridHeight) {
        debGrid.resize(gridWidth, gridHeight);
    }
    fillDepthEstimationGrid(occluderScene, debGrid);
}
