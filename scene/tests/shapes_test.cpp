#include "scene/shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "testing/tolerances.h"

namespace {

std::vector<Vector4D> distinctPositions(const Object& object) {
    std::vector<Vector4D> distinct;
    for (const Polygon& polygon : object.polygons) {
        for (const Vertex& v : polygon) {
            bool seen = false;
            for (const Vector4D& d : distinct) seen = seen || d == v.position;
            if (!seen) distinct.push_back(v.position);
        }
    }
    return distinct;
}

Vector3D xyz(const Vector4D& v) { return Vector3D(v.x, v.y, v.z); }

void expectNear(const Vector4D& actual, float x, float y, float z, float tolerance) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
    EXPECT_EQ(actual.w, 1.0f);
}

TEST(MakeBox, EightCornersSixOutwardQuadsAndTheKind) {
    Scene scene;
    makeBox(scene, 1, 2, 3, 0);
    ASSERT_EQ(scene.objects.size(), 1u);
    const Object& box = scene.objects[0];
    EXPECT_FALSE(box.occluder);
    ASSERT_EQ(box.polygons.size(), 6u);
    EXPECT_EQ(box.polygons[0][0].position, Vector4D(-0.5f, 1.0f, -1.5f, 1.0f));

    const std::vector<Vector4D> corners = distinctPositions(box);
    EXPECT_EQ(corners.size(), 8u);
    for (const Vector4D& c : corners) {
        EXPECT_EQ(std::fabs(c.x), 0.5f);
        EXPECT_EQ(std::fabs(c.y), 1.0f);
        EXPECT_EQ(std::fabs(c.z), 1.5f);
    }

    for (const Polygon& face : box.polygons) {
        ASSERT_EQ(face.size(), 4u);
        const Vector3D normal = face[0].normal;
        for (const Vertex& v : face) {
            EXPECT_EQ(v.normal, normal);
            // Every corner lies on the face's side of the box.
            EXPECT_GT(dot(xyz(v.position), normal), 0.0f);
        }
        // Counter-clockwise seen from outside: each turn agrees with the outward normal.
        for (size_t k = 0; k < 4; ++k) {
            const Vector3D a = xyz(face[(k + 1) % 4].position) - xyz(face[k].position);
            const Vector3D b = xyz(face[(k + 2) % 4].position) - xyz(face[(k + 1) % 4].position);
            EXPECT_GT(dot(cross(a, b), normal), 0.0f);
        }
    }
    EXPECT_EQ(scene.currentNormal, Vector3D(0, 0, 1));  // the last face's normal

    makeBox(scene, 1, 1, 1, 1);
    makeBox(scene, 1, 1, 1, 2);
    EXPECT_TRUE(scene.objects[1].occluder);
    EXPECT_FALSE(scene.objects[2].occluder);
}

TEST(MakeBox, CornersStayBitIdenticalUnderAnUnevenPlacement) {
    Scene scene;
    scene.modelling.translate(0.123f, -7.77f, 3.3f);
    scene.modelling.rotateY(33.0f);
    makeBox(scene, 0.10714286, 0.3, 0.0465, 0);
    EXPECT_EQ(distinctPositions(scene.objects[0]).size(), 8u);
}

TEST(MakeRectangle, TexturedQuadInThePlaneZZero) {
    Scene scene;
    makeRectangle(scene, 2, 1);
    const Polygon& quad = scene.objects.at(0).polygons.at(0);
    ASSERT_EQ(quad.size(), 4u);
    const float expected[4][4] = {
        {-1, -0.5f, 0, 0}, {1, -0.5f, 1, 0}, {1, 0.5f, 1, 1}, {-1, 0.5f, 0, 1}};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(quad[k].position, Vector4D(expected[k][0], expected[k][1], 0, 1));
        EXPECT_EQ(quad[k].s, expected[k][2]);
        EXPECT_EQ(quad[k].t, expected[k][3]);
        EXPECT_EQ(quad[k].normal, Vector3D(0, 0, 1));
    }
    EXPECT_EQ(scene.currentS, 0.0f);
    EXPECT_EQ(scene.currentT, 1.0f);
}

TEST(MakeCone, SideAndBaseTrianglesPerSliceAndFractionalCounts) {
    {
        Scene scene;
        makeCone(scene, 1, 1, 4);
        const Object& cone = scene.objects[0];
        ASSERT_EQ(cone.polygons.size(), 8u);
        for (size_t k = 0; k < 8; k += 2) {
            const Polygon& side = cone.polygons[k];
            const Polygon& base = cone.polygons[k + 1];
            ASSERT_EQ(side.size(), 3u);
            ASSERT_EQ(base.size(), 3u);
            EXPECT_EQ(side[0].position, Vector4D(0, 0, 0.5f, 1));
            EXPECT_EQ(base[0].position, Vector4D(0, 0, -0.5f, 1));
            // The base lists the rim points in the opposite order to the side.
            EXPECT_EQ(base[1].position, side[2].position);
            EXPECT_EQ(base[2].position, side[1].position);
            for (const Vertex& v : base) EXPECT_EQ(v.normal, Vector3D(0, 0, -1));
        }
        // Radius equal to height: the first rim normal is (1, 0, 1) normalised.
        const Vector3D n = cone.polygons[0][1].normal;
        EXPECT_NEAR(n.x, std::sqrt(0.5f), tol::kFloat);
        EXPECT_NEAR(n.y, 0.0f, tol::kFloat);
        EXPECT_NEAR(n.z, std::sqrt(0.5f), tol::kFloat);
        expectNear(cone.polygons[0][2].position, 0, 1, -0.5f, tol::kChain);
        EXPECT_EQ(scene.currentNormal, Vector3D(0, 0, -1));
    }
    {
        // 3.5 slices round up to 4 slices of 2 * 3.14159 / 3.5, the last reaching past a turn.
        Scene scene;
        makeCone(scene, 2, 1, 3.5);
        const Object& cone = scene.objects[0];
        ASSERT_EQ(cone.polygons.size(), 8u);
        const float lastAngle = static_cast<float>(2.0 * 4 * 3.14159 / 3.5);
        EXPECT_GT(lastAngle, 6.28318f);
        const Vector4D end = cone.polygons[6][2].position;
        EXPECT_NEAR(end.x, 2 * std::cos(lastAngle), tol::kChain);
        EXPECT_NEAR(end.y, 2 * std::sin(lastAngle), tol::kChain);
        EXPECT_GT(end.y, 0.0f);  // past the full turn, overlapping the first slice
    }
    {
        // Radius and height 0: the first side normal is zero, and the object keeps what was
        // emitted before the throw.
        Scene scene;
        EXPECT_THROW(makeCone(scene, 0, 0, 3), ZeroDivide);
        ASSERT_EQ(scene.objects.size(), 1u);
        ASSERT_EQ(scene.objects[0].polygons.size(), 1u);
        EXPECT_TRUE(scene.objects[0].polygons[0].empty());
    }
}

TEST(MakeCylinder, QuadsThenTwoCaps) {
    for (double slices : {5.0, 2.5}) {
        const size_t m = static_cast<size_t>(std::ceil(slices));
        Scene scene;
        makeCylinder(scene, 2, 4, slices);
        const Object& cylinder = scene.objects[0];
        ASSERT_EQ(cylinder.polygons.size(), m + 2);
        for (size_t k = 0; k < m; ++k) {
            ASSERT_EQ(cylinder.polygons[k].size(), 4u);
            for (const Vertex& v : cylinder.polygons[k]) {
                EXPECT_NEAR(std::hypot(v.position.x, v.position.y), 2.0f, tol::kChain);
                EXPECT_EQ(std::fabs(v.position.z), 2.0f);
                EXPECT_EQ(v.normal.z, 0.0f);
            }
        }
        const Polygon& bottom = cylinder.polygons[m];
        const Polygon& top = cylinder.polygons[m + 1];
        ASSERT_EQ(bottom.size(), m);
        ASSERT_EQ(top.size(), m);
        for (size_t k = 0; k < m; ++k) {
            EXPECT_EQ(bottom[k].position.z, -2.0f);
            EXPECT_EQ(top[k].position.z, 2.0f);
            EXPECT_EQ(bottom[k].normal, Vector3D(0, 0, -1));
            EXPECT_EQ(top[k].normal, Vector3D(0, 0, 1));
            // Same order in both caps, matching the sides' rim points.
            EXPECT_EQ(bottom[k].position.x, top[k].position.x);
            EXPECT_EQ(bottom[k].position, cylinder.polygons[k][0].position);
        }
    }
}

TEST(MakeSphereOctant, QuadsOnTheUnitSphereInThePositiveOctant) {
    Scene scene;
    makeSphereOctant(scene, 2, 2);
    const Object& octant = scene.objects[0];
    ASSERT_EQ(octant.polygons.size(), 4u);
    EXPECT_EQ(octant.polygons[0][0].position, Vector4D(0, 0, 2, 1));
    for (const Polygon& quad : octant.polygons) {
        ASSERT_EQ(quad.size(), 4u);
        for (const Vertex& v : quad) {
            EXPECT_NEAR(xyz(v.position).length(), 2.0f, tol::kChain);
            EXPECT_GT(v.position.x, -tol::kChain);
            EXPECT_GT(v.position.y, -tol::kChain);
            EXPECT_GT(v.position.z, -tol::kChain);
            // The normal points along the position.
            const Vector3D radial = xyz(v.position) / 2.0f;
            EXPECT_NEAR(v.normal.x, radial.x, tol::kChain);
            EXPECT_NEAR(v.normal.y, radial.y, tol::kChain);
            EXPECT_NEAR(v.normal.z, radial.z, tol::kChain);
        }
    }
    // The far corner of the last quad lies on the equator at theta = 90 degrees: (0, 2, 0).
    expectNear(octant.polygons[3][2].position, 0, 2, 0, tol::kChain);
}

TEST(MakeTorus, CountsFirstVerticesAndTubeRadius) {
    {
        Scene scene;
        makeTorus(scene, 1, 1);
        const Polygon& quad = scene.objects.at(0).polygons.at(0);
        ASSERT_EQ(scene.objects[0].polygons.size(), 1u);
        ASSERT_EQ(quad.size(), 4u);
        const float tex[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        for (size_t k = 0; k < 4; ++k) {
            expectNear(quad[k].position, 0, 0.6f, 0.4f, tol::kChain);
            EXPECT_EQ(quad[k].s, tex[k][0]);
            EXPECT_EQ(quad[k].t, tex[k][1]);
        }
        EXPECT_EQ(quad[0].position, Vector4D(0, 0.6f, 0.4f, 1));
    }
    {
        Scene scene;
        makeTorus(scene, 4, 3);
        const Object& torus = scene.objects[0];
        ASSERT_EQ(torus.polygons.size(), 12u);
        for (const Polygon& quad : torus.polygons) {
            for (const Vertex& v : quad) {
                const float fromAxis = std::hypot(v.position.x, v.position.y);
                EXPECT_NEAR(std::hypot(fromAxis - 0.6f, v.position.z), 0.4f, tol::kChain);
                EXPECT_LE(fromAxis, 1.0f + tol::kChain);
            }
        }
        // Quad (i = 1, j = 0) starts at u = 1/4: a quarter turn from +y towards +x, on top.
        expectNear(torus.polygons[3][0].position, 0.6f, 0, 0.4f, tol::kChain);
    }
}

TEST(MakeLetterA, OutlineWithATriangularHoleAndTheGreyAfterwards) {
    Scene scene;
    const Color before(0.2f, 0.4f, 0.6f, 1.0f);
    scene.setMaterial(before, before, 33);
    makeLetterA(scene);
    ASSERT_EQ(scene.objects.size(), 1u);
    ASSERT_EQ(scene.objects[0].polygons.size(), 1u);
    const Polygon& letter = scene.objects[0].polygons[0];
    ASSERT_EQ(letter.size(), 11u);

    const std::vector<int32_t> expectedLinks = {7, 0, 1, 2, 3, 4, 5, 6, 10, 8, 9};
    const float expected[11][2] = {{-0.0639f, 1},    {0.0639f, 1},     {0.4278f, 0},
                                   {0.3001f, 0},     {0.14f, 0.44f},   {-0.14f, 0.44f},
                                   {-0.3001f, 0},    {-0.4278f, 0},    {0, 0.8246f},
                                   {0.0963f, 0.56f}, {-0.0963f, 0.56f}};
    for (size_t k = 0; k < letter.size(); ++k) {
        EXPECT_EQ(letter[k].link, expectedLinks[k]) << "vertex " << k;
        expectNear(letter[k].position, expected[k][0], expected[k][1], 0, tol::kQuoted);
        EXPECT_EQ(letter[k].normal, Vector3D(0, 0, 1));
    }
    // The letter is symmetric about x = 0.
    EXPECT_NEAR(letter[0].position.x, -letter[1].position.x, tol::kFloat);
    EXPECT_NEAR(letter[9].position.x, -letter[10].position.x, tol::kFloat);

    EXPECT_EQ(scene.objects[0].diffuse, before);
    EXPECT_EQ(scene.objects[0].shininess, 33);
    scene.beginObject(0);
    EXPECT_EQ(scene.objects[1].diffuse, Color(0.5f, 0.5f, 0.5f, 1));
    EXPECT_EQ(scene.objects[1].specular, Color(0.5f, 0.5f, 0.5f, 1));
    EXPECT_EQ(scene.objects[1].shininess, 0);
}

}  // namespace
