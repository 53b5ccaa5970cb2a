// velmora-cli process: the operations run in order on the opened image and
// the result is written by the output's extension.
#include <algorithm>
#include <functional>
#include <string>

#include "app/messages.h"
#include "platform/paths.h"
#include "processing/calibration.h"
#include "processing/filters.h"
#include "processing/history.h"
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

// Each operation of the CLI against the pure operation it stands for.
TEST_F(ProcessCliTest, EveryOperationMatchesItsRule) {
    using Rule = std::function<void(std::vector<Pixel>&)>;
    auto table = [](auto build) {
        return [build](std::vector<Pixel>& img) {
            ToneTable t;
            build(t);
            ApplyStretchTableTo(img.data(), kW, kH, t);
        };
    };
    auto filter = [](auto run) {
        return [run](std::vector<Pixel>& img) {
            std::vector<Pixel> out(img.size());
            run(img.data(), out.data());
            img = out;
        };
    };
    const std::vector<std::pair<std::string, Rule>> cases = {
        {"normal-stretch:10:200", table([](ToneTable& t) { BuildNormalStretchTable(10, 200, t); })},
        {"power-stretch:1.5", table([](ToneTable& t) { BuildPowerStretchTable(1.5, t); })},
        {"sine-stretch", table([](ToneTable& t) { BuildSineTable(t); })},
        {"log-stretch", table([](ToneTable& t) { BuildLogTable(t); })},
        {"antilog-stretch", table([](ToneTable& t) { BuildAntilogTable(t); })},
        {"invert", table([](ToneTable& t) { BuildInvertTable(t); })},
        {"remove-background:40", table([](ToneTable& t) { BuildBackgroundTable(40, t); })},
        {"remove-background",
         [](std::vector<Pixel>& img) {
             ToneTable t;
             if (BuildBackgroundTable(AutoContrastBlackPoint(img.data(), kW, kH), t))
                 ApplyStretchTableTo(img.data(), kW, kH, t);
         }},
        {"non-linear:25", table([](ToneTable& t) { BuildNonLinearTable(25, t); })},
        {"unsharp:3:2", filter([](const Pixel* in, Pixel* out) { UnsharpInto(in, out, kW, kH, 3, 2); })},
        {"hp-low", filter([](const Pixel* in, Pixel* out) { ConvolveInto(in, out, kW, kH, 1, 2, 1); })},
        {"hp-high", filter([](const Pixel* in, Pixel* out) { ConvolveInto(in, out, kW, kH, 2, 3, 1); })},
        {"smoother-sharper", filter([](const Pixel* in, Pixel* out) { ConvolveInto(in, out, kW, kH, 2, 4, 1); })},
        {"gaussian", filter([](const Pixel* in, Pixel* out) { ConvolveInto(in, out, kW, kH, 2, 1, 80); })},
        {"lowpass", filter([](const Pixel* in, Pixel* out) { ConvolveInto(in, out, kW, kH, 1, 0, 16); })},
        {"bas-relief", filter([](const Pixel* in, Pixel* out) { ConvolveInto(in, out, kW, kH, 2, 5, 1); })},
        {"median:2:0.3",
         filter([](const Pixel* in, Pixel* out) { ConditionalMedianInto(in, out, kW, kH, 2, 3); })},
        {"gradient", [](std::vector<Pixel>& img) { RemoveGradientFrom(img.data(), kW, kH); }},
        {"label:M 31", [](std::vector<Pixel>& img) {
             DrawLabel(img.data(), kW, kH, BuildLabelLine("M 31", false, std::tm{}));
         }},
    };
    for (const auto& [op, rule] : cases) {
        const std::string out = HomePath("op~.raw");
        const CliResult run = Process(out, "\"" + op + "\"");
        ASSERT_EQ(run.status, 0) << op << ": " << run.output;
        auto expected = image;
        rule(expected);
        EXPECT_EQ(ReadRaw(out), expected) << op;
    }
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
