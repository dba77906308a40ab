// Fuzz target: matrix products, invert and TransformStack on arbitrary matrices and arguments.
// The input is two matrices and a vector, then a program of stack operations, one byte each
// followed by its arguments.
//
// Checked beyond the sanitizers: in-place and aliased products equal the plain product bit for
// bit; a point and a direction transform as (x, y, z, 1) and (x, y, z, 0); a finite matrix times
// the identity is itself; invert and updateInverse leave their output untouched on failure; pop
// restores exactly the matrix pushed (and throws std::logic_error only when nothing is saved);
// toColumnMajor is the transpose; lookAt lets out nothing but ZeroDivide.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "fuzz/fuzzinput.h"
#include "math/matrix4x4.h"
#include "math/transformstack.h"

namespace {

void check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "matrix fuzz: %s\n", what);
    std::abort();
}

bool finite(const Matrix4x4& m) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!std::isfinite(m[i][j])) return false;
        }
    }
    return true;
}

Matrix4x4 sentinelMatrix() {
    Matrix4x4 m;
    for (int i = 0; i < 4; ++i) m[i] = Vector4D(-1234.5f, 6789.25f, -0.0f, static_cast<float>(i));
    return m;
}

void checkProducts(const Matrix4x4& m, const Matrix4x4& n, const Vector4D& v) {
    const Matrix4x4 product = m * n;
    Matrix4x4 inPlace = m;
    inPlace *= n;
    check(sameBits(inPlace, product), "m *= n differs from m * n");
    Matrix4x4 squared = m;
    squared *= squared;
    check(sameBits(squared, m * m), "m *= m (aliased) differs from m * m");

    const Point3D p(v.x, v.y, v.z);
    const Vector3D d(v.x, v.y, v.z);
    check(sameBits(m * p, m * Vector4D(v.x, v.y, v.z, 1.0f)), "point product is not w = 1");
    check(sameBits(m * d, m * Vector4D(v.x, v.y, v.z, 0.0f)), "direction product is not w = 0");
    (void)(m * v);

    if (finite(m)) {
        check(m * identityMatrix() == m, "m * I != m for a finite m");
        check(identityMatrix() * m == m, "I * m != m for a finite m");
    }

    Matrix4x4 inverse = sentinelMatrix();
    if (!invert(m, inverse)) check(sameBits(inverse, sentinelMatrix()), "invert wrote on failure");
}

void runStack(FuzzInput& in) {
    TransformStack stack;
    std::vector<Matrix4x4> shadow;  // what pop must restore, most recent last
    for (int step = 0; step < 64 && !in.empty(); ++step) {
        switch (in.below(16)) {
            case 0:
                stack.loadIdentity();
                break;
            case 1:
                stack.push();
                shadow.push_back(stack.current);
                break;
            case 2:
                if (shadow.empty()) {
                    bool threw = false;
                    try {
                        stack.pop();
                    } catch (const std::logic_error&) {
                        threw = true;
                    }
                    check(threw, "pop with nothing saved did not throw");
                } else {
                    stack.pop();
                    check(sameBits(stack.current, shadow.back()), "pop restored another matrix");
                    shadow.pop_back();
                }
                break;
            case 3: {
                const float x = in.real(), y = in.real();
                stack.translate(x, y, in.real());
                break;
            }
            case 4: {
                const float x = in.real(), y = in.real();
                stack.scale(x, y, in.real());
                break;
            }
            case 5:
                stack.rotateX(in.real());
                break;
            case 6:
                stack.rotateY(in.real());
                break;
            case 7:
                stack.rotateZ(in.real());
                break;
            case 8: {
                const float a = in.real(), b = in.real(), n = in.real();
                stack.perspective(a, b, n, in.real());
                break;
            }
            case 9: {
                const Matrix4x4 before = stack.inverse;
                if (!stack.updateInverse()) {
                    check(sameBits(stack.inverse, before), "updateInverse changed it on failure");
                }
                break;
            }
            case 10: {
                const Vector4D v = in.vector4();
                check(sameBits(stack.transform(v), stack.current * v), "transform != current * v");
                check(sameBits(stack.inverseTransform(v), stack.inverse * v),
                      "inverseTransform != inverse * v");
                break;
            }
            case 11: {
                float out[16];
                stack.toColumnMajor(out);
                for (int i = 0; i < 4; ++i) {
                    for (int j = 0; j < 4; ++j) {
                        check(sameBits(out[i + 4 * j], stack.current[i][j]),
                              "toColumnMajor is not the transpose");
                    }
                }
                break;
            }
            case 12:
                stack.current = in.matrix();
                break;
            case 13: {
                const Point3D eye = in.point3(), centre = in.point3();
                try {
                    stack.current *= lookAt(eye, centre, in.vector3());
                } catch (const ZeroDivide&) {
                    // Documented for equal points and a zero or parallel up vector.
                }
                break;
            }
            case 14: {
                const float a = in.real(), b = in.real(), n = in.real();
                stack.current *= perspectiveDepth01(a, b, n, in.real());
                break;
            }
            case 15: {
                const int axis = static_cast<int>(in.below(3));
                stack.current *= rotMatrix(axis, in.real());
                break;
            }
            default:
                break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const Matrix4x4 m = in.matrix();
    const Matrix4x4 n = in.matrix();
    checkProducts(m, n, in.vector4());
    runStack(in);
    return 0;
}
