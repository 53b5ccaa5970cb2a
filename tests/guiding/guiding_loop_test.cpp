// The training and guiding loops end to end on the simulated camera and
// mount, on the fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <memory>

#include "acquisition/camera_interface.h"
#include "acquisition/guiding_hooks.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/sim/simulator.h"
#include "display/display_state.h"
#include "guiding/guider_dialog_rules.h"
#include "guiding/guide_output.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_loops.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "telescope/telescope_link.h"
#include "support/test_env.h"

namespace {

class GuidingLoopTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetGuider();
        ResetCameraInfo();
        State().settings.driveMethod = 'b';
        State().settings.showInterfaceDetails = false;
    }
    void TearDown() override {
        sim_.reset();
        VelmoraTest::TearDown();
    }
    // One guide star at (250, 145) on the guider, the mount at `angle`.
    Simulator& Sim(double angleDeg, double drift = 0) {
        SimulatorConfig config;
        config.generateFields = false;
        // The guider's own sky (its gain, noise and 8-bit range) with one
        // star: the brightest of the generated field, moved to (250, 145).
        config.guiderField = MakeGuiderField(500, 290, 3);
        SimStar star = config.guiderField.stars.front();
        for (const SimStar& s : config.guiderField.stars)
            if (s.flux > star.flux) star = s;
        star.x = 250;
        star.y = 145;
        config.guiderField.stars = {star};
        config.guiderField.hotPixels.clear();
        config.camera.guiderScale = 1;
        config.camera.guiderAngleDeg = 0;
        config.mainField.stars = {{1000, 1000, 40000}};
        config.mount.guideRatePerSecond = 3;
        config.mount.cameraAngleDeg = angleDeg;
        config.mount.driftDecPerSecond = drift;
        sim_ = std::make_unique<ScopedSimulator>(config);
        Guider().starSelected = true;
        Guider().starX = 250;
        Guider().starY = 145;
        Guider().exposure = GuiderExposure{'s', 1};
        return sim_->sim();
    }
    std::unique_ptr<ScopedSimulator> sim_;
};

TEST_F(GuidingLoopTest, GuiderTrainingMeasuresRateAndAngleAndSavesSettings) {
    Sim(30);
    ASSERT_EQ(RunGuiderTraining({}), LoopEnd::Done);
    const GuiderTrainingResult& r = Guider().trainedSet;
    EXPECT_NEAR(r.raRate, 3, 0.3);
    EXPECT_NEAR(r.decRate, 3, 0.3);
    // West moves the picture -x, rotated by the camera angle: 30 + 180.
    EXPECT_NEAR(r.theta * 180 / M_PI, -150, 3);
    EXPECT_TRUE(Guider().trained);
    EXPECT_TRUE(Guider().useTrained);
    EXPECT_FALSE(Guider().training);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text.rfind("slew RA = ", 0), 0u);
    EXPECT_TRUE(FileExists(MapPath(kSettingsPath)));
}

// A window that cannot fit, or that holds only sky, is a failed search.
TEST_F(GuidingLoopTest, TrainingThatLosesTheStarStoresNothing) {
    Sim(0);
    const std::pair<int, int> starts[] = {{495, 145}, {100, 100}};  // outside; blank sky
    for (const auto& [x, y] : starts) {
        messages.shown.clear();
        Guider().starX = x;
        Guider().starY = y;
        ASSERT_EQ(RunGuiderTraining({}), LoopEnd::StarLost) << x;
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown.back().text, "Find centre failed - outside image area");
        EXPECT_FALSE(Guider().trained);
        EXPECT_FALSE(Guider().training);
        EXPECT_EQ(Guider().trainedSet.storedRaRate, 1);
    }
}

// An AO unit that shifts the simulated picture at once by steps / perPixel
// (perPixel 0: a unit that does not move the star at all).
struct NudgingAo : GuideOutput {
    NudgingAo(Simulator& sim, double perPixel) : sim(sim), perPixel(perPixel) {}
    bool Pulse(char, int32_t) override { return true; }
    bool RelayPulse(char, int32_t) override { return true; }
    void AoRecentre() override {}
    bool AoStep(char letter, int32_t steps) override {
        const double px = perPixel > 0 ? steps / perPixel : 0;
        sim.Mount().Nudge(letter == 'w' ? px : letter == 'e' ? -px : 0, letter == 'n' ? px : letter == 's' ? -px : 0,
                          NowMs());
        return true;
    }
    Simulator& sim;
    double perPixel;
};

// AO training keeps its gains apart from the typed gains in use: guiding
// uses the trained ones until "Use Default" switches back. A unit that did
// not move the star is a failed training that keeps every stored gain.
TEST_F(GuidingLoopTest, AoTrainingKeepsTheTypedGainsAndFailsWithoutMotion) {
    Simulator& sim = Sim(0);
    Settings& s = State().settings;
    s.guiderCalibration = {9, 7, 3, 2};
    ASSERT_EQ(SaveSettings(), 0);
    struct Case {
        double stepsPerPixel;
        LoopEnd end;
        std::array<int16_t, 4> stored;
        int gainRa, gainDec;
    } cases[] = {
        {0, LoopEnd::Failed, {9, 7, 3, 2}, 9, 7},
        {5, LoopEnd::Done, {9, 7, 5, 5}, 5, 5},
    };
    for (const Case& c : cases) {
        messages.shown.clear();
        NudgingAo ao(sim, c.stepsPerPixel);
        GuidingContext context;
        context.output = &ao;
        EXPECT_EQ(RunAoTraining(context), c.end) << c.stepsPerPixel;
        State().settings = Settings{};
        ASSERT_EQ(LoadSettings(), 0);
        EXPECT_EQ(s.guiderCalibration, c.stored) << c.stepsPerPixel;
        EXPECT_EQ(AoGainRa(), c.gainRa);
        EXPECT_EQ(AoGainDec(), c.gainDec);
        if (c.end == LoopEnd::Failed) EXPECT_EQ(MessageTexts().back(), kTrainingFailedText);
    }
    // "Use Default" goes back to the typed gains.
    ToggleUseTrained(Guider().aoUseTrained, Guider().aoTrained);
    EXPECT_EQ(AoGainRa(), 9);
    EXPECT_EQ(AoGainDec(), 7);
}

TEST_F(GuidingLoopTest, GuidingHoldsADriftingStarAndStopsOnlyOnStopGuiding) {
    // Dec drifts 0.05 px/s: 3 px in the minute unguided.
    Simulator& sim = Sim(30, 0.05);
    ASSERT_EQ(RunGuiderTraining({}), LoopEnd::Done);
    messages.shown.clear();
    GuidingStats stats;
    GuidingContext c;
    c.stats = &stats;
    bool first = true;
    double x0 = 0, y0 = 0, worst = 0;
    const uint32_t start = clock.now;
    c.afterFrame = [&] {
        double x = 0, y = 0;
        sim.Mount().OffsetAt(NowMs(), x, y);
        if (first) {
            x0 = x;
            y0 = y;
            first = false;
        }
        worst = std::max(worst, std::hypot(x - x0, y - y0));
        // "Stop Guiding" after a minute.
        if (NowMs() - start >= 60'000) Guider().guiding = false;
    };
    // Key and mouse presses (a click on a check box of the dialog) go on guiding.
    events.interruptAt = {start + 10'000, start + 20'000, start + 30'000};
    EXPECT_EQ(RunGuiderGuiding(c), LoopEnd::Stopped);
    EXPECT_GE(clock.now - start, 60'000u);
    EXPECT_LT(clock.now - start, 65'000u);
    EXPECT_FALSE(Guider().guiding);
    // The presses were taken, so the next loop does not see them.
    EXPECT_TRUE(events.interruptAt.empty());
    const GuidingRms rms = stats.Rms();
    EXPECT_GT(rms.framesRun, 25);
    EXPECT_LT(rms.totalRun, 0.5);
    EXPECT_LT(worst, 0.6);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(GuidingLoopTest, VanishedCameraEndsGuiding) {
    Simulator& sim = Sim(0);
    ASSERT_EQ(RunGuiderTraining({}), LoopEnd::Done);
    GuidingContext c;
    int frames = 0;
    c.afterFrame = [&] {
        if (++frames == 3) sim.Faults().failNextCameraRead = 19;
    };
    EXPECT_EQ(RunGuiderGuiding(c), LoopEnd::CameraFailed);
    EXPECT_FALSE(Guider().guiding);
}

TEST_F(GuidingLoopTest, LostStarEndsGuidingWithTheLostStarMessage) {
    Simulator& sim = Sim(0);
    ASSERT_EQ(RunGuiderTraining({}), LoopEnd::Done);
    messages.shown.clear();
    GuidingContext c;
    int frames = 0;
    c.afterFrame = [&] {
        if (++frames == 5) sim.Mount().Nudge(400, 0);  // the star leaves the frame
    };
    EXPECT_EQ(RunGuiderGuiding(c), LoopEnd::StarLost);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text.rfind("Sorry. Guide star lost.", 0), 0u);
    EXPECT_EQ(frames, 5);
    EXPECT_FALSE(Guider().guiding);
    EXPECT_TRUE(Guider().stop);
}

// The host files of the guiding logs in the autosave folder, by name.
std::vector<std::string> GuidingLogs() {
    std::vector<std::string> logs;
    const std::string folder = MapPath(AutosaveDirectory(), true);
    if (!DirectoryExists(folder)) return logs;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string().rfind("GUIDE", 0) == 0) logs.push_back(e.path().string());
    std::sort(logs.begin(), logs.end());
    return logs;
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(GuidingLoopTest, EveryGuidingRunWritesItsLogInTheAutosaveFolder) {
    Sim(0);
    ASSERT_EQ(RunGuiderTraining({}), LoopEnd::Done);
    GuidingStats stats;
    GuidingContext c;
    c.stats = &stats;
    int frames = 0;
    c.afterFrame = [&] {
        if (++frames == 6) Guider().guiding = false;
    };
    ASSERT_EQ(RunGuiderGuiding(c), LoopEnd::Stopped);
    frames = 0;
    ASSERT_EQ(RunGuiderGuiding(c), LoopEnd::Stopped);
    const std::vector<std::string> logs = GuidingLogs();
    ASSERT_EQ(logs.size(), 2u);
    for (const std::string& log : logs) {
        EXPECT_TRUE(std::regex_match(std::filesystem::path(log).filename().string(),
                                     std::regex(R"(GUIDE\d{8}-\d{6}\.CSV)")))
            << log;
        const std::vector<std::string> lines = Lines(log);
        ASSERT_EQ(lines.size(), 7u) << log;  // the header and six frames
        EXPECT_EQ(lines[0], kGuidingLogHeader);
        EXPECT_TRUE(lines[6].ends_with(",ok")) << lines[6];
    }
}

TEST_F(GuidingLoopTest, ALogNameTakenGoesToTheNextSecond) {
    clock.unixBase = 1'765'000'000 - clock.now / 1000;  // 2025-12-06 05:46:40 UT
    GuidingLog first, second;
    ASSERT_TRUE(first.OpenInAutosaveFolder());
    ASSERT_TRUE(second.OpenInAutosaveFolder());
    EXPECT_EQ(std::filesystem::path(first.Path()).filename().string(), "GUIDE20251206-054640.CSV");
    EXPECT_EQ(std::filesystem::path(second.Path()).filename().string(), "GUIDE20251206-054641.CSV");
}

TEST_F(GuidingLoopTest, IgnoredFramesCountInTheRms) {
    Simulator& sim = Sim(0);
    State().settings.guideStarMaskRadius = 15;
    State().settings.ignoreDriftBelowHysteresis = false;
    Picking().guideStarPicked = true;
    Picking().guideStarX = 1000;
    Picking().guideStarY = 1000;
    GuidingStats stats;
    GuidingContext c;
    c.stats = &stats;
    int frames = 0;
    c.afterFrame = [&] {
        ++frames;
        if (frames == 3) sim.Mount().Nudge(7, 0);  // beyond the 5 px the main camera corrects
        if (frames == 13) events.interruptAt.push_back(clock.now);
    };
    EXPECT_EQ(RunMainGuiding(c, 1000), LoopEnd::Stopped);
    const GuidingRms rms = stats.Rms();
    EXPECT_EQ(rms.framesRun, 13);
    EXPECT_EQ(rms.ignored, 10);
    EXPECT_EQ(rms.lost, 0);
    // Ten of thirteen frames 7 px off: about sqrt(10 x 49 / 13) = 6.1 px.
    EXPECT_NEAR(rms.raRun, 6.1, 0.3);
}

TEST_F(GuidingLoopTest, MainCameraGuidingEndsWhenTheStarIsLost) {
    Simulator& sim = Sim(0);
    Picking().guideStarPicked = true;
    Picking().guideStarX = 1000;
    Picking().guideStarY = 1000;
    GuidingStats stats;
    GuidingContext c;
    c.stats = &stats;
    int frames = 0;
    c.afterFrame = [&] {
        if (++frames == 5) sim.Mount().Nudge(400, 0);  // the star leaves the guiding frame
    };
    const uint32_t start = clock.now;
    events.interruptAt.push_back(start + 300'000);  // a stop in case it carried on
    messages.shown.clear();
    EXPECT_EQ(RunMainGuiding(c, 1000), LoopEnd::StarLost);
    EXPECT_LT(clock.now - start, 20'000u);
    EXPECT_EQ(frames, 5);
    EXPECT_EQ(stats.Rms().lost, 1);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text.rfind("Sorry. Guide star lost.", 0), 0u);
    EXPECT_FALSE(Guider().mainGuiding);
    const std::vector<std::string> logs = GuidingLogs();
    ASSERT_EQ(logs.size(), 1u);
    const std::vector<std::string> lines = Lines(logs[0]);
    ASSERT_EQ(lines.size(), 7u);  // the header, five frames and the lost one
    EXPECT_TRUE(lines.back().ends_with(",lost")) << lines.back();
}

TEST_F(GuidingLoopTest, StartRefusals) {
    Sim(0);
    Guider().starSelected = false;
    EXPECT_EQ(RunGuiderGuiding({}), LoopEnd::Refused);
    EXPECT_EQ(messages.shown.back().text,
              "Sorry, you haven't picked a guide star. Go to Guider dialog and select a star to guide on");
    State().settings.driveMethod = 'n';
    EXPECT_EQ(RunGuiderGuiding({}), LoopEnd::Refused);
    EXPECT_EQ(messages.shown.back().text, "Sorry, No telescope to guide, or no camera found");
}

}  // namespace

namespace {

// "Autoguide Photo": guiding inside a main-camera exposure through the hooks
// the exposure sequence calls.
TEST_F(GuidingLoopTest, AutoguidePhotoHooksGuideDuringTheExposureAndEndItWhenTheStarIsLost) {
    Simulator& sim = Sim(0);
    InstallGuidingHooks();
    ExposureGuidingHooks& h = GuidingHooks();
    ASSERT_TRUE(h.guideStarPicked());
    ASSERT_TRUE(h.startGuiding());
    EXPECT_TRUE(h.guidingActive());  // the camera dialog refuses with message 59 now
    uint32_t end = clock.now + 30'000;
    const uint32_t planned = end, before = clock.now;
    for (int i = 0; i < 5; ++i) h.guidingStep(end);
    EXPECT_EQ(end, planned);                 // the star is there: the exposure runs on
    EXPECT_GE(clock.now - before, 5'000u);   // five guider frames of 1 s were taken
    sim.Mount().Nudge(400, 0);  // the star leaves
    h.guidingStep(end);
    EXPECT_EQ(end, clock.now);  // the exposure ends now
    h.stopGuiding(false);
    EXPECT_FALSE(h.guidingActive());
}

// The texts the simulated camera's serial ports were asked to send.
std::vector<std::string> SerialTexts(const Simulator& sim) {
    std::vector<std::string> texts;
    for (const SimCameraWrite& w : sim.CameraWrites())
        if (w.bytes.size() > 8 && w.bytes[1] == 10) texts.emplace_back(w.bytes.begin() + 8, w.bytes.end());
    return texts;
}

// Guiding in mode 'A' that stops leaves the AO unit recentred, and so does
// the camera control dialog closing in mode 'A'; in mode 'T' neither sends
// anything to the AO unit.
TEST_F(GuidingLoopTest, AoIsRecentredWhenAoGuidingStopsAndWhenTheCameraDialogCloses) {
    using Texts = std::vector<std::string>;
    Simulator& sim = Sim(0);
    InstallGuidingHooks();
    ExposureGuidingHooks& h = GuidingHooks();
    auto counters = [](int x, int y) {
        TelescopeLink().aoX = int16_t(x);
        TelescopeLink().aoY = int16_t(y);
    };
    struct Case {
        char mode;
        bool photo;  // an autoguided exposure ends, else the camera dialog closes
        Texts sent;
    } cases[] = {
        {'A', true, {"GN00020", "GW00040"}},
        {'A', false, {"GN00020", "GW00040"}},
        {'T', false, {}},
    };
    for (const Case& c : cases) {
        State().settings.guidingMode = c.mode;
        if (c.photo) {
            ASSERT_TRUE(h.startGuiding());
            counters(40, -20);
            sim.ClearRecords();
            h.stopGuiding(true);
        } else {
            counters(40, -20);
            sim.ClearRecords();
            RunCameraInterfaceWith([] { return 0; });
        }
        Texts sent;
        for (const std::string& t : SerialTexts(sim))
            if (t[0] == 'G') sent.push_back(t);
        EXPECT_EQ(sent, c.sent) << c.mode << c.photo;
        EXPECT_EQ(TelescopeLink().aoX, c.sent.empty() ? 40 : 0);
    }
}

}  // namespace

namespace {

// The main camera's 128 x 128 guiding frame around the picked star.
// In binned geometry the picked star is in binned image pixels (the star at
// sensor pixel 1000 is at 500) and the frame's half size is 32 of them; the
// frame is read from the sensor, so the rates come out the same.
TEST_F(GuidingLoopTest, MainCameraTrainingStoresTheRatesAndGuidingStopsWithMessage51) {
    Sim(0);
    for (bool binned : {false, true}) {
        ImageGeometry& g = State().geometry;
        g.binned = binned;
        RecomputeGeometry();
        Picking().guideStarPicked = true;
        Picking().guideStarX = binned ? 500 : 1000;
        Picking().guideStarY = binned ? 500 : 1000;
        // With "Ignore drift less than:" off the star is measured with tenths.
        State().settings.ignoreDriftBelowHysteresis = false;
        State().settings.raPixelsPerSecond = State().settings.decPixelsPerSecond = 2;
        messages.shown.clear();
        ASSERT_EQ(RunMainTraining({}, 1000), LoopEnd::Done) << binned;
        ASSERT_GE(messages.shown.size(), 2u);
        EXPECT_EQ(messages.shown.front().text,
                  binned ? "xcent=   64, ycent =    58, focus_x =   468, focus_y =   468,  xoffset =     0, yoffset =     6"
                         : "xcent=   64, ycent =    58, focus_x =   936, focus_y =   936,  xoffset =     0, yoffset =     6");
        EXPECT_EQ(messages.shown.back().text.rfind("slewx =     3, slewy =     3", 0), 0u)
            << binned << messages.shown.back().text;
        EXPECT_EQ(State().settings.raPixelsPerSecond, 3);
        EXPECT_EQ(State().settings.decPixelsPerSecond, 3);
        EXPECT_FALSE(ViewOptions().guidingSmallFrames);
        messages.shown.clear();
        GuidingStats stats;
        GuidingContext c;
        c.stats = &stats;
        events.interruptAt.push_back(clock.now + 20'000);
        EXPECT_EQ(RunMainGuiding(c, 1000), LoopEnd::Stopped);
        EXPECT_GT(stats.Rms().framesRun, 5) << binned;  // the star was found in every frame
        EXPECT_EQ(messages.shown.back().text, "AutoGuiding Terminated");
        EXPECT_FALSE(Guider().mainGuiding);
        EXPECT_FALSE(ViewOptions().guidingSmallFrames);
    }
}

TEST_F(GuidingLoopTest, SmoothRuleTrainsAndHoldsAPeriodicMount) {
    Simulator& sim = Sim(30, 0.5 / 60);
    MountConfig mount = sim.Mount().Config();
    mount.periodicAmplitude = 2;
    mount.periodicPeriodS = 240;
    mount.seeingRmsPx = 0.15;
    sim.SetMount(mount);
    Guider().rule = GuideRule::Smooth;
    Guider().smooth.wormPeriodS = 240;
    ASSERT_EQ(RunGuiderTraining({}), LoopEnd::Done);
    const GuiderTrainingResult& r = Guider().trainedSet;
    EXPECT_EQ(Guider().trainedRule, GuideRule::Smooth);
    EXPECT_TRUE(Guider().quality.fitted);
    EXPECT_FALSE(Guider().quality.suspect);
    EXPECT_NEAR(r.raRate, 3, 0.15);
    EXPECT_NEAR(r.decRate, 3, 0.15);
    EXPECT_NEAR(r.theta * 180 / M_PI, -150, 2);
    messages.shown.clear();
    // Five minutes: the mount itself (no seeing) stays near where guiding
    // first held it; unguided the periodic error alone is 1.4 px RMS.
    GuidingContext c;
    c.endMs = NowMs() + 300'000;
    int frames = 0;
    double x0 = 0, y0 = 0, sum2 = 0;
    c.afterFrame = [&] {
        double x = 0, y = 0;
        sim.Mount().OffsetAt(NowMs(), x, y);
        if (frames++ == 0) {
            x0 = x;
            y0 = y;
        }
        sum2 += (x - x0) * (x - x0) + (y - y0) * (y - y0);
    };
    EXPECT_EQ(RunGuiderGuiding(c), LoopEnd::Done);
    EXPECT_GT(frames, 150);
    EXPECT_LT(std::sqrt(sum2 / frames), 0.35);
    EXPECT_TRUE(messages.shown.empty());  // the smooth rule guided
}

TEST_F(GuidingLoopTest, SuspectSmoothCalibrationIsAdoptedOnlyWhenAccepted) {
    Simulator& sim = Sim(0);
    MountConfig mount = sim.Mount().Config();
    mount.seeingRmsPx = 1.5;  // the points scatter by half a step
    sim.SetMount(mount);
    Guider().rule = GuideRule::Smooth;
    for (int answer : {kButtonNo, kButtonYes}) {
        messages.shown.clear();
        messages.answers = {answer};
        const LoopEnd end = RunGuiderTraining({});
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown.front().icon, MessageIcon::Question);
        EXPECT_EQ(end, answer == kButtonYes ? LoopEnd::Done : LoopEnd::Failed);
        EXPECT_EQ(Guider().trained, answer == kButtonYes);
    }
    EXPECT_TRUE(Guider().quality.suspect);
}

TEST_F(GuidingLoopTest, SmoothRuleOnTheMainCamera) {
    Simulator& sim = Sim(0, 0.5 / 60);
    Picking().guideStarPicked = true;
    Picking().guideStarX = 1000;
    Picking().guideStarY = 1000;
    State().settings.ignoreDriftBelowHysteresis = false;  // tenths
    Guider().rule = GuideRule::Smooth;
    ASSERT_EQ(RunMainTraining({}, 1000), LoopEnd::Done);
    EXPECT_TRUE(Guider().trainedOnMain);
    EXPECT_EQ(Guider().trainedRule, GuideRule::Smooth);
    EXPECT_NEAR(Guider().trainedSet.raRate, 3, 0.15);
    messages.shown.clear();
    GuidingContext c;
    c.endMs = NowMs() + 120'000;
    double x0 = 0, y0 = 0, worst = 0;
    int frames = 0;
    c.afterFrame = [&] {
        double x = 0, y = 0;
        sim.Mount().OffsetAt(NowMs(), x, y);
        if (frames++ == 0) {
            x0 = x;
            y0 = y;
        }
        worst = std::max(worst, std::hypot(x - x0, y - y0));
    };
    EXPECT_EQ(RunMainGuiding(c, 1000), LoopEnd::Done);
    EXPECT_GT(frames, 50);
    EXPECT_LT(worst, 0.6);  // unguided the drift alone is 1 px
    // The frame's placement only: the smooth rule guided.
    ASSERT_EQ(messages.shown.size(), 1u) << messages.shown.back().text;
    EXPECT_EQ(messages.shown[0].text.rfind("xcent=", 0), 0u);
}

TEST_F(GuidingLoopTest, RelaysDriveBothAxesInOnePulseTime) {
    Simulator& sim = Sim(0);
    ASSERT_TRUE(OpenCamera());
    const uint32_t t0 = NowMs();
    ASSERT_TRUE(DefaultGuideOutput().CorrectionBoth('w', 400, 'n', 200));
    EXPECT_EQ(sim.RelayBits(), 0);
    EXPECT_LT(NowMs() - t0, 10u + 400u + 300u + 20u);  // one pulse time and one tail
    MountModel& m = sim.Mount();
    const uint32_t on = t0 + 10;  // the relays close 10 ms after the start
    // Both axes move during the first 200 ms (3 px/s; North is -Dec).
    EXPECT_NEAR(m.GuidedRa(on + 100), 0.3, 0.05);
    EXPECT_NEAR(m.GuidedDec(on + 100), -0.3, 0.05);
    // Then Dec stands and R.A. goes on to its 400 ms.
    EXPECT_NEAR(m.GuidedDec(on + 350), -0.6, 0.05);
    EXPECT_NEAR(m.GuidedRa(on + 350), 1.05, 0.05);
    EXPECT_NEAR(m.GuidedRa(on + 500), 1.2, 0.05);
}

}  // namespace
