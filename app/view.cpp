#include "app/view.h"

#include "app/camera.h"

namespace {

// Half-extent of the view window at unit distance on the smaller side: the float 0.4, widened.
constexpr double kHalfExtent = static_cast<double>(0.4f);
constexpr float kNear = 0.1f;
constexpr float kFar = 100.0f;
constexpr float kBaseDistance = 3.0f;
constexpr float kZoomStep = 0.25f;
constexpr float kPanScale = 0.01f;

}  // namespace

void setView(Scene& scene, int w, int h) {
    double a;
    double b;
    if (w < h) {
        a = kHalfExtent;
        b = h * kHalfExtent / w;
    } else {
        b = kHalfExtent;
        a = w * kHalfExtent / h;
    }
    TransformStack& projection = scene.projection;
    projection.loadIdentity();
    projection.perspective(static_cast<float>(a), static_cast<float>(b), kNear, kFar);
    projection.updateInverse();

    TransformStack& modelView = scene.modelView;
    modelView.loadIdentity();
    modelView.translate(0.0f, 0.0f, -kBaseDistance);
    modelView.translate(panX * kPanScale, -panY * kPanScale, zoom * kZoomStep);
    modelView.rotateX(rotX);
    modelView.rotateZ(rotZ);
    modelView.updateInverse();
}
