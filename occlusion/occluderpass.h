#pragma once
// The occluder pass: the scene's occluders drawn white on black into a reduced viewport at the
// window origin, and the red channel of that image read back as opacity, level 0 of the
// occlusion pyramid. Values are exactly 0.0 (uncovered) or 1.0 (covered by some occluder):
// lighting, depth testing and texturing are off and the colour is pure white.
//
// The sound depth rules draw the same pass with a guard band (occlusion/guardband.h), and the
// depth-map rule with depth testing, reading the depth buffer back instead of the colour.

#include "occlusion/pixelimage.h"
#include "scene/scenelib.h"

// Draws every occluder of the scene, in scene order, with both faces filled into the back
// buffer's lower-left width by height pixels (viewport and scissor limited to them; the clear
// touches nothing else). Sets all the state it relies on; leaves the matrix mode on projection
// and the scissor test enabled.
void renderOccluders(const Scene& scene, int width, int height);

// The same pass with the guard band of a windowWidth by windowHeight window: the viewport is
// guardedCells(windowWidth) by guardedCells(windowHeight) and the projection is widened to match.
// With depthTested the occluders are depth-tested (GL_LESS against a cleared 1.0), so the depth
// buffer keeps the window depth of the nearest occluder at every cell's centre.
void renderGuardedOccluders(const Scene& scene, int windowWidth, int windowHeight,
                            bool depthTested);

// Fills both faces of the polygons drawn next, the one state of the occluder pass that the scene
// pass inherits (it sets the front faces only): a frame without an occluder pass calls it, so
// that the objects drawn before the first occluder look as in every other frame.
void fillBothFaces();

// Reads the width by height red values at the origin of the current read buffer as floats:
// result[x][y] is pixel (x, y), y = 0 the bottom row. Empty for a zero or negative size.
PixelImage readLevel0(int width, int height);

// Reads the width by height depth values at the origin as window depths (0 near, 1 far), laid
// out like readLevel0.
PixelImage readDepthImage(int width, int height);

// 1.0 where a depth lies before the far value 1.0, else 0.0. After renderGuardedOccluders with
// depth testing, an occluder coloured exactly the pixels whose depth it lowered below the
// cleared 1.0, so this is the opacity the colour read-back would give.
PixelImage coverageOfDepth(const PixelImage& depth);
