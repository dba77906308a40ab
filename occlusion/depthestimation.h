#pragma once
// The depth estimation buffer: a coarse grid over the window, one cell per 20 by 20 pixels,
// holding for each cell a normalised device depth beyond which an object covered by the
// occluders there counts as hidden. Rebuilt every frame from the occluders' vertex sets, on the
// processor; the graphics state is only prepared, nothing is drawn.
//
// Cell values follow the scene's depth rule (occlusion/depthrules.h): under the farthest rule
// the nearest of the farthest depths of the occluders over a cell, under the conservative rule
// the farthest of them. Cells no occluder covers hold 1.0, the far plane.

#include "scene/scenelib.h"

// Sets the viewport and scissor to (0, 0, gridWidth, gridHeight), clears colour (to white) and
// depth within them, disables depth testing and lighting, selects flat shading, loads the scene's
// matrices (mode left on projection), sets the colour to white and the front faces to filled;
// then makes debGrid gridWidth by gridHeight and fills it from the scene's occluders.
void buildDepthEstimationBuffer(const Scene& scene, int gridWidth, int gridHeight);
