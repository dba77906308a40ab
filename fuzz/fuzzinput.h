#pragma once
// Reads a fuzzer's byte string as a stream of typed values. Floats are taken bit for bit, so every
// pattern appears: NaN, both infinities, denormals, both zeros, the extremes. Reading past the end
// yields zero bytes, so every input, however short, decodes to a complete set of arguments.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "math/matrix4x4.h"
#include "math/vectors.h"

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    size_t remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }

    uint8_t byte() {
        uint8_t b = 0;
        read(&b, 1);
        return b;
    }
    // A value in [0, bound), bound > 0, from one or two bytes.
    unsigned below(unsigned bound) {
        const unsigned raw = bound <= 256 ? byte() : (static_cast<unsigned>(byte()) << 8 | byte());
        return raw % bound;
    }
    int32_t int32() {
        int32_t v = 0;
        read(&v, sizeof v);
        return v;
    }
    float real() {
        float v = 0.0f;
        read(&v, sizeof v);
        return v;
    }

    Point2D point2() { return Point2D(real(), real()); }
    Vector2D vector2() { return Vector2D(real(), real()); }
    Point3D point3() { return Point3D(real(), real(), real()); }
    Vector3D vector3() { return Vector3D(real(), real(), real()); }
    Vector4D vector4() { return Vector4D(real(), real(), real(), real()); }
    Matrix4x4 matrix() { return Matrix4x4(vector4(), vector4(), vector4(), vector4()); }

private:
    void read(void* out, size_t n) {
        std::memset(out, 0, n);
        const size_t available = remaining() < n ? remaining() : n;
        if (available > 0) std::memcpy(out, data_ + pos_, available);
        pos_ += n;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Bitwise equality: tells "left untouched" apart from "overwritten with an equal value or a NaN".
template <typename T>
bool sameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}
