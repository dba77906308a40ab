#pragma once
// The scene: everything the viewer draws and culls, and the immediate-mode interface that builds
// it.
//
// Callers set current values (normal, material, images, texture coordinates), begin an object,
// begin a polygon and add vertices. Each added vertex is carried through the `modelling` stack's
// current matrix at the moment it is added, so stored geometry is already in world coordinates.
// The open object is always the last object and the open polygon its last polygon; beginning the
// next one closes the previous one.
//
// A polygon holds one or more contours stored one after another: the first is the outline, each
// further one a hole. Within a contour every vertex's `link` is the index of its predecessor and
// the contour's first vertex links to the contour's last vertex, so the vertex at index k > 0
// starts a further contour exactly when its link is not k - 1.

#include <cstdint>
#include <vector>

#include "math/color.h"
#include "math/transformstack.h"
#include "math/vectors.h"
#include "scene/textureimage.h"

struct Vertex {
    Vector4D position;                   // world position; x, y, z are drawn
    Vector3D normal{0.0f, 0.0f, 0.0f};   // carried through the same matrix, not renormalised
    float s = 0.0f, t = 0.0f;            // texture coordinates
    int32_t link = 0;                    // previous vertex of the same contour
};

using Polygon = std::vector<Vertex>;

struct Object {
    std::vector<Polygon> polygons;
    std::vector<Vector4D> vertexSet;  // distinct vertex positions, filled by computeVertexSets
    Color diffuse{0.0f, 0.0f, 0.0f, 1.0f};   // ambient and diffuse material colour
    Color specular{0.0f, 0.0f, 0.0f, 1.0f};
    int32_t shininess = 0;
    bool occluder = false;                       // drawn into the occlusion maps, never tested
    const TextureImage* texture = nullptr;       // colour texture, not owned
    const TextureImage* heightMap = nullptr;     // carried along, never drawn; not owned
    const TextureImage* reflection = nullptr;    // sphere-mapped; wins over texture; not owned
};

struct Light {
    Point3D position{0.0f, 0.0f, 0.0f};  // a direction: lights are directional (w = 0)
    Color colour{0.0f, 0.0f, 0.0f, 1.0f};  // diffuse and specular colour
};

// The depth test of the occlusion culling, one of a small closed set (occlusion/depthrules.h says
// what each compares and what it costs). The "g" key steps through them in this order.
enum class DepthRule : int32_t { Farthest, Conservative, DepthMap, Raster };

class Scene {
public:
    bool lighting;
    bool flatShading;
    bool antialiasTextures;  // mip-mapped linear textures when true, nearest texels when false
    Color ambient{0.0f, 0.0f, 0.0f, 1.0f};
    std::vector<Light> lights;
    std::vector<Object> objects;
    TransformStack modelView;
    TransformStack projection;
    TransformStack modelling;  // places objects: every added vertex passes through it
    Vector3D currentNormal{0.0f, 0.0f, 0.0f};
    Color currentDiffuse{0.0f, 0.0f, 0.0f, 1.0f};
    Color currentSpecular{0.0f, 0.0f, 0.0f, 1.0f};
    int32_t currentShininess;
    int32_t contourStart;  // index in the open polygon of the open contour's first vertex
    const TextureImage* currentTexture;
    const TextureImage* currentHeightMap;
    const TextureImage* currentReflection;
    float currentS, currentT;
    int32_t passedHom = 0;  // objects that passed the overlap test in the last frame
    int32_t passedDeb = 0;  // objects that passed both tests in the last frame
    // Stepped by the "g" key. Farthest after every reset.
    DepthRule depthRule;
    // Whether a mouse button is held, recorded by the input callbacks. Off after every reset.
    bool buttonHeld;

    Scene();

    // Empties objects and lights and restores the switches and current values. Keeps ambient,
    // the three stacks and the two counters.
    void reset();
    void setAmbient(const Color& colour);
    void addLight(const Point3D& position, const Color& colour);
    // Affects only objects begun afterwards.
    void setMaterial(const Color& diffuse, const Color& specular, int32_t shininess);
    void setTextures(const TextureImage* texture, const TextureImage* heightMap,
                     const TextureImage* reflection);
    // Stores n, then normalises it in place: throws ZeroDivide for a zero vector, leaving the
    // unnormalised value stored.
    void setNormal(const Vector3D& n);
    void setTexCoord(float s, float t);
    // Appends an object with the current material and images; kind 1 makes an occluder.
    void beginObject(int kind);
    // The three calls below throw std::logic_error naming the call when there is no open object
    // (beginPolygon, beginContour) or no open polygon (beginContour, addVertex).
    void beginPolygon();
    void beginContour();
    void addVertex(const Point3D& p);
};
