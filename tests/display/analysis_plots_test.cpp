#include "display/analysis_plots.h"

#include <vector>

#include "core/messages.h"
#include "display/display_fixture.h"

namespace {

class AnalysisPlotsTest : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        ResetAnalysisWindows();
    }
    void TearDown() override {
        ResetAnalysisWindows();
        DisplayTest::TearDown();
    }
};

// The pixels of one column of the canvas that have the colour, top to bottom.
std::vector<int> RowsOf(const PlotCanvas& c, int x, Rgb colour) {
    std::vector<int> rows;
    for (int y = 0; y < c.Height(); ++y)
        if (c.At(x, y) == colour) rows.push_back(y);
    return rows;
}

std::vector<int> Range(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i) v.push_back(i);
    return v;
}

}  // namespace

// ---- Histogram ----

TEST_F(AnalysisPlotsTest, HistogramCapsAt210RedAndListsTheCappedValue) {
    std::array<uint16_t, 257> counters{};
    counters[10] = 1054;  // 210 after /5: capped, red, listed as 1050
    counters[11] = 1049;  // 209: grey
    counters[12] = 4;     // 0: no bar
    const HistogramPicture p = BuildHistogram(counters);
    EXPECT_EQ(p.bars[10].height, 210);
    EXPECT_TRUE(p.bars[10].capped);
    EXPECT_EQ(p.bars[11].height, 209);
    EXPECT_FALSE(p.bars[11].capped);
    EXPECT_EQ(p.list, "val         count \n0010       1050 \n");

    PlotCanvas canvas(kHistogramCanvasWidth, kHistogramCanvasHeight);
    DrawHistogram(canvas, p);
    EXPECT_EQ(RowsOf(canvas, 18, kRed), Range(1, 210));   // bar of value 10 at x = 18
    EXPECT_EQ(RowsOf(canvas, 19, kGrey), Range(2, 210));  // 209 pixels
    EXPECT_TRUE(RowsOf(canvas, 20, kGrey).empty());
    EXPECT_TRUE(RowsOf(canvas, 18, kGrey).empty());
}

TEST_F(AnalysisPlotsTest, HistogramListsOnlyTheFirstFifteenCappedValues) {
    std::array<uint16_t, 257> counters{};
    for (int i = 100; i < 120; ++i) counters[size_t(i)] = uint16_t(2000 + i);
    const HistogramPicture p = BuildHistogram(counters);
    std::string expected = "val         count \n";
    for (int i = 100; i < 115; ++i) expected += "0" + std::to_string(i) + "       1050 \n";
    EXPECT_EQ(p.list, expected);
    for (int i = 100; i < 120; ++i) EXPECT_TRUE(p.bars[size_t(i)].capped) << i;  // all red, 15 listed
}

TEST_F(AnalysisPlotsTest, HistogramAxesAndTicks) {
    PlotCanvas canvas(kHistogramCanvasWidth, kHistogramCanvasHeight);
    DrawHistogram(canvas, BuildHistogram({}));
    EXPECT_EQ(RowsOf(canvas, 5, kAxisBlue), Range(5, 213));  // vertical axis and the corner
    for (int x : {6, 100, 262}) EXPECT_EQ(RowsOf(canvas, x, kAxisBlue), std::vector<int>{213}) << x;
    // Ticks from 213 down to 217, 220 at 72 and 200, 224 at 136 (end points not drawn).
    const struct {
        int x, last;
    } ticks[] = {{40, 216}, {72, 219}, {104, 216}, {136, 223}, {168, 216}, {200, 219}, {232, 216}, {264, 216}};
    for (const auto& t : ticks) EXPECT_EQ(RowsOf(canvas, t.x, kAxisBlue), Range(213, t.last)) << t.x;
    EXPECT_EQ(canvas.At(263, 213), kWhite);
    // The list starts at (270, 2): the header's "v" has lit pixels there.
    bool lit = false;
    for (int y = 2; y < 12; ++y)
        for (int x = 270; x < 276; ++x) lit |= canvas.At(x, y) == kBlack;
    EXPECT_TRUE(lit);
}

// ---- Row profile ----

TEST_F(AnalysisPlotsTest, ProfileOfFullScaleRowIsFlatAt28) {
    std::vector<Pixel> image(2048 * 4, 0);
    std::fill(image.begin() + 2 * 2048, image.begin() + 3 * 2048, 65535);
    PlotCanvas canvas(kProfileCanvasWidth, kProfileCanvasHeight, kBlack);
    DrawRowProfile(canvas, RowProfile(image.data(), 2048, 4, 2));
    for (int x = 6; x <= 515; ++x) {
        ASSERT_EQ(canvas.At(x, 28), kGrey) << x;
        ASSERT_EQ(canvas.At(x, 27), kWhite) << x;
        ASSERT_EQ(canvas.At(x, 29), kWhite) << x;
    }
    EXPECT_EQ(canvas.At(516, 28), kWhite);  // the last point is the line's end
    // The white field is (2, 2)-(700, 200), right and bottom edges excluded.
    EXPECT_EQ(canvas.At(2, 2), kWhite);
    EXPECT_EQ(canvas.At(699, 199), kWhite);
    EXPECT_EQ(canvas.At(700, 100), kBlack);
    EXPECT_EQ(canvas.At(100, 200), kBlack);
    EXPECT_EQ(canvas.At(1, 100), kBlack);
}

TEST_F(AnalysisPlotsTest, ProfileSamplesSpreadOverTheWidth) {
    // Pixel (c, r) = 7c + r, so each value names its column.
    const struct {
        int width;
        std::vector<std::pair<int, int>> kColumns;  // (k, column)
    } cases[] = {
        {2048, {{0, 0}, {1, 4}, {100, 400}, {511, 2044}}},  // full geometry: every 4th column
        {1024, {{0, 0}, {1, 2}, {100, 200}, {511, 1022}}},  // binned geometry: every 2nd
        {1001, {{0, 0}, {1, 1}, {2, 3}, {256, 500}, {511, 999}}},
        {300, {{0, 0}, {1, 0}, {2, 1}, {511, 299}}},
    };
    for (const auto& c : cases) {
        std::vector<Pixel> image(size_t(c.width) * 3);
        for (int r = 0; r < 3; ++r)
            for (int x = 0; x < c.width; ++x) image[size_t(r) * c.width + x] = Pixel(7 * x + r);
        const auto samples = RowProfile(image.data(), c.width, 3, 1);
        ASSERT_EQ(samples.size(), 512u);
        for (auto [k, column] : c.kColumns) {
            EXPECT_EQ(samples[size_t(k)].column, column) << c.width << " k " << k;
            EXPECT_EQ(samples[size_t(k)].value, 7 * column + 1) << c.width << " k " << k;
        }
    }
}

TEST_F(AnalysisPlotsTest, ProfileRowIsDoubledWithTheBinnedDisplayAndStaysInside) {
    EXPECT_EQ(ProfileImageRow(250, 1, 2048), 250);
    EXPECT_EQ(ProfileImageRow(250, 2, 2048), 500);
    EXPECT_EQ(ProfileImageRow(250, 2, 480), 479);
    EXPECT_EQ(ProfileImageRow(-1, 1, 100), 0);
}

// ---- 3-D plot ----

TEST_F(AnalysisPlotsTest, Plot3DRowsStayInsideInBothGeometries) {
    const struct {
        int width, height;
        bool binned;
        int rowStep, columnStep, endLine;
    } cases[] = {
        {2048, 2048, false, 8, 2, 256}, {1024, 1024, true, 4, 1, 256}, {1392, 1040, false, 8, 2, 130},
        {696, 520, true, 4, 1, 130},    {695, 519, true, 4, 1, 129},    {40, 15, false, 8, 2, 2},
    };
    for (const auto& c : cases) {
        const Plot3DLayout l = Plot3DLayoutFor(c.width, c.height, c.binned);
        EXPECT_EQ(l.rowStep, c.rowStep);
        EXPECT_EQ(l.columnStep, c.columnStep);
        EXPECT_EQ(l.endLine, c.endLine) << c.width << "x" << c.height;
        if (l.endLine > l.firstLine) {
            EXPECT_LE((l.endLine - 1) * l.rowStep, c.height - 1);
        }
        // Drawing reads only the image (an exact-size buffer: the sanitizer
        // build catches a row past the end) and fits its canvas on the right.
        std::vector<Pixel> image(size_t(c.width) * c.height, 65535);
        PlotCanvas canvas(l.canvasWidth, l.canvasHeight);
        DrawPlot3D(canvas, image.data(), c.width, l);
        const int lastX = 136 + (c.width - 1) / c.columnStep;
        EXPECT_LT(lastX, l.canvasWidth);
        EXPECT_LT(186 + l.endLine - 1, l.canvasHeight);
    }
}

TEST_F(AnalysisPlotsTest, Plot3DRisingSegmentsLightGreyOthersGrey) {
    // Full geometry, 64 x 32: lines b = 2, 3 read rows 16 and 24.
    const int w = 64, h = 32;
    std::vector<Pixel> image(size_t(w) * h, 0);
    image[16 * w + 2] = 38400;       // line 2, column 2: 100 pixels high at x = 137
    image[16 * w + 62] = 38400;      // the last point of line 2 is high
    image[24 * w + 0] = 19200;       // line 3 starts 50 high: lower than 100, so grey
    const Plot3DLayout l = Plot3DLayoutFor(w, h, false);
    ASSERT_EQ(l.endLine, 4);
    PlotCanvas canvas(l.canvasWidth, l.canvasHeight);
    DrawPlot3D(canvas, image.data(), w, l);
    // Line 2: x0 = 136, baseline 188; columns 0, 2 at x = 136, 137.
    // The first point (136, 188) is on the baseline; rising from there to
    // (137, 88) is light grey, falling back to (138, 188) grey.
    EXPECT_EQ(canvas.At(136, 145), kLightGrey);
    EXPECT_EQ(canvas.At(137, 120), kGrey);
    EXPECT_EQ(canvas.At(138, 150), kGrey);
    EXPECT_EQ(canvas.At(150, 188), kGrey);       // flat
    EXPECT_EQ(canvas.At(150, 187), kWhite);
    // Line 3: x0 = 135, baseline 189, first point (135, 139) compared with 100.
    EXPECT_EQ(canvas.At(135, 170), kGrey);
    EXPECT_EQ(canvas.At(135, 150), kGrey);

    // Binned geometry: every column, line 2 reads row 8.
    std::vector<Pixel> binned(size_t(w) * h, 0);
    binned[8 * w + 1] = 38400;
    const Plot3DLayout lb = Plot3DLayoutFor(w, h, true);
    PlotCanvas canvasB(lb.canvasWidth, lb.canvasHeight);
    DrawPlot3D(canvasB, binned.data(), w, lb);
    EXPECT_EQ(canvasB.At(136, 150), kLightGrey);  // rising from (136, 188) to (137, 88)
    EXPECT_EQ(canvasB.At(137, 88), kGrey);        // the falling segment starts at the peak
}

// ---- Opening rules ----

TEST_F(AnalysisPlotsTest, SecondHistogramBeepsPausesAndBeepsAgain) {
    EXPECT_TRUE(OpenHistogram());
    EXPECT_EQ(system.beeps, 0);
    const uint32_t start = clock.now;
    EXPECT_FALSE(OpenHistogram());
    EXPECT_EQ(system.beeps, 2);
    EXPECT_EQ(clock.now - start, 1000u);
    CloseHistogram();
    EXPECT_TRUE(OpenHistogram());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AnalysisPlotsTest, RowProfileAndPlot3DRefusals) {
    const struct {
        const char* name;
        void (*set)();
        int message;  // 0: refused silently
    } cases[] = {
        {"merging", [] { Picking().modes.merging = true; }, 35},
        {"photometry", [] { Picking().modes.photometry = true; }, 35},
        {"fit", [] { ViewOptions().fitToWindow = true; }, 38},
        {"centre", [] { ViewOptions().centreImage = true; }, 38},
        {"3-D open", [] { Analysis().plot3dOpen = true; }, 0},
        {"profile open", [] { Picking().modes.rowProfile = true; }, 0},
    };
    for (const auto& c : cases) {
        ResetDisplayState();
        ResetAnalysisWindows();
        messages.shown.clear();
        c.set();
        Picking().profileRow = 7;
        EXPECT_FALSE(OpenRowProfile()) << c.name;
        EXPECT_EQ(Picking().profileRow, 7) << c.name;
        if (c.message) {
            ASSERT_EQ(messages.shown.size(), 1u) << c.name;
            EXPECT_EQ(messages.shown[0].text, MessageText(c.message)) << c.name;
        } else {
            EXPECT_TRUE(messages.shown.empty()) << c.name;
        }
    }
    ResetDisplayState();
    ResetAnalysisWindows();
    messages.shown.clear();
    EXPECT_TRUE(OpenRowProfile());
    EXPECT_TRUE(Picking().modes.rowProfile);
    EXPECT_EQ(Picking().profileRow, 250);
    EXPECT_FALSE(OpenPlot3D());  // the profile is open
    CloseRowProfile();
    EXPECT_FALSE(Picking().modes.rowProfile);
    EXPECT_TRUE(OpenPlot3D());
    EXPECT_FALSE(OpenPlot3D());
    EXPECT_FALSE(OpenRowProfile());
    EXPECT_TRUE(messages.shown.empty());
}
