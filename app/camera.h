#pragma once
// The camera state the mouse drives, one set per process. Nothing clamps or wraps these values:
// angles grow without bound and zoom may take any value.

extern float rotX;   // tilt, degrees about the x axis; vertical left-drag (starts at -90)
extern float rotZ;   // spin, degrees about the z axis; horizontal left-drag
extern float panX;   // accumulated horizontal right-drag, pixels
extern float panY;   // accumulated vertical right-drag, pixels (window y grows downward)
extern float zoom;   // wheel steps: button 3 adds 1, button 4 subtracts 1 (starts at -5)
extern int lastX, lastY;  // pointer position at the last mouse or motion event
extern bool leftDown, middleDown, rightDown;
