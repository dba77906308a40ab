// Fuzz target: the per-object visibility arithmetic with arbitrary matrices, window sizes, vertex
// sets, occlusion-map level 0 and depth grid contents, and occluder rectangles.
//
// Checked beyond the sanitizers (no out-of-range index, no undefined float-to-int conversion):
// a projection fills exactly max(kMinProjectedSlots, n) slots with w = 1; a rectangle's deepMost
// is at least 0; an object passes the depth test only after the overlap test and is counted
// nowhere when untested; the pyramid built over a level 0 of 0.0 and 1.0 halves each level and
// keeps every value in [0, 1]; the overlap tests (plain and guarded), the depth tests (grid and
// depth map) and the grid fill agree with a cell-by-cell reference in 64-bit integers; the
// near-clipped hull of an occluder yields finite points with w = 1.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzzinput.h"
#include "occlusion/depthrules.h"
#include "occlusion/guardband.h"
#include "occlusion/hompyramid.h"
#include "occlusion/pixelimage.h"
#include "occlusion/visibility.h"
#include "scene/scenelib.h"

namespace {

void check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "visibility fuzz: %s\n", what);
    std::abort();
}

// Cell c lies in the rectangle's widened range when low / reduction - 1 <= c <= high /
// reduction + 1, division truncating toward zero.
bool inWidenedRange(int64_t c, int low, int high, int reduction) {
    return c >= int64_t{low} / reduction - 1 && c <= int64_t{high} / reduction + 1;
}

bool referenceOverlap(const ScreenRect& rect, const PixelImage& level0) {
    for (int x = 0; x < level0.width(); ++x) {
        for (int y = 0; y < level0.height(); ++y) {
            if (inWidenedRange(x, rect.leftMost, rect.rightMost, kLevel0Reduction) &&
                inWidenedRange(y, rect.topMost, rect.bottomMost, kLevel0Reduction) &&
                level0[x][y] < 1.0f) {
                return false;
            }
        }
    }
    return true;
}

// The guarded images hold cell c (from -1) at index c + kGuardCells.
bool referenceGuardedOverlap(const ScreenRect& rect, const PixelImage& coverage) {
    for (int x = 0; x < coverage.width(); ++x) {
        for (int y = 0; y < coverage.height(); ++y) {
            if (inWidenedRange(x - kGuardCells, rect.leftMost, rect.rightMost, kLevel0Reduction) &&
                inWidenedRange(y - kGuardCells, rect.topMost, rect.bottomMost, kLevel0Reduction) &&
                coverage[x][y] < 1.0f) {
                return false;
            }
        }
    }
    return true;
}

bool referenceDepthMap(const ScreenRect& rect, const PixelImage& depthMap) {
    const float depth = nearestWindowDepth(rect);
    for (int x = 0; x < depthMap.width(); ++x) {
        for (int y = 0; y < depthMap.height(); ++y) {
            if (inWidenedRange(x - kGuardCells, rect.leftMost, rect.rightMost, kLevel0Reduction) &&
                inWidenedRange(y - kGuardCells, rect.topMost, rect.bottomMost, kLevel0Reduction) &&
                !(depth > depthMap[x][y])) {
                return false;
            }
        }
    }
    return true;
}

bool referenceDepth(const ScreenRect& rect, const PixelImage& grid, DepthRule rule) {
    const float depth = rule == DepthRule::Farthest ? rect.deepMost : rect.nearMost;
    for (int x = 0; x < grid.width(); ++x) {
        for (int y = 0; y < grid.height(); ++y) {
            if (inWidenedRange(x, rect.leftMost, rect.rightMost, kGridReduction) &&
                inWidenedRange(y, rect.topMost, rect.bottomMost, kGridReduction) &&
                depth < grid[x][y]) {
                return false;
            }
        }
    }
    return true;
}

// The cell's value from the rectangles that cover it (half-open ranges under the farthest rule,
// closed ones otherwise).
float referenceCell(int x, int y, const std::vector<ScreenRect>& rects, DepthRule rule) {
    bool covered = false;
    float value = 1.0f;
    const int closed = rule == DepthRule::Farthest ? 0 : 1;
    for (const ScreenRect& r : rects) {
        if (x < r.leftMost || int64_t{x} >= int64_t{r.rightMost} + closed || y < r.topMost ||
            int64_t{y} >= int64_t{r.bottomMost} + closed) {
            continue;
        }
        if (rule == DepthRule::Farthest) {
            value = std::min(value, r.deepMost);
        } else {
            value = covered ? std::max(value, r.deepMost) : std::max(-1.0f, r.deepMost);
        }
        covered = true;
    }
    // Under the other rules a cell whose maximum stayed at the start value reads as empty.
    if (rule != DepthRule::Farthest && (!covered || value == -1.0f)) return 1.0f;
    return value;
}

PixelImage image(FuzzInput& in, int maxSide, bool opacity) {
    PixelImage img;
    const int w = static_cast<int>(in.below(static_cast<unsigned>(maxSide)));
    const int h = static_cast<int>(in.below(static_cast<unsigned>(maxSide)));
    img.resize(w, h);
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            // Opacity images are mostly the 0.0 and 1.0 a read-back yields, but any float is read.
            if (opacity) {
                const uint8_t b = in.byte();
                img[x][y] = b < 128 ? 1.0f : b < 250 ? 0.0f : in.real();
            } else {
                img[x][y] = in.real();
            }
        }
    }
    return img;
}

ScreenRect rect(FuzzInput& in) {
    ScreenRect r;
    r.leftMost = in.int32();
    r.rightMost = in.int32();
    r.topMost = in.int32();
    r.bottomMost = in.int32();
    r.deepMost = in.real();
    r.nearMost = in.real();
    return r;
}

// Small values most of the time, so rectangles land on small images; any int otherwise.
int smallOrAny(FuzzInput& in) {
    const uint8_t b = in.byte();
    return b < 200 ? static_cast<int>(b) - 40 : in.int32();
}

void setStacks(FuzzInput& in, TransformStack& modelView, TransformStack& projection) {
    const uint8_t how = in.byte();
    if (how & 1) {
        projection.current = in.matrix();
    } else {
        // The viewer's own kind of projection, with arbitrary parameters.
        const float a = in.real(), b = in.real(), n = in.real();
        projection.perspective(a, b, n, in.real());
    }
    if (how & 2) {
        modelView.current = in.matrix();
    } else {
        const float x = in.real(), y = in.real(), z = in.real();
        modelView.translate(x, y, z);
        modelView.rotateX(in.real());
        modelView.rotateZ(in.real());
    }
}

std::vector<Vector4D> vertexSet(FuzzInput& in) {
    std::vector<Vector4D> set(in.below(24));
    for (Vector4D& v : set) v = in.vector4();
    return set;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const DepthRule rule = kDepthRules[in.below(kDepthRuleCount)];
    TransformStack modelView, projection;
    setStacks(in, modelView, projection);
    const int width = (in.byte() & 1) ? in.int32() : static_cast<int>(in.below(5000));
    const int height = (in.byte() & 1) ? in.int32() : static_cast<int>(in.below(5000));
    const PixelImage level0 = image(in, 48, true);
    const PixelImage grid = image(in, 24, false);
    const std::vector<Vector4D> set = vertexSet(in);

    // Projection, rectangle and both tests, as the scene pass runs them.
    std::vector<Vector4D> slots;
    if (projectVertexSet(set, modelView, projection, width, height, slots)) {
        check(slots.size() == std::max(kMinProjectedSlots, set.size()), "wrong slot count");
        for (std::size_t r = 0; r < slots.size(); ++r) {
            check(slots[r].w == 1.0f, "a projected slot has w != 1");
            if (r >= set.size()) {
                check(sameBits(slots[r], Vector4D(0.0f, 0.0f, 0.0f, 1.0f)), "filler changed");
            }
        }
        const ScreenRect projected = boundingRect(slots, set.size(), width, height);
        check(projected.deepMost >= 0.0f, "deepMost below 0");
        check(overlapTest(projected, level0) == referenceOverlap(projected, level0),
              "overlap test disagrees with the reference (projected rectangle)");
        check(guardedOverlapTest(projected, level0) == referenceGuardedOverlap(projected, level0),
              "guarded overlap test disagrees with the reference (projected rectangle)");
        check(depthMapTest(projected, grid) == referenceDepthMap(projected, grid),
              "depth-map test disagrees with the reference (projected rectangle)");
        check(depthTest(projected, grid, rule) == referenceDepth(projected, grid, rule),
              "depth test disagrees with the reference (projected rectangle)");
    }
    std::vector<Vector4D> scratch;
    const Visibility v =
        testVisibility(set, modelView, projection, width, height, level0, grid, rule, scratch);
    check(!v.passedDeb || v.passedHom, "passed the depth test without the overlap test");
    check(v.tested || (!v.passedHom && !v.passedDeb), "an untested object was counted");

    // Both tests on an arbitrary rectangle, and a rectangle of arbitrary slots.
    const ScreenRect any = rect(in);
    check(overlapTest(any, level0) == referenceOverlap(any, level0),
          "overlap test disagrees with the reference");
    check(depthTest(any, grid, rule) == referenceDepth(any, grid, rule),
          "depth test disagrees with the reference");
    check(guardedOverlapTest(any, level0) == referenceGuardedOverlap(any, level0),
          "guarded overlap test disagrees with the reference");
    check(depthMapTest(any, grid) == referenceDepthMap(any, grid),
          "depth-map test disagrees with the reference");
    const std::vector<Vector4D> rawSlots = vertexSet(in);
    const ScreenRect raw =
        boundingRect(rawSlots, in.below(static_cast<unsigned>(rawSlots.size()) + 1), width, height);
    check(raw.deepMost >= 0.0f, "deepMost below 0 (raw slots)");
    (void)overlapTest(raw, level0);
    (void)depthTest(raw, grid, rule);

    // The grid fill from arbitrary occluder rectangles, against the reference.
    std::vector<ScreenRect> rects(in.below(8));
    for (ScreenRect& r : rects) {
        r.leftMost = smallOrAny(in);
        r.rightMost = smallOrAny(in);
        r.topMost = smallOrAny(in);
        r.bottomMost = smallOrAny(in);
        r.deepMost = in.real();
    }
    PixelImage filled = grid;
    fillDepthGrid(filled, rects, rule);
    for (int x = 0; x < filled.width(); ++x) {
        for (int y = 0; y < filled.height(); ++y) {
            check(sameBits(filled[x][y], referenceCell(x, y, rects, rule)),
                  "grid cell disagrees with the reference");
        }
    }

    // The pyramid over level 0, with its values forced to the 0.0 and 1.0 of a read-back.
    std::vector<PixelImage> pyramid{level0};
    for (std::vector<float>& column : pyramid[0].columns) {
        for (float& cell : column) cell = cell == 1.0f ? 1.0f : 0.0f;
    }
    buildHomPyramid(pyramid);
    for (std::size_t k = 1; k < pyramid.size(); ++k) {
        check(pyramid[k].width() == pyramid[k - 1].width() / 2 &&
                  pyramid[k].height() == pyramid[k - 1].height() / 2 &&
                  pyramid[k].width() >= kMinPyramidLevelSize &&
                  pyramid[k].height() >= kMinPyramidLevelSize,
              "pyramid level of the wrong size");
        for (const std::vector<float>& column : pyramid[k].columns) {
            for (float cell : column)
                check(cell >= 0.0f && cell <= 1.0f, "coverage outside [0, 1]");
        }
    }

    // The grid build from a scene's occluders.
    if (projectNearClippedHull(set, modelView, projection, width, height, slots)) {
        for (const Vector4D& slot : slots) check(slot.w == 1.0f, "a clipped point has w != 1");
    }

    Scene scene;
    scene.depthRule = rule;
    scene.modelView = modelView;
    scene.projection = projection;
    for (unsigned k = in.below(4); k > 0; --k) {
        Object occluder;
        occluder.occluder = (in.byte() & 3) != 0;
        occluder.vertexSet = vertexSet(in);
        scene.objects.push_back(occluder);
    }
    PixelImage sceneGrid = grid;
    fillDepthEstimationGrid(scene, sceneGrid);
    return 0;
}
