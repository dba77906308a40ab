#include "occlusion/vectorprojection.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "math/numeric.h"

// Highway compiles the code between HWY_BEFORE_NAMESPACE and HWY_AFTER_NAMESPACE once per
// instruction set by including this file again; the rest is compiled once (HWY_ONCE).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "occlusion/vectorprojection.cpp"
#include <hwy/foreach_target.h>  // before highway.h
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace projection {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::CappedTag<float, kProjectionLanes>;
using V = decltype(hn::Zero(D()));

// Component i of m v for the lanes' vectors (x, y, z, w): ((((0 + m_i0 x) + m_i1 y) + m_i2 z)
// + m_i3 w) in float, as dot() sums.
template <class Tag, class Vec>
HWY_INLINE Vec row(Tag d, const float (&m)[4][kMatrixLanes], Vec x, Vec y, Vec z, Vec w) {
    Vec sum = hn::Zero(d);
    sum = hn::Add(sum, hn::Mul(hn::Load(d, m[0]), x));
    sum = hn::Add(sum, hn::Mul(hn::Load(d, m[1]), y));
    sum = hn::Add(sum, hn::Mul(hn::Load(d, m[2]), z));
    return hn::Add(sum, hn::Mul(hn::Load(d, m[3]), w));
}

// The lanes' clip coordinates m (x, y, z, w) divided by their w: device coordinates. False when
// some lane's clip w is not greater than zero (NaN included).
template <class Tag, class Vec>
HWY_INLINE bool clipToDevice(Tag d, const LaneMatrix& m, Vec x, Vec y, Vec z, Vec w, Vec& px,
                             Vec& py, Vec& pz) {
    const Vec qw = row(d, m.element[3], x, y, z, w);
    if (!hn::AllTrue(d, hn::Gt(qw, hn::Zero(d)))) return false;
    px = hn::Div(row(d, m.element[0], x, y, z, w), qw);
    py = hn::Div(row(d, m.element[1], x, y, z, w), qw);
    pz = hn::Div(row(d, m.element[2], x, y, z, w), qw);
    return true;
}

// The lanes' entries (x, y, z, w) through view and project: their device coordinates, false as
// clipToDevice. With kOneMatrix, view is the product of both and project is not read: one
// product instead of two, the same values but for rounding.
template <bool kOneMatrix, class Tag, class Vec>
HWY_INLINE bool toDevice(Tag d, const LaneMatrix& view, const LaneMatrix& project, Vec x, Vec y,
                         Vec z, Vec w, Vec& px, Vec& py, Vec& pz) {
    if constexpr (kOneMatrix) {
        return clipToDevice(d, view, x, y, z, w, px, py, pz);
    } else {
        const Vec ex = row(d, view.element[0], x, y, z, w);
        const Vec ey = row(d, view.element[1], x, y, z, w);
        const Vec ez = row(d, view.element[2], x, y, z, w);
        const Vec ew = row(d, view.element[3], x, y, z, w);
        return clipToDevice(d, project, ex, ey, ez, ew, px, py, pz);
    }
}

#if HWY_TARGET == HWY_SCALAR

// One lane: the running values are the extremes, mapped one at a time as in the vector version.
void foldAndMap(V minX, V negMaxX, V minY, V negMaxY, int width, int height, int32_t* out) {
    const float sides[4] = {hn::GetLane(minX), -hn::GetLane(negMaxX), hn::GetLane(minY),
                            -hn::GetLane(negMaxY)};
    const float limit = static_cast<float>(kTruncateLimit);
    for (int k = 0; k < 4; ++k) {
        const double extent = k < 2 ? width : height;
        const auto mapped =
            static_cast<float>((static_cast<double>(sides[k]) + 1.0) * extent * 0.5);
        out[k] = static_cast<int32_t>(std::min(std::max(mapped, -limit), limit));
    }
}

#else

using D4 = hn::FixedTag<float, 4>;
using V4 = decltype(hn::Zero(D4()));

// v's lanes folded to four, lane i the smaller of lanes i and i + 4 where there are eight.
template <class W>
V4 smallestFour(W v) {
    if constexpr (hn::MaxLanes(D()) == 8) {
        const D4 d4;
        return hn::Min(hn::LowerHalf(d4, v), hn::UpperHalf(d4, v));
    } else {
        return v;
    }
}

// The smallest lane of each of a, b, c and d, in lanes 0 to 3.
V4 smallestOfEach(V4 a, V4 b, V4 c, V4 d) {
    const D4 d4;
    const V4 ab = hn::Min(hn::InterleaveLower(d4, a, b), hn::InterleaveUpper(d4, a, b));
    const V4 cd = hn::Min(hn::InterleaveLower(d4, c, d), hn::InterleaveUpper(d4, c, d));
    return hn::Min(hn::ConcatLowerLower(d4, cd, ab), hn::ConcatUpperUpper(d4, cd, ab));
}

// The running extremes folded to (smallest x, largest x, smallest y, largest y), none NaN, and
// mapped to the target and truncated as truncateToInt(toTarget(...)): (c + 1) * extent / 2 in
// double (halving is exact, whether of the product or, as here, of the extent beforehand, for
// c + 1 is 0 or at least 2^-24 and no product comes near the subnormals), rounded to float,
// held within the saturation limit (exact in float) and truncated toward zero.
void foldAndMap(V minX, V negMaxX, V minY, V negMaxY, int width, int height, int32_t* out) {
    const D4 d4;
    const V4 folded = smallestOfEach(smallestFour(minX), smallestFour(negMaxX), smallestFour(minY),
                                     smallestFour(negMaxY));
    alignas(16) static constexpr float kBack[4] = {0.0f, -0.0f, 0.0f, -0.0f};
    const V4 sides = hn::Xor(folded, hn::Load(d4, kBack));  // lanes 1 and 3 negated back
    const hn::FixedTag<float, 2> d2;
    const hn::FixedTag<double, 2> dd;
    const auto one = hn::Set(dd, 1.0);
    const auto xs = hn::Mul(hn::Add(hn::PromoteTo(dd, hn::LowerHalf(d2, sides)), one),
                            hn::Set(dd, 0.5 * width));
    const auto ys = hn::Mul(hn::Add(hn::PromoteTo(dd, hn::UpperHalf(d2, sides)), one),
                            hn::Set(dd, 0.5 * height));
    const V4 mapped = hn::Combine(d4, hn::DemoteTo(d2, ys), hn::DemoteTo(d2, xs));
    const V4 limit = hn::Set(d4, static_cast<float>(kTruncateLimit));
    const V4 held = hn::Min(hn::Max(mapped, hn::Neg(limit)), limit);
    const hn::FixedTag<int32_t, 4> di;
    hn::StoreU(hn::ConvertTo(di, held), di, out);
}

#endif

// What the vector step finds for a vertex set on a width by height target: the extremes of its
// entries' device coordinates, mapped and truncated as boundingRect does each coordinate
// (truncateToInt of toTarget; a NaN x or y counts as 0 there), and its depth range. With no
// entries, the sides are the saturated images of the infinities and deep is 0.
struct TargetExtremes {
    int32_t sides[4];  // smallest x, largest x, smallest y, largest y
    float deep;        // the largest z, at least 0 (the reference starts from 0)
    float nearest;     // the smallest z
};

// The vector step: false when some entry's clip w is not positive, else the set's extremes on
// the target (and, with deviceX and deviceY, its entries' device coordinates, in room for a
// whole last pass).
template <bool kOneMatrix>
HWY_INLINE bool extremesOf(const Vector4D* entries, std::size_t count, const LaneMatrix& view,
                           const LaneMatrix& project, int width, int height,
                           TargetExtremes& extremes, float* deviceX, float* deviceY) {
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const V infinity = hn::Set(d, std::numeric_limits<float>::infinity());
    const V minusOne = hn::Set(d, -1.0f);
    // Running extremes; the largest x and y as the negated smallest of the negated, which is
    // exact and lets all four be folded together.
    V minX = infinity, negMaxX = infinity, minY = infinity, negMaxY = infinity;
    V deep = hn::Zero(d), nearest = infinity;
    // The entries of a last, partial pass are copied, the last one repeated into the lanes
    // beyond the set's end, which changes no extreme.
    float tail[4 * kProjectionLanes];
    for (std::size_t first = 0; first < count; first += lanes) {
        const float* e = &entries[first].x;
        if (count - first < lanes) {
            for (std::size_t lane = 0; lane < lanes; ++lane) {
                const Vector4D& entry = entries[std::min(first + lane, count - 1)];
                std::copy(&entry.x, &entry.x + 4, tail + 4 * lane);
            }
            e = tail;
        }
        V x, y, z, w, px, py, pz;
        hn::LoadInterleaved4(d, e, x, y, z, w);
        if (!toDevice<kOneMatrix>(d, view, project, x, y, z, w, px, py, pz)) return false;
        if (deviceX != nullptr) {
            hn::StoreU(px, d, deviceX + first);
            hn::StoreU(py, d, deviceY + first);
        }
        // A NaN x or y becomes -1, the device coordinate that lands at 0 as a NaN does.
        const V sx = hn::IfThenElse(hn::IsNaN(px), minusOne, px);
        const V sy = hn::IfThenElse(hn::IsNaN(py), minusOne, py);
        minX = hn::Min(minX, sx);
        negMaxX = hn::Min(negMaxX, hn::Neg(sx));
        minY = hn::Min(minY, sy);
        negMaxY = hn::Min(negMaxY, hn::Neg(sy));
        // As std::max and std::min: a value replaces the running one only when strictly beyond
        // it, so a NaN depth leaves it.
        deep = hn::IfThenElse(hn::Gt(pz, deep), pz, deep);
        nearest = hn::IfThenElse(hn::Lt(pz, nearest), pz, nearest);
    }
    foldAndMap(minX, negMaxX, minY, negMaxY, width, height, extremes.sides);
    extremes.deep = hn::GetLane(hn::MaxOfLanes(d, deep));
    extremes.nearest = hn::GetLane(hn::MinOfLanes(d, nearest));
    return true;
}

// The rectangle of a set of count entries with these extremes.
HWY_INLINE void rectFrom(const TargetExtremes& e, std::size_t count, int width, int height,
                         ScreenRect& rect) {
    // The fillers of a set below kMinProjectedSlots entries are the point (0, 0) at depth 0;
    // the starting values of the reference (leftMost = width, rightMost = 0, ...) act the same.
    const int origin = count < kMinProjectedSlots ? 0 : std::numeric_limits<int>::max();
    rect.leftMost = std::min({width, origin, e.sides[0]});
    rect.rightMost = std::max(0, e.sides[1]);
    rect.topMost = std::min({height, origin, e.sides[2]});
    rect.bottomMost = std::max(0, e.sides[3]);
    rect.deepMost = e.deep;
    rect.nearMost = count == 0 ? rect.deepMost : e.nearest;
}

// projectedRect's answer and rectangle for a set of count entries.
template <bool kOneMatrix>
HWY_INLINE bool rectOf(const Vector4D* entries, std::size_t count, const LaneMatrix& view,
                       const LaneMatrix& project, int width, int height, ScreenRect& rect,
                       float* deviceX, float* deviceY) {
    TargetExtremes e;
    if (!extremesOf<kOneMatrix>(entries, count, view, project, width, height, e, deviceX,
                                deviceY)) {
        return false;
    }
    rectFrom(e, count, width, height, rect);
    return true;
}

// Where vectors hold 8 floats or more (AVX2, AVX-512), sets of kProjectionLanes entries go two
// at a time, their extremes folded together.
#if HWY_ARCH_X86 && HWY_TARGET != HWY_SCALAR && HWY_MAX_BYTES >= 32
#define PROJECTION_PAIRS 1

// Two sets' rectangles, from their sides as mapped to the target, before they are held within
// the saturation limit (smallest x, largest x, smallest y, largest y of one, then of the other),
// and their depths (the largest negated, then the smallest, of one, then of the other). The sides
// are bounded as rectFrom bounds them (sets of kProjectionLanes entries have no fillers):
// leftMost and topMost at most the target's extent, the others at least 0.
HWY_INLINE void pairRects(V mapped, const float* depths, int width, int height, ScreenRect* rects) {
    const D d;
    const V limit = hn::Set(d, static_cast<float>(kTruncateLimit));
    const V held = hn::Min(hn::Max(mapped, hn::Neg(limit)), limit);
    const hn::RebindToSigned<D> di;
    constexpr int32_t kNone = std::numeric_limits<int32_t>::max();
    constexpr int32_t kAny = std::numeric_limits<int32_t>::min();
    alignas(32) const int32_t upTo[8] = {width, kNone, height, kNone, width, kNone, height, kNone};
    alignas(32) static constexpr int32_t kFrom[8] = {kAny, 0, kAny, 0, kAny, 0, kAny, 0};
    const auto bounded =
        hn::Max(hn::Min(hn::ConvertTo(di, held), hn::Load(di, upTo)), hn::Load(di, kFrom));
    alignas(32) int32_t sidesOf[8];
    hn::Store(bounded, di, sidesOf);
    for (int k = 0; k < 2; ++k) {
        ScreenRect& rect = rects[k];
        const int32_t* side = sidesOf + 4 * k;
        rect.leftMost = side[0], rect.rightMost = side[1];
        rect.topMost = side[2], rect.bottomMost = side[3];
        rect.deepMost = -depths[2 * k], rect.nearMost = depths[2 * k + 1];
    }
}

// The negations of the largest sides taken back, lanes 1 and 3 of each set.
alignas(32) constexpr float kBackOfPair[8] = {0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f};

#if HWY_MAX_BYTES >= 64

// Two sets of kProjectionLanes entries, one in each half of a vector.
using D2 = hn::CappedTag<float, kMatrixLanes>;
using V2 = decltype(hn::Zero(D2()));

// rectOf for two sets of kProjectionLanes entries at once, each lane running the operations of
// extremesOf's one pass: false, writing nothing, when some entry of either has a clip w that is
// not positive (the caller then projects them one at a time).
template <bool kOneMatrix>
HWY_INLINE bool pairOf(const Vector4D* a, const Vector4D* b, const LaneMatrix& view,
                       const LaneMatrix& project, int width, int height, ScreenRect* rects,
                       float* const (&deviceX)[2], float* const (&deviceY)[2]) {
    const D d;
    const D2 d2;
    V x[2], y[2], z[2], w[2];
    hn::LoadInterleaved4(d, &a->x, x[0], y[0], z[0], w[0]);
    hn::LoadInterleaved4(d, &b->x, x[1], y[1], z[1], w[1]);
    const V2 vx = hn::Combine(d2, x[1], x[0]), vy = hn::Combine(d2, y[1], y[0]);
    const V2 vz = hn::Combine(d2, z[1], z[0]), vw = hn::Combine(d2, w[1], w[0]);
    V2 px, py, pz;
    if (!toDevice<kOneMatrix>(d2, view, project, vx, vy, vz, vw, px, py, pz)) return false;
    if (deviceX[0] != nullptr) {
        hn::StoreU(hn::LowerHalf(d, px), d, deviceX[0]);
        hn::StoreU(hn::LowerHalf(d, py), d, deviceY[0]);
        hn::StoreU(hn::UpperHalf(d, px), d, deviceX[1]);
        hn::StoreU(hn::UpperHalf(d, py), d, deviceY[1]);
    }
    // One pass from extremesOf's starting values: the extremes are the lanes themselves, none
    // NaN. Each set's smallest of six quantities is wanted: x, -x, y, -y, -z (the largest z
    // negated, exactly) and z, over its eight lanes, which are two blocks of four.
    const V2 minusOne = hn::Set(d2, -1.0f);
    const V2 infinity = hn::Set(d2, std::numeric_limits<float>::infinity());
    const V2 sx = hn::IfThenElse(hn::IsNaN(px), minusOne, px);
    const V2 sy = hn::IfThenElse(hn::IsNaN(py), minusOne, py);
    const V2 deep = hn::IfThenElse(hn::Gt(pz, hn::Zero(d2)), pz, hn::Zero(d2));
    const V2 nearest = hn::IfThenElse(hn::Lt(pz, infinity), pz, infinity);
    // Within each block: the smaller of lanes (0, 2) and (1, 3) of two quantities at once, then
    // of what remains.
    const auto pairwise = [d2](V2 a, V2 b) {
        return hn::Min(hn::InterleaveLower(d2, a, b), hn::InterleaveUpper(d2, a, b));
    };
    const hn::Repartition<double, D2> wide;
    const auto wideOf = [wide](V2 v) { return hn::BitCast(wide, v); };
    const V2 ab = pairwise(sx, hn::Neg(sx)), cd = pairwise(sy, hn::Neg(sy));
    // Each block: smallest x, -largest x, smallest y, -largest y of its four lanes.
    const V2 sides = hn::Min(hn::BitCast(d2, hn::InterleaveLower(wide, wideOf(ab), wideOf(cd))),
                             hn::BitCast(d2, hn::InterleaveUpper(wide, wideOf(ab), wideOf(cd))));
    // Each block: -largest z, smallest z, twice.
    const V2 ef = pairwise(hn::Neg(deep), nearest);
    const V2 depths = hn::Min(ef, hn::Shuffle1032(ef));
    // A set's two blocks: its sides from one, its depths from the other, the smaller of both.
    const V2 folded = hn::Min(hn::OddEvenBlocks(depths, sides),
                              hn::SwapAdjacentBlocks(hn::OddEvenBlocks(sides, depths)));
    // Both sets' sides in the lower half, their depths after them.
    alignas(64) static constexpr int32_t kOrder[kMatrixLanes] = {0, 1, 2,  3,  8, 9, 10, 11,
                                                                 4, 5, 12, 13, 6, 7, 14, 15};
    const V2 ordered = hn::TableLookupLanes(folded, hn::SetTableIndices(d2, kOrder));
    const V sidesOfBoth = hn::Xor(hn::LowerHalf(d, ordered), hn::Load(d, kBackOfPair));
    const hn::CappedTag<double, kProjectionLanes> dd;
    // Mapped as foldAndMap maps them, by half the extents.
    const double across = 0.5 * width, up = 0.5 * height;
    alignas(64) const double halves[8] = {across, across, up, up, across, across, up, up};
    const auto exact =
        hn::Mul(hn::Add(hn::PromoteTo(dd, sidesOfBoth), hn::Set(dd, 1.0)), hn::Load(dd, halves));
    alignas(32) float depthsOf[8];
    hn::Store(hn::UpperHalf(d, ordered), d, depthsOf);
    pairRects(hn::DemoteTo(d, exact), depthsOf, width, height, rects);
    return true;
}

HWY_INLINE bool pairsFit() { return hn::Lanes(D2()) == kMatrixLanes; }

#else  // vectors of 8 floats

// rectOf for two sets of kProjectionLanes entries, a vector each, in one pass of extremesOf
// each, their extremes folded together: false, writing nothing, when some entry of either has a
// clip w that is not positive (the caller then projects them one at a time).
template <bool kOneMatrix>
HWY_INLINE bool pairOf(const Vector4D* a, const Vector4D* b, const LaneMatrix& view,
                       const LaneMatrix& project, int width, int height, ScreenRect* rects,
                       float* const (&deviceX)[2], float* const (&deviceY)[2]) {
    const D d;
    V px[2], py[2], pz[2];
    for (int k = 0; k < 2; ++k) {
        V x, y, z, w;
        hn::LoadInterleaved4(d, &(k == 0 ? a : b)->x, x, y, z, w);
        if (!toDevice<kOneMatrix>(d, view, project, x, y, z, w, px[k], py[k], pz[k])) return false;
    }
    // Per block of four lanes, the smaller of lanes (0, 2) and (1, 3) of two quantities at once;
    // then, of two such, each quantity's smallest over the block.
    const auto pairwise = [d](V u, V v) {
        return hn::Min(hn::InterleaveLower(d, u, v), hn::InterleaveUpper(d, u, v));
    };
    const hn::Repartition<double, D> wide;
    const auto quads = [d, wide](V u, V v) {
        const auto wu = hn::BitCast(wide, u), wv = hn::BitCast(wide, v);
        return hn::Min(hn::BitCast(d, hn::InterleaveLower(wide, wu, wv)),
                       hn::BitCast(d, hn::InterleaveUpper(wide, wu, wv)));
    };
    // As the pairOf for vectors of 16 floats, from extremesOf's starting values: each block's
    // smallest x, -largest x, smallest y and -largest y, and its -largest z, smallest z twice.
    const V minusOne = hn::Set(d, -1.0f);
    const V infinity = hn::Set(d, std::numeric_limits<float>::infinity());
    V sides[2], depths[2];
    for (int k = 0; k < 2; ++k) {
        const V sx = hn::IfThenElse(hn::IsNaN(px[k]), minusOne, px[k]);
        const V sy = hn::IfThenElse(hn::IsNaN(py[k]), minusOne, py[k]);
        sides[k] = quads(pairwise(sx, hn::Neg(sx)), pairwise(sy, hn::Neg(sy)));
        const V deep = hn::IfThenElse(hn::Gt(pz[k], hn::Zero(d)), pz[k], hn::Zero(d));
        const V nearest = hn::IfThenElse(hn::Lt(pz[k], infinity), pz[k], infinity);
        depths[k] = pairwise(hn::Neg(deep), nearest);
    }
    if (deviceX[0] != nullptr) {
        for (int k = 0; k < 2; ++k) {
            hn::StoreU(px[k], d, deviceX[k]);
            hn::StoreU(py[k], d, deviceY[k]);
        }
    }
    // A set's two blocks folded: one set's sides, then the other's; and, per block, the depths
    // of both sets, the two blocks then folded.
    const V bothSides = hn::Min(hn::ConcatLowerLower(d, sides[1], sides[0]),
                                hn::ConcatUpperUpper(d, sides[1], sides[0]));
    const V blockDepths = quads(depths[0], depths[1]);
    const D4 d4;
    alignas(16) float depthsOf[4];
    hn::Store(hn::Min(hn::LowerHalf(d4, blockDepths), hn::UpperHalf(d4, blockDepths)), d4,
              depthsOf);
    // Mapped as foldAndMap maps them, four sides at a time.
    const V sidesOfBoth = hn::Xor(bothSides, hn::Load(d, kBackOfPair));
    const hn::FixedTag<double, 4> dd;
    const double across = 0.5 * width, up = 0.5 * height;
    alignas(32) const double halves[4] = {across, across, up, up};
    const auto mapped = [&](V4 four) {
        return hn::DemoteTo(
            d4, hn::Mul(hn::Add(hn::PromoteTo(dd, four), hn::Set(dd, 1.0)), hn::Load(dd, halves)));
    };
    pairRects(hn::Combine(d, mapped(hn::UpperHalf(d4, sidesOfBoth)),
                          mapped(hn::LowerHalf(d4, sidesOfBoth))),
              depthsOf, width, height, rects);
    return true;
}

HWY_INLINE bool pairsFit() { return hn::Lanes(D()) == kProjectionLanes; }

#endif  // HWY_MAX_BYTES >= 64
#endif  // PROJECTION_PAIRS

bool projectedRect(const Vector4D* entries, std::size_t count, const LaneMatrix& view,
                   const LaneMatrix& project, bool oneMatrix, int width, int height,
                   ScreenRect& rect, float* deviceX, float* deviceY) {
    return oneMatrix
               ? rectOf<true>(entries, count, view, project, width, height, rect, deviceX, deviceY)
               : rectOf<false>(entries, count, view, project, width, height, rect, deviceX,
                               deviceY);
}

// How many sets ahead the batch fetches a vertex set.
constexpr std::size_t kFetchAhead = 4;

template <bool kOneMatrix>
void projectEach(const std::vector<Vector4D>* const* sets, std::size_t count,
                 const LaneMatrix& view, const LaneMatrix& project, int width, int height,
                 uint8_t* projected, ScreenRect* rects, float* deviceX, float* deviceY,
                 const std::size_t* first) {
    // Each vertex set is a block of its own on the heap, most often out of the cache by the
    // next frame: the one a few sets on is fetched while this one is projected.
    const auto fetch = [&](std::size_t s) {
        if (s < count && sets[s] != nullptr && !sets[s]->empty()) {
            __builtin_prefetch(sets[s]->data());
            __builtin_prefetch(sets[s]->data() + (sets[s]->size() - 1));
        }
    };
    const auto pointsOf = [&](std::size_t s, float* device) {
        return device != nullptr ? device + first[s] : nullptr;
    };
    for (std::size_t s = 0; s < count;) {
        fetch(s + kFetchAhead);
#if defined(PROJECTION_PAIRS)
        const auto pairs = [&](std::size_t t) {
            return sets[t] != nullptr && sets[t]->size() == kProjectionLanes;
        };
        if (pairsFit() && s + 1 < count && pairs(s) && pairs(s + 1)) {
            fetch(s + 1 + kFetchAhead);
            float* const x[2] = {pointsOf(s, deviceX), pointsOf(s + 1, deviceX)};
            float* const y[2] = {pointsOf(s, deviceY), pointsOf(s + 1, deviceY)};
            if (pairOf<kOneMatrix>(sets[s]->data(), sets[s + 1]->data(), view, project, width,
                                   height, rects + s, x, y)) {
                projected[s] = projected[s + 1] = 1;
                s += 2;
                continue;
            }
        }
#endif
        const std::vector<Vector4D>* set = sets[s];
        projected[s] = set != nullptr &&
                       rectOf<kOneMatrix>(set->data(), set->size(), view, project, width, height,
                                          rects[s], pointsOf(s, deviceX), pointsOf(s, deviceY));
        ++s;
    }
}

void projectSets(const std::vector<Vector4D>* const* sets, std::size_t count,
                 const LaneMatrix& view, const LaneMatrix& project, bool oneMatrix, int width,
                 int height, uint8_t* projected, ScreenRect* rects, float* deviceX, float* deviceY,
                 const std::size_t* first) {
    (oneMatrix ? projectEach<true> : projectEach<false>)(sets, count, view, project, width, height,
                                                         projected, rects, deviceX, deviceY, first);
}
#undef PROJECTION_PAIRS

}  // namespace HWY_NAMESPACE
}  // namespace projection
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace projection {
HWY_EXPORT(projectedRect);
HWY_EXPORT(projectSets);
}  // namespace projection

namespace {

void spread(const Matrix4x4& m, LaneMatrix& lanes) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) std::fill_n(lanes.element[i][j], kMatrixLanes, m[i][j]);
    }
}

// Room for a set's device points: a whole last pass of the lanes.
std::size_t pointRoom(std::size_t entries) {
    return (entries + kProjectionLanes - 1) / kProjectionLanes * kProjectionLanes;
}

}  // namespace

ProjectionSetup::ProjectionSetup(const TransformStack& modelView, const TransformStack& projection,
                                 int width, int height)
    : width_(width), height_(height) {
    spread(modelView.current, view_);
    spread(projection.current, project_);
}

ProjectionSetup::ProjectionSetup(const Matrix4x4& toClip, int width, int height)
    : width_(width), height_(height), oneMatrix_(true) {
    spread(toClip, view_);
}

bool ProjectionSetup::projectedRect(const std::vector<Vector4D>& vertexSet, ScreenRect& rect,
                                    DevicePoints* points) const {
    float *x = nullptr, *y = nullptr;
    if (points != nullptr) {
        const std::size_t room = pointRoom(vertexSet.size());
        if (points->x.size() < room) points->x.resize(room), points->y.resize(room);
        points->count = vertexSet.size();
        x = points->x.data(), y = points->y.data();
    }
    using namespace projection;  // the dispatch names the function unqualified
    return HWY_DYNAMIC_DISPATCH(projectedRect)(vertexSet.data(), vertexSet.size(), view_, project_,
                                               oneMatrix_, width_, height_, rect, x, y);
}

void ProjectionSetup::project(ProjectedSets& sets, bool points) const {
    const std::size_t count = sets.sets.size();
    sets.projected.resize(count);
    sets.rects.resize(count);
    float *x = nullptr, *y = nullptr;
    if (points) {
        sets.first.resize(count);
        std::size_t room = 0;
        for (std::size_t s = 0; s < count; ++s) {
            sets.first[s] = room;
            room += sets.sets[s] != nullptr ? pointRoom(sets.sets[s]->size()) : 0;
        }
        if (sets.x.size() < room) sets.x.resize(room), sets.y.resize(room);
        x = sets.x.data(), y = sets.y.data();
    }
    using namespace projection;
    HWY_DYNAMIC_DISPATCH(projectSets)
    (sets.sets.data(), count, view_, project_, oneMatrix_, width_, height_, sets.projected.data(),
     sets.rects.data(), x, y, sets.first.data());
}

#endif  // HWY_ONCE
