#include "occlusion/snappedpolygon.h"

#include <array>

namespace snapped {

namespace {

// The vertex after k of a polygon of n (without a division, which a remainder would take).
std::size_t after(std::size_t k, std::size_t n) { return k + 1 == n ? 0 : k + 1; }

// Whether c lies left of the line from a to b (counter-clockwise).
bool turnsLeft(const WindowVertex& a, const WindowVertex& b, const WindowVertex& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) > 0;
}

}  // namespace

bool isConvex(const WindowVertex* polygon, std::size_t n) {
    int changes = 0, first = 0, last = 0;  // of the edges' vertical direction, and its ends
    for (std::size_t k = 0; k < n; ++k) {
        const WindowVertex& a = polygon[k];
        const WindowVertex& b = polygon[after(k, n)];
        const WindowVertex& c = polygon[after(after(k, n), n)];
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

int64_t twiceArea(const WindowVertex* polygon, std::size_t n) {
    int64_t area = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const WindowVertex& a = polygon[k];
        const WindowVertex& b = polygon[after(k, n)];
        area += a.x * b.y - b.x * a.y;
    }
    return area;
}

// Andrew's monotone chain.
std::size_t convexHull(const WindowVertex* points, std::size_t n, WindowVertex* hull) {
    // The points in order of x, then y, by index (insertion sort: there are few).
    std::array<uint8_t, OcclusionBuffer::kMaxSolidCorners> order;
    const auto before = [points](uint8_t a, uint8_t b) {
        return points[a].x < points[b].x ||
               (points[a].x == points[b].x && points[a].y < points[b].y);
    };
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t j = k;
        for (; j > 0 && before(static_cast<uint8_t>(k), order[j - 1]); --j) order[j] = order[j - 1];
        order[j] = static_cast<uint8_t>(k);
    }
    std::size_t size = 0;
    // The lower chain left to right, then the upper one back.
    for (std::size_t k = 0; k < n; ++k) {
        const WindowVertex& p = points[order[k]];
        while (size >= 2 && !turnsLeft(hull[size - 2], hull[size - 1], p)) --size;
        hull[size++] = p;
    }
    const std::size_t lower = size + 1;
    for (std::size_t k = n; k-- > 1;) {
        const WindowVertex& p = points[order[k - 1]];
        while (size >= lower && !turnsLeft(hull[size - 2], hull[size - 1], p)) --size;
        hull[size++] = p;
    }
    return size > 1 ? size - 1 : size;  // the first point comes round again last
}

}  // namespace snapped
