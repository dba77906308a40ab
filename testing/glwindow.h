#pragma once
// Real OpenGL contexts for tests: a freeglut window on the X display the test runs under
// (a virtual X server with Mesa's software renderer in CI). Rendering goes to the back buffer
// and is read back before any swap.

#include <vector>

// Initialises GLUT once per process (double-buffered RGBA with depth, like the viewer) and
// creates a window of the given size whose context becomes current. Returns the GLUT window id.
// Aborts the test program with a message when no display can be opened.
int createTestWindow(int width, int height, const char* title = "test");

// Reads the red, green and blue channels of the back buffer's pixel (x, y), y = 0 the bottom row,
// as floats in [0, 1].
struct Rgb {
    float r, g, b;
};
Rgb readPixel(int x, int y);

// Reads a width by height block of the back buffer's red channel, rows bottom first.
std::vector<float> readRed(int x, int y, int width, int height);
