#pragma once
// Float-to-integer conversion that is defined for every input.

#include <cmath>

// Truncates toward zero like a cast, but saturates at +-kTruncateLimit and maps NaN to 0, so no
// input (huge, infinite or NaN) reaches undefined behaviour. The limit leaves room to add or
// subtract small integers, and to divide and widen a range by a cell, without overflow. Values of
// ordinary magnitude convert exactly as a plain cast would.
constexpr int kTruncateLimit = 1 << 30;

inline int truncateToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= kTruncateLimit) return kTruncateLimit;
    if (v <= -kTruncateLimit) return -kTruncateLimit;
    return static_cast<int>(v);
}
