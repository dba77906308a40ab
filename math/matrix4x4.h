#pragma once
// 4x4 single-precision matrices.
//
// Conventions:
// - Four Vector4D rows, row 0 first: element (i, j) is component j of row i.
// - Vectors are columns: M maps v to M*v, so the translation of an affine matrix sits in
//   column 3 and (A*B)*v applies B first.
// - OpenGL wants the transpose of this layout; TransformStack::toColumnMajor produces it.
// - Products are summed in double and rounded to float once per element.

#include "math/vectors.h"

struct Matrix4x4 {
    Vector4D row[4];  // each defaults to (0, 0, 0, 1)

    Matrix4x4() = default;
    Matrix4x4(const Vector4D& r0, const Vector4D& r1, const Vector4D& r2, const Vector4D& r3)
        : row{r0, r1, r2, r3} {}

    Vector4D& operator[](int i) { return row[i]; }
    const Vector4D& operator[](int i) const { return row[i]; }

    // Sets this matrix to the identity.
    void identity();

    // this = this * n. Safe when n aliases this (m *= m squares m).
    Matrix4x4& operator*=(const Matrix4x4& n);
};

Matrix4x4 identityMatrix();

bool operator==(const Matrix4x4& a, const Matrix4x4& b);
inline bool operator!=(const Matrix4x4& a, const Matrix4x4& b) { return !(a == b); }

Matrix4x4 operator*(Matrix4x4 m, const Matrix4x4& n);
// Component i is dot(row i, v), accumulated in float from index 0 upward. Inline: the visibility
// tests run it twice per projected corner.
inline Vector4D operator*(const Matrix4x4& m, const Vector4D& v) {
    return Vector4D(dot(m[0], v), dot(m[1], v), dot(m[2], v), dot(m[3], v));
}
// A point is taken with w = 1 (translation applies), a direction with w = 0 (it does not).
Vector4D operator*(const Matrix4x4& m, const Point3D& p);
Vector4D operator*(const Matrix4x4& m, const Vector3D& d);

// Gauss-Jordan inverse with partial pivoting in double precision. Returns false for a matrix
// with an exactly zero pivot and then leaves `out` untouched; a tiny or NaN pivot is used as is.
bool invert(const Matrix4x4& m, Matrix4x4& out);

// Viewing matrix that maps eye to the origin looking down -z with `up` as the up direction.
// Throws ZeroDivide when centre == eye or when up is zero or parallel to the view direction.
Matrix4x4 lookAt(const Point3D& eye, const Point3D& centre, const Vector3D& up);

// Perspective for an eye looking down +z with w = z: depth n maps to 0 and f to 1. a and b are the
// half-width and half-height of the view window at distance n. Checks nothing.
Matrix4x4 perspectiveDepth01(float a, float b, float n, float f);
