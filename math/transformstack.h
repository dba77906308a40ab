#pragma once
// The system's own replacement for OpenGL's matrix stacks.
//
// Every transforming operation post-multiplies: current = current * X, so the operation applied
// last is the first to act on a vector (the OpenGL convention). `inverse` is written only by
// updateInverse and is stale after any other change. Angles are in degrees and become radians
// with the constant 3.14159.

#include <vector>

#include "math/matrix4x4.h"

struct TransformStack {
    Matrix4x4 current = identityMatrix();
    Matrix4x4 inverse = identityMatrix();
    std::vector<Matrix4x4> saved;  // most recent last

    void loadIdentity();
    void push();
    // Restores the most recently pushed matrix. Throws std::logic_error when nothing is saved.
    void pop();

    void translate(float x, float y, float z);
    void scale(float x, float y, float z);
    void rotateX(float degrees);
    void rotateY(float degrees);
    void rotateZ(float degrees);
    // OpenGL frustum centred on the axis: a and b are the half-width and half-height of the view
    // window at unit distance, n and f the near and far distances. Checks nothing.
    void perspective(float a, float b, float n, float f);

    Vector4D transform(const Vector4D& v) const { return current * v; }
    Vector4D inverseTransform(const Vector4D& v) const { return inverse * v; }

    // inverse = inverse of current. Returns false, keeping the previous inverse, when current is
    // singular.
    bool updateInverse();

    // out[i + 4j] = current(i, j): the column-major array glLoadMatrixf takes.
    void toColumnMajor(float out[16]) const;
};

// The local matrices the operations above multiply by.
Matrix4x4 transMatrix(float x, float y, float z);
Matrix4x4 scaleMatrix(float x, float y, float z);
Matrix4x4 rotMatrix(int axis, float degrees);  // axis 0 = x, 1 = y, 2 = z
Matrix4x4 perspectiveMatrix(float a, float b, float n, float f);
