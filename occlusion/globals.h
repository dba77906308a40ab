#pragma once
// The process-wide objects of the viewer: the one scene, the occlusion pyramid and the depth
// estimation grid. They are defined in one translation unit, so static initialisation builds
// them in this order (scene first) and exit destroys them in reverse. The pyramid and the grid
// are empty between frames; renderFrame fills and empties them.

#include <vector>

#include "occlusion/decisions.h"
#include "occlusion/pixelimage.h"
#include "occlusion/rasterculling.h"
#include "scene/scenelib.h"

extern Scene scene;
// Level k of the hierarchical occlusion map is entry k; level 0 is the finest.
extern std::vector<PixelImage> homPyramid;
// The image the depth test reads: one cell per 20 by 20 window pixels holding normalised device
// depths under the grid rules; the guarded depth map (window depths) under the depth-map rule.
extern PixelImage debGrid;
// The occluders' coverage with the guard band (occlusion/guardband.h), which the overlap test
// of every rule but the farthest one reads; empty in frames of the farthest rule.
extern PixelImage guardedCoverage;
// The raster rule's occlusion buffer, sized to the window; drawn afresh in each of its frames.
extern RasterCulling rasterCulling;
// The frame's decisions, kept from frame to frame only so that their storage is reused.
extern FrameDecisions frameDecisions;
