#pragma once
// What the frame draws over the scene: the status line and grey-scale pictures of the occlusion
// pyramid and the depth estimation grid, one point per cell at one pixel per point.
//
// Coordinates: the status text uses a bottom-left origin, its lines stacked upwards from the
// bottom one; the overlays use a top-left origin with
// y growing downwards, one unit per window pixel. Points are sent at the integer coordinates
// below; where exactly the rasteriser puts a point on a pixel corner is its own rule.
// - Pyramid levels stand side by side with their top edges on y = 2: level 0 starts at x = 2 and
//   each further level 5 pixels right of the previous one.
// - The grid stands at x = 2 with its top row on y = H0 + 5, H0 the height of level 0.
// Each image is shown upright (its row 0 is its bottom row). Empty images draw nothing.
// All of these push and pop every matrix they change; the state they set (lighting off for the
// status text, colours) stays.

#include <string>
#include <vector>

// Draws text in black with GLUT_BITMAP_HELVETICA_18 starting at window position (10, 10) of a
// width by height window; disables lighting first. Leaves the matrix mode on projection.
void drawStatusText(const char* text, int width, int height);

// Several lines the same way, top first: the last starts at (10, 10) and each earlier one a line
// (the font's height) above the next.
void drawStatusLines(const std::vector<std::string>& lines, int width, int height);

// The advance of one character of the status font, in pixels. Needs GLUT to be initialised.
int statusCharacterWidth(unsigned char c);

// Breaks text into lines that fit between x = 10 and the right edge of a window `width` pixels
// wide, by the character advances charWidth gives: when the text does not fit, it is broken
// after the last "; " whose preceding text fits (the "; " itself is dropped but for its ";"),
// and the rest is broken again the same way. A first piece that cannot fit is broken at its
// first "; ", and text without one stays whole. Text that fits comes back as the one line.
std::vector<std::string> wrapStatusText(const std::string& text, int width,
                                        int (*charWidth)(unsigned char));

// Brackets the overlays: pushes the projection (set to glOrtho(0, width, height, 0, -1, 1)) and
// the model-view matrix (set to the identity), leaving the mode on model-view. endOverlay pops
// both.
void beginOverlay(int width, int height);
void endOverlay();

// Every level of homPyramid in a width by height window; level L starts at x = 2 plus the widths
// of the earlier levels plus 5 per earlier level.
void drawHomOverlay(int width, int height);
// debGrid below level 0 of homPyramid (H0 = 0 when the pyramid is empty).
void drawDebOverlay(int width, int height);
