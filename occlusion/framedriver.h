#pragma once
// The per-frame occlusion pipeline. One frame, in this fixed order:
//   1. zero the scene's counters;
//   2. draw the occluders into a w/10 by h/10 viewport and read them back as level 0 of
//      homPyramid; build the coarser levels;
//   3. build debGrid, w/20 by h/20 cells;
//   4. draw the scene with the visibility tests (full-size viewport);
//   5. draw the status line, then the pyramid and grid overlays;
//   6. empty homPyramid and debGrid.
// Steps 2 and 3 need images with cells: a window narrower or lower than 20 pixels (one grid
// cell) skips them, so the scene is drawn untested with both counters 0 and the overlays draw
// nothing. Every stage is a function of its own so that a measurement program can time them
// one by one; renderFrame is exactly their sequence.
//
// Precondition of every stage: a current OpenGL context, and the scene's modelView and
// projection stacks rebuilt for the frame.

#include <cstddef>

#include "scene/scenelib.h"

// Size of the status text buffer, terminating zero included.
constexpr std::size_t kStatusTextSize = 100;

struct FrameImageSizes {
    int level0Width, level0Height;  // window / 10, truncated
    int gridWidth, gridHeight;      // window / 20, truncated
    // Whether the window is large enough for the occluder pass, the pyramid, the grid and tests.
    bool cullingEnabled() const { return gridWidth > 0 && gridHeight > 0; }
};
FrameImageSizes frameImageSizes(int width, int height);

// Stage 2a: draws the occluders and appends their read-back image to homPyramid as level 0.
// homPyramid must be empty.
void buildOccluderLevel0(const Scene& scene, int level0Width, int level0Height);
// Stage 3: sizes debGrid to gridWidth by gridHeight and fills it.
void buildFrameDepthGrid(const Scene& scene, int gridWidth, int gridHeight);
// Stages 2 and 3 together (nothing when culling is not enabled for these sizes).
void buildOcclusionImages(const Scene& scene, const FrameImageSizes& sizes);

// "Objs: %d; Occldrs: 6; Passed HOM: %d; Passed DEB: %d" with the number of objects (occluders
// included) and the two counters, truncated to size - 1 characters. The occluder figure is fixed
// text.
void formatStatusText(const Scene& scene, char* msg, std::size_t size);
// Stage 5: the status line and both overlays.
void drawFrameOverlays(const Scene& scene, int width, int height);
// Stage 6 (also run first, so that a frame always starts from empty images).
void clearFrameImages();

// One whole frame for a width by height window, into the back buffer; does not swap.
void renderFrame(Scene& scene, int w, int h);
