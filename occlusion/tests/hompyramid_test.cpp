#include "occlusion/hompyramid.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace {

PixelImage filled(int width, int height, float value) {
    PixelImage image;
    image.resize(width, height);
    for (auto& column : image.columns) column.assign(column.size(), value);
    return image;
}

std::vector<PixelImage> pyramidOf(PixelImage level0) {
    std::vector<PixelImage> pyramid;
    pyramid.push_back(std::move(level0));
    buildHomPyramid(pyramid);
    return pyramid;
}

std::vector<std::pair<int, int>> sizesOf(const std::vector<PixelImage>& pyramid) {
    std::vector<std::pair<int, int>> sizes;
    for (const PixelImage& level : pyramid) sizes.emplace_back(level.width(), level.height());
    return sizes;
}

using Sizes = std::vector<std::pair<int, int>>;

TEST(BuildHomPyramid, LevelSizesHalveDownToFour) {
    EXPECT_EQ(sizesOf(pyramidOf(filled(48, 48, 0))), (Sizes{{48, 48}, {24, 24}, {12, 12}, {6, 6}}));
    EXPECT_EQ(sizesOf(pyramidOf(filled(64, 48, 0))), (Sizes{{64, 48}, {32, 24}, {16, 12}, {8, 6}}));
    EXPECT_EQ(sizesOf(pyramidOf(filled(48, 47, 0))), (Sizes{{48, 47}, {24, 23}, {12, 11}, {6, 5}}));
    EXPECT_EQ(sizesOf(pyramidOf(filled(8, 9, 0))), (Sizes{{8, 9}, {4, 4}}));
    EXPECT_EQ(sizesOf(pyramidOf(filled(7, 9, 0))), (Sizes{{7, 9}}));
    EXPECT_EQ(sizesOf(pyramidOf(filled(3, 100, 0))), (Sizes{{3, 100}}));
    EXPECT_EQ(sizesOf(pyramidOf(filled(100, 3, 0))), (Sizes{{100, 3}}));
    EXPECT_EQ(sizesOf(pyramidOf(PixelImage())), (Sizes{{0, 0}}));
    std::vector<PixelImage> empty;
    buildHomPyramid(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(BuildHomPyramid, AveragesTwoByTwoBlocks) {
    {
        // Level 1 cells (0, 0) and (1, 0) cover one pixel of their blocks, (0, 1) and (1, 1)
        // all four: 0.25, 0.25, 1, 1, whose average one level up is 0.625.
        PixelImage level0 = filled(16, 16, 0.0f);
        level0[1][0] = 1.0f;
        level0[2][1] = 1.0f;
        for (int x = 0; x < 4; ++x) {
            for (int y = 2; y < 4; ++y) level0[x][y] = 1.0f;
        }
        const std::vector<PixelImage> pyramid = pyramidOf(level0);
        ASSERT_EQ(pyramid.size(), 3u);
        EXPECT_EQ(pyramid[1][0][0], 0.25f);
        EXPECT_EQ(pyramid[1][1][0], 0.25f);
        EXPECT_EQ(pyramid[1][0][1], 1.0f);
        EXPECT_EQ(pyramid[1][2][2], 0.0f);
        EXPECT_EQ(pyramid[2][0][0], 0.625f);
        EXPECT_EQ(pyramid[2][1][1], 0.0f);
    }
    {
        // The odd last row (row 8 of 8 by 9) is not read.
        PixelImage level0 = filled(8, 9, 0.0f);
        for (int x = 0; x < 8; ++x) level0[x][8] = 1.0f;
        const std::vector<PixelImage> pyramid = pyramidOf(level0);
        ASSERT_EQ(pyramid.size(), 2u);
        for (const auto& column : pyramid[1].columns) {
            for (float v : column) EXPECT_EQ(v, 0.0f);
        }
    }
    for (float value : {0.0f, 1.0f}) {
        for (const PixelImage& level : pyramidOf(filled(48, 48, value))) {
            for (const auto& column : level.columns) {
                for (float v : column) EXPECT_EQ(v, value);
            }
        }
    }
}

// Every cell of level k must equal the covered fraction of its 2^k by 2^k block of level 0,
// computed directly (exact: every value is a multiple of 1/4^k).
TEST(BuildHomPyramid, MatchesDirectBlockAveragesOnRandomImages) {
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> size(1, 70);
    std::bernoulli_distribution covered(0.7);
    for (int trial = 0; trial < 60; ++trial) {
        PixelImage level0;
        level0.resize(size(random), size(random));
        for (auto& column : level0.columns) {
            for (float& v : column) v = covered(random) ? 1.0f : 0.0f;
        }
        const std::vector<PixelImage> pyramid = pyramidOf(level0);
        int expectedLevels = 1;
        for (int w = level0.width() / 2, h = level0.height() / 2; w >= 4 && h >= 4;
             w /= 2, h /= 2) {
            ++expectedLevels;
        }
        ASSERT_EQ(static_cast<int>(pyramid.size()), expectedLevels);
        for (std::size_t k = 1; k < pyramid.size(); ++k) {
            const int block = 1 << k;
            const PixelImage& level = pyramid[k];
            EXPECT_EQ(level.width(), level0.width() >> k);
            EXPECT_EQ(level.height(), level0.height() >> k);
            for (int x = 0; x < level.width(); ++x) {
                for (int y = 0; y < level.height(); ++y) {
                    double sum = 0.0;
                    for (int i = 0; i < block; ++i) {
                        for (int j = 0; j < block; ++j) {
                            sum += static_cast<double>(level0[x * block + i][y * block + j]);
                        }
                    }
                    ASSERT_EQ(level[x][y], static_cast<float>(sum / (block * block)))
                        << "level " << k << " cell " << x << ", " << y;
                }
            }
        }
    }
}

}  // namespace
