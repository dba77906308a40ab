#include "occlusion/tilelayers.h"

#include <algorithm>

void TileLayers::assign(std::size_t count) {
    nearMask.assign(count + kSpare, 0);
    farDepth.assign(count + kSpare, 1.0f);
    nearDepth.assign(count + kSpare, 0.0f);
    touched.assign(count + kSpare + 1, 0);
    touchedCount = 0;
}

void TileLayers::reset() {
    // The list's length and data held in locals: a store through the masks (64-bit, as a
    // size_t is) could otherwise change them, and they would be loaded again after each.
    uint64_t* const masks = nearMask.data();
    float* const fars = farDepth.data();
    const uint32_t* const list = touched.data();
    const std::size_t count = touchedCount;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = list[k];
        masks[i] = 0, fars[i] = 1.0f;
    }
    touchedCount = 0;
}

void mergeWholeScalar(TileLayers& layers, std::size_t first, int count, const DepthRamp& ramp) {
    for (int k = 0; k < count; ++k) {
        const std::size_t i = first + static_cast<std::size_t>(k);
        const float depth = heldDepth(ramp.first + ramp.step * k, ramp.cap, ramp.pad);
        if (!(depth < layers.farDepth[i])) continue;
        layers.touch(i);
        layers.farDepth[i] = depth;
        if (!(layers.nearDepth[i] < depth)) layers.nearMask[i] = 0;
    }
}
