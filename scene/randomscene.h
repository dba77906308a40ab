#pragma once
// A random test scene in the demo's area, for measuring culling on layouts nobody tuned it to:
// the demo's lights, then small boxes of random size, place, orientation and colour, then a few
// occluder boxes of random size, place and orientation.
//
// Conventions: the small boxes lie within [-1, 1] in x and y and [-0.4, 0.4] in z, the
// occluders' centres within [-1.6, 1.6] in x and y and [-0.8, 0.8] in z (the demo's slabs stand
// at 1.5 and 0.7). Random numbers come from std::mt19937 mapped to floats by the code itself, so
// a seed gives the same scene with every standard library.

#include "scene/scenelib.h"

// Resets the scene and fills it: lighting and flat shading on, the demo's ambient and lights,
// objectCount small boxes (objects 0 to objectCount - 1, edges 0.03 to 0.15), then occluderCount
// occluders (edges 0.05 to 1.2). Each box is turned about z, then x, then z again by random
// angles. Throws std::invalid_argument for negative counts.
void buildRandomScene(Scene& scene, unsigned seed, int occluderCount, int objectCount);
