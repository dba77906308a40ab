#pragma once
// The per-object projection of the visibility tests, several vertex-set entries at a time: the
// screen rectangle and depth range of a vertex set, as boundingRect(projectVertexSet(...)) gives
// them (occlusion/visibility.h), which stays the reference.
//
// The vector code is written once with Google Highway and compiled for several instruction sets
// (SSSE3, SSE4, AVX2, AVX-512 on x86-64, and a portable fallback); the best one the processor
// has is chosen when the program runs, so the default build runs on any x86-64 processor. Eight
// entries at a time where vectors are that wide, four otherwise.
//
// Every lane runs the reference's operations in the same order and precision: the two
// matrix-vector products accumulated in float from the first column on and the divisions by w,
// so the device coordinates are bit-identical. The mapping to the target (in double, then
// saturated) and the truncation toward zero never reverse an order, so only the extremes of the
// device coordinates are mapped and truncated, as the reference does: the same integers.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/transformstack.h"
#include "math/vectors.h"
#include "occlusion/visibility.h"

// The most entries projected at once: every matrix element is stored this many times over.
constexpr std::size_t kProjectionLanes = 8;

// A 4x4 matrix with each element (i, j) repeated across kProjectionLanes lanes.
struct LaneMatrix {
    alignas(32) float element[4][4][kProjectionLanes];
};

// What the vector step finds for a vertex set on a width by height target: the extremes of its
// entries' device coordinates, mapped and truncated as boundingRect does each coordinate
// (truncateToInt of toTarget; a NaN x or y counts as 0 there), and its depth range. With no
// entries, the sides are the saturated images of the infinities and deep is 0.
struct TargetExtremes {
    int32_t sides[4];  // smallest x, largest x, smallest y, largest y
    float deep;        // the largest z, at least 0 (the reference starts from 0)
    float nearest;     // the smallest z
};

// The device x and y of each entry of a vertex set, as the vector step finds them (a NaN stays
// one), for count entries; the arrays may be longer.
struct DevicePoints {
    std::vector<float> x, y;
    std::size_t count = 0;
};

// The frame's matrices and target, prepared once for every object of the frame.
class ProjectionSetup {
public:
    ProjectionSetup(const TransformStack& modelView, const TransformStack& projection, int width,
                    int height);

    // The rectangle and depth range of vertexSet on the target, equal field by field to
    // boundingRect of projectVertexSet's slots. Returns false, leaving rect unspecified, exactly
    // when projectVertexSet does (some entry's clip w is not positive). With points, also gives
    // every entry's device x and y (unspecified when it returns false).
    bool projectedRect(const std::vector<Vector4D>& vertexSet, ScreenRect& rect,
                       DevicePoints* points = nullptr) const;

private:
    int width_, height_;
    LaneMatrix view_, project_;
};

// The vector step alone, in the instruction set chosen at run time: false when some entry's clip
// w is not positive, else vertexSet's extremes on the target (and, with points, its entries'
// device coordinates).
bool findTargetExtremes(const std::vector<Vector4D>& vertexSet, const LaneMatrix& view,
                        const LaneMatrix& project, int width, int height, TargetExtremes& extremes,
                        DevicePoints* points = nullptr);
