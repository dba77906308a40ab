#pragma once
// What the culling measurement writes: the per-view CSV, the false-cull and per-object files, and
// the summary on stdout.
//
// Conventions:
// - Views are numbered from 0 along the camera path; objects by their index in the scene.
// - CSV files are comma-separated with one header line; numbers use the stream's default format.
// - The viewer's culling is one method per depth rule (kCullingMethods: "hom" for the farthest
//   rule, "hom-conservative", "hom-depthmap", "raster"); CSV columns carry each method's short
//   prefix (hom, cons, dmap, raster). Times are in milliseconds.

#include <array>
#include <cstddef>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "tools/groundtruth.h"
#include "tools/measureoptions.h"
#include "tools/measurestats.h"
#include "tools/residentmemory.h"
#include "tools/timedframes.h"

// Everything measured in one view.
struct ViewRecord {
    CameraState camera;
    std::array<DecisionCounts, kCullingMethodCount> culling;  // per entry of kCullingMethods
    std::array<HomRun, kCullingMethodCount> runs;
    DecisionCounts queries;
    double truthMs = 0.0, noneMs = 0.0, oracleMs = 0.0, queriesMs = 0.0;
    // Each method's culling overhead (HomRun::overheadMs) in this view when its frames are drawn
    // one after another along the path, with no other method's frame between two of them.
    std::array<double, kCullingMethodCount> sequenceOverheadMs{};
};

// A visible object that one of the viewer's culling methods culled.
struct FalseCull {
    std::size_t view;
    CameraState camera;
    const char* method;  // a name of kCullingMethods
    std::size_t object;
    int pixels;  // its pixels in the ground truth
    FalseCullCause cause;
};

// "object I (grid cell R, C)" for the demo scene's grid of (2 halfCells + 1) boxes a side,
// "object I" for the random scene.
std::string describeObject(std::size_t object, const Options& options);

// "rotX X rotZ Z zoom Z pan X Y", numbers in %g.
std::string describeCamera(const CameraState& c);

// Opens path for writing; stops the program with a message naming it when that fails.
std::ofstream openOutput(const std::string& path);

// The per-view CSV: counts first, then times, the overheads in sequence last.
void writeCsvHeader(std::ostream& out);
void writeCsvRow(std::ostream& out, std::size_t view, const ViewRecord& r);

// The false-cull file: one row per false cull of any method.
void writeFalseCullHeader(std::ostream& out);
void writeFalseCullRow(std::ostream& out, const FalseCull& f);

// The per-object file: one row per view and non-occluder, with its ground-truth pixels, every
// method's decision (r.runs[k].culled, still filled) and whether the queries drew it.
void writeObjectHeader(std::ostream& out);
void writeObjectRows(std::ostream& out, std::size_t view, const ViewRecord& r,
                     const std::vector<bool>& occluder, const std::vector<int>& pixels,
                     const std::vector<bool>& queryDrawn);

// The summary on stdout: the scene and renderer, frame times per method, culling effectiveness,
// each method's stages and overhead, then its overhead in sequence (each median, 95th percentile
// and median over hom's), decision totals, memory and the first false culls. Reads the global
// scene's objects and the current OpenGL context's renderer strings.
void printSummary(const Options& options, const std::vector<ViewRecord>& records,
                  const std::vector<FalseCull>& falseCulls, const MemoryMarks& memory,
                  double wallSeconds);
