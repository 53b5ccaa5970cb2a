#include "stars/centroid.h"

#include <vector>

#include "support/test_env.h"

namespace {

class CentroidTest : public VelmoraTest {
protected:
    // A width x height frame of one value.
    void Frame(int width, int height, Pixel value) {
        w = width;
        h = height;
        img.assign(size_t(w) * h, value);
    }
    Pixel& At(int x, int y) { return img[size_t(y) * w + x]; }
    std::vector<Pixel> img;
    int w = 0, h = 0;
};

TEST_F(CentroidTest, FlatWindowAnswersOneOneInsideTheWindow) {
    Frame(40, 30, 1234);
    WindowMeasure m;
    ASSERT_TRUE(MeasureWindow(img.data(), w, h, 20, 15, 7, m));
    EXPECT_EQ(m.left, 13);
    EXPECT_EQ(m.top, 8);
    EXPECT_DOUBLE_EQ(m.cx, 1.0);
    EXPECT_DOUBLE_EQ(m.cy, 1.0);
    int x = 20, y = 15;
    ASSERT_TRUE(WindowCentroid(img.data(), w, h, x, y, 7));
    EXPECT_EQ(x, 14);
    EXPECT_EQ(y, 9);
}

TEST_F(CentroidTest, WindowTouchingTheRightOrBottomEdgeIsAcceptedOnePixelFurtherRefused) {
    Frame(40, 30, 100);
    struct Case {
        int x, y;
        bool ok;
    } cases[] = {
        {32, 15, true},   // x + h + 1 = 40
        {33, 15, false},
        {20, 22, true},   // y + h + 1 = 30
        {20, 23, false},
        {7, 7, true},     // x - h = 0
        {6, 15, false},
        {20, 6, false},
    };
    for (const Case& c : cases) {
        messages.shown.clear();
        int x = c.x, y = c.y;
        EXPECT_EQ(WindowCentroid(img.data(), w, h, x, y, 7), c.ok) << c.x << "," << c.y;
        if (!c.ok) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text, "Find centre failed - outside image area");
            EXPECT_EQ(x, c.x);
            EXPECT_EQ(y, c.y);
        } else {
            EXPECT_TRUE(messages.shown.empty());
        }
    }
}

// Two bright pixels on row 2 of a 5 x 5 window of zeros, at columns 1 and 3.
// Faint (peak below 17000): values x 4, from 16384 on saturated at 65535.
TEST_F(CentroidTest, FaintStarsAreScaledAndSaturatedBrightOnesAreNot) {
    struct Case {
        Pixel a, b;
        double cx;
    } cases[] = {
        // 16999 -> 65535, 8000 -> 32000; mean 97535 / 25 = 3901;
        // d = 61634, 28099; cx = (1 + 61634 + 3 * 28099) / (1 + 61634 + 28099)
        {16999, 8000, 145932.0 / 89734.0},
        // Bright: no scaling; mean 25000 / 25 = 1000; d = 16000, 7000.
        {17000, 8000, 37001.0 / 23001.0},
        // 16383 -> 65532 (not saturated), 4000 -> 16000; mean 81532 / 25 = 3261
        {16383, 4000, (1 + 62271.0 + 3 * 12739.0) / (1 + 62271.0 + 12739.0)},
    };
    for (const Case& c : cases) {
        Frame(20, 20, 0);
        At(9, 10) = c.a;
        At(11, 10) = c.b;
        WindowMeasure m;
        ASSERT_TRUE(MeasureWindow(img.data(), w, h, 10, 10, 2, m));
        EXPECT_NEAR(m.cx, c.cx, 1e-12) << c.a;
    }
}

// A sky of 1650 (bin 103): the background is floor(103 x 16.64) = 1713, so
// the sky vanishes and only the star at column 4, row 0 weighs in: 1800 - 1713
// = 87, x 4 = 348; mean 13; d = 335.
TEST_F(CentroidTest, BackgroundFactorIs1664AndTenthsTruncate) {
    Frame(20, 20, 1650);
    At(12, 8) = 1800;
    WindowMeasure m;
    ASSERT_TRUE(MeasureWindow(img.data(), w, h, 10, 10, 2, m));
    EXPECT_NEAR(m.cx, 1341.0 / 336.0, 1e-12);  // 3.99
    EXPECT_NEAR(m.cy, 1.0 / 336.0, 1e-12);
    const StarPosition t = TruncatedWithTenths(m);
    EXPECT_EQ(t, (StarPosition{11, 8, 9, 0}));
    const StarPosition r = Rounded(m);
    EXPECT_EQ(r, (StarPosition{12, 8, 0, 0}));
}

// 3 x 3 window: top row and left-middle 160 (bin 10), bottom row and
// right-middle 320 (bin 20), centre 400. The tie takes bin 10: background
// 166, so the 320s weigh in: 154 x 4 = 616, centre 936; mean 377; d = 239, 559.
TEST_F(CentroidTest, HistogramTieTakesTheLowestBin) {
    Frame(10, 10, 0);
    const Pixel window[3][3] = {{160, 160, 160}, {160, 400, 320}, {320, 320, 320}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) At(4 + c, 4 + r) = window[r][c];
    WindowMeasure m;
    ASSERT_TRUE(MeasureWindow(img.data(), w, h, 5, 5, 1, m));
    EXPECT_NEAR(m.cx, 1755.0 / 1516.0, 1e-12);
    EXPECT_NEAR(m.cy, 2233.0 / 1516.0, 1e-12);
}

TEST_F(CentroidTest, RepeatedPassesConvergeOnAnOffCentreStar) {
    Frame(60, 60, 1000);
    // A symmetric star centred on (37, 29).
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) At(37 + dx, 29 + dy) = Pixel(1000 + 20000 / (1 + dx * dx + dy * dy));
    StarPosition p;
    ASSERT_TRUE(FindStar(img.data(), w, h, 32, 25, 7, 3, true, p));
    // Tenths truncate: the weights' start at 1 pulls a hair toward the window
    // corner, so 29 reads as 28.9.
    EXPECT_NEAR(p.X(), 37, 0.15);
    EXPECT_NEAR(p.Y(), 29, 0.15);
    ASSERT_TRUE(FindStar(img.data(), w, h, 32, 25, 7, 3, false, p));
    EXPECT_EQ(p, (StarPosition{37, 29, 0, 0}));
}

}  // namespace
