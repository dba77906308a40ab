#include "occlusion/convexsolid.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "math/transformstack.h"
#include "occlusion/occlusionbuffer.h"
#include "occlusion/tests/rasterreference.h"
#include "scene/shapes.h"

namespace {

constexpr int kWidth = 96, kHeight = 72;

// Boxes turned any way in front of a perspective camera (near 0.1) looking down -z: kind 0
// ordinary, 1 thin slabs (faces seen nearly edge-on), 2 reaching through the near plane, 3
// large ones reaching past the window's sides.
Object randomBox(std::mt19937& random, int kind) {
    const auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(random);
    };
    Scene scene;
    scene.modelling.translate(uniform(-2.0f, 2.0f), uniform(-1.5f, 1.5f),
                              kind == 2 ? uniform(-0.6f, -0.2f) : uniform(-8.0f, -2.0f));
    scene.modelling.rotateX(uniform(0.0f, 360.0f));
    scene.modelling.rotateY(uniform(0.0f, 360.0f));
    scene.modelling.rotateZ(uniform(0.0f, 360.0f));
    double size[3];
    for (double& s : size) s = kind == 3 ? uniform(3.0f, 6.0f) : uniform(0.2f, 2.0f);
    if (kind == 1) size[random() % 3] = uniform(1e-4f, 0.02f);
    makeBox(scene, size[0], size[1], size[2], 1);
    return scene.objects.back();
}

// A box drawn at once covers exactly the pixels its faces drawn one by one cover, and no pixel
// reads nearer than the faces' true depth there (the brute-force reference); where it cannot be
// drawn at once, nothing is drawn and the caller is told so.
TEST(ConvexSolid, DrawnAtOnceCoversWhatItsFacesCoverAndNoNearer) {
    TransformStack camera;
    camera.perspective(0.4f, 0.3f, 0.1f, 100.0f);
    std::mt19937 random(5);
    int drawn = 0, declined = 0, checked = 0;
    for (int round = 0; round < 80; ++round) {
        const Object box = randomBox(random, round % 4);
        ConvexSolid solid;
        solid.update(box.polygons);
        ASSERT_TRUE(solid.isSolid());
        std::vector<Vector4D> clip;
        for (const Vector4D& c : solid.corners()) clip.push_back(camera.transform(c));
        OcclusionBuffer atOnce, oneByOne;
        atOnce.resize(kWidth, kHeight), oneByOne.resize(kWidth, kHeight);
        const bool done =
            atOnce.drawConvexSolid(clip.data(), static_cast<int>(clip.size()), solid.faces());
        std::vector<std::vector<Vector4D>> triangles;
        for (const Polygon& face : box.polygons) {
            std::vector<Vector4D> corners;
            for (const Vertex& v : face) corners.push_back(camera.transform(v.position));
            oneByOne.drawPolygon(corners.data(), static_cast<int>(corners.size()));
            for (std::size_t k = 1; k + 1 < corners.size(); ++k) {
                triangles.push_back({corners[0], corners[k], corners[k + 1]});
            }
        }
        const std::vector<ReferencePixel> truth = referenceImage(triangles, kWidth, kHeight);
        (done ? drawn : declined) += 1;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const float depth = atOnce.depthAt(x, y);
                if (!done) {
                    ASSERT_EQ(depth, 1.0f) << "round " << round << " drew though it declined";
                    continue;
                }
                ASSERT_EQ(depth < 1.0f, oneByOne.depthAt(x, y) < 1.0f)
                    << "round " << round << " pixel " << x << ", " << y;
                const ReferencePixel& r = truth[static_cast<std::size_t>(y) * kWidth + x];
                if (r.undecided || !r.covered) continue;
                ++checked;
                ASSERT_GE(static_cast<double>(depth), r.depth - 1e-7)
                    << "round " << round << " pixel " << x << ", " << y;
            }
        }
    }
    EXPECT_GT(drawn, 30);
    EXPECT_GT(declined, 5);  // those through the near plane at least
    EXPECT_GT(checked, 20000);
}

// Boxes and a tetrahedron are solids; an open box, a letter with a hole, two
// boxes in one object and a box with one corner pushed in are not; and a solid found once is
// found again when its polygons change.
TEST(ConvexSolid, TellsClosedConvexSolidsFromOtherShapes) {
    Scene scene;
    const auto made = [&](auto make) {
        make();
        ConvexSolid solid;
        solid.update(scene.objects.back().polygons);
        return solid;
    };
    const ConvexSolid box = made([&] { makeBox(scene, 1.0, 2.0, 3.0, 1); });
    ASSERT_TRUE(box.isSolid());
    EXPECT_EQ(box.corners().size(), 8u);
    EXPECT_EQ(box.faces().count, 6);
    // A tetrahedron, its triangles counter-clockwise seen from outside.
    const ConvexSolid tetrahedron = made([&] {
        const Point3D p[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        const int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
        scene.beginObject(1);
        for (const auto& face : faces) {
            scene.beginPolygon();
            for (int k : face) scene.addVertex(p[k]);
        }
    });
    EXPECT_TRUE(tetrahedron.isSolid());
    EXPECT_EQ(tetrahedron.corners().size(), 4u);
    EXPECT_FALSE(made([&] {
                     makeBox(scene, 1.0, 1.0, 1.0, 1);
                     scene.objects.back().polygons.pop_back();
                 }).isSolid());
    EXPECT_FALSE(made([&] { makeLetterA(scene); }).isSolid());
    EXPECT_FALSE(made([&] {
                     makeBox(scene, 1.0, 1.0, 1.0, 1);
                     const std::vector<Polygon> first = scene.objects.back().polygons;
                     scene.modelling.translate(3.0f, 0.0f, 0.0f);
                     makeBox(scene, 1.0, 1.0, 1.0, 1);
                     scene.objects.pop_back();
                     scene.objects.back().polygons.insert(scene.objects.back().polygons.end(),
                                                          first.begin(), first.end());
                 }).isSolid());

    // One corner of a box moved to its centre, in every face that holds it.
    makeBox(scene, 1.0, 1.0, 1.0, 1);
    std::vector<Polygon> polygons = scene.objects.back().polygons;
    ConvexSolid solid;
    solid.update(polygons);
    ASSERT_TRUE(solid.isSolid());
    const Vector4D corner = polygons[0][0].position;
    for (Polygon& face : polygons) {
        for (Vertex& v : face) {
            if (v.position == corner) v.position = Vector4D(0.0f, 0.0f, 0.0f, 1.0f);
        }
    }
    solid.update(polygons);
    EXPECT_FALSE(solid.isSolid());
}

}  // namespace
