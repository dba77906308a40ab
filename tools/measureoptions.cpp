#include "tools/measureoptions.h"

#include <cstdio>
#include <cstdlib>

void usage(const char* program, const std::string& problem) {
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
