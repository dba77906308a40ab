// Viewer entry: one double-buffered RGBA window with a depth buffer, cleared to white each frame.
#include <GL/freeglut.h>

#include <cstdlib>

namespace {

void display() {
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

void keyboard(unsigned char key, int, int) {
    if (key == 27 || key == 'q') std::exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(480, 480);
    glutInit(&argc, argv);
    glutCreateWindow("Class Quillon");
    glutDisplayFunc(display);
    glutKeyboardFunc(keyboard);
    glutMainLoop();
    return 0;
}
