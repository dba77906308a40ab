#pragma once
// A depth buffer of the occluders at window resolution, drawn on the processor: for every
// pixel, a depth no nearer than what OpenGL's depth buffer would hold after drawing the
// occluders' front faces, with no read-back.
//
// Conventions:
// - Window pixels (x, y), y = 0 the bottom row, sampled at their centres (x + 0.5, y + 0.5), as
//   OpenGL samples them.
// - Depths are window depths, (z / w + 1) / 2: 0 near, 1 far. A pixel no occluder covers reads
//   1.0; a covered pixel reads below 1.0, never nearer than the nearest polygon's true depth at
//   its centre: depths are pushed back by what snapping and rounding could take off them.
// - Vertices snap to 1/256 of a pixel. A pixel centre exactly on an edge belongs to the polygon
//   when the edge is a left edge (going down the window) or a top edge (horizontal, going left)
//   of the counter-clockwise polygon: polygons sharing an edge then never both take a pixel on
//   it, and never both miss it. Coverage is exact: a pixel reads covered exactly when a drawn
//   polygon's snapped outline takes its centre.
// - Only front faces are drawn: counter-clockwise in window coordinates, OpenGL's default.
// - Storage: tiles of kTile by kTile pixels, each in a compact form of two layers. The far
//   layer is one depth for the whole tile; the near layer is a coverage mask (a bit per pixel)
//   with one depth for the pixels it holds. A pixel reads the nearer of the far depth and, when
//   its bit is set, the near depth. A polygon adds its pixels of the tile to the near layer
//   with its farthest depth over the tile; once the mask is full, the layer becomes the far one.
//   So a pixel may read farther than the nearest polygon over it, never nearer, and the far
//   depth is the tile's farthest. Above the tiles, each block of 8 by 8 tiles keeps the
//   farthest of their far depths (the hierarchy of maxima the queries descend) and a bit for
//   each of its tiles that the far layer covers whole (what settles a rectangle's coverage once
//   one of its pixels is found not in front).
// - The buffer marks the tiles polygons have reached since it was last cleared, a bit per tile,
//   and clearing resets only those, run by run: tiles no polygon reached cost nothing to clear.
// - Nothing is allocated per frame once the buffer has its size and has met its largest polygon.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/vectors.h"
#include "occlusion/edgewalk.h"
#include "occlusion/outline.h"
#include "occlusion/tilelayers.h"

class OcclusionBuffer {
public:
    static constexpr int kTile = 8;

    // Sizes the buffer for a width by height window (negative sizes count as 0) and clears it.
    // Allocates only when the size changes. A window wider or taller than kMaxSide is too big
    // for the buffer: it then draws nothing and every pixel stays uncovered.
    static constexpr int kMaxSide = 16384;
    void resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    // Empties the buffer for a new frame, every pixel far, resetting only the tiles drawn into
    // since the last clear.
    void clear();

    // Gives the buffer's memory back: a buffer of no pixels until the next resize.
    void release();

    // Draws one convex polygon given in clip coordinates (count vertices, counter-clockwise when
    // it faces the eye): clipped (occlusion/polygonclip.h), divided by w, mapped to the window
    // and rasterised into the tiles it reaches. Back faces, degenerate polygons and polygons
    // with a non-finite vertex draw nothing; nor does one whose pixels all hold depths in front
    // of any it could leave already (drawing it could only push them back).
    void drawPolygon(const Vector4D* clip, int count);

    // One tile in its compact form: a pixel reads farDepth, or the nearer nearDepth when its
    // bit of nearMask (bit c * kTile + r for column c of row r, bottom row first) is set; the
    // bits of pixels beyond the window's edge are never set, and nearDepth means nothing while
    // none is. A tile no polygon reached this frame has no bit set and a farDepth of 1.0:
    // wholly far.
    struct Tile {
        uint64_t nearMask = 0;
        float farDepth = 1.0f;
        float nearDepth = 0.0f;
        // What the pixel in column c, row r of the tile reads.
        float depth(int c, int r) const {
            const bool near = (nearMask >> (c * kTile + r)) & 1u;
            return near && nearDepth < farDepth ? nearDepth : farDepth;
        }
    };
    Tile tile(int tx, int ty) const {
        const std::size_t i = static_cast<std::size_t>(ty) * static_cast<std::size_t>(tilesX_) +
                              static_cast<std::size_t>(tx);
        return {layers_.nearMask[i], layers_.farDepth[i], layers_.nearDepth[i]};
    }
    int tilesAcross() const { return tilesX_; }
    int tilesUp() const { return tilesY_; }

    // The depth of pixel (x, y); 1.0 outside the window or where nothing was drawn.
    float depthAt(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || tilesX_ == 0) return 1.0f;
        return depthWithin(x, y);
    }
    // depthAt for a pixel known to lie in the window.
    float depthWithin(int x, int y) const {
        const auto column = static_cast<unsigned>(x), row = static_cast<unsigned>(y);
        return tile(static_cast<int>(column / kTile), static_cast<int>(row / kTile))
            .depth(static_cast<int>(column % kTile), static_cast<int>(row % kTile));
    }

    // Over the pixels x0 to x1 by y0 to y1 (both ends included, clipped to the window): whether
    // every one is covered, and whether every one holds a depth in front of `depth`. A range
    // with no pixel answers true to both. Descends from a block of tiles to its tiles, and from
    // a tile's far depth to its near layer, only where the coarser answer is not final.
    struct RectAnswer {
        bool covered = true;
        bool hidden = true;
    };
    RectAnswer testRect(int x0, int x1, int y0, int y1, float depth);

    // Whether every pixel x0 to x1 by y0 to y1 (clipped to the window) is covered and holds a
    // depth in front of `depth`, from the tiles alone: cheap while drawing goes on, when the
    // blocks' maxima are not yet found. Agrees with testRect's covered && hidden.
    bool hides(int x0, int x1, int y0, int y1, float depth) const;

    // Whether every pixel of the outline (occlusion/outline.h) within the window is covered and
    // holds a depth in front of `depth`. An outline with no pixel in the window answers true.
    bool hidesOutline(const OutlineRows& outline, float depth) const;

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
    // A horizontal edge, which keeps or empties whole rows: its edge function at a row's centres.
    struct FlatEdge {
        int firstRow = 0, lastRow = -1;
        bool inclusive = false;  // keeps the row when the function is 0 too (a top edge)
        int64_t value = 0, step = 0;
    };
    void rasterise(const std::vector<WindowVertex>& polygon);

    int width_ = 0, height_ = 0;
    int tilesX_ = 0, tilesY_ = 0;
    // The bits of the tiles of the last column and of the last row beyond the window's edge.
    uint64_t beyondRight_ = 0, beyondTop_ = 0;
    TileLayers layers_;
    // The second level of the hierarchy: the farthest far depth of each block of kBlock by
    // kBlock tiles, and which of its tiles the far layer covers whole (bit r * kBlock + c for
    // the tile in column c, row r of the block), found when a query first needs them after
    // drawing.
    static constexpr int kBlock = 8;
    void findBlockFarthest();
    // Whether every pixel x0 to x1 by y0 to y1 (within the window) of block (bx, by)'s tiles is
    // covered, from the block's whole tiles and the near layers of the others; coversFrom, of
    // the blocks from (bx, by) on, row after row of blocks.
    bool coversInBlock(int bx, int by, int x0, int x1, int y0, int y1) const;
    bool coversFrom(int bx, int by, int x0, int x1, int y0, int y1) const;
    int blocksX_ = 0, blocksY_ = 0;
    bool blocksCurrent_ = false;
    std::vector<float> blockFarthest_;
    std::vector<uint64_t> blockWhole_;
    std::vector<Vector4D> clipped_, scratch_;
    std::vector<WindowVertex> window_;
    std::vector<EdgeStep> leftEdges_, rightEdges_;
    // The span of each row of the polygon being rasterised (first > last: none), whole tile
    // rows of them.
    std::vector<int16_t> rowFirst_, rowLast_;
    std::vector<FlatEdge> flatEdges_;
};
