#pragma once
// The viewer's own frames, timed: the occlusion-culled frame stage by stage (with the per-object
// decisions it made), and the scene pass alone, drawing everything or a given set of objects.
//
// Conventions:
// - Times are in milliseconds, each interval bounded by glFinish (tools/stopwatch.h).
// - A frame's time covers the stages up to the end of the scene pass; the overlays are timed on
//   their own, since only the viewer draws them.
// - Everything here draws the global scene (occlusion/globals.h) in its current view and needs a
//   current OpenGL context.

#include <array>
#include <cstddef>
#include <vector>

#include "scene/scenelib.h"

// The viewer's culling, one measured method per depth rule: its name in the summary and the
// prefix of its columns in the CSV files.
struct CullingMethod {
    DepthRule rule;
    const char* name;
    const char* column;
};
inline constexpr CullingMethod kCullingMethods[] = {
    {DepthRule::Farthest, "hom", "hom"},
    {DepthRule::Conservative, "hom-conservative", "cons"},
    {DepthRule::DepthMap, "hom-depthmap", "dmap"},
    {DepthRule::Raster, "raster", "raster"},
};
inline constexpr std::size_t kCullingMethodCount =
    sizeof kCullingMethods / sizeof kCullingMethods[0];

enum Stage { kOccluders, kPyramid, kGrid, kDecide, kScenePass, kOverlays, kStageCount };
inline constexpr const char* kStageNames[kStageCount] = {"occluders", "pyramid", "grid",
                                                         "decide",    "scene",   "overlays"};

struct HomRun {
    double frameMs = 0.0;  // everything up to the end of the scene pass
    std::array<double, kStageCount> stageMs{};
    double gridFillMs = 0.0;   // the grid's fill alone, on the processor
    std::vector<bool> culled;  // one flag per object
    // The culling's own work: occluder pass, pyramid, grid and decisions.
    double overheadMs() const;
};

// The viewer's frame for the scene's current depth rule, stage by stage (the sequence of
// renderFrame), with the per-object decisions of its decision step. A window too small for
// culling gives zero stage times for the skipped stages and no object culled.
HomRun runHomFrame(int width, int height);

// The scene pass alone, untested: every object when drawn is null, else the objects whose flag
// is set (one flag per object).
double timeFrame(const std::vector<bool>* drawn, int width, int height);
