#include "occlusion/occlusionbuffer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "occlusion/polygonclip.h"
#include "occlusion/spanfill.h"

namespace {

constexpr int kTilePixels = OcclusionBuffer::kTile * OcclusionBuffer::kTile;
constexpr int64_t kSubpixels = 256;  // fixed-point steps per pixel
constexpr float kFar = 1.0f;
// How far beyond the window, in window sizes, a clipped polygon may reach: the clip guard band
// of 4 reaches 1.5 window sizes, and a little more is allowed for rounding.
constexpr double kGuardReach = (static_cast<double>(kClipGuardBand) - 1.0) / 2.0 + 0.5;
// How far a vertex's depth may stray from the polygon's plane before the plane is distrusted.
constexpr double kPlaneTolerance = 1e-6;
// Room for float rounding of depths near 1 along a row of a few thousand pixels.
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

int clampToInt(int64_t v, int low, int high) {
    return static_cast<int>(std::min<int64_t>(high, std::max<int64_t>(low, v)));
}

// Which pixels of a tile row (bit c for column c) are covered, and which lie in front of depth.
struct RowBits {
    unsigned covered, inFront;
};
RowBits rowBits(const float* row, float depth) {
#if defined(__SSE2__)
    const __m128 far = _mm_set1_ps(kFar), limit = _mm_set1_ps(depth);
    const __m128 left = _mm_loadu_ps(row), right = _mm_loadu_ps(row + 4);
    return {static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(left, far)) |
                                  (_mm_movemask_ps(_mm_cmplt_ps(right, far)) << 4)),
            static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(left, limit)) |
                                  (_mm_movemask_ps(_mm_cmplt_ps(right, limit)) << 4))};
#else
    RowBits bits{0, 0};
    for (int c = 0; c < OcclusionBuffer::kTile; ++c) {
        bits.covered |= row[c] < kFar ? 1u << c : 0u;
        bits.inFront |= row[c] < depth ? 1u << c : 0u;
    }
    return bits;
#endif
}

}  // namespace

void OcclusionBuffer::resize(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (width != width_ || height != height_) {
        width_ = width;
        height_ = height;
        tilesX_ = (width + kTile - 1) / kTile;
        tilesY_ = (height + kTile - 1) / kTile;
        const std::size_t tiles =
            static_cast<std::size_t>(tilesX_) * static_cast<std::size_t>(tilesY_);
        depths_.assign(tiles * kTilePixels, kFar);
        drawnFrame_.assign(tiles, 0);
        farthestFrame_.assign(tiles, 0);
        farthest_.assign(tiles, kFar);
        frame_ = 0;
    }
    clear();
}

void OcclusionBuffer::release() { *this = OcclusionBuffer(); }

void OcclusionBuffer::clear() {
    if (++frame_ == 0) {
        // After 2^32 frames the stamps start again.
        std::fill(drawnFrame_.begin(), drawnFrame_.end(), 0u);
        std::fill(farthestFrame_.begin(), farthestFrame_.end(), 0u);
        frame_ = 1;
    }
}

float* OcclusionBuffer::tileFor(int tx, int ty) {
    const std::size_t tile = static_cast<std::size_t>(ty) * static_cast<std::size_t>(tilesX_) +
                             static_cast<std::size_t>(tx);
    float* depths = depths_.data() + tile * kTilePixels;
    if (drawnFrame_[tile] != frame_) {
        drawnFrame_[tile] = frame_;
        // Pixels beyond the window's edge are never drawn or asked for; holding 0 there keeps
        // them out of the tile's farthest depth.
        const int columns = std::min(kTile, width_ - tx * kTile);
        const int rows = std::min(kTile, height_ - ty * kTile);
        if (columns == kTile && rows == kTile) {
            std::fill(depths, depths + kTilePixels, kFar);
        } else {
            for (int r = 0; r < kTile; ++r) {
                for (int c = 0; c < kTile; ++c) {
                    depths[r * kTile + c] = (r < rows && c < columns) ? kFar : 0.0f;
                }
            }
        }
    }
    return depths;
}

float OcclusionBuffer::tileFarthest(int tile) {
    if (drawnFrame_[static_cast<std::size_t>(tile)] != frame_) return kFar;
    if (farthestFrame_[static_cast<std::size_t>(tile)] != frame_) {
        farthestFrame_[static_cast<std::size_t>(tile)] = frame_;
        farthest_[static_cast<std::size_t>(tile)] =
            farthest(depths_.data() + static_cast<std::size_t>(tile) * kTilePixels, kTilePixels);
    }
    return farthest_[static_cast<std::size_t>(tile)];
}

const float* OcclusionBuffer::tileDepths(int tx, int ty) const {
    const std::size_t tile = static_cast<std::size_t>(ty) * static_cast<std::size_t>(tilesX_) +
                             static_cast<std::size_t>(tx);
    return drawnFrame_[tile] == frame_ ? depths_.data() + tile * kTilePixels : nullptr;
}

float OcclusionBuffer::depthAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return kFar;
    const std::size_t tile =
        static_cast<std::size_t>(y / kTile) * static_cast<std::size_t>(tilesX_) +
        static_cast<std::size_t>(x / kTile);
    if (drawnFrame_[tile] != frame_) return kFar;
    return depths_[tile * kTilePixels + static_cast<std::size_t>((y % kTile) * kTile + x % kTile)];
}

void OcclusionBuffer::drawPolygon(const Vector4D* clip, int count) {
    if (windowPolygon(clip, count, window_)) rasterise(window_);
}

bool OcclusionBuffer::windowPolygon(const Vector4D* clip, int count,
                                    std::vector<WindowVertex>& polygon) {
    polygon.clear();
    if (count < 3 || width_ == 0 || height_ == 0) return false;
    clipPolygon(clip, count, clipped_, scratch_);
    if (clipped_.empty()) return false;
    for (const Vector4D& v : clipped_) {
        if (!(v.w > 0.0f)) return false;
        const double w = static_cast<double>(v.w);
        const double x = (static_cast<double>(v.x) / w + 1.0) * width_ * 0.5;
        const double y = (static_cast<double>(v.y) / w + 1.0) * height_ * 0.5;
        const double z = (static_cast<double>(v.z) / w + 1.0) * 0.5;
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return false;
        // Clipping keeps x / w and y / w within the guard band and z / w within [-1, 1]; rounding
        // of a vertex with a tiny w can step past, so the bounds are enforced here, which also
        // keeps the edge arithmetic within 64 bits.
        const double reachX = kGuardReach * width_, reachY = kGuardReach * height_;
        const double cx = std::clamp(x, -reachX, width_ + reachX);
        const double cy = std::clamp(y, -reachY, height_ + reachY);
        const double cz = std::clamp(z, 0.0, 1.0);
        polygon.push_back(
            {std::llround(cx * kSubpixels), std::llround(cy * kSubpixels), cx, cy, cz});
    }
    // Twice the signed area: positive for a counter-clockwise (front-facing) polygon.
    int64_t area = 0;
    for (std::size_t k = 0; k < polygon.size(); ++k) {
        const WindowVertex& a = polygon[k];
        const WindowVertex& b = polygon[(k + 1) % polygon.size()];
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
    if (!planar) {
        dzdx = dzdy = 0.0;
        for (const WindowVertex& v : polygon) baseZ = std::max(baseZ, v.z);
    }
    const double ax = a.exactX, ay = a.exactY;
    // A covered pixel centre may lie up to a snapping step outside the exact polygon, and the
    // float steps along a row round: the depths are pushed back by what that could cost.
    const double bias = (std::fabs(dzdx) + std::fabs(dzdy)) / kSubpixels + kDepthRounding;

    // Rows whose centres lie within the polygon's height.
    int64_t minY = polygon[0].y, maxY = polygon[0].y;
    for (const WindowVertex& v : polygon) minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
    const int firstRow = clampToInt(ceilDiv(minY - kSubpixels / 2, kSubpixels), 0, height_);
    const int lastRow = clampToInt(floorDiv(maxY - kSubpixels / 2, kSubpixels), -1, height_ - 1);

    // Each edge's bound on the span, stepped row by row without division: the edge function at
    // the centre of column px is s * px + t, inside where positive, and where zero on a left
    // edge (going down, s > 0) or a top edge (horizontal, going left). A left edge bounds the
    // span from below by ceil(-t / s), a right edge from above by ceil(t / -s) - 1; from one row
    // to the next t grows by 256 dx, so the quotient steps by a fixed amount plus a carry.
    edges_.clear();
    for (std::size_t k = 0; k < n; ++k) {
        const WindowVertex& p = polygon[k];
        const WindowVertex& q = polygon[(k + 1) % n];
        const int64_t dx = q.x - p.x, dy = q.y - p.y;
        if (dx == 0 && dy == 0) continue;
        EdgeStep e;
        const int64_t centreY = firstRow * kSubpixels + kSubpixels / 2;
        const int64_t t = dx * (centreY - p.y) + dy * (p.x - kSubpixels / 2);
        const int64_t rowStep = kSubpixels * dx;
        e.side = dy < 0 ? 1 : dy > 0 ? -1 : 0;
        if (e.side == 0) {
            e.value = t;
            e.carryStep = rowStep;
            e.inclusive = dx < 0;
        } else {
            // Left: the bound is ceil(N / S) with N = -t, stepping by -rowStep; right: ceil(M / S)
            // with M = t, stepping by +rowStep. Kept as N = q S - r with 0 <= r < S.
            e.divisor = kSubpixels * (dy < 0 ? -dy : dy);
            const int64_t numerator = e.side > 0 ? -t : t;
            const int64_t step = e.side > 0 ? -rowStep : rowStep;
            e.value = ceilDiv(numerator, e.divisor);
            e.rest = e.value * e.divisor - numerator;
            e.quotientStep = floorDiv(step, e.divisor);
            e.carryStep = step - e.quotientStep * e.divisor;
        }
        edges_.push_back(e);
    }

    for (int py = firstRow; py <= lastRow; ++py) {
        int64_t lo = 0, hi = width_ - 1;
        for (EdgeStep& e : edges_) {
            if (e.side > 0) {
                lo = std::max(lo, e.value);
            } else if (e.side < 0) {
                hi = std::min(hi, e.value - 1);
            } else if (!(e.value > 0 || (e.inclusive && e.value == 0))) {
                hi = lo - 1;
            }
            e.advance();
        }
        if (lo > hi) continue;
        const int first = static_cast<int>(lo), last = static_cast<int>(hi);
        const float zStart =
            static_cast<float>(baseZ + dzdx * (first + 0.5 - ax) + dzdy * (py + 0.5 - ay) + bias);
        const float dz = static_cast<float>(dzdx);
        const int ty = py / kTile, rowInTile = py % kTile;
        for (int tx = first / kTile; tx <= last / kTile; ++tx) {
            float* row = tileFor(tx, ty) + rowInTile * kTile;
            const int x0 = tx * kTile;
            if (x0 >= first && x0 + kTile - 1 <= last) {
                minIntoFullRow(row, x0, first, zStart, dz);
            } else {
                minIntoRow(row, x0, first, last, zStart, dz);
            }
        }
    }
}

OcclusionBuffer::RectAnswer OcclusionBuffer::testRect(int x0, int x1, int y0, int y1, float depth) {
    RectAnswer answer;
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, width_ - 1), y1 = std::min(y1, height_ - 1);
    for (int ty = y0 / kTile; y0 <= y1 && ty <= y1 / kTile; ++ty) {
        for (int tx = x0 / kTile; x0 <= x1 && tx <= x1 / kTile; ++tx) {
            const int tile = ty * tilesX_ + tx;
            const float tileDepth = tileFarthest(tile);
            // The whole tile covered and in front: both answers stand for its pixels.
            if (tileDepth < depth && tileDepth < kFar) continue;
            if (drawnFrame_[static_cast<std::size_t>(tile)] != frame_) return {false, false};
            const float* depths = depths_.data() + static_cast<std::size_t>(tile) * kTilePixels;
            const int c0 = std::max(x0, tx * kTile) - tx * kTile;
            const int c1 = std::min(x1, tx * kTile + kTile - 1) - tx * kTile;
            const int r0 = std::max(y0, ty * kTile) - ty * kTile;
            const int r1 = std::min(y1, ty * kTile + kTile - 1) - ty * kTile;
            const unsigned columns = ((2u << c1) - 1u) & ~((1u << c0) - 1u);
            for (int r = r0; r <= r1; ++r) {
                const RowBits bits = rowBits(depths + r * kTile, depth);
                if ((bits.covered & columns) != columns) return {false, false};
                if ((bits.inFront & columns) != columns) answer.hidden = false;
            }
        }
    }
    return answer;
}
