#pragma once
// The per-object projection of the visibility tests, four vertex-set entries at a time with SSE2
// (part of every x86-64 processor): the screen rectangle and depth range of a vertex set, as
// boundingRect(projectVertexSet(...)) gives them (occlusion/visibility.h), which stays the
// reference and is used where SSE2 is not available.
//
// Every lane runs the reference's operations in the same order and precision: the two
// matrix-vector products accumulated in float from the first column on and the divisions by w,
// so the device coordinates are bit-identical. The mapping to the target (in double, then
// saturated) and the truncation toward zero never reverse an order, so the rectangle's extremes
// are taken over device coordinates and only they are mapped and truncated: the same integers.

#include <vector>

#include "math/transformstack.h"
#include "math/vectors.h"
#include "occlusion/visibility.h"

// The frame's matrices and target, prepared once for every object of the frame.
class ProjectionSetup {
public:
    ProjectionSetup(const TransformStack& modelView, const TransformStack& projection, int width,
                    int height);

    // The rectangle and depth range of vertexSet on the target, equal field by field to
    // boundingRect of projectVertexSet's slots. Returns false, leaving rect unspecified, exactly
    // when projectVertexSet does (some entry's clip w is not positive).
    bool projectedRect(const std::vector<Vector4D>& vertexSet, ScreenRect& rect) const;

private:
    // The reference path's inputs, where SSE2 is not available.
    [[maybe_unused]] const TransformStack* modelView_;
    [[maybe_unused]] const TransformStack* projection_;
    int width_, height_;
    alignas(16) float view_[4][4][4];  // element (i, j) of each matrix in all four lanes
    alignas(16) float project_[4][4][4];
};
