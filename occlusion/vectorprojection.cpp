#include "occlusion/vectorprojection.h"

#include <algorithm>
#include <cstddef>
#include <limits>

// Highway compiles the code between HWY_BEFORE_NAMESPACE and HWY_AFTER_NAMESPACE once per
// instruction set by including this file again; the rest is compiled once (HWY_ONCE).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "occlusion/vectorprojection.cpp"
#include <hwy/foreach_target.h>  // before highway.h
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace projection {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::CappedTag<float, kProjectionLanes>;
using V = decltype(hn::Zero(D()));

// Component i of m v for the lanes' vectors (x, y, z, w): ((((0 + m_i0 x) + m_i1 y) + m_i2 z)
// + m_i3 w) in float, as dot() sums.
V row(D d, const float (&m)[4][kProjectionLanes], V x, V y, V z, V w) {
    V sum = hn::Zero(d);
    sum = hn::Add(sum, hn::Mul(hn::Load(d, m[0]), x));
    sum = hn::Add(sum, hn::Mul(hn::Load(d, m[1]), y));
    sum = hn::Add(sum, hn::Mul(hn::Load(d, m[2]), z));
    return hn::Add(sum, hn::Mul(hn::Load(d, m[3]), w));
}

bool findDeviceExtremes(const Vector4D* entries, std::size_t count, const LaneMatrix& view,
                        const LaneMatrix& project, DeviceExtremes& extremes) {
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const V infinity = hn::Set(d, std::numeric_limits<float>::infinity());
    const V negativeInfinity = hn::Neg(infinity), minusOne = hn::Set(d, -1.0f);
    V minX = infinity, maxX = negativeInfinity, minY = infinity, maxY = negativeInfinity;
    V deep = hn::Zero(d), nearest = infinity;
    // The entries of a last, partial pass are copied, the last one repeated into the lanes
    // beyond the set's end, which changes no extreme.
    alignas(32) float tail[4 * kProjectionLanes];
    for (std::size_t first = 0; first < count; first += lanes) {
        const float* e = &entries[first].x;
        if (count - first < lanes) {
            for (std::size_t lane = 0; lane < lanes; ++lane) {
                const Vector4D& entry = entries[std::min(first + lane, count - 1)];
                std::copy(&entry.x, &entry.x + 4, tail + 4 * lane);
            }
            e = tail;
        }
        V x, y, z, w;
        hn::LoadInterleaved4(d, e, x, y, z, w);
        const V ex = row(d, view.element[0], x, y, z, w);
        const V ey = row(d, view.element[1], x, y, z, w);
        const V ez = row(d, view.element[2], x, y, z, w);
        const V ew = row(d, view.element[3], x, y, z, w);
        const V qw = row(d, project.element[3], ex, ey, ez, ew);
        // Not greater than zero, NaN included, fails.
        if (!hn::AllTrue(d, hn::Gt(qw, hn::Zero(d)))) return false;
        const V px = hn::Div(row(d, project.element[0], ex, ey, ez, ew), qw);
        const V py = hn::Div(row(d, project.element[1], ex, ey, ez, ew), qw);
        const V pz = hn::Div(row(d, project.element[2], ex, ey, ez, ew), qw);
        const V sx = hn::IfThenElse(hn::IsNaN(px), minusOne, px);
        const V sy = hn::IfThenElse(hn::IsNaN(py), minusOne, py);
        minX = hn::Min(minX, sx);
        maxX = hn::Max(maxX, sx);
        minY = hn::Min(minY, sy);
        maxY = hn::Max(maxY, sy);
        // As std::max and std::min: a value replaces the running one only when strictly beyond
        // it, so a NaN depth leaves it.
        deep = hn::IfThenElse(hn::Gt(pz, deep), pz, deep);
        nearest = hn::IfThenElse(hn::Lt(pz, nearest), pz, nearest);
    }
    extremes.minX = hn::GetLane(hn::MinOfLanes(d, minX));
    extremes.maxX = hn::GetLane(hn::MaxOfLanes(d, maxX));
    extremes.minY = hn::GetLane(hn::MinOfLanes(d, minY));
    extremes.maxY = hn::GetLane(hn::MaxOfLanes(d, maxY));
    extremes.deep = hn::GetLane(hn::MaxOfLanes(d, deep));
    extremes.nearest = hn::GetLane(hn::MinOfLanes(d, nearest));
    return true;
}

}  // namespace HWY_NAMESPACE
}  // namespace projection
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

#include "math/numeric.h"

namespace projection {
HWY_EXPORT(findDeviceExtremes);
}  // namespace projection

namespace {

void spread(const Matrix4x4& m, LaneMatrix& lanes) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) std::fill_n(lanes.element[i][j], kProjectionLanes, m[i][j]);
    }
}

// Where a device coordinate's image on the target lands once truncated, as boundingRect finds
// it: truncateToInt of toTarget, written without branches for coordinates that are not NaN
// (the vector step replaces those). The saturation limit is exact in float.
int targetSide(float c, int extent) {
    const float limit = static_cast<float>(kTruncateLimit);
    return static_cast<int>(std::min(std::max(toTarget(c, extent), -limit), limit));
}

}  // namespace

bool findDeviceExtremes(const std::vector<Vector4D>& vertexSet, const LaneMatrix& view,
                        const LaneMatrix& project, DeviceExtremes& extremes) {
    return HWY_DYNAMIC_DISPATCH(projection::findDeviceExtremes)(vertexSet.data(), vertexSet.size(),
                                                                view, project, extremes);
}

ProjectionSetup::ProjectionSetup(const TransformStack& modelView, const TransformStack& projection,
                                 int width, int height)
    : width_(width), height_(height) {
    spread(modelView.current, view_);
    spread(projection.current, project_);
}

bool ProjectionSetup::projectedRect(const std::vector<Vector4D>& vertexSet,
                                    ScreenRect& rect) const {
    DeviceExtremes e;
    if (!findDeviceExtremes(vertexSet, view_, project_, e)) return false;
    // The fillers of a set below kMinProjectedSlots entries are the point (0, 0) at depth 0;
    // the starting values of the reference (leftMost = width, rightMost = 0, ...) act the same.
    const int origin = vertexSet.size() < kMinProjectedSlots ? 0 : std::numeric_limits<int>::max();
    rect.leftMost = std::min({width_, origin, targetSide(e.minX, width_)});
    rect.rightMost = std::max(0, targetSide(e.maxX, width_));
    rect.topMost = std::min({height_, origin, targetSide(e.minY, height_)});
    rect.bottomMost = std::max(0, targetSide(e.maxY, height_));
    rect.deepMost = e.deep;
    rect.nearMost = vertexSet.empty() ? rect.deepMost : e.nearest;
    return true;
}

#endif  // HWY_ONCE
