#include "occlusion/outline.h"

#include <algorithm>
#include <cmath>

namespace {

// Twice the signed area of the triangle (o, a, b): positive when it turns left.
double turn(const double* x, const double* y, int o, int a, int b) {
    return (x[a] - x[o]) * (y[b] - y[o]) - (y[a] - y[o]) * (x[b] - x[o]);
}

int clampRow(double row) { return static_cast<int>(std::clamp(row, -1.0, 65536.0)); }

}  // namespace

int convexHull(const double* x, const double* y, int count, double* hullX, double* hullY) {
    if (count <= 0 || count > OutlineRows::kMaxPoints) return 0;
    for (int k = 0; k < count; ++k) {
        if (!std::isfinite(x[k]) || !std::isfinite(y[k])) return 0;
    }
    // Andrew's monotone chain over the points sorted by x, then y: the lower chain left to
    // right, then the upper one back, each keeping only left turns.
    const int n = count;
    int order[OutlineRows::kMaxPoints];
    for (int k = 0; k < n; ++k) {  // insertion: the sets are small
        int at = k;
        for (; at > 0; --at) {
            const int before = order[at - 1];
            if (x[before] < x[k] || (x[before] == x[k] && y[before] <= y[k])) break;
            order[at] = before;
        }
        order[at] = k;
    }
    int chain[2 * OutlineRows::kMaxPoints];
    int size = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const int floor = size;  // the upper chain never pops the lower one's points
        for (int i = 0; i < n; ++i) {
            const int p = order[pass == 0 ? i : n - 1 - i];
            while (size >= floor + 2 && turn(x, y, chain[size - 2], chain[size - 1], p) <= 0.0) {
                --size;
            }
            chain[size++] = p;
        }
        --size;  // the chain's last point starts the next one
    }
    size = std::max(size, 1);
    // Only turns too large for double (beyond 1e150 or so) could fail to drop a point.
    if (size > n) return 0;
    for (int k = 0; k < size; ++k) hullX[k] = x[chain[k]], hullY[k] = y[chain[k]];
    return size;
}

bool OutlineRows::set(const double* x, const double* y, int count) {
    lefts_ = rights_ = 0;
    firstRow_ = 0, lastRow_ = -1;
    if (count <= 0 || count > kMaxPoints) return false;
    double area = 0.0, minY = y[0], maxY = y[0];
    for (int k = 0; k < count; ++k) {
        if (!std::isfinite(x[k]) || !std::isfinite(y[k])) return false;
        const int next = (k + 1) % count;
        area += x[k] * y[next] - x[next] * y[k];
        minY = std::min(minY, y[k]), maxY = std::max(maxY, y[k]);
    }
    // Counter-clockwise, the inside lies left of each edge: an edge going down bounds the span
    // from the left, one going up from the right. Clockwise, the other way round.
    const double orientation = area < 0.0 ? -1.0 : 1.0;
    for (int k = 0; k < count; ++k) {
        const int next = (k + 1) % count;
        const double dy = y[next] - y[k];
        // A horizontal edge is the top or the bottom, which the rows already bound; one nearly
        // so would bound the span only loosely. Leaving an edge out only widens the span.
        if (!(std::fabs(dy) > 1e-9)) continue;
        const double slope = (x[next] - x[k]) / dy;
        const Edge edge{x[k], y[k], slope, kMargin * std::fabs(slope)};
        if (dy * orientation < 0.0) {
            left_[lefts_++] = edge;
        } else {
            right_[rights_++] = edge;
        }
    }
    firstRow_ = clampRow(std::ceil(minY - kMargin - 0.5));
    lastRow_ = clampRow(std::floor(maxY + kMargin - 0.5));
    minX_ = x[0], maxX_ = x[0];
    for (int k = 0; k < count; ++k) minX_ = std::min(minX_, x[k]), maxX_ = std::max(maxX_, x[k]);
    return true;
}

void OutlineRows::spans(int row0, int width, int16_t* first, int16_t* last) const {
    for (int r = 0; r < kRows; ++r) first[r] = 0, last[r] = -1;
    const int r0 = std::max(firstRow_ - row0, 0), r1 = std::min(lastRow_ - row0, kRows - 1);
    if (r0 > r1) return;
    double low[kRows], high[kRows];
    for (int r = 0; r < kRows; ++r) low[r] = minX_, high[r] = maxX_;
    // Over each row's margin [centre - m, centre + m], each edge's farthest reach outwards,
    // stepped from row to row (the error, a few units in the last place, is far below m).
    const double centre = row0 + 0.5;
    for (int k = 0; k < lefts_; ++k) {
        const Edge& e = left_[k];
        double reach = e.x0 + (centre - e.y0) * e.slope - e.spread;
        for (int r = 0; r < kRows; ++r, reach += e.slope) low[r] = std::max(low[r], reach);
    }
    for (int k = 0; k < rights_; ++k) {
        const Edge& e = right_[k];
        double reach = e.x0 + (centre - e.y0) * e.slope + e.spread;
        for (int r = 0; r < kRows; ++r, reach += e.slope) high[r] = std::min(high[r], reach);
    }
    // Pixel x when its centre x + 0.5 lies within [low - m, high + m]: from the ceiling of
    // low - m - 0.5 to the floor of high + m - 0.5, held within the window (a NaN gives a bound
    // of the window, testing more pixels, never fewer).
    const double right = width - 1.0;
    for (int r = r0; r <= r1; ++r) {
        const double a =
            std::min(static_cast<double>(width), std::max(0.0, low[r] - kMargin - 0.5));
        const double b = std::max(-1.0, std::min(right, high[r] + kMargin - 0.5));
        int from = static_cast<int>(a), to = static_cast<int>(b);  // toward zero
        from += from < a ? 1 : 0;
        to -= to > b ? 1 : 0;
        if (from <= to) first[r] = static_cast<int16_t>(from), last[r] = static_cast<int16_t>(to);
    }
}
