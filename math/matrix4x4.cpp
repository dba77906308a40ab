#include "math/matrix4x4.h"

#include <cmath>
#include <utility>

void Matrix4x4::identity() { *this = identityMatrix(); }

Matrix4x4 identityMatrix() {
    return Matrix4x4(Vector4D(1, 0, 0, 0), Vector4D(0, 1, 0, 0), Vector4D(0, 0, 1, 0),
                     Vector4D(0, 0, 0, 1));
}

Matrix4x4& Matrix4x4::operator*=(const Matrix4x4& n) {
    Matrix4x4 temp;
    const Matrix4x4& m = *this;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const double sum = static_cast<double>(m[i][0]) * static_cast<double>(n[0][j]) +
                               static_cast<double>(m[i][1]) * static_cast<double>(n[1][j]) +
                               static_cast<double>(m[i][2]) * static_cast<double>(n[2][j]) +
                               static_cast<double>(m[i][3]) * static_cast<double>(n[3][j]);
            temp[i][j] = static_cast<float>(sum);
        }
    }
    *this = temp;
    return *this;
}

bool operator==(const Matrix4x4& a, const Matrix4x4& b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

Matrix4x4 operator*(Matrix4x4 m, const Matrix4x4& n) { return m *= n; }

Vector4D operator*(const Matrix4x4& m, const Point3D& p) {
    return m * Vector4D(p.x, p.y, p.z, 1.0f);
}

Vector4D operator*(const Matrix4x4& m, const Vector3D& d) {
    return m * Vector4D(d.x, d.y, d.z, 0.0f);
}

bool invert(const Matrix4x4& m, Matrix4x4& out) {
    // Augmented rows [m | I]; swaps exchange row pointers, never data.
    double wtmp[4][8];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            wtmp[i][j] = static_cast<double>(m[i][j]);
            wtmp[i][j + 4] = (i == j) ? 1.0 : 0.0;
        }
    }
    double* r0 = wtmp[0];
    double* r1 = wtmp[1];
    double* r2 = wtmp[2];
    double* r3 = wtmp[3];

    // Column 0: pivot, then eliminate below it.
    if (std::fabs(r3[0]) > std::fabs(r2[0])) std::swap(r3, r2);
    if (std::fabs(r2[0]) > std::fabs(r1[0])) std::swap(r2, r1);
    if (std::fabs(r1[0]) > std::fabs(r0[0])) std::swap(r1, r0);
    if (r0[0] == 0.0) return false;
    {
        const double m1 = r1[0] / r0[0], m2 = r2[0] / r0[0], m3 = r3[0] / r0[0];
        for (int j = 1; j < 4; ++j) {
            const double s = r0[j];
            r1[j] -= m1 * s;
            r2[j] -= m2 * s;
            r3[j] -= m3 * s;
        }
        for (int j = 4; j < 8; ++j) {
            const double s = r0[j];
            if (s != 0.0) {
                r1[j] -= m1 * s;
                r2[j] -= m2 * s;
                r3[j] -= m3 * s;
            }
        }
    }

    // Column 1.
    if (std::fabs(r3[1]) > std::fabs(r2[1])) std::swap(r3, r2);
    if (std::fabs(r2[1]) > std::fabs(r1[1])) std::swap(r2, r1);
    if (r1[1] == 0.0) return false;
    {
        const double m2 = r2[1] / r1[1], m3 = r3[1] / r1[1];
        for (int j = 2; j < 4; ++j) {
            r2[j] -= m2 * r1[j];
            r3[j] -= m3 * r1[j];
        }
        for (int j = 4; j < 8; ++j) {
            const double s = r1[j];
            if (s != 0.0) {
                r2[j] -= m2 * s;
                r3[j] -= m3 * s;
            }
        }
    }

    // Column 2.
    if (std::fabs(r3[2]) > std::fabs(r2[2])) std::swap(r3, r2);
    if (r2[2] == 0.0) return false;
    {
        const double m3 = r3[2] / r2[2];
        for (int j = 3; j < 8; ++j) r3[j] -= m3 * r2[j];
    }

    if (r3[3] == 0.0) return false;

    // Back substitution, one column of the right half at a time.
    for (int j = 4; j < 8; ++j) {
        double s = 1.0 / r3[3];
        r3[j] *= s;

        s = 1.0 / r2[2];
        r2[j] = s * (r2[j] - r3[j] * r2[3]);
        r1[j] -= r3[j] * r1[3];
        r0[j] -= r3[j] * r0[3];

        s = 1.0 / r1[1];
        r1[j] = s * (r1[j] - r2[j] * r1[2]);
        r0[j] -= r2[j] * r0[2];

        s = 1.0 / r0[0];
        r0[j] = s * (r0[j] - r1[j] * r0[1]);
    }

    const double* rows[4] = {r0, r1, r2, r3};
    for (int i = 0; i < 4; ++i) {
        out[i] = Vector4D(static_cast<float>(rows[i][4]), static_cast<float>(rows[i][5]),
                          static_cast<float>(rows[i][6]), static_cast<float>(rows[i][7]));
    }
    return true;
}

Matrix4x4 lookAt(const Point3D& eye, const Point3D& centre, const Vector3D& up) {
    const Vector3D target = (centre - eye).normalized();
    const Vector3D x = cross(target, up).normalized();
    const Vector3D newU = cross(x, target);
    const Vector3D cv = eye - Point3D(0.0f, 0.0f, 0.0f);
    return Matrix4x4(Vector4D(x.x, x.y, x.z, -dot(x, cv)),
                     Vector4D(newU.x, newU.y, newU.z, -dot(newU, cv)),
                     Vector4D(-target.x, -target.y, -target.z, dot(target, cv)),
                     Vector4D(0.0f, 0.0f, 0.0f, 1.0f));
}

Matrix4x4 perspectiveDepth01(float a, float b, float n, float f) {
    return Matrix4x4(Vector4D(n / a, 0.0f, 0.0f, 0.0f), Vector4D(0.0f, n / b, 0.0f, 0.0f),
                     Vector4D(0.0f, 0.0f, f / (f - n), -n * f / (f - n)),
                     Vector4D(0.0f, 0.0f, 1.0f, 0.0f));
}
