#pragma once
// Points and vectors in two, three and four dimensions.
//
// Conventions:
// - Every type is a plain value made of consecutive 32-bit floats in the order x, y, z, w and
//   nothing else, so the address of an object is also the address of a float array of its
//   components (the renderer hands Vector4D addresses straight to OpenGL).
// - Points and vectors are distinct types: point - point is a vector, point + vector is a point,
//   point + point does not compile. Only vectors have length, dot product and scaling.
// - Equality is exact float equality per component: +0 equals -0, a NaN makes values unequal.
// - normalize/normalized throw ZeroDivide when the computed length is exactly zero; toPoint3D
//   throws it when w is exactly zero. Nothing here checks for NaN, infinity or overflow.
// - Index operators do not check their index.

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>

// Thrown when a vector of zero length is normalised or a homogeneous point with w == 0 is
// divided. Carries nothing: the operation that threw names the cause.
struct ZeroDivide {};

namespace detail {

// The element-wise operations shared by every point and vector type, written once over the
// begin()/end() range of the derived type.
template <typename T>
struct Components {
    float* begin() { return reinterpret_cast<float*>(static_cast<T*>(this)); }
    const float* begin() const { return reinterpret_cast<const float*>(static_cast<const T*>(this)); }
    float* end() { return begin() + T::kSize; }
    const float* end() const { return begin() + T::kSize; }
    float& operator[](int i) { return begin()[i]; }
    const float& operator[](int i) const { return begin()[i]; }

    friend bool operator==(const T& a, const T& b) {
        return std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator!=(const T& a, const T& b) { return !(a == b); }
};

// Arithmetic of a vector type T: sums, differences, scaling, dot product, length, normalisation.
template <typename T>
struct VectorOps : Components<T> {
    T& self() { return *static_cast<T*>(this); }
    const T& self() const { return *static_cast<const T*>(this); }

    T& operator+=(const T& o) {
        std::transform(this->begin(), this->end(), o.begin(), this->begin(), std::plus<float>());
        return self();
    }
    T& operator-=(const T& o) {
        std::transform(this->begin(), this->end(), o.begin(), this->begin(), std::minus<float>());
        return self();
    }
    T& operator*=(float s) {
        std::transform(this->begin(), this->end(), this->begin(),
                       [s](float c) { return c * s; });
        return self();
    }
    // A true division of each component, not a multiplication by 1/s.
    T& operator/=(float s) {
        std::transform(this->begin(), this->end(), this->begin(),
                       [s](float c) { return c / s; });
        return self();
    }
    friend T operator+(T a, const T& b) { return a += b; }
    friend T operator-(T a, const T& b) { return a -= b; }
    friend T operator*(T v, float s) { return v *= s; }
    friend T operator*(float s, T v) { return v *= s; }
    friend T operator/(T v, float s) { return v /= s; }

    float length() const { return std::sqrt(dot(self(), self())); }

    // Divides in place by the length; throws ZeroDivide (leaving the vector unchanged) when the
    // length is exactly zero. A tiny non-zero or a NaN length divides normally.
    T& normalize() {
        const float len = length();
        if (len == 0.0f) throw ZeroDivide{};
        return *this /= len;
    }
    T normalized() const {
        T copy = self();
        return copy.normalize();
    }
};

}  // namespace detail

struct Vector2D : detail::VectorOps<Vector2D> {
    static constexpr int kSize = 2;
    float x = 0.0f, y = 0.0f;
    Vector2D() = default;
    Vector2D(float x_, float y_) : x(x_), y(y_) {}
};

struct Vector3D : detail::VectorOps<Vector3D> {
    static constexpr int kSize = 3;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    Vector3D() = default;
    Vector3D(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
};

// Homogeneous coordinates, also a row of a Matrix4x4. Defaults to the homogeneous origin
// (0, 0, 0, 1), not to zero.
struct Vector4D : detail::VectorOps<Vector4D> {
    static constexpr int kSize = 4;
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
    Vector4D() = default;
    Vector4D(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

struct Point2D : detail::Components<Point2D> {
    static constexpr int kSize = 2;
    float x = 0.0f, y = 0.0f;
    Point2D() = default;
    Point2D(float x_, float y_) : x(x_), y(y_) {}

    Point2D& operator+=(const Vector2D& v) {
        std::transform(begin(), end(), v.begin(), begin(), std::plus<float>());
        return *this;
    }
    Point2D& operator-=(const Vector2D& v) {
        std::transform(begin(), end(), v.begin(), begin(), std::minus<float>());
        return *this;
    }
};

struct Point3D : detail::Components<Point3D> {
    static constexpr int kSize = 3;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    Point3D() = default;
    Point3D(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    Point3D& operator+=(const Vector3D& v) {
        std::transform(begin(), end(), v.begin(), begin(), std::plus<float>());
        return *this;
    }
    Point3D& operator-=(const Vector3D& v) {
        std::transform(begin(), end(), v.begin(), begin(), std::minus<float>());
        return *this;
    }
};

inline Point2D operator+(Point2D p, const Vector2D& v) { return p += v; }
inline Point2D operator+(const Vector2D& v, Point2D p) { return p += v; }
inline Point2D operator-(Point2D p, const Vector2D& v) { return p -= v; }
inline Vector2D operator-(const Point2D& a, const Point2D& b) {
    Vector2D d(0.0f, 0.0f);
    std::transform(a.begin(), a.end(), b.begin(), d.begin(), std::minus<float>());
    return d;
}

inline Point3D operator+(Point3D p, const Vector3D& v) { return p += v; }
inline Point3D operator+(const Vector3D& v, Point3D p) { return p += v; }
inline Point3D operator-(Point3D p, const Vector3D& v) { return p -= v; }
inline Vector3D operator-(const Point3D& a, const Point3D& b) {
    Vector3D d(0.0f, 0.0f, 0.0f);
    std::transform(a.begin(), a.end(), b.begin(), d.begin(), std::minus<float>());
    return d;
}

// Inner products accumulate in float from index 0 upward; the 3D one is written out as
// (x*x' + y*y') + z*z'.
inline float dot(const Vector2D& a, const Vector2D& b) {
    return std::inner_product(a.begin(), a.end(), b.begin(), 0.0f);
}
inline float dot(const Vector3D& a, const Vector3D& b) {
    return (a.x * b.x + a.y * b.y) + a.z * b.z;
}
inline float dot(const Vector4D& a, const Vector4D& b) {
    return std::inner_product(a.begin(), a.end(), b.begin(), 0.0f);
}

// Right-handed cross product.
inline Vector3D cross(const Vector3D& a, const Vector3D& b) {
    return Vector3D(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// Homogeneous division (x/w, y/w, z/w); throws ZeroDivide when w is exactly zero.
inline Point3D toPoint3D(const Vector4D& v) {
    if (v.w == 0.0f) throw ZeroDivide{};
    return Point3D(v.x / v.w, v.y / v.w, v.z / v.w);
}

// Degrees to radians with the constant 3.14159 (not full-precision pi), as the whole system
// uses it; computed in double and rounded to float once.
inline float degreesToRadians(float degrees) {
    return static_cast<float>(static_cast<double>(degrees) * 3.14159 / 180.0);
}

static_assert(sizeof(Vector2D) == 2 * sizeof(float) && sizeof(Point2D) == 2 * sizeof(float),
              "2D types must be plain float pairs");
static_assert(sizeof(Vector3D) == 3 * sizeof(float) && sizeof(Point3D) == 3 * sizeof(float),
              "3D types must be plain float triples");
static_assert(sizeof(Vector4D) == 4 * sizeof(float), "a Vector4D must be a float[4] for OpenGL");
