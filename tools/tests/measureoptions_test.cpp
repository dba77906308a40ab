#include "tools/measureoptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

Options parse(std::vector<std::string> args) {
    args.insert(args.begin(), "measure_culling");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return parseOptions(static_cast<int>(args.size()), argv.data());
}

TEST(MeasureOptions, DefaultsAndEveryOption) {
    {
        const Options o = parse({});
        EXPECT_EQ(o.width, 480);
        EXPECT_EQ(o.height, 480);
        EXPECT_EQ(o.halfCells, kDemoHalfCells);
        EXPECT_EQ(o.spins, 90);
        EXPECT_EQ(o.tilts, (std::vector<float>{-90.0f, -60.0f, -30.0f, 0.0f}));
        EXPECT_EQ(o.zooms, (std::vector<float>{-5.0f, -1.0f, 3.0f, 7.0f}));
        EXPECT_TRUE(o.cameras.empty());
        EXPECT_TRUE(o.csvPath.empty() && o.falseCullPath.empty() && o.objectPath.empty());
        EXPECT_TRUE(o.progress);
    }
    {
        const Options o = parse(
            {"--size", "640x360", "--grid",        "200",      "--spins",   "1",        "--tilts",
             "-45",    "--zooms", "2,4",           "--camera", "-90,0,-5",  "--camera", "1,2,3,4,5",
             "--csv",  "v.csv",   "--false-culls", "f.csv",    "--objects", "o.csv",    "--quiet"});
        EXPECT_EQ(o.width, 640);
        EXPECT_EQ(o.height, 360);
        EXPECT_EQ(o.halfCells, 200);
        EXPECT_EQ(o.spins, 1);
        EXPECT_EQ(o.tilts, (std::vector<float>{-45.0f}));
        EXPECT_EQ(o.zooms, (std::vector<float>{2.0f, 4.0f}));
        ASSERT_EQ(o.cameras.size(), 2u);
        EXPECT_EQ(o.cameras[0].rotX, -90.0f);
        EXPECT_EQ(o.cameras[1].panY, 5.0f);
        EXPECT_EQ(o.csvPath, "v.csv");
        EXPECT_EQ(o.falseCullPath, "f.csv");
        EXPECT_EQ(o.objectPath, "o.csv");
        EXPECT_FALSE(o.progress);
    }
    {
        const Options o = parse({"--scene", "random", "--seed", "4294967295", "--occluder-count",
                                 "0", "--object-count", "12", "--shots", "pictures"});
        EXPECT_EQ(o.sceneKind, SceneKind::Random);
        EXPECT_EQ(o.seed, 4294967295u);
        EXPECT_EQ(o.occluderCount, 0);
        EXPECT_EQ(o.objectCount, 12);
        EXPECT_EQ(o.shotDirectory, "pictures");
        EXPECT_EQ(describeScene(o), "random (seed 4294967295, 0 occluders, 12 objects)");
        EXPECT_EQ(describeScene(parse({"--grid", "35"})), "--grid 35");
    }
}

TEST(MeasureOptionsDeathTest, BadOptionsExitWithStatusTwo) {
    const auto status = testing::ExitedWithCode(2);
    EXPECT_EXIT(parse({"--size", "0x5"}), status, "--size takes WxH");
    EXPECT_EXIT(parse({"--size", "5x5x"}), status, "--size takes WxH");
    EXPECT_EXIT(parse({"--grid", "201"}), status, "--grid takes 1 to 200");
    EXPECT_EXIT(parse({"--grid", "3a"}), status, "--grid takes 1 to 200");
    EXPECT_EXIT(parse({"--spins", "0"}), status, "--spins takes 1 to 100000");
    EXPECT_EXIT(parse({"--tilts", "1,,2"}), status, "bad --tilts list");
    EXPECT_EXIT(parse({"--camera", "1,2"}), status, "bad --camera 1,2");
    EXPECT_EXIT(parse({"--csv"}), status, "--csv needs a value");
    EXPECT_EXIT(parse({"--frobnicate"}), status, "unknown option --frobnicate");
    EXPECT_EXIT(parse({"--help"}), status, "usage: measure_culling");
    EXPECT_EXIT(parse({"--scene", "maze"}), status, "--scene takes demo or random");
    EXPECT_EXIT(parse({"--scene", "random", "--seed", "-1"}), status, "--seed takes 0 to");
    EXPECT_EXIT(parse({"--scene", "random", "--grid", "3"}), status, "demo scene only");
    EXPECT_EXIT(parse({"--object-count", "5"}), status, "need --scene random");
}

}  // namespace
