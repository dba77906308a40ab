#include "occlusion/tilerows.h"

#include <algorithm>
#include <cstring>

#include "occlusion/tilemask.h"

// Highway compiles the code between HWY_BEFORE_NAMESPACE and HWY_AFTER_NAMESPACE once per
// instruction set by including this file again; the rest is compiled once (HWY_ONCE).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "occlusion/tilerows.cpp"
#include <hwy/foreach_target.h>  // before highway.h
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace tilerows {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR

HWY_INLINE uint64_t maskOf(const int16_t* first, const int16_t* last, int x0) {
    return tileMaskScalar(first, last, x0);
}

HWY_INLINE void mergeRun(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    mergeWholeScalar(layers, first, count, ramp);
}

#else

// The column each of a mask's 64 bits stands for (bit c * 8 + r is column c, row r).
alignas(64) constexpr int8_t kColumnOfBit[64] = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3,
    4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7};
// The row each byte of a block of 16 stands for: two columns of eight rows.
alignas(16) constexpr int8_t kRowOfByte[16] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7};

// tileMaskScalar's bits, all of them compared at once where vectors hold 64 bytes: bit
// c * 8 + r is set where column c lies within row r's span, both relative to the tile.
HWY_INLINE uint64_t maskOf(const int16_t* firstColumns, const int16_t* lastColumns, int x0) {
    // The spans relative to the tile, saturated to bytes (which keeps every comparison with a
    // column 0 to 7): the first columns in bytes 0 to 7, the last ones in bytes 8 to 15.
    const hn::FixedTag<int16_t, 8> d16;
    const hn::FixedTag<int8_t, 8> d8;
    const hn::FixedTag<int8_t, 16> d8x2;
    const auto origin = hn::Set(d16, static_cast<int16_t>(x0));
    const auto first = hn::DemoteTo(d8, hn::Sub(hn::LoadU(d16, firstColumns), origin));
    const auto last = hn::DemoteTo(d8, hn::Sub(hn::LoadU(d16, lastColumns), origin));
    alignas(16) int8_t spans[16];
    hn::Store(hn::Combine(d8x2, last, first), d8x2, spans);
    // Byte c * 8 + r of the mask: row r's first and last column, against c.
    const hn::CappedTag<int8_t, 64> d;
    const auto rows = hn::LoadDup128(d, spans);
    const auto firstOfRow = hn::LoadDup128(d, kRowOfByte);
    const auto firsts = hn::TableLookupBytes(rows, firstOfRow);
    const auto lasts = hn::TableLookupBytes(rows, hn::Add(firstOfRow, hn::Set(d, 8)));
    alignas(8) uint8_t bits[8];
    for (std::size_t i = 0; i < 64; i += hn::Lanes(d)) {
        const auto column = hn::Load(d, kColumnOfBit + i);
        const auto outside = hn::Or(hn::Gt(firsts, column), hn::Gt(column, lasts));
        hn::StoreMaskBits(d, hn::Not(outside), bits + i / 8);
    }
    uint64_t mask;
    std::memcpy(&mask, bits, sizeof mask);
    return mask;
}

alignas(64) constexpr double kLaneNumber[8] = {0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0};

// mergeWholeScalar, a vector of tiles at a time: the same depths (heldDepth's operations in
// the same order) and the same layers.
HWY_INLINE void mergeRun(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    const hn::CappedTag<float, 16> df;
    const hn::Repartition<double, decltype(df)> dd;  // half as many lanes
    const hn::Rebind<float, decltype(dd)> dfHalf;
    const hn::RebindToUnsigned<decltype(df)> du;
    const hn::Repartition<uint64_t, decltype(df)> dm;  // a tile's mask per lane, half as many
    const hn::RebindToSigned<decltype(du)> di;
    const hn::Half<decltype(di)> diHalf;
    const hn::Rebind<int64_t, decltype(diHalf)> dl;
    const std::size_t lanes = hn::Lanes(df), half = hn::Lanes(dd);
    // Everything the loop reads from `layers` and `ramp` is held in locals: the vector stores
    // may alias anything, and would otherwise have it all loaded again after each of them.
    float* const farDepths = layers.farDepth.data() + first;
    float* const nearDepths = layers.nearDepth.data() + first;
    uint64_t* const nearMasks = layers.nearMask.data() + first;
    const auto start = hn::Set(dd, ramp.first), step = hn::Set(dd, ramp.step);
    const auto cap = hn::Set(dd, ramp.cap), pad = hn::Set(dd, ramp.pad);
    const auto belowFar = hn::Set(dfHalf, kBelowFar);
    // heldDepth at the tiles k on: min(a, b) is (b < a) ? b : a and max(a, b) is
    // (a < b) ? b : a, as Min and Max take their operands.
    const auto depths = [&](std::size_t k) {
        const auto tile = hn::Add(hn::Set(dd, static_cast<double>(k)), hn::Load(dd, kLaneNumber));
        const auto plane = hn::Add(start, hn::Mul(step, tile));
        const auto z = hn::Add(hn::Min(cap, plane), pad);
        return hn::Min(belowFar, hn::DemoteTo(dfHalf, hn::Max(hn::Zero(dd), z)));
    };
    for (std::size_t k = 0; k < static_cast<std::size_t>(count); k += lanes) {
        float* const farDepth = farDepths + k;
        float* const nearDepth = nearDepths + k;
        uint64_t* const nearMask = nearMasks + k;
        const auto depth = hn::Combine(df, depths(k + half), depths(k));
        const auto far = hn::LoadU(df, farDepth), near = hn::LoadU(df, nearDepth);
        const auto masks0 = hn::LoadU(dm, nearMask), masks1 = hn::LoadU(dm, nearMask + half);
        // Lanes past the run's end (the last group may be short) keep what they hold.
        const auto inRun = hn::FirstN(df, static_cast<std::size_t>(count) - k);
        const auto nearer = hn::And(hn::Lt(depth, far), inRun);
        // No near layer: an empty mask (both halves of its 64 bits zero).
        const auto low = hn::ConcatEven(du, hn::BitCast(du, masks1), hn::BitCast(du, masks0));
        const auto high = hn::ConcatOdd(du, hn::BitCast(du, masks1), hn::BitCast(du, masks0));
        const auto empty = hn::RebindMask(df, hn::Eq(hn::Or(low, high), hn::Zero(du)));
        // The near layer goes (its mask emptied) where the polygon is nearer and the layer is
        // not nearer still.
        const auto drop = hn::AndNot(hn::Lt(near, depth), nearer);
        hn::StoreU(hn::IfThenElse(nearer, depth, far), df, farDepth);
        // Most tiles a polygon covers whole have no near layer to lose: the masks are stored
        // only where one goes.
        if (hn::AllFalse(df, hn::AndNot(empty, drop))) continue;
        const auto dropped = hn::BitCast(di, hn::VecFromMask(df, drop));
        const auto drop0 = hn::BitCast(dm, hn::PromoteTo(dl, hn::LowerHalf(diHalf, dropped)));
        const auto drop1 = hn::BitCast(dm, hn::PromoteTo(dl, hn::UpperHalf(diHalf, dropped)));
        hn::StoreU(hn::AndNot(drop0, masks0), dm, nearMask);
        hn::StoreU(hn::AndNot(drop1, masks1), dm, nearMask + half);
    }
}

#endif

// The tiles of one row of tiles that the rows' spans reach: those every row crosses whole are
// merged as a run, the others get their pixels as a mask.
void mergePolygonRows(TileLayers& layers, const TileGrid& grid, const int16_t* rowFirst,
                      const int16_t* rowLast, int firstRow, int lastRow, const TilePlane& plane) {
    constexpr int kTile = kMaskSide;
    // Of a tile's pixels, the column and the row where the plane is farthest: the last ones
    // where it rises along them, else the first.
    const int farColumn = plane.dzdx > 0.0 ? kTile - 1 : 0;
    const int farRow = plane.dzdy > 0.0 ? kTile - 1 : 0;
    for (int ty = firstRow / kTile; ty <= lastRow / kTile; ++ty) {
        const int y0 = ty * kTile;
        const std::size_t row =
            static_cast<std::size_t>(ty) * static_cast<std::size_t>(grid.tilesX);
        const int16_t* spanFirst = rowFirst + y0;
        const int16_t* spanLast = rowLast + y0;
        const SpanExtent extent = spanExtent(spanFirst, spanLast, grid.width);
        const int reachLo = extent.reachFirst, reachHi = extent.reachLast;
        const int everyLo = extent.everyFirst, everyHi = extent.everyLast;
        if (reachLo > reachHi) continue;
        layers.reach(ty, reachLo / kTile, reachHi / kTile);
        // The tiles every row crosses whole.
        int fullLo = reachHi / kTile + 1, fullHi = reachHi / kTile;
        if (everyLo <= everyHi) {
            fullLo = (everyLo + kTile - 1) / kTile, fullHi = (everyHi + 1) / kTile - 1;
        }
        const uint64_t beyondTop = ty == grid.tilesY - 1 ? grid.beyondTop : 0;
        // The plane's farthest over tile tx's pixel centres, at the tile's farthest corner.
        const auto farthestOf = [&](int tx) {
            return plane.at(tx * kTile + farColumn, y0 + farRow);
        };
        const auto mergePartial = [&](int txFirst, int txLast) {
            TileLayers::Cursor tiles = layers.cursor();
            for (int tx = txFirst; tx <= txLast; ++tx) {
                const std::size_t i = row + static_cast<std::size_t>(tx);
                const float depth = heldDepth(farthestOf(tx), plane.cap, plane.pad);
                // What merge would find once it had the mask.
                if (!(depth < tiles.farDepth[i])) continue;
                const uint64_t mask = maskOf(spanFirst, spanLast, tx * kTile);
                if (mask == 0) continue;
                const uint64_t beyond = (tx == grid.tilesX - 1 ? grid.beyondRight : 0) | beyondTop;
                tiles.merge(i, beyond, mask, depth);
            }
        };
        if (fullLo <= fullHi) {
            // Along a row of tiles, the plane's farthest over a tile moves by a fixed step.
            const double firstZ = farthestOf(fullLo);
            mergeRun(layers, row + static_cast<std::size_t>(fullLo), fullHi - fullLo + 1,
                     DepthRamp{firstZ, plane.dzdx * kTile, plane.cap, plane.pad});
            mergePartial(reachLo / kTile, fullLo - 1);
            mergePartial(fullHi + 1, reachHi / kTile);
        } else {
            mergePartial(reachLo / kTile, reachHi / kTile);
        }
    }
}

uint64_t tileMaskOne(const int16_t* first, const int16_t* last, int x0) {
    return maskOf(first, last, x0);
}

void mergeWholeOne(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    mergeRun(layers, first, count, ramp);
}

}  // namespace HWY_NAMESPACE
}  // namespace tilerows
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace tilerows {
HWY_EXPORT(mergePolygonRows);
HWY_EXPORT(tileMaskOne);
HWY_EXPORT(mergeWholeOne);
}  // namespace tilerows

void mergePolygonRows(TileLayers& layers, const TileGrid& grid, const int16_t* rowFirst,
                      const int16_t* rowLast, int firstRow, int lastRow, const TilePlane& plane) {
    using namespace tilerows;  // the dispatch names the function unqualified
    HWY_DYNAMIC_DISPATCH(mergePolygonRows)
    (layers, grid, rowFirst, rowLast, firstRow, lastRow, plane);
}

uint64_t tileMaskVector(const int16_t* first, const int16_t* last, int x0) {
    using namespace tilerows;
    return HWY_DYNAMIC_DISPATCH(tileMaskOne)(first, last, x0);
}

void mergeWholeVector(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    using namespace tilerows;
    HWY_DYNAMIC_DISPATCH(mergeWholeOne)(layers, first, count, ramp);
}

#endif  // HWY_ONCE
