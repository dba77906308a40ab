#pragma once
// The frame's decision step: once per frame, on the processor, what the culling decides for
// every object of the scene under its depth rule. The scene pass draws from these decisions, the
// status line's counters come from them, and the measuring programs read them.

#include <cstdint>
#include <vector>

#include "occlusion/pixelimage.h"
#include "occlusion/rasterculling.h"
#include "occlusion/vectorprojection.h"
#include "occlusion/visibility.h"
#include "scene/scenelib.h"

struct FrameDecisions {
    std::vector<Visibility> objects;  // one per scene object; occluders are never tested
    int32_t passedHom = 0;            // objects that passed the overlap test
    int32_t passedDeb = 0;            // objects that passed both tests: the hidden ones
    // The objects' projections while they are decided, kept for their memory.
    ProjectedSets projections;
};

// Decides every object of the scene for a width by height window under scene.depthRule, against
// the images that rule reads (see testVisibility): coverage and depth. When either image has no
// cell (a window too small for culling) every object is left untested. decisions is resized to
// the scene's objects; its storage is reused from frame to frame.
void decideVisibility(const Scene& scene, int width, int height, const PixelImage& coverage,
                      const PixelImage& depth, FrameDecisions& decisions);

// The raster rule's decisions, against the occlusion buffer raster.build drew for this frame;
// every object is left untested when the buffer was not sized for this window.
void decideVisibility(const Scene& scene, int width, int height, RasterCulling& raster,
                      FrameDecisions& decisions);
