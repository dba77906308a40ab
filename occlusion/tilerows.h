#pragma once
// The occlusion buffer's tiles taking a polygon's pixels, row of tiles by row of tiles
// (occlusion/occlusionbuffer.h): the vector steps behind OcclusionBuffer::drawPolygon.
//
// Written once with Google Highway and compiled for several instruction sets (SSSE3, SSE4,
// AVX2, AVX-512 on x86-64); the best one the processor has is chosen when the program runs, and
// a processor with none of them runs the scalar loops. The vector steps are a tile's mask from
// its rows' spans, all 64 pixels compared at once where vectors hold 64 bytes, and the merge of
// a run of tiles a polygon covers whole, 16 tiles at a time where vectors hold 16 floats.
// tileMaskScalar (occlusion/tilemask.h) and mergeWholeScalar (occlusion/tilelayers.h) are their
// references: the vector steps give the same bits and the same layers.

#include <cstddef>
#include <cstdint>

#include "occlusion/tilelayers.h"

// The buffer the tiles make up: its width in pixels, its tiles across and up, and the bits of
// the last column's and the last row's tiles beyond the window's edge.
struct TileGrid {
    int width = 0, tilesX = 0, tilesY = 0;
    uint64_t beyondRight = 0, beyondTop = 0;
};

// A polygon's depth plane in window pixels: originZ at the centre of pixel (0, 0), rising by
// dzdx and dzdy per pixel; a tile keeps heldDepth of its farthest over the tile's pixel centres
// (all of them, whether the polygon covers the tile whole or in part), with cap and pad as
// heldDepth takes them.
struct TilePlane {
    double originZ = 0.0, dzdx = 0.0, dzdy = 0.0, cap = 1.0, pad = 0.0;

    // The plane at the centre of pixel (x, y).
    double at(int x, int y) const { return originZ + dzdx * x + dzdy * y; }
};

// Merges into `layers` the pixels of rows firstRow to lastRow whose covered columns are
// rowFirst[y] to rowLast[y] (first > last for a row with none; every row of the tile rows
// these reach is given, within [0, width] and [-1, width - 1]), each tile no nearer than the
// plane's farthest over its pixels.
void mergePolygonRows(TileLayers& layers, const TileGrid& grid, const int16_t* rowFirst,
                      const int16_t* rowLast, int firstRow, int lastRow, const TilePlane& plane);

// The vector steps one at a time, as the chosen instruction set runs them: tileMask of the tile
// whose first column is x0, and mergeWhole of a run of tiles.
uint64_t tileMaskVector(const int16_t* first, const int16_t* last, int x0);
void mergeWholeVector(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp);
