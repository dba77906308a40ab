#pragma once
// The image-space visibility arithmetic, on the processor only (no OpenGL): projecting an
// object's vertex set, its rectangle and depth range, the overlap test against level 0 of the
// occlusion pyramid, the depth test against the depth estimation grid, and the grid's fill from
// the occluders' rectangles.
//
// Conventions:
// - Target coordinates: a vertex set is projected onto a target of width by height cells, the
//   window in pixels for the per-object tests, the grid in cells for the grid build. x grows to
//   the right from the left edge, y upwards from the bottom edge: normalised device x = -1 maps
//   to 0 and +1 to width.
// - Depth is the normalised device z (-1 near, +1 far); 1.0 is the empty grid value.
// - Rectangles are integers: x and y truncated toward zero, saturated by truncateToInt so that
//   no float, however large or NaN, is undefined to convert. `topMost` holds the smallest y and
//   `bottomMost` the largest.
// - A vertex-set entry with clip w <= 0 (on or behind the eye plane) has no position on the
//   target: a vertex set with any such entry is not projected at all and its object is left
//   untested. An occluder with one contributes nothing to the farthest rule's grid; the
//   conservative grid bounds it by its near-clipped hull instead.

#include <cstddef>
#include <vector>

#include "math/transformstack.h"
#include "math/vectors.h"
#include "occlusion/pixelimage.h"
#include "scene/scenelib.h"

// Window pixels per level-0 cell and per grid cell, in each direction.
constexpr int kLevel0Reduction = 10;
constexpr int kGridReduction = 20;
// A vertex set of fewer entries than this is padded with (0, 0, 0, 1) fillers, which count as
// the point (0, 0) at depth 0 in the rectangle (they stretch it to the target's origin).
constexpr std::size_t kMinProjectedSlots = 8;

// Projects every entry r of vertexSet through modelView then projection (the stacks' current
// matrices), divides by w and maps x and y to the target: x' = (x + 1) * width / 2 and
// y' = (y + 1) * height / 2 in double, stored as float; z stays the normalised depth and w is 1.
// slots receives max(kMinProjectedSlots, vertexSet.size()) entries: slot r for entry r, then
// fillers of (0, 0, 0, 1). Returns false, and leaves slots unspecified, as soon as an entry's clip
// w is not positive (zero, negative or NaN). slots is an out parameter so its storage is reused
// from one object to the next. This is the reference; the frame's decision step projects with
// ProjectionSetup (occlusion/vectorprojection.h), which gives the same rectangles.
bool projectVertexSet(const std::vector<Vector4D>& vertexSet, const TransformStack& modelView,
                      const TransformStack& projection, int width, int height,
                      std::vector<Vector4D>& slots);

// Normalised device coordinate c in [-1, 1] to [0, extent]: (c + 1) * extent / 2 in double,
// stored as float.
inline float toTarget(float c, int extent) {
    return static_cast<float>((static_cast<double>(c) + 1.0) * static_cast<double>(extent) / 2.0);
}

struct ScreenRect {
    int leftMost = 0, rightMost = 0;
    int topMost = 0, bottomMost = 0;  // smallest and largest y
    float deepMost = 0.0f;            // largest z over all slots, fillers included; at least 0
    float nearMost = 0.0f;            // smallest z over the projected entries only
};

// Rectangle and depth range of projected slots on a width by height target. Starts from
// leftMost = width, rightMost = 0, topMost = height, bottomMost = 0 and deepMost = 0.0, and widens
// over every slot with its truncated x and y and its z. nearMost is the smallest z over the first
// projectedCount slots (those that came from vertex-set entries); with none it equals deepMost.
ScreenRect boundingRect(const std::vector<Vector4D>& slots, std::size_t projectedCount, int width,
                        int height);

// Overlap test: the window rectangle, divided by kLevel0Reduction and widened by one cell on
// every side, is clipped to level0; a cell fails when its value is less than 1.0. Passes when no
// cell of that range (both ends included) fails, which includes an empty range.
bool overlapTest(const ScreenRect& rect, const PixelImage& level0);

// The same test on a guarded coverage image (occlusion/guardband.h): the widened range is
// clipped to the guarded cells, -1 to the last, so it reaches beyond the window's edges.
bool guardedOverlapTest(const ScreenRect& rect, const PixelImage& guardedCoverage);

// Window depths (glDepthRange 0 to 1) are normalised device depths mapped by (z + 1) / 2.
// The object's nearest window depth, lowered by kDepthMapMargin: a depth buffer rounds, and
// OpenGL's own transformation of a vertex may differ from ours in the last bits, so the object
// must lie clearly behind a sample to count as hidden.
constexpr float kDepthMapMargin = 1.0f / 65536.0f;
float nearestWindowDepth(const ScreenRect& rect);

// Depth-map test: over the same guarded cell range as guardedOverlapTest, every sample of the
// depth map (the nearest occluder's window depth, 1.0 where none) must lie in front of the
// object's nearestWindowDepth. A sample no occluder covers therefore fails. Passes for an
// empty range.
bool depthMapTest(const ScreenRect& rect, const PixelImage& depthMap);

// Depth test against the grid: the window rectangle, divided by kGridReduction and widened by
// one cell on every side, is clipped to grid; a cell fails when the object's depth is less than
// the cell. The object's depth is its farthest (deepMost) under the farthest rule and its
// nearest (nearMost) otherwise. Passes when no cell fails, which includes an empty range.
bool depthTest(const ScreenRect& rect, const PixelImage& grid, DepthRule rule);

// Outcome of the two tests for one object. Four bytes, so that it is returned and copied whole in
// a register: three bytes go through the stack byte by byte and are read back as a word, which
// stalls the processor on every object tested.
struct alignas(4) Visibility {
    bool tested = false;     // false when some vertex-set entry lies on or behind the eye plane
    bool passedHom = false;  // the overlap test passed
    bool passedDeb = false;  // both tests passed: the object is hidden
    bool hidden() const { return passedDeb; }
};

// Both tests of `rule` for one non-occluder with the given vertex set in a width by height
// window. coverage and depth are the images the rule reads: level 0 and the grid (Farthest);
// the guarded coverage and the grid (Conservative); the guarded coverage and the depth map
// (DepthMap). slots is scratch storage reused between calls.
Visibility testVisibility(const std::vector<Vector4D>& vertexSet, const TransformStack& modelView,
                          const TransformStack& projection, int width, int height,
                          const PixelImage& coverage, const PixelImage& depth, DepthRule rule,
                          std::vector<Vector4D>& slots);

// The tests of testVisibility on an object's projected rectangle (the object counts as tested).
Visibility testRect(const ScreenRect& rect, const PixelImage& coverage, const PixelImage& depth,
                    DepthRule rule);

// Fills grid, already sized, from occluder rectangles in grid cells.
// Farthest: each rectangle covers the half-open cell range [max(0, leftMost), min(W, rightMost))
// by [max(0, topMost), min(H, bottomMost)): the cells holding its left and bottom edges are
// written, those holding its right and top edges are not. Every cell starts at 1.0 and keeps the
// minimum of the deepMost values over it.
// Conservative (any other rule): each rectangle covers every cell it touches, [leftMost,
// rightMost] by [topMost, bottomMost] clipped to the grid, and a cell keeps the maximum of the
// deepMost values over it, 1.0 where no rectangle covers it.
void fillDepthGrid(PixelImage& grid, const std::vector<ScreenRect>& occluderRects, DepthRule rule);

// Projects the part of the vertex set's convex hull that lies beyond the near plane (clip
// z >= -w): the entries beyond it, and for every pair of an entry beyond and an entry before it
// the point where the segment between them meets the plane (interpolated in double), each
// divided by w and mapped to the target as in projectVertexSet. The points' rectangle and depth
// range bound what OpenGL rasterises of a convex object however it meets the eye plane; no
// points (slots empty) means nothing lies beyond the plane. Returns false, leaving slots
// unspecified, when a point to project has a w that is not positive (a projection unlike the
// viewer's).
bool projectNearClippedHull(const std::vector<Vector4D>& vertexSet, const TransformStack& modelView,
                            const TransformStack& projection, int width, int height,
                            std::vector<Vector4D>& slots);

// Projects every occluder of the scene onto grid (already sized; its width and height are the
// target) and fills it with fillDepthGrid under the scene's depth rule. Farthest: an occluder
// whose vertex set has an entry on or behind the eye plane contributes nothing. Conservative: such
// an occluder contributes the rectangle and depths of its near-clipped hull; one that cannot be
// bounded that way leaves every cell at 1.0, since nothing may then count as hidden by depth.
void fillDepthEstimationGrid(const Scene& scene, PixelImage& grid);
