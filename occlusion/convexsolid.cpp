#include "occlusion/convexsolid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace {

// How far a corner may lie in front of a face's plane, or a face's own corner off it, as a
// fraction of the solid's size: float positions of a box turned any way are off by about 1e-7.
constexpr double kFlatness = 1e-5;

std::array<double, 3> point(const Vector4D& v) {
    return {static_cast<double>(v.x), static_cast<double>(v.y), static_cast<double>(v.z)};
}

}  // namespace

void ConvexSolid::update(const std::vector<Polygon>& polygons) {
    if (found_ && matches(polygons)) return;
    sizes_.clear(), positions_.clear(), links_.clear();
    for (const Polygon& polygon : polygons) {
        sizes_.push_back(polygon.size());
        for (const Vertex& v : polygon) positions_.push_back(v.position), links_.push_back(v.link);
    }
    found_ = true;
    solid_ = find(polygons);
    if (!solid_) corners_.clear(), first_.clear(), faceCorners_.clear();
}

bool ConvexSolid::matches(const std::vector<Polygon>& polygons) const {
    if (polygons.size() != sizes_.size()) return false;
    // Bit for bit, and without a branch per vertex: this runs for every occluder every frame.
    const auto bits = [](const Vector4D& v, std::size_t half) {
        uint64_t b;
        std::memcpy(&b, reinterpret_cast<const char*>(&v) + half * sizeof b, sizeof b);
        return b;
    };
    uint64_t differ = 0;
    std::size_t k = 0;
    for (std::size_t p = 0; p < polygons.size(); ++p) {
        if (polygons[p].size() != sizes_[p]) return false;
        for (const Vertex& v : polygons[p]) {
            differ |= (bits(v.position, 0) ^ bits(positions_[k], 0)) |
                      (bits(v.position, 1) ^ bits(positions_[k], 1)) |
                      static_cast<uint32_t>(v.link ^ links_[k]);
            ++k;
        }
    }
    return differ == 0;
}

bool ConvexSolid::find(const std::vector<Polygon>& polygons) {
    corners_.clear(), first_.assign(1, 0), faceCorners_.clear();
    for (const Polygon& polygon : polygons) {
        const std::size_t n = polygon.size();
        if (n < 3 || n > static_cast<std::size_t>(OcclusionBuffer::kMaxSolidFaceCorners)) {
            return false;
        }
        for (std::size_t k = 0; k < n; ++k) {
            const Vertex& v = polygon[k];
            // A vertex that does not link to its predecessor starts a hole.
            if (k > 0 && v.link != static_cast<int32_t>(k) - 1) return false;
            if (!(v.position.w == 1.0f)) return false;
            const auto corner = static_cast<std::size_t>(
                std::find(corners_.begin(), corners_.end(), v.position) - corners_.begin());
            if (corner == corners_.size()) {
                if (corner == OcclusionBuffer::kMaxSolidCorners) return false;
                corners_.push_back(v.position);
            }
            faceCorners_.push_back(static_cast<int>(corner));
        }
        first_.push_back(static_cast<int>(faceCorners_.size()));
    }
    const std::size_t faces = first_.size() - 1;
    if (faces < 4) return false;
    // Closed, every face wound the same way: each edge a to b meets b to a exactly once.
    const auto edge = [&](std::size_t f, int k) {
        const int first = first_[f], n = first_[f + 1] - first;
        return std::pair{faceCorners_[static_cast<std::size_t>(first + k)],
                         faceCorners_[static_cast<std::size_t>(first + (k + 1) % n)]};
    };
    for (std::size_t f = 0; f < faces; ++f) {
        for (int k = 0; k < first_[f + 1] - first_[f]; ++k) {
            const auto [a, b] = edge(f, k);
            if (a == b) return false;
            int same = 0, reversed = 0;
            for (std::size_t g = 0; g < faces; ++g) {
                for (int j = 0; j < first_[g + 1] - first_[g]; ++j) {
                    const auto [c, d] = edge(g, j);
                    same += c == a && d == b ? 1 : 0;
                    reversed += c == b && d == a ? 1 : 0;
                }
            }
            if (same != 1 || reversed != 1) return false;
        }
    }
    // Convex: every corner on or behind every face's plane, each face's own corners on it.
    std::array<double, 3> low = point(corners_[0]), high = low;
    for (const Vector4D& c : corners_) {
        const std::array<double, 3> p = point(c);
        for (int i = 0; i < 3; ++i)
            low[i] = std::min(low[i], p[i]), high[i] = std::max(high[i], p[i]);
    }
    const double size = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    if (!(size > 0.0) || !std::isfinite(size)) return false;
    for (std::size_t f = 0; f < faces; ++f) {
        const int first = first_[f], n = first_[f + 1] - first;
        // Newell's normal, outward for a face counter-clockwise seen from outside.
        std::array<double, 3> normal{0.0, 0.0, 0.0}, centre{0.0, 0.0, 0.0};
        for (int k = 0; k < n; ++k) {
            const std::array<double, 3> p = point(corners_[static_cast<std::size_t>(
                faceCorners_[static_cast<std::size_t>(first + k)])]);
            const std::array<double, 3> q = point(corners_[static_cast<std::size_t>(
                faceCorners_[static_cast<std::size_t>(first + (k + 1) % n)])]);
            normal[0] += (p[1] - q[1]) * (p[2] + q[2]);
            normal[1] += (p[2] - q[2]) * (p[0] + q[0]);
            normal[2] += (p[0] - q[0]) * (p[1] + q[1]);
            for (int i = 0; i < 3; ++i) centre[i] += p[i] / n;
        }
        const double length = std::hypot(normal[0], normal[1], normal[2]);
        if (!(length > 0.0)) return false;
        const double tolerance = kFlatness * size * length;
        for (std::size_t c = 0; c < corners_.size(); ++c) {
            const std::array<double, 3> p = point(corners_[c]);
            const double height = normal[0] * (p[0] - centre[0]) + normal[1] * (p[1] - centre[1]) +
                                  normal[2] * (p[2] - centre[2]);
            if (height > tolerance) return false;
            const bool own =
                std::find(faceCorners_.begin() + first, faceCorners_.begin() + first + n,
                          static_cast<int>(c)) != faceCorners_.begin() + first + n;
            if (own && height < -tolerance) return false;
        }
    }
    return true;
}
