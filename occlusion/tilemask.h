#pragma once
// The pixel masks of the occlusion buffer's 8 by 8 tiles (occlusion/occlusionbuffer.h): a bit
// per pixel, column-major, bit c * 8 + r for column c, row r (bottom row first), so each byte
// is one column.
//
// tileMaskScalar builds a tile's mask from the spans of its eight rows: the reference of the
// vector version the buffer runs (occlusion/tilerows.h). spanExtent finds the columns a row of
// tiles reaches, as a scalar loop and as an SSE2 version (part of every x86-64 processor) that
// takes all eight rows at once, which gives the same answer and is used where SSE2 is there.

#include <cstdint>

constexpr int kMaskSide = 8;
constexpr uint64_t kFullMask = ~uint64_t{0};

// The mask of the tile whose first column is x0 (0 <= x0 <= 16383), from the covered columns
// of its eight rows: first[r] to last[r], both included, first[r] > last[r] for a row with none;
// columns within [0, 16384], last may be -1.
uint64_t tileMaskScalar(const int16_t* first, const int16_t* last, int x0);

// The columns some row of a tile row reaches (reachFirst to reachLast; reachFirst > reachLast
// when no row has any) and that every row reaches (everyFirst to everyLast, likewise), from the
// spans of its eight rows as tileMask takes them; width is the window's, > every column.
struct SpanExtent {
    int reachFirst, reachLast, everyFirst, everyLast;
};
SpanExtent spanExtentScalar(const int16_t* first, const int16_t* last, int width);
SpanExtent spanExtentSse2(const int16_t* first, const int16_t* last, int width);

// The bits of columns c0 to c1 (whole columns), and of rows r0 to r1 in every column; both
// ranges within [0, 8).
inline uint64_t columnBits(int c0, int c1) {
    const uint64_t upTo = c1 == kMaskSide - 1 ? kFullMask : (uint64_t{1} << (8 * (c1 + 1))) - 1;
    return upTo & ~((uint64_t{1} << (8 * c0)) - 1);
}
inline uint64_t rowBits(int r0, int r1) {
    const uint64_t column = ((uint64_t{2} << r1) - 1) & ~((uint64_t{1} << r0) - 1);
    return column * 0x0101010101010101u;
}

// The lowest and the highest bit set of bits, which is not 0.
inline int lowestBit(uint64_t bits) { return __builtin_ctzll(bits); }
inline int highestBit(uint64_t bits) { return 63 - __builtin_clzll(bits); }

#if defined(__SSE2__)
#include <emmintrin.h>

// The smallest and the largest of eight lanes.
inline int smallestLane(__m128i v) {
    v = _mm_min_epi16(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_min_epi16(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    v = _mm_min_epi16(v, _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<int16_t>(_mm_cvtsi128_si32(v));
}
inline int largestLane(__m128i v) {
    v = _mm_max_epi16(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_max_epi16(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    v = _mm_max_epi16(v, _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<int16_t>(_mm_cvtsi128_si32(v));
}

inline SpanExtent spanExtentInline(const int16_t* firstColumns, const int16_t* lastColumns,
                                   int width) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(firstColumns));
    const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lastColumns));
    const __m128i empty = _mm_cmpgt_epi16(first, last);
    const __m128i none = _mm_set1_epi16(static_cast<int16_t>(width));
    const __m128i before = _mm_set1_epi16(-1);
    SpanExtent extent{
        smallestLane(_mm_or_si128(_mm_and_si128(empty, none), _mm_andnot_si128(empty, first))),
        largestLane(_mm_or_si128(_mm_and_si128(empty, before), _mm_andnot_si128(empty, last))),
        width, width - 1};
    if (_mm_movemask_epi8(empty) == 0) {
        extent.everyFirst = largestLane(first);
        extent.everyLast = smallestLane(last);
    }
    return extent;
}
#endif

inline SpanExtent spanExtent(const int16_t* first, const int16_t* last, int width) {
#if defined(__SSE2__)
    return spanExtentInline(first, last, width);
#else
    return spanExtentScalar(first, last, width);
#endif
}
