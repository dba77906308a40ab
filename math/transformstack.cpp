#include "math/transformstack.h"

#include <cmath>
#include <stdexcept>

Matrix4x4 transMatrix(float x, float y, float z) {
    Matrix4x4 m = identityMatrix();
    m[0][3] = x;
    m[1][3] = y;
    m[2][3] = z;
    return m;
}

Matrix4x4 scaleMatrix(float x, float y, float z) {
    Matrix4x4 m = identityMatrix();
    m[0][0] = x;
    m[1][1] = y;
    m[2][2] = z;
    return m;
}

Matrix4x4 rotMatrix(int axis, float degrees) {
    const float theta = degreesToRadians(degrees);
    const float c = std::cos(theta);
    const float s = std::sin(theta);
    // The two axes spanning the plane of rotation, in right-handed order.
    const int a = (axis + 1) % 3;
    const int b = (axis + 2) % 3;
    Matrix4x4 m = identityMatrix();
    m[a][a] = c;
    m[a][b] = -s;
    m[b][a] = s;
    m[b][b] = c;
    return m;
}

Matrix4x4 perspectiveMatrix(float a, float b, float n, float f) {
    Matrix4x4 m = identityMatrix();
    m[0][0] = 1.0f / a;
    m[1][1] = 1.0f / b;
    m[2][2] = -(f + n) / (f - n);
    m[2][3] = -2.0f * f * n / (f - n);
    m[3][2] = -1.0f;
    m[3][3] = 0.0f;
    return m;
}

void TransformStack::loadIdentity() { current = identityMatrix(); }

void TransformStack::push() { saved.push_back(current); }

void TransformStack::pop() {
    if (saved.empty()) throw std::logic_error("TransformStack::pop: no matrix was pushed");
    current = saved.back();
    saved.pop_back();
}

void TransformStack::translate(float x, float y, float z) { current *= transMatrix(x, y, z); }
void TransformStack::scale(float x, float y, float z) { current *= scaleMatrix(x, y, z); }
void TransformStack::rotateX(float degrees) { current *= rotMatrix(0, degrees); }
void TransformStack::rotateY(float degrees) { current *= rotMatrix(1, degrees); }
void TransformStack::rotateZ(float degrees) { current *= rotMatrix(2, degrees); }

void TransformStack::perspective(float a, float b, float n, float f) {
    current *= perspectiveMatrix(a, b, n, f);
}

bool TransformStack::updateInverse() { return invert(current, inverse); }

void TransformStack::toColumnMajor(float out[16]) const {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) out[i + 4 * j] = current[i][j];
    }
}
