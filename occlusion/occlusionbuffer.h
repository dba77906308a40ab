#pragma once
// A depth buffer of the occluders at window resolution, drawn on the processor: what OpenGL's
// depth buffer would hold after drawing the occluders' front faces, with no read-back.
//
// Conventions:
// - Window pixels (x, y), y = 0 the bottom row, sampled at their centres (x + 0.5, y + 0.5), as
//   OpenGL samples them.
// - Depths are window depths, (z / w + 1) / 2: 0 near, 1 far. A pixel no occluder covers holds
//   1.0, and a pixel holds the nearest depth of the polygons covering it, never nearer than
//   their true depth at its centre: each polygon's depths are pushed back by what snapping and
//   float arithmetic could take off them.
// - Vertices snap to 1/256 of a pixel. A pixel centre exactly on an edge belongs to the polygon
//   when the edge is a left edge (going down the window) or a top edge (horizontal, going left)
//   of the counter-clockwise polygon: polygons sharing an edge then never both take a pixel on
//   it, and never both miss it.
// - Only front faces are drawn: counter-clockwise in window coordinates, OpenGL's default.
// - Storage: tiles of kTile by kTile pixels, each a row-major block of depths. A tile holds
//   depths only once a polygon has reached it in the current frame; until then it is wholly
//   far, so clearing the buffer costs nothing per tile. A tile's farthest depth, the first level
//   of the hierarchy the queries descend, is computed when a query first needs it.
// - Nothing is allocated per frame once the buffer has its size and has met its largest polygon.

#include <cstdint>
#include <vector>

#include "math/vectors.h"

class OcclusionBuffer {
public:
    static constexpr int kTile = 8;

    // Sizes the buffer for a width by height window (negative sizes count as 0) and clears it.
    // Allocates only when the size changes.
    void resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    // Empties the buffer for a new frame, every pixel far, in constant time.
    void clear();

    // Gives the buffer's memory back: a buffer of no pixels until the next resize.
    void release();

    // Draws one convex polygon given in clip coordinates (count vertices, counter-clockwise when
    // it faces the eye): clipped (occlusion/polygonclip.h), divided by w, mapped to the window
    // and rasterised, each pixel keeping the nearer of its depth and the polygon's. Back faces,
    // degenerate polygons and polygons with a non-finite vertex draw nothing.
    void drawPolygon(const Vector4D* clip, int count);

    // The depth of pixel (x, y); 1.0 outside the window or where nothing was drawn.
    float depthAt(int x, int y) const;

    // The depths of tile (tx, ty), kTile rows of kTile, bottom row first; null for a tile no
    // polygon reached this frame, which is wholly far. Pixels beyond the window's edge hold 0.
    const float* tileDepths(int tx, int ty) const;
    int tilesAcross() const { return tilesX_; }
    int tilesUp() const { return tilesY_; }

    // Over the pixels x0 to x1 by y0 to y1 (both ends included, clipped to the window): whether
    // every one is covered, and whether every one holds a depth in front of `depth`. A range
    // with no pixel answers true to both. Descends to pixels only in tiles whose farthest depth
    // does not settle both answers.
    struct RectAnswer {
        bool covered = true;
        bool hidden = true;
    };
    RectAnswer testRect(int x0, int x1, int y0, int y1, float depth);

    // A polygon vertex in the window.
    struct WindowVertex {
        int64_t x, y;           // snapped, 1/256 pixel
        double exactX, exactY;  // before snapping, pixels
        double z;
    };
    // The polygon drawPolygon rasterises: clipped, divided by w and mapped to the window, its
    // vertices snapped. Returns false, for a polygon that draws nothing, when nothing remains of
    // it, a vertex is not finite or it does not face the eye.
    bool windowPolygon(const Vector4D* clip, int count, std::vector<WindowVertex>& polygon);

private:
    // One edge of the polygon being rasterised: its bound on the row's span (side 1: lowest
    // column, -1: highest column + 1, 0: a horizontal edge, which keeps or empties whole rows),
    // and how that bound moves from one row to the next.
    struct EdgeStep {
        int side = 0;
        bool inclusive = false;  // a horizontal edge keeps the row when value is 0 too
        int64_t value = 0;       // the bound, or a horizontal edge's edge function
        int64_t rest = 0, divisor = 1, quotientStep = 0, carryStep = 0;
        void advance() {
            if (side == 0) {
                value += carryStep;
                return;
            }
            // value * divisor - rest is the exact numerator; it moves by
            // quotientStep * divisor + carryStep, with 0 <= carryStep < divisor.
            value += quotientStep;
            rest -= carryStep;
            if (rest < 0) {
                rest += divisor;
                value += 1;
            }
        }
    };
    float* tileFor(int tx, int ty);
    float tileFarthest(int tile);
    void rasterise(const std::vector<WindowVertex>& polygon);

    int width_ = 0, height_ = 0;
    int tilesX_ = 0, tilesY_ = 0;
    uint32_t frame_ = 1;
    std::vector<float> depths_;            // kTile * kTile per tile, tile after tile
    std::vector<uint32_t> drawnFrame_;     // the frame in which a tile was last reached
    std::vector<uint32_t> farthestFrame_;  // the frame of a tile's cached farthest depth
    std::vector<float> farthest_;
    std::vector<Vector4D> clipped_, scratch_;
    std::vector<WindowVertex> window_;
    std::vector<EdgeStep> edges_;
};
