#pragma once
// Runs a check of the vector code once for every instruction set compiled that this processor
// has, each chosen in turn as the run-time dispatch would choose it, with the instruction set's
// name on any failure; once when the build compiles a single instruction set. The test program
// links viewer_simd.

#include <gtest/gtest.h>
#if !defined(HWY_COMPILE_ONLY_STATIC)
#include <hwy/targets.h>
#endif

#include <cstdint>

template <typename Check>
void forEveryTarget(Check check) {
#if defined(HWY_COMPILE_ONLY_STATIC)
    check();  // one instruction set compiled, no choice to make
#else
    for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
        SCOPED_TRACE(hwy::TargetName(target));
        hwy::SetSupportedTargetsForTest(target);
        check();
    }
    hwy::SetSupportedTargetsForTest(0);
#endif
}
