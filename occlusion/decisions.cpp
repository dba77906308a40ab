#include "occlusion/decisions.h"

#include <cstddef>

void decideVisibility(const Scene& scene, int width, int height, const PixelImage& coverage,
                      const PixelImage& depth, FrameDecisions& decisions) {
    decisions.objects.assign(scene.objects.size(), Visibility());
    decisions.passedHom = 0;
    decisions.passedDeb = 0;
    if (coverage.empty() || depth.empty()) return;
    std::vector<Vector4D> slots;
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const Object& object = scene.objects[i];
        if (object.occluder) continue;
        const Visibility v = testVisibility(object.vertexSet, scene.modelView, scene.projection,
                                            width, height, coverage, depth, scene.depthRule, slots);
        decisions.objects[i] = v;
        decisions.passedHom += v.passedHom ? 1 : 0;
        decisions.passedDeb += v.passedDeb ? 1 : 0;
    }
}
