#include "scene/demoscene.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "math/color.h"
#include "math/vectors.h"
#include "scene/shapes.h"

namespace {

constexpr int kHalfCells = 7;  // the grid has 2 * 7 + 1 = 15 rows and columns

struct Slab {
    Point3D offset;
    double sx, sy, sz;
};

// Two beside the grid in x, two beside it in y, one above and one below, each 0.3 thick.
const Slab kSlabs[] = {
    {{1.5f, 0.0f, 0.0f}, 0.3, 1, 1}, {{-1.5f, 0.0f, 0.0f}, 0.3, 1, 1},
    {{0.0f, 1.5f, 0.0f}, 1, 0.3, 1}, {{0.0f, -1.5f, 0.0f}, 1, 0.3, 1},
    {{0.0f, 0.0f, 0.7f}, 1, 1, 0.3}, {{0.0f, 0.0f, -0.7f}, 1, 1, 0.3},
};

}  // namespace

void buildDemoScene(Scene& scene) { buildDemoGridScene(scene, kHalfCells); }

void resetToDemoLighting(Scene& scene) {
    scene.reset();
    scene.lighting = true;
    scene.flatShading = true;
    scene.setAmbient(Color(0.3f, 0.3f, 0.3f, 1.0f));
    scene.addLight(Point3D(100.0f, 0.0f, 50.0f), Color(0.8f, 0.8f, 0.8f, 1.0f));
    scene.addLight(Point3D(-100.0f, 0.0f, 80.0f), Color(0.5f, 0.5f, 0.5f, 1.0f));
}

void buildDemoGridScene(Scene& scene, int halfCells) {
    if (halfCells < 1) {
        throw std::invalid_argument("buildDemoGridScene: the grid needs at least one half cell");
    }
    const int n = halfCells;
    const float footprint = static_cast<float>(3.0 / (4 * n));
    const HSVColor gridSpecular(0.0f, 0.0f, 1.5f, 1.0f);  // above 1 on purpose: not clamped
    const int gridShininess = 120;
    const float gridValue = 0.9f;

    resetToDemoLighting(scene);

    for (int i = 0; i <= 2 * n; ++i) {
        for (int j = 0; j <= 2 * n; ++j) {
            // Cell indices rescaled to the demo grid's, so a denser grid shears by the same
            // amount; for the demo itself u = i and v = j exactly.
            const double u = static_cast<double>(i) * kHalfCells / n;
            const double v = static_cast<double>(j) * kHalfCells / n;
            // The small terms shear the grid slightly, so no two boxes line up exactly.
            const float x =
                static_cast<float>(static_cast<double>(i - n) / n + u * 0.01 / 10 + v * 0.03 / 10);
            const float y =
                static_cast<float>(static_cast<double>(j - n) / n + u * 0.02 / 10 + v * 0.01 / 10);
            // Direction from the grid centre mapped from (-pi, pi] onto about [0, 1].
            const float hue = static_cast<float>(
                (std::atan2(static_cast<double>(y), static_cast<double>(x)) + 3.14159) / 6.28318);
            const float ring = std::max(std::fabs(x), std::fabs(y));

            scene.modelling.push();
            scene.setMaterial(HSVColor(hue, ring, gridValue, 1.0f), gridSpecular, gridShininess);
            scene.modelling.translate(x, y, 0.0f);
            makeBox(scene, static_cast<double>(footprint), static_cast<double>(footprint),
                    0.3 - static_cast<double>(ring / 4), 0);
            scene.modelling.pop();
        }
    }

    for (const Slab& slab : kSlabs) {
        scene.modelling.push();
        scene.modelling.translate(slab.offset.x, slab.offset.y, slab.offset.z);
        makeBox(scene, slab.sx, slab.sy, slab.sz, 1);
        scene.modelling.pop();
    }
}
