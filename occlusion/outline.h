#pragma once
// The outline of an object in the window, the convex hull of its projected vertices, and the
// pixels it may fill row by row. An object wholly in front of the eye fills only pixels whose
// centres lie within its faces, and its faces lie within the hull of its vertices; so testing
// the outline's pixels instead of the object's rectangle leaves out the rectangle's corners,
// which the object never reaches.
//
// Conventions are the occlusion buffer's (occlusion/occlusionbuffer.h): window pixels (x, y),
// y = 0 the bottom row, sampled at their centres (x + 0.5, y + 0.5).

#include <algorithm>
#include <cstdint>

// The convex hull of points (x[k], y[k]), k < count, counter-clockwise, into hullX and hullY
// (room for count points); returns how many points it has. Points on a hull edge are left out.
// No points, more than OutlineRows::kMaxPoints or one that is not finite give none.
int convexHull(const double* x, const double* y, int count, double* hullX, double* hullY);

class OutlineRows {
public:
    // How far, in pixels along x and y, a pixel centre may lie outside the outline and still
    // count as within it: room for OpenGL's snapping of the vertices (1/512 pixel) and for its
    // own rounding of their positions.
    static constexpr double kMargin = 1.0 / 32.0;
    static constexpr int kMaxPoints = 64;
    static constexpr int kRows = 8;  // rows per call of spans

    // Takes the convex polygon (x[k], y[k]), k < count (at most kMaxPoints), in either
    // orientation. Returns false, keeping nothing, when a coordinate is not finite or there are
    // too many points.
    bool set(const double* x, const double* y, int count);

    // The rows whose centres lie within the margin of the outline's height (first > last when
    // none): the others hold no pixel of it, clamped to [-1, 65536].
    int firstRow() const { return firstRow_; }
    int lastRow() const { return lastRow_; }
    // Likewise the columns: every span lies within them.
    int firstColumn() const { return firstColumn_; }
    int lastColumn() const { return lastColumn_; }

    // The first and the last pixel (column or row) whose centre lies within the margin of
    // [low, high], clamped to [-1, 65536]: how the outline's extremes bound its pixels.
    // (The ceiling and the floor are taken by conversion toward zero, without a call.)
    static int firstPixel(double low) {
        const double v = std::min(65536.0, std::max(-1.0, low - kMargin - 0.5));  // NaN: -1
        const int toward = static_cast<int>(v);
        return toward < v ? toward + 1 : toward;
    }
    static int lastPixel(double high) {
        const double v = std::min(65536.0, std::max(-1.0, high + kMargin - 0.5));
        const int toward = static_cast<int>(v);
        return toward > v ? toward - 1 : toward;
    }

    // For rows row0 to row0 + kRows - 1 (row0 >= 0): the columns first[r] to last[r] of row
    // row0 + r whose pixel centres lie within the margin of the outline (first > last when
    // none), held within [0, width - 1].
    // It comes as the scalar loops, which are the reference, and as an SSE2 version (part of
    // every x86-64 processor) that finds two rows at a time; both give the same columns.
    void spans(int row0, int width, int16_t* first, int16_t* last) const {
        spansSse2(row0, width, first, last);  // the scalar loops where SSE2 is not available
    }
    void spansScalar(int row0, int width, int16_t* first, int16_t* last) const;
    void spansSse2(int row0, int width, int16_t* first, int16_t* last) const;

private:
    // A sloping edge bounds the span from one side: x = x0 + (y - y0) * slope, loosened to its
    // extreme over the rows' margin by `spread`.
    struct Edge {
        double x0, y0, slope, spread;
    };
    Edge left_[kMaxPoints], right_[kMaxPoints];
    int lefts_ = 0, rights_ = 0;
    double minX_ = 0.0, maxX_ = -1.0;
    int firstRow_ = 0, lastRow_ = -1, firstColumn_ = 0, lastColumn_ = -1;
};
