#pragma once
// The raster rule's culling: the occluders' front faces drawn into a window-sized occlusion
// buffer on the processor (occlusion/occlusionbuffer.h), and each object's pixel rectangle
// tested against it. Nothing is read back from OpenGL.
//
// An object is hidden when every pixel of its rectangle holds an occluder depth in front of the
// object's nearest window depth (nearestWindowDepth, occlusion/visibility.h, which keeps a
// margin for rounding). The rectangle, the truncated extremes of the object's corners in the
// window, holds every pixel its faces can fill: pixel x is filled only when its centre x + 1/2
// lies within [minX, maxX], so floor(minX) <= x <= floor(maxX), with almost half a pixel to
// spare for OpenGL's own rounding of the corners (snapping moves them by 1/512 pixel at most).
// Every pixel of the window is sampled, so no opening between occluders escapes, however narrow.

#include <cstddef>
#include <vector>

#include "math/vectors.h"
#include "occlusion/occlusionbuffer.h"
#include "occlusion/pixelimage.h"
#include "occlusion/visibility.h"
#include "scene/scenelib.h"

class RasterCulling {
public:
    // Sizes the buffer for a width by height window, clears it and draws the front faces of the
    // scene's occluders (each polygon's first contour, as a convex polygon) through the scene's
    // modelView and projection stacks: the occluders nearest first, skipping one whose
    // rectangle those already drawn hide entirely (it would change no pixel's answer).
    void build(const Scene& scene, int width, int height);

    // The rule's tests for an object with this projected rectangle: passedHom when every pixel
    // is covered, passedDeb when every pixel's occluder lies in front of the object.
    Visibility test(const ScreenRect& rect);

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
};
