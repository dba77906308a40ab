#include "occlusion/guardband.h"

#include "occlusion/visibility.h"

int guardedCells(int windowSize) {
    if (windowSize <= 0) return 0;
    return (windowSize + kLevel0Reduction - 1) / kLevel0Reduction + 2 * kGuardCells;
}

namespace {

// Scale and offset, in device coordinates, that move the window's [-1, 1] onto the guarded
// viewport's: window pixel p sits at guarded viewport pixel p / 10 + kGuardCells.
// A side without pixels keeps the identity.
void axisMapping(int windowSize, float& scale, float& offset) {
    if (windowSize <= 0) return;
    const double cells = guardedCells(windowSize);
    const double a = static_cast<double>(windowSize) / (kLevel0Reduction * cells);
    scale = static_cast<float>(a);
    offset = static_cast<float>(a + 2.0 * kGuardCells / cells - 1.0);
}

}  // namespace

Matrix4x4 guardBandMatrix(int width, int height) {
    float ax = 1.0f, bx = 0.0f, ay = 1.0f, by = 0.0f;
    axisMapping(width, ax, bx);
    axisMapping(height, ay, by);
    Matrix4x4 m = identityMatrix();
    m[0] = Vector4D(ax, 0.0f, 0.0f, bx);
    m[1] = Vector4D(0.0f, ay, 0.0f, by);
    return m;
}

PixelImage innerCells(const PixelImage& guarded, int width, int height) {
    PixelImage inner;
    inner.resize(width, height);
    for (int x = 0; x < width && x + kGuardCells < guarded.width(); ++x) {
        for (int y = 0; y < height && y + kGuardCells < guarded.height(); ++y) {
            inner[x][y] = guarded[x + kGuardCells][y + kGuardCells];
        }
    }
    return inner;
}
