#include "occlusion/occlusionbuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "math/transformstack.h"
#include "occlusion/edgewalk.h"
#include "occlusion/outline.h"
#include "occlusion/polygonclip.h"
#include "occlusion/tests/rasterreference.h"
#include "occlusion/tilelayers.h"
#include "occlusion/tilemask.h"
#include "occlusion/tilerows.h"
#include "testing/everytarget.h"

namespace {

constexpr int kWidth = 96, kHeight = 72;

// Random triangles of every kind the buffer must handle, in clip coordinates of a perspective
// camera (near 0.1) looking down -z.
class TriangleMaker {
public:
    explicit TriangleMaker(unsigned seed) : random_(seed) {
        camera_.perspective(0.4f, 0.3f, 0.1f, 100.0f);
    }
    std::vector<Vector4D> make(int kind) {
        Vector4D p[3];
        for (Vector4D& v : p) v = point(kind == 2 ? -1.0f : -8.0f, kind == 2 ? 1.5f : -1.0f);
        if (kind == 1) {  // a sliver: the third vertex barely off the line of the first two
            p[2] = Vector4D((p[0].x + p[1].x) / 2 + 1e-3f * uniform(-1, 1), (p[0].y + p[1].y) / 2,
                            (p[0].z + p[1].z) / 2, 1.0f);
        } else if (kind == 3) {  // degenerate: on the line
            const float t = uniform(0, 1);
            p[2] = Vector4D(p[0].x + t * (p[1].x - p[0].x), p[0].y + t * (p[1].y - p[0].y),
                            p[0].z + t * (p[1].z - p[0].z), 1.0f);
        } else if (kind == 4) {  // off to the side
            for (Vector4D& v : p) v.x += 40.0f;
        } else if (kind == 5) {  // through the near plane close to the axis, where it shows
            p[0] = Vector4D(uniform(-0.05f, 0.0f), uniform(-0.05f, 0.05f), -0.03f, 1.0f);
            p[1] = Vector4D(uniform(0.0f, 0.05f), uniform(-0.05f, 0.05f), -0.05f, 1.0f);
            p[2] = Vector4D(uniform(-0.5f, 0.5f), uniform(0.2f, 0.6f), -2.0f, 1.0f);
        }
        std::vector<Vector4D> clip;
        for (const Vector4D& v : p) clip.push_back(camera_.transform(v));
        return clip;
    }

private:
    float uniform(float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(random_);
    }
    Vector4D point(float zLow, float zHigh) {
        return Vector4D(uniform(-3, 3), uniform(-2.5f, 2.5f), uniform(zLow, zHigh), 1.0f);
    }
    std::mt19937 random_;
    TransformStack camera_;
};

// Every pixel the reference image decides: covered in the buffer exactly where it is in the
// image, and never nearer than the image's depth. Reports the first pixel that disagrees (named
// by what and which); returns how many covered pixels were checked.
int checkAgainstReference(const OcclusionBuffer& buffer, const std::vector<ReferencePixel>& image,
                          const char* what, int which) {
    int covered = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const ReferencePixel& r = image[static_cast<size_t>(y) * kWidth + x];
            if (r.undecided) continue;
            const float d = buffer.depthAt(x, y);
            if ((d < 1.0f) != r.covered) {
                ADD_FAILURE() << what << " " << which << " pixel " << x << ", " << y
                              << (r.covered ? " not covered" : " covered");
                return covered;
            }
            if (!r.covered) continue;
            ++covered;
            if (!(static_cast<double>(d) >= r.depth - 1e-7)) {
                ADD_FAILURE() << what << " " << which << " pixel " << x << ", " << y << " reads "
                              << d << ", nearer than " << r.depth;
                return covered;
            }
        }
    }
    return covered;
}

// Kinds 0 to 5: ordinary, sliver, crossing the eye plane, degenerate, off-screen, crossing the
// near plane where it shows. Each round draws a dozen triangles of every kind into one buffer
// (half of them facing away), and every pixel the reference decides must agree in coverage and,
// where covered, never read nearer than the truth. Nor may it read farther than the farthest
// triangle over its tile could make it: the triangle's depths over the tile's pixels it covers,
// extended across the tile by the depth's slope.
TEST(OcclusionBuffer, AgreesWithTheBruteForceReferenceOnRandomTriangles) {
    constexpr int kTile = OcclusionBuffer::kTile;
    int decidedCovered = 0, crossing = 0, boundedTiles = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        TriangleMaker maker(seed);
        std::vector<std::vector<Vector4D>> triangles;
        for (int k = 0; k < 12; ++k) triangles.push_back(maker.make(k % 6));
        OcclusionBuffer buffer;
        buffer.resize(kWidth, kHeight);
        std::vector<std::vector<ReferencePixel>> alone;
        for (const std::vector<Vector4D>& t : triangles) {
            buffer.drawPolygon(t.data(), 3);
            alone.push_back(referenceImage({t}, kWidth, kHeight));
            bool behind = false, front = false;
            for (const Vector4D& v : t) (v.w > 0 ? front : behind) = true;
            crossing += behind && front ? 1 : 0;
        }
        decidedCovered += checkAgainstReference(buffer, referenceImage(triangles, kWidth, kHeight),
                                                "seed", static_cast<int>(seed));
        for (int ty = 0; ty < kHeight / kTile; ++ty) {
            for (int tx = 0; tx < kWidth / kTile; ++tx) {
                double ceiling = 0.0;
                bool decided = true;
                for (const std::vector<ReferencePixel>& own : alone) {
                    for (int k = 0; k < kTile * kTile; ++k) {
                        const ReferencePixel& r =
                            own[static_cast<size_t>(ty * kTile + k / kTile) * kWidth + tx * kTile +
                                k % kTile];
                        decided = decided && !r.undecided;
                        if (r.covered) ceiling = std::max(ceiling, r.depth + kTile * r.slope);
                    }
                }
                if (!decided) continue;
                ++boundedTiles;
                for (int k = 0; k < kTile * kTile; ++k) {
                    const float d = buffer.depthAt(tx * kTile + k % kTile, ty * kTile + k / kTile);
                    if (d == 1.0f) continue;
                    ASSERT_LE(d, ceiling + 1e-5) << "seed " << seed << " tile " << tx << ", " << ty;
                }
            }
        }
    }
    EXPECT_GT(decidedCovered, 5000);
    EXPECT_GT(crossing, 10);
    EXPECT_GT(boundedTiles, 500);
}

// A near square, then triangles behind it: those it hides entirely are passed over, and the
// others must still cover every pixel they reach out past it, however few.
TEST(OcclusionBuffer, TrianglesBehindWhatIsDrawnStillCoverWhereTheyShow) {
    const std::vector<Vector4D> square = {{-0.5f, -0.5f, -0.5f, 1.0f},
                                          {0.5f, -0.5f, -0.5f, 1.0f},
                                          {0.5f, 0.5f, -0.5f, 1.0f},
                                          {-0.5f, 0.5f, -0.5f, 1.0f}};
    std::mt19937 random(21);
    std::uniform_real_distribution<float> centre(-0.65f, 0.65f), size(0.01f, 0.2f),
        depth(-0.4f, 0.9f);
    int hiddenWhole = 0, showingFew = 0;
    for (int round = 0; round < 6; ++round) {
        OcclusionBuffer buffer;
        buffer.resize(kWidth, kHeight);
        buffer.drawPolygon(square.data(), 4);
        std::vector<std::vector<Vector4D>> triangles = {{square[0], square[1], square[2]},
                                                        {square[0], square[2], square[3]}};
        const std::vector<ReferencePixel> hidden = referenceImage(triangles, kWidth, kHeight);
        for (int k = 0; k < 100; ++k) {
            const float x = centre(random), y = centre(random), s = size(random);
            const std::vector<Vector4D> t = {{x - s, y - s, depth(random), 1.0f},
                                             {x + s, y - s * 0.5f, depth(random), 1.0f},
                                             {x, y + s, depth(random), 1.0f}};
            buffer.drawPolygon(t.data(), 3);
            triangles.push_back(t);
            int showing = 0, reached = 0;
            const std::vector<ReferencePixel> own = referenceImage({t}, kWidth, kHeight);
            for (std::size_t i = 0; i < own.size(); ++i) {
                reached += own[i].covered ? 1 : 0;
                showing += own[i].covered && !hidden[i].covered ? 1 : 0;
            }
            hiddenWhole += reached > 0 && showing == 0 ? 1 : 0;
            showingFew += showing > 0 && showing <= 3 ? 1 : 0;
        }
        checkAgainstReference(buffer, referenceImage(triangles, kWidth, kHeight), "round", round);
    }
    EXPECT_GT(hiddenWhole, 100);
    EXPECT_GT(showingFew, 20);
}

// Two triangles sharing an edge (the halves of a quad) cover every pixel of the quad exactly
// once: none is missed, whatever the slope of the diagonal.
TEST(OcclusionBuffer, TrianglesSharingAnEdgeLeaveNoCrack) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> u(-0.9f, 0.9f);
    for (int trial = 0; trial < 50; ++trial) {
        const Vector4D a(u(random), -0.95f, 0.5f, 1), b(0.95f, u(random), 0.5f, 1);
        const Vector4D c(u(random), 0.95f, 0.5f, 1), d(-0.95f, u(random), 0.5f, 1);
        OcclusionBuffer whole, halves;
        whole.resize(kWidth, kHeight);
        halves.resize(kWidth, kHeight);
        const Vector4D quad[4] = {a, b, c, d}, first[3] = {a, b, c}, second[3] = {a, c, d};
        whole.drawPolygon(quad, 4);
        halves.drawPolygon(first, 3);
        halves.drawPolygon(second, 3);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                ASSERT_EQ(whole.depthAt(x, y) < 1.0f, halves.depthAt(x, y) < 1.0f)
                    << "trial " << trial << " pixel " << x << ", " << y;
            }
        }
    }
}

// The tile hierarchy, and the tiles alone, give the answers of a scan over every pixel, and a
// cleared buffer is far.
TEST(OcclusionBuffer, RectangleAnswersMatchAScanOfEveryPixel) {
    TriangleMaker maker(99);
    std::mt19937 random(5);
    std::uniform_int_distribution<int> coordinate(-10, kWidth + 10);
    std::uniform_real_distribution<float> depth(0.9f, 1.0f);
    std::uniform_int_distribution<int> extent(0, 40);
    // Random rectangles (of any size, or small ones) against the buffer; counts the answers of
    // each kind.
    struct Kinds {
        int hidden = 0, covered = 0, seenAndUncovered = 0;
    };
    const auto check = [&](OcclusionBuffer& buffer, bool small) {
        Kinds kinds;
        for (int query = 0; query < 3000; ++query) {
            const int x0 = coordinate(random), y0 = coordinate(random);
            const int x1 = small ? x0 + extent(random) : coordinate(random);
            const int y1 = small ? y0 + extent(random) : coordinate(random);
            const float z = depth(random);
            OcclusionBuffer::RectAnswer expected;
            // The rectangles whose answer the order of the scan could change: corners covered,
            // some pixel not in front and some uncovered.
            bool seen = false;
            const auto coveredAt = [&](int x, int y) { return buffer.depthAt(x, y) < 1.0f; };
            const bool corners =
                coveredAt(x0, y0) && coveredAt(x1, y0) && coveredAt(x0, y1) && coveredAt(x1, y1);
            for (int y = std::max(0, y0); y <= std::min(kHeight - 1, y1); ++y) {
                for (int x = std::max(0, x0); x <= std::min(kWidth - 1, x1); ++x) {
                    const float d = buffer.depthAt(x, y);
                    expected.covered = expected.covered && d < 1.0f;
                    expected.hidden = expected.hidden && d < 1.0f && d < z;
                    seen = seen || (d < 1.0f && !(d < z));
                }
            }
            const OcclusionBuffer::RectAnswer answer = buffer.testRect(x0, x1, y0, y1, z);
            EXPECT_EQ(answer.covered, expected.covered) << "query " << query;
            EXPECT_EQ(answer.hidden, expected.hidden) << "query " << query;
            EXPECT_EQ(buffer.hides(x0, x1, y0, y1, z), expected.hidden) << "query " << query;
            if (answer.covered != expected.covered || answer.hidden != expected.hidden) break;
            kinds.hidden += answer.hidden && x0 <= x1 && y0 <= y1 ? 1 : 0;
            kinds.covered += answer.covered && !answer.hidden ? 1 : 0;
            kinds.seenAndUncovered += corners && seen && !expected.covered ? 1 : 0;
        }
        return kinds;
    };
    // Small triangles, facing the eye, leave holes between them: small rectangles are seen in
    // part and uncovered in part.
    OcclusionBuffer buffer;
    buffer.resize(kWidth, kHeight);
    std::uniform_real_distribution<float> device(-1.0f, 1.0f), step(-0.3f, 0.3f), far(0.6f, 1.0f);
    for (int k = 0; k < 150; ++k) {
        const float x = device(random), y = device(random);
        Vector4D t[3] = {{x, y, far(random), 1},
                         {x + step(random), y + step(random), far(random), 1},
                         {x + step(random), y + step(random), far(random), 1}};
        if ((t[1].x - t[0].x) * (t[2].y - t[0].y) < (t[2].x - t[0].x) * (t[1].y - t[0].y)) {
            std::swap(t[1], t[2]);
        }
        buffer.drawPolygon(t, 3);
    }
    EXPECT_GT(check(buffer, true).seenAndUncovered, 20);
    buffer.clear();
    for (int k = 0; k < 40; ++k) {
        const std::vector<Vector4D> t = maker.make(0);
        buffer.drawPolygon(t.data(), 3);
    }
    const Kinds kinds = check(buffer, false);
    EXPECT_GT(kinds.hidden, 20);
    EXPECT_GT(kinds.covered, 20);
    // Outlines of random points, within the window and across its edges: hidden exactly when
    // every pixel of the rows' spans (occlusion/outline.h) lies in front.
    std::uniform_real_distribution<double> place(-10.0, kWidth + 10.0), spread(0.0, 30.0);
    int outlinesHidden = 0, outlinesSeen = 0;
    for (int query = 0; query < 2000; ++query) {
        double x[6], y[6], hx[6], hy[6];
        const double cx = place(random), cy = place(random), size = spread(random);
        for (int k = 0; k < 6; ++k) {
            x[k] = cx + size * (std::uniform_real_distribution<double>(-0.5, 0.5)(random));
            y[k] = cy + size * (std::uniform_real_distribution<double>(-0.5, 0.5)(random));
        }
        OutlineRows outline;
        ASSERT_TRUE(outline.set(hx, hy, convexHull(x, y, 6, hx, hy)));
        const float z = depth(random);
        bool expected = true;
        for (int row0 = 0; row0 < kHeight; row0 += OutlineRows::kRows) {
            int16_t first[OutlineRows::kRows], last[OutlineRows::kRows];
            outline.spans(row0, kWidth, first, last);
            for (int r = 0; r < OutlineRows::kRows && row0 + r < kHeight; ++r) {
                for (int px = first[r]; px <= last[r]; ++px) {
                    const float d = buffer.depthAt(px, row0 + r);
                    expected = expected && d < 1.0f && d < z;
                }
            }
        }
        ASSERT_EQ(buffer.hidesOutline(outline, z), expected) << "query " << query;
        outlinesHidden += expected ? 1 : 0;
        outlinesSeen += expected ? 0 : 1;
    }
    EXPECT_GT(outlinesHidden, 20);
    EXPECT_GT(outlinesSeen, 20);
    buffer.clear();
    EXPECT_EQ(buffer.depthAt(kWidth / 2, kHeight / 2), 1.0f);
    EXPECT_FALSE(buffer.testRect(0, 3, 0, 3, 0.99f).covered);
    // A window too wide for the buffer: nothing is drawn, nothing reads covered.
    const Vector4D screen[4] = {{-1, -1, 0, 1}, {1, -1, 0, 1}, {1, 1, 0, 1}, {-1, 1, 0, 1}};
    buffer.resize(OcclusionBuffer::kMaxSide + 1, 8);
    buffer.drawPolygon(screen, 4);
    EXPECT_FALSE(buffer.testRect(0, 20000, 0, 7, 0.99f).covered);
    buffer.resize(64, 8);
    buffer.drawPolygon(screen, 4);
    EXPECT_TRUE(buffer.testRect(0, 63, 0, 7, 0.99f).hidden);
}

// A rectangle over all four blocks of the window, seen in its first row of blocks: its
// coverage is settled in every block, wherever the one uncovered pixel lies.
TEST(OcclusionBuffer, CoverageOfASeenRectangleCountsEveryBlock) {
    // A window rectangle [x0, x1) by [y0, y1) of pixels at window depth `depth`.
    const auto fill = [](OcclusionBuffer& buffer, int x0, int x1, int y0, int y1, float depth) {
        const auto dx = [](int x) { return 2.0f * static_cast<float>(x) / kWidth - 1.0f; };
        const auto dy = [](int y) { return 2.0f * static_cast<float>(y) / kHeight - 1.0f; };
        const float z = 2.0f * depth - 1.0f;
        const Vector4D quad[4] = {{dx(x0), dy(y0), z, 1}, {dx(x1), dy(y0), z, 1},
                                  {dx(x1), dy(y1), z, 1}, {dx(x0), dy(y1), z, 1}};
        buffer.drawPolygon(quad, 4);
    };
    constexpr int kBlockSide = 64;  // pixels of a block of tiles
    static_assert(kWidth > kBlockSide && kHeight > kBlockSide);
    for (const auto& [hx, hy] : {std::pair{20, 30}, {80, 30}, {20, 68}, {80, 68}}) {
        // The first row of blocks far, the second near, and a hole at (hx, hy).
        OcclusionBuffer buffer;
        buffer.resize(kWidth, kHeight);
        const auto band = [&](int y0, int y1, float depth) {
            if (hy < y0 || hy >= y1) {
                fill(buffer, 0, kWidth, y0, y1, depth);
                return;
            }
            fill(buffer, 0, hx, y0, y1, depth);
            fill(buffer, hx + 1, kWidth, y0, y1, depth);
            fill(buffer, hx, hx + 1, y0, hy, depth);
            fill(buffer, hx, hx + 1, hy + 1, y1, depth);
        };
        band(0, kBlockSide, 0.9f);
        band(kBlockSide, kHeight, 0.5f);
        ASSERT_EQ(buffer.depthAt(hx, hy), 1.0f);
        ASSERT_LT(buffer.depthAt(hx + 1, hy), 1.0f);
        ASSERT_LT(buffer.depthAt(hx, hy + 1), 1.0f);
        ASSERT_GE(buffer.depthAt(10, 10), 0.9f);  // seen in the first row of blocks
        const OcclusionBuffer::RectAnswer answer = buffer.testRect(10, 90, 10, 70, 0.7f);
        EXPECT_FALSE(answer.covered) << "hole at " << hx << ", " << hy;
        EXPECT_FALSE(answer.hidden) << "hole at " << hx << ", " << hy;
        EXPECT_TRUE(buffer.testRect(10, 90, 10, hy - 1, 0.7f).covered);
    }
}

// Inputs the fuzz target found: a drawn pixel must read as covered.
TEST(OcclusionBuffer, PolygonsAtTheFarPlaneOrWithoutAnExactPlaneStillCover) {
    {
        // At the far plane: depth 1 plus the rounding allowance stays just below the far value.
        const Vector4D atFar[3] = {{-0.5f, -0.5f, 1, 1}, {0.5f, -0.5f, 1, 1}, {0, 0.5f, 1, 1}};
        OcclusionBuffer buffer;
        buffer.resize(8, 8);
        buffer.drawPolygon(atFar, 3);
        EXPECT_LT(buffer.depthAt(4, 3), 1.0f);
    }
    {
        // Clipped to a sliver whose exact vertices are collinear; snapped, it covers pixel 6.
        const Vector4D sliver[3] = {{7.9375f, 7.9375f, -0.3125f, -0.3125f},
                                    {-0.3125f, -0.3125f, -0.3125f, -0.3125f},
                                    {-0.3125f, -0.3125f, -0.3125f, 1.625f}};
        OcclusionBuffer buffer;
        buffer.resize(13, 1);
        std::vector<OcclusionBuffer::WindowVertex> polygon;
        ASSERT_TRUE(buffer.windowPolygon(sliver, 3, polygon));
        buffer.drawPolygon(sliver, 3);
        EXPECT_EQ(buffer.depthAt(6, 0) < 1.0f, snappedPolygonCovers(polygon, 6, 0));
        EXPECT_TRUE(snappedPolygonCovers(polygon, 6, 0));
    }
}

// Spans reaching into, across, short of and past the tile, empty rows included, and spans far
// beyond a byte's reach of the tile.
TEST(TileMask, VectorVersionsGiveTheScalarAnswers) {
    forEveryTarget([] {
        std::mt19937 random(11);
        std::uniform_int_distribution<int> column(0, 40), origin(0, 4), far(0, 16384);
        int partial = 0;
        for (int trial = 0; trial < 5000; ++trial) {
            int16_t first[kMaskSide], last[kMaskSide];
            const bool wide = trial % 5 == 0;
            const int width = wide ? 16385 : 40;  // beyond every column
            for (int r = 0; r < kMaskSide; ++r) {
                first[r] = static_cast<int16_t>(wide ? far(random) : column(random));
                last[r] = static_cast<int16_t>((wide ? far(random) : column(random)) - 1);
            }
            const int x0 = wide ? 8192 : origin(random) * kMaskSide;
            const uint64_t mask = tileMaskScalar(first, last, x0);
            ASSERT_EQ(tileMaskVector(first, last, x0), mask) << "trial " << trial;
            const SpanExtent a = spanExtentScalar(first, last, width),
                             b = spanExtentSse2(first, last, width);
            ASSERT_EQ(std::vector<int>({a.reachFirst, a.reachLast, a.everyFirst, a.everyLast}),
                      std::vector<int>({b.reachFirst, b.reachLast, b.everyFirst, b.everyLast}))
                << "trial " << trial;
            partial += mask != 0 && mask != kFullMask ? 1 : 0;
        }
        EXPECT_GT(partial, 1000);
    });
}

// Layers in every state (unreached, far only, with a near layer nearer or farther than the
// polygon), merged whole by runs of every length: the same layers. Reset after runs of marks,
// however they fall within and across a row's words, they are all unreached again.
TEST(TileLayers, VectorMergeGivesTheScalarLayers) {
    forEveryTarget([] {
        std::mt19937 random(13);
        std::uniform_real_distribution<float> depth(0.0f, 1.0f);
        std::uniform_int_distribution<int> state(0, 3), length(0, 37);
        constexpr int kTiles = 40;
        int changed = 0;
        for (int trial = 0; trial < 2000; ++trial) {
            TileLayers scalar;
            scalar.assign(kTiles, 1);
            for (std::size_t i = 0; i < kTiles; ++i) {
                const int kind = state(random);
                if (kind == 0) continue;  // unreached
                scalar.farDepth[i] = depth(random);
                if (kind >= 2) {
                    scalar.nearMask[i] = random() | 1u, scalar.nearDepth[i] = depth(random);
                }
            }
            TileLayers vector = scalar;
            const int count = length(random);
            const std::size_t first = static_cast<std::size_t>(trial % 3);
            std::uniform_real_distribution<double> unit(0.0, 1.0);
            const DepthRamp ramp{unit(random) * 1.2 - 0.1, (unit(random) - 0.5) * 0.1,
                                 unit(random) * 1.1, 1e-6};
            const std::vector<float> before = scalar.farDepth;
            mergeWholeScalar(scalar, first, count, ramp);
            mergeWholeVector(vector, first, count, ramp);
            ASSERT_EQ(vector.farDepth, scalar.farDepth) << "trial " << trial;
            ASSERT_EQ(vector.nearDepth, scalar.nearDepth) << "trial " << trial;
            ASSERT_EQ(vector.nearMask, scalar.nearMask) << "trial " << trial;
            changed += scalar.farDepth != before ? 1 : 0;
        }
        EXPECT_GT(changed, 1000);
    });
    constexpr int kAcross = 150, kUp = 5;  // three words to a row
    std::mt19937 random(29);
    std::uniform_int_distribution<int> row(0, kUp - 1), column(0, kAcross - 1);
    for (int trial = 0; trial < 200; ++trial) {
        TileLayers layers;
        layers.assign(kAcross, kUp);
        for (int run = 0; run < 1 + trial % 9; ++run) {
            const int ty = row(random), a = column(random), b = column(random);
            layers.reach(ty, std::min(a, b), std::max(a, b));
            for (int tx = std::min(a, b); tx <= std::max(a, b); ++tx) {
                const std::size_t i = static_cast<std::size_t>(ty * kAcross + tx);
                layers.farDepth[i] = 0.5f, layers.nearMask[i] = 1;
            }
        }
        layers.reset();
        ASSERT_EQ(layers.farDepth, std::vector<float>(kAcross * kUp + TileLayers::kSpare, 1.0f));
        ASSERT_EQ(layers.nearMask, std::vector<uint64_t>(kAcross * kUp + TileLayers::kSpare, 0));
    }
}

// Edges of every slope, steep and shallow, rising and falling, with rows left over after the
// groups, and some whose bounds or divisor leave 32 bits, one to three to a call: the same
// columns either way, and no row past an edge's last one changed.
TEST(EdgeWalk, VectorStepsGiveTheScalarColumns) {
    forEveryTarget([] {
        std::mt19937 random(19);
        std::uniform_int_distribution<int64_t> value(-3000, 3000), divisor(256, 256 * 4000),
            quotient(-60, 60), rows(0, 300), column(-1, 500);
        for (int trial = 0; trial < 3000; ++trial) {
            EdgeStep edges[3];
            const std::size_t count = 1 + static_cast<std::size_t>(trial % 3);
            for (std::size_t k = 0; k < count; ++k) {
                EdgeStep& e = edges[k];
                e.firstRow = static_cast<int>(rows(random) % 7);
                e.lastRow = e.firstRow + static_cast<int>(rows(random)) - 1;
                e.value = value(random) * (trial % 50 == 0 ? int64_t{1} << 33 : 1);
                e.divisor = divisor(random) * (trial % 50 == 1 ? int64_t{1} << 12 : 1);
                e.rest = std::uniform_int_distribution<int64_t>(0, e.divisor - 1)(random);
                e.quotientStep = quotient(random);
                e.carryStep = std::uniform_int_distribution<int64_t>(0, e.divisor - 1)(random);
            }
            std::vector<int16_t> first(320), last(320);
            for (std::size_t r = 0; r < first.size(); ++r) {
                first[r] = static_cast<int16_t>(std::max<int64_t>(0, column(random)));
                last[r] = static_cast<int16_t>(column(random));
            }
            std::vector<int16_t> first2 = first, last2 = last;
            for (std::size_t k = 0; k < count; ++k) {
                raiseFirstColumnsScalar(edges[k], first.data(), 480);
                lowerLastColumnsScalar(edges[k], last.data());
            }
            raiseFirstColumns(edges, count, first2.data(), 480);
            lowerLastColumns(edges, count, last2.data());
            ASSERT_EQ(first2, first) << "trial " << trial;
            ASSERT_EQ(last2, last) << "trial " << trial;
        }
    });
}

TEST(ClipPolygon, KeepsWhatLiesBeyondTheNearPlaneAndDropsWhatLiesBefore) {
    std::vector<Vector4D> out, scratch;
    // A triangle through the near plane (z = -w): one vertex before it.
    const Vector4D crossing[3] = {{0, 0, 0.5f, 1}, {0.5f, 0, 0.5f, 1}, {0, 0, -2, 1}};
    clipPolygon(crossing, 3, out, scratch);
    ASSERT_EQ(out.size(), 4u);
    for (const Vector4D& v : out) EXPECT_GE(v.z + v.w, -1e-6f);
    // Wholly before it, or with a NaN: nothing.
    const Vector4D before[3] = {{0, 0, -2, 1}, {1, 0, -2, 1}, {0, 1, -2, 1}};
    clipPolygon(before, 3, out, scratch);
    EXPECT_TRUE(out.empty());
    const Vector4D broken[3] = {{0, 0, 0, 1}, {std::nanf(""), 0, 0, 1}, {0, 1, 0, 1}};
    clipPolygon(broken, 3, out, scratch);
    for (const Vector4D& v : out) EXPECT_FALSE(std::isnan(v.x));
}

}  // namespace
