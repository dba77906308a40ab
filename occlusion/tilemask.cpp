#include "occlusion/tilemask.h"

#include <algorithm>

uint64_t tileMaskScalar(const RowSpans& spans, int x0) {
    uint64_t mask = 0;
    for (int r = 0; r < kMaskSide; ++r) {
        const int first = std::max(spans.first[r] - x0, 0);
        const int last = std::min(spans.last[r] - x0, kMaskSide - 1);
        for (int c = first; c <= last; ++c) mask |= uint64_t{1} << (c * kMaskSide + r);
    }
    return mask;
}

uint64_t tileMaskSse2(const RowSpans& spans, int x0) {
#if defined(__SSE2__)
    return tileMaskInline(spans, x0);
#else
    return tileMaskScalar(spans, x0);
#endif
}
