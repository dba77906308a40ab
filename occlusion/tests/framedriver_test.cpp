#include "occlusion/framedriver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FrameImageSizes, DropsRemaindersAndDisablesCullingBelowOneGridCell) {
    const FrameImageSizes square = frameImageSizes(480, 480);
    EXPECT_EQ(square.level0Width, 48);
    EXPECT_EQ(square.level0Height, 48);
    EXPECT_EQ(square.gridWidth, 24);
    EXPECT_EQ(square.gridHeight, 24);
    EXPECT_TRUE(square.cullingEnabled());

    const FrameImageSizes odd = frameImageSizes(485, 479);
    EXPECT_EQ(odd.level0Width, 48);
    EXPECT_EQ(odd.level0Height, 47);
    EXPECT_EQ(odd.gridWidth, 24);
    EXPECT_EQ(odd.gridHeight, 23);

    EXPECT_TRUE(frameImageSizes(20, 20).cullingEnabled());
    EXPECT_FALSE(frameImageSizes(19, 480).cullingEnabled());
    EXPECT_FALSE(frameImageSizes(480, 19).cullingEnabled());
    EXPECT_FALSE(frameImageSizes(1, 1).cullingEnabled());
}

TEST(FormatStatusText, ReportsObjectsAndCountersWithTheFixedOccluderFigure) {
    Scene scene;
    for (int i = 0; i < 3; ++i) scene.beginObject(i == 0 ? 1 : 0);
    scene.passedHom = 2;
    scene.passedDeb = 1;
    char msg[kStatusTextSize];
    formatStatusText(scene, msg, sizeof msg);
    EXPECT_EQ(std::string(msg), "Objs: 3; Occldrs: 6; Passed HOM: 2; Passed DEB: 1");
}

}  // namespace
