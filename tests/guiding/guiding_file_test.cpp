// The guiding file (the calibration kept across nights), the image scale,
// the arc second columns of the guiding log and `velmora-cli calibration`.
#include <cmath>
#include <fstream>
#include <string>

#include "core/cli.h"
#include "core/messages.h"
#include "core/state.h"
#include "devices/camera.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"
#include "guiding/guiding_stats.h"
#include "guiding/image_scale.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "support/test_env.h"

namespace {

const std::string kHeader = "# Velmora guiding file: the kept guider calibration and guiding settings\n";

// A record with values of its own (the rest stays at the defaults).
void FillRecord() {
    GuiderState& g = Guider();
    g.trained = g.useTrained = g.trainedSet.moved = g.serverOn = true;
    g.trainedSet.ry = -1.3;
    g.trainedSet.dx = 0.1;
    g.trainedSet.theta = -2.5652174329986104;
    g.trainedSet.quadrant = 3;
    g.trainedRule = GuideRule::Smooth;
    g.trainedBinning = 2;
    g.trainedAtS = 1'699'993'200;
    g.quality.raSpreadPx = 0.03;
    g.smooth.raAggressiveness = 0.55;
    g.focalLengthMm = 1000;
    g.serverInstance = 2;
}

// The lines after the first, for FillRecord(): numbers in their shortest exact form.
const std::string kRecordLines =
    "trained=1\nuse_trained=1\nrx=0\nry=-1.3\ndx=0.1\ndy=0\nra_rate=1\ndec_rate=1\nbx=0\nby=0\n"
    "bdx=0\nbdy=0\nra_backlash=0\ndec_backlash=0\ntheta=-2.5652174329986104\nquadrant=3\nmoved=1\n"
    "trained_rule=smooth\ntrained_on_main=0\ntrained_binning=2\ntrained_at_s=1699993200\nquality_fitted=0\n"
    "quality_ra_spread_px=0.03\nquality_dec_spread_px=0\nquality_orthogonality_deg=0\n"
    "quality_suspect=0\nrule=classic\nra_aggressiveness=0.55\nra_min_move_px=0.15\n"
    "ra_hysteresis=0.1\nra_max_pulse_ms=2500\ndec_aggressiveness=0.4\n"
    "dec_min_move_px=0.15\ndec_hysteresis=0.1\ndec_max_pulse_ms=2500\n"
    "dec_reversal_frames=2\nworm_period_s=0\npredictor_weight=0.5\nfocal_length_mm=1000\nserver_on=1\n"
    "server_instance=2\n";

class GuidingFileTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetGuider();
    }
    void TearDown() override {
        ResetGuider();
        VelmoraTest::TearDown();
    }
};

TEST_F(GuidingFileTest, WritesEveryKeptFieldInFullPrecisionAndReadsItBackExactly) {
    FillRecord();
    EXPECT_EQ(GuidingFileText(), kHeader + kRecordLines);
    ASSERT_TRUE(SaveGuidingFile());
    ResetGuider();
    ASSERT_TRUE(LoadGuidingFile());
    // The same 17 digits again: every double came back bit for bit.
    EXPECT_TRUE(Guider().trained && Guider().trainedSet.moved && Guider().serverOn);
    EXPECT_EQ(GuidingFileText(), kHeader + kRecordLines);
}

TEST_F(GuidingFileTest, UnusableLinesKeepTheirDefaultsAndAreNamed) {
    static const char kBinary[] = "\x7f" "ELF\0\x01\x02\nfocal_length_mm=500\n";
    struct Case {
        const char* name;
        std::string text;
        std::string problem;
        double focal;        // focal length after the read
        int instance;        // server instance after the read
        bool trained;
    } cases[] = {
        {"unknown keys are ignored", kHeader + "colour=blue\n# a note\n\nfocal_length_mm=500\n", "", 500, 1, false},
        {"unparseable", kHeader + "focal_length_mm=12x\nserver_instance=3\n", "Line 2", 0, 3, false},
        {"out of range", kHeader + "focal_length_mm=500\nserver_instance=0\n", "Line 3", 500, 1, false},
        {"smooth parameter out of range", kHeader + "ra_aggressiveness=1.5\n", "Line 2", 0, 1, false},
        {"two bad lines", kHeader + "nothing here\nfocal_length_mm=\n", "Line 2 and 1 more", 0, 1, false},
        {"truncated", kHeader + "focal_length_mm=500\nserver_instance=3", "Line 3", 500, 1, false},
        {"foreign", "[General]\nfocal_length_mm=500\n", "Line 1 (not a guiding file)", 0, 1, false},
        {"binary", std::string(kBinary, sizeof kBinary - 1), "Line 1 (not a guiding file)", 0, 1, false},
        {"whole calibration", kHeader + kRecordLines, "", 1000, 2, true},
        // A calibration missing a part is not used at all.
        {"calibration with a bad part", kHeader + "trained=1\nuse_trained=1\nrx=zz\nfocal_length_mm=500\n", "Line 4",
         500, 1, false},
        {"calibration cut short", (kHeader + kRecordLines).substr(0, kHeader.size() + 34), "Line 5", 0, 1, false},
        {"calibration ends at a line's end", kHeader + "trained=1\nuse_trained=1\n", "Line 4 (the calibration is incomplete)",
         0, 1, false},
    };
    for (const Case& c : cases) {
        ResetGuider();
        EXPECT_EQ(ReadGuidingText(c.text), c.problem) << c.name;
        EXPECT_EQ(Guider().focalLengthMm, c.focal) << c.name;
        EXPECT_EQ(Guider().serverInstance, c.instance) << c.name;
        EXPECT_EQ(Guider().trained, c.trained) << c.name;
        EXPECT_EQ(Guider().useTrained, c.trained) << c.name;
        if (!c.trained) {
            EXPECT_EQ(Guider().trainedSet.rx, 0) << c.name;
        }
        EXPECT_EQ(Guider().smooth.raAggressiveness, c.trained ? 0.55 : 0.4) << c.name;
    }
}

TEST_F(GuidingFileTest, AMissingFileIsNoErrorAndAForeignOneOneMessageThatLeavesTheSettings) {
    EXPECT_TRUE(LoadGuidingFile());
    EXPECT_TRUE(messages.shown.empty());
    State().settings.guiderRaPixelsPerSecond = 7;
    ASSERT_EQ(SaveSettings(), 0);
    const std::optional<Bytes> before = ReadWholeFile(MapPath(kSettingsPath));
    ASSERT_TRUE(before && before->size() == kSettingsFileSize);
    std::ofstream(GuidingFilePath(), std::ios::binary) << "\x89PNG\r\n\x1a\nfocal_length_mm=500\n";
    EXPECT_FALSE(LoadGuidingFile());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Part of the guiding file could not be read; the defaults are kept for it.\n" +
                                          GuidingFilePath() + ": Line 1 (not a guiding file)");
    EXPECT_EQ(Guider().focalLengthMm, 0);
    EXPECT_EQ(ReadWholeFile(MapPath(kSettingsPath)), before);
    EXPECT_EQ(State().settings.guiderRaPixelsPerSecond, 7);
}

TEST_F(GuidingFileTest, ImageScaleOfAPixelThroughAFocalLength) {
    EXPECT_NEAR(ArcsecPerPixel(0.0074, 1000), 1.52636, 1e-5);
    EXPECT_EQ(ArcsecPerPixel(0.0074, 0), 0);
    EXPECT_EQ(ArcsecPerPixel(0, 1000), 0);
}

TEST_F(GuidingFileTest, LogAddsArcsecondColumnsAtTheEndWhenTheScaleIsKnown) {
    GuidingFrameReport r;
    r.timeMs = clock.now + 1500;
    r.errorX = 420;
    r.errorY = -1000;
    const std::string line = "1.500,0.0,0.0,0.420,-1.000,,0,,0,0,0,ok";
    for (double scale : {0.0, 1.5}) {
        const std::string path = HomePath("log.csv");
        RemoveFile(path);
        GuidingLog log;
        ASSERT_TRUE(log.Open(path, scale));
        log.Write(r, "ok");
        log.Close();
        const std::optional<Bytes> text = ReadWholeFile(path);
        EXPECT_EQ(std::string(text->begin(), text->end()),
                  scale ? std::string(kGuidingLogHeader) + ",error_x_arcsec,error_y_arcsec\n" + line + ",0.630,-1.500\n"
                        : std::string(kGuidingLogHeader) + "\n" + line + "\n");
    }
}

TEST_F(GuidingFileTest, CalibrationShowPrintsTheFileKeysAndTheAgeAndClearForgetsIt) {
    FillRecord();
    ASSERT_TRUE(SaveGuidingFile());
    ResetGuider();
    // The test clock reads 1,700,001,000 s: 2 h 10 min after the training.
    EXPECT_EQ(Guider().trained, false);
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunCli({"calibration", "show"}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kRecordLines + "age_s=7800\n");
    EXPECT_EQ(CalibrationAgeText(Sys().clock->UnixSeconds()), "Calibration: trained 2 h 10 min ago (smooth, guider, bin 2)");

    EXPECT_EQ(RunCli({"calibration", "clear"}), 0);
    ResetGuider();
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunCli({"calibration", "show"}), 0);
    const std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_EQ(shown.substr(0, 29), "trained=0\nuse_trained=0\nrx=0\n");
    const std::string kept = "focal_length_mm=1000\nserver_on=1\nserver_instance=2\nage_s=-1\n";  // the rest stays
    EXPECT_EQ(shown.substr(shown.size() - kept.size()), kept);
    EXPECT_EQ(RunCli({"calibration", "clear", "--now"}), 2);
    EXPECT_EQ(RunCli({"calibration", "show", "--help"}), 0);
}

// `train` then `guide` as two runs of the program: the second starts from
// the file alone and guides on the kept calibration. The camera is turned
// by 90 degrees, where the untrained rates push the star away.
TEST_F(GuidingFileTest, TrainThenGuideInSeparateRunsGuideOnTheKeptCalibration) {
    const CliArgs sky = {"--simulate", "--guider", "--sim-rate", "3", "--sim-seeing", "0.15", "--seed", "7",
                         "--sim-angle", "90", "--sim-drift", "3", "--focal-length", "1000"};
    auto run = [&](CliArgs args) {
        // A fresh process: nothing in memory from the run before.
        ResetState();
        ResetGuider();
        ResetCameraInfo();
        args.insert(args.end(), sky.begin(), sky.end());
        testing::internal::CaptureStdout();
        const int status = RunCli(args);
        return std::pair{status, testing::internal::GetCapturedStdout()};
    };
    auto value = [](const std::string& text, const std::string& key) {
        const size_t at = text.find(key + "=");
        return at == std::string::npos ? NAN : std::atof(text.c_str() + at + key.size() + 1);
    };
    const auto [untrainedStatus, untrained] = run({"guide", "--minutes", "1"});
    EXPECT_GT(value(untrained, "true_rms_total"), 2.0) << untrained;

    const auto [trainStatus, trained] = run({"train"});
    ASSERT_EQ(trainStatus, 0) << trained;
    EXPECT_NEAR(value(trained, "angle_deg"), value(trained, "true_angle_deg"), 2) << trained;
    const double rx = Guider().trainedSet.rx, dy = Guider().trainedSet.dy;

    const auto [guideStatus, guided] = run({"guide", "--minutes", "1"});
    ASSERT_EQ(guideStatus, 0) << guided;
    EXPECT_TRUE(Guider().trained && Guider().useTrained);
    EXPECT_EQ(Guider().trainedSet.rx, rx);
    EXPECT_EQ(Guider().trainedSet.dy, dy);
    EXPECT_LT(value(guided, "true_rms_total"), 0.5) << guided;
    // Arc seconds beside pixels: 7.4 um pixels (the default guider head) at 1000 mm.
    const double scale = value(guided, "scale_arcsec");
    EXPECT_NEAR(scale, 1.526, 0.001) << guided;
    EXPECT_NEAR(value(guided, "rms_total_arcsec"), value(guided, "rms_total") * scale, 0.002) << guided;
}

// A calibration kept from a night at another binning is scaled to the
// pixels guided now: rates and backlash by trained binning / binning now.
TEST_F(GuidingFileTest, AKeptCalibrationFollowsTheBinningGuidedNow) {
    struct Case {
        bool onMain;
        int trainedBinning;
        bool binnedNow;
        double rx, backlash;
    } cases[] = {
        {false, 1, false, 3, 0.8}, {false, 1, true, 1.5, 0.4}, {false, 2, false, 6, 1.6},
        {true, 2, false, 6, 1.6},  {true, 2, true, 3, 0.8},
    };
    for (const Case& c : cases) {
        ResetGuider();
        GuiderState& g = Guider();
        g.trainedSet.rx = 3;
        g.trainedSet.raBacklash = 0.8;
        g.trainedOnMain = c.onMain;
        g.trainedBinning = c.trainedBinning;
        (c.onMain ? State().geometry.binned : g.exposure.binned) = c.binnedNow;
        EXPECT_DOUBLE_EQ(TrainedSet().rx, c.rx) << c.onMain << c.trainedBinning << c.binnedNow;
        EXPECT_DOUBLE_EQ(TrainedSet().raBacklash, c.backlash) << c.onMain << c.trainedBinning << c.binnedNow;
        State().geometry.binned = false;
    }
}

}  // namespace
