#include "occlusion/hompyramid.h"

#include <utility>

void buildHomPyramid(std::vector<PixelImage>& pyramid) {
    if (pyramid.empty()) return;
    int width = pyramid[0].width();
    int height = pyramid[0].height();
    for (;;) {
        if (width < kMinPyramidLevelSize || height < kMinPyramidLevelSize) return;
        width /= 2;
        height /= 2;
        if (width < kMinPyramidLevelSize || height < kMinPyramidLevelSize) return;

        PixelImage newImage;
        newImage.resize(width, height);
        const PixelImage& p = pyramid.back();
        for (int x = 0; x < width; ++x) {
            for (int y = 0; y < height; ++y) {
                const float sum = ((p[2 * x][2 * y] + p[2 * x + 1][2 * y]) + p[2 * x][2 * y + 1]) +
                                  p[2 * x + 1][2 * y + 1];
                newImage[x][y] = static_cast<float>(static_cast<double>(sum) / 4.0);
            }
        }
        pyramid.push_back(std::move(newImage));
    }
}
