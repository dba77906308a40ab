#include "occlusion/visibility.h"

#include <algorithm>
#include <limits>

#include "math/numeric.h"
#include "occlusion/guardband.h"
#include "occlusion/vectorprojection.h"

namespace {

// Inclusive cell range [first, last] of a rectangle side pair divided by the reduction factor,
// widened by one cell on both sides and clipped to [0, cells - 1]. Empty when last < first.
struct CellRange {
    int first, last;
};
CellRange widenedRange(int low, int high, int reduction, int cells) {
    return CellRange{std::max(0, low / reduction - 1), std::min(cells - 1, high / reduction + 1)};
}

// Grid value of a cell no occluder covers.
constexpr float kEmptyDepth = 1.0f;

}  // namespace

bool projectVertexSet(const std::vector<Vector4D>& vertexSet, const TransformStack& modelView,
                      const TransformStack& projection, int width, int height,
                      std::vector<Vector4D>& slots) {
    slots.assign(std::max(kMinProjectedSlots, vertexSet.size()), Vector4D(0.0f, 0.0f, 0.0f, 1.0f));
    for (std::size_t r = 0; r < vertexSet.size(); ++r) {
        const Vector4D q = projection.transform(modelView.transform(vertexSet[r]));
        // Written so that NaN also counts as "not in front of the eye".
        if (!(q.w > 0.0f)) return false;
        const Point3D p = toPoint3D(q);
        slots[r] = Vector4D(toTarget(p.x, width), toTarget(p.y, height), p.z, 1.0f);
    }
    return true;
}

ScreenRect boundingRect(const std::vector<Vector4D>& slots, std::size_t projectedCount, int width,
                        int height) {
    ScreenRect rect;
    rect.leftMost = width;
    rect.rightMost = 0;
    rect.topMost = height;
    rect.bottomMost = 0;
    rect.deepMost = 0.0f;
    float nearest = std::numeric_limits<float>::infinity();
    for (std::size_t r = 0; r < slots.size(); ++r) {
        const Vector4D& slot = slots[r];
        const int x = truncateToInt(static_cast<double>(slot.x));
        const int y = truncateToInt(static_cast<double>(slot.y));
        rect.leftMost = std::min(rect.leftMost, x);
        rect.rightMost = std::max(rect.rightMost, x);
        rect.topMost = std::min(rect.topMost, y);
        rect.bottomMost = std::max(rect.bottomMost, y);
        rect.deepMost = std::max(rect.deepMost, slot.z);
        if (r < projectedCount) nearest = std::min(nearest, slot.z);
    }
    rect.nearMost = projectedCount == 0 ? rect.deepMost : nearest;
    return rect;
}

bool overlapTest(const ScreenRect& rect, const PixelImage& level0) {
    const CellRange xs =
        widenedRange(rect.leftMost, rect.rightMost, kLevel0Reduction, level0.width());
    const CellRange ys =
        widenedRange(rect.topMost, rect.bottomMost, kLevel0Reduction, level0.height());
    for (int x = xs.first; x <= xs.last; ++x) {
        for (int y = ys.first; y <= ys.last; ++y) {
            if (level0[x][y] < 1.0f) return false;
        }
    }
    return true;
}

namespace {

// The guarded cells, as indices into a guarded image, that a rectangle's widened range covers.
// Cell numbers run from -kGuardCells to guardedCells - 1 - kGuardCells.
CellRange guardedRange(int low, int high, int guardedCells) {
    const int lastCell = guardedCells - 1 - kGuardCells;
    return CellRange{std::max(-kGuardCells, low / kLevel0Reduction - 1) + kGuardCells,
                     std::min(lastCell, high / kLevel0Reduction + 1) + kGuardCells};
}

}  // namespace

bool guardedOverlapTest(const ScreenRect& rect, const PixelImage& guardedCoverage) {
    const CellRange xs = guardedRange(rect.leftMost, rect.rightMost, guardedCoverage.width());
    const CellRange ys = guardedRange(rect.topMost, rect.bottomMost, guardedCoverage.height());
    for (int x = xs.first; x <= xs.last; ++x) {
        for (int y = ys.first; y <= ys.last; ++y) {
            if (guardedCoverage[x][y] < 1.0f) return false;
        }
    }
    return true;
}

float nearestWindowDepth(const ScreenRect& rect) {
    const double window = (static_cast<double>(rect.nearMost) + 1.0) / 2.0;
    return static_cast<float>(window - static_cast<double>(kDepthMapMargin));
}

bool depthMapTest(const ScreenRect& rect, const PixelImage& depthMap) {
    const float depth = nearestWindowDepth(rect);
    const CellRange xs = guardedRange(rect.leftMost, rect.rightMost, depthMap.width());
    const CellRange ys = guardedRange(rect.topMost, rect.bottomMost, depthMap.height());
    for (int x = xs.first; x <= xs.last; ++x) {
        for (int y = ys.first; y <= ys.last; ++y) {
            // Written so that a NaN depth fails too.
            if (!(depth > depthMap[x][y])) return false;
        }
    }
    return true;
}

bool depthTest(const ScreenRect& rect, const PixelImage& grid, DepthRule rule) {
    const float depth = rule == DepthRule::Farthest ? rect.deepMost : rect.nearMost;
    const CellRange xs = widenedRange(rect.leftMost, rect.rightMost, kGridReduction, grid.width());
    const CellRange ys = widenedRange(rect.topMost, rect.bottomMost, kGridReduction, grid.height());
    for (int x = xs.first; x <= xs.last; ++x) {
        for (int y = ys.first; y <= ys.last; ++y) {
            if (depth < grid[x][y]) return false;
        }
    }
    return true;
}

Visibility testVisibility(const std::vector<Vector4D>& vertexSet, const TransformStack& modelView,
                          const TransformStack& projection, int width, int height,
                          const PixelImage& coverage, const PixelImage& depth, DepthRule rule,
                          std::vector<Vector4D>& slots) {
    if (!projectVertexSet(vertexSet, modelView, projection, width, height, slots)) {
        return Visibility();
    }
    return testRect(boundingRect(slots, vertexSet.size(), width, height), coverage, depth, rule);
}

Visibility testRect(const ScreenRect& rect, const PixelImage& coverage, const PixelImage& depth,
                    DepthRule rule) {
    Visibility result;
    result.tested = true;
    // Both tests run for every tested object, whatever the first one says.
    bool overlapPassed = false, depthPassed = false;
    switch (rule) {
        case DepthRule::Farthest:
            overlapPassed = overlapTest(rect, coverage);
            depthPassed = depthTest(rect, depth, rule);
            break;
        case DepthRule::Conservative:
            overlapPassed = guardedOverlapTest(rect, coverage);
            depthPassed = depthTest(rect, depth, rule);
            break;
        case DepthRule::DepthMap:
            overlapPassed = guardedOverlapTest(rect, coverage);
            depthPassed = depthMapTest(rect, depth);
            break;
        case DepthRule::Raster:
            // Decided against the occlusion buffer (occlusion/rasterculling.h), not images.
            break;
    }
    result.passedHom = overlapPassed;
    result.passedDeb = overlapPassed && depthPassed;
    return result;
}

void fillDepthGrid(PixelImage& grid, const std::vector<ScreenRect>& occluderRects, DepthRule rule) {
    const int width = grid.width();
    const int height = grid.height();
    const bool farthest = rule == DepthRule::Farthest;
    // Under the conservative rule a cell starts below every possible deepMost (which is at least
    // 0), so the first rectangle over it always wins; cells still holding it are uncovered.
    const float start = farthest ? kEmptyDepth : -1.0f;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) grid[x][y] = start;
    }
    for (const ScreenRect& rect : occluderRects) {
        // The farthest rule's range is half-open; the conservative one takes every cell the
        // rectangle touches, so that no pixel of an occluder lies outside its cells.
        const int xEnd =
            farthest ? std::min(width, rect.rightMost) : std::min(width - 1, rect.rightMost) + 1;
        const int yEnd = farthest ? std::min(height, rect.bottomMost)
                                  : std::min(height - 1, rect.bottomMost) + 1;
        for (int x = std::max(0, rect.leftMost); x < xEnd; ++x) {
            for (int y = std::max(0, rect.topMost); y < yEnd; ++y) {
                float& cell = grid[x][y];
                cell = farthest ? std::min(cell, rect.deepMost) : std::max(cell, rect.deepMost);
            }
        }
    }
    if (!farthest) {
        for (int x = 0; x < width; ++x) {
            for (int y = 0; y < height; ++y) {
                if (grid[x][y] == start) grid[x][y] = kEmptyDepth;
            }
        }
    }
}

bool projectNearClippedHull(const std::vector<Vector4D>& vertexSet, const TransformStack& modelView,
                            const TransformStack& projection, int width, int height,
                            std::vector<Vector4D>& slots) {
    // Clip coordinates and their signed distance to the near plane, z + w.
    struct ClipPoint {
        double x, y, z, w;
        double distance() const { return z + w; }
    };
    std::vector<ClipPoint> clip;
    clip.reserve(vertexSet.size());
    for (const Vector4D& entry : vertexSet) {
        const Vector4D q = projection.transform(modelView.transform(entry));
        clip.push_back({static_cast<double>(q.x), static_cast<double>(q.y),
                        static_cast<double>(q.z), static_cast<double>(q.w)});
    }
    slots.clear();
    const auto emit = [&](const ClipPoint& p) {
        if (!(p.w > 0.0)) return false;
        const Vector4D ndc(static_cast<float>(p.x / p.w), static_cast<float>(p.y / p.w),
                           static_cast<float>(p.z / p.w), 1.0f);
        slots.emplace_back(toTarget(ndc.x, width), toTarget(ndc.y, height), ndc.z, 1.0f);
        return true;
    };
    for (const ClipPoint& inner : clip) {
        if (!(inner.distance() >= 0.0)) continue;
        if (!emit(inner)) return false;
        for (const ClipPoint& outer : clip) {
            if (!(outer.distance() < 0.0)) continue;
            const double t = inner.distance() / (inner.distance() - outer.distance());
            const ClipPoint crossing{
                inner.x + t * (outer.x - inner.x), inner.y + t * (outer.y - inner.y),
                inner.z + t * (outer.z - inner.z), inner.w + t * (outer.w - inner.w)};
            if (!emit(crossing)) return false;
        }
    }
    return true;
}

void fillDepthEstimationGrid(const Scene& scene, PixelImage& grid) {
    const int width = grid.width();
    const int height = grid.height();
    const bool farthest = scene.depthRule == DepthRule::Farthest;
    const ProjectionSetup projection(scene.modelView, scene.projection, width, height);
    std::vector<Vector4D> slots;
    std::vector<ScreenRect> rects;
    for (const Object& object : scene.objects) {
        if (!object.occluder) continue;
        ScreenRect rect;
        if (projection.projectedRect(object.vertexSet, rect)) {
            rects.push_back(rect);
        } else if (farthest) {
            continue;
        } else if (projectNearClippedHull(object.vertexSet, scene.modelView, scene.projection,
                                          width, height, slots)) {
            // No point beyond the near plane: OpenGL draws nothing of it.
            if (!slots.empty()) rects.push_back(boundingRect(slots, slots.size(), width, height));
        } else {
            ScreenRect everywhere;
            everywhere.leftMost = everywhere.topMost = -kTruncateLimit;
            everywhere.rightMost = everywhere.bottomMost = kTruncateLimit;
            everywhere.deepMost = kEmptyDepth;
            rects.push_back(everywhere);
        }
    }
    fillDepthGrid(grid, rects, scene.depthRule);
}
