#include "tools/timedframes.h"

#include "occlusion/decisions.h"
#include "occlusion/depthrules.h"
#include "occlusion/framedriver.h"
#include "occlusion/globals.h"
#include "occlusion/hompyramid.h"
#include "occlusion/scenerenderer.h"
#include "occlusion/visibility.h"
#include "tools/stopwatch.h"

double HomRun::overheadMs() const {
    return stageMs[kOccluders] + stageMs[kPyramid] + stageMs[kGrid] + stageMs[kDecide];
}

HomRun runHomFrame(int width, int height) {
    HomRun run;
    const FrameImageSizes sizes = frameImageSizes(width, height);
    // Kept from frame to frame, as the viewer keeps its own: no timed frame pays for its memory.
    static FrameDecisions decisions;
    Stopwatch watch;
    scene.passedHom = 0;
    scene.passedDeb = 0;
    clearFrameImages();
    if (sizes.cullingEnabled()) {
        buildOccluderImages(scene, sizes);
        run.stageMs[kOccluders] = watch.lap();
        buildHomPyramid(homPyramid);
        run.stageMs[kPyramid] = watch.lap();
        buildFrameDepthGrid(scene, sizes);
        run.stageMs[kGrid] = watch.lap();
    }
    decideFrame(scene, width, height, decisions);
    run.stageMs[kDecide] = watch.lap();
    renderScene(scene, width, height, decisions);
    run.stageMs[kScenePass] = watch.lap();
    drawFrameOverlays(scene, width, height);
    run.stageMs[kOverlays] = watch.lap();
    for (int s = 0; s < kOverlays; ++s) run.frameMs += run.stageMs[static_cast<std::size_t>(s)];

    run.culled.assign(scene.objects.size(), false);
    for (std::size_t i = 0; i < decisions.objects.size(); ++i) {
        run.culled[i] = decisions.objects[i].hidden();
    }
    if (sizes.cullingEnabled() && usesGrid(scene.depthRule)) {
        PixelImage scratch = debGrid;
        const Clock::time_point fillStart = Clock::now();
        fillDepthEstimationGrid(scene, scratch);
        run.gridFillMs = millisecondsSince(fillStart);
    }
    clearFrameImages();
    return run;
}

double timeFrame(const std::vector<bool>* drawn, int width, int height) {
    const std::vector<bool> everything(scene.objects.size(), true);
    Stopwatch watch;
    renderSceneObjects(scene, width, height, drawn == nullptr ? everything : *drawn);
    return watch.lap();
}
