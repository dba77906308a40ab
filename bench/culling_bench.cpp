// Benchmarks of the processor's share of the culling at 480 by 480: the opacity pyramid, the
// depth grid, the per-object tests with their projections, the vertex sets, and the matrix
// operations under them. Each runs on the demo scene for a few camera states of the viewer.
//
// Level 0 is built without a renderer: the union of the occluders' projected rectangles on the
// 48 by 48 target, a slight superset of what the occluder pass draws, so the tests see coverage
// shaped like the real one.

#include <benchmark/benchmark.h>
#if !defined(HWY_COMPILE_ONLY_STATIC)
#include <hwy/targets.h>
#endif

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/camera.h"
#include "app/view.h"
#include "math/matrix4x4.h"
#include "occlusion/decisions.h"
#include "occlusion/framedriver.h"
#include "occlusion/hompyramid.h"
#include "occlusion/rasterculling.h"
#include "occlusion/vertexsets.h"
#include "occlusion/visibility.h"
#include "scene/demoscene.h"
#include "tools/measureoptions.h"
#include "tools/measurestats.h"

namespace {

constexpr int kWindow = 480;

struct CameraPose {
    float rotX, rotZ, zoom;
};
// The viewer's initial view, a raised view from a diagonal, and the view from straight above.
constexpr CameraPose kPoses[] = {
    {-90.0f, 0.0f, -5.0f}, {-60.0f, 45.0f, -1.0f}, {0.0f, 0.0f, -5.0f}};

struct Frame {
    Scene scene;
    FrameImageSizes sizes = frameImageSizes(kWindow, kWindow);
    PixelImage level0;
    PixelImage grid;
};

PixelImage coverageOfOccluders(const Scene& scene, int width, int height) {
    PixelImage image;
    image.resize(width, height);
    std::vector<Vector4D> slots;
    for (const Object& object : scene.objects) {
        if (!object.occluder) continue;
        if (!projectVertexSet(object.vertexSet, scene.modelView, scene.projection, width, height,
                              slots)) {
            continue;
        }
        const ScreenRect r = boundingRect(slots, object.vertexSet.size(), width, height);
        for (int x = std::max(0, r.leftMost); x < std::min(width, r.rightMost); ++x) {
            for (int y = std::max(0, r.topMost); y < std::min(height, r.bottomMost); ++y) {
                image[x][y] = 1.0f;
            }
        }
    }
    return image;
}

// The demo scene seen from pose `index`, with level 0 and a filled grid.
Frame& frameFor(int index) {
    static Frame frames[3];
    static bool built[3] = {false, false, false};
    Frame& frame = frames[index];
    if (!built[index]) {
        buildDemoScene(frame.scene);
        computeVertexSets(frame.scene);
        rotX = kPoses[index].rotX;
        rotZ = kPoses[index].rotZ;
        zoom = kPoses[index].zoom;
        panX = 0.0f;
        panY = 0.0f;
        setView(frame.scene, kWindow, kWindow);
        frame.level0 =
            coverageOfOccluders(frame.scene, frame.sizes.level0Width, frame.sizes.level0Height);
        frame.grid.resize(frame.sizes.gridWidth, frame.sizes.gridHeight);
        fillDepthEstimationGrid(frame.scene, frame.grid);
        built[index] = true;
    }
    return frame;
}

// The frame's decision step over the demo's objects; returns how many it hides.
int testObjects(const Frame& frame, FrameDecisions& decisions) {
    decideVisibility(frame.scene, kWindow, kWindow, frame.level0, frame.grid, decisions);
    return decisions.passedDeb;
}

void BM_BuildHomPyramid(benchmark::State& state) {
    const Frame& frame = frameFor(static_cast<int>(state.range(0)));
    std::vector<PixelImage> pyramid{frame.level0};
    for (auto _ : state) {
        pyramid.resize(1);  // keeps level 0
        buildHomPyramid(pyramid);
        benchmark::DoNotOptimize(pyramid.back()[0][0]);
    }
}

void BM_FillDepthGrid(benchmark::State& state) {
    Frame& frame = frameFor(static_cast<int>(state.range(0)));
    PixelImage grid = frame.grid;
    for (auto _ : state) {
        fillDepthEstimationGrid(frame.scene, grid);
        benchmark::DoNotOptimize(grid[0][0]);
    }
}

void BM_TestDemoObjects(benchmark::State& state) {
    const Frame& frame = frameFor(static_cast<int>(state.range(0)));
    FrameDecisions decisions;
    int hidden = 0;
    for (auto _ : state) {
        hidden = testObjects(frame, decisions);
        benchmark::DoNotOptimize(hidden);
    }
    state.counters["hidden"] = hidden;
}

// Everything the processor does for culling in one frame: pyramid, grid and the 225 tests.
void BM_CpuCullingFrame(benchmark::State& state) {
    Frame& frame = frameFor(static_cast<int>(state.range(0)));
    std::vector<PixelImage> pyramid{frame.level0};
    PixelImage grid = frame.grid;
    FrameDecisions decisions;
    for (auto _ : state) {
        pyramid.resize(1);
        buildHomPyramid(pyramid);
        fillDepthEstimationGrid(frame.scene, grid);
        int hidden = testObjects(frame, decisions);
        benchmark::DoNotOptimize(hidden);
    }
}

// The demo scene's matrices for every view of the measurement's default path.
struct PathViews {
    Scene scene;
    std::vector<TransformStack> modelViews, projections;
};

const PathViews& defaultPath() {
    static const PathViews views = [] {
        PathViews v;
        buildDemoScene(v.scene);
        computeVertexSets(v.scene);
        for (const CameraState& c : sweepPath(kDefaultSpins, kDefaultTilts, kDefaultZooms)) {
            rotX = c.rotX, rotZ = c.rotZ, zoom = c.zoom, panX = c.panX, panY = c.panY;
            setView(v.scene, kWindow, kWindow);
            v.modelViews.push_back(v.scene.modelView);
            v.projections.push_back(v.scene.projection);
        }
        return v;
    }();
    return views;
}

// The raster rule's frames, one view of the default path after another: frame(scene, raster,
// decisions) runs one and returns the microseconds of each of its stages, which come back
// sorted, stage by stage.
template <std::size_t Stages, typename Frame>
std::array<std::vector<double>, Stages> rasterFrames(benchmark::State& state, Frame frame) {
    const PathViews& path = defaultPath();
    Scene scene = path.scene;
    scene.depthRule = DepthRule::Raster;
    RasterCulling raster;
    FrameDecisions decisions;
    std::array<std::vector<double>, Stages> micros;
    std::size_t view = 0;
    int hidden = 0;
    for (auto _ : state) {
        scene.modelView = path.modelViews[view];
        scene.projection = path.projections[view];
        view = (view + 1) % path.modelViews.size();
        const std::array<double, Stages> stages = frame(scene, raster, decisions);
        for (std::size_t k = 0; k < Stages; ++k) micros[k].push_back(stages[k]);
        hidden += decisions.passedDeb;
        benchmark::DoNotOptimize(hidden);
    }
    for (std::vector<double>& stage : micros) std::sort(stage.begin(), stage.end());
    return micros;
}

using Clock = std::chrono::steady_clock;
double microsBetween(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::micro>(end - start).count();
}

// The raster rule's whole work in one frame, one view of the default path after another: the
// occluders rasterised, the hierarchy and the decisions for the 225 objects. Besides the mean,
// the median and the 95th percentile over the frames.
void BM_RasterCullingFrame(benchmark::State& state) {
    const auto micros = rasterFrames<1>(
        state, [](const Scene& scene, RasterCulling& raster, FrameDecisions& decisions) {
            const Clock::time_point start = Clock::now();
            raster.build(scene, kWindow, kWindow);
            decideVisibility(scene, kWindow, kWindow, raster, decisions);
            return std::array<double, 1>{microsBetween(start, Clock::now())};
        });
    const std::vector<double>& frames = micros[0];
    if (!frames.empty()) {
        state.counters["median_us"] = frames[frames.size() / 2];
        state.counters["p95_us"] = frames[frames.size() * 95 / 100];
    }
}

#if !defined(HWY_COMPILE_ONLY_STATIC)
// BM_RasterCullingFrame with the vector code in one instruction set, chosen as the run-time
// dispatch would choose it on a processor whose best it is: what the frame takes there.
void BM_FrameOnInstructionSet(benchmark::State& state, int64_t target) {
    hwy::SetSupportedTargetsForTest(target);
    BM_RasterCullingFrame(state);
    hwy::SetSupportedTargetsForTest(0);  // the processor's best again
}
#endif

// One raster frame, its two stages timed apart: rasterising the occluders (build) and deciding
// the objects (decide).
std::array<double, 2> timedStages(const Scene& scene, RasterCulling& raster,
                                  FrameDecisions& decisions) {
    const Clock::time_point start = Clock::now();
    raster.build(scene, kWindow, kWindow);
    const Clock::time_point built = Clock::now();
    decideVisibility(scene, kWindow, kWindow, raster, decisions);
    return {microsBetween(start, built), microsBetween(built, Clock::now())};
}

void reportStages(benchmark::State& state, const std::array<std::vector<double>, 2>& micros) {
    if (micros[0].empty()) return;
    state.counters["build_us"] = micros[0][micros[0].size() / 2];
    state.counters["decide_us"] = micros[1][micros[1].size() / 2];
}

// The same frames, the two stages timed apart, each stage's median over the frames.
void BM_RasterCullingStages(benchmark::State& state) {
    reportStages(state, rasterFrames<2>(state, timedStages));
}

// Reads one byte every `stride` bytes of a block of `bytes` (kept from call to call).
template <std::size_t bytes, std::size_t stride>
void sweep() {
    static const std::vector<uint8_t> block(bytes, 1);
    unsigned sum = 0;
    for (std::size_t i = 0; i < block.size(); i += stride) sum += block[i];
    benchmark::DoNotOptimize(sum);
}

// The frames of BM_RasterCullingStages, each after `evict`. The wall-clock time is mostly
// evict's: read the stage counters.
template <void (*evict)()>
void rasterFramesAfter(benchmark::State& state) {
    reportStages(state, rasterFrames<2>(state, [](const Scene& scene, RasterCulling& raster,
                                                  FrameDecisions& decisions) {
                     evict();
                     return timedStages(scene, raster, decisions);
                 }));
}

// The same frames, each after the thread has slept for 3 ms, as a frame of the viewer or of the
// measurement program follows a wait for the renderer. A processor core left idle that long loses
// state the frame's code relies on, and the stages take longer; in the measurement program the
// renderer's own work on the same cores between two raster frames costs them more again. The
// wall-clock time is mostly the sleep: read the stage counters.
void sleepThreeMilliseconds() { std::this_thread::sleep_for(std::chrono::milliseconds(3)); }
void BM_RasterCullingAfterWait(benchmark::State& state) {
    rasterFramesAfter<sleepThreeMilliseconds>(state);
}

// After a read of one byte of every cache line of 128 MB, four times the last-level cache of the
// processors measured (32 MB on the Zen 5 machines), 32,768 pages of it: the frame finds none of
// its code or data in any cache, nor its pages in the TLBs. This is what the measurement
// program's raster frames find after the renderer's work for the other methods: the stages take
// about as long as they do there.
void BM_RasterCullingAfterFlush(benchmark::State& state) {
    rasterFramesAfter<sweep<std::size_t{128} << 20, 64>>(state);
}

// After a read of every cache line of 4 MB, four times a Zen 5 core's second-level cache: the
// core's own caches hold little of the frame, the shared last-level cache most of it.
void BM_RasterCullingAfterPrivateFlush(benchmark::State& state) {
    rasterFramesAfter<sweep<std::size_t{4} << 20, 64>>(state);
}

// After a read of one byte of each of 16,384 pages, at the same offset in each: the TLBs lose
// the frame's pages, while the caches lose only the lines of those few sets.
void BM_RasterCullingAfterPageSweep(benchmark::State& state) {
    rasterFramesAfter<sweep<std::size_t{64} << 20, 4096>>(state);
}

void BM_ComputeVertexSets(benchmark::State& state) {
    Scene scene;
    buildDemoScene(scene);
    for (auto _ : state) {
        for (Object& object : scene.objects) object.vertexSet.clear();
        computeVertexSets(scene);
        benchmark::DoNotOptimize(scene.objects.back().vertexSet.data());
    }
}

Matrix4x4 randomMatrix(std::mt19937& random) {
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    Matrix4x4 m;
    for (int i = 0; i < 4; ++i) {
        m[i] = Vector4D(value(random), value(random), value(random), value(random));
    }
    return m;
}

void BM_MatrixProduct(benchmark::State& state) {
    std::mt19937 random(1);
    Matrix4x4 a = randomMatrix(random);
    const Matrix4x4 b = randomMatrix(random);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        Matrix4x4 product = a * b;
        benchmark::DoNotOptimize(product);
    }
}

void BM_Invert(benchmark::State& state) {
    std::mt19937 random(2);
    Matrix4x4 m = randomMatrix(random);
    Matrix4x4 inverse;
    for (auto _ : state) {
        benchmark::DoNotOptimize(m);
        bool ok = invert(m, inverse);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(inverse);
    }
}

BENCHMARK(BM_BuildHomPyramid)->DenseRange(0, 2);
BENCHMARK(BM_FillDepthGrid)->DenseRange(0, 2);
BENCHMARK(BM_TestDemoObjects)->DenseRange(0, 2);
BENCHMARK(BM_CpuCullingFrame)->DenseRange(0, 2);
BENCHMARK(BM_RasterCullingFrame);
BENCHMARK(BM_RasterCullingStages);
BENCHMARK(BM_RasterCullingAfterWait)->Iterations(1000);
BENCHMARK(BM_RasterCullingAfterFlush)->Iterations(1000);
BENCHMARK(BM_RasterCullingAfterPrivateFlush)->Iterations(1000);
BENCHMARK(BM_RasterCullingAfterPageSweep)->Iterations(1000);
BENCHMARK(BM_ComputeVertexSets);
BENCHMARK(BM_MatrixProduct);
BENCHMARK(BM_Invert);

}  // namespace

int main(int argc, char** argv) {
#if !defined(HWY_COMPILE_ONLY_STATIC)
    // One per instruction set that this processor has and the build compiled.
    for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
        const std::string name = std::string("BM_FrameOnInstructionSet/") + hwy::TargetName(target);
        benchmark::RegisterBenchmark(name.c_str(), BM_FrameOnInstructionSet, target);
    }
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
