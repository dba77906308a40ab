#include "tools/timedframes.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "occlusion/framedriver.h"
#include "occlusion/globals.h"
#include "occlusion/hompyramid.h"
#include "occlusion/scenerenderer.h"
#include "occlusion/visibility.h"
#include "tools/stopwatch.h"

HomRun runHomFrame(int width, int height) {
    HomRun run;
    const FrameImageSizes sizes = frameImageSizes(width, height);
    Stopwatch watch;
    scene.passedHom = 0;
    scene.passedDeb = 0;
    clearFrameImages();
    if (sizes.cullingEnabled()) {
        buildOccluderLevel0(scene, sizes.level0Width, sizes.level0Height);
        run.stageMs[kOccluders] = watch.lap();
        buildHomPyramid(homPyramid);
        run.stageMs[kPyramid] = watch.lap();
        buildFrameDepthGrid(scene, sizes.gridWidth, sizes.gridHeight);
        run.stageMs[kGrid] = watch.lap();
    }
    renderScene(scene, width, height, homPyramid, debGrid);
    run.stageMs[kScenePass] = watch.lap();
    drawFrameOverlays(scene, width, height);
    run.stageMs[kOverlays] = watch.lap();
    for (int s = 0; s < kOverlays; ++s) run.frameMs += run.stageMs[static_cast<std::size_t>(s)];

    run.culled.assign(scene.objects.size(), false);
    const bool canTest = !homPyramid.empty() && !homPyramid[0].empty() && !debGrid.empty();
    if (canTest) {
        const DepthRule rule = depthRuleOf(scene);
        std::vector<Vector4D> slots;
        int passedHom = 0, passedDeb = 0;
        const Clock::time_point testStart = Clock::now();
        for (std::size_t i = 0; i < scene.objects.size(); ++i) {
            const Object& object = scene.objects[i];
            if (object.occluder) continue;
            const Visibility v = testVisibility(object.vertexSet, scene.modelView, scene.projection,
                                                width, height, homPyramid[0], debGrid, rule, slots);
            passedHom += v.passedHom ? 1 : 0;
            passedDeb += v.passedDeb ? 1 : 0;
            run.culled[i] = v.hidden();
        }
        run.testsMs = millisecondsSince(testStart);
        if (passedHom != scene.passedHom || passedDeb != scene.passedDeb) {
            std::fprintf(stderr,
                         "error: recomputed decisions (%d, %d) disagree with the scene "
                         "pass (%d, %d)\n",
                         passedHom, passedDeb, scene.passedHom, scene.passedDeb);
            std::exit(1);
        }
        PixelImage scratch = debGrid;
        const Clock::time_point fillStart = Clock::now();
        fillDepthEstimationGrid(scene, scratch);
        run.gridFillMs = millisecondsSince(fillStart);
    }
    clearFrameImages();
    return run;
}

double timeFrame(const std::vector<bool>* drawn, int width, int height) {
    Stopwatch watch;
    if (drawn == nullptr) {
        renderScene(scene, width, height, {}, PixelImage());
    } else {
        renderSceneObjects(scene, width, height, *drawn);
    }
    return watch.lap();
}
