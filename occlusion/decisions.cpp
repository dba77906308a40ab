#include "occlusion/decisions.h"

#include <cstddef>
#include <vector>

#include "occlusion/vectorprojection.h"

namespace {

constexpr std::size_t kFetchAhead = 4;

// Every non-occluder projected once and, when all its corners lie in front of the eye, decided
// by test(rect); the others stay untested. With points, the projection also leaves the corners'
// device coordinates there for the test.
template <typename Test>
void decideEach(const Scene& scene, int width, int height, FrameDecisions& decisions,
                DevicePoints* points, Test test) {
    const ProjectionSetup projection(scene.modelView, scene.projection, width, height);
    ScreenRect rect;
    const std::size_t count = scene.objects.size();
    for (std::size_t i = 0; i < count; ++i) {
        // Each vertex set is a block of its own on the heap, most often out of the cache by
        // the next frame: the one a few objects on is fetched while this one is decided.
        if (i + kFetchAhead < count) {
            const std::vector<Vector4D>& ahead = scene.objects[i + kFetchAhead].vertexSet;
            if (!ahead.empty()) {
                __builtin_prefetch(ahead.data());
                __builtin_prefetch(ahead.data() + (ahead.size() - 1));
            }
        }
        const Object& object = scene.objects[i];
        if (object.occluder) continue;
        if (!projection.projectedRect(object.vertexSet, rect, points)) continue;
        const Visibility v = test(rect);
        decisions.objects[i] = v;
        decisions.passedHom += v.passedHom ? 1 : 0;
        decisions.passedDeb += v.passedDeb ? 1 : 0;
    }
}

void reset(const Scene& scene, FrameDecisions& decisions) {
    decisions.objects.assign(scene.objects.size(), Visibility());
    decisions.passedHom = 0;
    decisions.passedDeb = 0;
}

}  // namespace

void decideVisibility(const Scene& scene, int width, int height, const PixelImage& coverage,
                      const PixelImage& depth, FrameDecisions& decisions) {
    reset(scene, decisions);
    if (coverage.empty() || depth.empty()) return;
    decideEach(scene, width, height, decisions, nullptr, [&](const ScreenRect& rect) {
        return testRect(rect, coverage, depth, scene.depthRule);
    });
}

void decideVisibility(const Scene& scene, int width, int height, RasterCulling& raster,
                      FrameDecisions& decisions) {
    reset(scene, decisions);
    if (raster.buffer().width() != width || raster.buffer().height() != height) return;
    DevicePoints& corners = raster.corners();
    decideEach(scene, width, height, decisions, &corners,
               [&](const ScreenRect& rect) { return raster.test(rect, corners); });
}
