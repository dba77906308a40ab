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

void raise(const EdgeStep& edge, int16_t* first, int width) {
    raiseFirstColumnsScalar(edge, first, width);
}
void lower(const EdgeStep& edge, int16_t* last) { lowerLastColumnsScalar(edge, last); }

#else

// Eight rows at a time, where vectors hold that many 32-bit lanes (four otherwise): more lanes
// would cost more to set up than they save on an edge of a few dozen rows.
using D = hn::CappedTag<int32_t, 8>;
using V = decltype(hn::Zero(D()));
constexpr int kMaxLanes = 8;

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
        EdgeStep lane[kMaxLanes];
        edge.lanes(lane, count);
        alignas(32) int32_t values[kMaxLanes], rests[kMaxLanes];
        for (int k = 0; k < count; ++k) {
            values[k] = static_cast<int32_t>(lane[k].value);
            rests[k] = static_cast<int32_t>(lane[k].rest);
        }
        value = hn::Load(d, values), rest = hn::Load(d, rests);
        quotient = hn::Set(d, static_cast<int32_t>(lane[0].quotientStep));
        carry = hn::Set(d, static_cast<int32_t>(lane[0].carryStep));
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

// Steps the edge a group of rows at a time, calling group(row, bounds) for each whole group
// and then single(row, bound) for each row left.
template <class Group, class Single>
HWY_INLINE void walk(const EdgeStep& edge, Group group, Single single) {
    const D d;
    const int count = static_cast<int>(hn::Lanes(d));
    LaneSteps step(edge);
    int row = edge.firstRow;
    for (; row + count - 1 <= edge.lastRow; row += count, step.advance()) group(row, step.value);
    alignas(32) int32_t left[kMaxLanes] = {};
    hn::Store(step.value, d, left);
    for (int k = 0; row <= edge.lastRow; ++row, ++k) single(row, left[k]);
}

void raise(const EdgeStep& edge, int16_t* first, int width) {
    if (!fitsLanes(edge)) return raiseFirstColumnsScalar(edge, first, width);
    const hn::Rebind<int16_t, D> d16;
    const auto limit = hn::Set(d16, static_cast<int16_t>(width));
    walk(
        edge,
        [&](int row, V bounds) {
            // Saturated to 16 bits, then held at width: what min(bound, width) gives.
            const auto held = hn::Min(hn::DemoteTo(d16, bounds), limit);
            hn::StoreU(hn::Max(hn::LoadU(d16, first + row), held), d16, first + row);
        },
        [&](int row, int32_t bound) {
            first[row] =
                static_cast<int16_t>(std::max<int32_t>(first[row], std::min(bound, width)));
        });
}

void lower(const EdgeStep& edge, int16_t* last) {
    if (!fitsLanes(edge)) return lowerLastColumnsScalar(edge, last);
    const D d;
    const hn::Rebind<int16_t, D> d16;
    const auto one = hn::Set(d, 1);
    const auto none = hn::Set(d16, int16_t{-1});
    walk(
        edge,
        [&](int row, V bounds) {
            const auto held = hn::Max(hn::DemoteTo(d16, hn::Sub(bounds, one)), none);
            hn::StoreU(hn::Min(hn::LoadU(d16, last + row), held), d16, last + row);
        },
        [&](int row, int32_t bound) {
            last[row] = static_cast<int16_t>(std::min<int32_t>(last[row], std::max(bound - 1, -1)));
        });
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

void EdgeStep::lanes(EdgeStep* out, int count) const {
    // count rows' numerator step, count (quotientStep * divisor + carryStep), as a quotient and
    // a carry below the divisor: count * carryStep is below count divisors, so a few
    // subtractions take the place of a division.
    int64_t quotient = count * quotientStep, carry = count * carryStep;
    while (carry >= divisor) carry -= divisor, ++quotient;
    EdgeStep lane = *this;
    for (int k = 0; k < count; ++k, lane.advance()) {
        out[k] = lane;
        out[k].quotientStep = quotient;
        out[k].carryStep = carry;
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

void raiseFirstColumns(const EdgeStep& edge, int16_t* first, int width) {
    using namespace edgewalk;  // the dispatch names the function unqualified
    HWY_DYNAMIC_DISPATCH(raise)(edge, first, width);
}

void lowerLastColumns(const EdgeStep& edge, int16_t* last) {
    using namespace edgewalk;
    HWY_DYNAMIC_DISPATCH(lower)(edge, last);
}

#endif  // HWY_ONCE
