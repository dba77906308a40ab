#pragma once
// The two layers of the occlusion buffer's tiles (occlusion/occlusionbuffer.h), array by array,
// so that the tiles of a row lie side by side for vectors: for tile i, a pixel reads farDepth[i],
// or the nearer nearDepth[i] where its bit of nearMask[i] is set; nearDepth[i] means nothing
// while nearMask[i] is empty, and is not kept then. A tile no polygon has reached has an empty
// mask and a far depth of 1.0; a list holds the tiles changed since the layers were last reset,
// each once.
//
// Cursor::merge adds a polygon's pixels of one tile; mergeWholeScalar merges a polygon covering
// a run of tiles whole, the reference of the vector version the buffer runs (occlusion/tilerows.h).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

struct TileLayers {
    // kSpare more than the tiles, unreached, so that 16 tiles can be loaded from any tile on.
    static constexpr std::size_t kSpare = 15;
    std::vector<uint64_t> nearMask;
    std::vector<float> farDepth, nearDepth;
    // The list: its first touchedCount entries, with room for every tile and kSpare + 1 more
    // (up to 16 entries are written at once). 32 bits hold the index of every tile of the
    // largest buffer, in half the memory.
    std::vector<uint32_t> touched;
    std::size_t touchedCount = 0;

    // count tiles, all unreached.
    void assign(std::size_t count);
    // Every tile unreached again; costs only the tiles on the list.
    void reset();

    // Tile i is about to change: the first change puts it on the list. (Written without a
    // branch: the entry past the list is overwritten unless the tile was unreached.)
    void touch(std::size_t i) {
        touched[touchedCount] = static_cast<uint32_t>(i);
        touchedCount += farDepth[i] == 1.0f && nearMask[i] == 0 ? 1 : 0;
    }

    // The arrays and the list's length held apart, for a loop of merges: the loop keeps them in
    // registers, where stores through the vectors' data would have them loaded again after each.
    struct Cursor {
        uint64_t* nearMask;
        float* farDepth;
        float* nearDepth;
        uint32_t* touched;
        std::size_t touchedCount;

        // Adds the pixels `mask` of tile i, which a polygon covers no nearer than `depth`;
        // `beyond` holds the tile's bits beyond the window's edge, which count as covered.
        void merge(std::size_t i, uint64_t beyond, uint64_t mask, float depth) {
            float& far = farDepth[i];
            float& near = nearDepth[i];
            uint64_t& bits = nearMask[i];
            if (!(depth < far)) return;  // nothing it covers comes nearer
            touched[touchedCount] = static_cast<uint32_t>(i);
            touchedCount += far == 1.0f && bits == 0 ? 1 : 0;
            // A polygon much nearer than the near layer would be lost in it: where the far
            // layer covers the whole tile, the near layer starts again from the polygon. (Where
            // it does not, the near layer is what holds the coverage, and is never dropped.)
            if (far < 1.0f && near - depth > far - near) bits = 0;
            near = bits == 0 ? depth : std::max(near, depth);
            bits |= mask;
            if ((bits | beyond) == ~uint64_t{0}) far = near, bits = 0;
        }
    };
    Cursor cursor() {
        return {nearMask.data(), farDepth.data(), nearDepth.data(), touched.data(), touchedCount};
    }
    // Takes back the list's length once the cursor's merges are done.
    void settle(const Cursor& c) { touchedCount = c.touchedCount; }
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
