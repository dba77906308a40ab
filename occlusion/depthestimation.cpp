#include "occlusion/depthestimation.h"

#include <GL/gl.h>

#include "occlusion/globals.h"
#include "occlusion/reducedpass.h"
#include "occlusion/visibility.h"

void buildDepthEstimationBuffer(const Scene& occluderScene, int gridWidth, int gridHeight) {
    // Nothing is drawn: the pass sets its state, then the grid is pure arithmetic.
    beginReducedPass(occluderScene, gridWidth, gridHeight, 1.0f);
    glPolygonMode(GL_FRONT, GL_FILL);

    if (debGrid.width() != gridWidth || debGrid.height() != gridHeight) {
        debGrid.resize(gridWidth, gridHeight);
    }
    fillDepthEstimationGrid(occluderScene, debGrid);
}
