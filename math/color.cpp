#include "math/color.h"

namespace {

// 2^31: the smallest float above every int. Every float in [-2^31, 2^31) converts to int exactly
// (truncated toward zero); beyond, and for NaN, the conversion would be undefined.
constexpr float kIndexLimit = 2147483648.0f;

}  // namespace

HSVColor::HSVColor(float h, float s, float v, float alpha) : Color(0.0f, 0.0f, 0.0f, 1.0f) {
    if (s == 0.0f) {
        set(v, v, v, alpha);
        return;
    }
    const float scaled = 6.0f * h;
    // Written so that NaN fails it too: no sextant, opaque black.
    if (!(scaled >= -kIndexLimit && scaled < kIndexLimit)) return;
    const int i = static_cast<int>(scaled);
    const float f = scaled - static_cast<float>(i);
    const float p = v * (1.0f - s);
    const float q = v * (1.0f - s * f);
    const float t = v * (1.0f - s * (1.0f - f));
    if (i % 6 == 0) {
        set(v, t, p, alpha);
        return;
    }
    switch (i) {
        case 1: set(q, v, p, alpha); break;
        case 2: set(p, v, t, alpha); break;
        case 3: set(p, q, v, alpha); break;
        case 4: set(t, p, v, alpha); break;
        case 5: set(v, p, q, alpha); break;
        default: break;  // outside the six sextants: stays opaque black
    }
}
