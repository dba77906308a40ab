#include "occlusion/decisions.h"

#include <cstddef>

#include "occlusion/vectorprojection.h"

namespace {

// Every non-occluder projected once and, when all its corners lie in front of the eye, decided
// by test(rect); the others stay untested.
template <typename Test>
void decideEach(const Scene& scene, int width, int height, FrameDecisions& decisions, Test test) {
    const ProjectionSetup projection(scene.modelView, scene.projection, width, height);
    ScreenRect rect;
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const Object& object = scene.objects[i];
        if (object.occluder) continue;
        if (!projection.projectedRect(object.vertexSet, rect)) continue;
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
    decideEach(scene, width, height, decisions, [&](const ScreenRect& rect) {
        return testRect(rect, coverage, depth, scene.depthRule);
    });
}

void decideVisibility(const Scene& scene, int width, int height, RasterCulling& raster,
                      FrameDecisions& decisions) {
    reset(scene, decisions);
    if (raster.buffer().width() != width || raster.buffer().height() != height) return;
    decideEach(scene, width, height, decisions,
               [&](const ScreenRect& rect) { return raster.test(rect); });
}
