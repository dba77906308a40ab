#include "scene/scenelib.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "testing/tolerances.h"

namespace {

std::vector<int32_t> linksOf(const Polygon& polygon) {
    std::vector<int32_t> links;
    for (const Vertex& v : polygon) links.push_back(v.link);
    return links;
}

void addPoints(Scene& scene, int count) {
    for (int i = 0; i < count; ++i) scene.addVertex(Point3D(static_cast<float>(i), 0.0f, 0.0f));
}

// Runs call and returns the message of the std::logic_error it must throw.
template <typename Call>
std::string logicErrorOf(Call call) {
    try {
        call();
    } catch (const std::logic_error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

TEST(SceneLinks, EachContourIsACycleThroughItsPredecessors) {
    {
        Scene scene;
        scene.beginObject(0);
        scene.beginPolygon();
        addPoints(scene, 5);
        EXPECT_EQ(linksOf(scene.objects[0].polygons[0]), (std::vector<int32_t>{4, 0, 1, 2, 3}));
    }
    {
        Scene scene;
        scene.beginObject(0);
        scene.beginPolygon();
        addPoints(scene, 3);
        scene.beginContour();
        addPoints(scene, 3);
        const std::vector<int32_t> links = linksOf(scene.objects[0].polygons[0]);
        EXPECT_EQ(links, (std::vector<int32_t>{2, 0, 1, 5, 3, 4}));
        // The contour rule readers use: index 3 is the first k > 0 whose link is not k - 1.
        int firstBreak = 0;
        for (int k = 1; k < static_cast<int>(links.size()) && firstBreak == 0; ++k) {
            if (links[static_cast<size_t>(k)] != k - 1) firstBreak = k;
        }
        EXPECT_EQ(firstBreak, 3);
    }
    {
        Scene scene;
        scene.beginObject(0);
        scene.beginPolygon();
        addPoints(scene, 1);
        EXPECT_EQ(linksOf(scene.objects[0].polygons[0]), (std::vector<int32_t>{0}));
        scene.beginContour();
        addPoints(scene, 1);
        EXPECT_EQ(linksOf(scene.objects[0].polygons[0]), (std::vector<int32_t>{0, 1}));
    }
    {
        // A new polygon starts a new outline even after a contour was opened in the previous one.
        Scene scene;
        scene.beginObject(0);
        scene.beginPolygon();
        addPoints(scene, 2);
        scene.beginContour();
        addPoints(scene, 2);
        scene.beginPolygon();
        addPoints(scene, 3);
        EXPECT_EQ(linksOf(scene.objects[0].polygons[1]), (std::vector<int32_t>{2, 0, 1}));
    }
}

TEST(SceneBuilding, MaterialAndImagesAreCopiedWhenTheObjectBegins) {
    Scene scene;
    const TextureImage image(1, 1, 3);
    const Color red(1.0f, 0.0f, 0.0f, 1.0f);
    const Color blue(0.0f, 0.0f, 1.0f, 1.0f);
    scene.setMaterial(red, blue, 7);
    scene.beginObject(0);
    scene.setMaterial(blue, red, 9);
    scene.setTextures(&image, &image, &image);
    {
        const Object& first = scene.objects[0];
        EXPECT_EQ(first.diffuse, red);
        EXPECT_EQ(first.specular, blue);
        EXPECT_EQ(first.shininess, 7);
        EXPECT_EQ(first.texture, nullptr);
        EXPECT_EQ(first.reflection, nullptr);
    }
    scene.beginObject(0);
    const Object& second = scene.objects[1];
    EXPECT_EQ(second.diffuse, blue);
    EXPECT_EQ(second.specular, red);
    EXPECT_EQ(second.shininess, 9);
    EXPECT_EQ(second.texture, &image);
    EXPECT_EQ(second.heightMap, &image);
    EXPECT_EQ(second.reflection, &image);
}

TEST(SceneBuilding, OnlyKindOneMakesAnOccluder) {
    Scene scene;
    for (int kind : {0, 1, 2, -1}) scene.beginObject(kind);
    EXPECT_FALSE(scene.objects[0].occluder);
    EXPECT_TRUE(scene.objects[1].occluder);
    EXPECT_FALSE(scene.objects[2].occluder);
    EXPECT_FALSE(scene.objects[3].occluder);
}

TEST(SceneBuilding, VerticesPassThroughTheModellingTransform) {
    {
        Scene scene;
        scene.modelling.translate(1.0f, 2.0f, 3.0f);
        scene.setTexCoord(0.25f, 0.75f);
        scene.beginObject(0);
        scene.beginPolygon();
        scene.addVertex(Point3D(0.0f, 0.0f, 0.0f));
        const Vertex& v = scene.objects[0].polygons[0][0];
        EXPECT_EQ(v.position, Vector4D(1.0f, 2.0f, 3.0f, 1.0f));
        EXPECT_EQ(v.normal, Vector3D(0.0f, 0.0f, 1.0f));  // a translation leaves directions alone
        EXPECT_EQ(v.s, 0.25f);
        EXPECT_EQ(v.t, 0.75f);
    }
    {
        // A rotation turns the normal with the position; a scaling is not compensated.
        Scene scene;
        scene.modelling.rotateZ(90.0f);
        scene.modelling.scale(2.0f, 2.0f, 2.0f);
        scene.setNormal(Vector3D(1.0f, 0.0f, 0.0f));
        scene.beginObject(0);
        scene.beginPolygon();
        scene.addVertex(Point3D(1.0f, 0.0f, 0.0f));
        const Vertex& v = scene.objects[0].polygons[0][0];
        EXPECT_NEAR(v.position.x, 0.0f, tol::kChain);
        EXPECT_NEAR(v.position.y, 2.0f, tol::kChain);
        EXPECT_NEAR(v.normal.x, 0.0f, tol::kChain);
        EXPECT_NEAR(v.normal.y, 2.0f, tol::kChain);
        EXPECT_NEAR(v.normal.z, 0.0f, tol::kChain);
    }
}

TEST(SceneBuilding, SetNormalNormalisesOrThrowsZeroDivide) {
    Scene scene;
    scene.setNormal(Vector3D(0.0f, 0.0f, 2.0f));
    EXPECT_EQ(scene.currentNormal, Vector3D(0.0f, 0.0f, 1.0f));
    scene.setNormal(Vector3D(3.0f, 4.0f, 0.0f));
    EXPECT_NEAR(scene.currentNormal.x, 0.6f, tol::kFloat);
    EXPECT_NEAR(scene.currentNormal.y, 0.8f, tol::kFloat);
    EXPECT_THROW(scene.setNormal(Vector3D(0.0f, 0.0f, 0.0f)), ZeroDivide);
    EXPECT_EQ(scene.currentNormal, Vector3D(0.0f, 0.0f, 0.0f));  // stored unnormalised
    // A squared length that underflows to zero counts as zero.
    EXPECT_THROW(scene.setNormal(Vector3D(1e-30f, 0.0f, 0.0f)), ZeroDivide);
    EXPECT_EQ(scene.currentNormal, Vector3D(1e-30f, 0.0f, 0.0f));
}

TEST(SceneBuilding, MisuseWithoutAnOpenObjectOrPolygonThrowsNamingTheCall) {
    Scene scene;
    EXPECT_NE(logicErrorOf([&] { scene.beginPolygon(); }).find("beginPolygon"), std::string::npos);
    EXPECT_NE(logicErrorOf([&] { scene.beginContour(); }).find("beginContour"), std::string::npos);
    EXPECT_NE(logicErrorOf([&] { scene.addVertex(Point3D(0, 0, 0)); }).find("addVertex"),
              std::string::npos);
    EXPECT_TRUE(scene.objects.empty());

    scene.beginObject(0);  // an object, but no polygon yet
    EXPECT_NE(logicErrorOf([&] { scene.beginContour(); }).find("beginContour"), std::string::npos);
    EXPECT_NE(logicErrorOf([&] { scene.addVertex(Point3D(0, 0, 0)); }).find("addVertex"),
              std::string::npos);
    EXPECT_TRUE(scene.objects[0].polygons.empty());

    // Beginning a new object closes the previous polygon: adding needs a polygon of the new one.
    scene.beginPolygon();
    scene.beginObject(0);
    EXPECT_THROW(scene.addVertex(Point3D(0, 0, 0)), std::logic_error);
    EXPECT_TRUE(scene.objects[0].polygons[0].empty());
}

TEST(SceneReset, RestoresCurrentValuesAndKeepsAmbientStacksAndCounters) {
    Scene scene;
    const TextureImage image(1, 1, 1);
    scene.setAmbient(Color(0.3f, 0.3f, 0.3f, 1.0f));
    scene.lighting = scene.flatShading = true;
    scene.antialiasTextures = false;
    scene.depthRule = DepthRule::DepthMap;
    scene.buttonHeld = true;
    scene.addLight(Point3D(1, 2, 3), Color(1, 1, 1, 1));
    scene.setMaterial(Color(0.1f, 0.2f, 0.3f, 1), Color(1, 1, 1, 1), 5);
    scene.setTextures(&image, &image, &image);
    scene.setNormal(Vector3D(1, 0, 0));
    scene.setTexCoord(0.5f, 0.5f);
    scene.beginObject(0);
    scene.beginPolygon();
    addPoints(scene, 2);
    scene.beginContour();
    scene.modelling.translate(1, 0, 0);
    scene.modelView.translate(0, 1, 0);
    scene.passedHom = 3;
    scene.passedDeb = 2;

    scene.reset();
    EXPECT_FALSE(scene.lighting);
    EXPECT_FALSE(scene.flatShading);
    EXPECT_TRUE(scene.antialiasTextures);
    EXPECT_EQ(scene.depthRule, DepthRule::Farthest);
    EXPECT_FALSE(scene.buttonHeld);
    EXPECT_TRUE(scene.objects.empty());
    EXPECT_TRUE(scene.lights.empty());
    EXPECT_EQ(scene.currentNormal, Vector3D(0, 0, 1));
    EXPECT_EQ(scene.currentDiffuse, Color(1, 1, 1, 1));
    EXPECT_EQ(scene.currentSpecular, Color(0, 0, 0, 1));
    EXPECT_EQ(scene.currentShininess, 0);
    EXPECT_EQ(scene.contourStart, 0);
    EXPECT_EQ(scene.currentTexture, nullptr);
    EXPECT_EQ(scene.currentHeightMap, nullptr);
    EXPECT_EQ(scene.currentReflection, nullptr);
    EXPECT_EQ(scene.currentS, 0.0f);
    EXPECT_EQ(scene.currentT, 0.0f);

    EXPECT_EQ(scene.ambient, Color(0.3f, 0.3f, 0.3f, 1.0f));
    EXPECT_EQ(scene.modelling.transform(Vector4D(0, 0, 0, 1)), Vector4D(1, 0, 0, 1));
    EXPECT_EQ(scene.modelView.transform(Vector4D(0, 0, 0, 1)), Vector4D(0, 1, 0, 1));
    EXPECT_EQ(scene.passedHom, 3);
    EXPECT_EQ(scene.passedDeb, 2);
}

TEST(SceneConstruction, StartsEmptyWithBlackAmbient) {
    const Scene scene;
    EXPECT_EQ(scene.ambient, Color(0, 0, 0, 1));
    EXPECT_TRUE(scene.objects.empty());
    EXPECT_TRUE(scene.antialiasTextures);
    EXPECT_FALSE(scene.lighting);
    EXPECT_EQ(scene.currentNormal, Vector3D(0, 0, 1));
    EXPECT_EQ(scene.currentDiffuse, Color(1, 1, 1, 1));
    EXPECT_EQ(scene.passedHom, 0);
    EXPECT_EQ(scene.passedDeb, 0);
    EXPECT_TRUE(scene.modelling.saved.empty());
}

}  // namespace
