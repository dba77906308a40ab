#include "tools/measurestats.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace {

constexpr double kFullTurn = 360.0;

// A whole-string decimal number; false for empty text, trailing characters or non-finite values.
bool parseNumber(const std::string& text, float& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const float parsed = std::strtof(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, ',')) parts.push_back(part);
    if (!text.empty() && text.back() == ',') parts.emplace_back();
    return parts;
}

}  // namespace

std::vector<CameraState> sweepPath(int spins, const std::vector<float>& tilts,
                                   const std::vector<float>& zooms) {
    std::vector<CameraState> path;
    if (spins < 1) return path;
    for (float zoom : zooms) {
        for (float tilt : tilts) {
            for (int k = 0; k < spins; ++k) {
                CameraState state;
                state.rotX = tilt;
                state.rotZ = static_cast<float>(kFullTurn * k / spins);
                state.zoom = zoom;
                path.push_back(state);
            }
        }
    }
    return path;
}

bool parseNumberList(const std::string& text, std::vector<float>& values) {
    std::vector<float> parsed;
    for (const std::string& part : splitCommas(text)) {
        float value = 0.0f;
        if (!parseNumber(part, value)) return false;
        parsed.push_back(value);
    }
    if (parsed.empty()) return false;
    values = parsed;
    return true;
}

bool parseCameraState(const std::string& text, CameraState& state) {
    std::vector<float> values;
    if (!parseNumberList(text, values) || (values.size() != 3 && values.size() != 5)) return false;
    CameraState parsed;
    parsed.rotX = values[0];
    parsed.rotZ = values[1];
    parsed.zoom = values[2];
    if (values.size() == 5) {
        parsed.panX = values[3];
        parsed.panY = values[4];
    }
    state = parsed;
    return true;
}

DecisionCounts compareWithTruth(const std::vector<bool>& occluder, const std::vector<bool>& visible,
                                const std::vector<bool>& culled) {
    if (visible.size() != occluder.size() || culled.size() != occluder.size()) {
        throw std::invalid_argument("compareWithTruth: one flag per object in every vector");
    }
    DecisionCounts counts;
    for (std::size_t i = 0; i < occluder.size(); ++i) {
        if (occluder[i]) continue;
        if (visible[i]) {
            ++counts.visible;
        } else {
            ++counts.hidden;
        }
        if (culled[i]) ++counts.culled;
        if (culled[i] && visible[i]) ++counts.falseCulls;
        if (!culled[i] && !visible[i]) ++counts.missed;
    }
    return counts;
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    std::sort(values.begin(), values.end());
    const double clamped = std::min(1.0, std::max(0.0, fraction));
    // Nearest rank: the smallest value with at least that fraction of the values at or below it.
    const double rank = std::ceil(clamped * static_cast<double>(values.size()));
    const std::size_t index = rank < 1.0 ? 0 : static_cast<std::size_t>(rank) - 1;
    return values[std::min(index, values.size() - 1)];
}

double mean(const std::vector<double>& values) {
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    double sum = 0.0;
    for (double v : values) sum += v;
    return sum / static_cast<double>(values.size());
}

double cullingEffectiveness(double tNone, double tCulled, double tOracle) {
    if (tNone == tOracle) return std::numeric_limits<double>::quiet_NaN();
    return (tNone - tCulled) / (tNone - tOracle);
}
