#include "display/picking.h"

#include "core/state.h"
#include "display/display_fixture.h"

class PickingTest : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        SetBinnedDisplay(false);
        SetImage(400, 300, 1000);
    }
    // A 200 x 150 client scrolled by (sx, sy) on the 400 x 300 picture.
    ViewPort View(int sx = 0, int sy = 0) const {
        ViewPort v;
        v.scrollX = sx;
        v.scrollY = sy;
        v.clientWidth = 200;
        v.clientHeight = 150;
        v.displayedWidth = 400;
        v.displayedHeight = 300;
        return v;
    }
};

TEST_F(PickingTest, NoModeNoAction) {
    EXPECT_EQ(LeftButtonUp(View(), 50, 50), PickResult::NoMode);
    EXPECT_EQ(RightButtonUp(View(), 50, 50), PickResult::NoMode);
    EXPECT_FALSE(MouseMove(View(), 50, 50));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PickingTest, ClientToImageAddsScrollAndCentringAndScalesFit) {
    int x = 0, y = 0;
    ClientToImage(View(30, 40), 5, 6, x, y);
    EXPECT_EQ(x, 35);
    EXPECT_EQ(y, 46);
    ViewPort centred = View();
    centred.clientWidth = 600;   // 100 on each side
    centred.clientHeight = 310;  // 5 above and below
    centred.centreImage = true;
    ClientToImage(centred, 150, 25, x, y);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 20);
    int cx = 0, cy = 0;
    ImageToClient(centred, 50, 20, cx, cy);
    EXPECT_EQ(cx, 150);
    EXPECT_EQ(cy, 25);
    ViewPort fit = View();
    fit.fitToWindow = true;  // 400 x 300 shown in 200 x 150
    ClientToImage(fit, 100, 75, x, y);
    EXPECT_EQ(x, 200);
    EXPECT_EQ(y, 150);
}

TEST_F(PickingTest, RowProfileTakesScrolledRow) {
    Picking().modes.rowProfile = true;
    int changed = 0;
    PickingHooks().rowProfileChanged = [&] { ++changed; };
    EXPECT_EQ(LeftButtonUp(View(0, 120), 50, 60), PickResult::Done);
    EXPECT_EQ(Picking().profileRow, 180);
    EXPECT_EQ(changed, 1);
}

TEST_F(PickingTest, ClicksCloserThanTheMaskToTheEdgeAreRefused) {
    Picking().modes.rowProfile = true;
    Picking().maskRadius = 4;
    EXPECT_EQ(LeftButtonUp(View(), 3, 50), PickResult::Refused);
    EXPECT_EQ(MessageTexts().back(), "Sorry, outside Image area - try again");
    EXPECT_EQ(LeftButtonUp(View(), 50, 3), PickResult::Refused);
    EXPECT_EQ(LeftButtonUp(View(), 4, 4), PickResult::Done);
    // Right and bottom edges are the picture's, wherever it is scrolled.
    EXPECT_EQ(LeftButtonUp(View(200, 150), 195, 100), PickResult::Done);    // x = 395
    EXPECT_EQ(LeftButtonUp(View(200, 150), 196, 100), PickResult::Refused);  // x = 396
    EXPECT_EQ(LeftButtonUp(View(200, 150), 100, 146), PickResult::Refused);  // y = 296
    EXPECT_EQ(Picking().profileRow, 250);  // the last click allowed: y = 100 + 150
    EXPECT_EQ(messages.shown.size(), 4u);
}

TEST_F(PickingTest, GuideStarPickKeeps25MoreAndRefinesThreeTimes) {
    Picking().modes.guideStarPick = true;
    Picking().maskRadius = 8;
    EXPECT_EQ(PickMargin(), 33);
    EXPECT_EQ(LeftButtonUp(View(), 32, 100), PickResult::Refused);
    EXPECT_EQ(LeftButtonUp(View(200, 0), 400 - 33 - 200, 100), PickResult::Refused);
    int passes = 0;
    std::vector<std::pair<int, int>> pointer;
    PickingHooks().centroid = [&](int& x, int& y, int r) {
        EXPECT_EQ(r, 8);
        ++passes;
        x += 1;
        y -= 2;
        return true;
    };
    ViewHooks().movePointer = [&](int x, int y) { pointer.push_back({x, y}); };
    messages.shown.clear();
    EXPECT_EQ(LeftButtonUp(View(10, 20), 100, 90), PickResult::Done);
    EXPECT_EQ(passes, 3);
    EXPECT_TRUE(Picking().guideStarPicked);
    EXPECT_EQ(Picking().guideStarX, 113);
    EXPECT_EQ(Picking().guideStarY, 104);
    ASSERT_EQ(pointer.size(), 3u);
    EXPECT_EQ(pointer[2], std::make_pair(103, 84));  // back in client coordinates
    EXPECT_EQ(MessageTexts().back(), "x position =   113\ny position =   104");
    EXPECT_TRUE(Picking().modes.guideStarPick);  // the mode stays for the cross
}

TEST_F(PickingTest, FailedRefinementPicksNothing) {
    Picking().modes.guideStarPick = true;
    PickingHooks().centroid = [](int&, int&, int) { return false; };
    EXPECT_EQ(LeftButtonUp(View(), 100, 100), PickResult::Failed);
    EXPECT_FALSE(Picking().guideStarPicked);
}

TEST_F(PickingTest, MergingMarksTheRefinedStarOnlyWithoutOtherModes) {
    Picking().modes.merging = true;
    std::vector<std::pair<int, int>> marks;
    PickingHooks().mergeMark = [&](int x, int y) { marks.push_back({x, y}); };
    PickingHooks().centroid = [](int& x, int& y, int) {
        x = 120;
        y = 80;
        return true;
    };
    EXPECT_EQ(LeftButtonUp(View(5, 5), 100, 70), PickResult::Done);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0], std::make_pair(120, 80));
    Picking().modes.photometry = true;
    LeftButtonUp(View(), 100, 70);
    EXPECT_EQ(marks.size(), 1u);
}

TEST_F(PickingTest, PhotometryMeasuresLeftAndRefinedRight) {
    Picking().modes.photometry = true;
    std::vector<std::pair<int, int>> measured;
    PickingHooks().photometryMeasure = [&](int x, int y) { measured.push_back({x, y}); };
    int refinements = 0;
    PickingHooks().centroid = [&](int& x, int& y, int) {
        ++refinements;
        x = 60;
        y = 70;
        return true;
    };
    EXPECT_EQ(LeftButtonUp(View(100, 0), 20, 30), PickResult::Done);
    EXPECT_EQ(refinements, 0);
    EXPECT_EQ(RightButtonUp(View(), 50, 50), PickResult::Done);
    EXPECT_EQ(refinements, 3);
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_EQ(measured[0], std::make_pair(120, 30));
    EXPECT_EQ(measured[1], std::make_pair(60, 70));
    EXPECT_EQ(RightButtonUp(View(), 1, 50), PickResult::Refused);
}

TEST_F(PickingTest, PhotometryPointerReadsTheValueInside) {
    Picking().modes.photometry = true;
    Px(150, 40) = 4321;
    std::vector<std::array<int, 3>> seen;
    PickingHooks().photometryPointer = [&](int x, int y, int v) { seen.push_back({x, y, v}); };
    EXPECT_FALSE(MouseMove(View(100, 0), 50, 40));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], (std::array<int, 3>{150, 40, 4321}));
    MouseMove(View(), 1, 40);     // not strictly inside by more than a pixel
    MouseMove(View(), 40, 1);
    MouseMove(View(200, 150), 199, 10);  // x = 399 = W - 1
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(PickingTest, PhotometryPointerOnTheBinnedDisplayReadsThePixelShown) {
    SetBinnedDisplay(true);
    ViewPort half = View();
    half.displayedWidth = 200;
    half.displayedHeight = 150;
    Picking().modes.photometry = true;
    Px(100, 80) = 1111;  // shown at displayed (50, 40)
    Px(50, 40) = 2222;
    std::vector<std::array<int, 3>> seen;
    PickingHooks().photometryPointer = [&](int x, int y, int v) { seen.push_back({x, y, v}); };
    MouseMove(half, 50, 40);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], (std::array<int, 3>{50, 40, 1111}));
    MouseMove(half, 199, 40);  // the last displayed column: not inside
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(PickingTest, FocusFramePickClampsAndClears) {
    Picking().modes.focusFramePick = true;
    Picking().maskRadius = 0;
    EXPECT_EQ(LeftButtonUp(View(0, 20), 10, 10), PickResult::Done);
    const ImageGeometry& g = State().geometry;
    EXPECT_EQ(g.focusHalfSize, 64);
    EXPECT_EQ(g.focusCentreX, 67);  // half size + 3
    EXPECT_EQ(g.focusCentreY, 65);  // half size + 1
    EXPECT_EQ(g.focusOriginX, 3);
    EXPECT_EQ(MessageTexts().back(), "x position =    67\ny position =    65\nleft =     0\ntop =    20");
    EXPECT_FALSE(Picking().modes.focusFramePick);
    Picking().modes.focusFramePick = true;
    int hx = -1, hy = -1;
    PickingHooks().storeFocusCentre = [&](int x, int y) { hx = x, hy = y; };
    LeftButtonUp(View(200, 150), 199, 149);
    EXPECT_EQ(hx, 400 - 1 - 64);
    EXPECT_EQ(hy, 300 - 1 - 64);
}

TEST_F(PickingTest, FocusFramePickOnTheBinnedDisplayPlacesTheFrameOnTheImage) {
    // The binned display shows the 400 x 300 image as 200 x 150: the click
    // at displayed (100, 60) is the image pixel (200, 120).
    SetBinnedDisplay(true);
    ViewPort half = View();
    half.displayedWidth = 200;
    half.displayedHeight = 150;
    Picking().modes.focusFramePick = true;
    Picking().maskRadius = 0;
    int hx = -1, hy = -1;
    PickingHooks().storeFocusCentre = [&](int x, int y) { hx = x, hy = y; };
    EXPECT_EQ(LeftButtonUp(half, 100, 60), PickResult::Done);
    EXPECT_EQ(hx, 200);
    EXPECT_EQ(hy, 120);
    EXPECT_EQ(MessageTexts().back(), "x position =   200\ny position =   120\nleft =     0\ntop =     0");
    // The clamp is the image's: the bottom-right displayed pixel keeps the
    // frame inside the image.
    Picking().modes.focusFramePick = true;
    LeftButtonUp(half, 199, 149);
    EXPECT_EQ(hx, 400 - 1 - 64);
    EXPECT_EQ(hy, 300 - 1 - 64);
}

TEST_F(PickingTest, SubFramePickScalesToTheFullFrame) {
    ImageGeometry& g = State().geometry;
    g.subFrameBinning = 4;  // box 100 x 75 of the 400 x 300 sensor
    Picking().modes.subFramePick = true;
    EXPECT_TRUE(MouseMove(View(), 100, 100));
    EXPECT_EQ(Picking().boxLeft, 100 - 50);
    EXPECT_EQ(Picking().boxBottom, 100 + 37);
    EXPECT_EQ(LeftButtonUp(View(), 20, 20), PickResult::Done);
    EXPECT_EQ(g.subFrameCentreX, 50);  // clamped: the half box fits
    EXPECT_EQ(g.subFrameCentreY, 37);
    EXPECT_EQ(MessageTexts().back(), "x position =    50\ny position =    37");
    EXPECT_FALSE(Picking().modes.subFramePick);

    // Binned display: displayed coordinates are halves; g = 4.
    SetBinnedDisplay(true);
    Picking().modes.subFramePick = true;
    ViewPort half = View();
    half.displayedWidth = 200;
    half.displayedHeight = 150;
    int hw = 0, hh = 0, scale = 0;
    SubFrameHalfBox(hw, hh, scale);
    EXPECT_EQ(hw, 25);
    EXPECT_EQ(hh, 18);
    EXPECT_EQ(scale, 2);
    LeftButtonUp(half, 100, 60);
    EXPECT_EQ(g.subFrameCentreX, 200);
    EXPECT_EQ(g.subFrameCentreY, 120);
    // A binned read doubles again.
    g.binned = true;
    SubFrameHalfBox(hw, hh, scale);
    EXPECT_EQ(hw, 12);
    EXPECT_EQ(scale, 4);
}
