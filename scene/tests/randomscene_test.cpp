#include "scene/randomscene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "occlusion/vertexsets.h"

namespace {

bool samePositions(const Scene& a, const Scene& b) {
    if (a.objects.size() != b.objects.size()) return false;
    for (std::size_t i = 0; i < a.objects.size(); ++i) {
        if (a.objects[i].vertexSet != b.objects[i].vertexSet) return false;
    }
    return true;
}

TEST(BuildRandomScene, SeededLayoutOfBoxesThenOccludersWithinTheirExtents) {
    Scene scene;
    buildRandomScene(scene, 5, 4, 50);
    computeVertexSets(scene);
    ASSERT_EQ(scene.objects.size(), 54u);
    EXPECT_TRUE(scene.lighting && scene.flatShading);
    EXPECT_EQ(scene.lights.size(), 2u);
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const Object& object = scene.objects[i];
        EXPECT_EQ(object.occluder, i >= 50) << "object " << i;
        ASSERT_EQ(object.vertexSet.size(), 8u) << "object " << i;
        // A corner lies within the centre's extent plus half the box's longest diagonal.
        const float reachXY = object.occluder ? 1.6f + 1.04f : 1.0f + 0.13f;
        const float reachZ = object.occluder ? 0.8f + 1.04f : 0.4f + 0.13f;
        for (const Vector4D& corner : object.vertexSet) {
            EXPECT_LE(std::fabs(corner.x), reachXY);
            EXPECT_LE(std::fabs(corner.y), reachXY);
            EXPECT_LE(std::fabs(corner.z), reachZ);
        }
    }

    // The same seed gives the same scene, another seed another one.
    Scene again, other;
    buildRandomScene(again, 5, 4, 50);
    buildRandomScene(other, 6, 4, 50);
    computeVertexSets(again);
    computeVertexSets(other);
    EXPECT_TRUE(samePositions(scene, again));
    EXPECT_FALSE(samePositions(scene, other));

    EXPECT_THROW(buildRandomScene(scene, 1, -1, 5), std::invalid_argument);
}

}  // namespace
