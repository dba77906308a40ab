#pragma once
// The guard band of the occluder pass: the sound depth rules render the occluders into an image
// that reaches one level-0 cell beyond every edge of the window, so that every window pixel,
// the outermost ones included, lies between samples.
//
// Conventions:
// - A guarded cell is exactly kLevel0Reduction by kLevel0Reduction window pixels: cell c spans
//   window pixels 10c to 10c + 9 and is sampled at its centre, window coordinate 10c + 5.
// - Cells run from -1 (left of, or below, the window) to ceil(size / 10), so the samples reach at
//   least 5 pixels beyond both edges; a guarded image holds cell c at index c + kGuardCells.
// - Cells 0 to size / 10 - 1 (truncated) coincide with level 0 of the occlusion pyramid when the
//   window size is a multiple of 10; then the guarded image is level 0 with a one-cell border.

#include "math/matrix4x4.h"
#include "occlusion/pixelimage.h"

// Index offset of cell 0 in a guarded image.
constexpr int kGuardCells = 1;

// Cells of a guarded image across a window side of windowSize pixels: ceil(windowSize / 10) + 2.
// 0 for a side without pixels.
int guardedCells(int windowSize);

// The clip-space matrix that, applied after the window's projection, maps the guarded cells
// onto a guardedCells(width) by guardedCells(height) viewport: x' = a x + b w with
// a = width / (10 G) and b = a + 2 / G - 1 (G the guarded cells across), likewise for y; z and
// w unchanged, so depths are those of the full window.
Matrix4x4 guardBandMatrix(int width, int height);

// The cells 0 to width - 1 by 0 to height - 1 of a guarded image (its inner cells from index
// kGuardCells on): level 0 of the pyramid for a frame that renders the guard band. Cells the
// guarded image lacks are 0.
PixelImage innerCells(const PixelImage& guarded, int width, int height);
