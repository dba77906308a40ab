#pragma once
// The process-wide objects of the viewer: the one scene, the occlusion pyramid and the depth
// estimation grid. They are defined in one translation unit, so static initialisation builds
// them in this order (scene first) and exit destroys them in reverse. The pyramid and the grid
// are empty between frames; renderFrame fills and empties them.

#include <vector>

#include "occlusion/pixelimage.h"
#include "scene/scenelib.h"

extern Scene scene;
// Level k of the hierarchical occlusion map is entry k; level 0 is the finest.
extern std::vector<PixelImage> homPyramid;
// One cell per 20 by 20 window pixels, holding normalised device depths.
extern PixelImage debGrid;
