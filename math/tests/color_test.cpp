#include "math/color.h"

#include <gtest/gtest.h>

#include <limits>

#include "math/numeric.h"
#include "testing/tolerances.h"

namespace {

void expectColor(const Color& c, float r, float g, float b, float a) {
    EXPECT_NEAR(c.r, r, tol::kQuoted);
    EXPECT_NEAR(c.g, g, tol::kQuoted);
    EXPECT_NEAR(c.b, b, tol::kQuoted);
    EXPECT_EQ(c.a, a);
}

TEST(HSVColor, CoversTheSixSextants) {
    expectColor(HSVColor(0, 1, 1, 0.5f), 1, 0, 0, 0.5f);
    expectColor(HSVColor(0.083f, 0.75f, 0.8f, 1), 0.8f, 0.4988f, 0.2f, 1);
    expectColor(HSVColor(1.5f / 6, 1, 1, 1), 0.5f, 1, 0, 1);
    expectColor(HSVColor(2.5f / 6, 1, 1, 1), 0, 1, 0.5f, 1);
    expectColor(HSVColor(3.5f / 6, 1, 1, 1), 0, 0.5f, 1, 1);
    expectColor(HSVColor(4.5f / 6, 1, 1, 1), 0.5f, 0, 1, 1);
    expectColor(HSVColor(5.5f / 6, 1, 1, 1), 1, 0, 0.5f, 1);
}

TEST(HSVColor, ZeroSaturationIsGreyWhateverTheHue) {
    for (float h : {0.0f, 0.3f, 1.7f, -4.0f}) {
        EXPECT_EQ(HSVColor(h, 0, 0.25f, 1), Color(0.25f, 0.25f, 0.25f, 1));
    }
}

TEST(HSVColor, HuesOutsideTheWheel) {
    // Multiples of 6 select the first sextant: h = 1 and h = 2 are red again.
    expectColor(HSVColor(1, 1, 1, 1), 1, 0, 0, 1);
    expectColor(HSVColor(2, 1, 1, 0.5f), 1, 0, 0, 0.5f);
    // Any other sextant beyond 5 leaves opaque black, ignoring alpha.
    EXPECT_EQ(HSVColor(1.5f, 1, 1, 0.5f), Color(0, 0, 0, 1));
    EXPECT_EQ(HSVColor(-0.5f, 1, 1, 0.5f), Color(0, 0, 0, 1));
    // Non-finite hues are defined too.
    EXPECT_EQ(HSVColor(std::numeric_limits<float>::infinity(), 1, 1, 0.5f), Color(0, 0, 0, 1));
}

TEST(HSVColor, HugeHuesKeepTheRuleWhileTheIndexFitsAnInt) {
    {
        // 6h = +-1.2e9: exact, an int, a multiple of 6, so the first sextant.
        expectColor(HSVColor(2e8f, 1, 1, 0.5f), 1, 0, 0, 0.5f);
        expectColor(HSVColor(-2e8f, 1, 1, 0.5f), 1, 0, 0, 0.5f);
    }
    {
        // The largest float multiple of 6 below 2^31 still fits; the next one, 2^31 + 256, does
        // not and has no sextant although it is a multiple of 6 too.
        const float lastInside = 357913920.0f;
        const float firstBeyond = 357913984.0f;
        ASSERT_EQ(6.0f * lastInside, 2147483520.0f);
        ASSERT_EQ(6.0f * firstBeyond, 2147483904.0f);
        expectColor(HSVColor(lastInside, 1, 1, 0.5f), 1, 0, 0, 0.5f);
        expectColor(HSVColor(-lastInside, 1, 1, 0.5f), 1, 0, 0, 0.5f);
        EXPECT_EQ(HSVColor(firstBeyond, 1, 1, 0.5f), Color(0, 0, 0, 1));
        EXPECT_EQ(HSVColor(-firstBeyond, 1, 1, 0.5f), Color(0, 0, 0, 1));
    }
    {
        EXPECT_EQ(HSVColor(std::numeric_limits<float>::quiet_NaN(), 1, 1, 0.5f), Color(0, 0, 0, 1));
        EXPECT_EQ(HSVColor(-std::numeric_limits<float>::infinity(), 1, 1, 0.5f), Color(0, 0, 0, 1));
    }
}

TEST(HSVColor, SaturationAboveOneGoesNegativeUnclamped) {
    const Color c = HSVColor(0.125f, 1.014f, 0.9f, 1);
    EXPECT_LT(c.b, 0.0f);
}

TEST(ColorArithmetic, ChannelWiseWithAlphaAndNoClamping) {
    const Color a(0.5f, 1, 0.25f, 1);
    const Color b(1, 0.5f, 2, 0.5f);
    EXPECT_EQ(a + b, Color(1.5f, 1.5f, 2.25f, 1.5f));
    EXPECT_EQ(a * b, Color(0.5f, 0.5f, 0.5f, 0.5f));
    EXPECT_EQ(a * 2.0f, Color(1, 2, 0.5f, 2));
    EXPECT_EQ(2.0f * a, a * 2.0f);
    EXPECT_EQ(static_cast<const void*>(&a), static_cast<const void*>(a.data()));
}

TEST(TruncateToInt, TruncatesLikeACastAndSaturates) {
    EXPECT_EQ(truncateToInt(-3.5), -3);
    EXPECT_EQ(truncateToInt(7.9), 7);
    EXPECT_EQ(truncateToInt(-0.9), 0);
    EXPECT_EQ(truncateToInt(1e30), kTruncateLimit);
    EXPECT_EQ(truncateToInt(-std::numeric_limits<double>::infinity()), -kTruncateLimit);
    EXPECT_EQ(truncateToInt(std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
