// The training and guiding loops end to end on the simulated camera and
// mount, on the fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "acquisition/guiding_hooks.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/sim/simulator.h"
#include "display/display_state.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_loops.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
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

TEST_F(GuidingLoopTest, TrainingThatLosesTheStarStoresNothing) {
    Sim(0);
    Guider().starX = 495;  // the window cannot fit
    ASSERT_EQ(RunGuiderTraining({}), LoopEnd::StarLost);
    EXPECT_EQ(messages.shown.back().text, "Find centre failed - outside image area");
    EXPECT_FALSE(Guider().trained);
    EXPECT_FALSE(Guider().training);
    EXPECT_EQ(Guider().trainedSet.storedRaRate, 1);
}

TEST_F(GuidingLoopTest, GuidingHoldsADriftingStarAndStopsOnAPress) {
    // Dec drifts 0.05 px/s: 3 px in the minute unguided.
    Simulator& sim = Sim(30, 0.05);
    ASSERT_EQ(RunGuiderTraining({}), LoopEnd::Done);
    messages.shown.clear();
    GuidingStats stats;
    GuidingContext c;
    c.stats = &stats;
    bool first = true;
    double x0 = 0, y0 = 0, worst = 0;
    c.afterFrame = [&] {
        double x = 0, y = 0;
        sim.Mount().OffsetAt(NowMs(), x, y);
        if (first) {
            x0 = x;
            y0 = y;
            first = false;
        }
        worst = std::max(worst, std::hypot(x - x0, y - y0));
    };
    const uint32_t start = clock.now;
    events.interruptAt.push_back(start + 60'000);
    EXPECT_EQ(RunGuiderGuiding(c), LoopEnd::Stopped);
    EXPECT_GE(clock.now - start, 60'000u);
    EXPECT_FALSE(Guider().guiding);
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

}  // namespace

namespace {

// The main camera's 128 x 128 guiding frame around the picked star.
TEST_F(GuidingLoopTest, MainCameraTrainingStoresTheRatesAndGuidingStopsWithMessage51) {
    Sim(0);
    Picking().guideStarPicked = true;
    Picking().guideStarX = 1000;
    Picking().guideStarY = 1000;
    // With "Ignore drift less than:" off the star is measured with tenths.
    State().settings.ignoreDriftBelowHysteresis = false;
    ASSERT_EQ(RunMainTraining({}, 1000), LoopEnd::Done);
    ASSERT_GE(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown.front().text.rfind("xcent=", 0), 0u);
    EXPECT_EQ(messages.shown.back().text.rfind("slewx =     3, slewy =     3", 0), 0u) << messages.shown.back().text;
    EXPECT_EQ(State().settings.raPixelsPerSecond, 3);
    EXPECT_EQ(State().settings.decPixelsPerSecond, 3);
    EXPECT_FALSE(ViewOptions().guidingSmallFrames);
    messages.shown.clear();
    events.interruptAt.push_back(clock.now + 20'000);
    EXPECT_EQ(RunMainGuiding({}, 1000), LoopEnd::Stopped);
    EXPECT_EQ(messages.shown.back().text, "AutoGuiding Terminated");
    EXPECT_FALSE(Guider().mainGuiding);
    EXPECT_FALSE(ViewOptions().guidingSmallFrames);
}

}  // namespace
