#pragma once
// The depth rules of the culling, stepped through in this order by the "g" key. Each decides,
// for an object whose screen rectangle the occluders cover, whether it lies behind them.
//
// - Farthest: the grid (one cell per 20 by 20 pixels) keeps per cell the nearest of the farthest
//   depths of the occluders whose screen rectangles cover it; an object passes when its farthest
//   depth lies behind every cell under it. It culls the most of the grid rules and costs one
//   pass of arithmetic over the occluders, but it is not sound: a near occluder's rectangle lends
//   its depth to cells that a farther occluder actually covers, so visible objects get culled.
// - Conservative: the grid keeps the farthest of those depths, over every cell a rectangle
//   touches (an occluder reaching behind the eye is bounded by its part beyond the near plane),
//   and the object offers its nearest depth; the overlap test scans a guard band beyond the
//   window's edges. Sound for depth (its coverage samples share the depth map's blind spot for
//   narrow openings, below); the price is that one distant occluder over a cell hides nothing
//   in front of it, so little is culled.
// - DepthMap: the occluder pass depth-tests the occluders and its depth buffer is read back
//   instead of its colour: per level-0 cell the window depth of the nearest occluder at the
//   cell's centre, with a guard band of one cell beyond every window edge. An object is hidden
//   when its nearest depth lies behind every sample around its rectangle. No grid is built, so
//   it costs about what the farthest rule costs. Samples can miss an opening between two
//   occluders narrower than a cell, or a farther occluder showing between samples that met a
//   nearer one: sound on the demo's slabs, not by construction.
// - Raster: no OpenGL pass at all. The occluders' front faces are rasterised on the processor
//   into a depth buffer at window resolution (occlusion/rasterculling.h), and an object is
//   hidden when its nearest depth lies behind the occluders at every pixel of its rectangle, or
//   failing that of its outline, the convex hull of its projected corners.
//   Every pixel centre is sampled, so no opening escapes; it costs the rasterisation of the
//   occluders' pixels and nothing waits for the graphics pipeline.

#include "scene/scenelib.h"

inline constexpr DepthRule kDepthRules[] = {DepthRule::Farthest, DepthRule::Conservative,
                                            DepthRule::DepthMap, DepthRule::Raster};
inline constexpr int kDepthRuleCount = static_cast<int>(sizeof kDepthRules / sizeof kDepthRules[0]);

// The rule after `rule` in kDepthRules, wrapping around to the first.
DepthRule nextDepthRule(DepthRule rule);

// "farthest", "conservative", "depth map", "raster".
const char* depthRuleName(DepthRule rule);

// Whether the rule's depth test reads the depth estimation grid (the others have none).
inline bool usesGrid(DepthRule rule) {
    return rule == DepthRule::Farthest || rule == DepthRule::Conservative;
}
