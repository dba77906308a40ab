#include <gtest/gtest.h>

#include <random>

#include "occlusion/outline.h"
#include "occlusion/rasterculling.h"
#include "occlusion/tests/glfixture.h"
#include "occlusion/tests/testscenes.h"
#include "occlusion/vectorprojection.h"
#include "occlusion/vertexsets.h"
#include "occlusion/visibility.h"

namespace {

constexpr int kSize = kTestWindowSize;

using RasterRect = GlTest;

// The raster rule tests an object's rectangle as it is, then its outline. Checked against
// OpenGL itself: every pixel it fills of a box, small or large, turned any way, lies in the
// box's rectangle and in its outline, at a window depth no nearer than the one the rule
// compares; the rectangle is often tight, so a pixel less on any side would miss some; and the
// outline leaves out pixels of the rectangle the box never fills.
TEST_F(RasterRect, HoldsEveryPixelOpenGLFillsOfABox) {
    std::mt19937 random(23);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int trials = 0, tightSides = 0, rectPixels = 0, outlinePixels = 0;
    while (trials < 60) {
        Scene scene;
        setTestCamera(scene);
        scene.modelView.translate(0.0f, 0.0f, -1.0f - 4.0f * unit(random));
        scene.modelView.rotateX(360.0f * unit(random));
        scene.modelView.rotateZ(360.0f * unit(random));
        const float size = trials % 3 == 0 ? 0.005f + 0.02f * unit(random) : 0.1f * unit(random);
        const Point3D lo{unit(random) - 0.5f, unit(random) - 0.5f, unit(random) - 0.5f};
        addBox(scene, lo, {lo.x + size, lo.y + size * unit(random), lo.z + size}, kObjectKind);
        computeVertexSets(scene);
        // The rule's own projection, by one combined matrix.
        const ProjectionSetup projection(scene.projection.current * scene.modelView.current, kSize,
                                         kSize);
        ScreenRect rect;
        DevicePoints corners;
        if (!projection.projectedRect(scene.objects[0].vertexSet, rect, &corners)) continue;
        ++trials;
        double x[OutlineRows::kMaxPoints], y[OutlineRows::kMaxPoints];
        double hullX[OutlineRows::kMaxPoints], hullY[OutlineRows::kMaxPoints];
        ASSERT_TRUE(RasterCulling::cornersInWindow(corners.corners(), kSize, kSize, x, y));
        OutlineRows outline;
        ASSERT_TRUE(outline.set(hullX, hullY,
                                convexHull(x, y, static_cast<int>(corners.count), hullX, hullY)));

        const FilledPixels f = fillObjectAlone(scene, scene.objects[0]);
        if (f.x1 < 0) continue;  // nothing of the box in view
        EXPECT_LE(rect.leftMost, f.x0) << "trial " << trials;
        EXPECT_GE(rect.rightMost, f.x1) << "trial " << trials;
        EXPECT_LE(rect.topMost, f.y0) << "trial " << trials;
        EXPECT_GE(rect.bottomMost, f.y1) << "trial " << trials;
        EXPECT_GE(f.nearest, nearestWindowDepth(rect)) << "trial " << trials;
        tightSides += (rect.leftMost == f.x0) + (rect.rightMost == f.x1) + (rect.topMost == f.y0) +
                      (rect.bottomMost == f.y1);
        for (int row0 = 0; row0 < kSize; row0 += OutlineRows::kRows) {
            int16_t first[OutlineRows::kRows], last[OutlineRows::kRows];
            outline.spans(row0, kSize, first, last);
            for (int r = 0; r < OutlineRows::kRows; ++r) {
                const int py = row0 + r;
                for (int px = 0; px < kSize; ++px) {
                    const bool inOutline = px >= first[r] && px <= last[r];
                    if (f.at(px, py)) {
                        ASSERT_TRUE(inOutline) << "trial " << trials << ": pixel " << px << ", "
                                               << py << " filled outside the outline";
                    }
                    const bool inRect = px >= rect.leftMost && px <= rect.rightMost &&
                                        py >= rect.topMost && py <= rect.bottomMost;
                    rectPixels += inRect ? 1 : 0;
                    outlinePixels += inOutline ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GT(tightSides, 60);
    EXPECT_LT(outlinePixels, rectPixels * 3 / 4);
}

}  // namespace
