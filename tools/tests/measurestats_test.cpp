#include "tools/measurestats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>

namespace {

TEST(SweepPath, OrderAndFirstView) {
    const std::vector<CameraState> path = sweepPath(4, {-90.0f, 0.0f}, {-5.0f, 7.0f});
    ASSERT_EQ(path.size(), 16u);
    // The viewer's initial camera comes first.
    EXPECT_EQ(path[0].rotX, -90.0f);
    EXPECT_EQ(path[0].rotZ, 0.0f);
    EXPECT_EQ(path[0].zoom, -5.0f);
    // Headings vary fastest, then tilts, then zooms; a turn never repeats its start.
    EXPECT_EQ(path[1].rotZ, 90.0f);
    EXPECT_EQ(path[3].rotZ, 270.0f);
    EXPECT_EQ(path[4].rotX, 0.0f);
    EXPECT_EQ(path[4].rotZ, 0.0f);
    EXPECT_EQ(path[8].zoom, 7.0f);
    EXPECT_EQ(path[15].rotX, 0.0f);
    EXPECT_TRUE(sweepPath(0, {-90.0f}, {-5.0f}).empty());
    EXPECT_TRUE(sweepPath(3, {}, {-5.0f}).empty());
}

TEST(ParseCameraState, AcceptsThreeOrFiveNumbersOnly) {
    CameraState state;
    ASSERT_TRUE(parseCameraState("-60,45.5,-1", state));
    EXPECT_EQ(state.rotX, -60.0f);
    EXPECT_EQ(state.rotZ, 45.5f);
    EXPECT_EQ(state.zoom, -1.0f);
    EXPECT_EQ(state.panX, 0.0f);
    ASSERT_TRUE(parseCameraState("1,2,3,4,5", state));
    EXPECT_EQ(state.panX, 4.0f);
    EXPECT_EQ(state.panY, 5.0f);
    for (const char* bad : {"", "1,2", "1,2,3,4", "1,2,3,", "1,,3", "a,2,3", "1,2,3x", "1,2,nan",
                            "1,2,inf", "1,2,3,4,5,6"}) {
        CameraState untouched;
        untouched.rotZ = 123.0f;
        EXPECT_FALSE(parseCameraState(bad, untouched)) << bad;
        EXPECT_EQ(untouched.rotZ, 123.0f) << bad;
    }
    std::vector<float> values{9.0f};
    EXPECT_FALSE(parseNumberList(",", values));
    EXPECT_EQ(values.size(), 1u);
    ASSERT_TRUE(parseNumberList("-90,-60", values));
    EXPECT_EQ(values, (std::vector<float>{-90.0f, -60.0f}));
}

TEST(CompareWithTruth, CountsAgainstAnIndependentTally) {
    {
        // Objects: occluder, visible kept, visible culled, hidden culled, hidden kept.
        const DecisionCounts c =
            compareWithTruth({true, false, false, false, false}, {true, true, true, false, false},
                             {true, false, true, true, false});
        EXPECT_EQ(c.visible, 2);
        EXPECT_EQ(c.hidden, 2);
        EXPECT_EQ(c.culled, 2);
        EXPECT_EQ(c.falseCulls, 1);
        EXPECT_EQ(c.missed, 1);
    }
    {
        // Seeded random decisions: every hidden object is culled correctly or missed.
        std::mt19937 random(7);
        std::bernoulli_distribution coin(0.5);
        std::vector<bool> occluder(500), visible(500), culled(500);
        for (std::size_t i = 0; i < 500; ++i) {
            occluder[i] = i % 50 == 0;
            visible[i] = coin(random);
            culled[i] = coin(random);
        }
        const DecisionCounts c = compareWithTruth(occluder, visible, culled);
        EXPECT_EQ(c.visible + c.hidden, 490);
        EXPECT_EQ(c.culled - c.falseCulls + c.missed, c.hidden);
        EXPECT_LE(c.falseCulls, c.visible);
    }
    EXPECT_THROW(compareWithTruth({false}, {true, false}, {false}), std::invalid_argument);
}

TEST(Statistics, NearestRankPercentilesAndEffectiveness) {
    EXPECT_TRUE(std::isnan(percentile({}, 0.5)));
    EXPECT_EQ(percentile({3.0}, 0.95), 3.0);
    // Unsorted input; nearest rank: the median of 4 values is the second, p95 the fourth.
    EXPECT_EQ(percentile({4.0, 1.0, 3.0, 2.0}, 0.5), 2.0);
    EXPECT_EQ(percentile({4.0, 1.0, 3.0, 2.0}, 0.95), 4.0);
    EXPECT_EQ(percentile({4.0, 1.0, 3.0, 2.0}, 0.0), 1.0);
    EXPECT_EQ(percentile({4.0, 1.0, 3.0, 2.0}, 1.0), 4.0);
    std::vector<double> hundred;
    for (int k = 100; k >= 1; --k) hundred.push_back(k);
    EXPECT_EQ(percentile(hundred, 0.95), 95.0);
    EXPECT_EQ(mean({1.0, 2.0, 6.0}), 3.0);

    EXPECT_EQ(cullingEffectiveness(10.0, 4.0, 4.0), 1.0);    // as good as the oracle
    EXPECT_EQ(cullingEffectiveness(10.0, 10.0, 4.0), 0.0);   // saves nothing
    EXPECT_EQ(cullingEffectiveness(10.0, 13.0, 4.0), -0.5);  // costs more than it saves
    EXPECT_TRUE(std::isnan(cullingEffectiveness(4.0, 4.0, 4.0)));
}

}  // namespace
