#include "occlusion/polygonclip.h"

#include <utility>

namespace {

// Signed distances of a clip-space point to the six planes: inside where non-negative.
constexpr int kPlanes = 6;
double distance(const Vector4D& p, int plane) {
    const double x = static_cast<double>(p.x), y = static_cast<double>(p.y);
    const double z = static_cast<double>(p.z), w = static_cast<double>(p.w);
    const double g = static_cast<double>(kClipGuardBand);
    switch (plane) {
        case 0:
            return z + w;  // near
        case 1:
            return w - z;  // far
        case 2:
            return g * w + x;  // left
        case 3:
            return g * w - x;  // right
        case 4:
            return g * w + y;  // bottom
        default:
            return g * w - y;  // top
    }
}

Vector4D between(const Vector4D& a, const Vector4D& b, double t) {
    const auto mix = [t](float u, float v) {
        return static_cast<float>(static_cast<double>(u) +
                                  t * (static_cast<double>(v) - static_cast<double>(u)));
    };
    return Vector4D(mix(a.x, b.x), mix(a.y, b.y), mix(a.z, b.z), mix(a.w, b.w));
}

}  // namespace

void clipPolygon(const Vector4D* in, int count, std::vector<Vector4D>& out,
                 std::vector<Vector4D>& scratch) {
    out.assign(in, in + (count > 0 ? count : 0));
    // The planes some vertex lies outside of (or has a NaN distance to); a plane every vertex
    // lies outside of leaves nothing, and one no vertex lies outside of cuts nothing.
    unsigned outsideSome = 0, outsideAll = (1u << kPlanes) - 1;
    for (const Vector4D& v : out) {
        unsigned outside = 0;
        for (int plane = 0; plane < kPlanes; ++plane) {
            outside |= distance(v, plane) >= 0.0 ? 0u : 1u << plane;
        }
        outsideSome |= outside, outsideAll &= outside;
    }
    if (outsideAll != 0) out.clear();
    for (int plane = 0; plane < kPlanes && !out.empty(); ++plane) {
        if ((outsideSome & (1u << plane)) == 0) continue;
        scratch.clear();
        const std::size_t n = out.size();
        for (std::size_t k = 0; k < n; ++k) {
            const Vector4D& a = out[k];
            const Vector4D& b = out[k + 1 == n ? 0 : k + 1];
            const double da = distance(a, plane), db = distance(b, plane);
            // A NaN distance counts as outside; an edge is cut only where it truly crosses, so a
            // vertex on the plane is not repeated.
            if (da >= 0.0) scratch.push_back(a);
            if ((da > 0.0 && db < 0.0) || (da < 0.0 && db > 0.0)) {
                scratch.push_back(between(a, b, da / (da - db)));
            }
        }
        std::swap(out, scratch);
    }
    if (out.size() < 3) out.clear();
}
