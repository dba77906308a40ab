#include "occlusion/tilemask.h"

#include <algorithm>

uint64_t tileMaskScalar(const int16_t* firstColumns, const int16_t* lastColumns, int x0) {
    uint64_t mask = 0;
    for (int r = 0; r < kMaskSide; ++r) {
        const int first = std::max(firstColumns[r] - x0, 0);
        const int last = std::min(lastColumns[r] - x0, kMaskSide - 1);
        for (int c = first; c <= last; ++c) mask |= uint64_t{1} << (c * kMaskSide + r);
    }
    return mask;
}

SpanExtent spanExtentScalar(const int16_t* first, const int16_t* last, int width) {
    SpanExtent extent{width, -1, 0, width - 1};
    for (int r = 0; r < kMaskSide; ++r) {
        if (first[r] > last[r]) {
            extent.everyFirst = width, extent.everyLast = width - 1;
            continue;
        }
        extent.reachFirst = std::min<int>(extent.reachFirst, first[r]);
        extent.reachLast = std::max<int>(extent.reachLast, last[r]);
        if (extent.everyFirst < width) {
            extent.everyFirst = std::max<int>(extent.everyFirst, first[r]);
            extent.everyLast = std::min<int>(extent.everyLast, last[r]);
        }
    }
    return extent;
}

SpanExtent spanExtentSse2(const int16_t* first, const int16_t* last, int width) {
    return spanExtent(first, last, width);  // the scalar loop where SSE2 is not available
}
