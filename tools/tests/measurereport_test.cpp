#include "tools/measurereport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tools/queryculler.h"

namespace {

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(line);
    while (std::getline(stream, part, ',')) parts.push_back(part);
    return parts;
}

// Lines of text, each without its newline; fails the test on an unterminated last line.
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::string line;
    std::istringstream stream(text);
    while (std::getline(stream, line)) result.push_back(line);
    EXPECT_TRUE(text.empty() || text.back() == '\n') << "unterminated line";
    return result;
}

ViewRecord sampleRecord() {
    ViewRecord r;
    r.camera.rotX = -60.0f;
    r.camera.rotZ = 45.5f;
    r.camera.zoom = -3.0f;
    r.camera.panX = 20.0f;
    r.camera.panY = -10.0f;
    r.culling[0] = {18, 207, 121, 2, 86};
    r.culling[1] = {18, 207, 5, 0, 202};
    r.culling[2] = {18, 207, 130, 0, 77};
    r.queries = {18, 207, 158, 0, 49};
    r.truthMs = 17.25;
    r.runs[0].frameMs = 2.5;
    r.runs[0].stageMs[kOverlays] = 0.75;
    r.runs[1].gridFillMs = 0.125;
    r.runs[2].stageMs[kDecide] = 0.0625;
    r.sequenceOverheadMs[3] = 0.03125;
    return r;
}

TEST(MeasureReport, ViewCsvRowsMatchTheHeader) {
    std::ostringstream out;
    writeCsvHeader(out);
    writeCsvRow(out, 3, sampleRecord());
    const std::vector<std::string> text = lines(out.str());
    ASSERT_EQ(text.size(), 2u);
    const std::vector<std::string> header = fields(text[0]);
    const std::vector<std::string> row = fields(text[1]);
    ASSERT_EQ(row.size(), header.size());
    auto column = [&](const std::string& name) -> std::string {
        for (std::size_t k = 0; k < header.size(); ++k) {
            if (header[k] == name) return row[k];
        }
        ADD_FAILURE() << "no column " << name;
        return "";
    };
    // The counts come first, in the order the smoke test and the plots read them.
    EXPECT_EQ(
        text[0].rfind("view,rotX,rotZ,zoom,panX,panY,objects,visible,hidden,hom_culled,hom_false,"
                      "hom_missed,cons_culled,cons_false,cons_missed,dmap_culled,dmap_false,"
                      "dmap_missed,raster_culled,raster_false,raster_missed,queries_drawn,"
                      "queries_false,",
                      0),
        0u);
    EXPECT_EQ(column("view"), "3");
    EXPECT_EQ(column("rotZ"), "45.5");
    EXPECT_EQ(column("panY"), "-10");
    EXPECT_EQ(column("objects"), "225");
    EXPECT_EQ(column("hom_false"), "2");
    EXPECT_EQ(column("cons_missed"), "202");
    // The queries' column counts the objects drawn: all minus the culled.
    EXPECT_EQ(column("queries_drawn"), "67");
    EXPECT_EQ(column("truth_ms"), "17.25");
    EXPECT_EQ(column("hom_ms"), "2.5");
    EXPECT_EQ(column("hom_overlays_ms"), "0.75");
    EXPECT_EQ(column("cons_gridfill_ms"), "0.125");
    EXPECT_EQ(column("cons_overlays_ms"), "0");
    EXPECT_EQ(column("dmap_culled"), "130");
    EXPECT_EQ(column("dmap_decide_ms"), "0.0625");
    EXPECT_EQ(column("raster_sequence_overhead_ms"), "0.03125");
    EXPECT_EQ(column("dmap_sequence_overhead_ms"), "0");
}

TEST(MeasureReport, FalseCullAndObjectFiles) {
    {
        std::ostringstream out;
        writeFalseCullHeader(out);
        writeFalseCullRow(out, {1, sampleRecord().camera, "hom", 119, 131, {31, 100}});
        const std::vector<std::string> text = lines(out.str());
        ASSERT_EQ(text.size(), 2u);
        EXPECT_EQ(fields(text[0]).size(), fields(text[1]).size());
        EXPECT_EQ(text[1], "1,-60,45.5,-3,20,-10,hom,119,131,31,100");
    }
    {
        // Objects: an occluder (no row), then three non-occluders with every flag combination
        // the rows must tell apart.
        ViewRecord r = sampleRecord();
        r.runs[0].culled = {false, true, false, true};
        r.runs[1].culled = {false, false, true, true};
        r.runs[2].culled = {false, true, true, false};
        r.runs[3].culled = {false, false, false, true};
        std::ostringstream out;
        writeObjectHeader(out);
        writeObjectRows(out, 5, r, {true, false, false, false}, {40, 0, 7, 12},
                        {true, false, true, false});
        const std::vector<std::string> text = lines(out.str());
        ASSERT_EQ(text.size(), 4u);
        EXPECT_EQ(fields(text[0]).size(), fields(text[1]).size());
        EXPECT_EQ(text[0],
                  "view,object,visible_pixels,hom_culled,cons_culled,dmap_culled,"
                  "raster_culled,queries_drawn");
        EXPECT_EQ(text[1], "5,1,0,1,0,1,0,0");
        EXPECT_EQ(text[2], "5,2,7,0,1,1,0,1");
        EXPECT_EQ(text[3], "5,3,12,1,1,0,1,0");
    }
}

TEST(MeasureReport, Descriptions) {
    // The demo grid is 15 boxes a side: object 16 is the second box of the second row.
    Options demo;
    EXPECT_EQ(describeObject(16, demo), "object 16 (grid cell 1, 1)");
    demo.halfCells = 1;
    EXPECT_EQ(describeObject(0, demo), "object 0 (grid cell 0, 0)");
    EXPECT_EQ(describeObject(8, demo), "object 8 (grid cell 2, 2)");
    Options random;
    random.sceneKind = SceneKind::Random;
    EXPECT_EQ(describeObject(8, random), "object 8");
    EXPECT_EQ(describeCamera(sampleRecord().camera), "rotX -60 rotZ 45.5 zoom -3 pan 20 -10");
}

TEST(QueryBoxes, BoundingBoxAndNearEye) {
    Object object;
    object.vertexSet = {Vector4D(1.0f, -2.0f, 0.5f, 1.0f), Vector4D(-1.0f, 3.0f, 0.25f, 1.0f),
                        Vector4D(0.0f, 0.0f, 2.0f, 1.0f)};
    const Box3 box = boundingBox(object);
    EXPECT_EQ(box.low[0], -1.0f);
    EXPECT_EQ(box.low[1], -2.0f);
    EXPECT_EQ(box.low[2], 0.25f);
    EXPECT_EQ(box.high[0], 1.0f);
    EXPECT_EQ(box.high[1], 3.0f);
    EXPECT_EQ(box.high[2], 2.0f);

    // Inside, on the margin's boundary (near), and one float step beyond it on each axis.
    EXPECT_TRUE(eyeNearBox(box, Point3D(0.0f, 0.0f, 1.0f)));
    const float lowX = -1.0f - 0.2f, highZ = 2.0f + 0.2f;
    EXPECT_TRUE(eyeNearBox(box, Point3D(lowX, 3.0f, highZ)));
    EXPECT_FALSE(eyeNearBox(box, Point3D(std::nextafter(lowX, -10.0f), 0.0f, 1.0f)));
    EXPECT_FALSE(eyeNearBox(box, Point3D(0.0f, 0.0f, std::nextafter(highZ, 10.0f))));
    EXPECT_FALSE(eyeNearBox(box, Point3D(0.0f, -2.5f, 1.0f)));

    // No vertices: an empty box that no eye is near.
    const Box3 empty = boundingBox(Object());
    EXPECT_TRUE(std::isinf(empty.low[0]) && empty.low[0] > 0.0f);
    EXPECT_TRUE(std::isinf(empty.high[2]) && empty.high[2] < 0.0f);
    EXPECT_FALSE(eyeNearBox(empty, Point3D(0.0f, 0.0f, 0.0f)));
}

}  // namespace
