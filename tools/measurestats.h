#pragma once
// The arithmetic of the culling measurement, apart from any drawing: camera paths, the counts
// that compare a culler's decisions with the ground truth, and the statistics of the summary.
//
// Conventions:
// - Objects are indexed as in the scene; occluders are never culled, never counted as hidden or
//   visible and never compared.
// - Times are in milliseconds; percentiles use the nearest-rank rule on the sorted values.

#include <string>
#include <vector>

// The viewer's camera state (see app/camera.h), degrees, wheel steps and pixels.
struct CameraState {
    float rotX = -90.0f;
    float rotZ = 0.0f;
    float zoom = -5.0f;
    float panX = 0.0f;
    float panY = 0.0f;
};

// The default sweep: for each zoom (outer loop), each tilt, `spins` headings evenly spaced over a
// full turn starting at 0. The first view is the viewer's initial camera when the first tilt is
// -90 and the first zoom -5. Empty when spins < 1 or either list is empty.
std::vector<CameraState> sweepPath(int spins, const std::vector<float>& tilts,
                                   const std::vector<float>& zooms);

// Parses "rotX,rotZ,zoom" or "rotX,rotZ,zoom,panX,panY" (decimal numbers, nothing else).
// Returns false for anything else and then leaves state untouched.
bool parseCameraState(const std::string& text, CameraState& state);

// Parses a comma-separated list of one or more decimal numbers; false for anything else.
bool parseNumberList(const std::string& text, std::vector<float>& values);

// One culler's decisions in one view against the ground truth.
struct DecisionCounts {
    int visible = 0;     // non-occluders with at least one pixel in the ground truth
    int hidden = 0;      // non-occluders with none
    int culled = 0;      // non-occluders the culler skipped
    int falseCulls = 0;  // skipped although visible
    int missed = 0;      // hidden although drawn
};

// Compares skip decisions with the ground truth. The three vectors have one entry per object;
// throws std::invalid_argument when their sizes differ.
DecisionCounts compareWithTruth(const std::vector<bool>& occluder, const std::vector<bool>& visible,
                                const std::vector<bool>& culled);

// Nearest-rank percentile (fraction in [0, 1]: 0.5 the median, 0.95 the 95th percentile) of
// values; NaN for no values.
double percentile(std::vector<double> values, double fraction);

double mean(const std::vector<double>& values);  // NaN for no values

// (tNone - tCulled) / (tNone - tOracle): 1 for a culler as good as the ideal one, 0 for one that
// saves nothing, negative when culling costs more than it saves. NaN when tNone equals tOracle.
double cullingEffectiveness(double tNone, double tCulled, double tOracle);
