#include "occlusion/vertexsets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// One object of one polygon per group of positions.
Scene sceneWithPolygons(const std::vector<std::vector<Point3D>>& polygons) {
    Scene scene;
    scene.beginObject(0);
    for (const auto& points : polygons) {
        scene.beginPolygon();
        for (const Point3D& p : points) scene.addVertex(p);
    }
    return scene;
}

TEST(ComputeVertexSets, KeepsFirstOccurrenceOrderWithoutDuplicates) {
    Scene scene = sceneWithPolygons({{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}},
                                     {{1, 1, 0}, {0, 0, 0}, {0, 0, 1}}});
    computeVertexSets(scene);
    const std::vector<Vector4D> expected = {
        {0, 0, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 0, 1, 1}};
    EXPECT_EQ(scene.objects[0].vertexSet, expected);
}

TEST(ComputeVertexSets, UsesExactEqualityWithSignedZerosMerged) {
    const float nextAfterOne = std::nextafter(1.0f, 2.0f);
    Scene scene = sceneWithPolygons({{{0.0f, 1, 0}, {-0.0f, 1, 0}, {0, nextAfterOne, 0}}});
    computeVertexSets(scene);
    ASSERT_EQ(scene.objects[0].vertexSet.size(), 2u);
    EXPECT_EQ(scene.objects[0].vertexSet[1].y, nextAfterOne);
}

TEST(ComputeVertexSets, EmptyObjectsAndRepeatedCalls) {
    Scene scene = sceneWithPolygons({{{0, 0, 0}, {1, 2, 3}}});
    scene.beginObject(0);  // no polygons
    scene.beginObject(0);
    scene.beginPolygon();  // a polygon without vertices
    computeVertexSets(scene);
    const auto first = scene.objects[0].vertexSet;
    computeVertexSets(scene);
    EXPECT_EQ(scene.objects[0].vertexSet, first);
    EXPECT_EQ(first.size(), 2u);
    EXPECT_TRUE(scene.objects[1].vertexSet.empty());
    EXPECT_TRUE(scene.objects[2].vertexSet.empty());
}

}  // namespace
