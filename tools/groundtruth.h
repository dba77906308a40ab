#pragma once
// The ground truth of the culling measurement: every object drawn with depth testing at full
// window resolution, each non-occluder in a colour that encodes its index, read back. An object is
// visible when at least one pixel shows its index.
//
// Conventions:
// - Non-occluder i is drawn in colour i + 1 as a 24-bit number, red the low byte; occluders and
//   the background are 0 (occluders still hide what lies behind them). The window needs 8 bits
//   per colour channel, and the scene fewer than 2^24 objects.
// - Everything here draws into the global scene's current view (occlusion/globals.h) and needs a
//   current OpenGL context; the scene's matrices must be built for the frame.

#include <vector>

#include "scene/scenelib.h"

// State for drawing plain colour or depth: no lighting, texturing, blending, dithering or
// offsets; both faces filled; the scene's matrices loaded; full window. The query culler draws
// its depth pass in the same state.
void setUpPlainPass(int width, int height);

// Sends an object's outline contours as filled polygons (holes are part of the object's
// surface in the viewer too: they are drawn as decals over the outline).
void sendOutlines(const Object& object);

struct GroundTruth {
    std::vector<int> pixels;      // per scene object (0 for occluders)
    std::vector<unsigned> shown;  // per window pixel, rows bottom first: object index + 1, or 0
};

// The ground-truth image: pixels per object, and which object every pixel shows. Stops the
// program when the image shows an index that is no object's.
GroundTruth renderGroundTruth(int width, int height);

// The occluders alone drawn as in the ground truth; the window depth (0 near, 1 far) of the
// nearest occluder per pixel, rows bottom first, 1.0 where none.
std::vector<float> renderOccluderDepth(int width, int height);

// Why a visible object was culled, from the pixels where it shows: those that no occluder
// covers (an opening the culling's samples missed) and those where an occluder lies behind it.
struct FalseCullCause {
    int uncovered = 0;
    int beforeOccluder = 0;
};
FalseCullCause explainFalseCull(std::size_t object, const GroundTruth& truth,
                                const std::vector<float>& occluderDepth);
