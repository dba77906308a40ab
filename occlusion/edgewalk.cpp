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

// The lanes' steppers, a row apart, each stepping a group of rows at a time.
struct LaneSteps {
    V value, rest, quotient, carry, divisor;

    explicit LaneSteps(const EdgeStep& edge) {
        const D d;
        const int count = static_cast<int>(hn::Lanes(d));
        // Lane k starts k rows on.
        alignas(32) int32_t values[kMaxLanes], rests[kMaxLanes];
        EdgeStep lane = edge;
        for (int k = 0; k < count; ++k, lane.advance()) {
            values[k] = static_cast<int32_t>(lane.value);
            rests[k] = static_cast<int32_t>(lane.rest);
        }
        // A group's step, count (quotientStep * divisor + carryStep), as a quotient and a carry
        // below the divisor: count * carryStep is below count divisors, so a few subtractions
        // take the place of a division.
        int64_t groupQuotient = count * edge.quotientStep, groupCarry = count * edge.carryStep;
        while (groupCarry >= edge.divisor) groupCarry -= edge.divisor, ++groupQuotient;
        value = hn::Load(d, values), rest = hn::Load(d, rests);
        quotient = hn::Set(d, static_cast<int32_t>(groupQuotient));
        carry = hn::Set(d, static_cast<int32_t>(groupCarry));
        divisor = hn::Set(d, static_cast<int32_t>(edge.divisor));
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
