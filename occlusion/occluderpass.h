#pragma once
// The occluder pass: the scene's occluders drawn white on black into a reduced viewport at the
// window origin, and the red channel of that image read back as opacity, level 0 of the
// occlusion pyramid. Values are exactly 0.0 (uncovered) or 1.0 (covered by some occluder):
// lighting, depth testing and texturing are off and the colour is pure white.

#include "occlusion/pixelimage.h"
#include "scene/scenelib.h"

// Draws every occluder of the scene, in scene order, with both faces filled into the back
// buffer's lower-left width by height pixels (viewport and scissor limited to them; the clear
// touches nothing else). Sets all the state it relies on; leaves the matrix mode on projection
// and the scissor test enabled.
void renderOccluders(const Scene& scene, int width, int height);

// Reads the width by height red values at the origin of the current read buffer as floats:
// result[x][y] is pixel (x, y), y = 0 the bottom row. Empty for a zero or negative size.
PixelImage readLevel0(int width, int height);
