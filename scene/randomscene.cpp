#include "scene/randomscene.h"

#include <cstdint>
#include <random>
#include <stdexcept>

#include "math/color.h"
#include "scene/demoscene.h"
#include "scene/shapes.h"

namespace {

class Uniform {
public:
    explicit Uniform(unsigned seed) : engine_(seed) {}
    // A float in [low, high): the top 24 bits of one draw, exact in float.
    float operator()(float low, float high) {
        const float unit = static_cast<float>(engine_() >> 8) * (1.0f / 16777216.0f);
        return low + (high - low) * unit;
    }

private:
    std::mt19937 engine_;
};

// One box of the given edge range centred within the given extents, randomly turned.
void addRandomBox(Scene& scene, Uniform& random, float minEdge, float maxEdge, float extentXY,
                  float extentZ, int kind) {
    const float x = random(-extentXY, extentXY);
    const float y = random(-extentXY, extentXY);
    const float z = random(-extentZ, extentZ);
    const double sx = static_cast<double>(random(minEdge, maxEdge));
    const double sy = static_cast<double>(random(minEdge, maxEdge));
    const double sz = static_cast<double>(random(minEdge, maxEdge));
    scene.modelling.push();
    scene.modelling.translate(x, y, z);
    scene.modelling.rotateZ(random(0.0f, 360.0f));
    scene.modelling.rotateX(random(0.0f, 360.0f));
    scene.modelling.rotateZ(random(0.0f, 360.0f));
    makeBox(scene, sx, sy, sz, kind);
    scene.modelling.pop();
}

}  // namespace

void buildRandomScene(Scene& scene, unsigned seed, int occluderCount, int objectCount) {
    if (occluderCount < 0 || objectCount < 0) {
        throw std::invalid_argument("buildRandomScene: the counts must not be negative");
    }
    Uniform random(seed);
    resetToDemoLighting(scene);

    const Color specular(0.5f, 0.5f, 0.5f, 1.0f);
    for (int k = 0; k < objectCount; ++k) {
        scene.setMaterial(HSVColor(random(0.0f, 1.0f), 0.7f, 0.9f, 1.0f), specular, 60);
        addRandomBox(scene, random, 0.03f, 0.15f, 1.0f, 0.4f, 0);
    }
    scene.setMaterial(Color(0.8f, 0.8f, 0.8f, 1.0f), specular, 10);
    for (int k = 0; k < occluderCount; ++k) {
        addRandomBox(scene, random, 0.05f, 1.2f, 1.6f, 0.8f, 1);
    }
}
