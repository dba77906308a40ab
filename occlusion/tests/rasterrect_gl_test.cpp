#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "occlusion/glmatrices.h"
#include "occlusion/tests/glfixture.h"
#include "occlusion/tests/testscenes.h"
#include "occlusion/vectorprojection.h"
#include "occlusion/vertexsets.h"
#include "occlusion/visibility.h"

namespace {

constexpr int kSize = kTestWindowSize;

using RasterRect = GlTest;

// The raster rule tests an object's rectangle as it is. Checked against OpenGL itself: every
// pixel it fills of a box, small or large, turned any way, lies in the box's rectangle, at a
// window depth no nearer than the one the rule compares; and the rectangle is often tight, so a
// pixel less on any side would miss some.
TEST_F(RasterRect, HoldsEveryPixelOpenGLFillsOfABox) {
    std::mt19937 random(23);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> depth(static_cast<size_t>(kSize) * kSize);
    int trials = 0, tightSides = 0;
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
        const ProjectionSetup projection(scene.modelView, scene.projection, kSize, kSize);
        ScreenRect rect;
        if (!projection.projectedRect(scene.objects[0].vertexSet, rect)) continue;
        ++trials;

        clearWindow(0, 0, 0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        loadSceneMatrices(scene);
        for (const Polygon& polygon : scene.objects[0].polygons) {
            glBegin(GL_POLYGON);
            for (const Vertex& v : polygon) glVertex3f(v.position.x, v.position.y, v.position.z);
            glEnd();
        }
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kSize, kSize, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        glDisable(GL_DEPTH_TEST);

        int x0 = kSize, x1 = -1, y0 = kSize, y1 = -1;
        float nearest = 1.0f;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                const float d = depth[static_cast<size_t>(y) * kSize + static_cast<size_t>(x)];
                if (d >= 1.0f) continue;
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
                nearest = std::min(nearest, d);
            }
        }
        if (x1 < 0) continue;  // nothing of the box in view
        EXPECT_LE(rect.leftMost, x0) << "trial " << trials;
        EXPECT_GE(rect.rightMost, x1) << "trial " << trials;
        EXPECT_LE(rect.topMost, y0) << "trial " << trials;
        EXPECT_GE(rect.bottomMost, y1) << "trial " << trials;
        EXPECT_GE(nearest, nearestWindowDepth(rect)) << "trial " << trials;
        tightSides += (rect.leftMost == x0) + (rect.rightMost == x1) + (rect.topMost == y0) +
                      (rect.bottomMost == y1);
    }
    EXPECT_GT(tightSides, 60);
}

}  // namespace
