#pragma once
// The common start of the two reduced passes of a frame, the occluder image and the depth grid,
// which draw into a small viewport at the window origin before the scene pass.

#include "scene/scenelib.h"

// Sets a width by height viewport at the origin and clears colour (to the grey clearGrey, opaque)
// and depth there only: the scissor test limits the clear to the viewport, since the scene pass
// clears the whole window anyway. Then: no depth test, flat shading, no lighting, the scene's
// modelView and projection loaded (matrix mode left on GL_PROJECTION), white current colour.
// Each pass sets its own polygon mode.
void beginReducedPass(const Scene& scene, int width, int height, float clearGrey);
