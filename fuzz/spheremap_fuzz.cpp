// Fuzz target: the sphere-map loader on arbitrary file contents and lengths.
//
// The target works in a private temporary directory with a subdirectory: "sphere.raw" is written
// in the working directory (the subdirectory), in its parent, in both or in neither, or is a
// directory. The first byte picks the layout and how the rest becomes the file: either the bytes
// as they are, or a file of an input-chosen length (up to 300,000 bytes, both sides of the
// 196,608 the loader reads) filled by repeating them, so that full-size files occur without
// full-size inputs.
//
// Checked: the loader either throws std::runtime_error with a message naming it, or yields a
// 256 by 256 three-channel image whose every value is the matching byte of the file it read
// divided by 255, all in [0, 1]. Any other exception aborts.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/textureimage.h"

namespace {

constexpr size_t kImageBytes = 256 * 256 * 3;
constexpr size_t kMaxStretched = 300000;

void check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "sphere map fuzz: %s\n", what);
    std::abort();
}

void removePath(const char* path) {
    if (std::remove(path) != 0) rmdir(path);
}

void writeFile(const char* path, const std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path, "wb");
    check(file != nullptr, "cannot write the test file");
    if (!bytes.empty())
        check(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(),
              "short write of the test file");
    std::fclose(file);
}

std::string baseDirectory;

// Leaves nothing behind in the temporary directory when the fuzzer exits.
void removeDirectories() {
    removePath("sphere.raw");
    removePath("../sphere.raw");
    if (chdir(baseDirectory.c_str()) != 0) return;
    rmdir("work");
    if (chdir("/") == 0) rmdir(baseDirectory.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/spheremap-fuzz-XXXXXX";
    check(mkdtemp(pattern.data()) != nullptr, "cannot create a temporary directory");
    baseDirectory = pattern;
    const std::string work = baseDirectory + "/work";
    check(mkdir(work.c_str(), 0700) == 0, "cannot create the working directory");
    check(chdir(work.c_str()) == 0, "cannot enter the working directory");
    std::atexit(removeDirectories);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t mode = size > 0 ? data[0] : 0;
    const uint8_t* rest = size > 0 ? data + 1 : data;
    size_t restSize = size > 0 ? size - 1 : 0;

    std::vector<unsigned char> bytes;
    if ((mode & 8) && restSize >= 3) {
        const size_t length =
            (static_cast<size_t>(rest[0]) << 16 | static_cast<size_t>(rest[1]) << 8 | rest[2]) %
            (kMaxStretched + 1);
        rest += 3;
        restSize -= 3;
        bytes.resize(length);
        for (size_t i = 0; i < length; ++i) {
            bytes[i] = restSize == 0 ? 0 : rest[i % restSize];
        }
    } else {
        bytes.assign(rest, rest + restSize);
    }

    removePath("sphere.raw");
    removePath("../sphere.raw");
    // Bits 0-1: where the file goes (here, the parent, both, neither); bit 2: "sphere.raw" here
    // is a directory instead.
    const bool here = (mode & 3) == 0 || (mode & 3) == 2;
    const bool parent = (mode & 3) == 1 || (mode & 3) == 2;
    if (mode & 4) {
        check(mkdir("sphere.raw", 0700) == 0, "cannot create the directory");
    } else if (here) {
        writeFile("sphere.raw", bytes);
    }
    if (parent) writeFile("../sphere.raw", bytes);

    try {
        const SphereMapImage image;
        check(image.width == 256 && image.height == 256 && image.channels == 3,
              "image of the wrong shape");
        check(image.pixels.size() == kImageBytes, "pixel count is not 256 * 256 * 3");
        check(bytes.size() >= kImageBytes, "an image from a file that is too short");
        for (size_t i = 0; i < kImageBytes; ++i) {
            const float value = image.pixels[i];
            check(value >= 0.0f && value <= 1.0f, "pixel outside [0, 1]");
            check(value == static_cast<float>(bytes[i] / 255.0), "pixel is not its byte / 255");
        }
    } catch (const std::runtime_error& e) {
        check(std::string(e.what()).find("SphereMapImage") != std::string::npos,
              "the exception does not name the loader");
    }
    return 0;
}
