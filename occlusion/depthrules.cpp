#include "occlusion/depthrules.h"

DepthRule nextDepthRule(DepthRule rule) {
    for (int k = 0; k < kDepthRuleCount; ++k) {
        if (kDepthRules[k] == rule) return kDepthRules[(k + 1) % kDepthRuleCount];
    }
    return kDepthRules[0];
}

const char* depthRuleName(DepthRule rule) {
    switch (rule) {
        case DepthRule::Farthest:
            return "farthest";
        case DepthRule::Conservative:
            return "conservative";
        case DepthRule::DepthMap:
            return "depth map";
        case DepthRule::Raster:
            return "raster";
    }
    return "unknown";
}
