// velmora-cli process: the operations run in order on the opened image and
// the result is written by the output's extension.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "core/messages.h"
#include "platform/paths.h"
#include "processing/calibration.h"
#include "processing/filters.h"
#include "core/history.h"
#include "processing/label.h"
#include "processing/stretches.h"
#include "processing_test_util.h"
#include "support/test_env.h"

namespace {

constexpr int kW = 1304, kH = 1024;  // camera model 1

class ProcessCliTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        image = MakeImage(kW, kH, [](int x, int y) { return 2000 + Noise(x, y, 21) / 2; });
        input = HomePath("in~.raw");
        ASSERT_TRUE(WriteRaw(input, image));
    }
    CliResult Process(const std::string& out, const std::string& ops) {
        return RunVelmoraCli(home, "process " + input + " " + out + " --model 1 " + ops);
    }
    std::vector<Pixel> image;
    std::string input;
};

TEST_F(ProcessCliTest, CalibrationStretchAndLabelInOrder) {
    const auto dark = MakeImage(kW, kH, [](int x, int y) { return (x * 3 + y) % 700; });
    const auto flat = MakeImage(kW, kH, [](int x, int y) { return 20000 + (x + 2 * y) % 5000; });
    ASSERT_TRUE(WriteRaw(HomePath("dark~.raw"), dark));
    ASSERT_TRUE(WriteRaw(HomePath("flat~.raw"), flat));
    const std::string out = HomePath("out~.raw");
    const CliResult run =
        Process(out, "dark:" + HomePath("dark~.raw") + " flat:" + HomePath("flat~.raw") + " invert label:Hi:There");
    ASSERT_EQ(run.status, 0) << run.output;

    auto expected = image;
    SubtractDark(expected.data(), dark.data(), expected.size());
    ApplyFlat(expected.data(), flat.data(), kW, 7, kH - 1, FlatMean(flat.data(), kW, MenuFlatWindow(kW, kH)));
    for (Pixel& p : expected) p = Pixel(2 * (32767 - (p >> 1)));
    DrawLabel(expected.data(), kW, kH, BuildLabelLine("Hi:There", false, std::tm{}));
    EXPECT_EQ(ReadRaw(out), expected);
}

// Each operation of the CLI against its rule, written out here: a tone curve
// T over the upper 15 bits (pixel = 2 x T[pixel >> 1]) or a filter.
TEST_F(ProcessCliTest, EveryOperationMatchesItsRule) {
    using Rule = std::function<void(std::vector<Pixel>&)>;
    // Extended precision, as the rules say.
    auto tone = [](std::function<long double(int)> t) {
        return [t](std::vector<Pixel>& img) {
            for (Pixel& p : img) p = Pixel(2 * int(t(p >> 1)));
        };
    };
    auto convolve = [](int d, int kernel, int divisor) {
        return [=](std::vector<Pixel>& img) { img = RuleConvolve(img, kW, kH, d, kernel, divisor, d); };
    };
    auto unsharp = [](int r, int k) {
        return [=](std::vector<Pixel>& img) {
            const std::vector<Pixel> a = img;
            const double n = (2 * r + 1) * (2 * r + 1);
            for (int i = r; i <= kH - r - 1; ++i)
                for (int j = r; j <= kW - 2 - r; ++j) {
                    double sum = 0;
                    for (int y = i - r; y <= i + r; ++y)
                        for (int x = j - r; x <= j + r; ++x) sum += a[size_t(y) * kW + x];
                    const long v = a[size_t(i) * kW + j];
                    const long e = v + (v - long(sum / n)) * k;
                    img[size_t(i) * kW + j] = e > 65280 ? 65535 : e < 0 ? 0 : Pixel(e);
                }
        };
    };
    const std::vector<std::pair<std::string, Rule>> cases = {
        {"normal-stretch:10:200", tone([](int i) {
             return i < 1280 ? 0 : i < 25600 ? std::trunc((i - 1280) * 255.0L / 190) : 32767;
         })},
        {"power-stretch:1.5",
         tone([](int i) { return std::min(32767.0L, std::trunc(std::pow((long double)i, 1.5L) / std::sqrt(32768.0L))); })},
        {"sine-stretch", tone([](int i) { return std::trunc((std::sin((i - 16384) / 10432.0L) + 1) * 16383); })},
        {"log-stretch", tone([](int i) { return std::trunc(std::log(i + 1.0L) * 3151); })},
        {"antilog-stretch",
         tone([](int i) { return std::min(32767.0L, std::trunc(std::pow((long double)2.71828, i / 3151.0L) - 1)); })},
        {"invert", tone([](int i) { return 32767 - i; })},
        {"remove-background:40", tone([](int i) {
             const int o = 128 * 40 - 256;
             return i < o ? 0 : std::min(32767.0L, std::trunc((i - o) * 255.0L / (257 - 40)));
         })},
        {"non-linear:25", tone([](int i) {
             const long double d = i / 32768.0L;
             return std::trunc(25 * 32768 * d / (d * 24 + 1));
         })},
        {"unsharp:3:2", unsharp(3, 2)},
        {"hp-low", convolve(1, 2, 1)},
        {"hp-high", convolve(2, 3, 1)},
        {"smoother-sharper", convolve(2, 4, 1)},
        {"gaussian", convolve(2, 1, 80)},
        {"lowpass", convolve(1, 0, 16)},
        {"bas-relief", convolve(2, 5, 1)},
    };
    for (const auto& [op, rule] : cases) {
        const std::string out = HomePath("op~.raw");
        const CliResult run = Process(out, "\"" + op + "\"");
        ASSERT_EQ(run.status, 0) << op << ": " << run.output;
        auto expected = image;
        rule(expected);
        const auto got = ReadRaw(out);
        ASSERT_EQ(got.size(), expected.size()) << op;
        size_t differ = 0;
        for (size_t i = 0; i < got.size(); ++i) differ += got[i] != expected[i];
        EXPECT_EQ(differ, 0u) << op;
    }
}

// The median, gradient and label rules are checked against their rules in
// the filter and label tests; here the command line must do what the menu
// command does with the same values.
TEST_F(ProcessCliTest, MedianGradientAndLabelDoWhatTheMenuDoes) {
    State().geometry.modelCode = 1;
    ApplyCameraModelGeometry();
    const std::vector<std::pair<std::string, std::function<void()>>> cases = {
        {"median:2:0.3", [] { ConditionalMedian(2, 3); }},
        {"gradient", [] { RemoveGradient(); }},
        {"label:M 31", [] { LabelImage(false, "M 31"); }},
    };
    for (const auto& [op, menu] : cases) {
        const std::string out = HomePath("menu~.raw");
        const CliResult run = Process(out, "\"" + op + "\"");
        ASSERT_EQ(run.status, 0) << op << ": " << run.output;
        PutA(image);
        menu();
        EXPECT_NE(GetA(), image) << op;  // the operation did something
        EXPECT_EQ(ReadRaw(out), GetA()) << op;
    }
}

// Whole numbers out of range give the operation's own message (code 50),
// exit 1 and write nothing; they never wrap (4294967298 is not 2).
TEST_F(ProcessCliTest, OutOfRangeNumbersAreRefusedNotWrapped) {
    const std::string out = HomePath("wrapped~.raw");
    const std::pair<const char*, const char*> cases[] = {
        {"non-linear:4294967298", "Sorry, the power must be 2 to 50"},
        {"non-linear:-4294967271", "Sorry, the power must be 2 to 50"},
        {"non-linear:99999999999999999999999", "Sorry, the power must be 2 to 50"},
        {"unsharp:4294967299:2", nullptr},
        {"median:4294967298:0.5", "Sorry, the median filter radius must be 1 to 3 and the power 0.1 to 1.0"},
        {"median:2:1e300", "Sorry, the median filter radius must be 1 to 3 and the power 0.1 to 1.0"},
        {"power-stretch:1e400", "Sorry, the power must be 0.1 to 3.0"},
    };
    for (const auto& [op, text] : cases) {
        const CliResult run = Process(out, op);
        EXPECT_EQ(run.status, 1) << op << ": " << run.output;
        if (text) EXPECT_NE(run.output.find(text), std::string::npos) << op << ": " << run.output;
        EXPECT_FALSE(FileExists(out)) << op;
    }
}

// Without M the black point is the menu's: the background estimate a paint
// leaves (the three most populated high bytes of rows 11..H-6, columns
// 5..W-6, averaged), not the auto-contrast histogram of rows 5..24.
TEST_F(ProcessCliTest, RemoveBackgroundUsesTheMenusBlackPoint) {
    // Rows 0..24 have high byte 16 (what the auto contrast would pick); below,
    // high bytes 40, 41 and 42 by column, so the estimate is (40+41+42)/3 = 41.
    image = MakeImage(kW, kH,
                      [](int x, int y) { return y < 25 ? 16 * 256 + 7 : (40 + x % 3) * 256 + (x * 7 + y) % 256; });
    ASSERT_TRUE(WriteRaw(input, image));
    const std::string out = HomePath("bg~.raw");
    const CliResult run = Process(out, "remove-background");
    ASSERT_EQ(run.status, 0) << run.output;
    const int m = 41, o = 128 * m - 256;
    auto expected = image;
    for (Pixel& p : expected) {
        const int i = p >> 1;
        p = Pixel(2 * (i < o ? 0 : std::min(32767, (i - o) * 255 / (257 - m))));
    }
    EXPECT_EQ(ReadRaw(out), expected);
    EXPECT_EQ(ReadRaw(out)[0], 0);                       // 16 x 256 lies below O = 5120
    // 41 x 256 + 37 = 10533: i = 5266, (5266 - 4992) x 255 / 216 = 323, so 646.
    EXPECT_EQ(ReadRaw(out)[size_t(30) * kW + 1], 646);
}

TEST_F(ProcessCliTest, UndoTakesBackTheLastStep) {
    const std::string out = HomePath("undone~.raw");
    const CliResult run = Process(out, "sine-stretch undo");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadRaw(out), image);
}

TEST_F(ProcessCliTest, MirrorAndFlip) {
    const std::string out = HomePath("turned~.raw");
    ASSERT_EQ(Process(out, "mirror flip").status, 0);
    auto expected = image;
    std::reverse(expected.begin(), expected.end());  // mirror + flip = half turn
    EXPECT_EQ(ReadRaw(out), expected);
}

TEST_F(ProcessCliTest, HotPixelsAreFoundOnInputAndRepaired) {
    auto hot = MakeImage(kW, kH, [](int x, int y) { return 1000 + (x + y) % 4; });
    hot[size_t(100) * kW + 200] = 60000;
    hot[size_t(500) * kW + 700] = 61000;
    ASSERT_TRUE(WriteRaw(input, hot));
    const std::string out = HomePath("repaired~.raw");
    const CliResult run = Process(out, "hot-pixels:50000");
    ASSERT_EQ(run.status, 0) << run.output;
    const auto result = ReadRaw(out);
    auto expected = hot;
    for (size_t i : {size_t(100) * kW + 200, size_t(500) * kW + 700})
        expected[i] = Pixel((expected[i + 1] + expected[i - 1] + expected[i + kW] + expected[i - kW]) / 4);
    EXPECT_EQ(result, expected);
}

TEST_F(ProcessCliTest, FitsOutputCarriesHistoryCards) {
    const std::string out = HomePath("out.fit");
    const CliResult run = Process(out, "invert hp-low");
    ASSERT_EQ(run.status, 0) << run.output;
    const auto bytes = ReadWholeFile(out);
    ASSERT_TRUE(bytes);
    const std::string header(bytes->begin(), bytes->begin() + 5760);
    EXPECT_NE(header.find("Invert Image to Negative"), std::string::npos);
    EXPECT_NE(header.find("High Pass Low Power Filter"), std::string::npos);
}

TEST_F(ProcessCliTest, BadInputGivesMessageAndWritesNothing) {
    const std::string out = HomePath("never~.raw");
    CliResult run = RunVelmoraCli(home, "process " + HomePath("missing~.raw") + " " + out + " --model 1 invert");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(MessageText(11)), std::string::npos) << run.output;

    ASSERT_TRUE(WriteRaw(HomePath("small~.raw"), std::vector<Pixel>(50, 1)));
    run = Process(out, "dark:" + HomePath("small~.raw"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(MessageText(16)), std::string::npos) << run.output;

    run = Process(out, "sharpen-everything");
    EXPECT_EQ(run.status, 2);
    run = Process(out, "unsharp:3");
    EXPECT_EQ(run.status, 2);
    run = Process(out, "invert:7");
    EXPECT_EQ(run.status, 2);
    run = Process(out, "hot-pixels:12");
    EXPECT_EQ(run.status, 2);
    run = RunVelmoraCli(home, "process " + input);
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(FileExists(out));
}

TEST_F(ProcessCliTest, OperationRefusalsExitNonZero) {
    const std::string out = HomePath("refused~.raw");
    // Radius 9 is outside the unsharp mask's 1..7.
    EXPECT_EQ(Process(out, "unsharp:9:1").status, 1);
    EXPECT_FALSE(FileExists(out));
}

}  // namespace
