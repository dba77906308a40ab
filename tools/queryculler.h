#pragma once
// Culling by hardware occlusion queries, the method the viewer's culling is compared with: the
// occluders drawn into the depth buffer at full resolution, one GL_SAMPLES_PASSED query per
// non-occluder on its axis-aligned bounding box, the results read, the passing objects drawn.
//
// Conventions:
// - Boxes are in the scene's world coordinates, taken from each object's vertex set (computed
//   before the culler is built); a box with low > high on some axis is empty.
// - Occluders are always drawn and never queried; so is an object whose box the eye is near or
//   inside, since a query on the box's faces could then miss it.
// - The culler draws the global scene (occlusion/globals.h) and needs a current OpenGL context.

#include <GL/gl.h>

#include <cstddef>
#include <vector>

#include "math/vectors.h"
#include "scene/scenelib.h"

struct Box3 {
    float low[3], high[3];
};

// The smallest box holding the object's vertex set (empty, with infinite bounds, for none).
Box3 boundingBox(const Object& object);

// Sends the box's six faces as quads.
void sendBox(const Box3& box);

// True when the eye is within the near distance of the box, inside it included.
bool eyeNearBox(const Box3& box, const Point3D& eye);

// Hardware occlusion queries, blocking on the results once every query has been issued.
class QueryCuller {
public:
    // One query and one box per object of the global scene.
    explicit QueryCuller(std::size_t objectCount);
    ~QueryCuller();
    QueryCuller(const QueryCuller&) = delete;
    QueryCuller& operator=(const QueryCuller&) = delete;

    // One frame: fills drawn (one flag per object; occluders always set) and draws those.
    void frame(int width, int height, std::vector<bool>& drawn);

private:
    std::vector<GLuint> ids_;
    std::vector<Box3> boxes_;
};
