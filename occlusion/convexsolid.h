#pragma once
// Whether an occluder is a closed convex solid, such as a box, and its faces by its corners: the
// form in which the occlusion buffer draws all of a solid's front faces at once
// (OcclusionBuffer::drawConvexSolid). Found from the object's polygons and kept; a frame only
// compares the polygons with those it was found from.
//
// A solid here is a set of polygons, each a single contour (no holes) of at least three
// distinct corners, such that
// - every edge from corner a to corner b of one face runs from b to a in exactly one other face,
//   and in no other face the same way (closed, every face wound the same way round);
// - every corner lies on or behind the plane of every face, by the face's normal from its
//   counter-clockwise winding (convex, faces counter-clockwise seen from outside), within a
//   tolerance for the rounding of the positions to float;
// - every position is a point (w = 1), and there are at most
//   OcclusionBuffer::kMaxSolidCorners corners and faces of at most
//   OcclusionBuffer::kMaxSolidFaceCorners.

#include <cstdint>
#include <vector>

#include "math/vectors.h"
#include "occlusion/occlusionbuffer.h"
#include "scene/scenelib.h"

class ConvexSolid {
public:
    // Takes an object's polygons, finding the solid again only when they differ (bit for bit,
    // in any position, link or count) from those of the last call.
    void update(const std::vector<Polygon>& polygons);

    // Whether the polygons make a solid, as above.
    bool isSolid() const { return solid_; }
    // Its distinct corner positions, and its faces as indices into them (while isSolid).
    const std::vector<Vector4D>& corners() const { return corners_; }
    OcclusionBuffer::SolidFaces faces() const {
        return {first_.data(), faceCorners_.data(), static_cast<int>(first_.size()) - 1};
    }

private:
    bool matches(const std::vector<Polygon>& polygons) const;
    bool find(const std::vector<Polygon>& polygons);

    bool solid_ = false;
    bool found_ = false;  // whether the fields below describe some polygons yet
    // What the last polygons held: their sizes, and every vertex's position and link in order.
    std::vector<std::size_t> sizes_;
    std::vector<Vector4D> positions_;
    std::vector<int32_t> links_;
    std::vector<Vector4D> corners_;
    std::vector<int> first_, faceCorners_;
};
