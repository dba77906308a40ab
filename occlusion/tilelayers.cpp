#include "occlusion/tilelayers.h"

#include <algorithm>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "occlusion/tilemask.h"

namespace {

// Tiles first to first + count - 1 unreached again, four at a time. The up to three tiles past
// the run are set unreached too: each is unreached already or marked, and reset clears every
// marked tile, so none ends otherwise; the spare tiles keep the writes within the arrays.
void unreach(uint64_t* masks, float* fars, std::size_t first, int count) {
    static_assert(TileLayers::kSpare >= 3, "room for a last group of four");
    for (std::size_t i = first; i < first + static_cast<std::size_t>(count); i += 4) {
#if defined(__SSE2__)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(masks + i), _mm_setzero_si128());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(masks + i + 2), _mm_setzero_si128());
        _mm_storeu_ps(fars + i, _mm_set1_ps(1.0f));
#else
        for (std::size_t k = i; k < i + 4; ++k) masks[k] = 0, fars[k] = 1.0f;
#endif
    }
}

}  // namespace

void TileLayers::assign(int tilesX, int tilesY) {
    const std::size_t count = static_cast<std::size_t>(tilesX) * static_cast<std::size_t>(tilesY);
    nearMask.assign(count + kSpare, 0);
    farDepth.assign(count + kSpare, 1.0f);
    nearDepth.assign(count + kSpare, 0.0f);
    tilesX_ = tilesX;
    rowWords_ = (tilesX + 63) / 64;
    reached.assign(static_cast<std::size_t>(rowWords_) * static_cast<std::size_t>(tilesY), 0);
    reachedFirstRow = std::numeric_limits<int>::max(), reachedLastRow = -1;
}

void TileLayers::reset() {
    uint64_t* const masks = nearMask.data();
    float* const fars = farDepth.data();
    for (int ty = reachedFirstRow; ty <= reachedLastRow; ++ty) {
        uint64_t* const words = reached.data() + static_cast<std::size_t>(ty) * rowWords_;
        const std::size_t row = static_cast<std::size_t>(ty) * static_cast<std::size_t>(tilesX_);
        for (int w = 0; w < rowWords_; ++w) {
            // Run after run of marked tiles: from its lowest bit up to the next clear one.
            for (uint64_t bits = words[w]; bits != 0;) {
                const int first = lowestBit(bits);
                const uint64_t past = ~(bits >> first);
                const int count = past == 0 ? 64 - first : lowestBit(past);
                unreach(masks, fars, row + static_cast<std::size_t>(w * 64 + first), count);
                bits = first + count == 64 ? 0 : bits & (~uint64_t{0} << (first + count));
            }
            words[w] = 0;
        }
    }
    reachedFirstRow = std::numeric_limits<int>::max(), reachedLastRow = -1;
}

void mergeWholeScalar(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    for (int k = 0; k < count; ++k) {
        const std::size_t i = first + static_cast<std::size_t>(k);
        const float depth = heldDepth(ramp.first + ramp.step * k, ramp.cap, ramp.pad);
        if (!(depth < layers.farDepth[i])) continue;
        layers.farDepth[i] = depth;
        if (!(layers.nearDepth[i] < depth)) layers.nearMask[i] = 0;
    }
}
