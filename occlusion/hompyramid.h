#pragma once
// The hierarchical occlusion map: a pyramid of opacity images. Level 0 is the occluders drawn
// white on black and read back (values exactly 0.0 or 1.0); level k + 1 halves both dimensions
// of level k by averaging 2 by 2 blocks, so a level-k cell holds the covered fraction of its
// block of level-0 pixels (a multiple of 1/4^k, exact in float).

#include <vector>

#include "occlusion/pixelimage.h"

// A level exists only while both its dimensions are at least this.
constexpr int kMinPyramidLevelSize = 4;

// Appends the coarser levels after level 0. Level k + 1 is floor(Wk / 2) by floor(Hk / 2) and is
// made only if both are at least kMinPyramidLevelSize; an odd last column or row of a level is
// not read by the next. Each cell is ((p00 + p10) + p01) + p11 summed in float, divided by 4.0 in
// double and stored as float.
// Precondition: pyramid holds exactly level 0. An empty pyramid is left empty.
void buildHomPyramid(std::vector<PixelImage>& pyramid);
