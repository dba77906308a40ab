#include "tools/pngfile.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool writePng(const std::string& path, int width, int height,
              const std::vector<unsigned char>& rgbTopFirst, std::string& error) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3u;
    if (width <= 0 || height <= 0 ||
        rgbTopFirst.size() != rowBytes * static_cast<std::size_t>(height)) {
        error = "writePng: the picture does not have width * height RGB pixels";
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        error = "cannot write " + path + ": libpng could not start";
        return false;
    }
    // libpng reports its errors by jumping back here; nothing with a destructor is created
    // between this point and the jump.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "cannot write " + path + ": libpng failed";
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, rgbTopFirst.data() + rowBytes * static_cast<std::size_t>(y));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    const bool written = std::ferror(file.get()) == 0;
    if (std::fclose(file.release()) != 0 || !written) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
