#include "occlusion/vectorprojection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/camera.h"
#include "app/view.h"
#include "occlusion/vertexsets.h"
#include "occlusion/visibility.h"
#include "scene/demoscene.h"
#include "scene/randomscene.h"
#include "testing/everytarget.h"
#include "tools/measureoptions.h"
#include "tools/measurestats.h"

namespace {

// Over every view of the measurement's default path, on the demo scene and a random one, in a
// window whose sides differ: the vectorised projection gives the reference's rectangle and
// answer for every object, so every rule decides the same either way, and the reference's
// points for the raster rule's outline, one set at a time and all of them in one call (with the
// points and without). Run once for every instruction set compiled that this processor has.
void expectSameRectanglesAsTheReference() {
    Scene demo, random;
    buildDemoScene(demo);
    buildRandomScene(random, 3, kDefaultRandomOccluders, kDefaultRandomObjects);
    // Sets of 0 to 11 entries: every remainder of the four lanes, and the fillers of short sets.
    for (int n = 0; n <= 11; ++n) {
        Object odd;
        for (int k = 0; k < n; ++k) {
            odd.vertexSet.emplace_back(0.1f * k - 0.3f, 0.4f - 0.05f * k, 0.02f * k, 1.0f);
        }
        demo.objects.push_back(odd);
    }
    computeVertexSets(demo);
    computeVertexSets(random);
    std::vector<Vector4D> slots;
    DevicePoints corners;
    ProjectedSets batch, plain, oneMatrix;
    int projected = 0, refused = 0, compared = 0;
    double farthestApart = 0.0, deepestApart = 0.0;
    for (const CameraState& view : sweepPath(kDefaultSpins, kDefaultTilts, kDefaultZooms)) {
        rotX = view.rotX, rotZ = view.rotZ, zoom = view.zoom, panX = view.panX, panY = view.panY;
        for (Scene* scene : {&demo, &random}) {
            setView(*scene, 480, 360);
            const ProjectionSetup setup(scene->modelView, scene->projection, 480, 360);
            // All the objects in one call too, every seventh skipped.
            batch.sets.clear();
            for (std::size_t i = 0; i < scene->objects.size(); ++i) {
                batch.sets.push_back(i % 7 == 3 ? nullptr : &scene->objects[i].vertexSet);
            }
            setup.project(batch, true);
            // The same call without points, as the farthest rule makes it.
            plain.sets = batch.sets;
            setup.project(plain, false);
            // The raster rule's projection by one combined matrix, for the same sets.
            oneMatrix.sets = batch.sets;
            ProjectionSetup(scene->projection.current * scene->modelView.current, 480, 360)
                .project(oneMatrix, true);
            for (std::size_t i = 0; i < scene->objects.size(); ++i) {
                const Object& object = scene->objects[i];
                ScreenRect fast;
                const bool reference = projectVertexSet(object.vertexSet, scene->modelView,
                                                        scene->projection, 480, 360, slots);
                ASSERT_EQ(setup.projectedRect(object.vertexSet, fast, &corners), reference);
                ASSERT_EQ(batch.projected[i] != 0, reference && i % 7 != 3);
                ASSERT_EQ(plain.projected[i], batch.projected[i]);
                if (!reference) {
                    ++refused;
                    continue;
                }
                ++projected;
                const ScreenRect r = boundingRect(slots, object.vertexSet.size(), 480, 360);
                ASSERT_EQ(fast.leftMost, r.leftMost);
                ASSERT_EQ(fast.rightMost, r.rightMost);
                ASSERT_EQ(fast.topMost, r.topMost);
                ASSERT_EQ(fast.bottomMost, r.bottomMost);
                ASSERT_EQ(fast.deepMost, r.deepMost);
                ASSERT_EQ(fast.nearMost, r.nearMost);
                // The corners the raster rule's outline is made of: the reference's points.
                ASSERT_EQ(corners.count, object.vertexSet.size());
                for (std::size_t k = 0; k < corners.count; ++k) {
                    ASSERT_EQ(toTarget(corners.x[k], 480), slots[k].x);
                    ASSERT_EQ(toTarget(corners.y[k], 360), slots[k].y);
                }
                if (!batch.projected[i]) continue;
                const ScreenRect& b = batch.rects[i];
                ASSERT_TRUE(b.leftMost == r.leftMost && b.rightMost == r.rightMost &&
                            b.topMost == r.topMost && b.bottomMost == r.bottomMost &&
                            b.deepMost == r.deepMost && b.nearMost == r.nearMost);
                const ScreenRect& p = plain.rects[i];
                ASSERT_TRUE(p.leftMost == r.leftMost && p.rightMost == r.rightMost &&
                            p.topMost == r.topMost && p.bottomMost == r.bottomMost &&
                            p.deepMost == r.deepMost && p.nearMost == r.nearMost);
                const CornerPoints c = batch.corners(i);
                ASSERT_EQ(c.count, corners.count);
                ASSERT_TRUE(std::equal(c.x, c.x + c.count, corners.x.begin()));
                ASSERT_TRUE(std::equal(c.y, c.y + c.count, corners.y.begin()));
                // One matrix rounds differently: the same points to a small fraction of the
                // raster rule's margins (1/32 pixel, 1/65536 in depth), for objects near the
                // window. (A corner close to the eye plane lands far off, where either rounding
                // is large: each is as far from the exact point.)
                const auto nearWindow = [](float v) { return std::fabs(v) <= 1.5f; };
                if (!oneMatrix.projected[i] || !std::all_of(c.x, c.x + c.count, nearWindow) ||
                    !std::all_of(c.y, c.y + c.count, nearWindow)) {
                    continue;
                }
                ++compared;
                const CornerPoints o = oneMatrix.corners(i);
                for (std::size_t k = 0; k < c.count; ++k) {
                    farthestApart = std::max(
                        {farthestApart, std::fabs(static_cast<double>(o.x[k] - c.x[k])) * 240.0,
                         std::fabs(static_cast<double>(o.y[k] - c.y[k])) * 180.0});
                }
                const ScreenRect& m = oneMatrix.rects[i];
                ASSERT_LE(std::abs(m.leftMost - r.leftMost) + std::abs(m.rightMost - r.rightMost) +
                              std::abs(m.topMost - r.topMost) +
                              std::abs(m.bottomMost - r.bottomMost),
                          1);
                deepestApart =
                    std::max(deepestApart, std::fabs(static_cast<double>(m.nearMost - r.nearMost)));
            }
        }
    }
    EXPECT_GT(projected, 100000);
    EXPECT_GT(refused, 100) << "views from inside the ring put some corners behind the eye";
    EXPECT_GT(compared, projected / 2);
    EXPECT_LT(farthestApart, 1.0 / 1024) << "pixels between a corner and its one-matrix image";
    EXPECT_LT(deepestApart, 2.0 * static_cast<double>(kDepthMapMargin) / 8)
        << "between the nearest device depths";
}

TEST(ProjectionSetup, SameRectanglesAsTheReferenceOverTheDefaultPath) {
    forEveryTarget(expectSameRectanglesAsTheReference);
}

}  // namespace
