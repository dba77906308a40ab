#pragma once
// The two layers of the occlusion buffer's tiles (occlusion/occlusionbuffer.h), array by array,
// so that the tiles of a row lie side by side for SSE2: for tile i, a pixel reads farDepth[i],
// or the nearer nearDepth[i] where its bit of nearMask[i] is set. A tile no polygon has reached
// is {0, 1.0, 0.0}; a list holds the tiles changed since the layers were last reset, each once.
//
// mergeWhole merges a polygon covering a run of tiles whole. It comes as the scalar loop, which
// is the reference, and as an SSE2 version (part of every x86-64 processor) that merges four
// tiles at a time; both leave the same layers and the same list.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

struct TileLayers {
    // Three more than the tiles, unreached, so that four tiles can be loaded from any tile on.
    std::vector<uint64_t> nearMask;
    std::vector<float> farDepth, nearDepth;
    // The list: its first touchedCount entries, with room for every tile and three more (four
    // entries are written at once). 32 bits hold the index of every tile of the largest buffer,
    // in half the memory.
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
void mergeWholeSse2(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp);

inline void mergeWhole(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    mergeWholeSse2(layers, first, count, ramp);  // the scalar loop where SSE2 is not available
}
