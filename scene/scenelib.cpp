#include "scene/scenelib.h"

#include <stdexcept>
#include <string>
#include <utility>

Scene::Scene() { reset(); }

void Scene::reset() {
    lighting = false;
    flatShading = false;
    antialiasTextures = true;
    depthRule = DepthRule::Farthest;
    buttonHeld = false;
    objects.clear();
    lights.clear();
    currentNormal = Vector3D(0.0f, 0.0f, 1.0f);
    currentDiffuse = Color(1.0f, 1.0f, 1.0f, 1.0f);
    currentSpecular = Color(0.0f, 0.0f, 0.0f, 1.0f);
    currentShininess = 0;
    contourStart = 0;
    currentTexture = nullptr;
    currentHeightMap = nullptr;
    currentReflection = nullptr;
    currentS = 0.0f;
    currentT = 0.0f;
}

void Scene::setAmbient(const Color& colour) { ambient = colour; }

void Scene::addLight(const Point3D& position, const Color& colour) {
    Light light;
    light.position = position;
    light.colour = colour;
    lights.push_back(light);
}

void Scene::setMaterial(const Color& diffuse, const Color& specular, int32_t shininess) {
    currentDiffuse = diffuse;
    currentSpecular = specular;
    currentShininess = shininess;
}

void Scene::setTextures(const TextureImage* texture, const TextureImage* heightMap,
                        const TextureImage* reflection) {
    currentTexture = texture;
    currentHeightMap = heightMap;
    currentReflection = reflection;
}

void Scene::setNormal(const Vector3D& n) {
    currentNormal = n;
    currentNormal.normalize();
}

void Scene::setTexCoord(float s, float t) {
    currentS = s;
    currentT = t;
}

void Scene::beginObject(int kind) {
    Object object;
    object.diffuse = currentDiffuse;
    object.specular = currentSpecular;
    object.shininess = currentShininess;
    object.occluder = (kind == 1);
    object.texture = currentTexture;
    object.heightMap = currentHeightMap;
    object.reflection = currentReflection;
    objects.push_back(std::move(object));
    contourStart = 0;
}

void Scene::beginPolygon() {
    if (objects.empty()) throw std::logic_error("Scene::beginPolygon: no object was begun");
    objects.back().polygons.emplace_back();
    contourStart = 0;
}

namespace {

Polygon& openPolygon(std::vector<Object>& objects, const char* call) {
    if (objects.empty() || objects.back().polygons.empty()) {
        throw std::logic_error(std::string(call) + ": no polygon was begun");
    }
    return objects.back().polygons.back();
}

}  // namespace

void Scene::beginContour() {
    contourStart = static_cast<int32_t>(openPolygon(objects, "Scene::beginContour").size());
}

void Scene::addVertex(const Point3D& p) {
    Polygon& polygon = openPolygon(objects, "Scene::addVertex");
    const Vector4D v4 = modelling.transform(Vector4D(p.x, p.y, p.z, 1.0f));
    const Vector4D n4 =
        modelling.transform(Vector4D(currentNormal.x, currentNormal.y, currentNormal.z, 0.0f));
    const int32_t k = static_cast<int32_t>(polygon.size());

    Vertex vertex;
    vertex.position = v4;
    vertex.normal = Vector3D(n4.x, n4.y, n4.z);
    vertex.s = currentS;
    vertex.t = currentT;
    vertex.link = k - 1;
    polygon.push_back(vertex);
    // The contour's first vertex links to its newest (last) vertex.
    polygon[static_cast<size_t>(contourStart)].link = k;
}
