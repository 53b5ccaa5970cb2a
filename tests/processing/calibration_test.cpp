#include "processing/calibration.h"

#include <cmath>

#include "core/messages.h"
#include "core/history.h"
#include "processing/label.h"
#include "processing_test_util.h"
#include "support/test_env.h"

namespace {

// The flat row rule written out case by case.
Pixel FlatReference(Pixel a, Pixel f, double mean) {
    double v;
    if (f != 0) v = double(a) / double(f) * mean;
    else if (a == 0) v = mean;
    else v = a;
    if (v >= 65535) return 65535;
    return Pixel(std::trunc(v));
}

class CalibrationTest : public VelmoraTest {};

// ---- Dark subtraction --------------------------------------------------------

TEST_F(CalibrationTest, DarkSubtractionNeverWraps) {
    std::vector<Pixel> a = {100, 100, 100, 0, 65535, 65535, 1, 5000};
    const std::vector<Pixel> d = {30, 100, 101, 0, 0, 65535, 0, 65535};
    SubtractDark(a.data(), d.data(), a.size());
    EXPECT_EQ(a, (std::vector<Pixel>{70, 0, 0, 0, 65535, 0, 1, 0}));
}

TEST_F(CalibrationTest, DarkSubtractionMatchesRuleOnNoise) {
    const int w = 333, h = 7;  // odd length exercises the loop tail
    auto a = MakeImage(w, h, [](int x, int y) { return Noise(x, y, 1); });
    const auto d = MakeImage(w, h, [](int x, int y) { return Noise(x, y, 2); });
    const auto before = a;
    SubtractDark(a.data(), d.data(), a.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], d[i] < before[i] ? before[i] - d[i] : 0) << i;
}

// ---- Flat field arithmetic ------------------------------------------------------

TEST_F(CalibrationTest, FlatRowRuleCases) {
    const int w = 10;
    std::vector<Pixel> a = {9, 9, 9, 0, 500, 1000, 3000, 60000, 1, 7};
    const std::vector<Pixel> f = {0, 0, 0, 0, 0, 2000, 1000, 100, 3, 2};
    const double mean = 1000.5;
    ApplyFlat(a.data(), f.data(), w, 0, 0, mean);
    EXPECT_EQ(a[0], 9);  // columns 0..2 untouched
    EXPECT_EQ(a[1], 9);
    EXPECT_EQ(a[2], 9);
    EXPECT_EQ(a[3], 1000);   // f = 0, a = 0: the mean, truncated
    EXPECT_EQ(a[4], 500);    // f = 0, a != 0: kept
    EXPECT_EQ(a[5], 500);    // 1000 / 2000 * 1000.5 = 500.25
    EXPECT_EQ(a[6], 3001);   // 3 * 1000.5 = 3001.5
    EXPECT_EQ(a[7], 65535);  // 600 * 1000.5 clamps
    EXPECT_EQ(a[8], 333);    // 1/3 * 1000.5 = 333.5
    EXPECT_EQ(a[9], 3501);   // 3.5 * 1000.5 = 3501.75
}

TEST_F(CalibrationTest, FlatMatchesReferenceOnNoise) {
    const int w = 257, h = 9;
    auto a = MakeImage(w, h, [](int x, int y) { return Noise(x, y, 3); });
    const auto f = MakeImage(w, h, [](int x, int y) { return (x + y) % 17 == 0 ? 0 : Noise(x, y, 4) >> (x % 8); });
    const auto before = a;
    const double mean = 12345.678;
    ApplyFlat(a.data(), f.data(), w, 1, h - 2, mean);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            const bool inside = y >= 1 && y <= h - 2 && x >= 3;
            ASSERT_EQ(a[i], inside ? FlatReference(before[i], f[i], mean) : before[i]) << x << "," << y;
        }
}

TEST_F(CalibrationTest, FlatIsBitExactForEveryPixelValue) {
    // One row per (flat value, mean): every image value 0..65535 after the
    // three columns that stay as they are, plus an odd tail.
    const int w = 3 + 65536 + 5;
    std::vector<Pixel> row(w), flat(w);
    for (double mean : {0.0, 0.5, 1.0, 12345.678, 30000.000000000004, 29999.999999999996, 65535.0}) {
        for (int f : {0, 1, 2, 3, 7, 255, 256, 1000, 20000, 32767, 65534, 65535}) {
            for (int x = 0; x < w; ++x) row[x] = Pixel(x < 3 ? 4 : (x - 3) & 0xFFFF);
            std::fill(flat.begin(), flat.end(), Pixel(f));
            const auto before = row;
            ApplyFlat(row.data(), flat.data(), w, 0, 0, mean);
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(row[x], x < 3 ? before[x] : FlatReference(before[x], Pixel(f), mean))
                    << "a=" << before[x] << " f=" << f << " mean=" << mean;
        }
    }
}

TEST_F(CalibrationTest, FlatMeansUseFixedWindowsAndFactors) {
    const int w = 640, h = 64;
    const auto flat = MakeImage(w, h, [](int x, int y) { return Noise(x, y, 5); });
    const FlatWindow menu = MenuFlatWindow(w, h);
    EXPECT_EQ(menu.firstRow, 10);
    EXPECT_EQ(menu.lastRow, 19);
    EXPECT_EQ(menu.firstColumn, 5);
    EXPECT_EQ(menu.lastColumn, 504);
    EXPECT_EQ(menu.Count(), 5000);
    const FlatWindow autoWindow = AutoFlatWindow(w, h);
    EXPECT_EQ(autoWindow.lastRow, 59);
    EXPECT_EQ(autoWindow.lastColumn, 604);
    EXPECT_EQ(autoWindow.Count(), 30000);

    int64_t menuSum = 0, autoSum = 0;
    for (int y = 10; y <= 19; ++y)
        for (int x = 5; x <= 504; ++x) menuSum += flat[size_t(y) * w + x];
    for (int y = 10; y <= 59; ++y)
        for (int x = 5; x <= 604; ++x) autoSum += flat[size_t(y) * w + x];
    EXPECT_EQ(FlatMean(flat.data(), w, menu), double(menuSum) * 0.0002);
    EXPECT_EQ(FlatMean(flat.data(), w, autoWindow), double(autoSum) * 0.000033333333333333335);
}

TEST_F(CalibrationTest, FlatWindowShrinksToSmallImages) {
    // Rows 10..14 and columns 5..99 of a 100 x 15 image: 475 pixels, never outside.
    const FlatWindow w = MenuFlatWindow(100, 15);
    EXPECT_EQ(w.firstRow, 10);
    EXPECT_EQ(w.lastRow, 14);
    EXPECT_EQ(w.firstColumn, 5);
    EXPECT_EQ(w.lastColumn, 99);
    const FlatWindow tiny = AutoFlatWindow(4, 6);
    EXPECT_GE(tiny.firstRow, 0);
    EXPECT_LE(tiny.lastRow, 5);
    EXPECT_GE(tiny.firstColumn, 0);
    EXPECT_LE(tiny.lastColumn, 3);
    EXPECT_GT(tiny.Count(), 0);
    // The mean of a constant flat over a shrunken window is that constant.
    const std::vector<Pixel> flat(100 * 15, 777);
    EXPECT_DOUBLE_EQ(FlatMean(flat.data(), 100, w), 777.0);
}

// ---- Menu commands ----------------------------------------------------------------

class CalibrationCommandTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        UseGeometry(kW, kH);
        image = MakeImage(kW, kH, [](int x, int y) { return Noise(x, y, 7); });
        PutA(image);
        std::fill(State().undo, State().undo + State().geometry.pixels, Pixel(4242));
        darkPath = HomePath("dark~.raw");
        flatPath = HomePath("flat~.raw");
    }
    static constexpr int kW = 640, kH = 64;
    std::vector<Pixel> image;
    std::string darkPath, flatPath;
};

TEST_F(CalibrationCommandTest, SubtractDarkFileTakesUndoAndHistory) {
    const auto dark = MakeImage(kW, kH, [](int x, int y) { return Noise(x, y, 8); });
    ASSERT_TRUE(WriteRaw(darkPath, dark));
    ASSERT_TRUE(SubtractDarkFile(darkPath, false));
    EXPECT_EQ(GetUndo(), image);
    auto expected = image;
    SubtractDark(expected.data(), dark.data(), expected.size());
    EXPECT_EQ(GetA(), expected);
    EXPECT_EQ(State().history[0], "Dark Frame Subtracted");
    EXPECT_EQ(HistoryCount(), 1);
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_FALSE(progress.captions.empty());
    EXPECT_EQ(progress.captions[0], "DARK FRAME PROGRESS");
    EXPECT_FALSE(progress.open);
    EXPECT_EQ(progress.positions.back(), 256);
}

TEST_F(CalibrationCommandTest, KeyPressDuringDarkPutsImageBack) {
    ASSERT_TRUE(WriteRaw(darkPath, MakeImage(kW, kH, [](int x, int y) { return Noise(x, y, 8); })));
    events.interruptAt.push_back(0);
    EXPECT_FALSE(SubtractDarkFile(darkPath, false));
    EXPECT_EQ(GetA(), image);
    EXPECT_EQ(HistoryCount(), 0);
    EXPECT_FALSE(progress.open);
}

TEST_F(CalibrationCommandTest, MissingOrForeignSecondImageChangesNothing) {
    EXPECT_FALSE(SubtractDarkFile(HomePath("absent~.raw"), false));
    ASSERT_EQ(MessageTexts().size(), 1u);
    EXPECT_EQ(MessageTexts()[0], MessageText(11));
    ASSERT_TRUE(WriteRaw(flatPath, std::vector<Pixel>(1234, 1)));  // no accepted size
    EXPECT_FALSE(ApplyFlatFile(flatPath, false));
    ASSERT_EQ(MessageTexts().size(), 2u);
    EXPECT_EQ(MessageTexts()[1], MessageText(16));
    EXPECT_EQ(GetA(), image);
    EXPECT_EQ(GetUndo(), std::vector<Pixel>(image.size(), 4242));
    EXPECT_EQ(HistoryCount(), 0);
}

TEST_F(CalibrationCommandTest, ApplyFlatFileRowsProgressAndHistory) {
    const auto flat = MakeImage(kW, kH, [](int x, int y) { return 20000 + (x * 7 + y * 3) % 9000; });
    ASSERT_TRUE(WriteRaw(flatPath, flat));
    ASSERT_TRUE(ApplyFlatFile(flatPath, false));
    const double mean = FlatMean(flat.data(), kW, MenuFlatWindow(kW, kH));
    const auto a = GetA();
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const size_t i = size_t(y) * kW + x;
            const bool inside = y >= 7 && x >= 3;
            ASSERT_EQ(a[i], inside ? FlatReference(image[i], flat[i], mean) : image[i]) << x << "," << y;
        }
    EXPECT_EQ(GetUndo(), image);
    EXPECT_EQ(State().history[0], "Flat Field Applied");
    ASSERT_FALSE(progress.captions.empty());
    EXPECT_EQ(progress.captions[0], "FLAT FIELD PROGRESS");
    EXPECT_FALSE(progress.open);
    ASSERT_GE(progress.positions.size(), 2u);
    EXPECT_LT(progress.positions.front(), progress.positions.back());
}

TEST_F(CalibrationCommandTest, FlatEqualToItsMeanLeavesImage) {
    ASSERT_TRUE(WriteRaw(flatPath, std::vector<Pixel>(size_t(kW) * kH, 30000)));
    ASSERT_TRUE(ApplyFlatFile(flatPath, false));
    const auto a = GetA();
    for (size_t i = 0; i < a.size(); ++i) {
        // a / f * mean may land a hair below a: truncation then gives a - 1.
        ASSERT_LE(a[i], image[i]) << i;
        ASSERT_GE(int(a[i]), int(image[i]) - 1) << i;
    }
}

TEST_F(CalibrationCommandTest, LabelledImageKeepsRowsUpToTen) {
    LabelImage(false, "M42");
    const auto labelled = GetA();
    ASSERT_TRUE(WriteRaw(flatPath, std::vector<Pixel>(size_t(kW) * kH, 100)));
    ASSERT_TRUE(ApplyFlatFile(flatPath, false));
    const auto a = GetA();
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const size_t i = size_t(y) * kW + x;
            if (y <= 10 || x < 3) {
                ASSERT_EQ(a[i], labelled[i]) << x << "," << y;
            }
        }
}

TEST_F(CalibrationCommandTest, DarkKeepsLabelStripAndMarker) {
    LabelImage(false, "Dark");
    const auto labelled = GetA();
    const auto dark = MakeImage(kW, kH, [](int x, int y) { return 100 + (x + y) % 300; });
    ASSERT_TRUE(WriteRaw(darkPath, dark));
    ASSERT_TRUE(SubtractDarkFile(darkPath, false));
    auto expected = labelled;
    SubtractDark(expected.data() + 10 * kW, dark.data() + 10 * kW, expected.size() - 10 * kW);
    EXPECT_EQ(GetA(), expected);
    EXPECT_TRUE(LabelStripPresent(State().imageA));
}

TEST_F(CalibrationCommandTest, KeyPressDuringFlatPutsImageBack) {
    ASSERT_TRUE(WriteRaw(flatPath, MakeImage(kW, kH, [](int x, int) { return 1000 + x; })));
    events.interruptAt.push_back(0);
    EXPECT_FALSE(ApplyFlatFile(flatPath, false));
    EXPECT_EQ(GetA(), image);
    EXPECT_EQ(HistoryCount(), 0);
    EXPECT_FALSE(progress.open);
}

// ---- Automatic dark and flat ------------------------------------------------------

TEST_F(CalibrationCommandTest, AutoDarkCodesAndMessages) {
    ForgetAutoDark();
    EXPECT_EQ(AutoDark(darkPath), kAutoCannotOpen);
    ASSERT_TRUE(WriteRaw(darkPath, std::vector<Pixel>(100, 1)));
    EXPECT_EQ(AutoDark(darkPath), kAutoWrongSize);
    EXPECT_FALSE(AutoDarkLoaded());
    EXPECT_EQ(GetA(), image);
    ShowAutoDarkResult(kAutoCannotOpen);
    ShowAutoDarkResult(kAutoWrongSize);
    ShowAutoDarkResult(kAutoOk);
    ShowAutoFlatResult(kAutoCannotOpen);
    ShowAutoFlatResult(kAutoWrongSize);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{
                                  "Failed to Open Darkframe Tessel File",
                                  "Sorry, chosen Darkframe is not an Tessel File",
                                  "Failed to Open Flatfield Tessel File",
                                  "Sorry, chosen Flatfield is not a Tessel File",
                              }));
}

TEST_F(CalibrationCommandTest, AutoDarkIsReadOnceAndReusedWithoutUndo) {
    ForgetAutoDark();
    const auto dark = MakeImage(kW, kH, [](int x, int y) { return (x + y) % 50; });
    ASSERT_TRUE(WriteRaw(darkPath, dark));
    EXPECT_EQ(AutoDark(darkPath), kAutoOk);
    EXPECT_TRUE(AutoDarkLoaded());
    auto expected = image;
    SubtractDark(expected.data(), dark.data(), expected.size());
    EXPECT_EQ(GetA(), expected);
    EXPECT_EQ(GetUndo(), std::vector<Pixel>(image.size(), 4242));
    EXPECT_EQ(HistoryCount(), 0);

    // The file is gone, the loaded dark stays in use.
    ASSERT_TRUE(RemoveFile(darkPath));
    PutA(image);
    EXPECT_EQ(AutoDark(darkPath), kAutoOk);
    EXPECT_EQ(GetA(), expected);
    // A new path (or a forced reload) reads the file again.
    EXPECT_EQ(AutoDark(darkPath, true), kAutoCannotOpen);
    EXPECT_FALSE(AutoDarkLoaded());
}

TEST_F(CalibrationCommandTest, AutoDarkReloadsWhenGeometryChanges) {
    ForgetAutoDark();
    ASSERT_TRUE(WriteRaw(darkPath, std::vector<Pixel>(size_t(kW) * kH, 5)));
    EXPECT_EQ(AutoDark(darkPath), kAutoOk);
    UseGeometry(kW, kH / 2);  // the loaded frame no longer fits
    EXPECT_EQ(AutoDark(darkPath), kAutoWrongSize);
}

TEST_F(CalibrationCommandTest, AutoFlatRowsAndMean) {
    ForgetAutoFlat();
    const auto flat = MakeImage(kW, kH, [](int x, int y) { return 10000 + Noise(x, y, 9) / 4; });
    ASSERT_TRUE(WriteRaw(flatPath, flat));
    EXPECT_EQ(AutoFlat(flatPath), kAutoOk);
    int64_t sum = 0;
    for (int y = 10; y <= 59; ++y)
        for (int x = 5; x <= 604; ++x) sum += flat[size_t(y) * kW + x];
    const double mean = double(sum) * 0.000033333333333333335;
    const auto a = GetA();
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const size_t i = size_t(y) * kW + x;
            const bool inside = y >= 2 && y <= kH - 2 && x >= 3;
            ASSERT_EQ(a[i], inside ? FlatReference(image[i], flat[i], mean) : image[i]) << x << "," << y;
        }
    EXPECT_EQ(HistoryCount(), 0);
}

TEST_F(CalibrationCommandTest, AutoCalibrationHistoryIsReset) {
    AddHistory("Gaussian Filter");
    RecordAutoCalibration(true, true);
    EXPECT_EQ(State().history[0], "Dark Frame Subtracted");
    EXPECT_EQ(State().history[1], "Flatfield Applied");
    EXPECT_EQ(HistoryCount(), 2);
    RecordAutoCalibration(false, true);
    EXPECT_EQ(State().history[0], "Flatfield Applied");
    EXPECT_EQ(HistoryCount(), 1);
}

}  // namespace
