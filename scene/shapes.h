#pragma once
// Shape makers: each adds one complete object to a scene through its building interface.
//
// Conventions:
// - Shapes are built in their own frame, centred on the origin; the caller places them through
//   the scene's `modelling` stack and chooses material and images beforehand (beginObject copies
//   them).
// - Sizes arrive as doubles; every coordinate is computed in double precision and stored as a
//   float once. Angles use the constant 3.14159 for pi (6.28318 for 2 pi).
// - Slice and step counts are reals: a loop runs k = 0, 1, 2, ... while k < count, so a
//   fractional count rounds up and its last slice reaches past the full turn.
// - Every maker leaves the scene's current normal at the last normal it set, and the current
//   texture coordinates at the last pair it set (only the rectangle and the torus set them).
// - No maker checks its arguments. setNormal throws ZeroDivide only for the cone's side normal
//   when radius and height are both 0; the object begun so far then stays in the scene.

#include "scene/scenelib.h"

// Axis-aligned box of edge lengths sx, sy, sz: six quads, each wound counter-clockwise seen
// from outside, whose 24 vertices share exactly 8 distinct positions. kind 1 makes an occluder.
void makeBox(Scene& scene, double sx, double sy, double sz, int kind);

// One textured quad in the plane z = 0, texture coordinates (0, 0) to (1, 1).
void makeRectangle(Scene& scene, double width, double height);

// Cone along z from -height/2 to the apex at height/2: per slice a side triangle, then a base
// triangle. Side normals are (r cos, r sin, height) normalised, exact only when r == height.
void makeCone(Scene& scene, double radius, double height, double slices);

// Cylinder along z: one quad per slice, then the bottom cap and the top cap, each a polygon of
// one vertex per slice listed counter-clockwise seen from +z.
void makeCylinder(Scene& scene, double radius, double height, double slices);

// steps by steps quads of a sphere: theta turns about z from +x towards +y over thetaSpan,
// phi is measured from +z over phiSpan (radians). One normal per vertex.
void makeSpherePatch(Scene& scene, double radius, double steps, float thetaSpan, float phiSpan);

// The eighth of a sphere with x, y, z >= 0.
void makeSphereOctant(Scene& scene, double radius, double steps);

// Torus around z reaching radius 1 (tube 0.4 around a centre circle of 0.6), rings by sides
// quads, texture coordinates (u, v) wrapping one copy of a texture around the whole torus.
void makeTorus(Scene& scene, int rings, int sides);

// A flat capital A, 1 unit tall, standing on the x axis in the plane z = 0: one polygon whose
// outline of 8 vertices is followed by a triangular hole. After beginning the letter it sets
// the current material to grey (0.5, 0.5, 0.5, 1) with shininess 0, so the letter keeps the
// material current before the call and objects begun later get the grey.
void makeLetterA(Scene& scene);
