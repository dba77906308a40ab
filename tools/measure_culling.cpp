// Measures the viewer's occlusion culling against a ground truth and against other ways of
// drawing the same frames: how often it skips an object that is visible, how much of what is
// hidden it finds, and what each method's frame costs.
//
// For every view of a camera path, in one process and one window, it runs:
// - ground truth: every object drawn with depth testing at full resolution, each non-occluder in
//   a colour that encodes its index (occluders black, filled), read back; an object is visible
//   when at least one pixel shows its index;
// - hom, hom-conservative and hom-depthmap: the viewer's frame stages (framedriver.h) under each
//   of its depth rules, timed stage by stage, with the decisions of the frame's decision step;
// - none: the scene pass drawing everything untested;
// - oracle: the scene pass drawing only the truly visible objects (and the occluders);
// - queries: the occluders drawn into the depth buffer at full resolution, one GL_SAMPLES_PASSED
//   query per object on its bounding box, the results read, the passing objects drawn.
// Every timed interval starts and ends with glFinish, so a time covers the work the renderer did
// for it and nothing queued earlier. A method's frame time excludes the status line and overlays,
// which only the viewer draws; the hom frame's overlay stage is reported on its own.
//
// This file is the per-view loop; the ground truth, the query culler, the timed frames, the
// options and the report each have their own file in tools/.

#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/camera.h"
#include "app/view.h"
#include "occlusion/globals.h"
#include "occlusion/vertexsets.h"
#include "scene/demoscene.h"
#include "scene/randomscene.h"
#include "tools/groundtruth.h"
#include "tools/measureoptions.h"
#include "tools/measurereport.h"
#include "tools/measurestats.h"
#include "tools/outcomeshots.h"
#include "tools/queryculler.h"
#include "tools/residentmemory.h"
#include "tools/stopwatch.h"
#include "tools/timedframes.h"

// The camera globals belong to the viewer's shell library, which this program links.

namespace {

constexpr std::size_t kWarmUpViews = 32;
// Views of a sweep that --shots pictures; every view of an explicit --camera path.
constexpr std::size_t kShotViewsOfSweep = 6;

void applyCamera(const CameraState& state, int width, int height) {
    rotX = state.rotX;
    rotZ = state.rotZ;
    zoom = state.zoom;
    panX = state.panX;
    panY = state.panY;
    setView(scene, width, height);
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const std::vector<CameraState> path =
        options.cameras.empty() ? sweepPath(options.spins, options.tilts, options.zooms)
                                : options.cameras;
    if (path.empty()) usage(argv[0], "the camera path is empty");

    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(options.width, options.height);
    glutInit(&argc, argv);
    glutCreateWindow("Culling measurement");
    GLint red = 0, green = 0, blue = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    if (red < 8 || green < 8 || blue < 8) {
        std::fprintf(stderr,
                     "error: the ground truth needs 8 bits per colour channel (the "
                     "display has %d/%d/%d); use a 24-bit screen\n",
                     red, green, blue);
        return 1;
    }

    if (options.sceneKind == SceneKind::Random) {
        buildRandomScene(scene, options.seed, options.occluderCount, options.objectCount);
    } else {
        buildDemoGridScene(scene, options.halfCells);
    }
    computeVertexSets(scene);
    if (scene.objects.size() >= (1u << 24)) {
        std::fprintf(stderr, "error: too many objects for 24-bit identifiers\n");
        return 1;
    }
    std::vector<bool> occluder(scene.objects.size());
    for (std::size_t i = 0; i < scene.objects.size(); ++i) occluder[i] = scene.objects[i].occluder;

    std::ofstream csv, falseCullFile, objectFile;
    if (!options.csvPath.empty()) {
        csv = openOutput(options.csvPath);
        writeCsvHeader(csv);
    }
    if (!options.falseCullPath.empty()) {
        falseCullFile = openOutput(options.falseCullPath);
        writeFalseCullHeader(falseCullFile);
    }
    if (!options.objectPath.empty()) {
        objectFile = openOutput(options.objectPath);
        writeObjectHeader(objectFile);
    }

    std::set<std::size_t> shotViews;
    if (!options.shotDirectory.empty()) {
        std::error_code failure;
        std::filesystem::create_directories(options.shotDirectory, failure);
        if (failure) {
            std::fprintf(stderr, "error: cannot create %s: %s\n", options.shotDirectory.c_str(),
                         failure.message().c_str());
            return 1;
        }
        const std::size_t count = options.cameras.empty() ? kShotViewsOfSweep : path.size();
        for (std::size_t k = 0; k < std::min(count, path.size()); ++k) {
            shotViews.insert(k * path.size() / std::min(count, path.size()));
        }
    }

    QueryCuller queries(scene.objects.size());
    const int w = options.width, h = options.height;
    std::vector<bool> drawn;

    // Warm-up over views spread along the whole path: first-use costs (the renderer compiles
    // state variants and sizes its buffers for the largest picture it meets) stay out of the
    // figures, and the memory marks compare a steady working set with itself.
    const std::size_t warmUps = std::min(path.size(), kWarmUpViews);
    for (std::size_t k = 0; k < warmUps; ++k) {
        applyCamera(path[k * path.size() / warmUps], w, h);
        renderGroundTruth(w, h);
        for (const CullingMethod& method : kCullingMethods) {
            scene.depthRule = method.rule;
            runHomFrame(w, h);
        }
        scene.depthRule = DepthRule::Farthest;
        timeFrame(nullptr, w, h);
        queries.frame(w, h, drawn);
    }

    const bool tty = isatty(STDERR_FILENO) != 0;
    std::vector<ViewRecord> records;
    records.reserve(path.size());
    std::vector<FalseCull> falseCulls;
    MemoryMarks memory;
    const Clock::time_point runStart = Clock::now();
    std::size_t lastTenth = 0;
    for (std::size_t view = 0; view < path.size(); ++view) {
        ViewRecord record;
        record.camera = path[view];
        applyCamera(record.camera, w, h);

        // The hom frames come first, after the previous view's last scene pass, as in the
        // viewer; the ground truth's full-window read-back would otherwise slow the next pass.
        for (std::size_t k = 0; k < kCullingMethodCount; ++k) {
            scene.depthRule = kCullingMethods[k].rule;
            record.runs[k] = runHomFrame(w, h);
        }
        scene.depthRule = DepthRule::Farthest;
        record.noneMs = timeFrame(nullptr, w, h);
        Stopwatch queryWatch;
        queries.frame(w, h, drawn);
        record.queriesMs = queryWatch.lap();

        Stopwatch truthWatch;
        const GroundTruth truth = renderGroundTruth(w, h);
        record.truthMs = truthWatch.lap();
        const std::vector<int>& pixels = truth.pixels;
        std::vector<bool> visible(pixels.size());
        for (std::size_t i = 0; i < pixels.size(); ++i) visible[i] = pixels[i] > 0;
        for (std::size_t k = 0; k < kCullingMethodCount; ++k) {
            record.culling[k] = compareWithTruth(occluder, visible, record.runs[k].culled);
        }
        std::vector<bool> queryCulled(drawn.size());
        for (std::size_t i = 0; i < drawn.size(); ++i) queryCulled[i] = !drawn[i];
        record.queries = compareWithTruth(occluder, visible, queryCulled);

        // Each false cull with its cause, from the occluders' own depth image (drawn only in
        // views with false culls).
        std::vector<float> occluderDepth;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            if (!visible[i]) continue;
            for (std::size_t k = 0; k < kCullingMethodCount; ++k) {
                if (!record.runs[k].culled[i]) continue;
                if (occluderDepth.empty()) occluderDepth = renderOccluderDepth(w, h);
                falseCulls.push_back({view, record.camera, kCullingMethods[k].name, i, pixels[i],
                                      explainFalseCull(i, truth, occluderDepth)});
                if (falseCullFile.is_open()) writeFalseCullRow(falseCullFile, falseCulls.back());
            }
        }
        if (shotViews.count(view) != 0) {
            for (std::size_t k = 0; k < kCullingMethodCount; ++k) {
                char file[64];
                std::snprintf(file, sizeof file, "/view-%04zu-%s.png", view,
                              kCullingMethods[k].name);
                const DecisionCounts& d = record.culling[k];
                char title[160];
                std::snprintf(title, sizeof title,
                              "%s: culled %d, %d of them visible\nview %zu: %s",
                              kCullingMethods[k].name, d.culled, d.falseCulls, view,
                              describeCamera(record.camera).c_str());
                writeOutcomeShot(options.shotDirectory + file, w, h,
                                 outcomesOf(visible, record.runs[k].culled), title);
            }
        }
        // The oracle's frame comes last, so that the next view's frames follow a scene pass, as
        // in the viewer, rather than a full-window read-back.
        std::vector<bool> oracle(visible);
        for (std::size_t i = 0; i < oracle.size(); ++i) oracle[i] = visible[i] || occluder[i];
        record.oracleMs = timeFrame(&oracle, w, h);
        if (objectFile.is_open())
            writeObjectRows(objectFile, view, record, occluder, pixels, drawn);
        // The per-object flags are done with; keeping them would grow memory with the path.
        for (HomRun& run : record.runs) run.culled = std::vector<bool>();
        records.push_back(std::move(record));
        if (view == 0) {
            memory.peakFirst = peakResidentKilobytes();
            memory.residentFirst = residentKilobytes();
        }

        if (options.progress) {
            const std::size_t done = view + 1;
            if (tty) {
                std::fprintf(stderr, "\rview %zu/%zu", done, path.size());
                if (done == path.size()) std::fprintf(stderr, "\n");
            } else if (done * 10 / path.size() > lastTenth || done == path.size()) {
                lastTenth = done * 10 / path.size();
                std::fprintf(stderr, "view %zu/%zu (%.0f s)\n", done, path.size(),
                             millisecondsSince(runStart) / 1000.0);
            }
        }
    }
    memory.peakLast = peakResidentKilobytes();
    memory.residentLast = residentKilobytes();
    const double wallSeconds = millisecondsSince(runStart) / 1000.0;

    // Each method's frames again along the path, one after another, as the viewer draws the
    // frames of one rule. Above, the other methods' frames and the ground truth come between
    // two frames of a method and push its code and data out of the caches; here only its own
    // scene pass does. The per-view CSV, which carries these overheads too, is written after.
    for (std::size_t k = 0; k < kCullingMethodCount; ++k) {
        scene.depthRule = kCullingMethods[k].rule;
        for (std::size_t view = 0; view < path.size(); ++view) {
            applyCamera(path[view], w, h);
            records[view].sequenceOverheadMs[k] = runHomFrame(w, h).overheadMs();
        }
    }
    scene.depthRule = DepthRule::Farthest;
    if (csv.is_open()) {
        for (std::size_t view = 0; view < records.size(); ++view) {
            writeCsvRow(csv, view, records[view]);
        }
    }

    for (std::ofstream* out : {&csv, &falseCullFile, &objectFile}) {
        if (!out->is_open()) continue;
        out->flush();
        if (!*out) {
            std::fprintf(stderr, "error: writing an output file failed\n");
            return 1;
        }
    }
    printSummary(options, records, falseCulls, memory, wallSeconds);
    return 0;
}
