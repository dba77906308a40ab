#include "scene/demoscene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "occlusion/vertexsets.h"
#include "testing/tolerances.h"

namespace {

constexpr size_t kGridBoxes = 225;
constexpr size_t kObjects = kGridBoxes + 6;

struct Bounds {
    Vector3D low{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                 std::numeric_limits<float>::max()};
    Vector3D high{std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest(),
                  std::numeric_limits<float>::lowest()};
    Vector3D centre() const { return (low + high) * 0.5f; }
    Vector3D size() const { return high - low; }
};

Bounds boundsOf(const Object& object) {
    Bounds b;
    for (const Polygon& polygon : object.polygons) {
        for (const Vertex& v : polygon) {
            for (int c = 0; c < 3; ++c) {
                b.low[c] = std::min(b.low[c], v.position[c]);
                b.high[c] = std::max(b.high[c], v.position[c]);
            }
        }
    }
    return b;
}

void expectNear(const Vector3D& actual, float x, float y, float z, float tolerance) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

void expectNear(const Color& actual, float r, float g, float b) {
    EXPECT_NEAR(actual.r, r, tol::kQuoted);
    EXPECT_NEAR(actual.g, g, tol::kQuoted);
    EXPECT_NEAR(actual.b, b, tol::kQuoted);
    EXPECT_EQ(actual.a, 1.0f);
}

TEST(BuildDemoScene, CountsSwitchesAndLights) {
    Scene scene;
    buildDemoScene(scene);
    ASSERT_EQ(scene.objects.size(), kObjects);
    for (size_t k = 0; k < kObjects; ++k) {
        EXPECT_EQ(scene.objects[k].occluder, k >= kGridBoxes) << "object " << k;
        EXPECT_EQ(scene.objects[k].texture, nullptr);
        EXPECT_EQ(scene.objects[k].heightMap, nullptr);
        EXPECT_EQ(scene.objects[k].reflection, nullptr);
    }
    EXPECT_TRUE(scene.lighting);
    EXPECT_TRUE(scene.flatShading);
    EXPECT_TRUE(scene.antialiasTextures);
    EXPECT_EQ(scene.ambient, Color(0.3f, 0.3f, 0.3f, 1.0f));
    ASSERT_EQ(scene.lights.size(), 2u);
    EXPECT_EQ(scene.lights[0].position, Point3D(100, 0, 50));
    EXPECT_EQ(scene.lights[0].colour, Color(0.8f, 0.8f, 0.8f, 1));
    EXPECT_EQ(scene.lights[1].position, Point3D(-100, 0, 80));
    EXPECT_EQ(scene.lights[1].colour, Color(0.5f, 0.5f, 0.5f, 1));
    EXPECT_TRUE(scene.modelling.saved.empty());
    EXPECT_EQ(scene.currentS, 0.0f);
    EXPECT_EQ(scene.currentT, 0.0f);
}

TEST(BuildDemoScene, TellingGridBoxes) {
    Scene scene;
    buildDemoScene(scene);
    const float footprint = 0.10714286f;
    struct Telling {
        size_t index;
        float x, y, height;
        float r, g, b;
    };
    for (const Telling& t : {Telling{0, -1, -1, 0.05f, 0.9f, 0.675f, 0},
                             Telling{112, 0.028f, 0.021f, 0.293f, 0.8748f, 0.8845f, 0.9f},
                             Telling{210, 1.014f, -0.972f, 0.0465f, -0.0126f, 0.9f, 0.234f},
                             Telling{224, 1.056f, 1.042f, 0.036f, -0.0504f, 0.1933f, 0.9f}}) {
        SCOPED_TRACE(testing::Message() << "object " << t.index);
        const Object& box = scene.objects[t.index];
        const Bounds b = boundsOf(box);
        expectNear(b.centre(), t.x, t.y, 0, tol::kQuoted);
        expectNear(b.size(), footprint, footprint, t.height, tol::kQuoted);
        expectNear(box.diffuse, t.r, t.g, t.b);
        EXPECT_EQ(box.specular, Color(1.5f, 1.5f, 1.5f, 1));
        EXPECT_EQ(box.shininess, 120);
    }
    // Object 0 sits exactly on (-1, -1, 0): its extent is symmetric about it.
    const Bounds first = boundsOf(scene.objects[0]);
    EXPECT_EQ(first.low.x + first.high.x, -2.0f);
    EXPECT_EQ(first.low.z, -first.high.z);

    float tallest = 0.0f;
    size_t tallestIndex = 0;
    for (size_t k = 0; k < kGridBoxes; ++k) {
        const float height = boundsOf(scene.objects[k]).size().z;
        if (height > tallest) {
            tallest = height;
            tallestIndex = k;
        }
    }
    EXPECT_EQ(tallestIndex, 112u);
}

TEST(BuildDemoScene, SlabsSurroundTheGridWithTheLastGridMaterial) {
    Scene scene;
    buildDemoScene(scene);
    const Object& last = scene.objects[kGridBoxes - 1];
    const float centres[6][3] = {{1.5f, 0, 0},  {-1.5f, 0, 0}, {0, 1.5f, 0},
                                 {0, -1.5f, 0}, {0, 0, 0.7f},  {0, 0, -0.7f}};
    const float sizes[6][3] = {{0.3f, 1, 1}, {0.3f, 1, 1}, {1, 0.3f, 1},
                               {1, 0.3f, 1}, {1, 1, 0.3f}, {1, 1, 0.3f}};
    for (size_t s = 0; s < 6; ++s) {
        SCOPED_TRACE(testing::Message() << "slab " << s + 1);
        const Object& slab = scene.objects[kGridBoxes + s];
        const Bounds b = boundsOf(slab);
        expectNear(b.centre(), centres[s][0], centres[s][1], centres[s][2], tol::kChain);
        expectNear(b.size(), sizes[s][0], sizes[s][1], sizes[s][2], tol::kChain);
        EXPECT_EQ(slab.diffuse, last.diffuse);
        EXPECT_EQ(slab.specular, last.specular);
        EXPECT_EQ(slab.shininess, last.shininess);
    }
}

TEST(BuildDemoScene, EveryObjectIsABoxWithEightDistinctCorners) {
    Scene scene;
    buildDemoScene(scene);
    computeVertexSets(scene);
    for (size_t k = 0; k < scene.objects.size(); ++k) {
        const Object& object = scene.objects[k];
        ASSERT_EQ(object.polygons.size(), 6u) << "object " << k;
        for (const Polygon& face : object.polygons) EXPECT_EQ(face.size(), 4u) << "object " << k;
        EXPECT_EQ(object.vertexSet.size(), 8u) << "object " << k;
    }
}

TEST(BuildDemoScene, RebuildingGivesTheIdenticalScene) {
    Scene fresh;
    buildDemoScene(fresh);

    Scene reused;
    reused.setAmbient(Color(1, 0, 0, 1));
    reused.setMaterial(Color(0, 1, 0, 1), Color(0, 0, 1, 1), 3);
    reused.setTexCoord(0.5f, 0.25f);
    reused.addLight(Point3D(1, 1, 1), Color(1, 1, 1, 1));
    reused.beginObject(1);
    buildDemoScene(reused);
    buildDemoScene(reused);

    ASSERT_EQ(reused.objects.size(), fresh.objects.size());
    ASSERT_EQ(reused.lights.size(), fresh.lights.size());
    EXPECT_EQ(reused.ambient, fresh.ambient);
    for (size_t k = 0; k < fresh.objects.size(); ++k) {
        const Object& a = fresh.objects[k];
        const Object& b = reused.objects[k];
        EXPECT_EQ(a.diffuse, b.diffuse);
        EXPECT_EQ(a.occluder, b.occluder);
        ASSERT_EQ(a.polygons.size(), b.polygons.size());
        for (size_t p = 0; p < a.polygons.size(); ++p) {
            ASSERT_EQ(a.polygons[p].size(), b.polygons[p].size());
            for (size_t v = 0; v < a.polygons[p].size(); ++v) {
                EXPECT_EQ(a.polygons[p][v].position, b.polygons[p][v].position);
                EXPECT_EQ(a.polygons[p][v].normal, b.polygons[p][v].normal);
                EXPECT_EQ(a.polygons[p][v].s, b.polygons[p][v].s);
                EXPECT_EQ(a.polygons[p][v].link, b.polygons[p][v].link);
            }
        }
    }
}

// Exact equality of everything the pipeline reads from two scenes.
void expectIdenticalScenes(const Scene& a, const Scene& b) {
    ASSERT_EQ(a.objects.size(), b.objects.size());
    ASSERT_EQ(a.lights.size(), b.lights.size());
    EXPECT_EQ(a.ambient, b.ambient);
    EXPECT_EQ(a.lighting, b.lighting);
    EXPECT_EQ(a.flatShading, b.flatShading);
    for (size_t k = 0; k < a.lights.size(); ++k) {
        EXPECT_EQ(a.lights[k].position, b.lights[k].position);
        EXPECT_EQ(a.lights[k].colour, b.lights[k].colour);
    }
    for (size_t k = 0; k < a.objects.size(); ++k) {
        const Object& p = a.objects[k];
        const Object& q = b.objects[k];
        EXPECT_EQ(p.diffuse, q.diffuse) << "object " << k;
        EXPECT_EQ(p.specular, q.specular) << "object " << k;
        EXPECT_EQ(p.shininess, q.shininess) << "object " << k;
        EXPECT_EQ(p.occluder, q.occluder) << "object " << k;
        ASSERT_EQ(p.polygons.size(), q.polygons.size()) << "object " << k;
        for (size_t m = 0; m < p.polygons.size(); ++m) {
            ASSERT_EQ(p.polygons[m].size(), q.polygons[m].size());
            for (size_t v = 0; v < p.polygons[m].size(); ++v) {
                EXPECT_EQ(p.polygons[m][v].position, q.polygons[m][v].position) << "object " << k;
                EXPECT_EQ(p.polygons[m][v].normal, q.polygons[m][v].normal) << "object " << k;
            }
        }
    }
}

TEST(BuildDemoGridScene, SevenHalfCellsIsTheDemoScene) {
    Scene demo;
    buildDemoScene(demo);
    Scene grid;
    buildDemoGridScene(grid, 7);
    expectIdenticalScenes(demo, grid);
}

TEST(BuildDemoGridScene, DenserGridFillsTheSameArea) {
    Scene demo;
    buildDemoScene(demo);
    const int n = 35;
    const size_t side = 2 * n + 1;
    Scene dense;
    buildDemoGridScene(dense, n);
    ASSERT_EQ(dense.objects.size(), side * side + 6);
    {
        // The corner boxes sit where the demo's do, with a footprint 3 / (4 n).
        const Bounds first = boundsOf(dense.objects[0]);
        const Bounds last = boundsOf(dense.objects[side * side - 1]);
        const Bounds demoFirst = boundsOf(demo.objects[0]);
        const Bounds demoLast = boundsOf(demo.objects[kGridBoxes - 1]);
        expectNear(first.centre(), demoFirst.centre().x, demoFirst.centre().y, 0, tol::kChain);
        expectNear(last.centre(), demoLast.centre().x, demoLast.centre().y, 0, tol::kChain);
        const float footprint = 3.0f / (4 * n);
        expectNear(first.size(), footprint, footprint, demoFirst.size().z, tol::kChain);
        // Cell (i, j) is object side * i + j: the centre cell is the tallest box.
        const Bounds centre = boundsOf(dense.objects[side * n + n]);
        EXPECT_NEAR(centre.centre().x, 0.0f, 0.05f);
        EXPECT_NEAR(centre.centre().y, 0.0f, 0.05f);
    }
    {
        // Every grid box stays inside the demo grid's outline.
        Bounds outline;
        for (size_t k = 0; k < kGridBoxes; ++k) {
            const Bounds b = boundsOf(demo.objects[k]);
            for (int c = 0; c < 2; ++c) {
                outline.low[c] = std::min(outline.low[c], b.low[c]);
                outline.high[c] = std::max(outline.high[c], b.high[c]);
            }
        }
        for (size_t k = 0; k < side * side; ++k) {
            const Bounds b = boundsOf(dense.objects[k]);
            EXPECT_FALSE(dense.objects[k].occluder);
            for (int c = 0; c < 2; ++c) {
                EXPECT_GE(b.low[c], outline.low[c] - tol::kChain) << "object " << k;
                EXPECT_LE(b.high[c], outline.high[c] + tol::kChain) << "object " << k;
            }
        }
    }
    {
        // The same six slabs, bit for bit.
        for (size_t s = 0; s < 6; ++s) {
            const Object& a = demo.objects[kGridBoxes + s];
            const Object& b = dense.objects[side * side + s];
            EXPECT_TRUE(b.occluder);
            ASSERT_EQ(a.polygons.size(), b.polygons.size());
            for (size_t m = 0; m < a.polygons.size(); ++m) {
                for (size_t v = 0; v < a.polygons[m].size(); ++v) {
                    EXPECT_EQ(a.polygons[m][v].position, b.polygons[m][v].position);
                }
            }
        }
    }
}

TEST(BuildDemoGridScene, SmallestGridAndRejectedSizes) {
    Scene scene;
    buildDemoGridScene(scene, 1);
    EXPECT_EQ(scene.objects.size(), 9u + 6u);
    EXPECT_THROW(buildDemoGridScene(scene, 0), std::invalid_argument);
    EXPECT_THROW(buildDemoGridScene(scene, -3), std::invalid_argument);
}

}  // namespace
