#include "occlusion/framedriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "occlusion/overlays.h"

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

    // The guard band: cells -1 to ceil(size / 10), so the samples reach past both edges.
    EXPECT_EQ(square.guardedWidth, 50);
    EXPECT_EQ(odd.guardedWidth, 51);
    EXPECT_EQ(odd.guardedHeight, 50);
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

// Every character 10 pixels wide: a piece of n characters fits a window of 10 + 10 n pixels.
int tenPixels(unsigned char) { return 10; }

TEST(WrapStatusText, BreaksAfterTheLastSeparatorThatFits) {
    const std::string text = "Objs: 231; Occldrs: 6; Passed HOM: 148; Passed DEB: 121";
    const int whole = 10 + 10 * static_cast<int>(text.size());
    EXPECT_EQ(wrapStatusText(text, whole, tenPixels), std::vector<std::string>{text});
    EXPECT_EQ(
        wrapStatusText(text, whole - 1, tenPixels),
        (std::vector<std::string>{"Objs: 231; Occldrs: 6; Passed HOM: 148;", "Passed DEB: 121"}));
    // Narrower: every piece on its own line; the first ";" of a piece that cannot fit still
    // breaks it, and text without a separator stays whole.
    EXPECT_EQ(wrapStatusText(text, 100, tenPixels),
              (std::vector<std::string>{"Objs: 231;", "Occldrs: 6;", "Passed HOM: 148;",
                                        "Passed DEB: 121"}));
    EXPECT_EQ(wrapStatusText("no separator here", 50, tenPixels),
              std::vector<std::string>{"no separator here"});
}

}  // namespace
