#pragma once
// The viewer's GLUT callbacks. Drawing happens only through a one-shot idle callback: every input
// callback that changes something registers `idle`, which draws one frame and unregisters itself,
// so any burst of input yields a single frame and an idle window draws nothing.

// Draws one frame into the back buffer of the current window without swapping: reads the size
// from the viewport, clears to white, rebuilds the view and runs the occlusion pipeline.
void drawFrame();

void display();                        // drawFrame, then swap buffers
void reshape(int width, int height);   // keeps the previous viewport for a zero size
void keyboard(unsigned char key, int x, int y);
void mouse(int button, int state, int x, int y);
void motion(int x, int y);
void idle();

// Registers the one-shot idle callback.
void requestRedraw();
// True from a redraw request until the idle callback has drawn the frame.
bool redrawPending();

// The digit of the last rebuild key (1 before any).
extern int lastDigit;
