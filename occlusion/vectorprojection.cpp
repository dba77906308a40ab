#include "occlusion/vectorprojection.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "math/numeric.h"

ProjectionSetup::ProjectionSetup(const TransformStack& modelView, const TransformStack& projection,
                                 int width, int height)
    : modelView_(&modelView), projection_(&projection), width_(width), height_(height) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            for (int lane = 0; lane < 4; ++lane) {
                view_[i][j][lane] = modelView.current[i][j];
                project_[i][j][lane] = projection.current[i][j];
            }
        }
    }
}

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

// Four vectors, one per lane, component by component.
struct WideVector {
    __m128 c[4];
};

// Component i is ((((0 + m_i0 v0) + m_i1 v1) + m_i2 v2) + m_i3 v3) in float, as dot() sums.
WideVector multiply(const float (&m)[4][4][4], const WideVector& v) {
    WideVector out;
    for (int i = 0; i < 4; ++i) {
        __m128 sum = _mm_setzero_ps();
        for (int j = 0; j < 4; ++j) sum = _mm_add_ps(sum, _mm_mul_ps(_mm_load_ps(m[i][j]), v.c[j]));
        out.c[i] = sum;
    }
    return out;
}

// Where device coordinates land on the target, lanes (x, x, y, y): (c + 1) * extent / 2 in
// double, rounded to float, then what truncateToInt would do before truncating (NaN to 0, the
// rest held within the saturation limit, which is exact in float). The division by 2 is exact,
// so the multiplication by 0.5 gives the same result. Each step keeps the order of its inputs,
// so the extremes of the mapped coordinates are the mapped extremes of the device coordinates.
__m128 toTarget(__m128 c, int width, int height) {
    const __m128d one = _mm_set1_pd(1.0), half = _mm_set1_pd(0.5);
    const __m128d x = _mm_mul_pd(
        _mm_mul_pd(_mm_add_pd(_mm_cvtps_pd(c), one), _mm_set1_pd(static_cast<double>(width))),
        half);
    const __m128d y = _mm_mul_pd(_mm_mul_pd(_mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(c, c)), one),
                                            _mm_set1_pd(static_cast<double>(height))),
                                 half);
    const __m128 mapped = _mm_movelh_ps(_mm_cvtpd_ps(x), _mm_cvtpd_ps(y));
    const __m128 limit = _mm_set1_ps(static_cast<float>(kTruncateLimit));
    const __m128 held = _mm_and_ps(mapped, _mm_cmpord_ps(mapped, mapped));
    return _mm_max_ps(_mm_min_ps(held, limit), _mm_sub_ps(_mm_setzero_ps(), limit));
}

// Lanes holding NaN become -1, the device coordinate that maps to 0, as a NaN does.
__m128 withoutNaN(__m128 c) {
    const __m128 ordered = _mm_cmpord_ps(c, c);
    return _mm_or_ps(_mm_and_ps(ordered, c), _mm_andnot_ps(ordered, _mm_set1_ps(-1.0f)));
}

// The extremes across the lanes, which hold no NaN.
float smallest(__m128 v) {
    v = _mm_min_ps(v, _mm_movehl_ps(v, v));
    return _mm_cvtss_f32(_mm_min_ss(v, _mm_shuffle_ps(v, v, 1)));
}
float largest(__m128 v) {
    v = _mm_max_ps(v, _mm_movehl_ps(v, v));
    return _mm_cvtss_f32(_mm_max_ss(v, _mm_shuffle_ps(v, v, 1)));
}

}  // namespace

bool ProjectionSetup::projectedRect(const std::vector<Vector4D>& vertexSet,
                                    ScreenRect& rect) const {
    const std::size_t count = vertexSet.size();
    const float infinity = std::numeric_limits<float>::infinity();
    __m128 minX = _mm_set1_ps(infinity), maxX = _mm_set1_ps(-infinity);
    __m128 minY = _mm_set1_ps(infinity), maxY = _mm_set1_ps(-infinity);
    __m128 deep = _mm_setzero_ps();
    __m128 nearest = _mm_set1_ps(infinity);
    // The matrices are read through a pointer read back on every pass (volatile): held across
    // the loop, their 32 broadcast elements would not fit the registers, and the compiler would
    // copy them to the stack on every call.
    const ProjectionSetup* volatile self = this;
    for (std::size_t first = 0; first < count; first += 4) {
        const std::size_t lanes = std::min<std::size_t>(4, count - first);
        // Lanes beyond the set's end repeat its last entry, which changes no extreme. The four
        // entries are loaded whole and transposed into one register per component.
        const float* e = &vertexSet[first].x;
        const std::size_t last = lanes - 1;
        WideVector v{{_mm_loadu_ps(e), _mm_loadu_ps(e + 4 * std::min<std::size_t>(1, last)),
                      _mm_loadu_ps(e + 4 * std::min<std::size_t>(2, last)),
                      _mm_loadu_ps(e + 4 * std::min<std::size_t>(3, last))}};
        _MM_TRANSPOSE4_PS(v.c[0], v.c[1], v.c[2], v.c[3]);
        const ProjectionSetup* const setup = self;
        const WideVector q = multiply(setup->project_, multiply(setup->view_, v));
        // Not greater than zero, NaN included, fails.
        if (_mm_movemask_ps(_mm_cmpgt_ps(q.c[3], _mm_setzero_ps())) != 0xf) return false;
        const __m128 x = withoutNaN(_mm_div_ps(q.c[0], q.c[3]));
        const __m128 y = withoutNaN(_mm_div_ps(q.c[1], q.c[3]));
        const __m128 z = _mm_div_ps(q.c[2], q.c[3]);
        minX = _mm_min_ps(minX, x);
        maxX = _mm_max_ps(maxX, x);
        minY = _mm_min_ps(minY, y);
        maxY = _mm_max_ps(maxY, y);
        // z first: a NaN depth then leaves the running value, as std::max and std::min do.
        deep = _mm_max_ps(z, deep);
        nearest = _mm_min_ps(z, nearest);
    }
    // The four extremes at once, (left, right, top, bottom): the largest as the negated smallest
    // of the negated, which is exact.
    const __m128 sign = _mm_set_ps(-0.0f, 0.0f, -0.0f, 0.0f);
    __m128 a = minX, b = _mm_xor_ps(maxX, _mm_set1_ps(-0.0f)), c = minY,
           d = _mm_xor_ps(maxY, _mm_set1_ps(-0.0f));
    _MM_TRANSPOSE4_PS(a, b, c, d);
    const __m128 extremes = _mm_xor_ps(_mm_min_ps(_mm_min_ps(a, b), _mm_min_ps(c, d)), sign);
    // The fillers of a set below kMinProjectedSlots entries are the point (0, 0) at depth 0;
    // the starting values of the reference (leftMost = width, rightMost = 0, ...) act the same.
    const bool filled = count < kMinProjectedSlots;
    const float left0 = static_cast<float>(width_), top0 = static_cast<float>(height_);
    const __m128 lowest = _mm_set_ps(infinity, filled ? std::min(0.0f, top0) : top0, infinity,
                                     filled ? std::min(0.0f, left0) : left0);
    const __m128 highest = _mm_set_ps(0.0f, -infinity, 0.0f, -infinity);
    const __m128 target =
        _mm_max_ps(_mm_min_ps(toTarget(extremes, width_, height_), lowest), highest);
    // Truncated toward zero, as truncateToInt does within its limit.
    alignas(16) int32_t sides[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(sides), _mm_cvttps_epi32(target));
    rect.leftMost = sides[0];
    rect.rightMost = sides[1];
    rect.topMost = sides[2];
    rect.bottomMost = sides[3];
    rect.deepMost = largest(deep);
    rect.nearMost = count == 0 ? rect.deepMost : smallest(nearest);
    return true;
}

#else

bool ProjectionSetup::projectedRect(const std::vector<Vector4D>& vertexSet,
                                    ScreenRect& rect) const {
    std::vector<Vector4D> slots;
    if (!projectVertexSet(vertexSet, *modelView_, *projection_, width_, height_, slots)) {
        return false;
    }
    rect = boundingRect(slots, vertexSet.size(), width_, height_);
    return true;
}

#endif
