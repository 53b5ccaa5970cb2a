#include "processing/auto_process.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "core/state.h"
#include "processing/filters.h"
#include "core/history.h"
#include "processing/stretches.h"
#include "processing_test_util.h"
#include "support/test_env.h"

namespace {

class AutoProcessTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        UseGeometry(kW, kH);
        image = MakeImage(kW, kH, [](int x, int y) { return 3000 + (Noise(x, y) >> 2) + (x == 40 ? 30000 : 0); });
        PutA(image);
    }
    std::vector<std::string> History() const {
        std::vector<std::string> lines;
        for (int i = 0; i < HistoryCount(); ++i) lines.push_back(State().history[i]);
        return lines;
    }
    static constexpr int kW = 96, kH = 64;
    std::vector<Pixel> image;
};

TEST_F(AutoProcessTest, StretchChoiceFollowsRadioButtons) {
    Settings& s = State().settings;
    EXPECT_EQ(AutoStretchChoice(s), 101);
    EXPECT_EQ(AutoStretchPower(s), 0);
    SetAutoStretchChoice(s, 102);
    EXPECT_EQ(AutoStretchPower(s), 2);
    SetAutoStretchChoice(s, 103);
    EXPECT_EQ(AutoStretchChoice(s), 103);
    EXPECT_EQ(AutoStretchPower(s), 18);
    SetAutoStretchChoice(s, 104);
    s.autoUserStretchValue = 7;
    EXPECT_EQ(AutoStretchPower(s), 7);
    EXPECT_FALSE(s.autoWeakStretch || s.autoStrongStretch);
    SetAutoStretchChoice(s, 101);
    EXPECT_EQ(AutoStretchPower(s), 0);
}

TEST_F(AutoProcessTest, EntriesAreTakenOneByOneWithinTheirRanges) {
    Settings& s = State().settings;
    EXPECT_TRUE(TakeAutoChoiceEntries(s, "29", "6", "1"));
    EXPECT_EQ(s.autoUserStretchValue, 29);
    EXPECT_EQ(s.autoUnsharpDiameter, 6);
    EXPECT_EQ(s.autoUnsharpPower, 1);
    EXPECT_TRUE(TakeAutoChoiceEntries(s, " 2", "2 ", "6"));
    EXPECT_EQ(s.autoUserStretchValue, 2);
    // 30 is out of range; the other two still count.
    EXPECT_FALSE(TakeAutoChoiceEntries(s, "30", "3", "4"));
    EXPECT_EQ(s.autoUserStretchValue, 2);
    EXPECT_EQ(s.autoUnsharpDiameter, 3);
    EXPECT_EQ(s.autoUnsharpPower, 4);
    EXPECT_FALSE(TakeAutoChoiceEntries(s, "1", "7", "0"));
    EXPECT_FALSE(TakeAutoChoiceEntries(s, "abc", "", "5x"));
    EXPECT_FALSE(TakeAutoChoiceEntries(s, "-5", "1", "99999999999999999999"));
    EXPECT_EQ(s.autoUserStretchValue, 2);
    EXPECT_EQ(s.autoUnsharpDiameter, 3);
    EXPECT_EQ(s.autoUnsharpPower, 4);
}

TEST_F(AutoProcessTest, RemoveBackgroundWithoutStretchChangesNothing) {
    State().settings.autoRemoveBackground = true;
    AutoProcess(false);
    EXPECT_EQ(GetA(), image);
    EXPECT_EQ(HistoryCount(), 0);
}

// The rules written out here, independently of the program's tables: a tone
// curve T over the upper 15 bits (pixel = 2 x T[pixel >> 1]).
void ApplyTone(std::vector<Pixel>& img, const std::function<long double(int)>& t) {
    for (Pixel& p : img) p = Pixel(2 * int(t(p >> 1)));
}
long double NonLinear(int c, int i) {
    const long double d = i / 32768.0L;
    return std::trunc(c * 32768 * d / (d * (c - 1) + 1));
}
long double Background(int m, int i) {
    const int o = 128 * m - 256;
    return i < o ? 0 : std::min(32767.0L, std::trunc((i - o) * 255.0L / (257 - m)));
}

TEST_F(AutoProcessTest, StrongStretchWithBackgroundRemoval) {
    Settings& s = State().settings;
    SetAutoStretchChoice(s, 103);
    s.autoRemoveBackground = true;
    AutoProcess(false);

    // The auto-contrast black point: the most frequent high byte of rows
    // 5..24 (3000 + noise / 4 lies in 11..74, column 40 adds 30000).
    std::array<int, 256> counts{};
    for (int y = 5; y <= 24; ++y)
        for (int x = 0; x < kW; ++x) ++counts[image[size_t(y) * kW + x] >> 8];
    const int m = int(std::max_element(counts.begin(), counts.end()) - counts.begin());
    ASSERT_GE(m, 11);
    ASSERT_LE(m, 74);
    auto expected = image;
    ApplyTone(expected, [m](int i) { return Background(m, i); });
    const auto afterBackground = expected;
    ApplyTone(expected, [](int i) { return NonLinear(18, i); });  // the strong stretch
    EXPECT_EQ(GetA(), expected);
    EXPECT_EQ(History(), (std::vector<std::string>{"Background Removed : min " + std::to_string((128 * m - 256) / 64),
                                                   "Non-Linear Stretch : power 18"}));
    // Each step took its own undo copy: undo goes back one step only.
    EXPECT_EQ(GetUndo(), afterBackground);
}

TEST_F(AutoProcessTest, WeakStretchThenHighPassThenUnsharp) {
    Settings& s = State().settings;
    SetAutoStretchChoice(s, 102);
    s.autoHighPassLowPower = true;
    s.autoUnsharpMask = true;
    s.autoUnsharpDiameter = 2;
    s.autoUnsharpPower = 3;
    AutoProcess(false);

    auto expected = image;
    ApplyTone(expected, [](int i) { return NonLinear(2, i); });  // the weak stretch
    const auto afterHighPass = RuleConvolve(expected, kW, kH, 1, 2, 1, 1);
    // Unsharp mask radius 2, power 3: e = v + (v - window mean) x 3, rows 2..H-3,
    // columns 2..W-4.
    expected = afterHighPass;
    for (int i = 2; i <= kH - 3; ++i)
        for (int j = 2; j <= kW - 4; ++j) {
            double sum = 0;
            for (int y = i - 2; y <= i + 2; ++y)
                for (int x = j - 2; x <= j + 2; ++x) sum += afterHighPass[size_t(y) * kW + x];
            const long v = afterHighPass[size_t(i) * kW + j];
            const long e = v + (v - long(sum / 25)) * 3;
            expected[size_t(i) * kW + j] = e > 65280 ? 65535 : e < 0 ? 0 : Pixel(e);
        }
    EXPECT_EQ(GetA(), expected);
    EXPECT_EQ(History(), (std::vector<std::string>{"Non-Linear Stretch : power 2", "High Pass Low Power Filter",
                                                   "Unsharp Mask : rad 2 ,power 3"}));
    EXPECT_EQ(GetUndo(), afterHighPass);
}

TEST_F(AutoProcessTest, UserStretchUsesStoredPower) {
    Settings& s = State().settings;
    SetAutoStretchChoice(s, 104);
    s.autoUserStretchValue = 11;
    AutoProcess(false);
    auto expected = image;
    ToneTable table;
    BuildNonLinearTable(11, table);
    ApplyStretchTableTo(expected.data(), kW, kH, table);
    EXPECT_EQ(GetA(), expected);
    EXPECT_EQ(History(), (std::vector<std::string>{"Non-Linear Stretch : power 11"}));
}

}  // namespace
