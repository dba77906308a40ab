#pragma once
// Loading the scene's own transform stacks into OpenGL. The scene passes never build matrices
// with OpenGL's matrix functions: each pass loads the stacks' current matrices as they are.

#include "scene/scenelib.h"

// Loads scene.modelView into GL_MODELVIEW and scene.projection into GL_PROJECTION through
// toColumnMajor and glLoadMatrixf, leaving the matrix mode on GL_PROJECTION.
void loadSceneMatrices(const Scene& scene);

// The same with the projection premultiplied by clipAdjust (a change of clip coordinates, such
// as the guard band's): GL_PROJECTION = clipAdjust * scene.projection.
void loadSceneMatrices(const Scene& scene, const Matrix4x4& clipAdjust);
