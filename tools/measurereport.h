#pragma once
// What the culling measurement writes: the per-view CSV, the false-cull and per-object files, and
// the summary on stdout.
//
// Conventions:
// - Views are numbered from 0 along the camera path; objects by their index in the scene.
// - CSV files are comma-separated with one header line; numbers use the stream's default format.
// - "hom" is the viewer's culling with the farthest-depth rule, "hom-conservative" (or "cons" in
//   CSV column names) with the conservative rule; times are in milliseconds.

#include <cstddef>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "tools/measureoptions.h"
#include "tools/measurestats.h"
#include "tools/residentmemory.h"
#include "tools/timedframes.h"

// Everything measured in one view.
struct ViewRecord {
    CameraState camera;
    DecisionCounts hom, conservative, queries;
    HomRun homRun, conservativeRun;
    double truthMs = 0.0, noneMs = 0.0, oracleMs = 0.0, queriesMs = 0.0;
};

// A visible object that one of the viewer's depth rules culled.
struct FalseCull {
    std::size_t view;
    CameraState camera;
    const char* rule;  // "hom" or "hom-conservative"
    std::size_t object;
    int pixels;  // its pixels in the ground truth
};

// "object I (grid cell R, C)" for a demo grid of (2 halfCells + 1) boxes a side.
std::string describeObject(std::size_t object, int halfCells);

// "rotX X rotZ Z zoom Z pan X Y", numbers in %g.
std::string describeCamera(const CameraState& c);

// Opens path for writing; stops the program with a message naming it when that fails.
std::ofstream openOutput(const std::string& path);

// The per-view CSV: counts first, then times.
void writeCsvHeader(std::ostream& out);
void writeCsvRow(std::ostream& out, std::size_t view, const ViewRecord& r);

// The false-cull file: one row per false cull of either rule.
void writeFalseCullHeader(std::ostream& out);
void writeFalseCullRow(std::ostream& out, const FalseCull& f);

// The per-object file: one row per view and non-occluder, with its ground-truth pixels, both
// rules' decisions (r.homRun.culled and r.conservativeRun.culled, still filled) and whether the
// queries drew it.
void writeObjectHeader(std::ostream& out);
void writeObjectRows(std::ostream& out, std::size_t view, const ViewRecord& r,
                     const std::vector<bool>& occluder, const std::vector<int>& pixels,
                     const std::vector<bool>& queryDrawn);

// The summary on stdout: the scene and renderer, frame times per method, culling effectiveness,
// the hom frame's stages, decision totals, memory and the first false culls. Reads the global
// scene's objects and the current OpenGL context's renderer strings.
void printSummary(const Options& options, const std::vector<ViewRecord>& records,
                  const std::vector<FalseCull>& falseCulls, const MemoryMarks& memory,
                  double wallSeconds);
