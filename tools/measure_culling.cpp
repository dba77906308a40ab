// Measures the viewer's occlusion culling against a ground truth and against other ways of
// drawing the same frames: how often it skips an object that is visible, how much of what is
// hidden it finds, and what each method's frame costs.
//
// For every view of a camera path, in one process and one window, it runs:
// - ground truth: every object drawn with depth testing at full resolution, each non-occluder in
//   a colour that encodes its index (occluders black, filled), read back; an object is visible
//   when at least one pixel shows its index;
// - hom and hom-conservative: the viewer's frame stages (framedriver.h) with the depth rule on
//   and off, timed stage by stage;
// - none: the scene pass drawing everything untested;
// - oracle: the scene pass drawing only the truly visible objects (and the occluders);
// - queries: the occluders drawn into the depth buffer at full resolution, one GL_SAMPLES_PASSED
//   query per object on its bounding box, the results read, the passing objects drawn.
// Every timed interval starts and ends with glFinish, so a time covers the work the renderer did
// for it and nothing queued earlier. A method's frame time excludes the status line and overlays,
// which only the viewer draws; the hom frame's overlay stage is reported on its own.

#define GL_GLEXT_PROTOTYPES
#include <GL/freeglut.h>
#include <GL/glext.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "app/camera.h"
#include "app/view.h"
#include "occlusion/framedriver.h"
#include "occlusion/glmatrices.h"
#include "occlusion/globals.h"
#include "occlusion/hompyramid.h"
#include "occlusion/scenerenderer.h"
#include "occlusion/vertexsets.h"
#include "occlusion/visibility.h"
#include "scene/demoscene.h"
#include "tools/measurestats.h"

// The camera globals belong to the viewer's shell library, which this program links.

namespace {

constexpr int kDefaultWindowSize = 480;
constexpr int kDemoHalfCells = 7;
constexpr int kDefaultSpins = 90;
const std::vector<float> kDefaultTilts = {-90.0f, -60.0f, -30.0f, 0.0f};
// Eye distances 4.25, 3.25, 2.25 and 1.25: the last lies inside the ring of slabs.
const std::vector<float> kDefaultZooms = {-5.0f, -1.0f, 3.0f, 7.0f};
constexpr std::size_t kWarmUpViews = 32;
// How many false culls the summary lists; the --false-culls file gets all of them.
constexpr std::size_t kListedFalseCulls = 10;

struct Options {
    int width = kDefaultWindowSize;
    int height = kDefaultWindowSize;
    int halfCells = kDemoHalfCells;
    int spins = kDefaultSpins;
    std::vector<float> tilts = kDefaultTilts;
    std::vector<float> zooms = kDefaultZooms;
    std::vector<CameraState> cameras;  // explicit path; the sweep when empty
    std::string csvPath, falseCullPath, objectPath;
    bool progress = true;
};

[[noreturn]] void usage(const char* program, const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "%s: %s\n", program, problem.c_str());
    std::fprintf(
        stderr,
        "usage: %s [options]\n"
        "  --size WxH           window size (default 480x480)\n"
        "  --grid N             (2N+1) by (2N+1) boxes in the demo's area (default 7: the demo)\n"
        "  --spins K            headings per turn of the sweep (default 90)\n"
        "  --tilts A,B,...      tilts of the sweep, degrees (default -90,-60,-30,0)\n"
        "  --zooms A,B,...      zooms of the sweep, wheel steps (default -5,-1,3,7)\n"
        "  --camera X,Z,ZOOM[,PANX,PANY]  one view (repeatable; replaces the sweep)\n"
        "  --csv FILE           one row per view\n"
        "  --false-culls FILE   every false cull of either rule\n"
        "  --objects FILE       one row per view and object\n"
        "  --quiet              no progress on stderr\n",
        program);
    std::exit(2);
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        auto value = [&]() -> std::string {
            if (k + 1 >= argc) usage(argv[0], arg + " needs a value");
            return argv[++k];
        };
        if (arg == "--size") {
            const std::string text = value();
            int w = 0, h = 0;
            char tail = 0;
            if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &tail) != 2 || w < 1 || h < 1) {
                usage(argv[0], "--size takes WxH with positive integers, not " + text);
            }
            options.width = w;
            options.height = h;
        } else if (arg == "--grid") {
            const std::string text = value();
            char* end = nullptr;
            const long n = std::strtol(text.c_str(), &end, 10);
            if (*end != '\0' || n < 1 || n > 200) usage(argv[0], "--grid takes 1 to 200");
            options.halfCells = static_cast<int>(n);
        } else if (arg == "--spins") {
            const std::string text = value();
            char* end = nullptr;
            const long n = std::strtol(text.c_str(), &end, 10);
            if (*end != '\0' || n < 1 || n > 100000) usage(argv[0], "--spins takes 1 to 100000");
            options.spins = static_cast<int>(n);
        } else if (arg == "--tilts") {
            if (!parseNumberList(value(), options.tilts)) usage(argv[0], "bad --tilts list");
        } else if (arg == "--zooms") {
            if (!parseNumberList(value(), options.zooms)) usage(argv[0], "bad --zooms list");
        } else if (arg == "--camera") {
            CameraState state;
            const std::string text = value();
            if (!parseCameraState(text, state)) usage(argv[0], "bad --camera " + text);
            options.cameras.push_back(state);
        } else if (arg == "--csv") {
            options.csvPath = value();
        } else if (arg == "--false-culls") {
            options.falseCullPath = value();
        } else if (arg == "--objects") {
            options.objectPath = value();
        } else if (arg == "--quiet") {
            options.progress = false;
        } else if (arg == "--help" || arg == "-h") {
            usage(argv[0], "");
        } else {
            usage(argv[0], "unknown option " + arg);
        }
    }
    return options;
}

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds from now until the renderer has finished everything issued so far.
class Stopwatch {
public:
    Stopwatch() {
        glFinish();
        start_ = Clock::now();
    }
    // Time since the start or the previous lap, after a glFinish.
    double lap() {
        glFinish();
        const Clock::time_point now = Clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - start_).count();
        start_ = now;
        return ms;
    }

private:
    Clock::time_point start_;
};

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Resident memory now, from /proc/self/statm (0 where that is unavailable).
long residentKilobytes() {
    long pages = 0, resident = 0;
    if (std::FILE* file = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(file, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(file);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct MemoryMarks {
    long peakFirst = 0, peakLast = 0;          // peak resident after the first and the last view
    long residentFirst = 0, residentLast = 0;  // resident at those moments
};

void applyCamera(const CameraState& state, int width, int height) {
    rotX = state.rotX;
    rotZ = state.rotZ;
    zoom = state.zoom;
    panX = state.panX;
    panY = state.panY;
    setView(scene, width, height);
}

// Sends an object's outline contours as filled polygons (holes are part of the object's
// surface in the viewer too: they are drawn as decals over the outline).
void sendOutlines(const Object& object) {
    for (const Polygon& polygon : object.polygons) {
        glBegin(GL_POLYGON);
        for (std::size_t k = 0; k < polygon.size(); ++k) {
            if (k > 0 && polygon[k].link != static_cast<int32_t>(k) - 1) break;
            const Vector4D& p = polygon[k].position;
            glVertex3f(p.x, p.y, p.z);
        }
        glEnd();
    }
}

// State for drawing plain colour or depth: no lighting, texturing, blending, dithering or
// offsets; both faces filled; the scene's matrices loaded; full window.
void setUpPlainPass(int width, int height) {
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, width, height);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_BLEND);
    glDisable(GL_DITHER);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glShadeModel(GL_FLAT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    loadSceneMatrices(scene);
}

// Pixels per object in the ground-truth image: non-occluder i is drawn in colour i + 1 (24 bits,
// red the low byte), occluders and the background in 0.
std::vector<int> renderGroundTruth(int width, int height) {
    setUpPlainPass(width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const Object& object = scene.objects[i];
        const unsigned id = object.occluder ? 0u : static_cast<unsigned>(i + 1);
        glColor3ub(static_cast<GLubyte>(id & 0xffu), static_cast<GLubyte>((id >> 8) & 0xffu),
                   static_cast<GLubyte>((id >> 16) & 0xffu));
        sendOutlines(object);
    }
    // BGRA is the renderer's own layout here: the read-back is a copy, not a conversion.
    std::vector<GLubyte> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                                4u);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    std::vector<int> counts(scene.objects.size(), 0);
    for (std::size_t p = 0; p < pixels.size(); p += 4) {
        const unsigned id = pixels[p + 2] | (pixels[p + 1] << 8) | (pixels[p] << 16);
        if (id == 0) continue;
        if (id > scene.objects.size()) {
            std::fprintf(stderr, "error: ground truth shows an unknown index %u\n", id);
            std::exit(1);
        }
        ++counts[id - 1];
    }
    return counts;
}

struct Box3 {
    float low[3], high[3];
};

Box3 boundingBox(const Object& object) {
    Box3 box{};
    for (int c = 0; c < 3; ++c) {
        box.low[c] = std::numeric_limits<float>::infinity();
        box.high[c] = -std::numeric_limits<float>::infinity();
    }
    for (const Vector4D& p : object.vertexSet) {
        const float xyz[3] = {p.x, p.y, p.z};
        for (int c = 0; c < 3; ++c) {
            box.low[c] = std::min(box.low[c], xyz[c]);
            box.high[c] = std::max(box.high[c], xyz[c]);
        }
    }
    return box;
}

// Faces of a box as corner indices; corner c takes the high x when bit 0 is set, the high y for
// bit 1 and the high z for bit 2.
constexpr int kBoxFaces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                 {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};

void sendBox(const Box3& b) {
    glBegin(GL_QUADS);
    for (const auto& face : kBoxFaces) {
        for (int c : face) {
            glVertex3f((c & 1) ? b.high[0] : b.low[0], (c & 2) ? b.high[1] : b.low[1],
                       (c & 4) ? b.high[2] : b.low[2]);
        }
    }
    glEnd();
}

// The eye is within the near distance of the box (or inside it): a query on the box's faces could
// miss the object, so it counts as visible without one.
bool eyeNearBox(const Box3& box, const Point3D& eye) {
    // Larger than the distance from the eye to any corner of the near plane's window.
    constexpr float kMargin = 0.2f;
    const float xyz[3] = {eye.x, eye.y, eye.z};
    for (int c = 0; c < 3; ++c) {
        if (xyz[c] < box.low[c] - kMargin || xyz[c] > box.high[c] + kMargin) return false;
    }
    return true;
}

// Hardware occlusion queries, blocking on the results once every query has been issued.
class QueryCuller {
public:
    explicit QueryCuller(std::size_t objectCount) : ids_(objectCount), boxes_(objectCount) {
        glGenQueries(static_cast<GLsizei>(objectCount), ids_.data());
        for (std::size_t i = 0; i < objectCount; ++i) boxes_[i] = boundingBox(scene.objects[i]);
    }
    ~QueryCuller() { glDeleteQueries(static_cast<GLsizei>(ids_.size()), ids_.data()); }
    QueryCuller(const QueryCuller&) = delete;
    QueryCuller& operator=(const QueryCuller&) = delete;

    // One frame: fills drawn (one flag per object; occluders always set) and draws those.
    void frame(int width, int height, std::vector<bool>& drawn) {
        const std::vector<Object>& objects = scene.objects;
        const Vector4D eye4 = scene.modelView.inverseTransform(Vector4D(0.0f, 0.0f, 0.0f, 1.0f));
        const Point3D eye(eye4.x, eye4.y, eye4.z);

        setUpPlainPass(width, height);
        glClear(GL_DEPTH_BUFFER_BIT);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        for (const Object& object : objects) {
            if (object.occluder) sendOutlines(object);
        }
        glDepthMask(GL_FALSE);
        std::vector<bool> queried(objects.size(), false);
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (objects[i].occluder || eyeNearBox(boxes_[i], eye)) continue;
            glBeginQuery(GL_SAMPLES_PASSED, ids_[i]);
            sendBox(boxes_[i]);
            glEndQuery(GL_SAMPLES_PASSED);
            queried[i] = true;
        }
        glDepthMask(GL_TRUE);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        drawn.assign(objects.size(), true);
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (!queried[i]) continue;
            GLuint samples = 0;
            glGetQueryObjectuiv(ids_[i], GL_QUERY_RESULT, &samples);
            drawn[i] = samples > 0;
        }
        renderSceneObjects(scene, width, height, drawn);
    }

private:
    std::vector<GLuint> ids_;
    std::vector<Box3> boxes_;
};

enum Stage { kOccluders, kPyramid, kGrid, kScenePass, kOverlays, kStageCount };
const char* const kStageNames[kStageCount] = {"occluders", "pyramid", "grid", "scene", "overlays"};

struct HomRun {
    double frameMs = 0.0;  // counters to the end of the scene pass
    std::array<double, kStageCount> stageMs{};
    double testsMs = 0.0;      // the per-object tests alone, on the processor
    double gridFillMs = 0.0;   // the grid's fill alone, on the processor
    std::vector<bool> culled;  // one flag per object
};

// The viewer's frame for the scene's current depth rule, stage by stage (the sequence of
// renderFrame), followed by the per-object decisions that the scene pass made, recomputed with
// the same test on the same images and checked against its counters.
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

struct ViewRecord {
    CameraState camera;
    DecisionCounts hom, conservative, queries;
    HomRun homRun, conservativeRun;
    double truthMs = 0.0, noneMs = 0.0, oracleMs = 0.0, queriesMs = 0.0;
};

struct FalseCull {
    std::size_t view;
    CameraState camera;
    const char* rule;
    std::size_t object;
    int pixels;
};

std::string describeObject(std::size_t object, int halfCells) {
    const std::size_t side = static_cast<std::size_t>(2 * halfCells + 1);
    char text[64];
    std::snprintf(text, sizeof text, "object %zu (grid cell %zu, %zu)", object, object / side,
                  object % side);
    return text;
}

std::string describeCamera(const CameraState& c) {
    char text[96];
    std::snprintf(text, sizeof text, "rotX %g rotZ %g zoom %g pan %g %g",
                  static_cast<double>(c.rotX), static_cast<double>(c.rotZ),
                  static_cast<double>(c.zoom), static_cast<double>(c.panX),
                  static_cast<double>(c.panY));
    return text;
}

std::ofstream openOutput(const std::string& path) {
    std::ofstream out(path);
    if (!out) {
        std::fprintf(stderr, "error: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return out;
}

void writeCsvHeader(std::ostream& out) {
    out << "view,rotX,rotZ,zoom,panX,panY,objects,visible,hidden";
    for (const char* rule : {"hom", "cons"}) {
        out << ',' << rule << "_culled," << rule << "_false," << rule << "_missed";
    }
    out << ",queries_drawn,queries_false";
    out << ",truth_ms,none_ms,oracle_ms,queries_ms";
    for (const char* rule : {"hom", "cons"}) {
        out << ',' << rule << "_ms";
        for (const char* stage : kStageNames) out << ',' << rule << '_' << stage << "_ms";
        out << ',' << rule << "_tests_ms," << rule << "_gridfill_ms";
    }
    out << '\n';
}

void writeCsvRow(std::ostream& out, std::size_t view, const ViewRecord& r) {
    const CameraState& c = r.camera;
    out << view << ',' << c.rotX << ',' << c.rotZ << ',' << c.zoom << ',' << c.panX << ',' << c.panY
        << ',' << (r.hom.visible + r.hom.hidden) << ',' << r.hom.visible << ',' << r.hom.hidden;
    for (const DecisionCounts* d : {&r.hom, &r.conservative}) {
        out << ',' << d->culled << ',' << d->falseCulls << ',' << d->missed;
    }
    out << ',' << (r.queries.visible + r.queries.hidden - r.queries.culled) << ','
        << r.queries.falseCulls;
    out << ',' << r.truthMs << ',' << r.noneMs << ',' << r.oracleMs << ',' << r.queriesMs;
    for (const HomRun* run : {&r.homRun, &r.conservativeRun}) {
        out << ',' << run->frameMs;
        for (double ms : run->stageMs) out << ',' << ms;
        out << ',' << run->testsMs << ',' << run->gridFillMs;
    }
    out << '\n';
}

struct Series {
    const char* name;
    std::vector<double> ms;
};

void printSummary(const Options& options, const std::vector<ViewRecord>& records,
                  const std::vector<FalseCull>& falseCulls, const MemoryMarks& memory,
                  double wallSeconds) {
    const std::size_t views = records.size();
    std::size_t nonOccluders = 0;
    for (const Object& o : scene.objects) nonOccluders += o.occluder ? 0 : 1;
    std::printf("Scene: %s, %zu objects (%zu occluders); window %dx%d; %zu views in %.1f s\n",
                options.halfCells == kDemoHalfCells
                    ? "demo (--grid 7)"
                    : ("--grid " + std::to_string(options.halfCells)).c_str(),
                scene.objects.size(), scene.objects.size() - nonOccluders, options.width,
                options.height, views, wallSeconds);
    std::printf("Renderer: %s; OpenGL %s\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));

    Series series[] = {{"hom", {}},    {"hom-conservative", {}}, {"none", {}},
                       {"oracle", {}}, {"queries", {}},          {"ground truth", {}}};
    for (const ViewRecord& r : records) {
        series[0].ms.push_back(r.homRun.frameMs);
        series[1].ms.push_back(r.conservativeRun.frameMs);
        series[2].ms.push_back(r.noneMs);
        series[3].ms.push_back(r.oracleMs);
        series[4].ms.push_back(r.queriesMs);
        series[5].ms.push_back(r.truthMs);
    }
    const double noneMedian = percentile(series[2].ms, 0.5);
    const double noneMean = mean(series[2].ms);
    std::printf("\nFrame time per method (ms; overlays excluded)\n");
    std::printf("%-18s %9s %9s %9s %12s %10s\n", "method", "median", "p95", "mean", "median/none",
                "mean/none");
    for (const Series& s : series) {
        const double median = percentile(s.ms, 0.5);
        std::printf("%-18s %9.3f %9.3f %9.3f %12.3f %10.3f\n", s.name, median,
                    percentile(s.ms, 0.95), mean(s.ms), median / noneMedian, mean(s.ms) / noneMean);
    }
    const double oracleMean = mean(series[3].ms);
    std::printf("\nCulling effectiveness (t_none - t) / (t_none - t_oracle), mean times:\n");
    std::printf("  hom %.3f   hom-conservative %.3f   queries %.3f\n",
                cullingEffectiveness(noneMean, mean(series[0].ms), oracleMean),
                cullingEffectiveness(noneMean, mean(series[1].ms), oracleMean),
                cullingEffectiveness(noneMean, mean(series[4].ms), oracleMean));
    std::printf("  (medians: hom %.3f   hom-conservative %.3f   queries %.3f)\n",
                cullingEffectiveness(noneMedian, percentile(series[0].ms, 0.5),
                                     percentile(series[3].ms, 0.5)),
                cullingEffectiveness(noneMedian, percentile(series[1].ms, 0.5),
                                     percentile(series[3].ms, 0.5)),
                cullingEffectiveness(noneMedian, percentile(series[4].ms, 0.5),
                                     percentile(series[3].ms, 0.5)));

    std::printf("\nHom frame stages (median / p95, ms)\n");
    std::printf("%-18s", "rule");
    for (const char* stage : kStageNames) std::printf(" %17s", stage);
    std::printf(" %17s\n", "CPU culling (us)");
    for (int which = 0; which < 2; ++which) {
        std::printf("%-18s", which == 0 ? "hom" : "hom-conservative");
        for (int s = 0; s < kStageCount; ++s) {
            std::vector<double> ms;
            for (const ViewRecord& r : records) {
                const HomRun& run = which == 0 ? r.homRun : r.conservativeRun;
                ms.push_back(run.stageMs[static_cast<std::size_t>(s)]);
            }
            std::printf("    %6.3f / %6.3f", percentile(ms, 0.5), percentile(ms, 0.95));
        }
        // Pyramid, grid fill and the tests with their projections: the processor's work.
        std::vector<double> cpu;
        for (const ViewRecord& r : records) {
            const HomRun& run = which == 0 ? r.homRun : r.conservativeRun;
            cpu.push_back(1000.0 * (run.stageMs[kPyramid] + run.gridFillMs + run.testsMs));
        }
        std::printf("    %6.1f / %6.1f\n", percentile(cpu, 0.5), percentile(cpu, 0.95));
    }

    long long visible = 0, hidden = 0;
    DecisionCounts totals[3];
    for (const ViewRecord& r : records) {
        visible += r.hom.visible;
        hidden += r.hom.hidden;
        const DecisionCounts* d[3] = {&r.hom, &r.conservative, &r.queries};
        for (int k = 0; k < 3; ++k) {
            totals[k].culled += d[k]->culled;
            totals[k].falseCulls += d[k]->falseCulls;
            totals[k].missed += d[k]->missed;
        }
    }
    std::printf("\nTotals over %zu views: %lld visible, %lld hidden (non-occluders)\n", views,
                visible, hidden);
    const char* names[3] = {"hom", "hom-conservative", "queries"};
    std::printf("%-18s %10s %10s %12s %10s %14s\n", "method", "culled", "of hidden", "false culls",
                "missed", "drawn/visible");
    for (int k = 0; k < 3; ++k) {
        const long long drawn = static_cast<long long>(views * nonOccluders) - totals[k].culled;
        std::printf("%-18s %10d %9.1f%% %12d %10d %14.3f\n", names[k], totals[k].culled,
                    hidden > 0 ? 100.0 * (totals[k].culled - totals[k].falseCulls) /
                                     static_cast<double>(hidden)
                               : 0.0,
                    totals[k].falseCulls, totals[k].missed,
                    visible > 0 ? static_cast<double>(drawn) / static_cast<double>(visible) : 0.0);
    }
    std::printf(
        "\nPeak resident memory: %ld kB after the first view, %ld kB after the last "
        "(growth %ld kB)\n",
        memory.peakFirst, memory.peakLast, memory.peakLast - memory.peakFirst);
    std::printf(
        "Resident memory: %ld kB after the first view, %ld kB after the last "
        "(growth %ld kB)\n",
        memory.residentFirst, memory.residentLast, memory.residentLast - memory.residentFirst);

    std::printf("\nFalse culls: %zu", falseCulls.size());
    if (!falseCulls.empty()) {
        std::printf(" (the first %zu)", std::min(kListedFalseCulls, falseCulls.size()));
    }
    std::printf("\n");
    for (std::size_t k = 0; k < std::min(kListedFalseCulls, falseCulls.size()); ++k) {
        const FalseCull& f = falseCulls[k];
        std::printf("  %s view %zu (%s): %s, %d visible pixels\n", f.rule, f.view,
                    describeCamera(f.camera).c_str(),
                    describeObject(f.object, options.halfCells).c_str(), f.pixels);
    }
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

    buildDemoGridScene(scene, options.halfCells);
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
        falseCullFile << "view,rotX,rotZ,zoom,panX,panY,rule,object,visible_pixels\n";
    }
    if (!options.objectPath.empty()) {
        objectFile = openOutput(options.objectPath);
        objectFile << "view,object,visible_pixels,hom_culled,cons_culled,queries_drawn\n";
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
        for (bool farthest : {true, false}) {
            scene.farthestDepthTest = farthest;
            runHomFrame(w, h);
        }
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
        scene.farthestDepthTest = true;
        record.homRun = runHomFrame(w, h);
        scene.farthestDepthTest = false;
        record.conservativeRun = runHomFrame(w, h);
        scene.farthestDepthTest = true;
        record.noneMs = timeFrame(nullptr, w, h);
        Stopwatch queryWatch;
        queries.frame(w, h, drawn);
        record.queriesMs = queryWatch.lap();

        Stopwatch truthWatch;
        const std::vector<int> pixels = renderGroundTruth(w, h);
        record.truthMs = truthWatch.lap();
        std::vector<bool> visible(pixels.size());
        for (std::size_t i = 0; i < pixels.size(); ++i) visible[i] = pixels[i] > 0;
        std::vector<bool> oracle(visible);
        for (std::size_t i = 0; i < oracle.size(); ++i) oracle[i] = visible[i] || occluder[i];
        record.oracleMs = timeFrame(&oracle, w, h);

        record.hom = compareWithTruth(occluder, visible, record.homRun.culled);
        record.conservative = compareWithTruth(occluder, visible, record.conservativeRun.culled);
        std::vector<bool> queryCulled(drawn.size());
        for (std::size_t i = 0; i < drawn.size(); ++i) queryCulled[i] = !drawn[i];
        record.queries = compareWithTruth(occluder, visible, queryCulled);

        for (std::size_t i = 0; i < pixels.size(); ++i) {
            if (!visible[i]) continue;
            const bool culled[2] = {record.homRun.culled[i], record.conservativeRun.culled[i]};
            const char* rules[2] = {"hom", "hom-conservative"};
            for (int k = 0; k < 2; ++k) {
                if (!culled[k]) continue;
                falseCulls.push_back({view, record.camera, rules[k], i, pixels[i]});
                if (falseCullFile.is_open()) {
                    const CameraState& c = record.camera;
                    falseCullFile << view << ',' << c.rotX << ',' << c.rotZ << ',' << c.zoom << ','
                                  << c.panX << ',' << c.panY << ',' << rules[k] << ',' << i << ','
                                  << pixels[i] << '\n';
                }
            }
        }
        if (objectFile.is_open()) {
            for (std::size_t i = 0; i < pixels.size(); ++i) {
                if (occluder[i]) continue;
                objectFile << view << ',' << i << ',' << pixels[i] << ','
                           << (record.homRun.culled[i] ? 1 : 0) << ','
                           << (record.conservativeRun.culled[i] ? 1 : 0) << ','
                           << (drawn[i] ? 1 : 0) << '\n';
            }
        }
        if (csv.is_open()) writeCsvRow(csv, view, record);
        // The per-object flags are done with; keeping them would grow memory with the path.
        record.homRun.culled = std::vector<bool>();
        record.conservativeRun.culled = std::vector<bool>();
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
