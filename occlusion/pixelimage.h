#pragma once
// A two-dimensional image of 32-bit floats: the type of every level of the occlusion pyramid and
// of the depth estimation grid.
//
// Conventions:
// - Stored as a vector of columns: image[x][y], x = 0 the left column, y = 0 the bottom row (the
//   order in which OpenGL returns pixels).
// - Width is the number of columns, height the length of column 0; every column has the same
//   length. A default-constructed image is empty (no columns, width and height 0).
// - A plain value type: copying copies every column. Indexing does not check its index.

#include <cstddef>
#include <vector>

struct PixelImage {
    std::vector<std::vector<float>> columns;

    std::vector<float>& operator[](int x) { return columns[static_cast<size_t>(x)]; }
    const std::vector<float>& operator[](int x) const { return columns[static_cast<size_t>(x)]; }

    int width() const { return static_cast<int>(columns.size()); }
    int height() const { return columns.empty() ? 0 : static_cast<int>(columns[0].size()); }
    // True when the image has no cell: no columns, or columns of no rows.
    bool empty() const { return width() == 0 || height() == 0; }

    // Gives the image columnCount columns of rowCount zeros each, dropping any previous
    // contents. A negative count is taken as 0.
    void resize(int columnCount, int rowCount) {
        columns.assign(static_cast<size_t>(columnCount < 0 ? 0 : columnCount),
                       std::vector<float>(static_cast<size_t>(rowCount < 0 ? 0 : rowCount)));
    }
    // Removes every column.
    void clear() { columns.clear(); }
};
