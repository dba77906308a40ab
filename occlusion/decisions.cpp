#include "occlusion/decisions.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "occlusion/vectorprojection.h"

namespace {

// Every non-occluder projected once, all of them in one call, and, when all its corners lie in
// front of the eye, decided by test(rect, s), s its index in the projection (with points, where
// its corners' device coordinates are); the others stay untested.
template <typename Test>
void decideEach(const Scene& scene, const ProjectionSetup& projection, FrameDecisions& decisions,
                bool points, Test test) {
    ProjectedSets& sets = decisions.projections;
    const std::size_t count = scene.objects.size();
    sets.sets.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Object& object = scene.objects[i];
        sets.sets[i] = object.occluder ? nullptr : &object.vertexSet;
    }
    projection.project(sets, points);
    // The counts are kept in locals, which stay in registers across the calls, and each outcome
    // is stored as the one word it is returned in (copied member by member, its bytes would go
    // through the stack).
    int32_t passedHom = 0, passedDeb = 0;
    Visibility* const outcomes = decisions.objects.data();
    for (std::size_t i = 0; i < count; ++i) {
        if (!sets.projected[i]) continue;
        const Visibility v = test(sets.rects[i], i);
        std::memcpy(outcomes + i, &v, sizeof v);
        passedHom += v.passedHom ? 1 : 0;
        passedDeb += v.passedDeb ? 1 : 0;
    }
    decisions.passedHom += passedHom;
    decisions.passedDeb += passedDeb;
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
    const ProjectionSetup projection(scene.modelView, scene.projection, width, height);
    decideEach(scene, projection, decisions, false, [&](const ScreenRect& rect, std::size_t) {
        return testRect(rect, coverage, depth, scene.depthRule);
    });
}

void decideVisibility(const Scene& scene, int width, int height, RasterCulling& raster,
                      FrameDecisions& decisions) {
    reset(scene, decisions);
    if (raster.buffer().width() != width || raster.buffer().height() != height) return;
    const ProjectedSets& sets = decisions.projections;
    // The raster rule's margins allow for the rounding of one combined matrix.
    const ProjectionSetup projection(scene.projection.current * scene.modelView.current, width,
                                     height);
    decideEach(scene, projection, decisions, true, [&](const ScreenRect& rect, std::size_t s) {
        return raster.test(rect, sets.corners(s));
    });
}
