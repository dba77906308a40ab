#pragma once
// The raster rule's culling: the occluders' front faces drawn into a window-sized occlusion
// buffer on the processor (occlusion/occlusionbuffer.h), and each object's pixel rectangle, and
// where needed its outline, tested against it. Nothing is read back from OpenGL.
//
// An object is hidden when every pixel it can fill holds an occluder depth in front of the
// object's nearest window depth (nearestWindowDepth, occlusion/visibility.h, which keeps a
// margin for rounding). Every pixel of the window is sampled, so no opening between occluders
// escapes, however narrow. Two sets of pixels hold all the object can fill:
// - its rectangle, the truncated extremes of its corners in the window, tested first, as it is
//   cheap: pixel x is filled only when its centre x + 1/2 lies within [minX, maxX], so
//   floor(minX) <= x <= floor(maxX), with almost half a pixel to spare for OpenGL's own rounding
//   of the corners (snapping moves them by 1/512 pixel at most);
// - where the rectangle is not hidden, its outline, the convex hull of its corners
//   (occlusion/outline.h), which leaves out the rectangle's corners, where an object seen at an
//   angle reaches past an occluder's edge without filling a pixel there. An object one of whose
//   corners lands on a pixel not hidden is taken as seen without the outline's test; for the
//   others, the pixels of the corners' extremes are tested first, from the tiles alone: they
//   hold the outline and are fewer than the rectangle's (a pixel past a maximum whose centre no
//   face reaches is left out), and when they are hidden the hull is not needed.

#include <cstddef>
#include <vector>

#include "math/vectors.h"
#include "occlusion/occlusionbuffer.h"
#include "occlusion/outline.h"
#include "occlusion/pixelimage.h"
#include "occlusion/vectorprojection.h"
#include "occlusion/visibility.h"
#include "scene/scenelib.h"

class RasterCulling {
public:
    // Sizes the buffer for a width by height window, clears it and draws the front faces of the
    // scene's occluders (each polygon's first contour, as a convex polygon) through the scene's
    // modelView and projection stacks: the occluders nearest first, skipping one whose
    // rectangle those already drawn hide entirely (it would change no pixel's answer).
    void build(const Scene& scene, int width, int height);

    // The rule's tests for an object with this projected rectangle and these corners (device
    // coordinates, from the same projection, by one combined matrix): passedHom when every
    // pixel of the rectangle is covered, passedDeb when every pixel's occluder also lies in
    // front of the object; both when the rectangle is not hidden but the outline is.
    Visibility test(const ScreenRect& rect, const CornerPoints& corners);

    // The corners in a width by height window, mapped as toTarget maps them but kept in double,
    // into x and y (room for OutlineRows::kMaxPoints). False for a corner that is not finite or
    // more corners than that.
    static bool cornersInWindow(const CornerPoints& corners, int width, int height, double* x,
                                double* y);
    // A device coordinate in a window of this extent (width or height), as cornersInWindow maps
    // each corner.
    static double toWindow(float device, int extent) {
        return (static_cast<double>(device) + 1.0) * extent * 0.5;
    }

    // The frame's pictures from the buffer: level0 (level0Width by level0Height) the fraction
    // of covered pixels of each 10 by 10 block, grid (gridWidth by gridHeight) the farthest
    // depth of each 20 by 20 block, 1.0 where a pixel is uncovered.
    void pictures(PixelImage& level0, int level0Width, int level0Height, PixelImage& grid,
                  int gridWidth, int gridHeight) const;

    const OcclusionBuffer& buffer() const { return buffer_; }

    // Gives the buffer's memory back (frames of other rules need none of it).
    void release() { buffer_.release(); }

private:
    OcclusionBuffer buffer_;
    std::vector<Vector4D> polygon_;
    // The frame's occluders in drawing order: scene index, rectangle, and whether it has one.
    struct Occluder {
        std::size_t index;
        ScreenRect rect;
        bool projected;
    };
    std::vector<Occluder> occluders_;
    // An object's corners in the window and their hull.
    double cornerX_[OutlineRows::kMaxPoints], cornerY_[OutlineRows::kMaxPoints];
    double hullX_[OutlineRows::kMaxPoints], hullY_[OutlineRows::kMaxPoints];
    OutlineRows outline_;
};
