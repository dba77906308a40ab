#pragma once
// Writing pictures as PNG files (libpng).

#include <string>
#include <vector>

// Writes a width by height RGB picture, 8 bits per channel, rows top first, to path. Returns
// false, with a message in error, when the file cannot be written.
bool writePng(const std::string& path, int width, int height,
              const std::vector<unsigned char>& rgbTopFirst, std::string& error);
