// Renders one viewer frame for a given camera state in a window of its own and writes it as a
// binary PPM, so end-to-end tests can compare the real viewer's screenshots with what the
// libraries compute for the same camera. Prints the frame's status counts on standard output.
//
// Usage: frame_capture OUT.ppm [rotX rotZ panX panY zoom [RULE]]
//   RULE: a depth rule by its name ("conservative", "depth map"); the farthest rule without one.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/camera.h"
#include "app/shell.h"
#include "occlusion/depthrules.h"
#include "occlusion/globals.h"
#include "occlusion/vertexsets.h"
#include "scene/demoscene.h"
#include "testing/glwindow.h"

namespace {

constexpr int kSize = 480;

bool writePpm(const char* path, const std::vector<unsigned char>& bottomUpRgb) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    std::fprintf(file, "P6\n%d %d\n255\n", kSize, kSize);
    bool ok = true;
    for (int y = kSize - 1; y >= 0 && ok; --y) {
        const size_t row = static_cast<size_t>(y) * kSize * 3;
        ok = std::fwrite(bottomUpRgb.data() + row, 1, kSize * 3, file) == kSize * 3;
    }
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 7 && argc != 8) {
        std::fprintf(stderr, "usage: %s OUT.ppm [rotX rotZ panX panY zoom [RULE]]\n", argv[0]);
        return 2;
    }
    if (argc >= 7) {
        rotX = std::strtof(argv[2], nullptr);
        rotZ = std::strtof(argv[3], nullptr);
        panX = std::strtof(argv[4], nullptr);
        panY = std::strtof(argv[5], nullptr);
        zoom = std::strtof(argv[6], nullptr);
    }
    createTestWindow(kSize, kSize, "frame capture");
    buildDemoScene(scene);
    computeVertexSets(scene);
    if (argc == 8) {
        bool known = false;
        for (DepthRule rule : kDepthRules) {
            if (std::strcmp(argv[7], depthRuleName(rule)) == 0)
                scene.depthRule = rule, known = true;
        }
        if (!known) {
            std::fprintf(stderr, "frame_capture: unknown depth rule %s\n", argv[7]);
            return 2;
        }
    }
    drawFrame();

    std::vector<unsigned char> pixels(static_cast<size_t>(kSize) * kSize * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    if (!writePpm(argv[1], pixels)) {
        std::fprintf(stderr, "frame_capture: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("Objs: %zu; Occldrs: 6; Passed HOM: %d; Passed DEB: %d\n", scene.objects.size(),
                scene.passedHom, scene.passedDeb);
    return 0;
}
