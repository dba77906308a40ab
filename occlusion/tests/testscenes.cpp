#include "occlusion/tests/testscenes.h"

namespace {

void addFace(Scene& scene, const Vector3D& normal, const Point3D (&corners)[4]) {
    scene.setNormal(normal);
    scene.beginPolygon();
    for (const Point3D& corner : corners) scene.addVertex(corner);
}

}  // namespace

void setTestCamera(Scene& scene) {
    scene.projection.loadIdentity();
    scene.projection.perspective(0.4f, 0.4f, 0.1f, 100.0f);
    scene.projection.updateInverse();
    scene.modelView.loadIdentity();
    scene.modelView.updateInverse();
}

Scene litScene() {
    Scene scene;
    setTestCamera(scene);
    scene.lighting = true;
    scene.flatShading = true;
    scene.addLight({0, 0, 1}, Color(1, 1, 1, 1));
    return scene;
}

void addBox(Scene& scene, const Point3D& lo, const Point3D& hi, int kind) {
    scene.beginObject(kind);
    addFace(scene, {0, 0, -1},
            {{lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, lo.y, lo.z}});
    addFace(scene, {0, 0, 1},
            {{lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}});
    addFace(scene, {0, -1, 0},
            {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z}});
    addFace(scene, {0, 1, 0},
            {{lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}, {hi.x, hi.y, lo.z}});
    addFace(scene, {-1, 0, 0},
            {{lo.x, lo.y, lo.z}, {lo.x, lo.y, hi.z}, {lo.x, hi.y, hi.z}, {lo.x, hi.y, lo.z}});
    addFace(scene, {1, 0, 0},
            {{hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z}});
}

void addQuad(Scene& scene, float x0, float y0, float x1, float y1, float z, int kind) {
    scene.beginObject(kind);
    scene.setNormal({0, 0, 1});
    scene.beginPolygon();
    scene.setTexCoord(0, 0);
    scene.addVertex({x0, y0, z});
    scene.setTexCoord(1, 0);
    scene.addVertex({x1, y0, z});
    scene.setTexCoord(1, 1);
    scene.addVertex({x1, y1, z});
    scene.setTexCoord(0, 1);
    scene.addVertex({x0, y1, z});
}

float testCameraDepth(float z) {
    const double n = 0.1, f = 100.0;
    const double zc = -(f + n) / (f - n) * static_cast<double>(z) - 2.0 * f * n / (f - n);
    return static_cast<float>(zc / -static_cast<double>(z));
}
