#pragma once
// Double-precision vectors and seeded random inputs for the cross-checks of the geometric
// queries. The references built on these are independent formulations (barycentric coordinates,
// closest points, orientation predicates, face-by-face clipping) evaluated in double.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "math/vectors.h"

namespace ref {

struct V3 {
    double x = 0.0, y = 0.0, z = 0.0;

    double operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
};

inline V3 of(const Point3D& p) {
    return {static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z)};
}
inline V3 of(const Vector3D& v) {
    return {static_cast<double>(v.x), static_cast<double>(v.y), static_cast<double>(v.z)};
}
inline V3 operator+(const V3& a, const V3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(const V3& a, const V3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(double s, const V3& a) { return {s * a.x, s * a.y, s * a.z}; }
inline double dot(const V3& a, const V3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(const V3& a, const V3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const V3& a) { return std::sqrt(dot(a, a)); }
inline V3 unit(const V3& a) { return (1.0 / length(a)) * a; }

// Signed distances of x from the edges P->Q, Q->R and R->P of the triangle P, Q, R, measured in
// its plane: all positive exactly when x projects strictly inside, whatever the winding.
inline void edgeDistances(const V3& p, const V3& q, const V3& r, const V3& x, double out[3]) {
    const V3 n = unit(cross(q - p, r - p));
    out[0] = dot(cross(q - p, x - p), n) / length(q - p);
    out[1] = dot(cross(r - q, x - q), n) / length(r - q);
    out[2] = dot(cross(p - r, x - r), n) / length(p - r);
}

struct V2 {
    double x = 0.0, y = 0.0;
};

inline V2 of(const Point2D& p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }
inline V2 operator-(const V2& a, const V2& b) { return {a.x - b.x, a.y - b.y}; }
inline double cross(const V2& a, const V2& b) { return a.x * b.y - a.y * b.x; }
inline double length(const V2& a) { return std::sqrt(a.x * a.x + a.y * a.y); }

// Seeded uniform floats, so every run of a cross-check sees the same inputs.
class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}

    float uniform(float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(engine_);
    }
    // True with probability p.
    bool chance(double p) { return std::bernoulli_distribution(p)(engine_); }
    Point3D point(float extent) {
        return Point3D(uniform(-extent, extent), uniform(-extent, extent),
                       uniform(-extent, extent));
    }
    Vector3D vector(float extent) {
        return Vector3D(uniform(-extent, extent), uniform(-extent, extent),
                        uniform(-extent, extent));
    }
    Point2D point2D(float extent) {
        return Point2D(uniform(-extent, extent), uniform(-extent, extent));
    }

private:
    std::mt19937 engine_;
};

// Every coordinate of p within `tolerance` of the reference, scaled by the reference's size when
// that exceeds 1 (float results carry a relative error).
inline void expectNear(const Point3D& p, const V3& expected, float tolerance) {
    const double scale = std::fmax(1.0, length(expected));
    const double limit = static_cast<double>(tolerance) * scale;
    EXPECT_NEAR(static_cast<double>(p.x), expected.x, limit);
    EXPECT_NEAR(static_cast<double>(p.y), expected.y, limit);
    EXPECT_NEAR(static_cast<double>(p.z), expected.z, limit);
}

inline void expectNear(const Point2D& p, const V2& expected, float tolerance) {
    const double scale = std::fmax(1.0, length(expected));
    const double limit = static_cast<double>(tolerance) * scale;
    EXPECT_NEAR(static_cast<double>(p.x), expected.x, limit);
    EXPECT_NEAR(static_cast<double>(p.y), expected.y, limit);
}

// Exact equality, for outputs that must be left untouched or are exact by construction.
inline void expectSame(const Point3D& p, const Point3D& expected) {
    EXPECT_EQ(p.x, expected.x);
    EXPECT_EQ(p.y, expected.y);
    EXPECT_EQ(p.z, expected.z);
}

}  // namespace ref
