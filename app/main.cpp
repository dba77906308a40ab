// The viewer: one window showing the demo scene with image-space occlusion culling at work.
#include <GL/freeglut.h>

#include "app/shell.h"
#include "occlusion/globals.h"
#include "occlusion/vertexsets.h"
#include "scene/demoscene.h"

int main(int argc, char** argv) {
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(480, 480);
    glutInit(&argc, argv);
    glutCreateWindow("Class Quillon");
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    requestRedraw();  // registers the one-shot idle callback: the first frame
    buildDemoScene(scene);
    computeVertexSets(scene);
    glutMainLoop();
    return 0;
}
