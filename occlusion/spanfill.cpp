#include "occlusion/spanfill.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void minIntoRowScalar(float* row, int x0, int lo, int hi, float zStart, float dz) {
    for (int c = 0; c < kSpanLanes; ++c) {
        const int px = x0 + c;
        if (px < lo || px > hi) continue;
        const float raw = zStart + static_cast<float>(px - lo) * dz;
        const float held = raw > 0.0f ? raw : 0.0f;
        const float z = held < kBelowFar ? held : kBelowFar;
        row[c] = std::min(row[c], z);
    }
}

void minIntoFullRowScalar(float* row, int x0, int lo, float zStart, float dz) {
    minIntoRowScalar(row, x0, lo, x0 + kSpanLanes - 1, zStart, dz);
}

float farthestScalar(const float* depths, int count) {
    float m = depths[0];
    for (int k = 1; k < count; ++k) m = std::max(m, depths[k]);
    return m;
}

#if defined(__SSE2__)

void minIntoRowSse2(float* row, int x0, int lo, int hi, float zStart, float dz) {
    minIntoRowInline(row, x0, lo, hi, zStart, dz);
}

float farthestSse2(const float* depths, int count) {
    __m128 m0 = _mm_loadu_ps(depths), m1 = _mm_loadu_ps(depths + 4);
    for (int k = 8; k < count; k += 8) {
        m0 = _mm_max_ps(m0, _mm_loadu_ps(depths + k));
        m1 = _mm_max_ps(m1, _mm_loadu_ps(depths + k + 4));
    }
    __m128 m = _mm_max_ps(m0, m1);
    m = _mm_max_ps(m, _mm_movehl_ps(m, m));
    return _mm_cvtss_f32(_mm_max_ss(m, _mm_shuffle_ps(m, m, 1)));
}

#else

void minIntoRowSse2(float* row, int x0, int lo, int hi, float zStart, float dz) {
    minIntoRowScalar(row, x0, lo, hi, zStart, dz);
}

float farthestSse2(const float* depths, int count) { return farthestScalar(depths, count); }

#endif
