#include "occlusion/edgewalk.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void EdgeStep::lanes(EdgeStep (&out)[4]) const {
    out[0] = *this;
    for (int k = 1; k < 4; ++k) {
        out[k] = out[k - 1];
        out[k].advance();
    }
    // Four rows' numerator step, 4 (quotientStep * divisor + carryStep).
    const int64_t carry4 = 4 * carryStep;
    for (EdgeStep& lane : out) {
        lane.quotientStep = 4 * quotientStep + carry4 / divisor;
        lane.carryStep = carry4 % divisor;
    }
}

void raiseFirstColumnsScalar(const EdgeStep& edge, int16_t* first, int width) {
    EdgeStep e = edge;
    for (int row = edge.firstRow; row <= edge.lastRow; ++row, e.advance()) {
        first[row] =
            static_cast<int16_t>(std::max<int64_t>(first[row], std::min<int64_t>(e.value, width)));
    }
}

void lowerLastColumnsScalar(const EdgeStep& edge, int16_t* last) {
    EdgeStep e = edge;
    for (int row = edge.firstRow; row <= edge.lastRow; ++row, e.advance()) {
        last[row] =
            static_cast<int16_t>(std::min<int64_t>(last[row], std::max<int64_t>(e.value - 1, -1)));
    }
}

#if defined(__SSE2__)

namespace {

// Whether every bound of the edge fits 32 bits, with room: the bounds move monotonically, by
// at most |quotientStep| + 1 a row.
bool boundsFitLanes(const EdgeStep& edge) {
    const int64_t rows = edge.lastRow - edge.firstRow + 1;
    const int64_t reach = std::llabs(edge.value) + rows * (std::llabs(edge.quotientStep) + 1);
    return reach < (int64_t{1} << 30);
}

// Four steppers in two registers each for value and rest, lanes (0, 1) and (2, 3).
struct WideStep {
    __m128i value01, value23, rest01, rest23, quotient, carry, divisor;

    explicit WideStep(const EdgeStep& edge) {
        EdgeStep lane[4];
        edge.lanes(lane);
        value01 = _mm_set_epi64x(lane[1].value, lane[0].value);
        value23 = _mm_set_epi64x(lane[3].value, lane[2].value);
        rest01 = _mm_set_epi64x(lane[1].rest, lane[0].rest);
        rest23 = _mm_set_epi64x(lane[3].rest, lane[2].rest);
        quotient = _mm_set1_epi64x(lane[0].quotientStep);
        carry = _mm_set1_epi64x(lane[0].carryStep);
        divisor = _mm_set1_epi64x(edge.divisor);
    }
    // The four rows' bounds, as 32-bit lanes.
    __m128i bounds() const {
        return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(value01), _mm_castsi128_ps(value23),
                                               _MM_SHUFFLE(2, 0, 2, 0)));
    }
    static void advance(__m128i& value, __m128i& rest, __m128i quotient, __m128i carry,
                        __m128i divisor) {
        value = _mm_add_epi64(value, quotient);
        rest = _mm_sub_epi64(rest, carry);
        // All ones in a 64-bit lane whose rest went below zero: its sign, spread.
        const __m128i borrow = _mm_shuffle_epi32(_mm_srai_epi32(rest, 31), _MM_SHUFFLE(3, 3, 1, 1));
        rest = _mm_add_epi64(rest, _mm_and_si128(borrow, divisor));
        value = _mm_sub_epi64(value, borrow);
    }
    void advance() {
        advance(value01, rest01, quotient, carry, divisor);
        advance(value23, rest23, quotient, carry, divisor);
    }
    // The bounds of the rows left after the last whole group of four.
    void tail(int64_t (&out)[4]) const {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), value01);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2), value23);
    }
};

}  // namespace

void raiseFirstColumnsSse2(const EdgeStep& edge, int16_t* first, int width) {
    if (!boundsFitLanes(edge)) return raiseFirstColumnsScalar(edge, first, width);
    WideStep step(edge);
    const __m128i limit = _mm_set1_epi16(static_cast<int16_t>(width));
    int row = edge.firstRow;
    for (; row + 3 <= edge.lastRow; row += 4, step.advance()) {
        // Saturated to 16 bits, then held at width: what min(bound, width) gives.
        const __m128i bounds = _mm_min_epi16(_mm_packs_epi32(step.bounds(), step.bounds()), limit);
        auto* at = reinterpret_cast<__m128i*>(first + row);
        _mm_storel_epi64(at, _mm_max_epi16(_mm_loadl_epi64(at), bounds));
    }
    int64_t rest[4];
    step.tail(rest);
    for (int k = 0; row <= edge.lastRow; ++row, ++k) {
        first[row] =
            static_cast<int16_t>(std::max<int64_t>(first[row], std::min<int64_t>(rest[k], width)));
    }
}

void lowerLastColumnsSse2(const EdgeStep& edge, int16_t* last) {
    if (!boundsFitLanes(edge)) return lowerLastColumnsScalar(edge, last);
    WideStep step(edge);
    const __m128i one = _mm_set1_epi32(1), none = _mm_set1_epi16(-1);
    int row = edge.firstRow;
    for (; row + 3 <= edge.lastRow; row += 4, step.advance()) {
        const __m128i before = _mm_sub_epi32(step.bounds(), one);
        const __m128i bounds = _mm_max_epi16(_mm_packs_epi32(before, before), none);
        auto* at = reinterpret_cast<__m128i*>(last + row);
        _mm_storel_epi64(at, _mm_min_epi16(_mm_loadl_epi64(at), bounds));
    }
    int64_t rest[4];
    step.tail(rest);
    for (int k = 0; row <= edge.lastRow; ++row, ++k) {
        last[row] =
            static_cast<int16_t>(std::min<int64_t>(last[row], std::max<int64_t>(rest[k] - 1, -1)));
    }
}

#else

void raiseFirstColumnsSse2(const EdgeStep& edge, int16_t* first, int width) {
    raiseFirstColumnsScalar(edge, first, width);
}
void lowerLastColumnsSse2(const EdgeStep& edge, int16_t* last) {
    lowerLastColumnsScalar(edge, last);
}

#endif
