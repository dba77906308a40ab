#include "occlusion/tilelayers.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void TileLayers::assign(std::size_t count) {
    nearMask.assign(count + 3, 0);
    farDepth.assign(count + 3, 1.0f);
    nearDepth.assign(count + 3, 0.0f);
    touched.assign(count + 1, 0);
    touchedCount = 0;
}

void TileLayers::reset() {
    for (std::size_t k = 0; k < touchedCount; ++k) {
        const std::size_t i = touched[k];
        nearMask[i] = 0, farDepth[i] = 1.0f, nearDepth[i] = 0.0f;
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
        // Unreached: far at 1 and an empty mask (both halves of the 64 bits zero).
        const __m128i zero = _mm_setzero_si128();
        const __m128 empty01 = _mm_castsi128_ps(_mm_cmpeq_epi32(masks01, zero));
        const __m128 empty23 = _mm_castsi128_ps(_mm_cmpeq_epi32(masks23, zero));
        const __m128 lowHalves = _mm_shuffle_ps(empty01, empty23, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 highHalves = _mm_shuffle_ps(empty01, empty23, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128 unreached =
            _mm_and_ps(_mm_and_ps(lowHalves, highHalves), _mm_cmpeq_ps(far, _mm_set1_ps(1.0f)));
        const int fresh = _mm_movemask_ps(_mm_and_ps(nearer, unreached));
        for (int n = 0; n < 4; ++n) {
            layers.touched[layers.touchedCount] =
                static_cast<uint32_t>(i) + static_cast<uint32_t>(n);
            layers.touchedCount += static_cast<std::size_t>((fresh >> n) & 1);
        }
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
