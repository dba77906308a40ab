#include "occlusion/rasterculling.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "math/matrix4x4.h"
#include "occlusion/tilemask.h"
#include "occlusion/vectorprojection.h"

namespace {

// The pictures' cells, as the other rules' level 0 and grid.
constexpr int kLevel0Block = kLevel0Reduction;
constexpr int kGridBlock = kGridReduction;

}  // namespace

void RasterCulling::build(const Scene& scene, int width, int height) {
    buffer_.resize(width, height);
    const Matrix4x4 toClip = scene.projection.current * scene.modelView.current;
    // The occluders nearest first. One that those drawn before it already hide entirely would
    // change no pixel's answer (every pixel it covers is covered, by something nearer) and is
    // not drawn; one reaching behind the eye is always drawn.
    const ProjectionSetup projection(toClip, width, height);
    occluders_.clear();
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        if (!scene.objects[i].occluder) continue;
        Occluder o{i, ScreenRect(), false};
        o.projected = projection.projectedRect(scene.objects[i].vertexSet, o.rect);
        occluders_.push_back(o);
    }
    const auto nearest = [](const Occluder& o) {
        return o.projected ? o.rect.nearMost : -std::numeric_limits<float>::infinity();
    };
    std::sort(occluders_.begin(), occluders_.end(), [&](const Occluder& a, const Occluder& b) {
        return nearest(a) < nearest(b) || (nearest(a) == nearest(b) && a.index < b.index);
    });
    for (const Occluder& o : occluders_) {
        if (o.projected && buffer_.hides(o.rect.leftMost, o.rect.rightMost, o.rect.topMost,
                                         o.rect.bottomMost, nearestWindowDepth(o.rect))) {
            continue;
        }
        for (const Polygon& polygon : scene.objects[o.index].polygons) {
            if (polygon_.size() < polygon.size()) polygon_.resize(polygon.size());
            std::size_t count = 0;
            for (; count < polygon.size(); ++count) {
                // A vertex that does not link to its predecessor starts a hole.
                if (count > 0 && polygon[count].link != static_cast<int32_t>(count) - 1) break;
                polygon_[count] = toClip * polygon[count].position;
            }
            buffer_.drawPolygon(polygon_.data(), static_cast<int>(count));
        }
    }
}

// Flattened: the buffer's queries are inlined into it (across files, where the build links with
// link-time optimisation).
[[gnu::flatten]] Visibility RasterCulling::test(const ScreenRect& rect,
                                                const CornerPoints& corners) {
    const float depth = nearestWindowDepth(rect);
    const OcclusionBuffer::RectAnswer answer =
        buffer_.testRect(rect.leftMost, rect.rightMost, rect.topMost, rect.bottomMost, depth);
    Visibility result;
    result.tested = true;
    result.passedHom = answer.covered;
    result.passedDeb = answer.covered && answer.hidden;
    if (result.passedDeb || corners.count == 0) return result;

    // A corner landing on a pixel that is not hidden most often means a face is seen there:
    // the outline's test would fail, and is not made.
    if (corners.count > static_cast<std::size_t>(OutlineRows::kMaxPoints)) return result;
    const int count = static_cast<int>(corners.count);
    const int width = buffer_.width(), height = buffer_.height();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double minX = kInfinity, maxX = -kInfinity, minY = kInfinity, maxY = -kInfinity;
    for (int k = 0; k < count; ++k) {
        double& x = cornerX_[k];
        double& y = cornerY_[k];
        x = toWindow(corners.x[k], width), y = toWindow(corners.y[k], height);
        // A corner in the window is finite; one outside is checked. (depthAt, not depthWithin:
        // a buffer too big for its window holds no tile, and reads far everywhere.)
        if (x >= 0.0 && x < width && y >= 0.0 && y < height) {
            if (!(buffer_.depthAt(static_cast<int>(x), static_cast<int>(y)) < depth)) {
                return result;
            }
        } else if (!std::isfinite(x) || !std::isfinite(y)) {
            return result;
        }
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    // The outline lies within the pixels of its corners' extremes, which are fewer than the
    // rectangle's (it keeps a pixel past a maximum whose centre the object cannot reach): when
    // they are hidden, so is the outline, and its hull is not needed.
    if (buffer_.hides(OutlineRows::firstPixel(minX), OutlineRows::lastPixel(maxX),
                      OutlineRows::firstPixel(minY), OutlineRows::lastPixel(maxY), depth)) {
        result.passedHom = result.passedDeb = true;
        return result;
    }
    const int hull = convexHull(cornerX_, cornerY_, count, hullX_, hullY_);
    if (hull == 0 || !outline_.set(hullX_, hullY_, hull)) return result;
    if (buffer_.hidesOutline(outline_, depth)) result.passedHom = result.passedDeb = true;
    return result;
}

bool RasterCulling::cornersInWindow(const CornerPoints& corners, int width, int height, double* x,
                                    double* y) {
    if (corners.count > static_cast<std::size_t>(OutlineRows::kMaxPoints)) return false;
    for (std::size_t k = 0; k < corners.count; ++k) {
        x[k] = toWindow(corners.x[k], width), y[k] = toWindow(corners.y[k], height);
        if (!std::isfinite(x[k]) || !std::isfinite(y[k])) return false;
    }
    return true;
}

void RasterCulling::pictures(PixelImage& level0, int level0Width, int level0Height,
                             PixelImage& grid, int gridWidth, int gridHeight) const {
    level0.resize(level0Width, level0Height);
    grid.resize(gridWidth, gridHeight);
    constexpr int kTile = OcclusionBuffer::kTile;
    // The cells of `block` pixels a tile's pixels first to last (in window columns or rows,
    // within the window) meet, below `cells`, and the tile's pixels within each.
    struct Part {
        int cell, first, last;  // first and last relative to the tile
    };
    const auto parts = [](int tileFirst, int last, int block, int cells, Part* out) {
        int n = 0;
        for (int cell = tileFirst / block; cell <= last / block && cell < cells; ++cell) {
            out[n++] = {cell, std::max(cell * block, tileFirst) - tileFirst,
                        std::min(cell * block + block - 1, last) - tileFirst};
        }
        return n;
    };
    for (int ty = 0; ty < buffer_.tilesUp(); ++ty) {
        for (int tx = 0; tx < buffer_.tilesAcross(); ++tx) {
            const OcclusionBuffer::Tile tile = buffer_.tile(tx, ty);
            const int x0 = tx * kTile, y0 = ty * kTile;
            const int x1 = std::min(x0 + kTile, buffer_.width()) - 1;
            const int y1 = std::min(y0 + kTile, buffer_.height()) - 1;
            // Calls each(image cell, the tile's pixels in it) for every cell of `block` pixels
            // of the image the tile meets.
            const auto eachCell = [&](PixelImage& image, int block, auto each) {
                Part columns[kTile], rows[kTile];
                const int nx = parts(x0, x1, block, image.width(), columns);
                const int ny = parts(y0, y1, block, image.height(), rows);
                for (int i = 0; i < nx; ++i) {
                    for (int j = 0; j < ny; ++j) {
                        each(image[columns[i].cell][rows[j].cell],
                             columnBits(columns[i].first, columns[i].last) &
                                 rowBits(rows[j].first, rows[j].last));
                    }
                }
            };
            // Level 0: the covered pixels of each block (all of them where the far layer is
            // covered, else those of the near layer).
            const uint64_t covered = tile.farDepth < 1.0f ? kFullMask : tile.nearMask;
            eachCell(level0, kLevel0Block, [&](float& cell, uint64_t pixels) {
                cell += static_cast<float>(__builtin_popcountll(pixels & covered));
            });
            // The grid: the farthest pixel of each cell, the far depth unless every pixel of
            // the tile in it holds the nearer near depth.
            eachCell(grid, kGridBlock, [&](float& cell, uint64_t pixels) {
                const bool allNear = (pixels & ~tile.nearMask) == 0;
                cell = std::max(cell, allNear && tile.nearDepth < tile.farDepth ? tile.nearDepth
                                                                                : tile.farDepth);
            });
        }
    }
    const float blockPixels = static_cast<float>(kLevel0Block * kLevel0Block);
    for (std::vector<float>& column : level0.columns) {
        for (float& cell : column) cell /= blockPixels;
    }
}
