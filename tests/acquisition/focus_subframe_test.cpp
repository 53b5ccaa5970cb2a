// Focus-frame readings, autochange, the guider frame steps, sub-frame and
// focus-frame placement, and star-aligned summing on synthetic frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "acquisition/auto_merge.h"
#include "acquisition/camera_settings.h"
#include "acquisition/focus.h"
#include "acquisition/subframe.h"
#include "core/state.h"
#include "display/display_state.h"
#include "support/test_env.h"

namespace {

class AcquisitionTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetAcquisition();
        Picking() = PickState{};
    }
};

// A Gaussian star of the given peak on a flat background.
void AddStar(Pixel* image, int width, int height, double cx, double cy, double peak, double sigma) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            const double v = image[size_t(y) * width + x] + peak * std::exp(-d2 / (2 * sigma * sigma));
            image[size_t(y) * width + x] = Pixel(std::min(65535.0, v));
        }
}

TEST(FocusAnalysis, MaxValueAndWidthOfAStar) {
    std::vector<Pixel> frame(128 * 128, 2000);  // high byte 7
    // A star 5 pixels wide above the half-maximum level on row 60.
    for (int y = 55; y <= 65; ++y)
        for (int x = 60; x <= 64; ++x) frame[y * 128 + x] = 30000;
    frame[60 * 128 + 62] = 40000;
    frame[59 * 128 + 62] = 39000;
    const FocusAnalysis a = AnalyseFocusFrame(frame.data());
    EXPECT_EQ(a.mostFrequentHighByte, 7);
    EXPECT_EQ(a.maxValue, 40000);
    EXPECT_EQ(a.starX, 62);
    EXPECT_EQ(a.starY, 60);
    // Level 7 * 128 + 20000 = 20896: columns 60..64 exceed it.
    EXPECT_EQ(a.fwhm, 5);
}

TEST(FocusAnalysis, BrightestNeedsTheRowAbove) {
    std::vector<Pixel> frame(128 * 128, 0);
    frame[50 * 128 + 50] = 60000;  // a lone hot pixel: the row above is dark
    frame[80 * 128 + 90] = 20000;
    frame[79 * 128 + 90] = 20000;
    const FocusAnalysis a = AnalyseFocusFrame(frame.data());
    EXPECT_EQ(a.maxValue, 20000);
    EXPECT_EQ(a.starX, 90);
    // Outside rows 12..125 and columns 5..125 nothing counts.
    std::vector<Pixel> edge(128 * 128, 0);
    edge[5 * 128 + 50] = 60000;
    edge[4 * 128 + 50] = 60000;
    edge[60 * 128 + 127] = 60000;
    edge[59 * 128 + 127] = 60000;
    EXPECT_EQ(AnalyseFocusFrame(edge.data()).maxValue, 0);
}

TEST(FocusRules, RefusalsAndAutochange) {
    EXPECT_TRUE(FocusRefused('h', 100));
    EXPECT_FALSE(FocusRefused('h', 99));
    EXPECT_TRUE(FocusRefused('m', 1));
    char unit = 'h';
    int value = 1;
    // A 10 ms exposure with a peak of 20000 becomes 20 ms, shown as hundredths 2.
    EXPECT_EQ(AutochangeExposure(10, 20000, unit, value), 20);
    EXPECT_EQ(unit, 'h');
    EXPECT_EQ(value, 2);
    // 1000 ms becomes 2000 ms, shown as 2 seconds.
    unit = 's';
    value = 1;
    EXPECT_EQ(AutochangeExposure(1000, 100, unit, value), 2000);
    EXPECT_EQ(unit, 's');
    EXPECT_EQ(value, 2);
    // Above 64000 halved; between the limits unchanged.
    EXPECT_EQ(AutochangeExposure(300, 65000, unit, value), 150);
    EXPECT_EQ(unit, 't');
    EXPECT_EQ(value, 1);
    EXPECT_EQ(AutochangeExposure(9, 40000, unit, value), 9);
    EXPECT_EQ(unit, 'q');
    EXPECT_EQ(value, 9);
    EXPECT_EQ(AutochangeExposure(100000, 100, unit, value), 200000);
    EXPECT_EQ(unit, 'm');
    EXPECT_EQ(value, 3);
}

TEST(GuiderFrame, HistogramDarkAndMedian) {
    const int W = 10, H = 5;
    std::vector<Pixel> frame(W * H, 0x0300);
    for (int i = 0; i < 6; ++i) frame[i] = 0x2000;
    frame[20] = 0x4000;  // counted once only
    int mostFrequent = 0, highest = 0;
    GuiderHistogram(frame.data(), W, H, mostFrequent, highest);
    EXPECT_EQ(mostFrequent, 3);
    EXPECT_EQ(highest, 0x20);
    // Bin 0 never wins the most frequent value.
    std::vector<Pixel> dark(W * H, 0);
    GuiderHistogram(dark.data(), W, H, mostFrequent, highest);
    EXPECT_EQ(mostFrequent, 1);

    std::vector<Pixel> img = {100, 50, 300, 7};
    const std::vector<Pixel> d = {50, 50, 400, 0};
    SubtractGuiderDark(img.data(), d.data(), 2, 2);
    EXPECT_EQ(img, (std::vector<Pixel>{50, 0, 0, 7}));

    std::vector<Pixel> m(5 * 5, 1000);
    for (int i = 0; i < 25; ++i) m[i] = Pixel(1000 + (i % 3));
    m[12] = 9000;  // a hot pixel in the middle
    GuiderMedian(m.data(), 5, 5);
    EXPECT_LT(m[12], 1003);
    EXPECT_EQ(m[0], 1000);  // border untouched
    EXPECT_EQ(GuiderExposureMs('h', 5), 50);
    EXPECT_EQ(GuiderExposureMs('t', 5), 500);
    EXPECT_EQ(GuiderExposureMs('s', 5), 5000);
}

TEST_F(AcquisitionTest, SubFrameBoxes) {
    SubFrameBox b = SubFrameBoxFor(2048, 2048, 2);
    EXPECT_EQ(b.width, 1024);
    b = SubFrameBoxFor(2048, 2048, 3);
    EXPECT_EQ(b.width, 682);
    EXPECT_EQ(b.height, 682);
    b = SubFrameBoxFor(2048, 2048, 4);
    EXPECT_EQ(b.width, 512);
    b = SubFrameBoxFor(1392, 1040, 4);
    EXPECT_EQ(b.width, 348);
    EXPECT_EQ(b.height, 260);
    EXPECT_EQ(SubFrameButtonFor(2), 210);
    EXPECT_EQ(SubFrameButtonFor(3), 211);
    EXPECT_EQ(SubFrameButtonFor(4), 212);
    EXPECT_EQ(SubFrameButtonFor(7), 212);
    SetSubFrameDivisor(3);
    EXPECT_EQ(State().geometry.subFrameBinning, 3);
    EXPECT_EQ(CurrentSubFrameBox().width, 682);
}

TEST_F(AcquisitionTest, CentresAndPickModes) {
    ImageGeometry& g = State().geometry;
    DefaultSubFrameCentre();
    EXPECT_EQ(g.subFrameCentreX, 1024);
    g.binned = true;
    RecomputeGeometry();
    DefaultFocusFrameCentre();
    EXPECT_EQ(g.focusOriginX, 512 - 32);
    EXPECT_EQ(g.focusOriginY, 512 - 32);
    // The sub-frame centre stays in full-frame pixels: the sensor centre.
    g.subFrameCentreY = 7;
    DefaultSubFrameCentre();
    EXPECT_EQ(g.subFrameCentreX, 1024);
    EXPECT_EQ(g.subFrameCentreY, 1024);

    Picking().modes.guideStarPick = true;
    PickSubFrame();
    EXPECT_TRUE(Picking().modes.subFramePick);
    EXPECT_FALSE(Picking().modes.guideStarPick);
    Picking().modes.guideStarPick = true;
    FocusFrameCentre();
    EXPECT_TRUE(Picking().modes.focusFramePick);
    EXPECT_FALSE(Picking().modes.subFramePick);
    EXPECT_FALSE(Picking().modes.guideStarPick);
    // The display stores a focus pick through the hook.
    ASSERT_TRUE(PickingHooks().storeFocusCentre);
    PickingHooks().storeFocusCentre(300, 200);
    EXPECT_EQ(g.focusOriginX, 300 - 32);
    EXPECT_EQ(g.focusOriginY, 200 - 32);
}

class MergeTest : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        ImageGeometry& g = State().geometry;
        g.width = 200;
        g.height = 160;
        g.pixels = 200 * 160;
        State().settings.guideStarMaskRadius = 8;
    }
    void Frame(double cx, double cy, double peak) {
        Pixel* a = State().imageA;
        std::fill(a, a + 200 * 160, Pixel(1000));
        AddStar(a, 200, 160, cx, cy, peak, 1.5);
    }
};

TEST_F(MergeTest, StarAlignedSummingRecoversADriftingStar) {
    Picking().guideStarX = 101;
    Picking().guideStarY = 79;
    AutoMerge merge(1, false);
    Frame(100, 80, 20000);
    ASSERT_EQ(merge.AddFrame(), 0);
    EXPECT_EQ(merge.StarX(), 100);
    EXPECT_EQ(merge.StarY(), 80);
    Frame(103, 82, 20000);  // the mount drifted 3 right, 2 down
    ASSERT_EQ(merge.AddFrame(), 0);
    EXPECT_EQ(merge.StarX(), 103);
    EXPECT_EQ(merge.StarY(), 82);
    Frame(106, 84, 20000);
    ASSERT_EQ(merge.AddFrame(), 0);
    // The sum has one star of three times the peak at the newest position,
    // not a trail.
    const Pixel* a = State().imageA;
    EXPECT_EQ(a[84 * 200 + 106], 3 * 21000);
    EXPECT_LT(a[80 * 200 + 100], 3 * 1000 + 100);
    EXPECT_EQ(State().imageB[84 * 200 + 106], 3 * 21000);
}

TEST_F(MergeTest, FirstRowAndColumnAreSummedToo) {
    Picking().guideStarX = 100;
    Picking().guideStarY = 80;
    AutoMerge merge(1, false);
    Frame(100, 80, 20000);
    ASSERT_EQ(merge.AddFrame(), 0);
    Frame(100, 80, 20000);
    ASSERT_EQ(merge.AddFrame(), 0);
    // No drift: every pixel is the sum of both frames, the edges included.
    const Pixel* a = State().imageA;
    EXPECT_EQ(a[0], 2000);
    EXPECT_EQ(a[50], 2000);               // row 0
    EXPECT_EQ(a[70 * 200], 2000);         // column 0
    EXPECT_EQ(a[159 * 200 + 199], 2000);  // the last pixel
    // With a drift of 3 right and 2 down the running sum still reaches row 0
    // and column 0 of the sum where it lies inside the image.
    Frame(103, 82, 20000);
    ASSERT_EQ(merge.AddFrame(), 0);
    EXPECT_EQ(a[0], 1000);                // its source (-3, -2) is outside
    EXPECT_EQ(a[2 * 200 + 3], 3000);      // its source is pixel (0, 0)
}

TEST_F(MergeTest, AveragingAndLostStar) {
    Picking().guideStarX = 100;
    Picking().guideStarY = 80;
    AutoMerge merge(2, false);
    Frame(100, 80, 20000);
    ASSERT_EQ(merge.AddFrame(), 0);
    EXPECT_EQ(State().imageA[80 * 200 + 100], 21000 / 2);
    Frame(100, 80, 20000);
    ASSERT_EQ(merge.AddFrame(), 0);
    EXPECT_EQ(State().imageA[80 * 200 + 100], 21000);  // the mean of two frames
    EXPECT_EQ(State().imageA[10 * 200 + 10], 1000);
    // A star far fainter than the reference is lost: A gets the sum back.
    Frame(100, 80, 2000);
    EXPECT_EQ(merge.AddFrame(), 1);
    EXPECT_EQ(State().imageA[80 * 200 + 100], 21000);
}

TEST_F(MergeTest, SaturatedSumsClampAt65535) {
    Picking().guideStarX = 100;
    Picking().guideStarY = 80;
    AutoMerge merge(1, false);
    Frame(100, 80, 40000);
    ASSERT_EQ(merge.AddFrame(), 0);
    Frame(100, 80, 40000);
    ASSERT_EQ(merge.AddFrame(), 0);
    EXPECT_EQ(State().imageA[80 * 200 + 100], 65535);
}

TEST_F(MergeTest, CentroidOutsideTheImageIsRefused) {
    int x = 3, y = 80;
    EXPECT_FALSE(WindowCentroid(State().imageA, 200, 160, x, y, 8));
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text, "Find centre failed - outside image area");
    // Touching the right edge exactly is accepted.
    x = 200 - 9;
    EXPECT_TRUE(WindowCentroid(State().imageA, 200, 160, x, y, 8));
}

TEST_F(MergeTest, ProfileRegistrationFollowsTheShift) {
    ImageGeometry& g = State().geometry;
    g.width = 400;
    g.height = 400;
    Pixel* a = State().imageA;
    auto frame = [&](double cx, double cy) {
        std::fill(a, a + 400 * 400, Pixel(1000));
        AddStar(a, 400, 400, cx, cy, 20000, 2.0);
    };
    AutoMerge merge(1, true);
    frame(250, 150);
    ASSERT_EQ(merge.AddFrame(), 0);
    frame(252, 151);  // moved 2 right, 1 down
    ASSERT_EQ(merge.AddFrame(), 0);
    // The new frame is added onto the running sum at the first position.
    EXPECT_EQ(a[150 * 400 + 250], 2 * 21000);
    EXPECT_EQ(State().imageB[150 * 400 + 250], 2 * 21000);
    frame(254, 152);
    ASSERT_EQ(merge.AddFrame(), 0);
    EXPECT_EQ(a[150 * 400 + 250], 3 * 21000);
    // Profiles that no longer differ at shifts -1, 0 and +1 (the star has
    // left the box for two frames): lost, the sum comes back.
    std::fill(a, a + 400 * 400, Pixel(1000));
    EXPECT_EQ(merge.AddFrame(), 0);
    const Pixel sum = a[150 * 400 + 250];
    std::fill(a, a + 400 * 400, Pixel(1000));
    EXPECT_EQ(merge.AddFrame(), 1);
    EXPECT_EQ(a[150 * 400 + 250], sum);
}

TEST_F(MergeTest, ProfileRegistrationFitsAFrameOf230Rows) {
    // The profile box reaches row 229 at most: a frame of 300 x 230 is enough.
    ImageGeometry& g = State().geometry;
    g.width = 300;
    g.height = 230;
    Pixel* a = State().imageA;
    std::fill(a, a + 300 * 230, Pixel(1000));
    AddStar(a, 300, 230, 250, 150, 20000, 2.0);
    AutoMerge merge(1, true);
    EXPECT_EQ(merge.AddFrame(), 0);
    // One row fewer and the box no longer fits.
    g.height = 229;
    AutoMerge small(1, true);
    EXPECT_EQ(small.AddFrame(), 2);
}

TEST_F(MergeTest, ProfileRegistrationWithoutAStarSaysSo) {
    Pixel* a = State().imageA;
    std::fill(a, a + 200 * 160, Pixel(1000));
    State().geometry.width = 400;
    State().geometry.height = 400;
    std::fill(a, a + 400 * 400, Pixel(1000));
    AutoMerge merge(1, true);
    EXPECT_EQ(merge.AddFrame(), 2);
}

}  // namespace
