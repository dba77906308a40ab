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
#include <vector>

enum Stage { kOccluders, kPyramid, kGrid, kScenePass, kOverlays, kStageCount };
inline constexpr const char* kStageNames[kStageCount] = {"occluders", "pyramid", "grid", "scene",
                                                         "overlays"};

struct HomRun {
    double frameMs = 0.0;  // counters to the end of the scene pass
    std::array<double, kStageCount> stageMs{};
    double testsMs = 0.0;      // the per-object tests alone, on the processor
    double gridFillMs = 0.0;   // the grid's fill alone, on the processor
    std::vector<bool> culled;  // one flag per object
};

// The viewer's frame for the scene's current depth rule, stage by stage (the sequence of
// renderFrame), followed by the per-object decisions that the scene pass made, recomputed with
// the same test on the same images and checked against its counters. Stops the program when they
// disagree. A window too small for culling gives zero stage times for the skipped stages and no
// object culled.
HomRun runHomFrame(int width, int height);

// The scene pass alone, untested: every object when drawn is null, else the objects whose flag
// is set (one flag per object).
double timeFrame(const std::vector<bool>* drawn, int width, int height);
