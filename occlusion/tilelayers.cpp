#include "occlusion/tilelayers.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void TileLayers::assign(std::size_t count) {
    nearMask.assign(count + 3, 0);
    farDepth.assign(count + 3, 1.0f);
    nearDepth.assign(count + 3, 0.0f);
    reached.assign((count + 63) / 64, 0);
    firstWord = 1, lastWord = 0;
}

void TileLayers::reset() {
    for (std::size_t w = firstWord; w <= lastWord; ++w) {
        // Each run of marked tiles at once.
        for (uint64_t bits = reached[w]; bits != 0;) {
            const int start = __builtin_ctzll(bits);
            const uint64_t from = bits >> start;
            const int length = ~from == 0 ? 64 - start : __builtin_ctzll(~from);
            const std::size_t first = w * 64 + static_cast<std::size_t>(start);
            const std::size_t count = static_cast<std::size_t>(length);
            std::fill_n(nearMask.data() + first, count, uint64_t{0});
            std::fill_n(farDepth.data() + first, count, 1.0f);
            std::fill_n(nearDepth.data() + first, count, 0.0f);
            bits &= length == 64 ? 0 : ~(((uint64_t{1} << length) - 1) << start);
        }
        reached[w] = 0;
    }
    firstWord = 1, lastWord = 0;
}

void mergeWholeScalar(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    if (count <= 0) return;
    layers.touch(first, static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const std::size_t i = first + static_cast<std::size_t>(k);
        const float depth = heldDepth(ramp.first + ramp.step * k, ramp.cap, ramp.pad);
        if (!(depth < layers.farDepth[i])) continue;
        layers.farDepth[i] = depth;
        if (!(layers.nearDepth[i] < depth)) layers.nearMask[i] = 0, layers.nearDepth[i] = 0.0f;
    }
}

#if defined(__SSE2__)

namespace {

// heldDepth of the ramp for tiles k and k + 1, in the scalar's operations: min(a, b) is
// (b < a) ? b : a and max(a, b) is (a < b) ? b : a.
__m128 rampDepths(const DepthRamp& ramp, __m128d k) {
    const __m128d plane =
        _mm_add_pd(_mm_set1_pd(ramp.first), _mm_mul_pd(_mm_set1_pd(ramp.step), k));
    const __m128d z = _mm_add_pd(_mm_min_pd(_mm_set1_pd(ramp.cap), plane), _mm_set1_pd(ramp.pad));
    return _mm_min_ps(_mm_set1_ps(kBelowFar), _mm_cvtpd_ps(_mm_max_pd(_mm_setzero_pd(), z)));
}

}  // namespace

void mergeWholeSse2(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    if (count <= 0) return;
    layers.touch(first, static_cast<std::size_t>(count));
    for (int k = 0; k < count; k += 4) {
        const std::size_t i = first + static_cast<std::size_t>(k);
        float* farDepth = layers.farDepth.data() + i;
        float* nearDepth = layers.nearDepth.data() + i;
        auto* nearMask = reinterpret_cast<__m128i*>(layers.nearMask.data() + i);
        const double base = k;
        const __m128 depth = _mm_movelh_ps(rampDepths(ramp, _mm_set_pd(base + 1, base)),
                                           rampDepths(ramp, _mm_set_pd(base + 3, base + 2)));
        const __m128 far = _mm_loadu_ps(farDepth), near = _mm_loadu_ps(nearDepth);
        const __m128i masks01 = _mm_loadu_si128(nearMask), masks23 = _mm_loadu_si128(nearMask + 1);
        // Lanes past the run's end (the last group may be short) keep what they hold.
        const __m128i lane = _mm_set_epi32(3, 2, 1, 0);
        const __m128 inRun = _mm_castsi128_ps(_mm_cmplt_epi32(lane, _mm_set1_epi32(count - k)));
        const __m128 nearer = _mm_and_ps(_mm_cmplt_ps(depth, far), inRun);
        // The near layer goes where the polygon is nearer and the layer is not nearer still.
        const __m128 drop = _mm_andnot_ps(_mm_cmplt_ps(near, depth), nearer);
        _mm_storeu_ps(farDepth, _mm_or_ps(_mm_and_ps(nearer, depth), _mm_andnot_ps(nearer, far)));
        _mm_storeu_ps(nearDepth, _mm_andnot_ps(drop, near));
        const __m128i drop32 = _mm_castps_si128(drop);
        _mm_storeu_si128(nearMask, _mm_andnot_si128(_mm_unpacklo_epi32(drop32, drop32), masks01));
        _mm_storeu_si128(nearMask + 1,
                         _mm_andnot_si128(_mm_unpackhi_epi32(drop32, drop32), masks23));
    }
}

#else

void mergeWholeSse2(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    mergeWholeScalar(layers, first, count, ramp);
}

#endif
