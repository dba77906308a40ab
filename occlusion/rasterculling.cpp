#include "occlusion/rasterculling.h"

#include <algorithm>
#include <cstddef>

#include "math/matrix4x4.h"

namespace {

// The pictures' cells, as the other rules' level 0 and grid.
constexpr int kLevel0Block = kLevel0Reduction;
constexpr int kGridBlock = kGridReduction;
// Pixels added on every side of an object's rectangle.
constexpr int kRectMargin = 1;

}  // namespace

void RasterCulling::build(const Scene& scene, int width, int height) {
    buffer_.resize(width, height);
    const Matrix4x4 toClip = scene.projection.current * scene.modelView.current;
    for (const Object& object : scene.objects) {
        if (!object.occluder) continue;
        for (const Polygon& polygon : object.polygons) {
            polygon_.clear();
            for (std::size_t k = 0; k < polygon.size(); ++k) {
                // A vertex that does not link to its predecessor starts a hole.
                if (k > 0 && polygon[k].link != static_cast<int32_t>(k) - 1) break;
                polygon_.push_back(toClip * polygon[k].position);
            }
            buffer_.drawPolygon(polygon_.data(), static_cast<int>(polygon_.size()));
        }
    }
}

Visibility RasterCulling::test(const ScreenRect& rect) {
    const OcclusionBuffer::RectAnswer answer = buffer_.testRect(
        rect.leftMost - kRectMargin, rect.rightMost + kRectMargin, rect.topMost - kRectMargin,
        rect.bottomMost + kRectMargin, nearestWindowDepth(rect));
    Visibility result;
    result.tested = true;
    result.passedHom = answer.covered;
    result.passedDeb = answer.covered && answer.hidden;
    return result;
}

void RasterCulling::pictures(PixelImage& level0, int level0Width, int level0Height,
                             PixelImage& grid, int gridWidth, int gridHeight) const {
    level0.resize(level0Width, level0Height);
    grid.resize(gridWidth, gridHeight);
    constexpr int kTile = OcclusionBuffer::kTile;
    for (int ty = 0; ty < buffer_.tilesUp(); ++ty) {
        for (int tx = 0; tx < buffer_.tilesAcross(); ++tx) {
            const OcclusionBuffer::Tile tile = buffer_.tile(tx, ty);
            const int x0 = tx * kTile, y0 = ty * kTile;
            const int columns = std::min(kTile, buffer_.width() - x0);
            const int rows = std::min(kTile, buffer_.height() - y0);
            for (int r = 0; r < rows; ++r) {
                for (int c = 0; c < columns; ++c) {
                    const int x = x0 + c, y = y0 + r;
                    const float d = tile.depth(c, r);
                    const int cx = x / kLevel0Block, cy = y / kLevel0Block;
                    if (cx < level0Width && cy < level0Height && d < 1.0f) {
                        level0[cx][cy] += 1.0f;
                    }
                    const int gx = x / kGridBlock, gy = y / kGridBlock;
                    if (gx < gridWidth && gy < gridHeight) grid[gx][gy] = std::max(grid[gx][gy], d);
                }
            }
        }
    }
    const float blockPixels = static_cast<float>(kLevel0Block * kLevel0Block);
    for (std::vector<float>& column : level0.columns) {
        for (float& cell : column) cell /= blockPixels;
    }
}
