#pragma once
// The rasteriser's exact edge stepping (occlusion/occlusionbuffer.h): a sloping edge's bound on
// the span of each row it bounds (a left edge's lowest column, a right edge's highest column + 1),
// ceil(N / divisor) for a numerator N that grows by a fixed integer from one row to the next,
// stepped without division.
//
// The spans are merged into per-row arrays of 16-bit columns by raiseFirstColumns (left edges)
// and lowerLastColumns (right edges). Each comes as the scalar loop, which is the reference, and
// as a vector version that steps eight rows at once in 32-bit lanes, written with Google Highway
// and run in the best instruction set the processor has; both give the same columns. The vector
// version takes a polygon's edges in one call (one dispatch, not one per edge) and treats the
// rows left after the last whole group as one more group, keeping what the rows past the edge
// hold: the arrays need kRowsPast rows of room past every edge's last row. An edge whose bounds
// or divisor leave 32 bits takes the scalar loop.

#include <cstddef>
#include <cstdint>

struct EdgeStep {
    int firstRow = 0, lastRow = -1;  // the rows it bounds
    int64_t value = 0;               // the bound at firstRow
    int64_t rest = 0, divisor = 1, quotientStep = 0, carryStep = 0;
    void advance() {
        // value * divisor - rest is the exact numerator; it moves by
        // quotientStep * divisor + carryStep, with 0 <= carryStep < divisor.
        value += quotientStep;
        rest -= carryStep;
        const int64_t borrow = rest < 0 ? 1 : 0;
        rest += borrow * divisor;
        value += borrow;
    }
};

// The room the vector version needs in the rows' arrays past an edge's last row.
constexpr int kRowsPast = 7;

// first[row] = max(first[row], min(bound, width)) over the edge's rows (width <= 16384).
void raiseFirstColumnsScalar(const EdgeStep& edge, int16_t* first, int width);
// The same for each of count edges.
void raiseFirstColumns(const EdgeStep* edges, std::size_t count, int16_t* first, int width);
// last[row] = min(last[row], max(bound - 1, -1)) over the edge's rows.
void lowerLastColumnsScalar(const EdgeStep& edge, int16_t* last);
void lowerLastColumns(const EdgeStep* edges, std::size_t count, int16_t* last);
