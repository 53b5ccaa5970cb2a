// Contrast stretches: the tone curves, the engine and the menu commands on
// image buffer A.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "core/state.h"
#include "core/history.h"
#include "processing/stretches.h"
#include "support/test_env.h"

namespace {

std::vector<uint16_t> RandomImage(int w, int h, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint16_t> image(size_t(w) * h);
    for (auto& p : image) p = uint16_t(rng());
    return image;
}

// Every value 0..65535 once, then filler.
std::vector<uint16_t> AllValues(int w, int h) {
    std::vector<uint16_t> image(size_t(w) * h);
    for (size_t k = 0; k < image.size(); ++k) image[k] = uint16_t(k);
    return image;
}

void Label(std::vector<uint16_t>& image) {
    for (int k = 0; k < 6; ++k) image[k] = 17;
}

class StretchCommandTest : public VelmoraTest {
protected:
    void SetSize(int w, int h) {
        ImageGeometry& g = State().geometry;
        g.binned = false;
        g.sensorWidth = int16_t(w);
        g.sensorHeight = int16_t(h);
        RecomputeGeometry();
        ASSERT_EQ(g.width, w);
        ASSERT_EQ(g.height, h);
    }
    void Load(const std::vector<uint16_t>& image) {
        std::copy(image.begin(), image.end(), State().imageA);
    }
    std::vector<uint16_t> A() const {
        const auto& g = State().geometry;
        return std::vector<uint16_t>(State().imageA, State().imageA + size_t(g.width) * g.height);
    }
    std::vector<uint16_t> Undo() const {
        const auto& g = State().geometry;
        return std::vector<uint16_t>(State().undo, State().undo + size_t(g.width) * g.height);
    }
};

}  // namespace

// ---------------------------------------------------------------- tables

TEST(StretchTables, NormalStretchRamp) {
    ToneTable t;
    ASSERT_TRUE(BuildNormalStretchTable(10, 100, t));
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[1279], 0);
    EXPECT_EQ(t[1280], 0);
    EXPECT_EQ(t[1281], 255 / 90);                   // 2
    EXPECT_EQ(t[2000], (2000 - 1280) * 255 / 90);   // 2040
    EXPECT_EQ(t[12799], (12799 - 1280) * 255 / 90); // 32636
    EXPECT_EQ(t[12800], 32767);
    EXPECT_EQ(t[32767], 32767);
    EXPECT_FALSE(BuildNormalStretchTable(100, 100, t));
    EXPECT_FALSE(BuildNormalStretchTable(120, 100, t));
}

TEST(StretchTables, NormalStretchWhiteAboveFullScaleDarkens) {
    ToneTable t;
    ASSERT_TRUE(BuildNormalStretchTable(0, 300, t));
    // White 300: the ramp runs past the table end, top entry 32767 * 255 / 300.
    EXPECT_EQ(t[32767], 32767 * 255 / 300);
    for (int i = 0; i < kStretchTableSize; ++i) ASSERT_LE(t[i], 32640);
}

TEST(StretchTables, PowerLaw) {
    ToneTable t;
    EXPECT_FALSE(BuildPowerStretchTable(1.0, t));
    ASSERT_TRUE(BuildPowerStretchTable(2.0, t));
    for (int i : {0, 1, 181, 1000, 20000, 32767}) EXPECT_EQ(t[i], int64_t(i) * i / 32768) << i;
    ASSERT_TRUE(BuildPowerStretchTable(3.0, t));
    EXPECT_EQ(t[16384], 4096);  // 16384^3 / 32768^2
    EXPECT_EQ(t[32767], int64_t(32767) * 32767 / 32768 * 32767 / 32768);
    ASSERT_TRUE(BuildPowerStretchTable(0.1, t));
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[32767], 32767);  // 32767^0.1 * 32768^0.9 just below 32768, capped
    // Monotone and within 0..32767 for every dialog power.
    for (int tenths = 1; tenths <= 30; ++tenths) {
        if (tenths == 10) continue;
        ASSERT_TRUE(BuildPowerStretchTable(tenths / 10.0, t));
        for (int i = 1; i < kStretchTableSize; ++i) ASSERT_LE(t[i - 1], t[i]) << tenths << " " << i;
        ASSERT_LE(t[32767], 32767);
    }
}

TEST(StretchTables, RemoveBackground) {
    ToneTable t;
    EXPECT_FALSE(BuildBackgroundTable(2, t));
    EXPECT_FALSE(BuildBackgroundTable(0, t));
    ASSERT_TRUE(BuildBackgroundTable(10, t));  // O = 1024
    EXPECT_EQ(t[1023], 0);
    EXPECT_EQ(t[1024], 0);
    EXPECT_EQ(t[1025], 255 / 247);
    EXPECT_EQ(t[5000], (5000 - 1024) * 255 / 247);
    EXPECT_EQ(t[32767], 32767);  // (32767 - 1024) * 255 / 247 > 32767
    ASSERT_TRUE(BuildBackgroundTable(255, t));  // O = 32384, divisor 2
    EXPECT_EQ(t[32383], 0);
    EXPECT_EQ(t[32384], 0);
    EXPECT_EQ(t[32385], 127);
}

TEST(StretchTables, NonLinear) {
    ToneTable t;
    for (int c : {2, 18, 25, 50}) {
        BuildNonLinearTable(c, t);
        EXPECT_EQ(t[0], 0);
        // d = 1/2: c * 16384 / ((c - 1) / 2 + 1) = 32768 c / (c + 1)
        EXPECT_EQ(t[16384], int64_t(32768) * c / (c + 1)) << c;
        EXPECT_LE(t[32767], 32767);
        for (int i = 1; i < kStretchTableSize; ++i) ASSERT_LE(t[i - 1], t[i]);
    }
    BuildNonLinearTable(2, t);
    EXPECT_EQ(t[8192], 13107);  // 2 * 32768 * 0.25 / 1.25
}

TEST(StretchTables, SineLogAntilogInvert) {
    ToneTable t;
    BuildSineTable(t);
    EXPECT_EQ(t[16384], 16383);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[32767], 32765);  // sin(16383 / 10432) just below 1
    // (sin((i - 16384) / 10432) + 1) x 16383, worked out to 40 digits:
    // 0.79..., 1847.87..., 21948.73..., 32191.61...
    EXPECT_EQ(t[100], 0);
    EXPECT_EQ(t[5000], 1847);
    EXPECT_EQ(t[20000], 21948);
    EXPECT_EQ(t[30000], 32191);
    BuildLogTable(t);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[1], 2184);  // ln 2 x 3151 = 2184.1...
    EXPECT_EQ(t[32767], 32761);
    BuildAntilogTable(t);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[3151], 1);  // 2.71828 - 1
    EXPECT_EQ(t[3151 * 10], 22025);  // 2.71828^10 - 1 = 22025.36...
    EXPECT_EQ(t[32767], 32767);
    BuildInvertTable(t);
    EXPECT_EQ(t[0], 32767);
    EXPECT_EQ(t[32767], 0);
    EXPECT_EQ(t[100], 32667);
}

TEST(StretchTables, AntilogUsesFiveDecimalBase) {
    ToneTable t;
    BuildAntilogTable(t);
    int differs = 0;
    for (int i = 0; i < kStretchTableSize; ++i) {
        const long double v = std::pow((long double)2.71828, (long double)i / 3151.0L) - 1.0L;
        const int expected = v >= 32767 ? 32767 : int(v);
        ASSERT_EQ(t[i], expected) << i;
        const long double e = std::exp((long double)i / 3151.0L) - 1.0L;
        if ((e >= 32767 ? 32767 : int(e)) != expected) ++differs;
    }
    EXPECT_GT(differs, 100);  // the true e would give other values
}

// ---------------------------------------------------------------- engine

TEST(StretchEngine, InvertTwiceClearsBitZero) {
    const int w = 257, h = 256;
    auto image = AllValues(w, h);
    ToneTable t;
    BuildInvertTable(t);
    auto twice = image;
    ApplyStretchTableTo(twice.data(), w, h, t);
    ApplyStretchTableTo(twice.data(), w, h, t);
    for (size_t k = 0; k < image.size(); ++k) ASSERT_EQ(twice[k], image[k] & 0xFFFE) << k;
}

TEST(StretchEngine, NormalStretchZeroTo255) {
    const int w = 256, h = 256;
    auto image = AllValues(w, h);
    ToneTable t;
    ASSERT_TRUE(BuildNormalStretchTable(0, 255, t));
    ApplyStretchTableTo(image.data(), w, h, t);
    for (int v = 0; v < 65536; ++v) ASSERT_EQ(image[v], v < 65280 ? (v & 0xFFFE) : 65534) << v;
}

TEST(StretchEngine, LogAndAntilogEnds) {
    std::vector<uint16_t> image(11 * 20, 0);
    image[200] = 65535;
    image[201] = 1;
    ToneTable t;
    BuildLogTable(t);
    auto log = image;
    ApplyStretchTableTo(log.data(), 11, 20, t);
    EXPECT_EQ(log[0], 0);
    EXPECT_EQ(log[200], 65522);
    EXPECT_EQ(log[201], 0);
    BuildAntilogTable(t);
    auto antilog = image;
    ApplyStretchTableTo(antilog.data(), 11, 20, t);
    EXPECT_EQ(antilog[200], 65534);
}

TEST(StretchEngine, EveryPixelAgainstTheTable) {
    // 13 x 23: W*H - 10W = 169 is not a multiple of 16; every pixel still
    // goes through the table.
    const int w = 13, h = 23;
    auto image = RandomImage(w, h, 7);
    ToneTable t;
    BuildSineTable(t);
    auto out = image;
    std::vector<int> positions;
    ApplyStretchTableTo(out.data(), w, h, t, [&](int p) { positions.push_back(p); });
    for (size_t k = 0; k < image.size(); ++k) ASSERT_EQ(out[k], uint16_t(2 * t[image[k] >> 1])) << k;
    ASSERT_EQ(positions.size(), 16u);
    for (int b = 0; b < 16; ++b) EXPECT_EQ(positions[b], 16 * b);
}

TEST(StretchEngine, LabelStripKept) {
    const int w = 40, h = 30;
    auto image = RandomImage(w, h, 3);
    Label(image);
    ToneTable t;
    BuildInvertTable(t);
    auto out = image;
    ApplyStretchTableTo(out.data(), w, h, t);
    for (int k = 0; k < 10 * w; ++k) ASSERT_EQ(out[k], image[k]);
    for (size_t k = 10 * w; k < image.size(); ++k) ASSERT_EQ(out[k], 2 * (32767 - (image[k] >> 1)));
    // Pixel 4 + pixel 5 = 34 is the test, not the six 17s.
    auto other = RandomImage(w, h, 4);
    other[4] = 30;
    other[5] = 4;
    EXPECT_EQ(KeptLabelRows(other.data(), w, h), 10);
    other[5] = 5;
    EXPECT_EQ(KeptLabelRows(other.data(), w, h), 0);
    // 65535 + 35 does not wrap to 34.
    other[4] = 65535;
    other[5] = 35;
    EXPECT_EQ(KeptLabelRows(other.data(), w, h), 0);
}

TEST(StretchEngine, AutoContrastBlackPoint) {
    const int w = 20, h = 30;
    std::vector<uint16_t> image(size_t(w) * h, 0x0500);
    // Rows 5..24 only: 0x07xx in 300 of their 400 pixels wins.
    for (int k = 5 * w; k < 5 * w + 300; ++k) image[k] = 0x07FF;
    for (int k = 25 * w; k < h * w; ++k) image[k] = 0x0900;
    EXPECT_EQ(AutoContrastBlackPoint(image.data(), w, h), 7);
    // A tie goes to the lower index.
    for (int k = 5 * w; k < 25 * w; ++k) image[k] = (k % 2) ? 0x0300 : 0x0200;
    EXPECT_EQ(AutoContrastBlackPoint(image.data(), w, h), 2);
}

// ---------------------------------------------------------------- commands

TEST_F(StretchCommandTest, InvertTakesUndoCopyProgressAndOneHistoryLine) {
    SetSize(64, 48);
    auto image = RandomImage(64, 48, 11);
    Load(image);
    ClearHistory();
    InvertStretch();
    auto a = A();
    for (size_t k = 0; k < a.size(); ++k) ASSERT_EQ(a[k], 2 * (32767 - (image[k] >> 1)));
    EXPECT_EQ(Undo(), image);
    EXPECT_EQ(State().history[0], "Invert Image to Negative");
    EXPECT_EQ(HistoryCount(), 1);
    ASSERT_EQ(progress.captions.size(), 2u);
    EXPECT_EQ(progress.captions[0], "Filter Progress");
    EXPECT_EQ(progress.captions[1], "CONTRAST STRETCH");
    EXPECT_FALSE(progress.open);
    EXPECT_EQ(progress.positions.size(), 16u);
    EXPECT_EQ(progress.positions.back(), 240);
    EXPECT_FALSE(system.busyCursor);
}

TEST_F(StretchCommandTest, HistoryLinesOfEveryStretch) {
    SetSize(32, 32);
    Load(RandomImage(32, 32, 5));
    ClearHistory();
    EXPECT_TRUE(NormalStretch(10, 200));
    EXPECT_TRUE(PowerStretch(1.5));
    SineStretch();
    EXPECT_TRUE(RemoveBackground(10));
    EXPECT_TRUE(NonLinearStretch(25));
    LogStretch();
    AntilogStretch();
    InvertStretch();
    const auto& hist = State().history;
    EXPECT_EQ(hist[0], "Normal Stretch : max 400 , min : 20");
    EXPECT_EQ(hist[1], "Power Stretch :  1.5");
    EXPECT_EQ(hist[2], "Sine Stretch");
    EXPECT_EQ(hist[3], "Background Removed : min 16");  // (1280 - 256) / 64
    EXPECT_EQ(hist[4], "Non-Linear Stretch : power 25");
    EXPECT_EQ(hist[5], "Log Stretch");
    EXPECT_EQ(hist[6], "Antilog Stretch");
    EXPECT_EQ(hist[7], "Invert Image to Negative");
    EXPECT_EQ(HistoryCount(), 8);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(StretchCommandTest, NoOpChoicesLeaveImageUndoAndHistory) {
    SetSize(32, 32);
    auto image = RandomImage(32, 32, 9);
    Load(image);
    std::fill(State().undo, State().undo + 32 * 32, 4321);
    ClearHistory();
    EXPECT_FALSE(NormalStretch(100, 100));
    EXPECT_FALSE(NormalStretch(200, 100));
    EXPECT_FALSE(PowerStretch(1.0));
    EXPECT_FALSE(RemoveBackground(2));
    EXPECT_EQ(A(), image);
    EXPECT_EQ(Undo(), std::vector<uint16_t>(32 * 32, 4321));
    EXPECT_EQ(HistoryCount(), 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(progress.captions.empty());
}

TEST_F(StretchCommandTest, OutOfRangeValuesAreRefusedWithAMessage) {
    SetSize(32, 32);
    auto image = RandomImage(32, 32, 10);
    Load(image);
    std::fill(State().undo, State().undo + 32 * 32, 4321);
    ClearHistory();
    EXPECT_FALSE(NormalStretch(-1, 100));
    EXPECT_FALSE(NormalStretch(0, 301));
    EXPECT_FALSE(PowerStretch(3.5));
    EXPECT_FALSE(PowerStretch(0.0));
    EXPECT_FALSE(PowerStretch(std::nan("")));
    EXPECT_FALSE(RemoveBackground(256));
    EXPECT_FALSE(NonLinearStretch(1));
    EXPECT_FALSE(NonLinearStretch(51));
    EXPECT_EQ(messages.shown.size(), 8u);
    for (const auto& m : messages.shown) EXPECT_EQ(m.caption, "Velmora_USB");
    EXPECT_EQ(A(), image);
    EXPECT_EQ(Undo(), std::vector<uint16_t>(32 * 32, 4321));
    EXPECT_EQ(HistoryCount(), 0);
}

TEST_F(StretchCommandTest, RemoveBackgroundBlanksTheSky) {
    SetSize(64, 40);
    auto image = RandomImage(64, 40, 12);
    for (auto& p : image) p = p % 4096;
    Load(image);
    ClearHistory();
    ASSERT_TRUE(RemoveBackground(10, false));
    auto a = A();
    for (size_t k = 0; k < a.size(); ++k) {
        if (image[k] < 2048) ASSERT_EQ(a[k], 0) << k;
        else ASSERT_EQ(a[k], 2 * ((image[k] / 2 - 1024) * 255 / 247)) << k;
    }
}

TEST_F(StretchCommandTest, LabelledImageKeepsItsStripThroughEveryStretch) {
    SetSize(48, 30);
    auto image = RandomImage(48, 30, 13);
    Label(image);
    Load(image);
    NormalStretch(3, 250);
    PowerStretch(0.5);
    SineStretch();
    RemoveBackground(50);
    NonLinearStretch(10);
    LogStretch();
    AntilogStretch();
    InvertStretch();
    auto a = A();
    for (int k = 0; k < 10 * 48; ++k) ASSERT_EQ(a[k], image[k]) << k;
}

TEST(StretchEngine, EveryKernelMapsASkyFrameThroughTheTable) {
    // A sky: smooth background with noise (neighbours close together) and a
    // few bright stars and hot pixels (neighbours far apart).
    const int w = 301, h = 57;
    std::vector<uint16_t> sky(size_t(w) * h);
    std::mt19937 rng(17);
    std::normal_distribution<double> noise(0, 40);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sky[size_t(y) * w + x] = uint16_t(std::clamp(3000 + 5.0 * x + 20.0 * y + noise(rng), 0.0, 65535.0));
    for (int s = 0; s < 40; ++s) sky[rng() % sky.size()] = uint16_t(rng());
    sky[0] = 0;
    sky[1] = 65535;
    sky[w * h - 1] = 65535;
    // Runs of vectors at both ends of the table.
    for (int k = 0; k < 96; ++k) {
        sky[size_t(20) * w + k] = uint16_t(k * 5);
        sky[size_t(30) * w + k] = uint16_t(65535 - k * 5);
    }
    ToneTable tables[8];
    BuildNormalStretchTable(3, 240, tables[0]);
    BuildPowerStretchTable(0.7, tables[1]);
    BuildBackgroundTable(12, tables[2]);
    BuildNonLinearTable(18, tables[3]);
    BuildSineTable(tables[4]);
    BuildLogTable(tables[5]);
    BuildAntilogTable(tables[6]);
    BuildInvertTable(tables[7]);
    for (StretchKernel kernel : {StretchKernel::Scalar, StretchKernel::Avx2, StretchKernel::Avx512}) {
        if (!UseStretchKernel(kernel)) continue;
        for (const ToneTable& t : tables) {
            auto out = sky;
            ApplyStretchTableTo(out.data(), w, h, t);
            for (size_t k = 0; k < sky.size(); ++k)
                ASSERT_EQ(out[k], uint16_t(2 * t[sky[k] >> 1])) << "kernel " << int(kernel) << " pixel " << k;
        }
    }
    UseStretchKernel(StretchKernel::Best);
}
