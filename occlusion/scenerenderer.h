#pragma once
// The frame's main pass: the whole scene drawn lit and textured into the full window, skipping
// every object that the frame's decisions (occlusion/decisions.h) declare hidden.
//
// - Occluders are never tested and always drawn, as outlines of both faces.
// - The scene's counters take the decisions' counts: passedHom the objects that passed the
//   overlap test, passedDeb those that passed both (the hidden ones).
// - Graphics errors pending from earlier drawing are printed first, one "ERROR: 0x%x\n" line per
//   code on standard output.
// - A polygon's first contour is drawn with the object's material; each further contour is a
//   black decal pulled towards the viewer by polygon offset.
// - An object's texture is bound under its index in the scene as the texture name and uploaded
//   every time the object is drawn; a reflection image (sphere-mapped) wins over a texture.

#include <vector>

#include "occlusion/decisions.h"
#include "scene/scenelib.h"

// Draws the scene into the back buffer's (0, 0, width, height) viewport, every object but those
// decisions hide, and records the decisions' counts in scene.passedHom and scene.passedDeb.
// Throws std::invalid_argument when decisions do not hold one entry per object, and for a drawn
// object whose texture or reflection image is not a three-channel image of width * height
// pixels. Lights beyond what OpenGL offers (GL_MAX_LIGHTS) are ignored. Ends with glFlush; does
// not swap.
void renderScene(Scene& scene, int width, int height, const FrameDecisions& decisions);

// The same pass without tests, drawing exactly the objects whose flag in drawn is set (occluders
// included), in scene order and with the same state; the counters are not touched. A measuring
// program uses it to draw the set an ideal culler or another culling method would keep. Throws
// std::invalid_argument when drawn does not have one flag per object.
void renderSceneObjects(Scene& scene, int width, int height, const std::vector<bool>& drawn);
