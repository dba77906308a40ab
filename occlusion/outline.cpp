#include "occlusion/outline.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Twice the signed area of the triangle (o, a, b): positive when it turns left.
double turn(const double* x, const double* y, int o, int a, int b) {
    return (x[a] - x[o]) * (y[b] - y[o]) - (y[a] - y[o]) * (x[b] - x[o]);
}

}  // namespace

int convexHull(const double* x, const double* y, int count, double* hullX, double* hullY) {
    if (count <= 0 || count > OutlineRows::kMaxPoints) return 0;
    for (int k = 0; k < count; ++k) {
        if (!std::isfinite(x[k]) || !std::isfinite(y[k])) return 0;
    }
    // Andrew's monotone chain over the points sorted by x, then y: the lower chain left to
    // right, then the upper one back, each keeping only left turns.
    const int n = count;
    int order[OutlineRows::kMaxPoints];
    for (int k = 0; k < n; ++k) {  // insertion: the sets are small
        int at = k;
        for (; at > 0; --at) {
            const int before = order[at - 1];
            if (x[before] < x[k] || (x[before] == x[k] && y[before] <= y[k])) break;
            order[at] = before;
        }
        order[at] = k;
    }
    int chain[2 * OutlineRows::kMaxPoints];
    int size = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const int floor = size;  // the upper chain never pops the lower one's points
        for (int i = 0; i < n; ++i) {
            const int p = order[pass == 0 ? i : n - 1 - i];
            while (size >= floor + 2 && turn(x, y, chain[size - 2], chain[size - 1], p) <= 0.0) {
                --size;
            }
            chain[size++] = p;
        }
        --size;  // the chain's last point starts the next one
    }
    size = std::max(size, 1);
    // Only turns too large for double (beyond 1e150 or so) could fail to drop a point.
    if (size > n) return 0;
    for (int k = 0; k < size; ++k) hullX[k] = x[chain[k]], hullY[k] = y[chain[k]];
    return size;
}

bool OutlineRows::set(const double* x, const double* y, int count) {
    lefts_ = rights_ = 0;
    firstRow_ = 0, lastRow_ = -1, firstColumn_ = 0, lastColumn_ = -1;
    if (count <= 0 || count > kMaxPoints) return false;
    double area = 0.0, minY = y[0], maxY = y[0];
    for (int k = 0; k < count; ++k) {
        if (!std::isfinite(x[k]) || !std::isfinite(y[k])) return false;
        const int next = (k + 1) % count;
        area += x[k] * y[next] - x[next] * y[k];
        minY = std::min(minY, y[k]), maxY = std::max(maxY, y[k]);
    }
    // Counter-clockwise, the inside lies left of each edge: an edge going down bounds the span
    // from the left, one going up from the right. Clockwise, the other way round.
    const double orientation = area < 0.0 ? -1.0 : 1.0;
    for (int k = 0; k < count; ++k) {
        const int next = (k + 1) % count;
        const double dy = y[next] - y[k];
        // A horizontal edge is the top or the bottom, which the rows already bound; one nearly
        // so would bound the span only loosely. Leaving an edge out only widens the span.
        if (!(std::fabs(dy) > 1e-9)) continue;
        const double slope = (x[next] - x[k]) / dy;
        const Edge edge{x[k], y[k], slope, kMargin * std::fabs(slope)};
        if (dy * orientation < 0.0) {
            left_[lefts_++] = edge;
        } else {
            right_[rights_++] = edge;
        }
    }
    firstRow_ = firstPixel(minY), lastRow_ = lastPixel(maxY);
    minX_ = x[0], maxX_ = x[0];
    for (int k = 0; k < count; ++k) minX_ = std::min(minX_, x[k]), maxX_ = std::max(maxX_, x[k]);
    firstColumn_ = firstPixel(minX_), lastColumn_ = lastPixel(maxX_);
    return true;
}

void OutlineRows::spansScalar(int row0, int width, int16_t* first, int16_t* last) const {
    for (int r = 0; r < kRows; ++r) first[r] = 0, last[r] = -1;
    const int r0 = std::max(firstRow_ - row0, 0), r1 = std::min(lastRow_ - row0, kRows - 1);
    if (r0 > r1) return;
    double low[kRows], high[kRows];
    for (int r = 0; r < kRows; ++r) low[r] = minX_, high[r] = maxX_;
    // Over each row's margin [centre - m, centre + m], each edge's farthest reach outwards.
    const double centre = row0 + 0.5;
    for (int k = 0; k < lefts_; ++k) {
        const Edge& e = left_[k];
        const double reach = e.x0 + (centre - e.y0) * e.slope - e.spread;
        for (int r = 0; r < kRows; ++r) low[r] = std::max(low[r], reach + r * e.slope);
    }
    for (int k = 0; k < rights_; ++k) {
        const Edge& e = right_[k];
        const double reach = e.x0 + (centre - e.y0) * e.slope + e.spread;
        for (int r = 0; r < kRows; ++r) high[r] = std::min(high[r], reach + r * e.slope);
    }
    // Pixel x when its centre x + 0.5 lies within [low - m, high + m]: from the ceiling of
    // low - m - 0.5 to the floor of high + m - 0.5, held within the window (a NaN gives a bound
    // of the window, testing more pixels, never fewer).
    const double right = width - 1.0;
    for (int r = r0; r <= r1; ++r) {
        const double a =
            std::min(static_cast<double>(width), std::max(0.0, low[r] - kMargin - 0.5));
        const double b = std::max(-1.0, std::min(right, high[r] + kMargin - 0.5));
        int from = static_cast<int>(a), to = static_cast<int>(b);  // toward zero
        from += from < a ? 1 : 0;
        to -= to > b ? 1 : 0;
        if (from <= to) first[r] = static_cast<int16_t>(from), last[r] = static_cast<int16_t>(to);
    }
}

#if defined(__SSE2__)

namespace {

// Pairs of rows, lanes (2i, 2i + 1).
constexpr int kPairs = OutlineRows::kRows / 2;

// The ceiling (up) or the floor of each lane, whole and within int range, as 32-bit lanes 0, 1.
__m128i roundedPair(__m128d v, bool up) {
    const __m128i toward = _mm_cvttpd_epi32(v);  // toward zero
    const __m128d back = _mm_cvtepi32_pd(toward);
    const __m128d off = up ? _mm_cmplt_pd(back, v) : _mm_cmpgt_pd(back, v);
    // All ones where the truncation must move by one: the 64-bit masks narrowed to 32 bits.
    const __m128i move = _mm_shuffle_epi32(_mm_castpd_si128(off), _MM_SHUFFLE(2, 0, 2, 0));
    return up ? _mm_sub_epi32(toward, move) : _mm_add_epi32(toward, move);
}

}  // namespace

void OutlineRows::spansSse2(int row0, int width, int16_t* first, int16_t* last) const {
    const __m128i none = _mm_set1_epi16(-1);
    auto* firstOut = reinterpret_cast<__m128i*>(first);
    auto* lastOut = reinterpret_cast<__m128i*>(last);
    const int r0 = std::max(firstRow_ - row0, 0), r1 = std::min(lastRow_ - row0, kRows - 1);
    if (r0 > r1) {
        _mm_storeu_si128(firstOut, _mm_setzero_si128());
        _mm_storeu_si128(lastOut, none);
        return;
    }
    __m128d low[kPairs], high[kPairs], offset[kPairs];
    for (int i = 0; i < kPairs; ++i) {
        low[i] = _mm_set1_pd(minX_), high[i] = _mm_set1_pd(maxX_);
        offset[i] = _mm_set_pd(2 * i + 1, 2 * i);
    }
    // The scalar loops' operations, lane by lane: std::max(a, b) is _mm_max_pd(b, a) and
    // std::min(a, b) is _mm_min_pd(b, a), NaN included.
    const double centre = row0 + 0.5;
    for (int k = 0; k < lefts_; ++k) {
        const Edge& e = left_[k];
        const __m128d reach = _mm_set1_pd(e.x0 + (centre - e.y0) * e.slope - e.spread);
        const __m128d slope = _mm_set1_pd(e.slope);
        for (int i = 0; i < kPairs; ++i) {
            low[i] = _mm_max_pd(_mm_add_pd(reach, _mm_mul_pd(offset[i], slope)), low[i]);
        }
    }
    for (int k = 0; k < rights_; ++k) {
        const Edge& e = right_[k];
        const __m128d reach = _mm_set1_pd(e.x0 + (centre - e.y0) * e.slope + e.spread);
        const __m128d slope = _mm_set1_pd(e.slope);
        for (int i = 0; i < kPairs; ++i) {
            high[i] = _mm_min_pd(_mm_add_pd(reach, _mm_mul_pd(offset[i], slope)), high[i]);
        }
    }
    const __m128d margin = _mm_set1_pd(kMargin), half = _mm_set1_pd(0.5);
    const __m128d zero = _mm_setzero_pd(), minusOne = _mm_set1_pd(-1.0);
    const __m128d widthLanes = _mm_set1_pd(width), right = _mm_set1_pd(width - 1.0);
    __m128i from[kPairs], to[kPairs];
    for (int i = 0; i < kPairs; ++i) {
        const __m128d a =
            _mm_min_pd(_mm_max_pd(_mm_sub_pd(_mm_sub_pd(low[i], margin), half), zero), widthLanes);
        const __m128d b =
            _mm_max_pd(_mm_min_pd(_mm_sub_pd(_mm_add_pd(high[i], margin), half), right), minusOne);
        from[i] = roundedPair(a, true), to[i] = roundedPair(b, false);
    }
    // Eight rows of 16-bit columns; a row outside [r0, r1] or with from > to has none.
    const __m128i fromRows =
        _mm_packs_epi32(_mm_unpacklo_epi64(from[0], from[1]), _mm_unpacklo_epi64(from[2], from[3]));
    const __m128i toRows =
        _mm_packs_epi32(_mm_unpacklo_epi64(to[0], to[1]), _mm_unpacklo_epi64(to[2], to[3]));
    const __m128i rows = _mm_set_epi16(7, 6, 5, 4, 3, 2, 1, 0);
    const __m128i inRows = _mm_andnot_si128(
        _mm_or_si128(_mm_cmplt_epi16(rows, _mm_set1_epi16(static_cast<int16_t>(r0))),
                     _mm_cmpgt_epi16(rows, _mm_set1_epi16(static_cast<int16_t>(r1)))),
        none);
    const __m128i keep = _mm_andnot_si128(_mm_cmpgt_epi16(fromRows, toRows), inRows);
    _mm_storeu_si128(firstOut, _mm_and_si128(keep, fromRows));
    _mm_storeu_si128(lastOut,
                     _mm_or_si128(_mm_and_si128(keep, toRows), _mm_andnot_si128(keep, none)));
}

#else

void OutlineRows::spansSse2(int row0, int width, int16_t* first, int16_t* last) const {
    spansScalar(row0, width, first, last);
}

#endif
