// Soak: the viewer's real frame path (the shell's display and idle callbacks, hence drawFrame and
// the whole occlusion pipeline) in a real freeglut window, through many frames with random camera
// states, window sizes, scene rebuilds and switch toggles in between.
//
// Usage: soak [--frames N] [--seed S] [--max-width W] [--max-height H] [--progress K]
//             [--fixed-size]
//   N frames (default 20000, at least 1022), random seed S (default 1). Window sizes range up to
//   W by H (default 4096 by 2048); the fixed sizes below larger than that are left out. Every K
//   frames a line gives the peak and current resident memory. --fixed-size keeps the first
//   window size (480 by 480) throughout, to tell memory that follows sizes from other growth.
//
// Window sizes are real: the window is resized with glutReshapeWindow and the X server's answer
// is awaited with glutMainLoopEvent, so the frame buffer, the viewport and every image the frame
// builds take the new size. The fixed sizes (1 by 1, 9 by 9, 19 by 19, 20 by 20, odd ones and the
// largest) all come within the first thousand frames, so that memory has reached its plateau
// when the first measurement is taken.
//
// Memory: a leak is memory that stays resident after the frames that used it, so the soak
// measures the current resident memory (/proc/self/statm) twice in one fixed state: once after
// frame 1000, once at the end. Each measurement resizes the window to 480 by 480, rebuilds the
// scene (which also restores the default switches), puts the camera back where the viewer starts
// it, draws 10 frames, waiting for the driver to finish each, and returns the allocator's free
// pages to the system (malloc_trim) before reading the figure. The two figures then differ only
// by blocks that the frames in between left live, not by how far the driver's threads lagged or
// how the heap was cut up. The soak's own record of the sizes is reserved up front, so that no
// block of its own, allocated between the frames' transient ones, pins a heap page. The peak
// (getrusage's ru_maxrss) is reported but not checked: it records the largest transient, the
// buffers of the largest frame drawn so far, which a long run reaches late or not at all depending
// on the seed.
//
// glibc's allocator raises its mmap threshold each time a large block is freed, after which
// frame-size buffers (the driver's colour and depth buffers, up to 32 MiB each) come from the
// heap and stay resident when freed. The soak fixes the threshold (mallopt M_MMAP_THRESHOLD,
// 64 KiB), so that large blocks return to the system when freed and the current figure of the
// progress lines, taken between frames without trimming, follows what is live. The same holds
// for the scene rebuilds and the texture uploads, whose transient buffers are about 1 MiB. The
// first thousand frames also press every key once at every fixed size, so that the driver has
// met every state combination before the first measurement.
//
// Prints the frames drawn, the exceptions caught (there must be none), the OpenGL errors, the
// sizes and camera states covered, the current resident memory of the two measurements and the
// peak at each. Exits 1 on an exception, an OpenGL error, a size the window did not take, or a
// current resident memory that grew by more than 1 MiB between the two measurements.

#include <GL/freeglut.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/camera.h"
#include "app/shell.h"
#include "occlusion/globals.h"
#include "occlusion/vertexsets.h"
#include "scene/demoscene.h"

namespace {

constexpr long kFirstMeasuredFrame = 1000;
constexpr long kAllowedGrowthKiB = 1024;

// Under AddressSanitizer freed memory waits in a quarantine of hundreds of megabytes before it is
// reused, so resident memory grows without a leak; there LeakSanitizer checks for leaks at exit
// instead, and the growth is reported but not checked.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
constexpr int kMeasuredWidth = 480;
constexpr int kMeasuredHeight = 480;
constexpr int kSettlingFrames = 10;
// The frames one measurement draws: the rebuild's and the settling ones.
constexpr long kMeasuringFrames = 1 + kSettlingFrames;
constexpr long kMinimumFrames = kFirstMeasuredFrame + 2 * kMeasuringFrames;
constexpr int kFramesPerSize = 20;
constexpr int kMmapThresholdBytes = 64 * 1024;

struct Options {
    long frames = 20000;
    unsigned seed = 1;
    int maxWidth = 4096;
    int maxHeight = 2048;
    long progressEvery = 0;  // 0: no progress lines
    bool resize = true;
};

struct Counters {
    long frames = 0;
    long exceptions = 0;
    long glErrors = 0;
    long resizes = 0;
    long refusedSizes = 0;
    long rebuilds = 0;
    long filterToggles = 0;
    long depthRuleToggles = 0;
    long cameraKinds[5] = {0, 0, 0, 0, 0};
    // Distinct sizes taken, sorted. Reserved before the first frame (see recordSize).
    std::vector<std::pair<int, int>> sizes;
};

Counters counters;
int reportedWidth = 0;
int reportedHeight = 0;

long currentRssKiB() {
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs one frame through the given callback: exceptions and OpenGL errors are counted, and the
// first few are described.
void runFrame(void (*callback)()) {
    try {
        callback();
    } catch (const std::exception& e) {
        if (counters.exceptions < 10) {
            std::fprintf(stderr, "soak: frame %ld threw: %s\n", counters.frames + 1, e.what());
        }
        ++counters.exceptions;
    } catch (...) {
        if (counters.exceptions < 10) {
            std::fprintf(stderr, "soak: frame %ld threw a non-standard exception\n",
                         counters.frames + 1);
        }
        ++counters.exceptions;
    }
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        if (counters.glErrors < 10) {
            std::fprintf(stderr, "soak: frame %ld left GL error 0x%x\n", counters.frames + 1,
                         error);
        }
        ++counters.glErrors;
    }
    ++counters.frames;
}

// GLUT's own redisplays (exposure after a resize) go through the same frame path.
void soakDisplay() { runFrame(display); }

void soakReshape(int width, int height) {
    reshape(width, height);
    reportedWidth = width;
    reportedHeight = height;
}

// Adds a size to the sorted record unless it is there. The record never allocates after its
// reservation: a node allocated for each new size, between the frames' transient blocks, would pin
// heap pages that the memory measurement then counts as growth.
void recordSize(const std::pair<int, int>& size) {
    auto& sizes = counters.sizes;
    const auto at = std::lower_bound(sizes.begin(), sizes.end(), size);
    if (at != sizes.end() && *at == size) return;
    if (sizes.size() == sizes.capacity()) {
        std::fprintf(stderr, "soak: more distinct sizes than the %zu reserved\n", sizes.capacity());
        std::exit(2);
    }
    sizes.insert(at, size);
}

// Resizes the window and waits up to two seconds for the X server to confirm the size.
bool resizeWindow(int width, int height) {
    glutReshapeWindow(width, height);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
        glutMainLoopEvent();
        if (reportedWidth == width && reportedHeight == height) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    ++counters.resizes;
    if (viewport[2] != width || viewport[3] != height) {
        std::fprintf(stderr, "soak: asked for %dx%d, the viewport is %dx%d\n", width, height,
                     viewport[2], viewport[3]);
        ++counters.refusedSizes;
        return false;
    }
    // The frame buffer itself must have the new size: its far corner takes a clear colour.
    float corner[3] = {-1.0f, -1.0f, -1.0f};
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(width - 1, height - 1, 1, 1, GL_RGB, GL_FLOAT, corner);
    if (corner[0] != 0.0f || corner[1] != 1.0f || corner[2] != 0.0f) {
        std::fprintf(stderr, "soak: the %dx%d frame buffer does not reach its far corner\n", width,
                     height);
        ++counters.refusedSizes;
        return false;
    }
    recordSize({width, height});
    return true;
}

struct CameraState {
    float rotX, rotZ, panX, panY, zoom;
};

CameraState currentCamera() { return {rotX, rotZ, panX, panY, zoom}; }

// One memory measurement: brings the viewer to the same state every time (the measured window
// size, a freshly rebuilt scene with its default switches, the given camera), draws the settling
// frames and returns the current resident memory, in KiB.
long settledRssKiB(const CameraState& camera) {
    resizeWindow(kMeasuredWidth, kMeasuredHeight);
    rotX = camera.rotX;
    rotZ = camera.rotZ;
    panX = camera.panX;
    panY = camera.panY;
    zoom = camera.zoom;
    keyboard('1', 0, 0);
    ++counters.rebuilds;
    runFrame(idle);
    // glFinish after each frame: the driver's rasterizer threads are idle and its queued frames
    // retired, so how far they lagged behind does not change the figure.
    glFinish();
    for (int i = 0; i < kSettlingFrames; ++i) {
        runFrame(display);
        glFinish();
    }
    // Free heap pages go back to the system: the figure counts pages that hold live blocks, not
    // the allocator's spare room, which depends on the order of earlier allocations.
    malloc_trim(0);
    return currentRssKiB();
}

class Randomiser {
public:
    explicit Randomiser(unsigned seed) : engine_(seed) {}

    float uniform(float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(engine_);
    }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine_); }
    bool chance(int oneIn) { return integer(1, oneIn) == 1; }
    float sign() { return chance(2) ? -1.0f : 1.0f; }

    // The camera state the mouse would have produced, from ordinary views to the extremes.
    void camera() {
        const int kind = integer(0, 4);
        ++counters.cameraKinds[kind];
        rotX = uniform(-720.0f, 720.0f);
        rotZ = uniform(-720.0f, 720.0f);
        switch (kind) {
            case 0:  // an ordinary view from outside
                panX = uniform(-400.0f, 400.0f);
                panY = uniform(-400.0f, 400.0f);
                zoom = uniform(-30.0f, 8.0f);
                break;
            case 1:  // the eye inside the scene: at most 0.6 units from its centre
                panX = uniform(-60.0f, 60.0f);
                panY = uniform(-60.0f, 60.0f);
                zoom = uniform(9.6f, 14.4f);
                break;
            case 2:  // the eye exactly at the scene's origin: the two translations cancel
                panX = 0.0f;
                panY = 0.0f;
                zoom = 12.0f;
                break;
            case 3:  // far away, beyond the far plane or far off to the side
                panX = uniform(-1e5f, 1e5f);
                panY = uniform(-1e5f, 1e5f);
                zoom = -uniform(400.0f, 1e6f);
                break;
            default:  // values a very long session could reach: huge angles, pans and zooms
                rotX = sign() * uniform(1e6f, 1e30f);
                rotZ = sign() * uniform(1e6f, 1e30f);
                panX = sign() * uniform(1e6f, 1e30f);
                panY = sign() * uniform(1e6f, 1e30f);
                zoom = sign() * uniform(1e6f, 1e30f);
                break;
        }
    }

private:
    std::mt19937 engine_;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--frames") == 0 && hasValue) {
            options.frames = std::atol(argv[++i]);
        } else if (std::strcmp(argv[i], "--seed") == 0 && hasValue) {
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::strcmp(argv[i], "--max-width") == 0 && hasValue) {
            options.maxWidth = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--max-height") == 0 && hasValue) {
            options.maxHeight = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--progress") == 0 && hasValue) {
            options.progressEvery = std::atol(argv[++i]);
        } else if (std::strcmp(argv[i], "--fixed-size") == 0) {
            options.resize = false;
        } else {
            std::fprintf(stderr,
                         "usage: soak [--frames N] [--seed S] [--max-width W] [--max-height H] "
                         "[--progress K] [--fixed-size]\n");
            std::exit(2);
        }
    }
    if (options.frames < kMinimumFrames || options.maxWidth < 1 || options.maxHeight < 1) {
        std::fprintf(stderr, "soak: need at least %ld frames and a positive maximum size\n",
                     kMinimumFrames);
        std::exit(2);
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    mallopt(M_MMAP_THRESHOLD, kMmapThresholdBytes);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(480, 480);
    glutInit(&argc, argv);
    glutCreateWindow("Soak");
    glutDisplayFunc(soakDisplay);
    glutReshapeFunc(soakReshape);
    buildDemoScene(scene);
    computeVertexSets(scene);
    const CameraState startingCamera = currentCamera();

    GLint maxViewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    const int maxWidth = std::min(options.maxWidth, static_cast<int>(maxViewport[0]));
    const int maxHeight = std::min(options.maxHeight, static_cast<int>(maxViewport[1]));

    // The fixed sizes, the largest first so that the memory plateau is reached early.
    std::vector<std::pair<int, int>> fixedSizes;
    for (const auto& size : std::vector<std::pair<int, int>>{{maxWidth, maxHeight},
                                                             {1, 1},
                                                             {9, 9},
                                                             {19, 19},
                                                             {20, 20},
                                                             {21, 21},
                                                             {39, 41},
                                                             {1, maxHeight},
                                                             {maxWidth, 1},
                                                             {19, 480},
                                                             {480, 19},
                                                             {20, 21},
                                                             {481, 479},
                                                             {4096, 2048}}) {
        if (size.first <= maxWidth && size.second <= maxHeight) fixedSizes.push_back(size);
    }

    // A resize is followed by at least one frame, and each measurement adds one.
    counters.sizes.reserve(static_cast<std::size_t>(options.frames) + 2);
    Randomiser random(options.seed);
    bool measuredFirst = false;
    long residentAtFirst = 0;
    long peakAtFirst = 0;
    long firstMeasuredFrame = 0;
    std::size_t nextFixed = 0;
    long framesAtSize = kFramesPerSize;
    const auto start = std::chrono::steady_clock::now();
    // The last frames are the final measurement's.
    while (counters.frames < options.frames - kMeasuringFrames) {
        if (!measuredFirst && counters.frames >= kFirstMeasuredFrame) {
            residentAtFirst = settledRssKiB(startingCamera);
            peakAtFirst = peakRssKiB();
            firstMeasuredFrame = counters.frames;
            measuredFirst = true;
            framesAtSize = kFramesPerSize;  // a new size after the measured one
            continue;
        }
        if (options.resize && framesAtSize >= kFramesPerSize) {
            framesAtSize = 0;
            std::pair<int, int> size;
            if (nextFixed < fixedSizes.size()) {
                size = fixedSizes[nextFixed++];
            } else if (random.chance(8)) {
                size = fixedSizes[static_cast<std::size_t>(
                    random.integer(0, static_cast<int>(fixedSizes.size()) - 1))];
            } else if (random.chance(2)) {
                // Around the sizes where the occlusion images appear and gain cells.
                size = {std::min(maxWidth, random.integer(1, 64)),
                        std::min(maxHeight, random.integer(1, 64))};
            } else {
                size = {random.integer(1, std::min(maxWidth, 1600)),
                        random.integer(1, std::min(maxHeight, 1200))};
            }
            resizeWindow(size.first, size.second);
        }

        random.camera();
        const long before = counters.frames;
        // While the fixed sizes run, every key at fixed points of each size.
        const bool warmingUp = options.resize && nextFixed <= fixedSizes.size() &&
                               counters.frames < kFirstMeasuredFrame;
        const char warmUpKey = !warmingUp           ? '\0'
                               : framesAtSize == 5  ? 'a'
                               : framesAtSize == 10 ? static_cast<char>('1' + nextFixed % 9)
                               : framesAtSize == 15 ? 'g'
                                                    : '\0';
        if (warmUpKey != '\0') {
            keyboard(static_cast<unsigned char>(warmUpKey), 0, 0);
            if (warmUpKey == 'a') ++counters.filterToggles;
            if (warmUpKey == 'g') ++counters.depthRuleToggles;
            if (warmUpKey != 'a' && warmUpKey != 'g') ++counters.rebuilds;
        } else if (random.chance(200)) {
            keyboard(static_cast<unsigned char>('0' + random.integer(1, 9)), 0, 0);
            ++counters.rebuilds;
        } else if (random.chance(100)) {
            keyboard('a', 0, 0);
            ++counters.filterToggles;
        } else if (random.chance(100)) {
            keyboard('g', 0, 0);
            ++counters.depthRuleToggles;
        }
        // A key registers the one-shot idle callback: draw that frame the way the main loop does.
        runFrame(redrawPending() ? idle : display);
        framesAtSize += counters.frames - before;
        if (options.progressEvery > 0 &&
            counters.frames / options.progressEvery != before / options.progressEvery) {
            std::printf("soak: frame %ld, peak RSS %ld KiB, current %ld KiB\n", counters.frames,
                        peakRssKiB(), currentRssKiB());
            std::fflush(stdout);
        }
    }
    const long residentAtLast = settledRssKiB(startingCamera);
    const long peakAtLast = peakRssKiB();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    int smallestArea = 0, largestArea = 0;
    std::pair<int, int> smallest{0, 0}, largest{0, 0};
    for (const auto& size : counters.sizes) {
        const int area = size.first * size.second;
        if (smallestArea == 0 || area < smallestArea) smallestArea = area, smallest = size;
        if (area > largestArea) largestArea = area, largest = size;
    }
    std::printf("soak: %ld frames in %.1f s (seed %u), %ld exceptions, %ld GL errors\n",
                counters.frames, seconds, options.seed, counters.exceptions, counters.glErrors);
    std::printf(
        "soak: %ld resizes to %zu distinct sizes, %dx%d to %dx%d (max viewport %dx%d), "
        "%ld refused\n",
        counters.resizes, counters.sizes.size(), smallest.first, smallest.second, largest.first,
        largest.second, static_cast<int>(maxViewport[0]), static_cast<int>(maxViewport[1]),
        counters.refusedSizes);
    std::printf(
        "soak: cameras: %ld ordinary, %ld inside, %ld at the origin, %ld far, %ld extreme; "
        "%ld rebuilds, %ld filter toggles, %ld depth-rule toggles\n",
        counters.cameraKinds[0], counters.cameraKinds[1], counters.cameraKinds[2],
        counters.cameraKinds[3], counters.cameraKinds[4], counters.rebuilds, counters.filterToggles,
        counters.depthRuleToggles);
    const long growth = residentAtLast - residentAtFirst;
    std::printf(
        "soak: current RSS at %dx%d %ld KiB after frame %ld, %ld KiB after frame %ld (growth %ld "
        "KiB, limit %ld%s)\n",
        kMeasuredWidth, kMeasuredHeight, residentAtFirst, firstMeasuredFrame, residentAtLast,
        counters.frames, growth, kAllowedGrowthKiB,
        kUnderAddressSanitizer ? ", not checked under AddressSanitizer" : "");
    std::printf("soak: peak RSS %ld KiB after frame %ld, %ld KiB after frame %ld (not checked)\n",
                peakAtFirst, firstMeasuredFrame, peakAtLast, counters.frames);

    const bool ok = counters.exceptions == 0 && counters.glErrors == 0 &&
                    counters.refusedSizes == 0 &&
                    (kUnderAddressSanitizer || growth <= kAllowedGrowthKiB);
    std::printf("soak: %s\n", ok ? "PASS" : "FAIL");
    // Leave through glutExit so the window and context go before the libraries unload.
    glutExit();
    return ok ? 0 : 1;
}
