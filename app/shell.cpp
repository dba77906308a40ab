#include "app/shell.h"

#include <GL/freeglut.h>

#include <cstdlib>

#include "app/camera.h"
#include "app/view.h"
#include "occlusion/depthrules.h"
#include "occlusion/framedriver.h"
#include "occlusion/globals.h"
#include "occlusion/vertexsets.h"
#include "scene/demoscene.h"

float rotX = -90.0f;
float rotZ = 0.0f;
float panX = 0.0f;
float panY = 0.0f;
float zoom = -5.0f;
int lastX = 0;
int lastY = 0;
bool leftDown = false;
bool middleDown = false;
bool rightDown = false;
int lastDigit = 1;

namespace {

bool pending = false;

constexpr unsigned char kEscape = 27;
constexpr int kPressed = 0;

}  // namespace

void requestRedraw() {
    pending = true;
    glutIdleFunc(idle);
}

bool redrawPending() { return pending; }

void idle() {
    display();
    glutIdleFunc(nullptr);
    pending = false;
}

void drawFrame() {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2];
    const int height = viewport[3];

    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, 0, -1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    setView(scene, width, height);
    glDisable(GL_DEPTH_TEST);
    renderFrame(scene, width, height);
}

void display() {
    drawFrame();
    glutSwapBuffers();
}

void reshape(int width, int height) {
    if (width != 0 && height != 0) glViewport(0, 0, width, height);
}

void keyboard(unsigned char key, int, int) {
    if (key == kEscape || key == 'q') {
        std::exit(0);
    } else if (key >= '1' && key <= '9') {
        lastDigit = key - '0';
        scene.reset();
        buildDemoScene(scene);
        computeVertexSets(scene);
        requestRedraw();
    } else if (key == 'a') {
        scene.antialiasTextures = !scene.antialiasTextures;
        requestRedraw();
    } else if (key == 'g') {
        scene.depthRule = nextDepthRule(scene.depthRule);
        requestRedraw();
    }
}

void mouse(int button, int state, int x, int y) {
    const bool pressed = (state == kPressed);
    switch (button) {
        case GLUT_LEFT_BUTTON: leftDown = pressed; break;
        case GLUT_MIDDLE_BUTTON: middleDown = pressed; break;
        case GLUT_RIGHT_BUTTON: rightDown = pressed; break;
        case 3: zoom += 1.0f; break;  // wheel, reported as a press and a release per step
        case 4: zoom -= 1.0f; break;
        default: break;
    }
    lastX = x;
    lastY = y;
    scene.buttonHeld = leftDown || middleDown || rightDown;
    requestRedraw();
}

void motion(int x, int y) {
    if (leftDown) {
        rotZ += static_cast<float>(x - lastX);
        rotX += static_cast<float>(y - lastY);
    }
    if (rightDown) {
        panX += static_cast<float>(x - lastX);
        panY += static_cast<float>(y - lastY);
    }
    lastX = x;
    lastY = y;
    requestRedraw();
}
