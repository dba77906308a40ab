#include "scene/shapes.h"

#include <cmath>

#include "math/color.h"
#include "math/vectors.h"

namespace {

constexpr double kPi = 3.14159;
constexpr double kTwoPi = 6.28318;

float toFloat(double v) { return static_cast<float>(v); }

// The angle of slice boundary k of m slices, stored as a float.
float sliceAngle(double k, double m) { return toFloat(2 * k * kPi / m); }

// A point of the circle of radius r at the float angle theta, at height z.
Point3D onCircle(double r, float theta, float z) {
    const double angle = static_cast<double>(theta);
    return Point3D(toFloat(r * std::cos(angle)), toFloat(r * std::sin(angle)), z);
}

}  // namespace

void makeBox(Scene& scene, double sx, double sy, double sz, int kind) {
    // The positive and negative half sizes are each computed once, so a corner shared by three
    // faces is bit-for-bit the same point in all of them.
    const float hx = toFloat(sx / 2), hy = toFloat(sy / 2), hz = toFloat(sz / 2);
    const float mx = toFloat(-sx / 2), my = toFloat(-sy / 2), mz = toFloat(-sz / 2);

    struct Face {
        Vector3D normal;
        Point3D corners[4];
    };
    const Face faces[6] = {
        {{-1, 0, 0}, {{mx, hy, mz}, {mx, my, mz}, {mx, my, hz}, {mx, hy, hz}}},
        {{0, -1, 0}, {{mx, my, hz}, {mx, my, mz}, {hx, my, mz}, {hx, my, hz}}},
        {{0, 0, -1}, {{hx, my, mz}, {mx, my, mz}, {mx, hy, mz}, {hx, hy, mz}}},
        {{1, 0, 0}, {{hx, my, mz}, {hx, hy, mz}, {hx, hy, hz}, {hx, my, hz}}},
        {{0, 1, 0}, {{mx, hy, mz}, {mx, hy, hz}, {hx, hy, hz}, {hx, hy, mz}}},
        {{0, 0, 1}, {{mx, my, hz}, {hx, my, hz}, {hx, hy, hz}, {mx, hy, hz}}},
    };

    scene.beginObject(kind);
    for (const Face& face : faces) {
        scene.beginPolygon();
        scene.setNormal(face.normal);
        for (const Point3D& corner : face.corners) scene.addVertex(corner);
    }
}

void makeRectangle(Scene& scene, double width, double height) {
    const float left = toFloat(-width / 2), right = toFloat(width / 2);
    const float bottom = toFloat(-height / 2), top = toFloat(height / 2);
    scene.beginObject(0);
    scene.beginPolygon();
    scene.setNormal(Vector3D(0, 0, 1));
    scene.setTexCoord(0, 0);
    scene.addVertex(Point3D(left, bottom, 0));
    scene.setTexCoord(1, 0);
    scene.addVertex(Point3D(right, bottom, 0));
    scene.setTexCoord(1, 1);
    scene.addVertex(Point3D(right, top, 0));
    scene.setTexCoord(0, 1);
    scene.addVertex(Point3D(left, top, 0));
}

void makeCone(Scene& scene, double radius, double height, double slices) {
    const float apexZ = toFloat(height / 2);
    const float baseZ = toFloat(-height / 2);
    const float h = toFloat(height);
    // Side normals carry the radius in the horizontal part and the height in the vertical part.
    auto sideNormal = [&](float theta) {
        const double angle = static_cast<double>(theta);
        return Vector3D(toFloat(radius * std::cos(angle)), toFloat(radius * std::sin(angle)), h);
    };

    scene.beginObject(0);
    for (double k = 0; k < slices; k += 1) {
        const float theta0 = sliceAngle(k, slices);
        const float thetaMid = sliceAngle(k + 0.5, slices);
        const float theta1 = sliceAngle(k + 1, slices);
        const Point3D rim0 = onCircle(radius, theta0, baseZ);
        const Point3D rim1 = onCircle(radius, theta1, baseZ);

        scene.beginPolygon();
        scene.setNormal(sideNormal(thetaMid));
        scene.addVertex(Point3D(0, 0, apexZ));
        scene.setNormal(sideNormal(theta0));
        scene.addVertex(rim0);
        scene.setNormal(sideNormal(theta1));
        scene.addVertex(rim1);

        scene.beginPolygon();
        scene.setNormal(Vector3D(0, 0, -1));
        scene.addVertex(Point3D(0, 0, baseZ));
        scene.addVertex(rim1);
        scene.addVertex(rim0);
    }
}

void makeCylinder(Scene& scene, double radius, double height, double slices) {
    const float topZ = toFloat(height / 2);
    const float bottomZ = toFloat(-height / 2);
    auto direction = [](float theta) {
        const double angle = static_cast<double>(theta);
        return Vector3D(toFloat(std::cos(angle)), toFloat(std::sin(angle)), 0);
    };

    scene.beginObject(0);
    for (double k = 0; k < slices; k += 1) {
        const float theta0 = sliceAngle(k, slices);
        const float theta1 = sliceAngle(k + 1, slices);
        scene.beginPolygon();
        scene.setNormal(direction(theta0));
        scene.addVertex(onCircle(radius, theta0, bottomZ));
        scene.addVertex(onCircle(radius, theta0, topZ));
        scene.setNormal(direction(theta1));
        scene.addVertex(onCircle(radius, theta1, topZ));
        scene.addVertex(onCircle(radius, theta1, bottomZ));
    }

    scene.beginPolygon();
    scene.setNormal(Vector3D(0, 0, -1));
    for (double k = 0; k < slices; k += 1) {
        scene.addVertex(onCircle(radius, sliceAngle(k, slices), bottomZ));
    }

    scene.beginPolygon();
    scene.setNormal(Vector3D(0, 0, 1));
    for (double k = 0; k < slices; k += 1) {
        scene.addVertex(onCircle(radius, sliceAngle(k, slices), topZ));
    }
}

void makeSpherePatch(Scene& scene, double radius, double steps, float thetaSpan, float phiSpan) {
    const double thetaTotal = static_cast<double>(thetaSpan);
    const double phiTotal = static_cast<double>(phiSpan);
    auto corner = [&](double theta, double phi) {
        const double dx = std::cos(theta) * std::sin(phi);
        const double dy = std::sin(theta) * std::sin(phi);
        const double dz = std::cos(phi);
        scene.setNormal(Vector3D(toFloat(dx), toFloat(dy), toFloat(dz)));
        scene.addVertex(Point3D(toFloat(radius * dx), toFloat(radius * dy), toFloat(radius * dz)));
    };

    scene.beginObject(0);
    for (double i = 0; i < steps; i += 1) {
        const double theta0 = i * thetaTotal / steps;
        const double theta1 = thetaTotal * (i + 1) / steps;
        for (double j = 0; j < steps; j += 1) {
            const double phi0 = j * phiTotal / steps;
            const double phi1 = phiTotal * (j + 1) / steps;
            scene.beginPolygon();
            corner(theta0, phi0);
            corner(theta1, phi0);
            corner(theta1, phi1);
            corner(theta0, phi1);
        }
    }
}

void makeSphereOctant(Scene& scene, double radius, double steps) {
    const float quarterTurn = 1.570795f;
    makeSpherePatch(scene, radius, steps, quarterTurn, quarterTurn);
}

void makeTorus(Scene& scene, int rings, int sides) {
    const double tube = 0.4;
    const double centre = 1 - tube;
    // u runs around the z axis (theta = 0 on +y), v around the tube (phi = 0 on top).
    auto torusVertex = [&](float u, float v) {
        const double theta = kTwoPi * static_cast<double>(u);
        const double phi = kTwoPi * static_cast<double>(v);
        scene.setNormal(Vector3D(toFloat(tube * std::sin(phi) * std::sin(theta)),
                                 toFloat(tube * std::sin(phi) * std::cos(theta)),
                                 toFloat(tube * std::cos(phi))));
        const double fromAxis = centre + tube * std::sin(phi);
        scene.addVertex(Point3D(toFloat(fromAxis * std::sin(theta)),
                                toFloat(fromAxis * std::cos(theta)),
                                toFloat(tube * std::cos(phi))));
    };

    scene.beginObject(0);
    for (int i = 0; i < rings; ++i) {
        const float u0 = static_cast<float>(i) / static_cast<float>(rings);
        const float u1 = static_cast<float>(i + 1) / static_cast<float>(rings);
        for (int j = 0; j < sides; ++j) {
            const float v0 = static_cast<float>(j) / static_cast<float>(sides);
            const float v1 = static_cast<float>(j + 1) / static_cast<float>(sides);
            scene.beginPolygon();
            const float corners[4][2] = {{u0, v0}, {u0, v1}, {u1, v1}, {u1, v0}};
            for (const auto& c : corners) {
                scene.setTexCoord(c[0], c[1]);
                torusVertex(c[0], c[1]);
            }
        }
    }
}

void makeLetterA(Scene& scene) {
    // Half-angle at the apex: 3.14159 / 9, about 20 degrees.
    const double alpha = 0.3490655555555556;
    const double cosAlpha = std::cos(alpha);
    const double sinAlpha = std::sin(alpha);
    const double tanAlpha = sinAlpha / cosAlpha;
    const double w = 0.06;  // stroke width
    const double b = 0.5;   // height of the cross-bar

    const Point3D top(0, 1, 0);
    const Point3D lBottom(toFloat(-tanAlpha), 0, 0);
    const Point3D rBottom(toFloat(tanAlpha), 0, 0);
    const Point3D lMid(toFloat(-(1 - b) * tanAlpha), toFloat(1 - b), 0);
    const Point3D rMid(toFloat((1 - b) * tanAlpha), toFloat(1 - b), 0);
    const Vector3D dx(toFloat(w / cosAlpha), 0, 0);
    const Vector3D dy(0, toFloat(w / sinAlpha), 0);
    const double e = w * tanAlpha;

    scene.beginObject(0);
    scene.beginPolygon();
    scene.setNormal(Vector3D(0, 0, 1));
    scene.addVertex(top - dx);
    scene.addVertex(top + dx);
    scene.addVertex(rBottom + dx);
    scene.addVertex(rBottom - dx);
    scene.addVertex(rMid - dx + Vector3D(toFloat(e), toFloat(-w), 0));
    scene.addVertex(lMid + dx + Vector3D(toFloat(-e), toFloat(-w), 0));
    scene.addVertex(lBottom + dx);
    scene.addVertex(lBottom - dx);

    const HSVColor grey(0, 0, 0.5f, 1);
    scene.setMaterial(grey, grey, 0);

    scene.beginContour();
    scene.addVertex(top - dy);
    scene.addVertex(rMid - dx + Vector3D(toFloat(-e), toFloat(w), 0));
    scene.addVertex(lMid + dx + Vector3D(toFloat(e), toFloat(w), 0));
}
