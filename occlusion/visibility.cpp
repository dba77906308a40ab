#include "occlusion/visibility.h"

#include <algorithm>
#include <limits>

#include "math/numeric.h"

namespace {

// Normalised device coordinate c in [-1, 1] to [0, extent], in double as the tests require.
float toTarget(float c, int extent) {
    return static_cast<float>((static_cast<double>(c) + 1.0) * static_cast<double>(extent) / 2.0);
}

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
                          const PixelImage& level0, const PixelImage& grid, DepthRule rule,
                          std::vector<Vector4D>& slots) {
    Visibility result;
    if (!projectVertexSet(vertexSet, modelView, projection, width, height, slots)) return result;
    const ScreenRect rect = boundingRect(slots, vertexSet.size(), width, height);
    result.tested = true;
    // Both tests run for every tested object, whatever the first one says.
    const bool overlapPassed = overlapTest(rect, level0);
    const bool depthPassed = depthTest(rect, grid, rule);
    result.passedHom = overlapPassed;
    result.passedDeb = overlapPassed && depthPassed;
    return result;
}

void fillDepthGrid(PixelImage& grid, const std::vector<ScreenRect>& occluderRects, DepthRule rule) {
    const int width = grid.width();
    const int height = grid.height();
    // Under the conservative rule a cell starts below every possible deepMost (which is at least
    // 0), so the first rectangle over it always wins; cells still holding it are uncovered.
    const float start = rule == DepthRule::Farthest ? kEmptyDepth : -1.0f;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) grid[x][y] = start;
    }
    for (const ScreenRect& rect : occluderRects) {
        const int xEnd = std::min(width, rect.rightMost);
        const int yEnd = std::min(height, rect.bottomMost);
        for (int x = std::max(0, rect.leftMost); x < xEnd; ++x) {
            for (int y = std::max(0, rect.topMost); y < yEnd; ++y) {
                float& cell = grid[x][y];
                cell = rule == DepthRule::Farthest ? std::min(cell, rect.deepMost)
                                                   : std::max(cell, rect.deepMost);
            }
        }
    }
    if (rule == DepthRule::Conservative) {
        for (int x = 0; x < width; ++x) {
            for (int y = 0; y < height; ++y) {
                if (grid[x][y] == start) grid[x][y] = kEmptyDepth;
            }
        }
    }
}

void fillDepthEstimationGrid(const Scene& scene, PixelImage& grid) {
    const int width = grid.width();
    const int height = grid.height();
    std::vector<Vector4D> slots;
    std::vector<ScreenRect> rects;
    for (const Object& object : scene.objects) {
        if (!object.occluder) continue;
        if (!projectVertexSet(object.vertexSet, scene.modelView, scene.projection, width, height,
                              slots)) {
            continue;
        }
        rects.push_back(boundingRect(slots, object.vertexSet.size(), width, height));
    }
    fillDepthGrid(grid, rects, depthRuleOf(scene));
}
