#pragma once
// The viewer's test scene: two directional lights, a 15 by 15 grid of small boxes whose colour
// circles the hue wheel around the grid centre and whose height falls towards the edge, and six
// large slabs around the grid that are the scene's occluders.

#include "scene/scenelib.h"

// Resets the scene and fills it: lighting and flat shading on, ambient (0.3, 0.3, 0.3, 1), two
// lights, then 231 objects: the grid box of cell (i, j) at index 15 i + j, followed by the six
// slabs (the only occluders), which carry the material of the last grid box. The result depends
// on nothing but constants, so every rebuild yields the identical scene. Boxes are placed through
// `modelling`, which is left as it was found.
void buildDemoScene(Scene& scene);

// The same layout with a (2 halfCells + 1) by (2 halfCells + 1) grid scaled into the same area:
// footprint 3 / (4 halfCells), the shear and the colours following the box's place as in the
// demo, then the same six slabs. Grid box (i, j) is object (2 halfCells + 1) i + j. With
// halfCells = 7 the result is exactly buildDemoScene's. Throws std::invalid_argument for
// halfCells < 1.
void buildDemoGridScene(Scene& scene, int halfCells);

// Resets the scene to the demo's lighting, with no objects: lighting and flat shading on, ambient
// (0.3, 0.3, 0.3, 1) and the two directional lights. The demo and the random scenes start so.
void resetToDemoLighting(Scene& scene);
