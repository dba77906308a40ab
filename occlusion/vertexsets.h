#pragma once
// Per-object vertex sets: the distinct vertex positions that the visibility tests project instead
// of an object's polygons.

#include "scene/scenelib.h"

// Appends to each object's vertexSet every vertex position of its polygons not already present,
// in order of first occurrence. Positions are compared with exact four-component equality
// (+0 equals -0, no tolerance). Appending, not rebuilding: a second call changes nothing.
// Runs when a scene is built, not per frame.
void computeVertexSets(Scene& scene);
