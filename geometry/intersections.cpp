#include "geometry/intersections.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

bool intersectLinePlane(const Line& line, const Plane& plane, Point3D* out) {
    const Vector3D n = plane.normal();
    const float den = dot(n, line.direction);
    if (den == 0.0f) return false;
    const float t = (-plane.d - dot(n, line.origin - kOriginPoint)) / den;
    if (out != nullptr) *out = line.origin + t * line.direction;
    return true;
}

bool intersectRayTriangle(const Ray& ray, const Triangle& triangle, Point3D* out) {
    // Built first so that a degenerate triangle throws whatever the ray.
    const Plane plane = triangle.supportingPlane();
    Point3D scratch(0.0f, 0.0f, 0.0f);
    Point3D* point = (out != nullptr) ? out : &scratch;
    // A direction too short to normalise in float (its length is exactly 0) meets nothing, like a
    // zero one, rather than throwing from the containment step.
    if (ray.direction.length() == 0.0f) return false;
    if (!intersectLinePlane(Line(ray.origin, ray.direction), plane, point)) return false;
    if (!ray.contains(*point)) return false;
    return triangle.contains(*point);
}

bool intersectSegmentPlane(const LineSegment& segment, const Plane& plane, Point3D* out) {
    const Line line(segment.start, segment.end - segment.start);
    // A segment whose length is 0 in float meets nothing (never a ZeroDivide from the
    // containment step).
    if (line.direction.length() == 0.0f) return false;
    Point3D p(0.0f, 0.0f, 0.0f);
    if (!intersectLinePlane(line, plane, &p)) return false;
    if (!segment.contains(p)) return false;
    if (out != nullptr) *out = p;
    return true;
}

bool intersectSegmentTriangle(const LineSegment& segment, const Triangle& triangle, Point3D& out) {
    const Ray ray(segment.start, (segment.end - segment.start).normalized());
    Point3D p(0.0f, 0.0f, 0.0f);
    if (intersectRayTriangle(ray, triangle, &p) && segment.contains(p)) {
        out = p;
        return true;
    }
    return false;
}

namespace {

// Appends the points where the edges 0->1, 1->2 and 2->0 of `edges` meet `triangle`.
void collectEdgeHits(const Triangle& edges, const Triangle& triangle,
                     std::vector<Point3D>& candidates) {
    Point3D scratch(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 3; ++i) {
        const LineSegment edge(edges[i], edges[(i + 1) % 3]);
        if (intersectSegmentTriangle(edge, triangle, scratch)) candidates.push_back(scratch);
        scratch = Point3D(0.0f, 0.0f, 0.0f);
    }
}

}  // namespace

int intersectTriangles(const Triangle& a, const Triangle& b, PointPair* out) {
    // Held by value: a ZeroDivide from a degenerate triangle releases it on the way out.
    std::vector<Point3D> candidates;
    collectEdgeHits(a, b, candidates);
    collectEdgeHits(b, a, candidates);

    if (candidates.size() >= 2) {
        if (out != nullptr) {
            (*out)[0] = candidates[0];
            (*out)[1] = candidates[1];
        }
        return 2;
    }
    if (candidates.size() == 1) {
        if (out != nullptr) (*out)[0] = candidates[0];
        return 1;
    }
    return 0;
}

int intersectLineSphere(const Line& line, const Sphere& sphere, PointPair* out) {
    const Vector3D& d = line.direction;
    const float r = sphere.radius;
    const float a = dot(d, d);
    if (std::fabs(a) < kGeometryEps) return 0;

    const Vector3D q = line.origin - sphere.centre;
    const float b = 2.0f * dot(q, d);
    const float k = dot(q, q) - r * r;
    const float disc = b * b - 4.0f * a * k;
    if (disc < 0.0f) return 0;

    if (std::fabs(disc) < kGeometryEps) {
        if (out != nullptr) (*out)[0] = line.origin + (-b / (2.0f * a)) * d;
        return 1;
    }
    if (out != nullptr) {
        const float root = std::sqrt(disc);
        (*out)[0] = line.origin + ((-b + root) / (2.0f * a)) * d;
        (*out)[1] = line.origin + ((-b - root) / (2.0f * a)) * d;
    }
    return 2;
}

int intersectRayBox(const Ray& ray, const Box& box, PointPair* out) {
    const Point3D& o = ray.origin;
    const Vector3D& d = ray.direction;
    // With every component zero, every axis below would be unrestricted and the "exit point"
    // o + inf * 0 meaningless: a ray that does not move meets nothing.
    if (d.x == 0.0f && d.y == 0.0f && d.z == 0.0f) return 0;

    // Empty to start with: an axis keeps this only when it rules the ray out.
    Interval params[3] = {Interval(0.0f, -1.0f), Interval(0.0f, -1.0f), Interval(0.0f, -1.0f)};
    for (int i = 0; i < 3; ++i) {
        const Interval range(box.first[i], box.first[i] + box.second[i]);
        if (d[i] != 0.0f) {
            float lo = (range.lo - o[i]) / d[i];
            if (lo < 0.0f) lo = 0.0f;
            float hi = (range.hi - o[i]) / d[i];
            if (hi < 0.0f) hi = 0.0f;
            if (hi < lo) std::swap(lo, hi);
            params[i] = Interval(lo, hi);
        } else if (range.lo <= o[i] && o[i] <= range.hi) {
            // The ray runs parallel to this slab and inside it: the axis does not limit t.
            params[i] = Interval(0.0f, std::numeric_limits<float>::infinity());
        }
    }

    float lo = params[0].lo;
    float hi = params[0].hi;
    for (int i = 1; i < 3; ++i) {
        if (params[i].lo > lo) lo = params[i].lo;
        if (params[i].hi < hi) hi = params[i].hi;
    }
    if (!(hi > lo)) return 0;

    if (out != nullptr) {
        if (lo != 0.0f) (*out)[0] = o + lo * d;
        (*out)[1] = o + hi * d;
    }
    return (lo == 0.0f) ? 1 : 2;
}

bool intersectLines2D(const Line2D& l1, const Line2D& l2, Point2D* out) {
    const Point2D& p1 = l1.point;
    const Point2D& p2 = l2.point;
    const Vector2D& d1 = l1.direction;
    const Vector2D& d2 = l2.direction;
    const float det = d2.x * d1.y - d1.x * d2.y;
    if (det == 0.0f) return false;
    if (out == nullptr) return true;
    out->x = (p1.x * (d2.x * d1.y) + (p2.y - p1.y) * (d1.x * d2.x) - p2.x * (d1.x * d2.y)) / det;
    out->y = (p2.y * (d2.x * d1.y) + (p1.x - p2.x) * (d1.y * d2.y) - p1.y * (d1.x * d2.y)) / det;
    return true;
}

namespace {

// p within the segment's bounding box, inclusive, x before y.
bool withinBounds(const LineSegment2D& s, const Point2D& p) {
    if (!(std::min(s.start.x, s.end.x) <= p.x && p.x <= std::max(s.start.x, s.end.x))) {
        return false;
    }
    return std::min(s.start.y, s.end.y) <= p.y && p.y <= std::max(s.start.y, s.end.y);
}

}  // namespace

bool intersectSegments2D(const LineSegment2D& s1, const LineSegment2D& s2, Point2D* out) {
    const Line2D line1(s1.start, s1.start - s1.end);
    const Line2D line2(s2.start, s2.start - s2.end);
    Point2D p(0.0f, 0.0f);
    if (!intersectLines2D(line1, line2, &p)) return false;
    // On both lines already; within both bounding boxes means within both segments.
    if (!withinBounds(s1, p) || !withinBounds(s2, p)) return false;
    if (out != nullptr) *out = p;
    return true;
}
