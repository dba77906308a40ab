#pragma once
// RGBA colours. A Color is four consecutive floats r, g, b, a, so its address is a float[4] that
// OpenGL takes for light and material colours. Channels are nominally in [0, 1]; no operation
// clamps them.

struct Color {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;

    Color() = default;
    Color(float r_, float g_, float b_, float a_) { set(r_, g_, b_, a_); }

    void set(float r_, float g_, float b_, float a_) {
        r = r_;
        g = g_;
        b = b_;
        a = a_;
    }

    float* data() { return &r; }
    const float* data() const { return &r; }
    float& operator[](int i) { return data()[i]; }
    const float& operator[](int i) const { return data()[i]; }
};

inline bool operator==(const Color& p, const Color& q) {
    return p.r == q.r && p.g == q.g && p.b == q.b && p.a == q.a;
}
inline bool operator!=(const Color& p, const Color& q) { return !(p == q); }

// Channel-wise sum and product (modulation), alpha included; scaling multiplies alpha too.
inline Color operator+(const Color& p, const Color& q) {
    return Color(p.r + q.r, p.g + q.g, p.b + q.b, p.a + q.a);
}
inline Color operator*(const Color& p, const Color& q) {
    return Color(p.r * q.r, p.g * q.g, p.b * q.b, p.a * q.a);
}
inline Color operator*(const Color& c, float s) { return Color(c.r * s, c.g * s, c.b * s, c.a * s); }
inline Color operator*(float s, const Color& c) { return c * s; }

// A Color given by hue, saturation and value (each nominally in [0, 1]) and alpha.
//
// The hue selects a sextant i = trunc(6h): 6h is taken in float and truncated toward zero, exactly
// whenever it fits an int (|6h| < 2^31). i == 0 modulo 6 (h in (-1/6, 1/6) or [1, 7/6), h = 2,
// and any hue whose 6h is a multiple of 6, such as 2e8 and -2e8) and i = 1..5 give the usual
// colours; any other i (for example h in [7/6, 2) or (-1, -1/6]) leaves opaque black
// (0, 0, 0, 1) whatever the alpha. So does a hue whose 6h does not fit an int, infinity and NaN.
// A saturation of exactly 0 gives the grey (v, v, v, a). Saturations above 1 give negative
// channels; nothing is clamped.
struct HSVColor : Color {
    HSVColor(float h, float s, float v, float alpha);
};

static_assert(sizeof(Color) == 4 * sizeof(float), "a Color must be a float[4] for OpenGL");
static_assert(sizeof(HSVColor) == sizeof(Color), "HSVColor adds no data");
