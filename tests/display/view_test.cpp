#include "display/view_command_ids.h"
#include "display/view_layout.h"
#include "display/view_options.h"

#include "core/state.h"
#include "display/display_fixture.h"
#include "display/render.h"

class ViewTest : public DisplayTest {};

TEST_F(ViewTest, StartUpOptions) {
    const DisplayOptions& o = ViewOptions();
    EXPECT_TRUE(BinnedDisplay());
    EXPECT_FALSE(o.fitToWindow || o.centreImage || o.falseColour || o.autoContrast || o.stretchDisplay ||
                 o.showImageCentre);
    EXPECT_EQ(o.stretchPower, 25);
    EXPECT_EQ(o.stretchBlackLevel, 0);
    EXPECT_EQ(BlackPoint(), 0);
    EXPECT_EQ(Picking().maskRadius, 4);
    EXPECT_EQ(State().geometry.scrollWidth, 1024);
    EXPECT_EQ(CurrentDisplayBitmap(), nullptr);
    EXPECT_EQ(DisplayedWidth(), 1024);
}

TEST_F(ViewTest, ScrollRange) {
    EXPECT_EQ(ComputeScrollRange(true, 2000, 2000, 100, 100).x, 0);
    ScrollRange r = ComputeScrollRange(false, 99, 99, 100, 100);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 0);
    r = ComputeScrollRange(false, 1024, 50, 800, 600);
    EXPECT_EQ(r.x, 224);
    EXPECT_EQ(r.y, 0);
    r = ComputeScrollRange(false, 100, 100, 100, 100);  // not smaller: a range of 0
    EXPECT_EQ(r.x, 0);
    r = ComputeScrollRange(false, 2452, 1640, 1300, 1000);
    EXPECT_EQ(r.x, 1152);
    EXPECT_EQ(r.y, 640);
}

TEST_F(ViewTest, BitmapTargetCentresOnTheDisplayedSize) {
    ViewPort v;
    v.clientWidth = 1300;
    v.clientHeight = 900;
    v.displayedWidth = 1024;
    v.displayedHeight = 1024;
    Rect r = BitmapTarget(v);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.width, 1024);
    v.centreImage = true;
    v.scrollY = 30;
    r = BitmapTarget(v);
    EXPECT_EQ(r.left, 138);
    EXPECT_EQ(r.top, -30);  // taller than the client: not centred vertically
    v.fitToWindow = true;
    r = BitmapTarget(v);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.width, 1300);
    EXPECT_EQ(r.height, 900);
}

TEST_F(ViewTest, FitAndCentreExcludeEachOtherAndHoldDuringPhotometry) {
    ToggleFitToWindow();
    EXPECT_TRUE(ViewOptions().fitToWindow);
    ToggleCentreImage();
    EXPECT_TRUE(ViewOptions().centreImage);
    EXPECT_FALSE(ViewOptions().fitToWindow);
    ToggleFitToWindow();
    EXPECT_FALSE(ViewOptions().centreImage);
    Picking().modes.photometry = true;
    ToggleFitToWindow();
    ToggleCentreImage();
    EXPECT_TRUE(ViewOptions().fitToWindow);
    EXPECT_FALSE(ViewOptions().centreImage);
    // Fit and centre do not rebuild the bitmap.
    EXPECT_EQ(CurrentDisplayBitmap(), nullptr);
}

TEST_F(ViewTest, RefusalInFittedOrCentredDisplay) {
    EXPECT_FALSE(RefuseInFittedOrCentredDisplay(33));
    ViewOptions().centreImage = true;
    EXPECT_TRUE(RefuseInFittedOrCentredDisplay(33));
    EXPECT_EQ(MessageTexts().back(), "Sorry. Cannot Pick Star in ths display mode");
    ViewOptions().centreImage = false;
    ViewOptions().fitToWindow = true;
    EXPECT_TRUE(RefuseInFittedOrCentredDisplay(36));
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(ViewTest, ToggleCommandsRebuildAndSwapToolButtons) {
    EXPECT_EQ(BinnedDisplayToolBitmap(), display_cmd::kBinnedOnBitmap);
    ToggleBinnedDisplay();
    EXPECT_FALSE(BinnedDisplay());
    EXPECT_EQ(BinnedDisplayToolBitmap(), 1904);
    EXPECT_EQ(State().geometry.scrollWidth, 2048);
    ASSERT_NE(CurrentDisplayBitmap(), nullptr);
    EXPECT_EQ(CurrentDisplayBitmap()->width, 2048);

    EXPECT_EQ(StretchDisplayToolBitmap(), 1002);
    EXPECT_EQ(StretchDisplayToolCommand(), 1901);
    SetStretchDisplay(true);
    EXPECT_EQ(StretchDisplayToolBitmap(), 1003);
    EXPECT_EQ(StretchDisplayToolCommand(), 1902);
    ToggleStretchDisplay();
    EXPECT_FALSE(ViewOptions().stretchDisplay);

    const uint64_t serial = CurrentDisplayBitmap()->serial;
    ToggleFalseColour();
    EXPECT_TRUE(ViewOptions().falseColour);
    EXPECT_EQ(CurrentDisplayBitmap()->Colour(200)[2], 0);
    ToggleAutoContrast();
    EXPECT_TRUE(ViewOptions().autoContrast);
    ToggleShowImageCentre();
    EXPECT_TRUE(ViewOptions().showImageCentre);
    RedrawStretchDisplay();
    EXPECT_EQ(CurrentDisplayBitmap()->serial, serial + 4);
}

TEST_F(ViewTest, StretchDialogScrollRules) {
    using A = ScrollAction;
    EXPECT_EQ(ScrollStretchPower(25, A::LineUp, 0), 24);
    EXPECT_EQ(ScrollStretchPower(2, A::LineUp, 0), 2);
    EXPECT_EQ(ScrollStretchPower(25, A::LineDown, 0), 26);
    EXPECT_EQ(ScrollStretchPower(50, A::LineDown, 0), 50);
    EXPECT_EQ(ScrollStretchPower(25, A::PageUp, 0), 2);
    EXPECT_EQ(ScrollStretchPower(25, A::PageDown, 0), 50);
    EXPECT_EQ(ScrollStretchPower(25, A::Thumb, 33), 33);
    EXPECT_EQ(ScrollStretchPower(25, A::Thumb, 99), 50);
    EXPECT_EQ(ScrollStretchBlackLevel(0, A::LineUp, 0), 0);
    EXPECT_EQ(ScrollStretchBlackLevel(5, A::LineUp, 0), 4);
    EXPECT_EQ(ScrollStretchBlackLevel(250, A::LineDown, 0), 250);
    EXPECT_EQ(ScrollStretchBlackLevel(5, A::LineDown, 0), 6);
    EXPECT_EQ(ScrollStretchBlackLevel(5, A::PageUp, 0), 0);
    EXPECT_EQ(ScrollStretchBlackLevel(5, A::PageDown, 0), 250);
    EXPECT_EQ(ScrollStretchBlackLevel(5, A::Thumb, 120), 120);
    EXPECT_EQ(ScrollStretchBlackLevel(5, A::Thumb, -3), 0);
}

class MirrorFlipTest : public DisplayTest {
protected:
    void Fill(int w, int h, bool label) {
        SetImage(w, h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Px(x, y) = uint16_t(y * 1000 + x);
        if (label)
            for (int i = 0; i < 6; ++i) State().imageA[i] = 17;
        original.assign(State().imageA, State().imageA + size_t(w) * h);
    }
    std::vector<uint16_t> original;
};

TEST_F(MirrorFlipTest, MirrorReversesEveryRowAndTwiceRestores) {
    Fill(7, 5, false);
    MirrorImageCommand();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(Px(x, y), y * 1000 + 6 - x);
    EXPECT_NE(CurrentDisplayBitmap(), nullptr);
    MirrorImageCommand();
    EXPECT_TRUE(std::equal(original.begin(), original.end(), State().imageA));
    EXPECT_FALSE(system.busyCursor);
}

TEST_F(MirrorFlipTest, LabelStripStaysUprightAndUnmirrored) {
    Fill(9, 30, true);
    MirrorImageCommand();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(Px(x, y), original[y * 9 + x]);
    for (int y = 10; y < 30; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(Px(x, y), original[y * 9 + 8 - x]);
    MirrorImageCommand();
    EXPECT_TRUE(std::equal(original.begin(), original.end(), State().imageA));

    FlipImageCommand();
    for (int y = 0; y < 10; ++y) EXPECT_EQ(Px(3, y), original[y * 9 + 3]);
    for (int k = 0; k < 20; ++k) EXPECT_EQ(Px(3, 10 + k), original[(29 - k) * 9 + 3]) << k;
    FlipImageCommand();
    EXPECT_TRUE(std::equal(original.begin(), original.end(), State().imageA));
}

TEST_F(MirrorFlipTest, FlipWithoutLabelReversesAllRows) {
    Fill(4, 6, false);
    FlipImageCommand();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Px(x, y), original[(5 - y) * 4 + x]);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(State().history[0].empty());  // not a processing step
}

TEST_F(MirrorFlipTest, MarkerIsThePairSum) {
    uint16_t img[6] = {0, 0, 0, 0, 30, 4};
    EXPECT_TRUE(HasLabelMarker(img));
    img[5] = 5;
    EXPECT_FALSE(HasLabelMarker(img));
}
