#pragma once
// The per-frame occlusion pipeline. One frame, in this fixed order:
//   1. zero the scene's counters;
//   2. the occluder pass of the scene's depth rule and its read-back: level 0 of homPyramid
//      (w/10 by h/10), and for the guarded rules guardedCoverage, for the depth-map rule the
//      depth map in debGrid; then the pyramid's coarser levels. The raster rule instead draws
//      the occluders into rasterCulling's buffer on the processor, and makes its pictures
//      (level 0 and the grid from the buffer) only in step 6;
//   3. for the grid rules, debGrid, w/20 by h/20 cells;
//   4. the decisions for every object (occlusion/decisions.h);
//   5. the scene drawn from the decisions (full-size viewport);
//   6. the status line, then the pyramid and depth-image overlays;
//   7. empty homPyramid, debGrid and guardedCoverage.
// Steps 2 and 3 need images with cells: a window narrower or lower than 20 pixels (one grid
// cell) skips them, so the scene is drawn untested with both counters 0 and the overlays draw
// nothing. Every stage is a function of its own so that a measurement program can time them
// one by one; renderFrame is exactly their sequence.
//
// Precondition of every stage: a current OpenGL context, and the scene's modelView and
// projection stacks rebuilt for the frame.

#include <cstddef>
#include <string>
#include <vector>

#include "occlusion/decisions.h"
#include "scene/scenelib.h"

// Size of the status text buffer, terminating zero included.
constexpr std::size_t kStatusTextSize = 100;

struct FrameImageSizes {
    int width, height;                // the window
    int level0Width, level0Height;    // window / 10, truncated
    int gridWidth, gridHeight;        // window / 20, truncated
    int guardedWidth, guardedHeight;  // guardedCells of the window's sides
    // Whether the window is large enough for the occluder pass, the pyramid, the grid and tests.
    bool cullingEnabled() const { return gridWidth > 0 && gridHeight > 0; }
};
FrameImageSizes frameImageSizes(int width, int height);

// Stage 2a: the occluder pass of the scene's depth rule and its read-back. Appends level 0 to
// homPyramid, which must be empty; the guarded rules also fill guardedCoverage, and the
// depth-map rule debGrid with its depth map. The raster rule draws rasterCulling's buffer.
void buildOccluderImages(const Scene& scene, const FrameImageSizes& sizes);
// Stage 3: sizes debGrid to the grid and fills it, for the farthest and conservative rules; the
// depth-map and raster rules have no grid.
void buildFrameDepthGrid(const Scene& scene, const FrameImageSizes& sizes);
// Stages 2 and 3 together (nothing when culling is not enabled for these sizes).
void buildOcclusionImages(const Scene& scene, const FrameImageSizes& sizes);

// Stage 4: decideVisibility against the images the scene's depth rule reads, as stages 2 and 3
// left them.
void decideFrame(const Scene& scene, int width, int height, FrameDecisions& decisions);

// "Objs: %d; Occldrs: 6; Passed HOM: %d; Passed DEB: %d" with the number of objects (occluders
// included) and the two counters, truncated to size - 1 characters. The occluder figure is fixed
// text.
void formatStatusText(const Scene& scene, char* msg, std::size_t size);
// The text lines over the scene, top first: the status text broken to fit the window (see
// wrapStatusText), preceded by "Depth test: <rule>" under every rule but the farthest one.
std::vector<std::string> statusLines(const Scene& scene, int width);
// Stage 6: the status lines and both overlays (for the raster rule, first its pictures).
void drawFrameOverlays(const Scene& scene, int width, int height);
// Stage 7 (also run first, so that a frame always starts from empty images).
void clearFrameImages();

// One whole frame for a width by height window, into the back buffer; does not swap.
void renderFrame(Scene& scene, int w, int h);
