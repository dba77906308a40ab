#include "math/color.h"

#include "math/numeric.h"

HSVColor::HSVColor(float h, float s, float v, float alpha) : Color(0.0f, 0.0f, 0.0f, 1.0f) {
    if (s == 0.0f) {
        set(v, v, v, alpha);
        return;
    }
    const float scaled = 6.0f * h;
    const int i = truncateToInt(static_cast<double>(scaled));
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
