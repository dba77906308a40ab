#pragma once
// Hand-built scenes for the occlusion tests. The camera sits at the origin looking down -z with
// the viewer's projection for a square window (half-extent 0.4, near 0.1, far 100), so a point
// (x, y, z) with z < 0 lands at normalised device x = 2.5 x / -z, window x = (that + 1) * w / 2.

#include "math/vectors.h"
#include "scene/scenelib.h"

constexpr int kObjectKind = 0;
constexpr int kOccluderKind = 1;

// Loads the projection above and an identity model-view into the scene's stacks.
void setTestCamera(Scene& scene);

// A scene with the test camera, lighting and flat shading on, and one white light shining along
// -z.
Scene litScene();

// Adds an axis-aligned box between the corners lo and hi as one object of six quadrilaterals,
// counter-clockwise seen from outside, with outward normals. kind as for Scene::beginObject.
void addBox(Scene& scene, const Point3D& lo, const Point3D& hi, int kind);

// Adds one object of one quadrilateral facing +z at depth z, from (x0, y0) to (x1, y1), with
// texture coordinates 0 to 1 across it.
void addQuad(Scene& scene, float x0, float y0, float x1, float y1, float z, int kind);

// Normalised device depth of a point at eye-space depth z (negative in front of the eye).
float testCameraDepth(float z);
