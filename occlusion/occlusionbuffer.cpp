#include "occlusion/occlusionbuffer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "occlusion/polygonclip.h"
#include "occlusion/tilelayers.h"
#include "occlusion/tilemask.h"
#include "occlusion/tilerows.h"

namespace {

constexpr int64_t kSubpixels = 256;  // fixed-point steps per pixel
constexpr float kFar = 1.0f;
// How far beyond the window, in window sizes, a clipped polygon may reach: the clip guard band
// of 4 reaches 1.5 window sizes, and a little more is allowed for rounding.
constexpr double kGuardReach = (static_cast<double>(kClipGuardBand) - 1.0) / 2.0 + 0.5;
// How far a vertex's depth may stray from the polygon's plane before the plane is distrusted.
constexpr double kPlaneTolerance = 1e-6;
// Room for rounding a depth to float, and for the double arithmetic before.
constexpr double kDepthRounding = 1.0 / (1 << 20);

// Floor and ceiling of a / b for b > 0, exactly.
int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
int64_t ceilDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}
// floorDiv for |a| and b below 2^53, by a division in double, which pipelines where a 64-bit
// integer division does not: the quotient rounded to nearest truncates to the floor or one
// above it (both are exact in double), and the product tells which.
int64_t floorDivBelow53(int64_t a, int64_t b) {
    const auto q = static_cast<int64_t>(static_cast<double>(a) / static_cast<double>(b));
    return q - (q * b > a ? 1 : 0);
}

// The vertex after k of a polygon of n (without a division, which a remainder would take).
std::size_t after(std::size_t k, std::size_t n) { return k + 1 == n ? 0 : k + 1; }

// std::llround for |v| < 2^52, where v minus its integer part is exact, inline rather than a
// call into the maths library: the nearest integer, halves away from zero.
int64_t roundToInteger(double v) {
    const int64_t whole = static_cast<int64_t>(v);  // towards zero
    const double part = v - static_cast<double>(whole);
    return whole + (part >= 0.5 ? 1 : 0) - (part <= -0.5 ? 1 : 0);
}

int clampToInt(int64_t v, int low, int high) {
    return static_cast<int>(std::min<int64_t>(high, std::max<int64_t>(low, v)));
}

// Whether a polygon's snapped vertices make a convex polygon: it turns left at every corner (or
// runs straight on) and goes up and down once, so it winds once.
bool isConvex(const std::vector<OcclusionBuffer::WindowVertex>& polygon) {
    const std::size_t n = polygon.size();
    int changes = 0, first = 0, last = 0;  // of the edges' vertical direction, and its ends
    for (std::size_t k = 0; k < n; ++k) {
        const OcclusionBuffer::WindowVertex& a = polygon[k];
        const OcclusionBuffer::WindowVertex& b = polygon[after(k, n)];
        const OcclusionBuffer::WindowVertex& c = polygon[after(after(k, n), n)];
        const int64_t ux = b.x - a.x, uy = b.y - a.y, vx = c.x - b.x, vy = c.y - b.y;
        const int64_t cross = ux * vy - uy * vx;
        if (cross < 0 || (cross == 0 && ux * vx + uy * vy < 0)) return false;
        const int direction = uy > 0 ? 1 : uy < 0 ? -1 : 0;
        if (direction == 0) continue;
        if (last != 0 && direction != last) ++changes;
        if (first == 0) first = direction;
        last = direction;
    }
    if (first != last) ++changes;
    return changes <= 2;
}

// Whether a polygon wholly beyond the eye plane (every w > 0) faces away from the eye or is seen
// edge-on, told before any clipping: the determinants of the (x, y, w) rows of its fan
// triangles are its window triangles' signed areas times positive factors.
bool facesAway(const Vector4D* clip, int count) {
    for (int k = 0; k < count; ++k) {
        if (!(clip[k].w > 0.0f)) return false;
    }
    const auto row = [clip](int k) {
        return std::array<double, 3>{static_cast<double>(clip[k].x), static_cast<double>(clip[k].y),
                                     static_cast<double>(clip[k].w)};
    };
    const std::array<double, 3> a = row(0);
    double sum = 0.0;
    for (int k = 1; k + 1 < count; ++k) {
        const std::array<double, 3> b = row(k), c = row(k + 1);
        sum += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
               a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
    return !(sum > 0.0) && std::isfinite(sum);
}

// Of the eight far depths from `far` on, those not below `limit` (bit k for far[k]): the tiles
// whose far layer alone does not settle a query.
unsigned unsettledTiles(const float* far, float limit) {
#if defined(__SSE2__)
    const __m128 below = _mm_set1_ps(limit);
    const int low = _mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(far), below));
    const int high = _mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(far + 4), below));
    return ~static_cast<unsigned>(low | high << 4) & 0xFFu;
#else
    unsigned unsettled = 0;
    for (int k = 0; k < 8; ++k) unsettled |= far[k] < limit ? 0u : 1u << k;
    return unsettled;
#endif
}

// Of the tile in row ty of tiles (column tx), the bits of its rows (columns) within the window's
// rows y0 to y1 (columns x0 to x1): the tile's share of a rectangle is both masks' common bits.
constexpr int kTileSide = OcclusionBuffer::kTile;
uint64_t rowsOfTile(int ty, int y0, int y1) {
    return rowBits(std::max(y0 - ty * kTileSide, 0),
                   std::min(y1 - ty * kTileSide, kTileSide - 1));
}
uint64_t columnsOfTile(int tx, int x0, int x1) {
    return columnBits(std::max(x0 - tx * kTileSide, 0),
                      std::min(x1 - tx * kTileSide, kTileSide - 1));
}

}  // namespace

void OcclusionBuffer::resize(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (width != width_ || height != height_) {
        width_ = width;
        height_ = height;
        const bool held = width <= kMaxSide && height <= kMaxSide;
        tilesX_ = held ? (width + kTile - 1) / kTile : 0;
        tilesY_ = held ? (height + kTile - 1) / kTile : 0;
        layers_.assign(tilesX_, tilesY_);
        blocksX_ = (tilesX_ + kBlock - 1) / kBlock;
        blocksY_ = (tilesY_ + kBlock - 1) / kBlock;
        const std::size_t blocks =
            static_cast<std::size_t>(blocksX_) * static_cast<std::size_t>(blocksY_);
        blockFarthest_.assign(blocks, kFar);
        blockWhole_.assign(blocks, 0);
        // The bits of the last column's and the last row's tiles beyond the window's edge.
        const int columns = width - (tilesX_ - 1) * kTile, rows = height - (tilesY_ - 1) * kTile;
        beyondRight_ = tilesX_ > 0 && columns < kTile ? ~columnBits(0, columns - 1) : 0;
        beyondTop_ = tilesY_ > 0 && rows < kTile ? ~rowBits(0, rows - 1) : 0;
        // Room past the last row for the edge walk's last group of rows.
        const std::size_t spanRows = static_cast<std::size_t>(tilesY_) * kTile + kRowsPast;
        rowFirst_.assign(spanRows, 0);
        rowLast_.assign(spanRows, -1);
    }
    clear();
}

void OcclusionBuffer::release() { *this = OcclusionBuffer(); }

void OcclusionBuffer::clear() {
    layers_.reset();
    blocksCurrent_ = false;
}

void OcclusionBuffer::findBlockFarthest() {
    for (int by = 0; by < blocksY_; ++by) {
        const int rows = std::min(kBlock, tilesY_ - by * kBlock);
        for (int bx = 0; bx < blocksX_; ++bx) {
            const float* far = layers_.farDepth.data() +
                               static_cast<std::size_t>(by * kBlock) * tilesX_ + bx * kBlock;
            const int columns = std::min(kBlock, tilesX_ - bx * kBlock);
            const std::size_t b = static_cast<std::size_t>(by * blocksX_ + bx);
            float farthest = 0.0f;
            uint64_t whole = 0;
#if defined(__SSE2__)
            if (columns == kBlock) {
                const __m128 farValue = _mm_set1_ps(kFar);
                __m128 m = _mm_setzero_ps();
                for (int r = 0; r < rows; ++r, far += tilesX_) {
                    const __m128 low = _mm_loadu_ps(far), high = _mm_loadu_ps(far + 4);
                    m = _mm_max_ps(m, _mm_max_ps(low, high));
                    const int covered = _mm_movemask_ps(_mm_cmplt_ps(low, farValue)) |
                                        _mm_movemask_ps(_mm_cmplt_ps(high, farValue)) << 4;
                    whole |= static_cast<uint64_t>(covered) << (r * kBlock);
                }
                m = _mm_max_ps(m, _mm_movehl_ps(m, m));
                m = _mm_max_ss(m, _mm_shuffle_ps(m, m, 1));
                blockFarthest_[b] = _mm_cvtss_f32(m);
                blockWhole_[b] = whole;
                continue;
            }
#endif
            for (int r = 0; r < rows; ++r, far += tilesX_) {
                for (int c = 0; c < columns; ++c) {
                    farthest = std::max(farthest, far[c]);
                    if (far[c] < kFar) whole |= uint64_t{1} << (r * kBlock + c);
                }
            }
            blockFarthest_[b] = farthest;
            blockWhole_[b] = whole;
        }
    }
    blocksCurrent_ = true;
}

bool OcclusionBuffer::coversInBlock(int bx, int by, int x0, int x1, int y0, int y1) const {
    const int bx0 = bx * kBlock, by0 = by * kBlock;
    const int lane0 = std::max(x0 / kTile, bx0) - bx0;
    const int lane1 = std::min(x1 / kTile, bx0 + kBlock - 1) - bx0;
    const int row0 = std::max(y0 / kTile, by0) - by0;
    const int row1 = std::min(y1 / kTile, by0 + kBlock - 1) - by0;
    // The block's tiles in the rectangle, laid out as a tile's pixels are (a byte per row of
    // tiles here): the lanes' bits of the rows' bytes.
    const uint64_t rectTiles = rowBits(lane0, lane1) & columnBits(row0, row1);
    for (uint64_t open = rectTiles & ~blockWhole_[static_cast<std::size_t>(by * blocksX_ + bx)];
         open != 0; open &= open - 1) {
        const int bit = lowestBit(open);
        const int tx = bx0 + bit % kBlock, ty = by0 + bit / kBlock;
        const uint64_t pixels = rowsOfTile(ty, y0, y1) & columnsOfTile(tx, x0, x1);
        if ((pixels & ~tile(tx, ty).nearMask) != 0) return false;
    }
    return true;
}

void OcclusionBuffer::drawPolygon(const Vector4D* clip, int count) {
    if (tilesX_ == 0 || tilesY_ == 0) return;
    blocksCurrent_ = false;
    if (windowPolygon(clip, count, window_)) rasterise(window_);
}

bool OcclusionBuffer::windowPolygon(const Vector4D* clip, int count,
                                    std::vector<WindowVertex>& polygon) {
    polygon.clear();
    if (count < 3 || width_ == 0 || height_ == 0) return false;
    if (facesAway(clip, count)) return false;
    clipPolygon(clip, count, clipped_, scratch_);
    if (clipped_.empty()) return false;
    // Written in place rather than appended: the loop then keeps its pointer in a register.
    polygon.resize(clipped_.size());
    WindowVertex* out = polygon.data();
    for (const Vector4D& v : clipped_) {
        if (!(v.w > 0.0f)) {
            polygon.clear();
            return false;
        }
        const double w = static_cast<double>(v.w);
        const double x = (static_cast<double>(v.x) / w + 1.0) * width_ * 0.5;
        const double y = (static_cast<double>(v.y) / w + 1.0) * height_ * 0.5;
        const double z = (static_cast<double>(v.z) / w + 1.0) * 0.5;
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
            polygon.clear();
            return false;
        }
        // Clipping keeps x / w and y / w within the guard band and z / w within [-1, 1]; rounding
        // of a vertex with a tiny w can step past, so the bounds are enforced here, which also
        // keeps the edge arithmetic within 64 bits.
        const double reachX = kGuardReach * width_, reachY = kGuardReach * height_;
        const double cx = std::clamp(x, -reachX, width_ + reachX);
        const double cy = std::clamp(y, -reachY, height_ + reachY);
        const double cz = std::clamp(z, 0.0, 1.0);
        *out++ = {roundToInteger(cx * kSubpixels), roundToInteger(cy * kSubpixels), cx, cy, cz};
    }
    // Twice the signed area: positive for a counter-clockwise (front-facing) polygon.
    int64_t area = 0;
    for (std::size_t k = 0; k < polygon.size(); ++k) {
        const WindowVertex& a = polygon[k];
        const WindowVertex& b = polygon[after(k, polygon.size())];
        area += a.x * b.y - b.x * a.y;
    }
    return area > 0;
}

void OcclusionBuffer::rasterise(const std::vector<WindowVertex>& polygon) {
    const std::size_t n = polygon.size();
    // The depth plane from the polygon's largest fan triangle, in unsnapped pixels.
    const WindowVertex& a = polygon[0];
    double bestArea = 0.0, dzdx = 0.0, dzdy = 0.0;
    for (std::size_t k = 1; k + 1 < n; ++k) {
        const WindowVertex& b = polygon[k];
        const WindowVertex& c = polygon[k + 1];
        const double e1x = b.exactX - a.exactX, e1y = b.exactY - a.exactY;
        const double e2x = c.exactX - a.exactX, e2y = c.exactY - a.exactY;
        const double det = e1x * e2y - e2x * e1y;
        if (std::fabs(det) <= bestArea) continue;
        bestArea = std::fabs(det);
        const double dz1 = b.z - a.z, dz2 = c.z - a.z;
        dzdx = (dz1 * e2y - dz2 * e1y) / det;
        dzdy = (e1x * dz2 - e2x * dz1) / det;
    }
    // A polygon whose exact vertices leave no reliable plane (a sliver seen edge-on, or one
    // not quite flat) may still cover pixels once snapped: it takes its farthest vertex's depth
    // everywhere.
    double baseZ = a.z;
    bool planar = bestArea > 0.0 && std::isfinite(dzdx) && std::isfinite(dzdy);
    for (const WindowVertex& v : polygon) {
        const double onPlane = a.z + dzdx * (v.exactX - a.exactX) + dzdy * (v.exactY - a.exactY);
        planar = planar && std::fabs(onPlane - v.z) <= kPlaneTolerance;
    }
    double farthestVertex = a.z, nearestVertex = a.z;
    for (const WindowVertex& v : polygon) {
        farthestVertex = std::max(farthestVertex, v.z),
        nearestVertex = std::min(nearestVertex, v.z);
    }
    if (!planar) {
        dzdx = dzdy = 0.0;
        baseZ = farthestVertex;
    }
    // A covered pixel centre may lie up to a snapping step outside the exact polygon: depths
    // are pushed back by what that could cost (and by kDepthRounding for the rounding).
    const double slack = (std::fabs(dzdx) + std::fabs(dzdy)) / kSubpixels;

    // Rows whose centres lie within the polygon's height.
    int64_t minY = polygon[0].y, maxY = polygon[0].y;
    for (const WindowVertex& v : polygon) minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
    const int firstRow = clampToInt(ceilDiv(minY - kSubpixels / 2, kSubpixels), 0, height_);
    const int lastRow = clampToInt(floorDiv(maxY - kSubpixels / 2, kSubpixels), -1, height_ - 1);
    if (firstRow > lastRow) return;

    // A tile keeps the plane's farthest over its pixel centres as heldDepth
    // (occlusion/tilelayers.h): never beyond the farthest vertex by more than a snapping step,
    // pushed back.
    TilePlane plane;
    plane.originZ = baseZ + dzdx * (0.5 - a.exactX) + dzdy * (0.5 - a.exactY);
    plane.dzdx = dzdx, plane.dzdy = dzdy;
    plane.cap = farthestVertex + slack, plane.pad = slack + kDepthRounding;
    // A tile the polygon reaches holds a pixel centre within a snapping step of the polygon,
    // where the plane is no nearer than the nearest vertex: no tile keeps a depth nearer than
    // this.
    const float nearest = heldDepth(nearestVertex - slack, plane.cap, plane.pad);

    // A polygon whose pixels, all within its columns' and rows' extremes, already hold depths
    // in front of any it could leave would change no pixel but to push it back: it is passed
    // over.
    int64_t minX = polygon[0].x, maxX = polygon[0].x;
    for (const WindowVertex& v : polygon) minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
    const int firstColumn = clampToInt(ceilDiv(minX - kSubpixels / 2, kSubpixels), 0, width_);
    const int lastColumn = clampToInt(floorDiv(maxX - kSubpixels / 2, kSubpixels), -1, width_ - 1);
    if (hides(firstColumn, lastColumn, firstRow, lastRow, nearest)) return;

    // Each edge's bound on the span, stepped row by row without division: the edge function at
    // the centre of column px is s * px + t, inside where positive, and where zero on a left
    // edge (going down, s > 0) or a top edge (horizontal, going left). A left edge bounds the
    // span from below by ceil(-t / s), a right edge from above by ceil(t / -s) - 1; from one row
    // to the next t grows by 256 dx, so the quotient steps by a fixed amount plus a carry.
    //
    // The span is where every edge's bound holds. In a convex polygon an edge can narrow only
    // the rows whose centres lie within its own height (elsewhere its line meets the row outside
    // the polygon), so each edge is stepped only over those, and a row meets two edges, or three
    // or four at a vertex; the snapping may leave a polygon a hair from convex, and then every
    // edge bounds every row.
    const bool convex = isConvex(polygon);
    leftEdges_.clear(), rightEdges_.clear(), flatEdges_.clear();
    for (std::size_t k = 0; k < n; ++k) {
        const WindowVertex& p = polygon[k];
        const WindowVertex& q = polygon[after(k, n)];
        const int64_t dx = q.x - p.x, dy = q.y - p.y;
        if (dx == 0 && dy == 0) continue;
        int first = firstRow, last = lastRow;
        if (convex) {
            const int64_t low = std::min(p.y, q.y), high = std::max(p.y, q.y);
            first =
                std::max(first, clampToInt(ceilDiv(low - kSubpixels / 2, kSubpixels), -1, height_));
            last = std::min(last,
                            clampToInt(floorDiv(high - kSubpixels / 2, kSubpixels), -1, height_));
            if (first > last) continue;
        }
        const int64_t centreY = first * kSubpixels + kSubpixels / 2;
        const int64_t t = dx * (centreY - p.y) + dy * (p.x - kSubpixels / 2);
        const int64_t rowStep = kSubpixels * dx;
        if (dy == 0) {
            flatEdges_.push_back({first, last, dx < 0, t, rowStep});
            continue;
        }
        // Left (dy < 0): the bound is ceil(N / S) with N = -t, stepping by -rowStep; right:
        // ceil(M / S) with M = t, stepping by +rowStep. Kept as N = q S - r with 0 <= r < S.
        EdgeStep e;
        e.firstRow = first, e.lastRow = last;
        e.divisor = kSubpixels * (dy < 0 ? -dy : dy);
        const int64_t numerator = dy < 0 ? -t : t;
        const int64_t step = dy < 0 ? -rowStep : rowStep;
        // Within the guard band every term is below 2^50.
        e.value = -floorDivBelow53(-numerator, e.divisor);
        e.rest = e.value * e.divisor - numerator;
        e.quotientStep = floorDivBelow53(step, e.divisor);
        e.carryStep = step - e.quotientStep * e.divisor;
        (dy < 0 ? leftEdges_ : rightEdges_).push_back(e);
    }

    // The span of every row, edge after edge, held within [0, width] and [-1, width - 1]; rows
    // of the first and last tile rows beyond the polygon have none.
    const int spanRows0 = firstRow / kTile * kTile, spanRows1 = lastRow / kTile * kTile + kTile - 1;
    std::fill(rowFirst_.begin() + spanRows0, rowFirst_.begin() + spanRows1 + 1, int16_t{0});
    std::fill(rowLast_.begin() + spanRows0, rowLast_.begin() + firstRow, int16_t{-1});
    std::fill(rowLast_.begin() + firstRow, rowLast_.begin() + lastRow + 1,
              static_cast<int16_t>(width_ - 1));
    std::fill(rowLast_.begin() + lastRow + 1, rowLast_.begin() + spanRows1 + 1, int16_t{-1});
    raiseFirstColumns(leftEdges_.data(), leftEdges_.size(), rowFirst_.data(), width_);
    lowerLastColumns(rightEdges_.data(), rightEdges_.size(), rowLast_.data());
    for (FlatEdge& e : flatEdges_) {
        for (int py = e.firstRow; py <= e.lastRow; ++py, e.value += e.step) {
            if (!(e.value > 0 || (e.inclusive && e.value == 0))) {
                rowLast_[static_cast<std::size_t>(py)] = -1;
            }
        }
    }

    const TileGrid grid{width_, tilesX_, tilesY_, beyondRight_, beyondTop_};
    mergePolygonRows(layers_, grid, rowFirst_.data(), rowLast_.data(), firstRow, lastRow, plane);
}

bool OcclusionBuffer::hides(int x0, int x1, int y0, int y1, float depth) const {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, width_ - 1), y1 = std::min(y1, height_ - 1);
    if (x0 > x1 || y0 > y1) return true;
    if (tilesX_ == 0 || tilesY_ == 0) return false;
    const int tx0 = x0 / kTile, tx1 = x1 / kTile;
    const float settles = std::min(depth, kFar);  // a NaN depth stays one: no tile settles
    for (int ty = y0 / kTile; ty <= y1 / kTile; ++ty) {
        const uint64_t rows = rowsOfTile(ty, y0, y1);
        // Eight tiles at a time; only those whose far layer does not settle it are looked into.
        for (int first = tx0; first <= tx1; first += 8) {
            const std::size_t row = static_cast<std::size_t>(ty) * tilesX_ + first;
            unsigned unsettled = unsettledTiles(layers_.farDepth.data() + row, settles) &
                                 ((2u << std::min(tx1 - first, 7)) - 1);
            for (; unsettled != 0; unsettled &= unsettled - 1) {
                const int tx = first + lowestBit(unsettled);
                const Tile t = tile(tx, ty);
                const uint64_t pixels = rows & columnsOfTile(tx, x0, x1);
                if ((pixels & ~t.nearMask) != 0 || !(t.nearDepth < depth)) return false;
            }
        }
    }
    return true;
}

bool OcclusionBuffer::hidesOutline(const OutlineRows& outline, float depth) const {
    const int firstRow = std::max(outline.firstRow(), 0);
    const int lastRow = std::min(outline.lastRow(), height_ - 1);
    const int firstColumn = std::max(outline.firstColumn(), 0);
    const int lastColumn = std::min(outline.lastColumn(), width_ - 1);
    if (firstRow > lastRow || firstColumn > lastColumn) return true;
    if (tilesX_ == 0 || tilesY_ == 0) return false;
    for (int ty = firstRow / kTile; ty <= lastRow / kTile; ++ty) {
        // Where the far layers alone hide every tile the outline's columns meet, so are its
        // pixels of this row of tiles, whatever its spans: most rows of an object well behind
        // an occluder.
        const float* far = layers_.farDepth.data() + static_cast<std::size_t>(ty) * tilesX_;
        bool settled = true;
        for (int tx = firstColumn / kTile; tx <= lastColumn / kTile && settled; ++tx) {
            settled = far[tx] < depth && far[tx] < kFar;
        }
        if (settled) continue;
        int16_t first[kTile], last[kTile];
        static_assert(OutlineRows::kRows == kTile, "the outline's spans are a tile's rows");
        outline.spans(ty * kTile, width_, first, last);
        for (int r = lastRow - ty * kTile + 1; r < kTile; ++r) first[r] = 0, last[r] = -1;
        const SpanExtent extent = spanExtent(first, last, width_);
        if (extent.reachFirst > extent.reachLast) continue;
        for (int tx = extent.reachFirst / kTile; tx <= extent.reachLast / kTile; ++tx) {
            const Tile t = tile(tx, ty);
            if (t.farDepth < depth && t.farDepth < kFar) continue;
            const uint64_t pixels = tileMaskVector(first, last, tx * kTile);
            if ((pixels & ~t.nearMask) != 0 || (pixels != 0 && !(t.nearDepth < depth))) {
                return false;
            }
        }
    }
    return true;
}

OcclusionBuffer::RectAnswer OcclusionBuffer::testRect(int x0, int x1, int y0, int y1, float depth) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, width_ - 1), y1 = std::min(y1, height_ - 1);
    if (x0 > x1 || y0 > y1) return {true, true};
    if (tilesX_ == 0 || tilesY_ == 0) return {false, false};
    if (!blocksCurrent_) findBlockFarthest();
    const int tx0 = x0 / kTile, tx1 = x1 / kTile, ty0 = y0 / kTile, ty1 = y1 / kTile;
    // A rectangle reaching past an occluder's outline most often does so at a corner: the four
    // corner pixels first, all four looked up before the one branch on them (which of them is
    // uncovered varies from object to object, and a branch on each would often be mispredicted).
    bool open = false;
    for (const auto& [x, y] : {std::pair{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}}) {
        const std::size_t i = static_cast<std::size_t>(y / kTile) * tilesX_ + x / kTile;
        const bool near = (layers_.nearMask[i] >> ((x % kTile) * kTile + y % kTile)) & 1u;
        open |= !near & !(layers_.farDepth[i] < kFar);
    }
    if (open) return {false, false};
    const float settles = std::min(depth, kFar);  // a NaN depth stays one: no tile settles
    for (int by = ty0 / kBlock; by <= ty1 / kBlock; ++by) {
        for (int bx = tx0 / kBlock; bx <= tx1 / kBlock; ++bx) {
            // The block's farthest covered and in front settles both answers for its tiles.
            const float blockFar = blockFarthest_[static_cast<std::size_t>(by * blocksX_ + bx)];
            if (blockFar < settles) continue;
            // The block's tiles in the rectangle: its rows ty to tyEnd, and its lanes (tiles
            // from the block's first column on) of the rectangle's columns.
            const int bx0 = bx * kBlock;
            const int lane0 = std::max(tx0, bx0) - bx0,
                      lane1 = std::min(tx1, bx0 + kBlock - 1) - bx0;
            const unsigned lanes = (2u << lane1) - (1u << lane0);
            const int tyEnd = std::min(ty1, by * kBlock + kBlock - 1);
            for (int ty = std::max(ty0, by * kBlock); ty <= tyEnd; ++ty) {
                const std::size_t row = static_cast<std::size_t>(ty) * tilesX_ + bx0;
                // The far layer covered and in front: both answers stand for its pixels.
                unsigned unsettled = unsettledTiles(layers_.farDepth.data() + row, settles) & lanes;
                if (unsettled == 0) continue;
                const uint64_t rows = rowsOfTile(ty, y0, y1);
                for (; unsettled != 0; unsettled &= unsettled - 1) {
                    const int tx = bx0 + lowestBit(unsettled);
                    const Tile t = tile(tx, ty);
                    const uint64_t pixels = rows & columnsOfTile(tx, x0, x1);
                    const bool allNear = (pixels & ~t.nearMask) == 0;
                    if (!(t.farDepth < kFar) && !allNear) return {false, false};
                    // A pixel not in front: coverage is all that is left to settle, over the
                    // blocks from this one on (those before are covered).
                    if (!allNear || !(t.nearDepth < depth)) {
                        return {coversFrom(bx, by, x0, x1, y0, y1), false};
                    }
                }
            }
        }
    }
    return {true, true};
}

bool OcclusionBuffer::coversFrom(int bx, int by, int x0, int x1, int y0, int y1) const {
    const int firstColumn = x0 / kTile / kBlock;
    const int lastColumn = x1 / kTile / kBlock, lastRow = y1 / kTile / kBlock;
    for (; by <= lastRow; ++by, bx = firstColumn) {
        for (; bx <= lastColumn; ++bx) {
            if (!coversInBlock(bx, by, x0, x1, y0, y1)) return false;
        }
    }
    return true;
}
