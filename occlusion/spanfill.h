#pragma once
// The two inner loops of the occlusion buffer (occlusion/occlusionbuffer.h): a polygon's depths
// merged into one row of a tile, and a tile's farthest depth. Each comes as the scalar loop,
// which is the reference, and as an SSE2 version (part of every x86-64 processor) with the same
// operations per pixel, so both give the same bits; the buffer uses the SSE2 one where the
// processor has it.

// One tile row of kSpanLanes pixels starting at window column x0: each pixel px with
// lo <= px <= hi keeps the nearer of its depth and zStart + (px - lo) * dz, computed in float
// as written and held within [0, kBelowFar], below the far value 1.0, so that a drawn pixel
// always reads as covered; the others are left alone.
constexpr int kSpanLanes = 8;
constexpr float kBelowFar = 0.99999994f;  // the largest float below 1
void minIntoRowScalar(float* row, int x0, int lo, int hi, float zStart, float dz);
void minIntoRowSse2(float* row, int x0, int lo, int hi, float zStart, float dz);

// The largest of count depths (count a multiple of 8; the depths hold no NaN).
float farthestScalar(const float* depths, int count);
float farthestSse2(const float* depths, int count);

#if defined(__SSE2__)
#include <emmintrin.h>

// The SSE2 row merge, inline for the rasteriser's inner loop.
inline void minIntoRowInline(float* row, int x0, int lo, int hi, float zStart, float dz) {
    const __m128 start = _mm_set1_ps(zStart), step = _mm_set1_ps(dz);
    const __m128i first = _mm_set1_epi32(lo);
    const __m128i low = _mm_set1_epi32(lo - 1), high = _mm_set1_epi32(hi + 1);
    for (int half = 0; half < kSpanLanes; half += 4) {
        const __m128i px = _mm_add_epi32(_mm_set1_epi32(x0 + half), _mm_set_epi32(3, 2, 1, 0));
        const __m128 inside =
            _mm_castsi128_ps(_mm_and_si128(_mm_cmpgt_epi32(px, low), _mm_cmplt_epi32(px, high)));
        // px - lo is an integer below 2^24 in magnitude, exact in float as in the scalar loop.
        // Held within [0, kBelowFar] as the scalar loop holds it: max(a, b) is (a > b) ? a : b
        // and min(a, b) is (a < b) ? a : b, so a NaN becomes 0.
        const __m128 raw =
            _mm_add_ps(start, _mm_mul_ps(_mm_cvtepi32_ps(_mm_sub_epi32(px, first)), step));
        const __m128 z = _mm_min_ps(_mm_max_ps(raw, _mm_setzero_ps()), _mm_set1_ps(kBelowFar));
        const __m128 old = _mm_loadu_ps(row + half);
        // (z < old) ? z : old, as std::min(old, z).
        const __m128 merged = _mm_min_ps(z, old);
        _mm_storeu_ps(row + half,
                      _mm_or_ps(_mm_and_ps(inside, merged), _mm_andnot_ps(inside, old)));
    }
}
#endif

// minIntoRow for a row that lies wholly within lo to hi (lo <= x0, x0 + 7 <= hi): the same
// depths, without the masks.
void minIntoFullRowScalar(float* row, int x0, int lo, float zStart, float dz);
#if defined(__SSE2__)
inline void minIntoFullRow(float* row, int x0, int lo, float zStart, float dz) {
    const __m128 start = _mm_set1_ps(zStart), step = _mm_set1_ps(dz);
    const __m128 offset = _mm_set_ps(3.0f, 2.0f, 1.0f, 0.0f);
    for (int half = 0; half < kSpanLanes; half += 4) {
        // x0 + half - lo + lane, exact in float as an integer below 2^24.
        const __m128 k = _mm_add_ps(_mm_set1_ps(static_cast<float>(x0 + half - lo)), offset);
        const __m128 raw = _mm_add_ps(start, _mm_mul_ps(k, step));
        const __m128 z = _mm_min_ps(_mm_max_ps(raw, _mm_setzero_ps()), _mm_set1_ps(kBelowFar));
        _mm_storeu_ps(row + half, _mm_min_ps(z, _mm_loadu_ps(row + half)));
    }
}
#else
inline void minIntoFullRow(float* row, int x0, int lo, float zStart, float dz) {
    minIntoFullRowScalar(row, x0, lo, zStart, dz);
}
#endif

inline void minIntoRow(float* row, int x0, int lo, int hi, float zStart, float dz) {
#if defined(__SSE2__)
    minIntoRowInline(row, x0, lo, hi, zStart, dz);
#else
    minIntoRowScalar(row, x0, lo, hi, zStart, dz);
#endif
}

// farthestSse2 is the scalar loop where SSE2 is not available.
inline float farthest(const float* depths, int count) { return farthestSse2(depths, count); }
