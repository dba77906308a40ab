#include "occlusion/decisions.h"

#include <cstddef>

#include "occlusion/vectorprojection.h"

void decideVisibility(const Scene& scene, int width, int height, const PixelImage& coverage,
                      const PixelImage& depth, FrameDecisions& decisions) {
    decisions.objects.assign(scene.objects.size(), Visibility());
    decisions.passedHom = 0;
    decisions.passedDeb = 0;
    if (coverage.empty() || depth.empty()) return;
    const ProjectionSetup projection(scene.modelView, scene.projection, width, height);
    ScreenRect rect;
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const Object& object = scene.objects[i];
        if (object.occluder) continue;
        // Untested when some corner lies on or behind the eye plane.
        if (!projection.projectedRect(object.vertexSet, rect)) continue;
        const Visibility v = testRect(rect, coverage, depth, scene.depthRule);
        decisions.objects[i] = v;
        decisions.passedHom += v.passedHom ? 1 : 0;
        decisions.passedDeb += v.passedDeb ? 1 : 0;
    }
}
