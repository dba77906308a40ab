#include "occlusion/visibility.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "math/numeric.h"
#include "occlusion/tests/testscenes.h"
#include "occlusion/vertexsets.h"
#include "testing/tolerances.h"

namespace {

constexpr int kWindow = 480;  // level 0 of 48 by 48 cells, a grid of 24 by 24
constexpr int kLevel0Cells = kWindow / kLevel0Reduction;
constexpr int kGridCells = kWindow / kGridReduction;

PixelImage filled(int width, int height, float value) {
    PixelImage image;
    image.resize(width, height);
    for (auto& column : image.columns) column.assign(column.size(), value);
    return image;
}

ScreenRect rectOf(int left, int right, int top, int bottom, float deep, float nearest) {
    ScreenRect rect;
    rect.leftMost = left;
    rect.rightMost = right;
    rect.topMost = top;
    rect.bottomMost = bottom;
    rect.deepMost = deep;
    rect.nearMost = nearest;
    return rect;
}

// The eight corners of a box in target coordinates, as projected slots.
std::vector<Vector4D> cornerSlots(float x0, float x1, float y0, float y1, float z0, float z1) {
    std::vector<Vector4D> slots;
    for (float x : {x0, x1}) {
        for (float y : {y0, y1}) {
            for (float z : {z0, z1}) slots.emplace_back(x, y, z, 1.0f);
        }
    }
    return slots;
}

// Expects grid[x][y] == expected(x, y) for every cell.
template <typename Expected>
void expectGrid(const PixelImage& grid, Expected expected) {
    for (int x = 0; x < grid.width(); ++x) {
        for (int y = 0; y < grid.height(); ++y) {
            ASSERT_EQ(grid[x][y], expected(x, y)) << "cell " << x << ", " << y;
        }
    }
}

bool inside(int v, int first, int last) { return v >= first && v <= last; }

TEST(BoundingRect, TruncatesAndCountsFillersOnlyInTheRectangleAndFarthestDepth) {
    {
        // Corners from 2.7 to 7.3 across and 3.1 to 5.9 up.
        const ScreenRect rect = boundingRect(cornerSlots(2.7f, 7.3f, 3.1f, 5.9f, 0.9f, 0.95f), 8,
                                             kGridCells, kGridCells);
        EXPECT_EQ(rect.leftMost, 2);
        EXPECT_EQ(rect.rightMost, 7);
        EXPECT_EQ(rect.topMost, 3);
        EXPECT_EQ(rect.bottomMost, 5);
        EXPECT_EQ(rect.deepMost, 0.95f);
        EXPECT_EQ(rect.nearMost, 0.9f);
    }
    {
        // -3.5 truncates toward zero to -3.
        const ScreenRect rect = boundingRect(cornerSlots(-3.5f, 2.5f, 1.0f, 2.0f, 0.5f, 0.6f), 8,
                                             kGridCells, kGridCells);
        EXPECT_EQ(rect.leftMost, -3);
        EXPECT_EQ(rect.rightMost, 2);
    }
    {
        // Four projected entries plus four (0, 0, 0, 1) fillers: the fillers pull the rectangle
        // to the origin, but their depth 0 is not the object's nearest depth.
        std::vector<Vector4D> slots = cornerSlots(100.5f, 200.5f, 150.5f, 160.5f, 0.25f, 0.5f);
        slots.resize(4);
        slots.resize(8, Vector4D(0.0f, 0.0f, 0.0f, 1.0f));
        const ScreenRect rect = boundingRect(slots, 4, kWindow, kWindow);
        EXPECT_EQ(rect.leftMost, 0);
        EXPECT_EQ(rect.topMost, 0);
        EXPECT_EQ(rect.rightMost, 100);
        EXPECT_EQ(rect.bottomMost, 160);
        EXPECT_EQ(rect.deepMost, 0.5f);
        EXPECT_EQ(rect.nearMost, 0.25f);
    }
    {
        // Starting values: slots wholly right of and above the window leave leftMost = width.
        const ScreenRect rect =
            boundingRect(cornerSlots(500, 600, 500, 600, 0.5f, 0.5f), 8, kWindow, kWindow);
        EXPECT_EQ(rect.leftMost, kWindow);
        EXPECT_EQ(rect.topMost, kWindow);
        EXPECT_EQ(rect.rightMost, 600);
    }
    {
        // No projected entry: nearMost falls back to deepMost.
        const ScreenRect rect =
            boundingRect(std::vector<Vector4D>(8, Vector4D(0, 0, 0, 1)), 0, kWindow, kWindow);
        EXPECT_EQ(rect.deepMost, 0.0f);
        EXPECT_EQ(rect.nearMost, 0.0f);
    }
}

TEST(BoundingRect, SaturatesHugeInfiniteAndNanCoordinates) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Vector4D> slots = {{1e30f, 10, 0.5f, 1}, {-inf, nan, 0.5f, 1}, {5, inf, nan, 1}};
    slots.resize(8, Vector4D(20, 20, 0.5f, 1));
    const ScreenRect rect = boundingRect(slots, 8, kWindow, kWindow);
    EXPECT_EQ(rect.rightMost, kTruncateLimit);
    EXPECT_EQ(rect.leftMost, -kTruncateLimit);
    EXPECT_EQ(rect.bottomMost, kTruncateLimit);
    EXPECT_EQ(rect.topMost, 0);  // NaN counts as 0
    EXPECT_EQ(rect.deepMost, 0.5f);
    // The widened ranges stay within int and are clipped to the images.
    EXPECT_TRUE(overlapTest(rect, filled(kLevel0Cells, kLevel0Cells, 1.0f)));
    EXPECT_FALSE(overlapTest(rect, filled(kLevel0Cells, kLevel0Cells, 0.0f)));
    EXPECT_TRUE(depthTest(rect, filled(kGridCells, kGridCells, 0.5f), DepthRule::Farthest));
}

TEST(ProjectVertexSet, MapsToTargetCoordinatesWithFillersAndGrowsBeyondEight) {
    const TransformStack identity;
    std::vector<Vector4D> slots;
    {
        const std::vector<Vector4D> set = {{-1, -1, 0.25f, 1}, {1, 1, -0.5f, 1}, {0, 0.5f, 0, 2}};
        ASSERT_TRUE(projectVertexSet(set, identity, identity, 480, 240, slots));
        ASSERT_EQ(slots.size(), 8u);
        EXPECT_EQ(slots[0], Vector4D(0, 0, 0.25f, 1));
        EXPECT_EQ(slots[1], Vector4D(480, 240, -0.5f, 1));
        EXPECT_EQ(slots[2], Vector4D(240, 150, 0, 1));  // divided by w = 2 first
        for (std::size_t r = 3; r < 8; ++r) EXPECT_EQ(slots[r], Vector4D(0, 0, 0, 1));
    }
    {
        // Twelve distinct entries: all are projected, and the last one widens the rectangle.
        std::vector<Vector4D> set;
        for (int i = 0; i < 12; ++i)
            set.emplace_back(-1.0f + static_cast<float>(i) / 6.0f, 0.5f, 0.5f, 1.0f);
        ASSERT_TRUE(projectVertexSet(set, identity, identity, kWindow, kWindow, slots));
        ASSERT_EQ(slots.size(), 12u);
        const ScreenRect rect = boundingRect(slots, set.size(), kWindow, kWindow);
        EXPECT_EQ(rect.leftMost, 0);
        EXPECT_EQ(rect.rightMost, 440);
        EXPECT_EQ(rect.topMost, 360);  // no filler pulls it to 0
    }
    {
        // Entries on or behind the eye plane, or with a NaN w, leave the set unprojected instead
        // of dividing (w == 0 would throw ZeroDivide).
        for (float w : {0.0f, -0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
            const std::vector<Vector4D> set = {{0, 0, 0, 1}, {0.5f, 0.5f, 0.5f, w}};
            bool projected = true;
            EXPECT_NO_THROW(projected =
                                projectVertexSet(set, identity, identity, kWindow, kWindow, slots));
            EXPECT_FALSE(projected) << "w = " << w;
        }
    }
}

// The projection must agree with GLU's independent formulation of the same viewing pipeline.
TEST(ProjectVertexSet, AgreesWithGluProjectOnRandomViews) {
    std::mt19937 random(77u);
    std::uniform_real_distribution<float> angle(-180.0f, 180.0f);
    std::uniform_real_distribution<float> coordinate(-1.5f, 1.5f);
    std::uniform_int_distribution<int> extent(20, 1000);
    std::vector<Vector4D> slots;
    for (int trial = 0; trial < 200; ++trial) {
        const int width = extent(random);
        const int height = extent(random);
        TransformStack modelView;
        TransformStack projection;
        projection.perspective(0.4f, 0.3f, 0.1f, 100.0f);
        modelView.translate(coordinate(random), coordinate(random), -6.0f);
        modelView.rotateX(angle(random));
        modelView.rotateZ(angle(random));
        std::vector<Vector4D> set;
        for (int i = 0; i < 10; ++i) {
            set.emplace_back(coordinate(random), coordinate(random), coordinate(random), 1.0f);
        }
        ASSERT_TRUE(projectVertexSet(set, modelView, projection, width, height, slots));

        float mv[16], pr[16];
        modelView.toColumnMajor(mv);
        projection.toColumnMajor(pr);
        double mvd[16], prd[16];
        for (int i = 0; i < 16; ++i) {
            mvd[i] = static_cast<double>(mv[i]);
            prd[i] = static_cast<double>(pr[i]);
        }
        const GLint viewport[4] = {0, 0, width, height};
        for (std::size_t r = 0; r < set.size(); ++r) {
            double wx, wy, wz;
            ASSERT_EQ(gluProject(static_cast<double>(set[r].x), static_cast<double>(set[r].y),
                                 static_cast<double>(set[r].z), mvd, prd, viewport, &wx, &wy, &wz),
                      GL_TRUE);
            const double scale = static_cast<double>(std::max(width, height));
            EXPECT_NEAR(static_cast<double>(slots[r].x), wx,
                        scale * static_cast<double>(tol::kChain));
            EXPECT_NEAR(static_cast<double>(slots[r].y), wy,
                        scale * static_cast<double>(tol::kChain));
            EXPECT_NEAR(static_cast<double>(slots[r].z), 2.0 * wz - 1.0,
                        static_cast<double>(tol::kChain));
        }
    }
}

TEST(FillDepthGrid, FillsHalfOpenClippedRanges) {
    PixelImage grid = filled(kGridCells, kGridCells, 0.0f);
    {
        // Columns 2 to 6 and rows 3 to 4: the cells holding the right and top edges stay empty.
        const ScreenRect rect = boundingRect(cornerSlots(2.7f, 7.3f, 3.1f, 5.9f, 0.9f, 0.95f), 8,
                                             kGridCells, kGridCells);
        fillDepthGrid(grid, {rect}, DepthRule::Farthest);
        expectGrid(grid,
                   [](int x, int y) { return inside(x, 2, 6) && inside(y, 3, 4) ? 0.95f : 1.0f; });
    }
    {
        // Less than one cell wide writes nothing.
        fillDepthGrid(grid, {rectOf(4, 4, 3, 9, 0.5f, 0.5f)}, DepthRule::Farthest);
        expectGrid(grid, [](int, int) { return 1.0f; });
    }
    {
        // -3.5 truncates to -3 and is clipped to column 0; the far side is clipped to the grid.
        const ScreenRect left = boundingRect(cornerSlots(-3.5f, 2.5f, 20.0f, 30.0f, 0.5f, 0.6f), 8,
                                             kGridCells, kGridCells);
        fillDepthGrid(grid, {left}, DepthRule::Farthest);
        expectGrid(grid, [](int x, int y) { return x <= 1 && y >= 20 ? 0.6f : 1.0f; });
    }
    {
        // Wholly off the grid, or with no occluder at all: every cell is the far plane.
        fillDepthGrid(grid, {rectOf(30, 40, 0, 24, 0.5f, 0.5f), rectOf(-9, -1, 0, 24, 0.5f, 0.5f)},
                      DepthRule::Farthest);
        expectGrid(grid, [](int, int) { return 1.0f; });
        fillDepthGrid(grid, {}, DepthRule::Conservative);
        expectGrid(grid, [](int, int) { return 1.0f; });
    }
    {
        // An occluder wholly nearer than depth 0 writes 0: deepMost starts at 0. The
        // conservative rule writes every cell the rectangle touches, its right and top ones too.
        const ScreenRect nearRect =
            boundingRect(cornerSlots(1, 3, 1, 3, -0.7f, -0.2f), 8, kGridCells, kGridCells);
        fillDepthGrid(grid, {nearRect}, DepthRule::Farthest);
        expectGrid(grid,
                   [](int x, int y) { return inside(x, 1, 2) && inside(y, 1, 2) ? 0.0f : 1.0f; });
        fillDepthGrid(grid, {nearRect}, DepthRule::Conservative);
        expectGrid(grid,
                   [](int x, int y) { return inside(x, 1, 3) && inside(y, 1, 3) ? 0.0f : 1.0f; });
        // Clipped to the grid at both ends.
        fillDepthGrid(grid, {rectOf(-5, 30, 20, 99, 0.5f, 0.5f)}, DepthRule::Conservative);
        expectGrid(grid, [](int, int y) { return y >= 20 ? 0.5f : 1.0f; });
    }
}

TEST(FillDepthGrid, OverlapsKeepTheNearestOrUnderTheConservativeRuleTheFarthest) {
    const ScreenRect a = rectOf(2, 8, 2, 8, 0.95f, 0.9f);
    const ScreenRect b = rectOf(5, 12, 5, 12, 0.97f, 0.9f);
    PixelImage grid = filled(kGridCells, kGridCells, 0.0f);
    // Half-open ranges for the farthest rule, closed ones for the conservative rule.
    const auto expected = [](float overlap, int closed) {
        return [overlap, closed](int x, int y) {
            const bool inA = inside(x, 2, 7 + closed) && inside(y, 2, 7 + closed);
            const bool inB = inside(x, 5, 11 + closed) && inside(y, 5, 11 + closed);
            if (inA && inB) return overlap;
            if (inA) return 0.95f;
            if (inB) return 0.97f;
            return 1.0f;
        };
    };
    for (const auto& order : {std::vector<ScreenRect>{a, b}, std::vector<ScreenRect>{b, a}}) {
        fillDepthGrid(grid, order, DepthRule::Farthest);
        expectGrid(grid, expected(0.95f, 0));
        fillDepthGrid(grid, order, DepthRule::Conservative);
        expectGrid(grid, expected(0.97f, 1));
    }
}

TEST(OverlapTest, ScansTheWidenedClippedRangeOfLevelZero) {
    const ScreenRect rect = rectOf(100, 200, 150, 250, 0.9f, 0.9f);  // cells 9..21 by 14..26
    {
        PixelImage level0 = filled(kLevel0Cells, kLevel0Cells, 1.0f);
        EXPECT_TRUE(overlapTest(rect, level0));
        // Just outside the widened range on each side: still passes.
        level0[8][20] = level0[22][20] = level0[15][13] = level0[15][27] = 0.0f;
        EXPECT_TRUE(overlapTest(rect, level0));
    }
    for (const auto& cell : {std::pair<int, int>{9, 20}, {21, 20}, {15, 14}, {15, 26}, {15, 20}}) {
        // One uncovered or partly covered cell inside the range fails the test.
        PixelImage level0 = filled(kLevel0Cells, kLevel0Cells, 1.0f);
        level0[cell.first][cell.second] = 0.75f;
        EXPECT_FALSE(overlapTest(rect, level0)) << cell.first << ", " << cell.second;
    }
    {
        // rightMost 470 reaches the last column (47); 459 stops at column 46.
        PixelImage level0 = filled(kLevel0Cells, kLevel0Cells, 1.0f);
        for (float& v : level0[47]) v = 0.0f;
        EXPECT_FALSE(overlapTest(rectOf(400, 470, 100, 200, 0.9f, 0.9f), level0));
        EXPECT_TRUE(overlapTest(rectOf(400, 459, 100, 200, 0.9f, 0.9f), level0));
    }
    {
        // Wholly right of the window: tested against the last column alone.
        const ScreenRect right =
            boundingRect(cornerSlots(500, 600, 100, 200, 0.9f, 0.95f), 8, kWindow, kWindow);
        PixelImage level0 = filled(kLevel0Cells, kLevel0Cells, 0.0f);
        EXPECT_FALSE(overlapTest(right, level0));
        for (float& v : level0[47]) v = 1.0f;
        EXPECT_TRUE(overlapTest(right, level0));
    }
    EXPECT_TRUE(overlapTest(rect, PixelImage()));  // an empty range passes
}

TEST(GuardedTests, ScanTheGuardBandBeyondTheWindowEdges) {
    constexpr int kGuarded = kLevel0Cells + 2;  // cells -1 to 48 of a 480-pixel window
    {
        // An object in the window's last 10 columns: the plain test stops at the image's
        // last column, the guarded one reaches the guard column beyond the edge.
        const ScreenRect edge = rectOf(470, 479, 100, 200, 0.9f, 0.9f);
        PixelImage guarded = filled(kGuarded, kGuarded, 1.0f);
        EXPECT_TRUE(guardedOverlapTest(edge, guarded));
        for (float& v : guarded[kGuarded - 1]) v = 0.0f;
        EXPECT_FALSE(guardedOverlapTest(edge, guarded));
        EXPECT_TRUE(overlapTest(edge, filled(kLevel0Cells, kLevel0Cells, 1.0f)));
        // The guard column on the other side is not in its range.
        EXPECT_TRUE(guardedOverlapTest(rectOf(400, 430, 100, 200, 0.9f, 0.9f), guarded));
    }
    {
        // At the bottom-left corner the range starts at cell -1, index 0.
        PixelImage guarded = filled(kGuarded, kGuarded, 1.0f);
        guarded[0][0] = 0.0f;
        EXPECT_FALSE(guardedOverlapTest(rectOf(0, 30, 0, 30, 0.9f, 0.9f), guarded));
        EXPECT_TRUE(guardedOverlapTest(rectOf(10, 30, 0, 30, 0.9f, 0.9f), guarded));
    }
    {
        // Depth map: every sample in the range must lie in front of the object's nearest
        // window depth, by more than the margin.
        const PixelImage depthMap = filled(kGuarded, kGuarded, 0.9f);
        const auto atWindowDepth = [](float window) {
            return rectOf(200, 260, 200, 260, 1.0f, 2.0f * window - 1.0f);
        };
        EXPECT_TRUE(depthMapTest(atWindowDepth(0.9f + 4 * kDepthMapMargin), depthMap));
        EXPECT_FALSE(depthMapTest(atWindowDepth(0.9f), depthMap));
        EXPECT_FALSE(depthMapTest(atWindowDepth(0.9f + kDepthMapMargin / 2), depthMap));
        // A sample no occluder covers (the far value) fails, even in the guard band.
        PixelImage holed = depthMap;
        holed[kGuarded - 1][kGuarded - 1] = 1.0f;
        const ScreenRect corner = rectOf(470, 479, 470, 479, 1.0f, 0.99f);
        EXPECT_TRUE(depthMapTest(corner, depthMap));
        EXPECT_FALSE(depthMapTest(corner, holed));
        EXPECT_FALSE(depthMapTest(rectOf(200, 260, 200, 260, 1.0f, std::nanf("")), depthMap));
    }
}

TEST(DepthTest, ComparesFarthestOrNearestDepthOverTheWidenedRange) {
    const PixelImage grid = filled(kGridCells, kGridCells, 0.95f);
    {
        // Behind the stored depth: passes both rules.
        const ScreenRect behind = rectOf(100, 200, 100, 200, 0.99f, 0.96f);
        EXPECT_TRUE(depthTest(behind, grid, DepthRule::Farthest));
        EXPECT_TRUE(depthTest(behind, grid, DepthRule::Conservative));
        // Equal counts as behind.
        EXPECT_TRUE(
            depthTest(rectOf(100, 200, 100, 200, 0.95f, 0.95f), grid, DepthRule::Conservative));
    }
    {
        // In front: fails both.
        const ScreenRect front = rectOf(100, 200, 100, 200, 0.94f, 0.9f);
        EXPECT_FALSE(depthTest(front, grid, DepthRule::Farthest));
        EXPECT_FALSE(depthTest(front, grid, DepthRule::Conservative));
    }
    {
        // Straddling the stored depth: only the farthest depth counts under the farthest-depth
        // rule.
        const ScreenRect straddling = rectOf(100, 200, 100, 200, 0.99f, 0.9f);
        EXPECT_TRUE(depthTest(straddling, grid, DepthRule::Farthest));
        EXPECT_FALSE(depthTest(straddling, grid, DepthRule::Conservative));
    }
    {
        // One far cell at the edge of the widened range (cells 4..11) fails; one just beyond
        // does not.
        PixelImage mixed = grid;
        mixed[12][6] = 1.0f;
        EXPECT_TRUE(
            depthTest(rectOf(100, 200, 100, 200, 0.99f, 0.96f), mixed, DepthRule::Farthest));
        mixed[11][6] = 1.0f;
        EXPECT_FALSE(
            depthTest(rectOf(100, 200, 100, 200, 0.99f, 0.96f), mixed, DepthRule::Farthest));
    }
}

TEST(TestVisibility, CountsAndHidesOnlyWhenBothTestsPass) {
    // Identity matrices: vertex-set entries are normalised device coordinates.
    const TransformStack identity;
    const PixelImage covered = filled(kLevel0Cells, kLevel0Cells, 1.0f);
    const PixelImage grid = filled(kGridCells, kGridCells, 0.95f);
    std::vector<Vector4D> slots;
    const auto box = [](float z0, float z1) {
        std::vector<Vector4D> set;
        for (const Vector4D& c : cornerSlots(-0.2f, 0.2f, -0.1f, 0.3f, z0, z1)) set.push_back(c);
        return set;
    };
    {
        const Visibility v = testVisibility(box(0.96f, 0.99f), identity, identity, kWindow, kWindow,
                                            covered, grid, DepthRule::Farthest, slots);
        EXPECT_TRUE(v.tested);
        EXPECT_TRUE(v.passedHom);
        EXPECT_TRUE(v.passedDeb);
        EXPECT_TRUE(v.hidden());
    }
    {
        PixelImage holed = covered;
        holed[24][24] = 0.0f;
        const Visibility v = testVisibility(box(0.96f, 0.99f), identity, identity, kWindow, kWindow,
                                            holed, grid, DepthRule::Farthest, slots);
        EXPECT_TRUE(v.tested);
        EXPECT_FALSE(v.passedHom);
        EXPECT_FALSE(v.passedDeb);
    }
    {
        const Visibility v = testVisibility(box(0.5f, 0.9f), identity, identity, kWindow, kWindow,
                                            covered, grid, DepthRule::Farthest, slots);
        EXPECT_TRUE(v.passedHom);
        EXPECT_FALSE(v.passedDeb);
    }
    {
        // Straddling: hidden under the farthest-depth rule, drawn under the conservative one.
        EXPECT_TRUE(testVisibility(box(0.9f, 0.99f), identity, identity, kWindow, kWindow, covered,
                                   grid, DepthRule::Farthest, slots)
                        .hidden());
        EXPECT_FALSE(testVisibility(box(0.9f, 0.99f), identity, identity, kWindow, kWindow, covered,
                                    grid, DepthRule::Conservative, slots)
                         .hidden());
    }
    {
        // An entry on or behind the eye plane: untested, so neither counted nor hidden, however
        // well the images would cover it.
        std::vector<Vector4D> set = box(0.96f, 0.99f);
        set[5].w = 0.0f;
        const PixelImage farGrid = filled(kGridCells, kGridCells, -1.0f);
        const Visibility v = testVisibility(set, identity, identity, kWindow, kWindow, covered,
                                            farGrid, DepthRule::Farthest, slots);
        EXPECT_FALSE(v.tested);
        EXPECT_FALSE(v.passedHom);
        EXPECT_FALSE(v.hidden());
    }
}

TEST(FillDepthEstimationGrid, ProjectsOccludersOnlyAndSkipsThoseReachingTheEyePlane) {
    {
        // Identity camera: entries are device coordinates, grid x = (x + 1) * 12. The box spans
        // grid x 2.7 to 7.3 and y 3.1 to 5.9.
        Scene scene;
        addBox(scene, {2.7f / 12 - 1, 3.1f / 12 - 1, 0.9f}, {7.3f / 12 - 1, 5.9f / 12 - 1, 0.95f},
               kOccluderKind);
        addBox(scene, {-1, -1, -1}, {1, 1, -0.5f}, kObjectKind);  // not an occluder
        computeVertexSets(scene);
        PixelImage grid = filled(kGridCells, kGridCells, 0.0f);
        fillDepthEstimationGrid(scene, grid);
        expectGrid(grid,
                   [](int x, int y) { return inside(x, 2, 6) && inside(y, 3, 4) ? 0.95f : 1.0f; });
    }
    {
        // A quad has four entries: the fillers stretch its rectangle to the grid origin.
        Scene scene;
        addQuad(scene, 10.5f / 12 - 1, 10.5f / 12 - 1, 15.5f / 12 - 1, 15.5f / 12 - 1, 0.5f,
                kOccluderKind);
        computeVertexSets(scene);
        PixelImage grid = filled(kGridCells, kGridCells, 0.0f);
        fillDepthEstimationGrid(scene, grid);
        expectGrid(grid, [](int x, int y) { return x < 15 && y < 15 ? 0.5f : 1.0f; });
    }
    {
        // Through the camera: an occluder touching the eye plane (w == 0) or reaching behind the
        // eye writes nothing; the one fully in front still does, and the flag picks the rule.
        Scene scene;
        setTestCamera(scene);
        addBox(scene, {-1, -1, -3}, {1, 1, 0}, kOccluderKind);
        addBox(scene, {-1, -1, -3}, {1, 1, 2}, kOccluderKind);
        computeVertexSets(scene);
        PixelImage grid = filled(kGridCells, kGridCells, 0.0f);
        EXPECT_NO_THROW(fillDepthEstimationGrid(scene, grid));
        expectGrid(grid, [](int, int) { return 1.0f; });

        addBox(scene, {-1, -1, -6}, {1, 1, -5}, kOccluderKind);  // grid 6 to 18
        addBox(scene, {-1, -1, -9}, {1, 1, -8}, kOccluderKind);  // grid 8.25 to 15.75
        computeVertexSets(scene);
        const float nearDepth = scene.projection.transform({0, 0, -6, 1}).z / 6.0f;
        const float farDepth = scene.projection.transform({0, 0, -9, 1}).z / 9.0f;
        fillDepthEstimationGrid(scene, grid);
        expectGrid(grid, [&](int x, int y) {
            return inside(x, 6, 17) && inside(y, 6, 17) ? nearDepth : 1.0f;
        });
        // The conservative rule keeps the farthest depth over every cell a rectangle touches,
        // and bounds the two boxes reaching the eye plane by their parts beyond the near plane:
        // those reach far beyond the window, at the depth of their far face.
        scene.depthRule = DepthRule::Conservative;
        const float eyeBoxDepth = scene.projection.transform({0, 0, -3, 1}).z / 3.0f;
        fillDepthEstimationGrid(scene, grid);
        expectGrid(grid, [&](int x, int y) {
            if (inside(x, 8, 15) && inside(y, 8, 15)) return farDepth;
            return inside(x, 6, 18) && inside(y, 6, 18) ? nearDepth : eyeBoxDepth;
        });
    }
}

}  // namespace
