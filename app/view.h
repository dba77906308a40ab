#pragma once
// The camera model: rebuilds the scene's projection and model-view stacks for a window of
// w by h pixels from the camera state.
//
// The smaller window side spans a half-angle of atan 0.4 and the larger one is widened in
// proportion, so the picture is never stretched. A scene point is spun by rotZ about the scene's
// z axis, tilted by rotX about x, then moved away from the eye by 3 - 0.25 * zoom units and
// panned at 100 pixels per unit. The scene's origin is the pivot of every rotation.

#include "scene/scenelib.h"

void setView(Scene& scene, int w, int h);
