// Fuzz target: every geometric query on arbitrary floats (NaN, infinities, denormals, huge values).
// The first byte picks the query, the rest are its arguments bit for bit.
//
// Checked beyond the sanitizers: ZeroDivide is the only exception that may leave a query (any
// other one is uncaught and aborts); an output a query must not write on a given answer keeps its
// exact bits; distances are never negative; on finite arguments, angles lie in their stated range.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzzinput.h"
#include "geometry/intersections.h"
#include "geometry/measures.h"
#include "geometry/primitives.h"

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "geometry fuzz: %s\n", what);
    std::abort();
}

void check(bool holds, const char* what) {
    if (!holds) fail(what);
}

// A value no query computes from ordinary inputs, to detect writes.
const Point3D kSentinel(-1234.5f, 6789.25f, -0.0f);
const Point2D kSentinel2(-1234.5f, 6789.25f);

bool finite(const Vector3D& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
bool finite(const Plane& p) { return finite(p.normal()) && std::isfinite(p.d); }

// pi as the nearest float above it, so the clamped arc cosine of -1 fits.
constexpr float kPiUpper = 3.14159274f;

Ray ray(FuzzInput& in) {
    const Point3D o = in.point3();
    return Ray(o, in.vector3());
}
Line line(FuzzInput& in) {
    const Point3D o = in.point3();
    return Line(o, in.vector3());
}
LineSegment segment(FuzzInput& in) {
    const Point3D s = in.point3();
    return LineSegment(s, in.point3());
}
Plane plane(FuzzInput& in) {
    const float nx = in.real(), ny = in.real(), nz = in.real();
    return Plane(nx, ny, nz, in.real());
}
Triangle triangle(FuzzInput& in) {
    Triangle t;
    for (Point3D& v : t.vertices) v = in.point3();
    return t;
}

void runQuery(unsigned which, FuzzInput& in) {
    switch (which) {
        case 0: {
            const Ray r = ray(in);
            const Point3D p = in.point3();
            float t = -7.0f;
            if (!r.contains(p, &t)) check(t == -7.0f, "Ray::contains wrote t on false");
            (void)r.contains(p);
            break;
        }
        case 1:
            (void)segment(in).contains(in.point3());
            break;
        case 2:
            (void)triangle(in).supportingPlane();
            break;
        case 3:
            (void)triangle(in).contains(in.point3());
            break;
        case 4: {
            Box b;
            b.first = in.point3();
            b.second = in.point3();
            (void)b.contains(in.point3());
            break;
        }
        case 5: {
            const Point3D p = in.point3();
            check(!(distancePointLine(p, line(in)) < 0.0f), "negative point-line distance");
            break;
        }
        case 6: {
            const Point3D p = in.point3();
            check(!(distancePointPlane(p, plane(in)) < 0.0f), "negative point-plane distance");
            break;
        }
        case 7: {
            const Line a = line(in), b = line(in);
            const float angle = angleLines(a, b);
            if (finite(a.direction) && finite(b.direction)) {
                check(angle >= 0.0f && angle <= kPiUpper, "angleLines outside [0, pi]");
            }
            break;
        }
        case 8: {
            const Line l = line(in);
            const Plane p = plane(in);
            const float angle = angleLinePlane(l, p);
            if (finite(l.direction) && finite(p)) {
                check(angle >= kHalfPi - kPiUpper && angle <= kHalfPi,
                      "angleLinePlane outside [-pi/2, pi/2]");
            }
            break;
        }
        case 9: {
            const Plane a = plane(in), b = plane(in);
            const float angle = anglePlanes(a, b);
            if (finite(a) && finite(b)) {
                check(angle >= 0.0f && angle <= kPiUpper, "anglePlanes outside [0, pi]");
            }
            break;
        }
        case 10: {
            const Line a = line(in), b = line(in);
            const Plane p = plane(in), q = plane(in);
            (void)linesCoplanar(a, b);
            (void)linesParallel(a, b);
            (void)lineParallelToPlane(a, p);
            (void)planesParallel(p, q);
            (void)linesPerpendicular(a, b);
            (void)planesPerpendicular(p, q);
            (void)pointsCoplanar(a.origin, b.origin, in.point3(), in.point3());
            (void)linePerpendicularToPlane(a, p);  // may throw ZeroDivide: last
            break;
        }
        case 11: {
            const Line l = line(in);
            const Plane p = plane(in);
            Point3D out = kSentinel;
            if (!intersectLinePlane(l, p, &out)) {
                check(sameBits(out, kSentinel), "intersectLinePlane wrote out on false");
            }
            (void)intersectLinePlane(l, p);
            break;
        }
        case 12: {
            const Ray r = ray(in);
            const Triangle t = triangle(in);
            Point3D out = kSentinel;
            (void)intersectRayTriangle(r, t, &out);
            (void)intersectRayTriangle(r, t);
            break;
        }
        case 13: {
            const LineSegment s = segment(in);
            const Plane p = plane(in);
            Point3D out = kSentinel;
            if (!intersectSegmentPlane(s, p, &out)) {
                check(sameBits(out, kSentinel), "intersectSegmentPlane wrote out on false");
            }
            break;
        }
        case 14: {
            const LineSegment s = segment(in);
            const Triangle t = triangle(in);
            Point3D out = kSentinel;
            try {
                if (!intersectSegmentTriangle(s, t, out)) {
                    check(sameBits(out, kSentinel), "intersectSegmentTriangle wrote out on false");
                }
            } catch (const ZeroDivide&) {
                check(sameBits(out, kSentinel), "intersectSegmentTriangle wrote out, then threw");
                throw;
            }
            break;
        }
        case 15: {
            const Triangle a = triangle(in), b = triangle(in);
            PointPair out{kSentinel, kSentinel};
            const int n = intersectTriangles(a, b, &out);
            check(n >= 0 && n <= 2, "intersectTriangles count outside 0..2");
            if (n < 2) check(sameBits(out[1], kSentinel), "intersectTriangles wrote slot 1");
            if (n < 1) check(sameBits(out[0], kSentinel), "intersectTriangles wrote slot 0");
            break;
        }
        case 16: {
            const Line l = line(in);
            Sphere s;
            s.centre = in.point3();
            s.radius = in.real();
            PointPair out{kSentinel, kSentinel};
            const int n = intersectLineSphere(l, s, &out);
            check(n >= 0 && n <= 2, "intersectLineSphere count outside 0..2");
            if (n < 2) check(sameBits(out[1], kSentinel), "intersectLineSphere wrote slot 1");
            if (n < 1) check(sameBits(out[0], kSentinel), "intersectLineSphere wrote slot 0");
            (void)intersectLineSphere(l, s);
            break;
        }
        case 17: {
            const Ray r = ray(in);
            Box b;
            b.first = in.point3();
            b.second = in.point3();
            PointPair out{kSentinel, kSentinel};
            const int n = intersectRayBox(r, b, &out);
            check(n >= 0 && n <= 2, "intersectRayBox count outside 0..2");
            if (n == 0) {
                check(sameBits(out[0], kSentinel) && sameBits(out[1], kSentinel),
                      "intersectRayBox wrote a slot on a miss");
            }
            if (n == 1) check(sameBits(out[0], kSentinel), "intersectRayBox wrote slot 0 on 1");
            (void)intersectRayBox(r, b);
            break;
        }
        case 18: {
            const Point2D p1 = in.point2();
            const Line2D a(p1, in.vector2());
            const Point2D p2 = in.point2();
            const Line2D b(p2, in.vector2());
            Point2D out = kSentinel2;
            if (!intersectLines2D(a, b, &out)) {
                check(sameBits(out, kSentinel2), "intersectLines2D wrote out on false");
            }
            (void)intersectLines2D(a, b);
            break;
        }
        case 19: {
            LineSegment2D a, b;
            a.start = in.point2();
            a.end = in.point2();
            b.start = in.point2();
            b.end = in.point2();
            Point2D out = kSentinel2;
            if (!intersectSegments2D(a, b, &out)) {
                check(sameBits(out, kSentinel2), "intersectSegments2D wrote out on false");
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const unsigned which = in.below(20);
    try {
        runQuery(which, in);
    } catch (const ZeroDivide&) {
        // The one exception a query may let out.
    }
    return 0;
}
