#include "display/photometry.h"

#include "core/messages.h"
#include "display/display_fixture.h"
#include "display/picking.h"

namespace {

class PhotometryTest : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        SetBinnedDisplay(false);
        SetImage(40, 30, 100);
        ASSERT_EQ(StartPhotometry(), 0);
    }
    void TearDown() override {
        FinishPhotometry();
        DisplayTest::TearDown();
    }
    bool Measure(int x, int y) { return MeasureAt(State().imageA, 40, 30, x, y); }
    PhotometryFigures Figures() const { return ComputePhotometry(Photometry(), Picking().maskRadius, BlackPoint()); }
};

}  // namespace

TEST_F(PhotometryTest, StartSetsMaskFourAndClearsEverything) {
    SetMaskRadius(2);
    SelectMeasurement('b');
    ASSERT_TRUE(Measure(10, 10));
    FinishPhotometry();
    ASSERT_EQ(StartPhotometry(), 0);
    EXPECT_EQ(Picking().maskRadius, 4);
    EXPECT_TRUE(Picking().modes.photometry);
    const PhotometryRecord& p = Photometry();
    EXPECT_EQ(p.selected, 'o');
    EXPECT_FALSE(p.backgroundMeasured);
    EXPECT_EQ(p.background.sum, 0);
    EXPECT_EQ(p.background.x, 0);
}

TEST_F(PhotometryTest, StartRefusals) {
    const struct {
        const char* name;
        void (*set)();
        int message;
    } cases[] = {
        {"merging", [] { Picking().modes.merging = true; }, 35},
        {"row profile", [] { Picking().modes.rowProfile = true; }, 35},
        {"fit", [] { ViewOptions().fitToWindow = true; }, 36},
        {"centre", [] { ViewOptions().centreImage = true; }, 36},
        {"already on", [] {}, 37},
    };
    for (const auto& c : cases) {
        ResetDisplayState();
        Picking().modes.photometry = c.message == 37;
        messages.shown.clear();
        c.set();
        Picking().maskRadius = 6;
        EXPECT_EQ(StartPhotometry(), c.message) << c.name;
        EXPECT_EQ(Picking().maskRadius, 6) << c.name;  // nothing changed
        ASSERT_EQ(messages.shown.size(), 1u) << c.name;
        EXPECT_EQ(messages.shown[0].text, MessageText(c.message)) << c.name;
    }
}

TEST_F(PhotometryTest, SinglePixelMaskSumsOnePixel) {
    SetMaskRadius(0);
    Px(7, 9) = 1234;
    ASSERT_TRUE(Measure(7, 9));
    EXPECT_EQ(Photometry().object.sum, 1234);
    EXPECT_EQ(Photometry().object.x, 7);
    EXPECT_EQ(Photometry().object.y, 9);
    EXPECT_EQ(Figures().objectMean, 1234);
    EXPECT_EQ(FormatMean(Figures().objectMean), "   1234");
}

TEST_F(PhotometryTest, SquareMaskSumAndIntegerMean) {
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) Px(x, y) = uint16_t(x + 100 * y);
    SetMaskRadius(2);
    SelectMeasurement('c');
    ASSERT_TRUE(Measure(10, 10));
    EXPECT_EQ(Photometry().comparison.sum, 25 * 1010);
    EXPECT_EQ(Photometry().object.sum, 0);
    Px(10, 10) += 24;  // 25274 / 25 = 1010 (integer division)
    ASSERT_TRUE(Measure(10, 10));
    EXPECT_EQ(Photometry().comparison.sum, 25274);
    EXPECT_EQ(Figures().comparisonMean, 1010);
}

TEST_F(PhotometryTest, MagnitudeDifferenceFromTheSums) {
    SetMaskRadius(0);
    Px(5, 5) = 4000;
    Px(20, 5) = 1000;
    BlackPoint() = 3;
    EXPECT_EQ(FormatMean(Figures().backgroundLevel), "    768");  // black point x 256 until measured
    Measure(5, 5);
    EXPECT_EQ(FormatMagnitude(Figures()), "");  // no comparison yet
    SelectMeasurement('c');
    Measure(20, 5);
    EXPECT_NEAR(Figures().magnitude, -1.50515, 1e-5);
    EXPECT_EQ(FormatMagnitude(Figures()), "-1.51");
    // A background below both sums enters the formula: -2.5 log10(3001 / 1).
    Px(30, 20) = 999;
    SelectMeasurement('b');
    Measure(30, 20);
    EXPECT_EQ(FormatMagnitude(Figures()), "-8.69");
    EXPECT_EQ(Figures().backgroundLevel, 999);
    // Equal to the comparison: the field empties.
    Px(30, 20) = 1000;
    Measure(30, 20);
    EXPECT_FALSE(Figures().haveMagnitude);
    EXPECT_EQ(FormatMagnitude(Figures()), "");
}

TEST_F(PhotometryTest, MaskChangeClearsTheSumsAndPositions) {
    SetMaskRadius(0);
    Px(5, 5) = 4000;
    Measure(5, 5);
    SelectMeasurement('c');
    Measure(20, 5);
    ASSERT_TRUE(Figures().haveMagnitude);
    SetMaskRadius(3);
    EXPECT_EQ(Picking().maskRadius, 3);
    for (const PhotometryMeasure* m : {&Photometry().object, &Photometry().comparison, &Photometry().background}) {
        EXPECT_EQ(m->sum, 0);
        EXPECT_EQ(m->x, 0);
        EXPECT_EQ(m->y, 0);
    }
    EXPECT_EQ(FormatMagnitude(Figures()), "");
    EXPECT_EQ(Photometry().selected, 'c');  // the selection stays
    SetMaskRadius(5);                       // not a mask size: ignored
    EXPECT_EQ(Picking().maskRadius, 3);
}

TEST_F(PhotometryTest, MasksNearerTheEdgeThanRAreRefused) {
    // r = 4 on 40 x 30: x in 4..35, y in 4..25.
    const struct {
        int x, y;
        bool ok;
    } cases[] = {{4, 4, true}, {3, 10, false}, {35, 25, true}, {36, 10, false}, {10, 26, false}, {10, 3, false}};
    for (const auto& c : cases) {
        messages.shown.clear();
        Photometry().object = {77, 1, 1};
        EXPECT_EQ(Measure(c.x, c.y), c.ok) << c.x << "," << c.y;
        if (c.ok) {
            EXPECT_EQ(Photometry().object.sum, 81 * 100);
            EXPECT_TRUE(messages.shown.empty());
        } else {
            EXPECT_EQ(Photometry().object.sum, 77);  // nothing changed
            EXPECT_EQ(Photometry().object.x, 1);
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text, "Sorry, outside Image area - try again");
        }
    }
    // An image smaller than the mask refuses every position.
    SetImage(5, 5, 1);
    messages.shown.clear();
    EXPECT_FALSE(MeasureAt(State().imageA, 5, 5, 2, 2));
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(PhotometryTest, ClicksWithTheBinnedDisplayMeasureTheImagePixelShown) {
    SetBinnedDisplay(true);
    SetMaskRadius(0);
    Px(14, 10) = 5555;
    ViewPort view;
    view.clientWidth = 20;
    view.clientHeight = 15;
    view.displayedWidth = 20;
    view.displayedHeight = 15;
    EXPECT_EQ(LeftButtonUp(view, 7, 5), PickResult::Done);
    EXPECT_EQ(Photometry().object.sum, 5555);
    EXPECT_EQ(Photometry().object.x, 14);
    EXPECT_EQ(Photometry().object.y, 10);
    MouseMove(view, 7, 5);
    EXPECT_TRUE(Photometry().pointerShown);
    EXPECT_EQ(Photometry().pointerX, 14);
    EXPECT_EQ(Photometry().pointerValue, 5555);
    EXPECT_EQ(FormatPointerValue(Photometry().pointerValue), "  5555");
}

TEST_F(PhotometryTest, BinnedRightClickSnapLandsOnTheStarsImagePixel) {
    // A star on the odd image pixel (15, 11): displayed pixels cannot show it.
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const int d = std::abs(x - 15) + std::abs(y - 11);
            Px(x, y) = uint16_t(d == 0 ? 30000 : d == 1 ? 20000 : d == 2 ? 8000 : 100);
        }
    SetBinnedDisplay(true);
    SetMaskRadius(2);
    // The displayed-pixel refinement ends on (7, 5), the star halved.
    PickingHooks().centroid = [](int& x, int& y, int) {
        x = 7;
        y = 5;
        return true;
    };
    ViewPort view;
    view.clientWidth = view.displayedWidth = 20;
    view.clientHeight = view.displayedHeight = 15;
    EXPECT_EQ(RightButtonUp(view, 9, 6), PickResult::Done);
    EXPECT_EQ(Photometry().object.x, 15);
    EXPECT_EQ(Photometry().object.y, 11);
    EXPECT_EQ(Photometry().object.sum, 30000 + 4 * 20000 + 8 * 8000 + 12 * 100);
}

TEST_F(PhotometryTest, SnapRunsThreeCentroidPassesWithTheMaskRadius) {
    std::vector<int> radii;
    PickingHooks().centroid = [&radii](int& x, int& y, int r) {
        radii.push_back(r);
        ++x;  // each pass moves one pixel right
        return true;
    };
    SetMaskRadius(2);
    int x = 10, y = 10;
    EXPECT_TRUE(SnapToStar(x, y));
    EXPECT_EQ(x, 13);
    EXPECT_EQ(radii, (std::vector<int>{2, 2, 2}));
    // Snapped onto a position too near the edge: refused.
    x = 35;
    messages.shown.clear();
    EXPECT_FALSE(SnapToStar(x, y));
    EXPECT_EQ(messages.shown.size(), 1u);
}
