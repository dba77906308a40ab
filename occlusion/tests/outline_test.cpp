#include "occlusion/outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr double kM = OutlineRows::kMargin;
constexpr int kWidth = 40, kHeight = 40;

// Twice the signed area of (a, b, c), in long double: the reference's own arithmetic.
long double turn(long double ax, long double ay, long double bx, long double by, long double cx,
                 long double cy) {
    return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
}

// Random point sets on the 40 by 40 window and beyond it: scattered, thin, tiny, with repeated
// and collinear points.
std::vector<double> randomPoints(std::mt19937& random, int count, int kind,
                                 std::vector<double>& y) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double cx = -5.0 + 50.0 * unit(random), cy = -5.0 + 50.0 * unit(random);
    const double sx = kind == 0 ? 30.0 * unit(random) : kind == 1 ? 0.01 : 3.0 * unit(random);
    const double sy = kind == 1 ? 25.0 * unit(random) : sx * (0.2 + unit(random));
    std::vector<double> x(count);
    y.resize(count);
    for (int k = 0; k < count; ++k) {
        x[k] = cx + sx * (unit(random) - 0.5), y[k] = cy + sy * (unit(random) - 0.5);
        if (kind == 2 && k % 3 == 2) x[k] = x[k - 1], y[k] = y[k - 1];  // repeated
        if (kind == 3 && k >= 2) {                                      // all on one line
            const double t = unit(random) * 2.0 - 0.5;
            x[k] = x[0] + t * (x[1] - x[0]), y[k] = y[0] + t * (y[1] - y[0]);
        }
    }
    return x;
}

// The hull: its points are input points, it turns left at every corner, and no input point lies
// outside it. The rows' spans, the same from the vector version as from the scalar one: every
// pixel whose centre lies within the margin of the hull (the centre or one of the eight points
// m away along x and y falls inside) is in its row's span, and every pixel of a span lies within
// m of each edge's line on the inner side (the distance taken along x and y) and of the hull's
// bounding box: the span is the pixels of the hull grown by m, with spikes at its sharpest
// corners at most.
TEST(Outline, HullHoldsEveryPointAndSpansHoldTheHullGrownByTheMargin) {
    std::mt19937 random(41);
    int inside = 0, margin = 0;
    for (int trial = 0; trial < 600; ++trial) {
        std::vector<double> y;
        const int count = trial % 2 == 0 ? 8 : 1 + trial % 12;
        const std::vector<double> x = randomPoints(random, count, trial % 4, y);
        double hx[OutlineRows::kMaxPoints], hy[OutlineRows::kMaxPoints];
        const int n = convexHull(x.data(), y.data(), count, hx, hy);
        ASSERT_GE(n, 1) << "trial " << trial;
        ASSERT_LE(n, count) << "trial " << trial;
        for (int k = 0; k < n; ++k) {
            bool input = false;
            for (int i = 0; i < count; ++i) input = input || (x[i] == hx[k] && y[i] == hy[k]);
            ASSERT_TRUE(input) << "trial " << trial;
            const int a = k, b = (k + 1) % n, c = (k + 2) % n;
            if (n >= 3) {
                ASSERT_GT(turn(hx[a], hy[a], hx[b], hy[b], hx[c], hy[c]), 0.0L)
                    << "trial " << trial;
            }
            for (int i = 0; i < count && n >= 3; ++i) {
                const long double t = turn(hx[a], hy[a], hx[b], hy[b], x[i], y[i]);
                ASSERT_GE(t, -1e-9L) << "trial " << trial << ": a point outside the hull";
            }
        }

        OutlineRows outline;
        ASSERT_TRUE(outline.set(hx, hy, n));
        const auto within = [&](long double px, long double py) {  // inside the hull, or on it
            if (n < 3) return false;
            for (int k = 0; k < n; ++k) {
                const int b = (k + 1) % n;
                if (turn(hx[k], hy[k], hx[b], hy[b], px, py) < 0.0L) return false;
            }
            return true;
        };
        const double minX = *std::min_element(hx, hx + n), maxX = *std::max_element(hx, hx + n);
        const double minY = *std::min_element(hy, hy + n), maxY = *std::max_element(hy, hy + n);
        for (int row0 = 0; row0 < kHeight + 8; row0 += OutlineRows::kRows) {
            int16_t first[OutlineRows::kRows], last[OutlineRows::kRows];
            int16_t scalarFirst[OutlineRows::kRows], scalarLast[OutlineRows::kRows];
            outline.spansSse2(row0, kWidth, first, last);
            outline.spansScalar(row0, kWidth, scalarFirst, scalarLast);
            ASSERT_TRUE(std::equal(first, first + OutlineRows::kRows, scalarFirst) &&
                        std::equal(last, last + OutlineRows::kRows, scalarLast))
                << "trial " << trial << ": the vector spans differ from the scalar ones";
            for (int r = 0; r < OutlineRows::kRows; ++r) {
                const long double cy = row0 + r + 0.5L;
                for (int px = 0; px < kWidth; ++px) {
                    const long double cx = px + 0.5L;
                    const bool inSpan = px >= first[r] && px <= last[r];
                    bool near = false;
                    if (cx > minX - 1 && cx < maxX + 1 && cy > minY - 1 && cy < maxY + 1) {
                        for (int i = -1; i <= 1; ++i) {
                            for (int j = -1; j <= 1; ++j) {
                                near = near || within(cx + i * kM, cy + j * kM);
                            }
                        }
                    }
                    if (near) {
                        ASSERT_TRUE(inSpan) << "trial " << trial << ": pixel " << px << ", "
                                            << row0 + r << " may be filled";
                        inside += within(cx, cy) ? 1 : 0;
                        margin += within(cx, cy) ? 0 : 1;
                    }
                    if (!inSpan) continue;
                    const long double slack = kM * (1.0L + 1e-9L);
                    ASSERT_TRUE(cx >= minX - 2 * slack && cx <= maxX + 2 * slack &&
                                cy >= minY - slack && cy <= maxY + slack)
                        << "trial " << trial;
                    for (int k = 0; k < n && n >= 2; ++k) {
                        const int b = (k + 1) % n;
                        const long double dx = hx[b] - hx[k], dy = hy[b] - hy[k];
                        if (dy == 0.0L) continue;
                        // How far outside the edge's line, along x and y together.
                        const long double out = -turn(hx[k], hy[k], hx[b], hy[b], cx, cy) /
                                                (std::fabs(dx) + std::fabs(dy));
                        ASSERT_LE(out, 2 * slack) << "trial " << trial << " edge " << k;
                    }
                }
            }
        }
    }
    EXPECT_GT(inside, 3000);
    EXPECT_GT(margin, 50) << margin;
    // Degenerate and unusable input.
    const double bad[2] = {0.0, std::nan("")};
    OutlineRows outline;
    EXPECT_FALSE(outline.set(bad, bad, 2));
    double hull[2];
    EXPECT_EQ(convexHull(bad, bad, 0, hull, hull), 0);
    EXPECT_EQ(convexHull(bad, bad, 2, hull, hull), 0);
}

}  // namespace
