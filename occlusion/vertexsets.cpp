#include "occlusion/vertexsets.h"

#include <algorithm>

void computeVertexSets(Scene& scene) {
    for (Object& object : scene.objects) {
        std::vector<Vector4D>& set = object.vertexSet;
        for (const Polygon& polygon : object.polygons) {
            for (const Vertex& vertex : polygon) {
                if (std::find(set.begin(), set.end(), vertex.position) == set.end()) {
                    set.push_back(vertex.position);
                }
            }
        }
    }
}
