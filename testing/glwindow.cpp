#include "testing/glwindow.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// glutInit ends the process when the display cannot be opened. A virtual X server refuses
// connections for a moment now and then while test programs come and go, so the display is
// opened here first, retrying for a few seconds, and kept open until GLUT holds its own
// connection (closing the last connection could make the server reset just then).
Display* waitForDisplay() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) {
            if (attempt > 0) std::fprintf(stderr, "display opened after %d retries\n", attempt);
            return display;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::fprintf(stderr, "GL tests: cannot open the X display %s\n", std::getenv("DISPLAY"));
    std::exit(1);
}

}  // namespace

int createTestWindow(int width, int height, const char* title) {
    static bool initialised = false;
    if (!initialised) {
        if (std::getenv("DISPLAY") == nullptr) {
            std::fprintf(stderr, "GL tests need an X display: run them through scripts/run-tests\n");
            std::exit(1);
        }
        Display* probe = waitForDisplay();
        int argc = 1;
        char name[] = "gltest";
        char* argv[] = {name, nullptr};
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGBA);
        glutInit(&argc, argv);
        XCloseDisplay(probe);
        initialised = true;
    }
    glutInitWindowSize(width, height);
    const int id = glutCreateWindow(title);
    glutSetWindow(id);
    glViewport(0, 0, width, height);
    glReadBuffer(GL_BACK);
    glDrawBuffer(GL_BACK);
    return id;
}

Rgb readPixel(int x, int y) {
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_FLOAT, rgb);
    return Rgb{rgb[0], rgb[1], rgb[2]};
}

std::vector<float> readRed(int x, int y, int width, int height) {
    std::vector<float> values(static_cast<size_t>(width) * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RED, GL_FLOAT, values.data());
    return values;
}
