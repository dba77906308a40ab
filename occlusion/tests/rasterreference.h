#pragma once
// A brute-force reference for the occlusion buffer, in double and without clipping: a pixel
// centre sees a clip-space triangle when the point of the triangle's plane that projects onto
// it has barycentric coordinates all at least 0, a positive w and -w <= z <= w (rasterisation
// in homogeneous coordinates, which needs no near-plane clipping). A triangle faces the eye when
// the determinant of its (x, y, w) rows is positive.
//
// Pixels whose centre lies within kReferenceEdgeMargin pixels of a triangle's edge, or of where
// it meets the near or far plane, are left undecided: the buffer snaps vertices to 1/256 pixel
// and decides ties by its own rule, so both may legitimately differ there.

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <vector>

#include "math/vectors.h"

constexpr double kReferenceEdgeMargin = 0.02;

struct ReferencePixel {
    bool covered = false;
    bool undecided = false;
    double depth = 1.0;  // window depth of the nearest front-facing triangle
    double slope = 0.0;  // |d depth / dx| + |d depth / dy| there, per pixel
};

namespace reference {

struct Sample {
    bool valid = false;  // the plane point exists (the pixel's ray is not parallel to the plane)
    double bary[3] = {0, 0, 0};
    double w = 0, z = 0;
};

// The triangle's point that projects onto device coordinates (xn, yn).
inline Sample sampleAt(const Vector4D (&t)[3], double xn, double yn) {
    // Solve sum_i b_i (x_i - xn w_i) = 0, sum_i b_i (y_i - yn w_i) = 0, sum_i b_i = 1.
    double m[3][3];
    for (int i = 0; i < 3; ++i) {
        m[0][i] = static_cast<double>(t[i].x) - xn * static_cast<double>(t[i].w);
        m[1][i] = static_cast<double>(t[i].y) - yn * static_cast<double>(t[i].w);
        m[2][i] = 1.0;
    }
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Sample s;
    if (std::fabs(det) < 1e-300) return s;
    // Cramer's rule with the right-hand side (0, 0, 1).
    for (int col = 0; col < 3; ++col) {
        double c[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int k = 0; k < 3; ++k) c[r][k] = k == col ? (r == 2 ? 1.0 : 0.0) : m[r][k];
        }
        const double d = c[0][0] * (c[1][1] * c[2][2] - c[1][2] * c[2][1]) -
                         c[0][1] * (c[1][0] * c[2][2] - c[1][2] * c[2][0]) +
                         c[0][2] * (c[1][0] * c[2][1] - c[1][1] * c[2][0]);
        s.bary[col] = d / det;
    }
    for (int i = 0; i < 3; ++i) {
        s.w += s.bary[i] * static_cast<double>(t[i].w);
        s.z += s.bary[i] * static_cast<double>(t[i].z);
    }
    s.valid = true;
    return s;
}

// The functions whose zero sets bound what is drawn: the three barycentric coordinates and the
// distances to the near and far planes.
inline void bounds(const Sample& s, double (&f)[5]) {
    for (int i = 0; i < 3; ++i) f[i] = s.bary[i];
    f[3] = s.z + s.w;
    f[4] = s.w - s.z;
}

}  // namespace reference

// The reference image of front-facing triangles in a width by height window, rows bottom first.
inline std::vector<ReferencePixel> referenceImage(const std::vector<std::vector<Vector4D>>& tris,
                                                  int width, int height) {
    std::vector<ReferencePixel> image(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (const std::vector<Vector4D>& tri : tris) {
        const Vector4D t[3] = {tri[0], tri[1], tri[2]};
        // det of the rows (x, y, w): positive for a triangle facing the eye.
        double m[3][3];
        for (int i = 0; i < 3; ++i) {
            m[i][0] = static_cast<double>(t[i].x);
            m[i][1] = static_cast<double>(t[i].y);
            m[i][2] = static_cast<double>(t[i].w);
        }
        const double facing = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                              m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                              m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        if (!(facing > 0.0)) continue;
        for (int py = 0; py < height; ++py) {
            for (int px = 0; px < width; ++px) {
                const auto device = [&](double x, double y) {
                    return reference::sampleAt(t, 2.0 * x / width - 1.0, 2.0 * y / height - 1.0);
                };
                const double cx = px + 0.5, cy = py + 0.5;
                const reference::Sample s = device(cx, cy);
                if (!s.valid) continue;
                double f[5], fx[5], fy[5];
                reference::bounds(s, f);
                reference::bounds(device(cx + 1e-3, cy), fx);
                reference::bounds(device(cx, cy + 1e-3), fy);
                // Inside by more than the margin, outside by more, or undecided.
                bool inner = s.w > 0.0, outer = s.w > 0.0;
                for (int k = 0; k < 5; ++k) {
                    const double margin =
                        kReferenceEdgeMargin * std::hypot(fx[k] - f[k], fy[k] - f[k]) / 1e-3;
                    inner = inner && f[k] >= margin;
                    outer = outer && f[k] >= -margin;
                }
                ReferencePixel& p = image[static_cast<size_t>(py) * width + px];
                if (outer && !inner) p.undecided = true;
                const double depth = (s.z / s.w + 1.0) / 2.0;
                if (inner && depth < p.depth) {
                    const reference::Sample sx = device(cx + 1e-3, cy), sy = device(cx, cy + 1e-3);
                    p.covered = true;
                    p.depth = depth;
                    p.slope = (std::fabs((sx.z / sx.w + 1.0) / 2.0 - depth) +
                               std::fabs((sy.z / sy.w + 1.0) / 2.0 - depth)) /
                              1e-3;
                }
            }
        }
    }
    return image;
}

// Whether the centre of pixel (px, py) lies in a snapped window polygon (1/256 pixel, counter-
// clockwise), with the buffer's rule for centres on an edge: a left edge (going down) or a top
// edge (horizontal, going left) keeps them. Exact, in 64-bit integers.
template <typename WindowVertex>
bool snappedPolygonCovers(const std::vector<WindowVertex>& polygon, int px, int py) {
    const int64_t cx = int64_t{px} * 256 + 128, cy = int64_t{py} * 256 + 128;
    for (std::size_t k = 0; k < polygon.size(); ++k) {
        const WindowVertex& a = polygon[k];
        const WindowVertex& b = polygon[(k + 1) % polygon.size()];
        const int64_t dx = b.x - a.x, dy = b.y - a.y;
        if (dx == 0 && dy == 0) continue;
        const int64_t e = dx * (cy - a.y) - dy * (cx - a.x);
        if (e < 0 || (e == 0 && !(dy < 0 || (dy == 0 && dx < 0)))) return false;
    }
    return true;
}
