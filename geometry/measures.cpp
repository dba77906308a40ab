#include "geometry/measures.h"

#include <algorithm>
#include <cmath>

namespace {

// The arc cosine of a dot product of two unit vectors. Rounding can push such a product just
// beyond +-1 (a direction against itself), where acos is NaN; the clamp keeps it in the domain.
// A NaN passes through the clamp unchanged.
float clampedAcos(float cosine) { return std::acos(std::clamp(cosine, -1.0f, 1.0f)); }

}  // namespace

float distancePointLine(const Point3D& p, const Line& line) {
    const Vector3D u = p - line.origin;
    const Vector3D v = line.direction.normalized();
    const Vector3D projection = v * dot(u, v);
    return (u - projection).length();
}

float distancePointPlane(const Point3D& p, const Plane& plane) {
    Vector3D n = plane.normal();
    const float k = (1.0f / n.length()) * plane.d;
    n.normalize();
    return std::fabs(dot(n, p - kOriginPoint) + k);
}

float angleLines(const Line& l1, const Line& l2) {
    return clampedAcos(dot(l1.direction.normalized(), l2.direction.normalized()));
}

float angleLinePlane(const Line& line, const Plane& plane) {
    return kHalfPi - clampedAcos(dot(line.direction.normalized(), plane.normal().normalized()));
}

float anglePlanes(const Plane& p1, const Plane& p2) {
    return clampedAcos(dot(p1.normal().normalized(), p2.normal().normalized()));
}

bool linesCoplanar(const Line& l1, const Line& l2) {
    return std::fabs(dot(cross(l1.direction, l2.direction), l2.origin - l1.origin)) < kGeometryEps;
}

bool linesParallel(const Line& l1, const Line& l2) {
    return cross(l1.direction, l2.direction).length() == 0.0f;
}

bool lineParallelToPlane(const Line& line, const Plane& plane) {
    return std::fabs(dot(plane.normal(), line.direction)) < kGeometryEps;
}

bool planesParallel(const Plane& p1, const Plane& p2) {
    return cross(p1.normal(), p2.normal()).length() == 0.0f;
}

bool linesPerpendicular(const Line& l1, const Line& l2) {
    return std::fabs(dot(l1.direction, l2.direction)) < kPerpendicularEps;
}

bool linePerpendicularToPlane(const Line& line, const Plane& plane) {
    return (line.direction.normalized() - plane.normal().normalized()).length() < kGeometryEps;
}

bool planesPerpendicular(const Plane& p1, const Plane& p2) {
    return dot(p1.normal(), p2.normal()) == 0.0f;
}

bool pointsCoplanar(const Point3D& p, const Point3D& q, const Point3D& r, const Point3D& s) {
    const double m[4][4] = {
        {static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z), 1.0},
        {static_cast<double>(q.x), static_cast<double>(q.y), static_cast<double>(q.z), 1.0},
        {static_cast<double>(r.x), static_cast<double>(r.y), static_cast<double>(r.z), 1.0},
        {static_cast<double>(s.x), static_cast<double>(s.y), static_cast<double>(s.z), 1.0}};

    // Leibniz expansion over the 24 permutations of the columns. Every term takes exactly one
    // entry of the last column (a 1), so it is a signed product of three coordinates.
    int column[4] = {0, 1, 2, 3};
    double det = 0.0;
    do {
        int inversions = 0;
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j)
                if (column[i] > column[j]) ++inversions;
        double product = (inversions % 2 == 0) ? 1.0 : -1.0;
        for (int row = 0; row < 4; ++row) product *= m[row][column[row]];
        det += product;
    } while (std::next_permutation(column, column + 4));
    return std::fabs(det) < kCoplanarEps;
}
