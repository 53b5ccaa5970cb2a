// The guide-star pick kept in image coordinates, placing the guiding frame,
// the running RMS and the guiding log.
#include <cmath>
#include <fstream>
#include <sstream>

#include "display/display_fixture.h"
#include "display/picking.h"
#include "guiding/guide_star_pick.h"
#include "guiding/guiding_loops.h"
#include "guiding/guiding_stats.h"

namespace {

class GuideStarPickTest : public DisplayTest {};

// A 400 x 300 image shown binned (200 x 150 displayed): a star at image
// (201, 151) is clicked at displayed (100, 75); the pick keeps (201, 151).
TEST_F(GuideStarPickTest, BinnedDisplayStoresImageCoordinates) {
    SetImage(400, 300, 1000);
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) Px(201 + dx, 151 + dy) = uint16_t(1000 + 30000 / (1 + dx * dx + dy * dy));
    SetBinnedDisplay(true);
    Picking().modes.guideStarPick = true;
    ViewPort v;
    v.clientWidth = 200;
    v.clientHeight = 150;
    v.displayedWidth = 200;
    v.displayedHeight = 150;
    ASSERT_EQ(LeftButtonUp(v, 100, 75), PickResult::Done);
    EXPECT_TRUE(Picking().guideStarPicked);
    EXPECT_EQ(Picking().guideStarX, 201);
    EXPECT_EQ(Picking().guideStarY, 151);
    EXPECT_EQ(MessageTexts().back(), "x position =   201\ny position =   151");
}

// Command 21 toggles the pick; on, it takes the configured search radius; it
// is refused with message 33 while the picture is fitted or centred.
TEST_F(GuideStarPickTest, PickGuideStarTogglesAndTakesTheConfiguredRadius) {
    State().settings.guideStarMaskRadius = 13;
    Picking().guideSearchRadius = 8;
    PickGuideStarCommand();
    EXPECT_TRUE(Picking().modes.guideStarPick);
    EXPECT_EQ(Picking().guideSearchRadius, 13);
    PickGuideStarCommand();
    EXPECT_FALSE(Picking().modes.guideStarPick);
    EXPECT_TRUE(messages.shown.empty());

    ViewOptions().fitToWindow = true;
    PickGuideStarCommand();
    EXPECT_FALSE(Picking().modes.guideStarPick);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown.back().text, "Sorry. Cannot Pick Star in ths display mode");
    ViewOptions().fitToWindow = false;
}

TEST(GuidingFrameTest, PlacementPerAxis) {
    struct Case {
        int x, originX, starX;
    } cases[] = {
        {64, 0, 64},      // x = f: origin 0, star at f
        {65, 1, 64},      // f < x < S - f
        {10, 0, 10},
        {1983, 1919, 64}, // S - f - 1
        {1984, 1920, 64}, // x = S - f: origin S - 2f
        {2040, 1920, 120},
    };
    for (const Case& c : cases) {
        const GuidingFramePlacement p = PlaceGuidingFrame(c.x, 100, 64, 2048, 2048, 1);
        EXPECT_EQ(p.originX, c.originX) << c.x;
        EXPECT_EQ(p.starX, c.starX) << c.x;
    }
    // Offsets: (k x origin) mod 4 and mod 30; x + offset, y - offset.
    const GuidingFramePlacement p = PlaceGuidingFrame(200, 300, 64, 2048, 2048, 2);
    EXPECT_EQ(p.xOffset, (2 * 136) % 4);
    EXPECT_EQ(p.yOffset, (2 * 236) % 30);
    EXPECT_EQ(p.guideX, 2 * 64 + 0);
    EXPECT_EQ(p.guideY, 2 * 64 - 22);
    EXPECT_EQ(PlacementMessage(p),
              "xcent=  128, ycent =   106, focus_x =   136, focus_y =   236,  xoffset =     0, yoffset =    22");
}

TEST(GuidingStatsTest, WindowOfHundredAndWholeRun) {
    GuidingStats s;
    // 100 frames of (0.3, 0.4), then 100 of (0, 0).
    for (int i = 0; i < 100; ++i) s.Add(0.3, 0.4);
    GuidingRms r = s.Rms();
    EXPECT_NEAR(r.ra100, 0.3, 1e-12);
    EXPECT_NEAR(r.dec100, 0.4, 1e-12);
    EXPECT_NEAR(r.total100, 0.5, 1e-12);
    for (int i = 0; i < 100; ++i) s.Add(0, 0);
    r = s.Rms();
    EXPECT_EQ(r.frames100, 100);
    EXPECT_EQ(r.framesRun, 200);
    EXPECT_NEAR(r.total100, 0, 1e-12);
    EXPECT_NEAR(r.totalRun, std::sqrt(0.25 / 2), 1e-12);
    EXPECT_NEAR(r.raRun, std::sqrt(0.09 / 2), 1e-12);
}

class GuidingLogTest : public VelmoraTest {};

TEST_F(GuidingLogTest, HeaderAndOneLinePerFrameNeverOverwrites) {
    const std::string path = home + "/run.csv";
    {
        GuidingLog log;
        ASSERT_TRUE(log.Open(path));
        clock.now += 1500;
        GuidingFrameReport r;
        r.timeMs = clock.now;
        r.starX = 12.3;
        r.starY = 45.6;
        r.errorX = -250;
        r.errorY = 1000;
        r.directionX = 'w';
        r.pulseX = 83;
        r.pulseY = 0;
        log.Write(r, "ok");
        GuidingLog again;
        EXPECT_FALSE(again.Open(path));  // an existing log is never replaced
    }
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), std::string(kGuidingLogHeader) + "\n1.500,12.3,45.6,-0.250,1.000,w,83,,0,0,0,ok\n");
    EXPECT_EQ(GuidingLogName(1'700'000'000), "GUIDE20231114-221320.CSV");
}

}  // namespace
