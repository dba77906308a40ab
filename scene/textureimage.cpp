#include "scene/textureimage.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "math/numeric.h"
#include "math/vectors.h"

namespace {

// A channel mismatch is a programming error: stop in every build type (unlike assert, which
// vanishes under NDEBUG), naming the scene library and the failed requirement.
void requireChannels(bool holds, const char* requirement) {
    if (holds) return;
    std::fprintf(stderr, "scenelib: assertion failed: %s\n", requirement);
    std::abort();
}

int32_t checkedSize(unsigned size, const char* name) {
    if (size > static_cast<unsigned>(std::numeric_limits<int32_t>::max())) {
        throw std::invalid_argument(std::string("TextureImage: ") + name + " " +
                                    std::to_string(size) + " does not fit a 32-bit integer");
    }
    return static_cast<int32_t>(size);
}

// The number of floats of a width by height image of the given channels. Refuses a product that
// would wrap around in size_t (and leave a silently empty image) or that no std::vector<float> can
// hold, before anything is allocated. A zero size gives 0 whatever the others.
size_t checkedPixelCount(unsigned width, unsigned height, unsigned channels) {
    if (width == 0 || height == 0 || channels == 0) return 0;
    const size_t limit = std::vector<float>().max_size();
    size_t count = 1;
    for (const size_t factor : {size_t{width}, size_t{height}, size_t{channels}}) {
        if (count > limit / factor) {
            throw std::invalid_argument("TextureImage: " + std::to_string(width) + " by " +
                                        std::to_string(height) + " pixels of " +
                                        std::to_string(channels) +
                                        " channels are more floats than a std::vector can hold");
        }
        count *= factor;
    }
    return count;
}

// Side of one of the 4 by 4 tiles. A width below 4 would give a tile size of 0 and a division
// by zero in the residues, so it is refused.
int tileSize(int32_t width, const char* kind) {
    const int size = width / 4;
    if (size < 1) {
        throw std::invalid_argument(std::string(kind) + ": width " + std::to_string(width) +
                                    " is below 4, the smallest width with a tile size of 1");
    }
    return size;
}

// The ceramic part of a tile lies strictly between the grout on both sides: residues g + 1 to
// tile - 2 - g.
bool onCeramic(int rx, int ry, int tile, int grout) {
    return grout < rx && rx < tile - 1 - grout && grout < ry && ry < tile - 1 - grout;
}

}  // namespace

TextureImage::TextureImage(unsigned width_, unsigned height_, unsigned channels_)
    : width(checkedSize(width_, "width")),
      height(checkedSize(height_, "height")),
      channels(checkedSize(channels_, "channels")),
      pixels(checkedPixelCount(width_, height_, channels_), 0.0f) {}

void TextureImage::setRGB(int x, int y, const Color& colour) {
    requireChannels(channels == 3, "channels==3");
    float* pixel =
        &pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
    pixel[0] = colour.r;
    pixel[1] = colour.g;
    pixel[2] = colour.b;
}

void TextureImage::setValue(int x, int y, float value) {
    requireChannels(channels == 1, "channels==1");
    pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = value;
}

SphereMapImage::SphereMapImage() : TextureImage(256, 256, 3) {
    constexpr size_t kFileBytes = 256 * 256 * 3;
    const char* const kPaths[] = {"sphere.raw", "../sphere.raw"};

    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, CloseFile> file;
    const char* opened = nullptr;
    for (const char* path : kPaths) {
        file.reset(std::fopen(path, "rb"));
        if (file) {
            opened = path;
            break;
        }
    }
    if (!file) {
        throw std::runtime_error(
            "SphereMapImage: cannot open the sphere map: tried \"sphere.raw\" and "
            "\"../sphere.raw\"");
    }

    std::vector<unsigned char> bytes(kFileBytes);
    const size_t read = std::fread(bytes.data(), 1, kFileBytes, file.get());
    file.reset();
    if (read != kFileBytes) {
        throw std::runtime_error("SphereMapImage: \"" + std::string(opened) +
                                 "\" is too short: expected " + std::to_string(kFileBytes) +
                                 " bytes, read " + std::to_string(read));
    }
    for (size_t i = 0; i < kFileBytes; ++i) {
        pixels[i] = static_cast<float>(bytes[i] / 255.0);
    }
}

TileImage::TileImage(unsigned width_, unsigned height_) : TextureImage(width_, height_, 3) {
    const HSVColor ceramic(0.083f, 0.75f, 0.8f, 1.0f);
    const HSVColor grout(0.125f, 0.1f, 0.8f, 1.0f);
    const int tile = tileSize(width, "TileImage");
    const int groutWidth = 1;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            const bool inTile = onCeramic(x % tile, y % tile, tile, groutWidth);
            setRGB(x, y, inTile ? ceramic : grout);
        }
    }
}

TileHeightImage::TileHeightImage(unsigned width_, unsigned height_)
    : TextureImage(width_, height_, 1) {
    const int tile = tileSize(width, "TileHeightImage");
    const int g = 1;
    // The square root of 930: the largest product of the four fourth roots for a tile of 64,
    // so a 256-wide image peaks at 1.0.
    const float k = 30.495901f;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            const int rx = x % tile;
            const int ry = y % tile;
            float value = 0.0f;
            if (onCeramic(rx, ry, tile, g)) {
                const double product = std::pow(static_cast<double>(rx - g), 0.25) *
                                       std::pow(static_cast<double>(tile - 1 - g - rx), 0.25) *
                                       std::pow(static_cast<double>(ry - g), 0.25) *
                                       std::pow(static_cast<double>(tile - 1 - g - ry), 0.25);
                value = static_cast<float>(product / static_cast<double>(k));
            }
            setValue(x, y, value);
        }
    }
}

WoodImage::WoodImage(unsigned width_, unsigned height_) : TextureImage(width_, height_, 3) {
    const HSVColor light(0.125f, 0.7f, 0.8f, 1.0f);
    const HSVColor dark(0.125f, 0.7f, 0.6f, 1.0f);
    const Point3D axisPoint(0.0f, 0.0f, 1.0f);
    const Vector3D axis = Vector3D(0.0f, 1.0f, 0.1f).normalized();
    for (int x = 0; x < width; ++x) {
        const float u = static_cast<float>(2.0 * x / width - 1);
        for (int y = 0; y < height; ++y) {
            const float v = static_cast<float>(2.0 * y / height - 1);
            const Vector3D p = Point3D(u, v, 0.0f) - axisPoint;
            const float along = dot(p, axis);
            // Squared distance of the pixel's point from the axis: rings are evenly spaced in it.
            const float d = dot(p, p) - along * along;
            const float r = 10.0f * d;
            const float f = r - std::floor(r);
            setRGB(x, y, f < 0.7f ? light : dark);
        }
    }
}

// Gradient noise: a lattice with a pseudo-random unit gradient at every integer point, hashed
// through a permutation of 0..255, and a smooth blend of the corners' contributions. The tables
// repeat their first 258 entries so that chained lookups (at most 255 + 255) stay in range.
namespace {

constexpr int kTableSize = 256;
constexpr int kTableLength = kTableSize + kTableSize + 2;
// Shifts arguments so that ordinary negative coordinates still truncate like positive ones.
constexpr double kOffset = 4096.0;

struct NoiseTables {
    int p[kTableLength];
    double g1[kTableLength];
    double g2[kTableLength][2];
    double g3[kTableLength][3];
};

double randomComponent() {
    return static_cast<double>((std::rand() % (kTableSize + kTableSize)) - kTableSize) / kTableSize;
}

void normalise(double* v, int n) {
    double squared = 0.0;
    for (int i = 0; i < n; ++i) squared += v[i] * v[i];
    const double length = std::sqrt(squared);
    for (int i = 0; i < n; ++i) v[i] /= length;
}

NoiseTables& tables() {
    static bool start = true;
    static NoiseTables t;
    if (start) {
        start = false;
        int i = 0;
        for (; i < kTableSize; ++i) {
            t.p[i] = i;
            t.g1[i] = randomComponent();
            for (double& c : t.g2[i]) c = randomComponent();
            normalise(t.g2[i], 2);
            for (double& c : t.g3[i]) c = randomComponent();
            normalise(t.g3[i], 3);
        }
        while (--i) {
            const int j = std::rand() % kTableSize;
            const int swapped = t.p[i];
            t.p[i] = t.p[j];
            t.p[j] = swapped;
        }
        for (i = 0; i < kTableSize + 2; ++i) {
            t.p[kTableSize + i] = t.p[i];
            t.g1[kTableSize + i] = t.g1[i];
            for (int j = 0; j < 2; ++j) t.g2[kTableSize + i][j] = t.g2[i][j];
            for (int j = 0; j < 3; ++j) t.g3[kTableSize + i][j] = t.g3[i][j];
        }
    }
    return t;
}

// The lattice cell of one coordinate: its two corners b0 and b1 (mod 256), the offsets r0 and
// r1 from them, and the blend weight s.
struct Cell {
    int b0, b1;
    double r0, r1, s;
};

Cell cellOf(double a) {
    const double t = a + kOffset;
    const double whole = std::trunc(t);
    // fmod keeps the residue exact for any magnitude; truncateToInt maps NaN and infinity to a
    // defined value, so no argument can index outside the tables.
    int b0 = truncateToInt(std::fmod(whole, static_cast<double>(kTableSize)));
    if (b0 < 0) b0 += kTableSize;
    Cell c;
    c.b0 = b0;
    c.b1 = (b0 + 1) % kTableSize;
    c.r0 = t - whole;
    c.r1 = c.r0 - 1.0;
    c.s = c.r0 * c.r0 * (3.0 - 2.0 * c.r0);
    return c;
}

double lerp(double s, double a, double b) { return a + s * (b - a); }

}  // namespace

double noise1(double x) {
    const NoiseTables& t = tables();
    const double vec = x;
    const Cell cx = cellOf(vec);
    const double u = cx.r0 * t.g1[t.p[cx.b0]];
    const double v = cx.r1 * t.g1[t.p[cx.b1]];
    return lerp(cx.s, u, v);
}

double noise2(const double vec[2]) {
    const NoiseTables& t = tables();
    const Cell cx = cellOf(vec[0]);
    const Cell cy = cellOf(vec[1]);
    const int i = t.p[cx.b0];
    const int j = t.p[cx.b1];
    auto at = [&](int corner, double rx, double ry) {
        const double* q = t.g2[corner];
        return rx * q[0] + ry * q[1];
    };
    const double a = lerp(cx.s, at(t.p[i + cy.b0], cx.r0, cy.r0), at(t.p[j + cy.b0], cx.r1, cy.r0));
    const double b = lerp(cx.s, at(t.p[i + cy.b1], cx.r0, cy.r1), at(t.p[j + cy.b1], cx.r1, cy.r1));
    return lerp(cy.s, a, b);
}

double noise3(const double vec[3]) {
    const NoiseTables& t = tables();
    const Cell cx = cellOf(vec[0]);
    const Cell cy = cellOf(vec[1]);
    const Cell cz = cellOf(vec[2]);
    const int i = t.p[cx.b0];
    const int j = t.p[cx.b1];
    const int b00 = t.p[i + cy.b0];
    const int b10 = t.p[j + cy.b0];
    const int b01 = t.p[i + cy.b1];
    const int b11 = t.p[j + cy.b1];
    // Corner (x, y, z) hashes to p[p[p[bx] + by] + bz].
    auto at = [&](int xy, int bz, double rx, double ry, double rz) {
        const double* q = t.g3[t.p[xy + bz]];
        return rx * q[0] + ry * q[1] + rz * q[2];
    };
    auto layer = [&](int bz, double rz) {
        const double a = lerp(cx.s, at(b00, bz, cx.r0, cy.r0, rz), at(b10, bz, cx.r1, cy.r0, rz));
        const double b = lerp(cx.s, at(b01, bz, cx.r0, cy.r1, rz), at(b11, bz, cx.r1, cy.r1, rz));
        return lerp(cy.s, a, b);
    };
    return lerp(cz.s, layer(cz.b0, cz.r0), layer(cz.b1, cz.r1));
}
