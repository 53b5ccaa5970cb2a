#include "processing/auto_process.h"

#include "app/state.h"
#include "processing/filters.h"
#include "processing/history.h"
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

TEST_F(AutoProcessTest, StrongStretchWithBackgroundRemoval) {
    Settings& s = State().settings;
    SetAutoStretchChoice(s, 103);
    s.autoRemoveBackground = true;
    AutoProcess(false);

    auto expected = image;
    const int m = AutoContrastBlackPoint(expected.data(), kW, kH);
    ASSERT_GE(m, 3);
    ToneTable table;
    ASSERT_TRUE(BuildBackgroundTable(m, table));
    ApplyStretchTableTo(expected.data(), kW, kH, table);
    const auto afterBackground = expected;
    BuildNonLinearTable(18, table);
    ApplyStretchTableTo(expected.data(), kW, kH, table);
    EXPECT_EQ(GetA(), expected);
    EXPECT_EQ(History(), (std::vector<std::string>{BackgroundHistory(m), "Non-Linear Stretch : power 18"}));
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
    ToneTable table;
    BuildNonLinearTable(2, table);
    ApplyStretchTableTo(expected.data(), kW, kH, table);
    std::vector<Pixel> work(expected.size());
    ConvolveInto(expected.data(), work.data(), kW, kH, 1, kKernelHighPassLowPower, 1);
    const auto afterHighPass = work;
    UnsharpInto(afterHighPass.data(), expected.data(), kW, kH, 2, 3);
    EXPECT_EQ(GetA(), expected);
    EXPECT_EQ(History(), (std::vector<std::string>{"Non-Linear Stretch : power 2", "High Pass Low Power Filter",
                                                   UnsharpHistory(2, 3)}));
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
