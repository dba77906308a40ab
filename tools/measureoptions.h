#pragma once
// The culling measurement's command line: window size, scene, camera path and output files.
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
// The random scene's defaults: a few occluders and a few hundred small boxes.
constexpr int kDefaultRandomOccluders = 6;
constexpr int kDefaultRandomObjects = 300;
inline const std::vector<float> kDefaultTilts = {-90.0f, -60.0f, -30.0f, 0.0f};
// Eye distances 4.25, 3.25, 2.25 and 1.25: the last lies inside the ring of slabs.
inline const std::vector<float> kDefaultZooms = {-5.0f, -1.0f, 3.0f, 7.0f};

enum class SceneKind { Demo, Random };

struct Options {
    int width = kDefaultWindowSize;
    int height = kDefaultWindowSize;
    SceneKind sceneKind = SceneKind::Demo;
    int halfCells = kDemoHalfCells;  // the demo scene's grid
    unsigned seed = 1;               // the random scene's
    int occluderCount = kDefaultRandomOccluders;
    int objectCount = kDefaultRandomObjects;
    int spins = kDefaultSpins;
    std::vector<float> tilts = kDefaultTilts;
    std::vector<float> zooms = kDefaultZooms;
    std::vector<CameraState> cameras;  // explicit path; the sweep when empty
    std::string csvPath, falseCullPath, objectPath;
    std::string shotDirectory;  // pictures of each method's decisions; none when empty
    bool progress = true;
};

// Prints problem (unless empty) and the usage to stderr, then exits with status 2.
[[noreturn]] void usage(const char* program, const std::string& problem);

// Reads argv[1..argc-1]; on a bad or unknown option (or --help) calls usage. The random scene's
// options (--seed, --occluder-count, --object-count) need --scene random, --grid the demo scene.
Options parseOptions(int argc, char** argv);

// "demo (--grid 7)", "--grid 35", "random (seed 3, 6 occluders, 300 objects)".
std::string describeScene(const Options& options);
