// Fuzz target: the occlusion buffer on arbitrary polygons in clip coordinates and arbitrary
// windows up to 40 by 40 pixels.
//
// Checked beyond the sanitizers (no out-of-range index, no undefined conversion): every depth
// lies in [0, 1]; a rectangle's and an outline's answers equal a scan of their pixels; and for
// triangles whose coordinates are small whole numbers of sixteenths, coverage is exactly that of
// the clipped, snapped polygons tested pixel by pixel, and where that agrees with the exact
// triangles (the brute-force reference in double) no depth is nearer than the exact one.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzzinput.h"
#include "occlusion/occlusionbuffer.h"
#include "occlusion/outline.h"
#include "occlusion/tests/rasterreference.h"

namespace {

void check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "raster fuzz: %s\n", what);
    std::abort();
}

// A coordinate in sixteenths from -8 to 8 (most of the time), or any float.
float coordinate(FuzzInput& in, bool tame) {
    if (tame) return static_cast<float>(static_cast<int>(in.byte()) - 128) / 16.0f;
    return in.real();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const int width = static_cast<int>(in.below(41));
    const int height = static_cast<int>(in.below(41));
    const bool tame = (in.byte() & 7) != 0;
    OcclusionBuffer buffer;
    buffer.resize(width, height);

    std::vector<std::vector<Vector4D>> triangles;
    for (unsigned k = in.below(6); k > 0; --k) {
        const int count = tame ? 3 : static_cast<int>(in.below(9));
        std::vector<Vector4D> polygon(static_cast<size_t>(count));
        for (Vector4D& v : polygon) {
            v.x = coordinate(in, tame);
            v.y = coordinate(in, tame);
            v.z = coordinate(in, tame);
            v.w = coordinate(in, tame);
        }
        buffer.drawPolygon(polygon.data(), count);
        if (tame) triangles.push_back(polygon);
    }

    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float d = buffer.depthAt(x, y);
            check(d >= 0.0f && d <= 1.0f, "a depth outside [0, 1]");
        }
    }
    if (tame) {
        // Coverage exactly as the snapped polygons give it; depth, where every triangle's
        // snapped coverage agrees with the exact one, never nearer than the exact depth.
        std::vector<std::vector<OcclusionBuffer::WindowVertex>> snapped(triangles.size());
        std::vector<std::vector<ReferencePixel>> exact;
        for (std::size_t t = 0; t < triangles.size(); ++t) {
            if (!buffer.windowPolygon(triangles[t].data(), 3, snapped[t])) snapped[t].clear();
            exact.push_back(referenceImage({triangles[t]}, width, height));
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                bool covered = false, consistent = true;
                double exactDepth = 1.0;
                for (std::size_t t = 0; t < triangles.size(); ++t) {
                    const bool inside =
                        !snapped[t].empty() && snappedPolygonCovers(snapped[t], x, y);
                    const ReferencePixel& r = exact[t][static_cast<size_t>(y) * width + x];
                    covered = covered || inside;
                    consistent = consistent && !r.undecided && r.covered == inside;
                    if (r.covered) exactDepth = std::min(exactDepth, r.depth);
                }
                const float d = buffer.depthAt(x, y);
                check((d < 1.0f) == covered, "coverage disagrees with the snapped polygons");
                if (consistent && covered) {
                    check(static_cast<double>(d) >= exactDepth - 1e-6,
                          "a depth nearer than the reference");
                }
            }
        }
    }

    // A rectangle query against a scan of its pixels.
    const int x0 = static_cast<int>(in.below(60)) - 10, x1 = static_cast<int>(in.below(60)) - 10;
    const int y0 = static_cast<int>(in.below(60)) - 10, y1 = static_cast<int>(in.below(60)) - 10;
    const float depth = in.real();
    bool covered = true, hidden = true;
    for (int y = std::max(0, y0); y <= std::min(height - 1, y1); ++y) {
        for (int x = std::max(0, x0); x <= std::min(width - 1, x1); ++x) {
            const float d = buffer.depthAt(x, y);
            covered = covered && d < 1.0f;
            hidden = hidden && d < 1.0f && d < depth;
        }
    }
    const OcclusionBuffer::RectAnswer answer = buffer.testRect(x0, x1, y0, y1, depth);
    check(answer.covered == covered, "rectangle coverage disagrees with a scan");
    check(answer.hidden == hidden, "rectangle depth answer disagrees with a scan");
    check(buffer.hides(x0, x1, y0, y1, depth) == hidden, "tile-only answer disagrees with a scan");

    // An outline of up to eight points against a scan of its rows' spans.
    double px[8], py[8], hx[8], hy[8];
    const int points = static_cast<int>(in.below(9));
    for (int k = 0; k < points; ++k) {
        px[k] = static_cast<double>(tame ? coordinate(in, true) * 4.0f + 20.0f : in.real());
        py[k] = static_cast<double>(tame ? coordinate(in, true) * 4.0f + 20.0f : in.real());
    }
    OutlineRows outline;
    if (outline.set(hx, hy, convexHull(px, py, points, hx, hy))) {
        bool outlineHidden = true;
        for (int row0 = 0; row0 < height; row0 += OutlineRows::kRows) {
            int16_t first[OutlineRows::kRows], last[OutlineRows::kRows];
            outline.spans(row0, width, first, last);
            for (int r = 0; r < OutlineRows::kRows && row0 + r < height; ++r) {
                check(first[r] > last[r] || (first[r] >= 0 && last[r] < width),
                      "a span beyond the window");
                for (int x = first[r]; x <= last[r]; ++x) {
                    const float d = buffer.depthAt(x, row0 + r);
                    outlineHidden = outlineHidden && d < 1.0f && d < depth;
                }
            }
        }
        check(buffer.hidesOutline(outline, depth) == outlineHidden,
              "outline answer disagrees with a scan");
    }
    return 0;
}
