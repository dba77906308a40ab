#include "occlusion/framedriver.h"

#include <cstdio>

#include "occlusion/depthestimation.h"
#include "occlusion/depthrules.h"
#include "occlusion/globals.h"
#include "occlusion/guardband.h"
#include "occlusion/hompyramid.h"
#include "occlusion/occluderpass.h"
#include "occlusion/overlays.h"
#include "occlusion/scenerenderer.h"
#include "occlusion/visibility.h"

FrameImageSizes frameImageSizes(int width, int height) {
    FrameImageSizes sizes;
    sizes.width = width;
    sizes.height = height;
    sizes.level0Width = width / kLevel0Reduction;
    sizes.level0Height = height / kLevel0Reduction;
    sizes.gridWidth = width / kGridReduction;
    sizes.gridHeight = height / kGridReduction;
    sizes.guardedWidth = guardedCells(width);
    sizes.guardedHeight = guardedCells(height);
    return sizes;
}

void buildOccluderImages(const Scene& frameScene, const FrameImageSizes& sizes) {
    switch (frameScene.depthRule) {
        case DepthRule::Farthest:
            renderOccluders(frameScene, sizes.level0Width, sizes.level0Height);
            homPyramid.push_back(readLevel0(sizes.level0Width, sizes.level0Height));
            break;
        case DepthRule::Conservative:
            renderGuardedOccluders(frameScene, sizes.width, sizes.height, false);
            guardedCoverage = readLevel0(sizes.guardedWidth, sizes.guardedHeight);
            homPyramid.push_back(
                innerCells(guardedCoverage, sizes.level0Width, sizes.level0Height));
            break;
        case DepthRule::DepthMap:
            renderGuardedOccluders(frameScene, sizes.width, sizes.height, true);
            debGrid = readDepthImage(sizes.guardedWidth, sizes.guardedHeight);
            guardedCoverage = coverageOfDepth(debGrid);
            homPyramid.push_back(
                innerCells(guardedCoverage, sizes.level0Width, sizes.level0Height));
            break;
        case DepthRule::Raster:
            // On the processor; the pictures are made from it only when the overlays are drawn.
            rasterCulling.build(frameScene, sizes.width, sizes.height);
            fillBothFaces();
            break;
    }
}

void buildFrameDepthGrid(const Scene& frameScene, const FrameImageSizes& sizes) {
    if (!usesGrid(frameScene.depthRule)) return;
    debGrid.resize(sizes.gridWidth, sizes.gridHeight);
    buildDepthEstimationBuffer(frameScene, sizes.gridWidth, sizes.gridHeight);
}

void buildOcclusionImages(const Scene& frameScene, const FrameImageSizes& sizes) {
    // A window-sized buffer is held only while the raster rule uses it.
    if (frameScene.depthRule != DepthRule::Raster || !sizes.cullingEnabled()) {
        rasterCulling.release();
    }
    if (!sizes.cullingEnabled()) return;
    buildOccluderImages(frameScene, sizes);
    buildHomPyramid(homPyramid);
    buildFrameDepthGrid(frameScene, sizes);
}

void decideFrame(const Scene& frameScene, int width, int height, FrameDecisions& decisions) {
    if (frameScene.depthRule == DepthRule::Raster) {
        // A window too small for culling released the buffer: every object stays untested.
        decideVisibility(frameScene, width, height, rasterCulling, decisions);
        return;
    }
    static const PixelImage kNoImage;
    const PixelImage& coverage = frameScene.depthRule == DepthRule::Farthest
                                     ? (homPyramid.empty() ? kNoImage : homPyramid[0])
                                     : guardedCoverage;
    decideVisibility(frameScene, width, height, coverage, debGrid, decisions);
}

void formatStatusText(const Scene& frameScene, char* msg, std::size_t size) {
    std::snprintf(msg, size, "Objs: %d; Occldrs: 6; Passed HOM: %d; Passed DEB: %d",
                  static_cast<int>(frameScene.objects.size()), frameScene.passedHom,
                  frameScene.passedDeb);
}

std::vector<std::string> statusLines(const Scene& frameScene, int width) {
    char msg[kStatusTextSize];
    formatStatusText(frameScene, msg, sizeof msg);
    std::vector<std::string> lines = wrapStatusText(msg, width, statusCharacterWidth);
    if (frameScene.depthRule != DepthRule::Farthest) {
        lines.insert(lines.begin(),
                     std::string("Depth test: ") + depthRuleName(frameScene.depthRule));
    }
    return lines;
}

void drawFrameOverlays(const Scene& frameScene, int width, int height) {
    const FrameImageSizes sizes = frameImageSizes(width, height);
    if (frameScene.depthRule == DepthRule::Raster && sizes.cullingEnabled()) {
        homPyramid.assign(1, PixelImage());
        rasterCulling.pictures(homPyramid[0], sizes.level0Width, sizes.level0Height, debGrid,
                               sizes.gridWidth, sizes.gridHeight);
        buildHomPyramid(homPyramid);
    }
    drawStatusLines(statusLines(frameScene, width), width, height);
    drawHomOverlay(width, height);
    drawDebOverlay(width, height);
}

void clearFrameImages() {
    homPyramid.clear();
    debGrid.clear();
    guardedCoverage.clear();
}

void renderFrame(Scene& frameScene, int w, int h) {
    frameScene.passedHom = 0;
    frameScene.passedDeb = 0;
    clearFrameImages();
    buildOcclusionImages(frameScene, frameImageSizes(w, h));
    decideFrame(frameScene, w, h, frameDecisions);
    renderScene(frameScene, w, h, frameDecisions);
    drawFrameOverlays(frameScene, w, h);
    clearFrameImages();
}
