#pragma once
// The per-object projection of the visibility tests, several vertex-set entries at a time: the
// screen rectangle and depth range of a vertex set, as boundingRect(projectVertexSet(...)) gives
// them (occlusion/visibility.h), which stays the reference.
//
// The vector code is written once with Google Highway and compiled for several instruction sets
// (SSSE3, SSE4, AVX2, AVX-512 on x86-64, and a portable fallback); the best one the processor
// has is chosen when the program runs, so the default build runs on any x86-64 processor. Eight
// entries at a time where vectors are that wide, four otherwise; sets of eight (the demo's boxes)
// two at a time, their extremes folded together, where vectors hold eight floats (both sets in
// one vector where they hold sixteen). A frame's objects are projected in one call
// (ProjectionSetup::project): a call into the chosen instruction set per object cost about a
// fifth of the farthest rule's processor work.
//
// Every lane runs the reference's operations in the same order and precision: the two
// matrix-vector products accumulated in float from the first column on and the divisions by w,
// so the device coordinates are bit-identical. The mapping to the target (in double, then
// saturated) and the truncation toward zero never reverse an order, so only the extremes of the
// device coordinates are mapped and truncated, as the reference does: the same integers.
//
// The raster rule projects by one combined matrix instead (a setup of its own), a quarter less
// work: its coordinates round differently, by far less than the rule's margins.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/matrix4x4.h"
#include "math/transformstack.h"
#include "math/vectors.h"
#include "occlusion/visibility.h"

// The most entries of one vertex set projected at once.
constexpr std::size_t kProjectionLanes = 8;
// Where a vector holds twice that many floats (AVX-512), two sets of kProjectionLanes entries,
// the demo's boxes, are projected together: every matrix element is stored this many times over.
constexpr std::size_t kMatrixLanes = 2 * kProjectionLanes;

// A 4x4 matrix with each element (i, j) repeated across kMatrixLanes lanes.
struct LaneMatrix {
    alignas(64) float element[4][4][kMatrixLanes];
};

// The device x and y of count entries of a vertex set, as the vector step finds them (a NaN
// stays one): the corners the raster rule's outline is made of.
struct CornerPoints {
    const float* x;
    const float* y;
    std::size_t count;
};

// Room for one vertex set's device points.
struct DevicePoints {
    std::vector<float> x, y;
    std::size_t count = 0;
    CornerPoints corners() const { return {x.data(), y.data(), count}; }
};

// Many vertex sets projected in one call, as projectedRect projects each of them. The caller
// fills sets; a null entry is skipped (it reads as not projected). The other vectors are the
// answer, one entry per set, and keep their memory from one call to the next.
struct ProjectedSets {
    std::vector<const std::vector<Vector4D>*> sets;
    std::vector<uint8_t> projected;  // projectedRect's answer
    std::vector<ScreenRect> rects;   // the rectangle, where projected
    // With points: set s's device coordinates, from x[first[s]] and y[first[s]] on.
    std::vector<std::size_t> first;
    std::vector<float> x, y;
    CornerPoints corners(std::size_t s) const {
        return {x.data() + first[s], y.data() + first[s], sets[s]->size()};
    }
};

// The frame's matrices and target, prepared once for every object of the frame.
class ProjectionSetup {
public:
    ProjectionSetup(const TransformStack& modelView, const TransformStack& projection, int width,
                    int height);
    // One product by toClip (projection times model-view) instead of the two: about a quarter
    // less work, and device coordinates that may differ from the reference's in their last bits,
    // for a rule whose margins allow for that (the raster rule's, occlusion/rasterculling.h).
    ProjectionSetup(const Matrix4x4& toClip, int width, int height);

    // The rectangle and depth range of vertexSet on the target, equal field by field to
    // boundingRect of projectVertexSet's slots (with one matrix, but for rounding). Returns false,
    // leaving rect unspecified, exactly when projectVertexSet does (some entry's clip w is not
    // positive). With points, also gives every entry's device x and y (unspecified when it returns
    // false).
    bool projectedRect(const std::vector<Vector4D>& vertexSet, ScreenRect& rect,
                       DevicePoints* points = nullptr) const;

    // projectedRect for every set of `sets` at once (with points, their device points too),
    // in one call into the chosen instruction set.
    void project(ProjectedSets& sets, bool points) const;

private:
    int width_, height_;
    bool oneMatrix_ = false;
    LaneMatrix view_, project_;
};
