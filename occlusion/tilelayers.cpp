#include "occlusion/tilelayers.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void TileLayers::assign(std::size_t count) {
    nearMask.assign(count + kSpare, 0);
    farDepth.assign(count + kSpare, 1.0f);
    nearDepth.assign(count + kSpare, 0.0f);
    touched.assign(count + 4, 0);
    touchedCount = 0;
}

void TileLayers::reset() {
    uint64_t* const masks = nearMask.data();
    float* const fars = farDepth.data();
    float* const nears = nearDepth.data();
    for (std::size_t k = 0; k < touchedCount; ++k) {
        const std::size_t i = touched[k];
        masks[i] = 0, fars[i] = 1.0f, nears[i] = 0.0f;
    }
    touchedCount = 0;
}

void mergeWholeScalar(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    for (int k = 0; k < count; ++k) {
        const std::size_t i = first + static_cast<std::size_t>(k);
        const float depth = heldDepth(ramp.first + ramp.step * k, ramp.cap, ramp.pad);
        if (!(depth < layers.farDepth[i])) continue;
        layers.touch(i);
        layers.farDepth[i] = depth;
        if (!(layers.nearDepth[i] < depth)) layers.nearMask[i] = 0, layers.nearDepth[i] = 0.0f;
    }
}

#if defined(__SSE2__)

namespace {

// heldDepth of the ramp at the tiles k (two of them), in the scalar's operations: min(a, b) is
// (b < a) ? b : a and max(a, b) is (a < b) ? b : a.
struct RampLanes {
    __m128d first, step, cap, pad;
    __m128 belowFar;
    __m128 depths(__m128d k) const {
        const __m128d z = _mm_add_pd(_mm_min_pd(cap, _mm_add_pd(first, _mm_mul_pd(step, k))), pad);
        return _mm_min_ps(belowFar, _mm_cvtpd_ps(_mm_max_pd(_mm_setzero_pd(), z)));
    }
};

// For each set of four lanes (bit n for lane n): its lanes in order, padded with zeros, and how
// many there are.
alignas(16) constexpr int32_t kFreshLanes[16][4] = {
    {0, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {2, 0, 0, 0}, {0, 2, 0, 0},
    {1, 2, 0, 0}, {0, 1, 2, 0}, {3, 0, 0, 0}, {0, 3, 0, 0}, {1, 3, 0, 0}, {0, 1, 3, 0},
    {2, 3, 0, 0}, {0, 2, 3, 0}, {1, 2, 3, 0}, {0, 1, 2, 3}};
constexpr int kFreshCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

}  // namespace

void mergeWholeSse2(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    // Everything the loop reads from `layers` and `ramp` is held in locals: the vector stores
    // may alias anything, and would otherwise have it all loaded again after each of them.
    const RampLanes lanes{_mm_set1_pd(ramp.first), _mm_set1_pd(ramp.step), _mm_set1_pd(ramp.cap),
                          _mm_set1_pd(ramp.pad), _mm_set1_ps(kBelowFar)};
    float* const farDepths = layers.farDepth.data() + first;
    float* const nearDepths = layers.nearDepth.data() + first;
    uint64_t* const nearMasks = layers.nearMask.data() + first;
    uint32_t* const touched = layers.touched.data();
    std::size_t touchedCount = layers.touchedCount;
    const __m128i lane = _mm_set_epi32(3, 2, 1, 0);
    const __m128 one = _mm_set1_ps(1.0f);
    __m128d k01 = _mm_set_pd(1.0, 0.0), k23 = _mm_set_pd(3.0, 2.0);
    const __m128d four = _mm_set1_pd(4.0);
    for (int k = 0; k < count; k += 4) {
        float* farDepth = farDepths + k;
        float* nearDepth = nearDepths + k;
        auto* nearMask = reinterpret_cast<__m128i*>(nearMasks + k);
        const __m128 depth = _mm_movelh_ps(lanes.depths(k01), lanes.depths(k23));
        k01 = _mm_add_pd(k01, four), k23 = _mm_add_pd(k23, four);
        const __m128 far = _mm_loadu_ps(farDepth), near = _mm_loadu_ps(nearDepth);
        const __m128i masks01 = _mm_loadu_si128(nearMask), masks23 = _mm_loadu_si128(nearMask + 1);
        // Lanes past the run's end (the last group may be short) keep what they hold.
        const __m128 inRun = _mm_castsi128_ps(_mm_cmplt_epi32(lane, _mm_set1_epi32(count - k)));
        const __m128 nearer = _mm_and_ps(_mm_cmplt_ps(depth, far), inRun);
        // Unreached: far at 1 and an empty mask (both halves of the 64 bits zero).
        const __m128i zero = _mm_setzero_si128();
        const __m128 empty01 = _mm_castsi128_ps(_mm_cmpeq_epi32(masks01, zero));
        const __m128 empty23 = _mm_castsi128_ps(_mm_cmpeq_epi32(masks23, zero));
        const __m128 lowHalves = _mm_shuffle_ps(empty01, empty23, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 highHalves = _mm_shuffle_ps(empty01, empty23, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128 unreached =
            _mm_and_ps(_mm_and_ps(lowHalves, highHalves), _mm_cmpeq_ps(far, one));
        const int fresh = _mm_movemask_ps(_mm_and_ps(nearer, unreached));
        // The fresh tiles' indices go on the list in order, four written, as many kept.
        const auto i = static_cast<int>(first) + k;
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(touched + touchedCount),
            _mm_add_epi32(_mm_set1_epi32(i),
                          _mm_load_si128(reinterpret_cast<const __m128i*>(kFreshLanes[fresh]))));
        touchedCount += static_cast<std::size_t>(kFreshCount[fresh]);
        // The near layer goes where the polygon is nearer and the layer is not nearer still.
        const __m128 drop = _mm_andnot_ps(_mm_cmplt_ps(near, depth), nearer);
        _mm_storeu_ps(farDepth, _mm_or_ps(_mm_and_ps(nearer, depth), _mm_andnot_ps(nearer, far)));
        _mm_storeu_ps(nearDepth, _mm_andnot_ps(drop, near));
        const __m128i drop32 = _mm_castps_si128(drop);
        _mm_storeu_si128(nearMask, _mm_andnot_si128(_mm_unpacklo_epi32(drop32, drop32), masks01));
        _mm_storeu_si128(nearMask + 1,
                         _mm_andnot_si128(_mm_unpackhi_epi32(drop32, drop32), masks23));
    }
    layers.touchedCount = touchedCount;
}

#else

void mergeWholeSse2(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    mergeWholeScalar(layers, first, count, ramp);
}

#endif
