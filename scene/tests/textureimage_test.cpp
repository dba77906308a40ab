#include "scene/textureimage.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "testing/tolerances.h"

namespace {

Color pixelOf(const TextureImage& image, int x, int y) {
    const size_t i = (static_cast<size_t>(x) + static_cast<size_t>(y) * image.width) * 3;
    return Color(image.pixels[i], image.pixels[i + 1], image.pixels[i + 2], 1.0f);
}

void expectColour(const Color& actual, float r, float g, float b) {
    EXPECT_NEAR(actual.r, r, tol::kQuoted);
    EXPECT_NEAR(actual.g, g, tol::kQuoted);
    EXPECT_NEAR(actual.b, b, tol::kQuoted);
}

float valueOf(const TextureImage& image, int x, int y) {
    return image.pixels[static_cast<size_t>(x) + static_cast<size_t>(y) * image.width];
}

TEST(TextureImage, ZeroedPixelsInRowMajorChannelOrder) {
    TextureImage colour(3, 2, 3);
    EXPECT_EQ(colour.pixels, std::vector<float>(18, 0.0f));
    colour.setRGB(2, 1, Color(0.1f, 0.2f, 0.3f, 0.5f));
    EXPECT_EQ(colour.pixels[15], 0.1f);
    EXPECT_EQ(colour.pixels[16], 0.2f);
    EXPECT_EQ(colour.pixels[17], 0.3f);
    colour.setRGB(1, 0, Color(0.7f, 0.8f, 0.9f, 0.0f));  // alpha is dropped, neighbours kept
    EXPECT_EQ(colour.pixels[3], 0.7f);
    EXPECT_EQ(colour.pixels[6], 0.0f);

    TextureImage single(3, 2, 1);
    single.setValue(0, 1, 0.5f);
    EXPECT_EQ(single.pixels[3], 0.5f);
    EXPECT_EQ(single.pixels.size(), 6u);

    const TextureImage empty(0, 5, 3);
    EXPECT_TRUE(empty.pixels.empty());
}

TEST(TextureImage, RefusesMoreFloatsThanAVectorHolds) {
    {
        // 2^21 * 2^21 * 2^22 = 2^64 wraps around to 0 in size_t.
        try {
            const TextureImage image(1u << 21, 1u << 21, 1u << 22);
            ADD_FAILURE() << "no exception for a pixel count that wraps around, "
                          << image.pixels.size() << " floats";
        } catch (const std::invalid_argument& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("TextureImage: ", 0), 0u) << message;
            EXPECT_NE(message.find("4194304"), std::string::npos) << message;
        }
    }
    {
        // 2^63 does not wrap but is beyond max_size: refused as a bad size, not left to the
        // vector's own length_error.
        ASSERT_GT(size_t{1} << 63, std::vector<float>().max_size());
        EXPECT_THROW(TextureImage(1u << 21, 1u << 21, 1u << 21), std::invalid_argument);
    }
    {
        // A zero size gives no pixels however large the others are.
        const TextureImage empty(0x7fffffffu, 0x7fffffffu, 0);
        EXPECT_TRUE(empty.pixels.empty());
    }
}

TEST(TextureImageDeathTest, ChannelChecksStopTheProgramInEveryBuild) {
    TextureImage single(2, 2, 1);
    TextureImage colour(2, 2, 3);
    EXPECT_DEATH(single.setRGB(0, 0, Color(1, 1, 1, 1)), "scenelib.*channels==3");
    EXPECT_DEATH(colour.setValue(0, 0, 1.0f), "scenelib.*channels==1");
}

TEST(TileImage, CeramicInsideGroutLinesFourPixelsWide) {
    const TileImage tiles(256, 256);
    const float ceramic[3] = {0.8f, 0.4988f, 0.2f};
    const float grout[3] = {0.8f, 0.78f, 0.72f};
    struct Probe {
        int x, y;
        const float* colour;
    };
    for (const Probe& probe :
         {Probe{0, 0, grout}, Probe{1, 5, grout}, Probe{2, 2, ceramic}, Probe{61, 10, ceramic},
          Probe{62, 10, grout}, Probe{64, 64, grout}, Probe{66, 130, ceramic}}) {
        SCOPED_TRACE(testing::Message() << "pixel (" << probe.x << ", " << probe.y << ")");
        expectColour(pixelOf(tiles, probe.x, probe.y), probe.colour[0], probe.colour[1],
                     probe.colour[2]);
    }
    {
        // Tiles stay square when the height differs: residues follow the width's tile size.
        const TileImage wide(256, 80);
        expectColour(pixelOf(wide, 2, 66), ceramic[0], ceramic[1], ceramic[2]);
        expectColour(pixelOf(wide, 2, 63), grout[0], grout[1], grout[2]);
    }
    for (unsigned width : {10u, 4u}) {
        // Tile sizes 2 and 1 leave no residue strictly inside the grout: all grout.
        const TileImage small(width, width);
        for (int x = 0; x < small.width; ++x) {
            for (int y = 0; y < small.height; ++y) {
                EXPECT_EQ(pixelOf(small, x, y), pixelOf(small, 0, 0));
            }
        }
        expectColour(pixelOf(small, 0, 0), grout[0], grout[1], grout[2]);
    }
    EXPECT_THROW(TileImage(3, 8), std::invalid_argument);
    EXPECT_THROW(TileImage(0, 0), std::invalid_argument);
}

TEST(TileHeightImage, DomesOnTheTilesZeroOnTheGrout) {
    const TileHeightImage heights(256, 256);
    EXPECT_EQ(heights.channels, 1);
    EXPECT_EQ(valueOf(heights, 1, 40), 0.0f);
    EXPECT_EQ(valueOf(heights, 62, 40), 0.0f);
    EXPECT_NEAR(valueOf(heights, 31, 31), 1.0f, tol::kFloat);
    EXPECT_NEAR(valueOf(heights, 32, 32), 1.0f, tol::kFloat);
    EXPECT_NEAR(valueOf(heights, 2, 2), 0.2540f, tol::kQuoted);
    // Every tile has the same dome, symmetric about its centre.
    EXPECT_EQ(valueOf(heights, 2 + 64, 7 + 128), valueOf(heights, 2, 7));
    EXPECT_NEAR(valueOf(heights, 2, 7), valueOf(heights, 61, 56), tol::kFloat);
    float highest = 0.0f;
    for (float v : heights.pixels) highest = std::max(highest, v);
    EXPECT_NEAR(highest, 1.0f, tol::kFloat);
    EXPECT_THROW(TileHeightImage(2, 2), std::invalid_argument);
}

TEST(WoodImage, RingsAlternateLightAndDark) {
    const WoodImage wood(256, 256);
    expectColour(pixelOf(wood, 0, 0), 0.8f, 0.66f, 0.24f);
    expectColour(pixelOf(wood, 128, 128), 0.6f, 0.495f, 0.18f);
    // The axis lies in the plane x = 0, so rings are mirror images about the middle column.
    EXPECT_EQ(pixelOf(wood, 100, 37), pixelOf(wood, 156, 37));
}

TEST(Noise, ZeroAtIntegersAndPeriodicIn256) {
    for (double x : {0.0, 1.0, -3.0, 255.0, 1000.0}) {
        EXPECT_EQ(noise1(x), 0.0) << x;
        const double p2[2] = {x, 7.0};
        EXPECT_EQ(noise2(p2), 0.0) << x;
        const double p3[3] = {x, -2.0, 11.0};
        EXPECT_EQ(noise3(p3), 0.0) << x;
    }
    bool nonZero = false;
    // Dyadic arguments, so that shifting them by 256 is exact.
    for (double x = 0.125; x < 20.0; x += 0.375) {
        const double value = noise1(x);
        nonZero = nonZero || value != 0.0;
        EXPECT_LE(std::fabs(value), 1.0);
        EXPECT_EQ(noise1(x + 256.0), value);
        const double a[3] = {x, 0.5 * x, 1.5};
        const double b[3] = {x + 256.0, 0.5 * x - 512.0, 1.5 + 256.0};
        EXPECT_EQ(noise3(a), noise3(b));
        const double c[2] = {x, 3.25};
        const double d[2] = {x - 256.0, 3.25 + 256.0};
        EXPECT_EQ(noise2(c), noise2(d));
    }
    EXPECT_TRUE(nonZero);
    // Arguments far outside the usual range stay inside the tables.
    const double inf = std::numeric_limits<double>::infinity();
    for (double x : {-1e6 - 0.5, 1e12 + 0.5, -1e300, 1e300, -inf, inf, std::nan("")}) {
        const double p3[3] = {x, x, x};
        (void)noise1(x);
        (void)noise3(p3);
    }
}

// Runs each case in a fresh temporary directory tree root/work, with root/work as the working
// directory, and restores the previous working directory afterwards.
class SphereMapImageTest : public testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "spheremapXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        std::filesystem::create_directory(root_ / "work");
        std::filesystem::current_path(root_ / "work");
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(root_);
    }

    // Writes count bytes, byte i being (i * step + 1) mod 256.
    static void writeFile(const std::filesystem::path& path, size_t count, unsigned step) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        for (size_t i = 0; i < count; ++i) std::fputc(static_cast<int>((i * step + 1) % 256), file);
        std::fclose(file);
    }

    static void expectPattern(const SphereMapImage& image, unsigned step) {
        ASSERT_EQ(image.pixels.size(), kBytes);
        for (size_t i : {size_t{0}, size_t{1}, size_t{2}, size_t{1000}, kBytes - 1}) {
            const double byte = static_cast<double>((i * step + 1) % 256);
            EXPECT_EQ(image.pixels[i], static_cast<float>(byte / 255.0)) << i;
        }
    }

    static constexpr size_t kBytes = 256 * 256 * 3;
    std::filesystem::path previous_;
    std::filesystem::path root_;
};

TEST_F(SphereMapImageTest, ReadsTheWorkingDirectoryFile) {
    writeFile("sphere.raw", kBytes, 7);
    const SphereMapImage image;
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 256);
    EXPECT_EQ(image.channels, 3);
    expectPattern(image, 7);
}

TEST_F(SphereMapImageTest, FallsBackToTheParentDirectory) {
    writeFile(root_ / "sphere.raw", kBytes, 13);
    expectPattern(SphereMapImage(), 13);
}

TEST_F(SphereMapImageTest, WorkingDirectoryWinsOverTheParent) {
    writeFile(root_ / "sphere.raw", kBytes, 13);
    writeFile("sphere.raw", kBytes, 7);
    expectPattern(SphereMapImage(), 7);
}

TEST_F(SphereMapImageTest, MissingFileNamesBothPaths) {
    try {
        const SphereMapImage image;
        FAIL() << "no exception for a missing sphere map";
    } catch (const std::runtime_error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("\"sphere.raw\""), std::string::npos) << message;
        EXPECT_NE(message.find("\"../sphere.raw\""), std::string::npos) << message;
    }
}

TEST_F(SphereMapImageTest, ShortFileNamesTheBytesExpectedAndRead) {
    writeFile("sphere.raw", kBytes - 1, 7);
    writeFile(root_ / "sphere.raw", kBytes, 13);  // not consulted: the first file opened
    try {
        const SphereMapImage image;
        FAIL() << "no exception for a short sphere map";
    } catch (const std::runtime_error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("\"sphere.raw\""), std::string::npos) << message;
        EXPECT_NE(message.find("196608"), std::string::npos) << message;
        EXPECT_NE(message.find("196607"), std::string::npos) << message;
    }
    writeFile("sphere.raw", 0, 7);
    EXPECT_THROW(SphereMapImage(), std::runtime_error);
}

}  // namespace
