#include "occlusion/edgewalk.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

// Highway compiles the code between HWY_BEFORE_NAMESPACE and HWY_AFTER_NAMESPACE once per
// instruction set by including this file again; the rest is compiled once (HWY_ONCE).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "occlusion/edgewalk.cpp"
#include <hwy/foreach_target.h>  // before highway.h
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace edgewalk {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR

void raise(const EdgeStep* edges, std::size_t count, int16_t* first, int width) {
    for (std::size_t k = 0; k < count; ++k) raiseFirstColumnsScalar(edges[k], first, width);
}
void lower(const EdgeStep* edges, std::size_t count, int16_t* last) {
    for (std::size_t k = 0; k < count; ++k) lowerLastColumnsScalar(edges[k], last);
}

#else

// Eight rows at a time, where vectors hold that many 32-bit lanes (four otherwise): more lanes
// would cost more to set up than they save on an edge of a few dozen rows.
using D = hn::CappedTag<int32_t, 8>;
using V = decltype(hn::Zero(D()));
using D16 = hn::Rebind<int16_t, D>;
constexpr int kMaxLanes = 8;
static_assert(kRowsPast >= kMaxLanes - 1, "a last group may reach that far past an edge");

// Whether the edge can be stepped in 32-bit lanes: every bound with room (the bounds move
// monotonically, by at most |quotientStep| + 1 a row), a group's step too, and the divisor,
// below which the rests and the carry lie.
bool fitsLanes(const EdgeStep& edge) {
    const int64_t rows = edge.lastRow - edge.firstRow + 1;
    const int64_t perRow = std::llabs(edge.quotientStep) + 1;
    const int64_t reach = std::llabs(edge.value) + std::max<int64_t>(rows, kMaxLanes) * perRow;
    return reach < (int64_t{1} << 30) && edge.divisor < (int64_t{1} << 31);
}

// Lane numbers, loaded rather than made lane by lane (which Iota does here, through memory).
alignas(32) constexpr int32_t kLaneNumber[kMaxLanes] = {0, 1, 2, 3, 4, 5, 6, 7};

// The lanes' steppers, a row apart, each stepping a group of rows at a time.
struct LaneSteps {
    V value, rest, quotient, carry, divisor;

    explicit LaneSteps(const EdgeStep& edge) {
        const D d;
        const int count = static_cast<int>(hn::Lanes(d));
        // The steps of 1, 2, 4 and 8 rows, each as a quotient and a carry below the divisor:
        // doubling a step doubles both, and a carry that reaches the divisor gives the quotient
        // one more. A single advance then takes a step of many rows exactly.
        int64_t quotients[4], carries[4];
        quotients[0] = edge.quotientStep, carries[0] = edge.carryStep;
        for (int j = 1; j < 4; ++j) {
            const int64_t doubled = 2 * carries[j - 1];
            const int64_t over = doubled >= edge.divisor ? 1 : 0;
            carries[j] = doubled - over * edge.divisor;
            quotients[j] = 2 * quotients[j - 1] + over;
        }
        // Lane k starts k rows on: it takes the steps of the bits of k.
        divisor = hn::Set(d, static_cast<int32_t>(edge.divisor));
        value = hn::Set(d, static_cast<int32_t>(edge.value));
        rest = hn::Set(d, static_cast<int32_t>(edge.rest));
        const V lane = hn::Load(d, kLaneNumber);
        int bits = 0;
        for (int j = 0; (1 << j) < count; ++j, ++bits) {
            quotient = hn::Set(d, static_cast<int32_t>(quotients[j]));
            carry = hn::Set(d, static_cast<int32_t>(carries[j]));
            const V heldValue = value, heldRest = rest;
            advance();
            const auto takes = hn::Ne(hn::And(lane, hn::Set(d, 1 << j)), hn::Zero(d));
            value = hn::IfThenElse(takes, value, heldValue);
            rest = hn::IfThenElse(takes, rest, heldRest);
        }
        // Then every lane steps a group of count rows at a time.
        quotient = hn::Set(d, static_cast<int32_t>(quotients[bits]));
        carry = hn::Set(d, static_cast<int32_t>(carries[bits]));
    }
    void advance() {
        value = hn::Add(value, quotient);
        rest = hn::Sub(rest, carry);
        // All ones in a lane whose rest went below zero.
        const V borrow = hn::ShiftRight<31>(rest);
        rest = hn::Add(rest, hn::And(borrow, divisor));
        value = hn::Sub(value, borrow);
    }
};

// Steps the edge a group of rows at a time, each group's columns replaced by
// merge(columns, bounds); the rows left after the last whole group make one more, whose lanes
// past the edge keep their columns.
template <class Merge>
HWY_INLINE void walk(const EdgeStep& edge, int16_t* columns, Merge merge) {
    const D16 d16;
    const int count = static_cast<int>(hn::Lanes(d16));
    LaneSteps step(edge);
    int row = edge.firstRow;
    for (; row + count - 1 <= edge.lastRow; row += count, step.advance()) {
        hn::StoreU(merge(hn::LoadU(d16, columns + row), step.value), d16, columns + row);
    }
    if (row <= edge.lastRow) {
        const auto held = hn::LoadU(d16, columns + row);
        const auto onEdge = hn::FirstN(d16, static_cast<std::size_t>(edge.lastRow - row + 1));
        hn::StoreU(hn::IfThenElse(onEdge, merge(held, step.value), held), d16, columns + row);
    }
}

void raise(const EdgeStep* edges, std::size_t count, int16_t* first, int width) {
    const D16 d16;
    const auto limit = hn::Set(d16, static_cast<int16_t>(width));
    for (std::size_t k = 0; k < count; ++k) {
        if (!fitsLanes(edges[k])) {
            raiseFirstColumnsScalar(edges[k], first, width);
            continue;
        }
        // Saturated to 16 bits, then held at width: what min(bound, width) gives.
        walk(edges[k], first, [&](hn::Vec<D16> columns, V bounds) {
            return hn::Max(columns, hn::Min(hn::DemoteTo(d16, bounds), limit));
        });
    }
}

void lower(const EdgeStep* edges, std::size_t count, int16_t* last) {
    const D d;
    const D16 d16;
    const auto one = hn::Set(d, 1);
    const auto none = hn::Set(d16, int16_t{-1});
    for (std::size_t k = 0; k < count; ++k) {
        if (!fitsLanes(edges[k])) {
            lowerLastColumnsScalar(edges[k], last);
            continue;
        }
        walk(edges[k], last, [&](hn::Vec<D16> columns, V bounds) {
            return hn::Min(columns, hn::Max(hn::DemoteTo(d16, hn::Sub(bounds, one)), none));
        });
    }
}

#endif

}  // namespace HWY_NAMESPACE
}  // namespace edgewalk
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace edgewalk {
HWY_EXPORT(raise);
HWY_EXPORT(lower);
}  // namespace edgewalk

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

void raiseFirstColumns(const EdgeStep* edges, std::size_t count, int16_t* first, int width) {
    using namespace edgewalk;  // the dispatch names the function unqualified
    HWY_DYNAMIC_DISPATCH(raise)(edges, count, first, width);
}

void lowerLastColumns(const EdgeStep* edges, std::size_t count, int16_t* last) {
    using namespace edgewalk;
    HWY_DYNAMIC_DISPATCH(lower)(edges, count, last);
}

#endif  // HWY_ONCE
