#include "geometry/primitives.h"

#include <cmath>

#include "geometry/measures.h"

bool Ray::contains(const Point3D& p, float* t) const {
    const Line line(origin, direction);
    if (!(std::fabs(distancePointLine(p, line)) < kGeometryEps)) return false;
    // A dot product of exactly 0 passes: the origin is on the ray.
    if (dot(p - origin, direction) < 0.0f) return false;
    if (t != nullptr) *t = (p - origin).length() / direction.length();
    return true;
}

bool LineSegment::contains(const Point3D& p) const {
    const Ray ray(start, end - start);
    float t = 0.0f;
    return ray.contains(p, &t) && t <= 1.0f;
}

Plane Triangle::supportingPlane() const {
    const Point3D& p = vertices[0];
    const Point3D& q = vertices[1];
    const Point3D& r = vertices[2];
    const Vector3D n = cross(q - p, r - p).normalized();
    return Plane(n.x, n.y, n.z, -dot(n, p - kOriginPoint));
}

bool Triangle::contains(const Point3D& x) const {
    const Plane plane = supportingPlane();
    if (!(std::fabs(distancePointPlane(x, plane)) < kGeometryEps)) return false;

    const Point3D& p = vertices[0];
    const Point3D& q = vertices[1];
    const Point3D& r = vertices[2];
    // Outward edge normals: each edge crossed with the face normal built from its first vertex.
    // Whatever the winding, the face normal flips together with the edge normal's sign.
    const Vector3D e1 = cross(q - p, cross(q - p, r - p)).normalized();
    const Vector3D e2 = cross(r - q, cross(r - q, p - q)).normalized();
    const Vector3D e3 = cross(p - r, cross(p - r, q - r)).normalized();
    return dot(x - p, e1) < 0.0f && dot(x - q, e2) < 0.0f && dot(x - r, e3) < 0.0f;
}

bool Box::contains(const Point3D& p) const {
    for (int i = 0; i < 3; ++i) {
        if (!(first[i] <= p[i])) return false;
        if (!(p[i] <= second[i])) return false;
    }
    return true;
}
