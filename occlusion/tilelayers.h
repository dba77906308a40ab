#pragma once
// The two layers of the occlusion buffer's tiles (occlusion/occlusionbuffer.h), array by array,
// so that the tiles of a row lie side by side for vectors: for tile i, a pixel reads farDepth[i],
// or the nearer nearDepth[i] where its bit of nearMask[i] is set; nearDepth[i] means nothing
// while nearMask[i] is empty, and is not kept then. A tile no polygon has reached has an empty
// mask and a far depth of 1.0. A bit per tile marks those a polygon has reached since the layers
// were last reset, and resetting them costs only the runs of marked tiles.
//
// Cursor::merge adds a polygon's pixels of one tile; mergeWholeScalar merges a polygon covering
// a run of tiles whole, the reference of the vector version the buffer runs (occlusion/tilerows.h).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

struct TileLayers {
    // kSpare more than the tiles, unreached, so that 16 tiles can be loaded from any tile on.
    static constexpr std::size_t kSpare = 15;
    std::vector<uint64_t> nearMask;
    std::vector<float> farDepth, nearDepth;

    // tilesX by tilesY tiles, row after row (tile tx of row ty at ty * tilesX + tx), all
    // unreached.
    void assign(int tilesX, int tilesY);
    // Tiles first to last of row ty (within the row) are about to change: they are marked.
    void reach(int ty, int first, int last) {
        reachedFirstRow = std::min(reachedFirstRow, ty);
        reachedLastRow = std::max(reachedLastRow, ty);
        uint64_t* const words = reached.data() + static_cast<std::size_t>(ty) * rowWords_;
        for (int w = first / 64; w <= last / 64; ++w) {
            const int low = std::max(first - w * 64, 0), high = std::min(last - w * 64, 63);
            words[w] |= (~uint64_t{0} >> (63 - high)) & (~uint64_t{0} << low);
        }
    }
    // Every tile unreached again; costs only the marked tiles, a run of them at a time, and a
    // word per 64 tiles of the rows from the first marked one to the last.
    void reset();

    // The marks: bit t % 64 of word t / 64 of a row's words for its tile t, and the first and
    // last rows with a mark (first > last: none).
    std::vector<uint64_t> reached;
    int reachedFirstRow = std::numeric_limits<int>::max(), reachedLastRow = -1;

    // The arrays held apart, for a loop of merges: the loop keeps them in registers, where stores
    // through the vectors' data would have them loaded again after each.
    struct Cursor {
        uint64_t* nearMask;
        float* farDepth;
        float* nearDepth;

        // Adds the pixels `mask` of tile i, which a polygon covers no nearer than `depth`;
        // `beyond` holds the tile's bits beyond the window's edge, which count as covered.
        void merge(std::size_t i, uint64_t beyond, uint64_t mask, float depth) {
            float& far = farDepth[i];
            float& near = nearDepth[i];
            uint64_t& bits = nearMask[i];
            if (!(depth < far)) return;  // nothing it covers comes nearer
            // A polygon much nearer than the near layer would be lost in it: where the far
            // layer covers the whole tile, the near layer starts again from the polygon. (Where
            // it does not, the near layer is what holds the coverage, and is never dropped.)
            if (far < 1.0f && near - depth > far - near) bits = 0;
            near = bits == 0 ? depth : std::max(near, depth);
            bits |= mask;
            if ((bits | beyond) == ~uint64_t{0}) far = near, bits = 0;
        }
    };
    Cursor cursor() { return {nearMask.data(), farDepth.data(), nearDepth.data()}; }

private:
    int tilesX_ = 0, rowWords_ = 0;
};

// The depth a tile keeps for a polygon whose plane reaches planeZ at its farthest over the
// tile's pixels: never beyond the polygon's farthest vertex cap, pushed back by pad, held within
// [0, kBelowFar], below the far value 1.0, in float.
constexpr float kBelowFar = 0.99999994f;  // the largest float below 1
inline float heldDepth(double planeZ, double cap, double pad) {
    const double z = std::min(planeZ, cap) + pad;
    return std::min(static_cast<float>(std::max(z, 0.0)), kBelowFar);
}

// A polygon's depths along a run of tiles it covers whole: tile k of the run keeps
// heldDepth(first + step * k, cap, pad).
struct DepthRamp {
    double first, step, cap, pad;
};

// Tiles first to first + count - 1, each covered whole by a polygon no nearer than the ramp's
// depth: where the polygon is nearer than the far layer it becomes the far layer, and the near
// layer stays only where it is nearer still.
void mergeWholeScalar(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp);
