#pragma once
// The culling measurement's command line: window size, scene size, camera path and output files.
//
// Conventions:
// - The camera path is either the explicit --camera views, in order, or (when there are none) the
//   sweep built from spins, tilts and zooms (see sweepPath in tools/measurestats.h).
// - An empty output path means that file is not written.
// - Bad options print a message and the usage to stderr and end the program with status 2.

#include <string>
#include <vector>

#include "tools/measurestats.h"

constexpr int kDefaultWindowSize = 480;
// The demo's grid: (2 * 7 + 1) by (2 * 7 + 1) boxes.
constexpr int kDemoHalfCells = 7;
constexpr int kDefaultSpins = 90;
inline const std::vector<float> kDefaultTilts = {-90.0f, -60.0f, -30.0f, 0.0f};
// Eye distances 4.25, 3.25, 2.25 and 1.25: the last lies inside the ring of slabs.
inline const std::vector<float> kDefaultZooms = {-5.0f, -1.0f, 3.0f, 7.0f};

struct Options {
    int width = kDefaultWindowSize;
    int height = kDefaultWindowSize;
    int halfCells = kDemoHalfCells;
    int spins = kDefaultSpins;
    std::vector<float> tilts = kDefaultTilts;
    std::vector<float> zooms = kDefaultZooms;
    std::vector<CameraState> cameras;  // explicit path; the sweep when empty
    std::string csvPath, falseCullPath, objectPath;
    bool progress = true;
};

// Prints problem (unless empty) and the usage to stderr, then exits with status 2.
[[noreturn]] void usage(const char* program, const std::string& problem);

// Reads argv[1..argc-1]; on a bad or unknown option (or --help) calls usage.
Options parseOptions(int argc, char** argv);
