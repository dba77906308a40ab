#include "occlusion/framedriver.h"

#include <cstdio>

#include "occlusion/depthestimation.h"
#include "occlusion/globals.h"
#include "occlusion/hompyramid.h"
#include "occlusion/occluderpass.h"
#include "occlusion/overlays.h"
#include "occlusion/scenerenderer.h"
#include "occlusion/visibility.h"

FrameImageSizes frameImageSizes(int width, int height) {
    FrameImageSizes sizes;
    sizes.level0Width = width / kLevel0Reduction;
    sizes.level0Height = height / kLevel0Reduction;
    sizes.gridWidth = width / kGridReduction;
    sizes.gridHeight = height / kGridReduction;
    return sizes;
}

void buildOccluderLevel0(const Scene& frameScene, int level0Width, int level0Height) {
    renderOccluders(frameScene, level0Width, level0Height);
    homPyramid.push_back(readLevel0(level0Width, level0Height));
}

void buildFrameDepthGrid(const Scene& frameScene, int gridWidth, int gridHeight) {
    debGrid.resize(gridWidth, gridHeight);
    buildDepthEstimationBuffer(frameScene, gridWidth, gridHeight);
}

void buildOcclusionImages(const Scene& frameScene, const FrameImageSizes& sizes) {
    if (!sizes.cullingEnabled()) return;
    buildOccluderLevel0(frameScene, sizes.level0Width, sizes.level0Height);
    buildHomPyramid(homPyramid);
    buildFrameDepthGrid(frameScene, sizes.gridWidth, sizes.gridHeight);
}

void formatStatusText(const Scene& frameScene, char* msg, std::size_t size) {
    std::snprintf(msg, size, "Objs: %d; Occldrs: 6; Passed HOM: %d; Passed DEB: %d",
                  static_cast<int>(frameScene.objects.size()), frameScene.passedHom,
                  frameScene.passedDeb);
}

void drawFrameOverlays(const Scene& frameScene, int width, int height) {
    char msg[kStatusTextSize];
    formatStatusText(frameScene, msg, sizeof msg);
    drawStatusText(msg, width, height);
    drawHomOverlay(width, height);
    drawDebOverlay(width, height);
}

void clearFrameImages() {
    homPyramid.clear();
    debGrid.clear();
}

void renderFrame(Scene& frameScene, int w, int h) {
    frameScene.passedHom = 0;
    frameScene.passedDeb = 0;
    clearFrameImages();
    buildOcclusionImages(frameScene, frameImageSizes(w, h));
    renderScene(frameScene, w, h, homPyramid, debGrid);
    drawFrameOverlays(frameScene, w, h);
    clearFrameImages();
}
