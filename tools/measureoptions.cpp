#include "tools/measureoptions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

void usage(const char* program, const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "%s: %s\n", program, problem.c_str());
    std::fprintf(
        stderr,
        "usage: %s [options]\n"
        "  --size WxH           window size (default 480x480)\n"
        "  --scene demo|random  the demo's layout (default) or random boxes\n"
        "  --grid N             demo: (2N+1) by (2N+1) boxes in the demo's area (default 7)\n"
        "  --seed S             random: the scene's seed (default 1)\n"
        "  --occluder-count N   random: occluder boxes (default 6)\n"
        "  --object-count N     random: small boxes (default 300)\n"
        "  --spins K            headings per turn of the sweep (default 90)\n"
        "  --tilts A,B,...      tilts of the sweep, degrees (default -90,-60,-30,0)\n"
        "  --zooms A,B,...      zooms of the sweep, wheel steps (default -5,-1,3,7)\n"
        "  --camera X,Z,ZOOM[,PANX,PANY]  one view (repeatable; replaces the sweep)\n"
        "  --csv FILE           one row per view\n"
        "  --false-culls FILE   every false cull of every method\n"
        "  --objects FILE       one row per view and object\n"
        "  --shots DIR          per shown view and method, a PNG of every object's outcome\n"
        "                       (every --camera view, else six views of the sweep)\n"
        "  --quiet              no progress on stderr\n",
        program);
    std::exit(2);
}

namespace {

// A whole-string decimal integer in [low, high], else usage naming the option.
long parseCount(const char* program, const std::string& option, const std::string& text, long low,
                long high) {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || n < low || n > high) {
        usage(program, option + " takes " + std::to_string(low) + " to " + std::to_string(high));
    }
    return n;
}

}  // namespace

Options parseOptions(int argc, char** argv) {
    Options options;
    bool gridGiven = false, randomGiven = false;
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
        } else if (arg == "--scene") {
            const std::string text = value();
            if (text == "demo") {
                options.sceneKind = SceneKind::Demo;
            } else if (text == "random") {
                options.sceneKind = SceneKind::Random;
            } else {
                usage(argv[0], "--scene takes demo or random, not " + text);
            }
        } else if (arg == "--grid") {
            options.halfCells = static_cast<int>(parseCount(argv[0], arg, value(), 1, 200));
            gridGiven = true;
        } else if (arg == "--seed") {
            options.seed = static_cast<unsigned>(parseCount(argv[0], arg, value(), 0, 4294967295));
            randomGiven = true;
        } else if (arg == "--occluder-count") {
            options.occluderCount = static_cast<int>(parseCount(argv[0], arg, value(), 0, 1000));
            randomGiven = true;
        } else if (arg == "--object-count") {
            options.objectCount = static_cast<int>(parseCount(argv[0], arg, value(), 1, 100000));
            randomGiven = true;
        } else if (arg == "--spins") {
            options.spins = static_cast<int>(parseCount(argv[0], arg, value(), 1, 100000));
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
        } else if (arg == "--shots") {
            options.shotDirectory = value();
        } else if (arg == "--quiet") {
            options.progress = false;
        } else if (arg == "--help" || arg == "-h") {
            usage(argv[0], "");
        } else {
            usage(argv[0], "unknown option " + arg);
        }
    }
    if (gridGiven && options.sceneKind != SceneKind::Demo) {
        usage(argv[0], "--grid applies to the demo scene only");
    }
    if (randomGiven && options.sceneKind != SceneKind::Random) {
        usage(argv[0], "--seed, --occluder-count and --object-count need --scene random");
    }
    return options;
}

std::string describeScene(const Options& options) {
    if (options.sceneKind == SceneKind::Random) {
        return "random (seed " + std::to_string(options.seed) + ", " +
               std::to_string(options.occluderCount) + " occluders, " +
               std::to_string(options.objectCount) + " objects)";
    }
    if (options.halfCells == kDemoHalfCells) return "demo (--grid 7)";
    return "--grid " + std::to_string(options.halfCells);
}
