#pragma once
// Texture images: the colour, height-map and reflection images that objects point to.
//
// Layout: channel k of pixel (x, y) is pixels[(x + y * width) * channels + k]; rows follow each
// other in increasing y, so row y = 0 is the first row handed to OpenGL. Colour images have
// 3 channels (r, g, b), single-value images 1. An image owns its pixels; objects and the scene
// hold non-owning pointers and never free an image.

#include <cstdint>
#include <vector>

#include "math/color.h"

struct TextureImage {
    int32_t width;
    int32_t height;
    int32_t channels;
    std::vector<float> pixels;  // width * height * channels values, nominally in [0, 1]

    // Allocates width * height * channels floats, all 0. Throws std::invalid_argument, before
    // allocating, for a size above 2^31 - 1 or a product that is more floats than a
    // std::vector<float> can hold (max_size); a zero size gives an empty image.
    TextureImage(unsigned width, unsigned height, unsigned channels);

    // Writes r, g, b of the colour into pixel (x, y); alpha is not stored. Stops the program
    // with "channels==3" unless the image has three channels. x and y are not checked.
    void setRGB(int x, int y, const Color& colour);
    // Writes the value into pixel (x, y). Stops the program with "channels==1" unless the image
    // has one channel. x and y are not checked.
    void setValue(int x, int y, float value);
};

// 256 by 256 RGB image read from the raw file "sphere.raw" (8-bit r, g, b per pixel, rows of
// increasing y, no header), looked for in the working directory and then in its parent. Throws
// std::runtime_error naming the paths tried when neither opens, or the bytes expected and read
// when the file is shorter than 196,608 bytes.
struct SphereMapImage : TextureImage {
    SphereMapImage();
};

// 4 by 4 ceramic tiles with 4-pixel grout lines; the tile size is width / 4 in both directions.
// Throws std::invalid_argument for a width below 4.
struct TileImage : TextureImage {
    TileImage(unsigned width, unsigned height);
};

// Height field of the same tiles: 0 on the grout, a dome reaching 1.0 on each tile of a
// 256-wide image. Throws std::invalid_argument for a width below 4.
struct TileHeightImage : TextureImage {
    TileHeightImage(unsigned width, unsigned height);
};

// Light and dark rings around a slightly tilted axis.
struct WoodImage : TextureImage {
    WoodImage(unsigned width, unsigned height);
};

// Perlin's reference gradient noise in one, two and three dimensions. The gradient tables are
// built on the first call of any of the three from the standard rand(), never seeded here.
double noise1(double x);
double noise2(const double vec[2]);
double noise3(const double vec[3]);
