// The exposure sequence on the simulated camera and the fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/camera_settings.h"
#include "acquisition/exposure_sequence.h"
#include "acquisition/camera_interface.h"
#include "acquisition/focus.h"
#include "acquisition/subframe.h"
#include "core/state.h"
#include "settings/settings_file.h"
#include "devices/camera.h"
#include "devices/filter_wheel.h"
#include "devices/sim/simulator.h"
#include "devices/transport.h"
#include "display/display_state.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "processing/calibration.h"
#include "support/test_env.h"

namespace {

SimulatorConfig ModelConfig(int model, uint16_t pid) {
    SimulatorConfig config;
    config.camera.model = model;
    config.camera.pid = pid;
    return config;
}

class SequenceTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetAcquisition();
        ResetCameraInfo();
        ResetFilterWheel();
        Picking() = PickState{};
        ForgetAutoDark();
        ForgetAutoFlat();
        State().settings.showInterfaceDetails = false;
    }
    void TearDown() override {
        sim_.reset();
        VelmoraTest::TearDown();
    }
    Simulator& Sim(const SimulatorConfig& config = {}) {
        sim_ = std::make_unique<ScopedSimulator>(config);
        return sim_->sim();
    }
    // Connects and forgets what was sent so far.
    void Connect(const char* pid = "0126") {
        ASSERT_TRUE(ConnectCamera([pid] {
            State().settings.showInterfaceDetails = false;
            State().settings.configuredPid = pid;
        }));
        sim_->sim().ClearRecords();
        messages.shown.clear();
    }
    void Exposure(char unit, int value, int mode) {
        Cam().exposureUnit = unit;
        Cam().exposureValue = value;
        Cam().exposureMode = mode;
    }
    std::vector<SimCameraWrite> Writes(uint8_t request) const {
        std::vector<SimCameraWrite> out;
        for (const SimCameraWrite& w : sim_->sim().CameraWrites())
            if (w.bytes.size() >= 8 && w.bytes[1] == request) out.push_back(w);
        return out;
    }
    // ClearPixels writes with the given value.
    std::vector<SimCameraWrite> Clears(uint16_t value) const {
        std::vector<SimCameraWrite> out;
        for (const SimCameraWrite& w : Writes(kClearPixels))
            if ((w.bytes[2] | w.bytes[3] << 8) == value) out.push_back(w);
        return out;
    }
    const SimCameraWrite& LastRead() const {
        static SimCameraWrite none;
        const auto& all = sim_->sim().CameraWrites();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (it->bytes[1] == kReadPixels || it->bytes[1] == kReadPixelsDelayed ||
                it->bytes[1] == kReadPixelsTriggered)
                return *it;
        return none;
    }
    std::unique_ptr<ScopedSimulator> sim_;
};

TEST_F(SequenceTest, NoCameraFound) {
    SimulatorConfig config;
    config.camera.present = false;
    config.wheel.present = false;
    Sim(config);
    EXPECT_FALSE(ConnectCamera());
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text, "Sorry, No camera found on USB");
    EXPECT_EQ(messages.shown.back().caption, "Velmora_USB");
}

TEST_F(SequenceTest, ConnectReadsFirmwareAndResetsTheCount) {
    Sim();
    Cam().exposureCount = 7;
    Connect();
    EXPECT_EQ(Cam().exposureCount, 1);
    EXPECT_EQ(Camera().firmwareText, "1.12");
    EXPECT_EQ(State().darkFileName, "c:\\dark.def");
}

TEST_F(SequenceTest, ExposureOf1000msIsTimedByTheCamera) {
    Sim();
    Connect();
    Exposure('t', 10, kModeBin2);
    const SequenceResult r = RunExposureSequence();
    EXPECT_EQ(r.framesRead, 1);
    const SimCameraWrite& read = LastRead();
    ASSERT_EQ(read.bytes.size(), 22u);
    EXPECT_EQ(read.bytes[1], kReadPixelsDelayed);
    EXPECT_EQ(read.bytes[8 + 10], 0xE8);
    EXPECT_EQ(read.bytes[8 + 11], 0x03);
    // No host wait: the read follows the clears at once.
    ASSERT_FALSE(Clears(0).empty());
    EXPECT_LT(read.atMs - Clears(0).back().atMs, 5u);
    EXPECT_NEAR(sim_->sim().LastExposureMs(), 1000, 1);
}

TEST_F(SequenceTest, ExposureOf1001msIsTimedByTheHost) {
    Sim();
    Connect();
    Exposure('q', 1001, kModeBin2);
    RunExposureSequence();
    const SimCameraWrite& read = LastRead();
    ASSERT_EQ(read.bytes.size(), 18u);
    EXPECT_EQ(read.bytes[1], kReadPixels);
    EXPECT_GE(read.atMs - Clears(0).back().atMs, 1001u);
    EXPECT_LT(read.atMs - Clears(0).back().atMs, 1010u);
}

TEST_F(SequenceTest, ExposuresLongerThanASecondShowTheTimeLeft) {
    Sim();
    Connect();
    // 3 s: every whole second counts down, then the line goes away for the read.
    Exposure('s', 3, kModeBin2);
    RunExposureSequence();
    EXPECT_EQ(progress.timeLeft, (std::vector<int>{3, 2, 1, 0, -1}));
    // 1.001 s is longer than a second: rounded up.
    progress.timeLeft.clear();
    Exposure('q', 1001, kModeBin2);
    RunExposureSequence();
    EXPECT_EQ(progress.timeLeft, (std::vector<int>{2, 1, 0, -1}));
    // 1 s and shorter: the camera times it, nothing to count down.
    progress.timeLeft.clear();
    Exposure('t', 10, kModeBin2);
    RunExposureSequence();
    EXPECT_TRUE(progress.timeLeft.empty());
}

TEST_F(SequenceTest, TriggerLimits) {
    Sim();
    Connect();
    Cam().trigger = true;
    Exposure('s', 6, kModeBin8);
    RunExposureSequence();
    EXPECT_EQ(LastRead().bytes[1], kReadPixelsTriggered);
    sim_->sim().ClearRecords();
    Exposure('q', 6001, kModeBin8);
    RunExposureSequence();
    EXPECT_EQ(LastRead().bytes[1], kReadPixels);
}

TEST_F(SequenceTest, RegisterClearsDuringLongExposures) {
    Sim();
    Connect();
    Exposure('s', 4, kModeBin8);
    RunExposureSequence();
    const uint32_t start4 = Clears(0).back().atMs;
    int during = 0;
    for (const SimCameraWrite& w : Clears(8))
        if (w.atMs > start4 && w.atMs < LastRead().atMs) ++during;
    EXPECT_EQ(during, 0);

    sim_->sim().ClearRecords();
    Exposure('s', 10, kModeBin8);
    RunExposureSequence();
    const uint32_t start10 = Clears(0).back().atMs;
    std::vector<uint32_t> times;
    for (const SimCameraWrite& w : Clears(8))
        if (w.atMs > start10 && w.atMs < LastRead().atMs) times.push_back(w.atMs - start10);
    ASSERT_EQ(times.size(), 1u);
    EXPECT_GE(times[0], 8000u);
    EXPECT_LT(times[0], 8010u);
    EXPECT_NEAR(sim_->sim().LastExposureMs(), 10000, 10);
}

TEST_F(SequenceTest, ProgressCaptionsAndSteps) {
    Sim();
    Connect();
    Exposure('s', 13, kModeBin4);  // S = 20
    RunExposureSequence();
    ASSERT_GE(progress.captions.size(), 2u);
    EXPECT_EQ(progress.captions[0], "EXPOSURE UNDERWAY");
    EXPECT_EQ(progress.captions[1], "READING Tessel CAMERA - takes 2-3 seconds");
    int steps = 0;
    for (int p : progress.positions)
        if (p > 0 && p % 12 == 0 && p <= 240) ++steps;
    EXPECT_GE(steps, 19);
    EXPECT_EQ(progress.positions.back(), 20);
}

TEST_F(SequenceTest, DelayCountDown) {
    Sim();
    Connect();
    Cam().delayBefore = true;
    Exposure('t', 1, kModeBin8);
    const uint32_t start = clock.now;
    RunExposureSequence();
    EXPECT_EQ(progress.captions[0], "EXPOSURE DELAY (Left - 10)");
    EXPECT_EQ(progress.captions[10], "EXPOSURE DELAY (Left - 1)");
    EXPECT_EQ(progress.positions[0], 25);
    EXPECT_EQ(progress.positions[9], 250);
    EXPECT_GE(system.beeps, 10);
    EXPECT_GE(clock.now - start, 10000u);
}

TEST_F(SequenceTest, ThreeByThreeOfA1392x1040Sensor) {
    Sim(ModelConfig(2, 0x0119));
    Connect("0119");
    ASSERT_EQ(State().geometry.modelCode, 2);
    Exposure('t', 5, kModeBin3);
    RunExposureSequence();
    const FrameRequest f = sim_->sim().LastFrameRequest();
    EXPECT_EQ(f.width, 1392);
    EXPECT_EQ(f.height, 1038);
    EXPECT_EQ(f.xBin, 3);
    EXPECT_EQ(FrameReplyBytes(f), 464u * 346 * 2);
    EXPECT_EQ(Link().lastRead, 464u * 346 * 2);
    EXPECT_EQ(State().geometry.width, 696);
    EXPECT_EQ(State().geometry.height, 520);
}

TEST_F(SequenceTest, UserSubFrameReads) {
    Sim();
    Connect();
    ImageGeometry& g = State().geometry;
    g.subFrameBinning = 3;
    g.subFrameCentreX = 700;
    g.subFrameCentreY = 1500;
    Exposure('t', 2, kModeSubFrame);
    RunExposureSequence();
    FrameRequest f = sim_->sim().LastFrameRequest();
    EXPECT_EQ(f.width, 682);
    EXPECT_EQ(f.height, 682);
    EXPECT_EQ(f.xBin, 1);
    EXPECT_EQ(f.xOffset, 700 - 341);
    EXPECT_EQ(f.yOffset, 1500 - 341);
    // Centred in the 1024 x 1024 frame with zero margins of (1024 - 682) / 2.
    const Pixel* a = State().imageA;
    EXPECT_EQ(a[size_t(512) * 1024 + 170], 0);
    EXPECT_NE(a[size_t(512) * 1024 + 171], 0);
    EXPECT_NE(a[size_t(512) * 1024 + 852], 0);
    EXPECT_EQ(a[size_t(512) * 1024 + 853], 0);
    EXPECT_EQ(a[size_t(170) * 1024 + 512], 0);
    // Half frame: a W x H window, copied as is.
    g.subFrameBinning = 2;
    g.subFrameCentreX = 1024;
    g.subFrameCentreY = 1024;
    RunExposureSequence();
    f = sim_->sim().LastFrameRequest();
    EXPECT_EQ(f.width, 1024);
    EXPECT_EQ(f.xOffset, 512);
    EXPECT_NE(a[0], 0);
}

TEST_F(SequenceTest, Binned8x16ReadsTheSameBytesAs8x8) {
    Sim();
    Connect();
    Exposure('t', 3, kModeBin8);
    RunExposureSequence();
    const Block eight = LastRead().bytes;
    const size_t got8 = Link().lastRead;
    sim_->sim().ClearRecords();
    Exposure('t', 3, kModeBin8x16);
    RunExposureSequence();
    EXPECT_EQ(LastRead().bytes, eight);
    EXPECT_EQ(Link().lastRead, got8);
}

TEST_F(SequenceTest, EightByEightShowsItsInterfaceDetails) {
    Sim();
    Connect();
    State().settings.showInterfaceDetails = true;
    Exposure('t', 3, kModeBin8);
    RunExposureSequence();
    const std::vector<std::string> expected = {"About to send in 8x8", "Back from send in 8x8",
                                               "Back from Receive in 8x8"};
    EXPECT_EQ(MessageTexts(), expected);
    messages.shown.clear();
    Exposure('t', 3, kModeBin8x16);
    RunExposureSequence();
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SequenceTest, UnexpandedFourByFour) {
    Sim();
    Connect();
    State().settings.doNotExpandBinned = true;
    Exposure('t', 5, kModeBin4);
    RunExposureSequence();
    const ImageGeometry& g = State().geometry;
    EXPECT_EQ(g.width, 1024);
    EXPECT_EQ(g.binningMode, 14);
    EXPECT_EQ(g.unexpandedWidth, 512);
    EXPECT_EQ(g.unexpandedHeight, 512);
    const Pixel* a = State().imageA;
    for (int y : {0, 100, 255, 768, 1023})
        for (int x = 0; x < 1024; ++x) ASSERT_EQ(a[size_t(y) * 1024 + x], 0) << x << "," << y;
    for (int x : {0, 255, 768, 1023}) EXPECT_EQ(a[size_t(500) * 1024 + x], 0);
    // The picture itself sits inside, and the raw binned read is kept.
    uint64_t inside = 0;
    for (int y = 256; y < 768; ++y)
        for (int x = 256; x < 768; ++x) inside += a[size_t(y) * 1024 + x];
    EXPECT_GT(inside, 0u);
    EXPECT_EQ(State().rawBinned[0], a[size_t(256) * 1024 + 256]);
}

TEST_F(SequenceTest, CancelDuringExposureFinishesAndReads) {
    Sim();
    Connect();
    Exposure('s', 10, kModeBin8);
    Cam().continuous = true;
    events.interruptAt.push_back(clock.now + 3000);
    const SequenceResult r = RunExposureSequence();
    EXPECT_EQ(r.framesRead, 1);
    EXPECT_TRUE(r.cancelled);
    EXPECT_NEAR(sim_->sim().LastExposureMs(), 10000, 10);
    // Nothing follows the read: no 2-second look.
    EXPECT_LT(clock.now - Clears(0).back().atMs, 10500u);
    EXPECT_EQ(Cam().exposureCount, 1);
    EXPECT_FALSE(Cam().continuous);
    EXPECT_GE(system.beeps, 1);
}

TEST_F(SequenceTest, CancelDuringReadOutStops) {
    Sim();
    Connect();
    Exposure('t', 8, kModeBin8);  // camera-timed: the camera waits inside the read
    Cam().continuous = true;
    SequenceOptions options;
    options.maxFrames = 3;
    const uint32_t start = clock.now;
    events.interruptAt.push_back(start + 400);
    const SequenceResult r = RunExposureSequence(options);
    EXPECT_EQ(r.framesRead, 1);
    EXPECT_TRUE(r.cancelled);
    // Without the press the same run takes three frames.
    const SequenceResult again = [&] {
        Cam().continuous = true;
        return RunExposureSequence(options);
    }();
    EXPECT_EQ(again.framesRead, 3);
}

TEST_F(SequenceTest, CancelResetsTheFocusFrame) {
    Sim();
    Connect();
    ImageGeometry& g = State().geometry;
    g.focusOriginX = 5;
    Exposure('s', 3, kModeBin8);
    events.interruptAt.push_back(clock.now + 1000);
    RunExposureSequence();
    EXPECT_EQ(g.focusOriginX, g.width / 2 - g.focusHalfSize);
}

TEST_F(SequenceTest, AutosaveNamesAndCounter) {
    Sim();
    Connect();
    Exposure('t', 2, kModeBin8);
    Cam().continuous = true;
    Cam().autoSave = true;
    SequenceOptions options;
    options.maxFrames = 3;
    std::vector<std::string> told;
    options.onSaved = [&](const std::string& name) { told.push_back(name); };
    const SequenceResult r = RunExposureSequence(options);
    EXPECT_EQ(r.filesSaved, 3);
    const std::vector<std::string> expected = {"c:\\AUTOSAVE\\IMG1.FIT", "c:\\AUTOSAVE\\IMG2.FIT",
                                               "c:\\AUTOSAVE\\IMG3.FIT"};
    EXPECT_EQ(told, expected);
    EXPECT_EQ(State().settings.autosaveCounter, 3);
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(FileExists(HomePath("autosave/IMG" + std::to_string(i) + ".FIT")));
    // After 65529 the counter starts again at 1.
    State().settings.autosaveCounter = 65530;
    options.maxFrames = 1;
    Cam().continuous = true;
    told.clear();
    RunExposureSequence(options);
    EXPECT_EQ(told, std::vector<std::string>{"c:\\AUTOSAVE\\IMG1.FIT"});
    // A single exposure outside continuous mode is saved once at the end.
    told.clear();
    Cam().continuous = false;
    RunExposureSequence(options);
    EXPECT_EQ(told, std::vector<std::string>{"c:\\AUTOSAVE\\IMG2.FIT"});
}

TEST_F(SequenceTest, ContinuousModeWaitsAndPauses) {
    Sim();
    Connect();
    Exposure('t', 1, kModeBin8);
    Cam().continuous = true;
    Cam().delayBetween = 2;
    SequenceOptions options;
    options.maxFrames = 2;
    const uint32_t start = clock.now;
    const SequenceResult r = RunExposureSequence(options);
    EXPECT_EQ(r.framesRead, 2);
    // 2 s look + 2 s pause after the first frame.
    EXPECT_GE(clock.now - start, 4000u);
    EXPECT_NE(std::find(progress.captions.begin(), progress.captions.end(), "Pause between exposures"),
              progress.captions.end());
}

// The pause between exposures moves its bar in 16 steps of 256/16, one every
// delay / 16 = 125 ms of the 2 s pause.
TEST_F(SequenceTest, PauseBetweenExposuresStepsEvery125Ms) {
    struct TimedProgress : RecordingProgress {
        explicit TimedProgress(FakeClock& c) : clock(c) {}
        void Open(const std::string& caption) override {
            RecordingProgress::Open(caption);
            if (caption == "Pause between exposures") {
                pauseOpenedAt = clock.now;
                pauseFirstPosition = positions.size();
            }
        }
        void SetPosition(int position) override {
            RecordingProgress::SetPosition(position);
            times.push_back(clock.now);
        }
        FakeClock& clock;
        std::vector<uint32_t> times;
        uint32_t pauseOpenedAt = 0;
        size_t pauseFirstPosition = SIZE_MAX;
    } timed(clock);
    Platform platform = Sys();
    platform.progress = &timed;
    InstallPlatform(platform);
    Sim();
    Connect();
    Exposure('t', 1, kModeBin8);
    Cam().continuous = true;
    Cam().delayBetween = 2;
    SequenceOptions options;
    options.maxFrames = 2;
    RunExposureSequence(options);
    platform.progress = &progress;
    InstallPlatform(platform);
    ASSERT_NE(timed.pauseFirstPosition, SIZE_MAX);
    ASSERT_GE(timed.positions.size(), timed.pauseFirstPosition + 16);
    for (int k = 0; k < 16; ++k) {
        const size_t at = timed.pauseFirstPosition + size_t(k);
        EXPECT_EQ(timed.positions[at], 16 * (k + 1)) << k;
        EXPECT_EQ(timed.times[at] - timed.pauseOpenedAt, 125u * uint32_t(k + 1)) << k;
    }
}

void WriteConstantRaw(const std::string& hostPath, size_t pixels, uint16_t value) {
    std::vector<uint16_t> data(pixels, value);
    ASSERT_TRUE(ReplaceFile(hostPath, data.data(), data.size() * 2));
}

TEST_F(SequenceTest, SeriesWithAutoDarkAndFlat) {
    Sim();
    Connect();
    Exposure('t', 5, kModeBin2);  // 1024 x 1024 binned geometry
    WriteConstantRaw(HomePath("dark.def"), 1024 * 1024, 60000);  // brighter than the sky: all 0
    WriteConstantRaw(HomePath("flat.def"), 1024 * 1024, 1000);
    Cam().autoDark = true;
    Cam().autoFlat = true;
    Cam().autoSave = true;
    Cam().continuous = true;
    SequenceOptions options;
    options.maxFrames = 2;
    const SequenceResult r = RunExposureSequence(options);
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text;
    EXPECT_EQ(r.filesSaved, 2);
    EXPECT_EQ(State().history[0], "Dark Frame Subtracted");
    EXPECT_EQ(State().history[1], "Flatfield Applied");
    // Dark above the image gives 0; the flat of a 0 pixel over a flat gives 0
    // (a / f * mean), row 2 onwards, columns 3 onwards.
    const Pixel* a = State().imageA;
    EXPECT_EQ(a[size_t(500) * 1024 + 500], 0);
}

TEST_F(SequenceTest, AutoDarkAndFlatArithmetic) {
    SimulatorConfig config;
    config.mainField.noise = false;
    Sim(config);
    Connect();
    Exposure('t', 5, kModeBin2);
    RunExposureSequence();
    std::vector<Pixel> raw(State().imageA, State().imageA + 1024 * 1024);
    WriteConstantRaw(HomePath("dark.def"), 1024 * 1024, 500);
    WriteConstantRaw(HomePath("flat.def"), 1024 * 1024, 1024);
    Cam().autoDark = true;
    Cam().autoFlat = true;
    RunExposureSequence();
    EXPECT_TRUE(messages.shown.empty());
    const Pixel* a = State().imageA;
    for (int y : {2, 100, 512, 1021})
        for (int x : {3, 10, 700, 1023}) {
            const size_t i = size_t(y) * 1024 + x;
            const int expected = raw[i] > 500 ? raw[i] - 500 : 0;
            EXPECT_EQ(a[i], expected) << x << "," << y;
        }
}

TEST_F(SequenceTest, WrongSizeDarkAndMissingFlat) {
    Sim();
    Connect();
    Exposure('t', 5, kModeBin8);
    WriteConstantRaw(HomePath("dark.def"), 100, 5);
    Cam().autoDark = true;
    Cam().autoFlat = true;
    Cam().autoSave = true;
    const SequenceResult r = RunExposureSequence();
    const std::vector<std::string> expected = {"Sorry, chosen Darkframe is not an Tessel File",
                                               "Failed to Open Flatfield Tessel File"};
    EXPECT_EQ(MessageTexts(), expected);
    EXPECT_EQ(r.filesSaved, 1);
    messages.shown.clear();
    RemoveFile(HomePath("dark.def"));
    Cam().autoFlat = false;
    RunExposureSequence();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Failed to Open Darkframe Tessel File"});
}

TEST_F(SequenceTest, CameraStopsAnsweringMidSeries) {
    Simulator& sim = Sim();
    Connect();
    // Host-timed frames: after the first file is saved the camera stops
    // answering while the second frame is being exposed.
    Exposure('s', 2, kModeBin8);
    Cam().continuous = true;
    Cam().autoSave = true;
    SequenceOptions options;
    options.maxFrames = 5;
    bool armed = false;
    options.onSaved = [&](const std::string&) { armed = true; };
    events.onPump = [&] {
        // Pumps inside the exposure wait come after the frame's Echo.
        const auto& writes = sim.CameraWrites();
        if (armed && !writes.empty() && writes.back().bytes[1] == kEcho) {
            sim.Faults().failNextCameraRead = 5;
            armed = false;
        }
    };
    const SequenceResult r = RunExposureSequence(options);
    EXPECT_TRUE(r.readFailed);
    EXPECT_EQ(r.framesRead, 2);
    EXPECT_EQ(r.filesSaved, 1);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_NE(messages.shown.front().text.find("trying to read CAMIO data from USB"), std::string::npos);
    const int64_t size = FileLength(HomePath("autosave/IMG1.FIT"));
    EXPECT_GT(size, 0);
    EXPECT_FALSE(FileExists(HomePath("autosave/IMG2.FIT")));
}

// The brightest pixel of image buffer A and its place.
struct Peak {
    int value = 0, x = 0, y = 0;
};
Peak BrightestInA() {
    const ImageGeometry& g = State().geometry;
    Peak p;
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const int v = State().imageA[size_t(y) * g.width + x];
            if (v > p.value) p = {v, x, y};
        }
    return p;
}

TEST_F(SequenceTest, AutoMergingFollowsADriftingStar) {
    SimulatorConfig config;
    config.mainField.stars = {{1000, 1000, 70000}};
    config.mainField.noise = false;
    config.mount.driftRaPerSecond = -4;  // eastward: +x, 2 binned pixels per 1 s frame
    Sim(config);
    Connect();
    Exposure('t', 10, kModeBin2);
    RunExposureSequence();
    const Peak single = BrightestInA();
    const int background = State().imageA[10 * 1024 + 10];
    ASSERT_GT(single.value - background, 5000);

    Picking().guideStarX = single.x;
    Picking().guideStarY = single.y;
    Cam().exposureCount = 3;
    const SequenceResult r = RunExposureSequence();
    EXPECT_EQ(r.framesRead, 3);
    EXPECT_FALSE(r.starLost);
    EXPECT_TRUE(messages.shown.empty());
    const Peak sum = BrightestInA();
    // One compact star of about three times the light, where the star is
    // now: the drift has been followed, not smeared into a trail.
    EXPECT_GT(sum.value - 3 * background, 2.4 * (single.value - background));
    EXPECT_GT(sum.x, single.x + 2);
    EXPECT_NEAR(sum.y, single.y, 1);
}

TEST_F(SequenceTest, AutoMergingLosesAStarThatVanishes) {
    SimulatorConfig config;
    config.mainField.stars = {{1000, 1000, 70000}};
    config.mainField.noise = false;
    Sim(config);
    Connect();
    Exposure('t', 10, kModeBin2);
    RunExposureSequence();
    const Peak single = BrightestInA();
    Picking().guideStarX = single.x;
    Picking().guideStarY = single.y;
    Cam().exposureCount = 4;
    // The star fades away once the second frame of the series is asked for
    // (the camera-timed read runs the clock while it exposes).
    bool first = true;
    int reads = 0;
    clock.onAdvance = [&](uint32_t) {
        const auto& w = sim_->sim().CameraWrites();
        int n = 0;
        for (const auto& b : w)
            if (b.bytes[1] == kReadPixelsDelayed) ++n;
        if (n != reads) {
            reads = n;
            if (!first) sim_->sim().MainField().stars[0].flux = 100;
            first = false;
        }
    };
    const SequenceResult r = RunExposureSequence();
    clock.onAdvance = {};
    EXPECT_TRUE(r.starLost);
    EXPECT_EQ(r.framesRead, 2);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.front().text.substr(0, 24), "Sorry. Guide star lost.\n");
}

TEST_F(SequenceTest, TestSeriesFile) {
    Sim();
    Connect();
    Exposure('s', 1, kModeBin8);
    Cam().testSeries = true;
    const SequenceResult r = RunExposureSequence();
    EXPECT_EQ(r.framesRead, 100);
    const auto bytes = ReadWholeFile(HomePath("testdata.csv"));
    ASSERT_TRUE(bytes);
    const std::string text(bytes->begin(), bytes->end());
    std::istringstream lines(text);
    std::string line;
    int n = 0;
    while (std::getline(lines, line)) {
        ++n;
        ASSERT_EQ(line.size(), 22u) << line;
        EXPECT_EQ(std::stoi(line.substr(0, 6)), 25 * n);
        EXPECT_EQ(line[6], ',');
    }
    EXPECT_EQ(n, 100);
    EXPECT_EQ(text.substr(0, 7), "    25,");
}

TEST_F(SequenceTest, FilterAdvancesAfterEachRead) {
    Sim();
    Connect();
    State().settings.autoAdvance = true;
    const int before = FilterWheel().current;
    Exposure('t', 1, kModeBin8);
    RunExposureSequence();
    EXPECT_EQ(FilterWheel().current, before % FilterCount() + 1);
}

TEST_F(SequenceTest, Model5ShutterAroundAHostTimedExposure) {
    Sim(ModelConfig(5, 0x0128));
    Connect("0128");
    ASSERT_EQ(State().geometry.modelCode, 5);
    Exposure('s', 2, kModeBin8);
    RunExposureSequence();
    std::vector<int> shutter;
    for (const SimCameraWrite& w : Writes(kShutterControl)) shutter.push_back(w.bytes[3]);
    EXPECT_EQ(shutter, (std::vector<int>{128, 64, 128}));
    // The dark-frame option keeps it closed.
    sim_->sim().ClearRecords();
    Cam().darkFrame = true;
    RunExposureSequence();
    shutter.clear();
    for (const SimCameraWrite& w : Writes(kShutterControl)) shutter.push_back(w.bytes[3]);
    EXPECT_EQ(shutter, (std::vector<int>{128, 128}));
}

TEST_F(SequenceTest, Model5DarkReadValueOnlyForHighResolution) {
    Sim(ModelConfig(5, 0x0128));
    Connect("0128");
    Cam().darkFrame = true;
    Exposure('t', 5, kModeHighRes);
    RunExposureSequence();
    EXPECT_EQ(LastRead().bytes[1], kReadPixelsDelayed);
    EXPECT_EQ(LastRead().bytes[2] | LastRead().bytes[3] << 8, 0x8003);
    // The camera-timed read closes the shutter first.
    const auto shutter = Writes(kShutterControl);
    ASSERT_FALSE(shutter.empty());
    EXPECT_EQ(shutter.back().bytes[3], 128);
    Exposure('t', 5, kModeBin4);
    RunExposureSequence();
    EXPECT_EQ(LastRead().bytes[2] | LastRead().bytes[3] << 8, 3);
}

TEST_F(SequenceTest, FocusLoopReadsTheFocusFrame) {
    Sim();
    Connect();
    Exposure('h', 10, kModeBin2);
    const uint32_t start = clock.now;
    events.interruptAt.push_back(start + 350);
    int refreshes = 0;
    const int frames = FocusLoop([&] { ++refreshes; });
    EXPECT_GE(frames, 2);
    const FrameRequest f = sim_->sim().LastFrameRequest();
    EXPECT_EQ(f.width, 128);
    EXPECT_EQ(f.height, 128);
    EXPECT_EQ(FrameReplyBytes(f), 32768u);
    EXPECT_FALSE(Session().focusing);
    EXPECT_GT(refreshes, 0);
    // The focus frame is written as the model's focus bitmap, 128 x 128.
    EXPECT_EQ(FileLength(HomePath("autosave/Velmora_Firf.bmp")), 17462);
    EXPECT_GE(system.beeps, frames);
    // Refused for an exposure value of 100.
    Exposure('h', 100, kModeBin2);
    EXPECT_EQ(FocusLoop({}), 0);
}

TEST_F(SequenceTest, FocusLoopStopsOnAPressDuringAHostTimedExposure) {
    Sim();
    Connect();
    Exposure('s', 2, kModeBin2);  // 2 s: timed on the host
    const uint32_t start = clock.now;
    // A press 1 s into the first exposure. ("Stop" after the third frame
    // only so that a loop that missed the press still ends.)
    events.interruptAt.push_back(start + 1000);
    int refreshes = 0;
    const int frames = FocusLoop([&] {
        if (++refreshes >= 6) Session().stopFocus = true;
    });
    // The frame under way is still read and shown, then the loop ends.
    EXPECT_EQ(frames, 1);
    EXPECT_LT(clock.now - start, 10000u);
    EXPECT_FALSE(Session().focusing);
}

TEST_F(SequenceTest, MainGuidingFrameAbortsOnAPressDuringItsExposure) {
    Sim();
    Connect();
    events.interruptAt.push_back(clock.now + 500);
    bool aborted = false;
    EXPECT_TRUE(TakeMainGuidingFrame(2000, aborted));
    EXPECT_TRUE(aborted);
    // Without a press nothing is aborted.
    EXPECT_TRUE(TakeMainGuidingFrame(2000, aborted));
    EXPECT_FALSE(aborted);
}

TEST_F(SequenceTest, FocusAutochangeLengthensAFaintFrame) {
    SimulatorConfig config;
    config.mainField.stars = {{1024, 1024, 20000}};
    config.mainField.noise = false;
    Sim(config);
    Connect();
    DefaultFocusFrameCentre();
    Exposure('h', 1, kModeHighRes);  // 10 ms: far below a peak of 32000
    Cam().autochange = true;
    events.interruptAt.push_back(clock.now + 60);
    const int frames = FocusLoop({});
    ASSERT_GE(frames, 2);
    // 10 ms, then 20 ms, 40 ms, ... each frame doubles while the peak is low.
    EXPECT_GT(ExposureMs(Cam().exposureUnit, Cam().exposureValue), 10);
    EXPECT_NEAR(sim_->sim().LastExposureMs(), 10 << (frames - 1), 1);
}

TEST_F(SequenceTest, MonitorRefreshesEvery500ms) {
    Sim();
    Connect();
    events.interruptAt.push_back(clock.now + 1600);
    const int n = MonitorLoop({});
    EXPECT_EQ(n, 4);
    EXPECT_FALSE(Session().monitoring);
}

TEST_F(SequenceTest, GuiderExposureCycle) {
    Sim();
    Connect();
    GuiderCycleOptions options;
    options.unit = 't';
    options.value = 5;
    const uint32_t start = clock.now;
    const GuiderCycleResult r = GuiderExposureCycle(options);
    EXPECT_TRUE(r.ok);
    EXPECT_GE(clock.now - start, 500u);
    // The display values from the frame read, by the rule written out here:
    // the most frequent high byte among 1..255 (first on a tie) and the
    // highest high byte with at least 6 pixels.
    const int width = 500;  // the standard guider
    std::array<int, 256> histogram{};
    for (int i = 0; i < width * 290; ++i) ++histogram[State().guiderA[i] >> 8];
    int mostFrequent = 1, highestBin = 0;
    for (int i = 2; i < 256; ++i)
        if (histogram[i] > histogram[mostFrequent]) mostFrequent = i;
    for (int i = 255; i >= 0; --i)
        if (histogram[i] >= 6) {
            highestBin = i;
            break;
        }
    EXPECT_EQ(r.mostFrequent, mostFrequent);
    EXPECT_EQ(r.highestBin, highestBin);
    EXPECT_GT(histogram[mostFrequent], 0);  // a frame was read, not an empty buffer
    // The one-row start read, then the frame read of head 1.
    const auto reads = Writes(kReadPixels);
    ASSERT_GE(reads.size(), 2u);
    EXPECT_EQ(reads[reads.size() - 2].bytes[4], 1);
    EXPECT_EQ(sim_->sim().LastFrameRequest().head, 1);
}


// ---- the focus frame in every mode ----

// The sensor offset of the focus-frame read, for each exposure mode: the
// focus frame is kept in image pixels of the current geometry, so a binned
// geometry doubles it back to the sensor.
TEST_F(SequenceTest, FocusFrameReadOffsetInEveryMode) {
    Sim();
    Connect();
    ASSERT_EQ(State().geometry.modelCode, 4);
    for (int mode : {kModeHighRes, kModeBin2, kModeBin3, kModeBin4, kModeBin8, kModeBin8x16, kModeSubFrame}) {
        SelectExposureMode(mode);
        // Set Camera Type in this mode puts the frame at the sensor centre:
        // 1024 - 64 on the 2048 x 2048 sensor.
        ApplyCameraModel();
        ASSERT_TRUE(TakeFocusFrame(100));
        const FrameRequest f = sim_->sim().LastFrameRequest();
        EXPECT_EQ(f.xOffset, 960) << "mode " << mode;
        EXPECT_EQ(f.yOffset, 960) << "mode " << mode;
        EXPECT_EQ(f.width, 128);
    }
}

TEST_F(SequenceTest, FocusFrameStaysOnTheSensorAcrossModeChanges) {
    Sim();
    Connect();
    SelectExposureMode(kModeBin2);
    // A focus pick at image pixel (300, 200) of the binned image: sensor
    // (600, 400), so the read starts 64 sensor pixels up and left of it.
    PickingHooks().storeFocusCentre(300, 200);
    const int modes[] = {kModeBin2, kModeHighRes, kModeBin4, kModeHighRes, kModeHighRes, kModeBin8, kModeBin2};
    for (int mode : modes) {
        SelectExposureMode(mode);
        ASSERT_TRUE(TakeFocusFrame(100));
        const FrameRequest f = sim_->sim().LastFrameRequest();
        EXPECT_EQ(f.xOffset, 600 - 64) << "mode " << mode;
        EXPECT_EQ(f.yOffset, 400 - 64) << "mode " << mode;
    }
    // The sequence's own geometry change keeps it too.
    Exposure('t', 1, kModeHighRes);
    RunExposureSequence();
    EXPECT_EQ(State().geometry.focusOriginX, 600 - 64);
    bool aborted = false;
    ASSERT_TRUE(TakeMainGuidingFrame(100, aborted));
    EXPECT_EQ(sim_->sim().LastFrameRequest().xOffset, 600 - 64);
    // "Default Focus Frame Centre" in binned geometry: (W/2 - 32) image
    // pixels, the sensor centre less 64.
    SelectExposureMode(kModeBin4);
    DefaultFocusFrameCentre();
    ASSERT_TRUE(TakeFocusFrame(100));
    EXPECT_EQ(sim_->sim().LastFrameRequest().xOffset, 960);
}

// ---- a series without a picked star ----

TEST_F(SequenceTest, SeriesWithoutAPickedStarReadsEveryFrame) {
    SimulatorConfig config;
    config.mainField.stars.clear();
    config.mainField.noise = false;
    config.generateFields = false;
    Sim(config);
    Connect();
    Exposure('t', 5, kModeBin2);
    RunExposureSequence();
    const int single = State().imageA[500 * 1024 + 500];
    ASSERT_GT(single, 900);
    // No star picked: the window at (0, 0) does not fit.
    Picking().guideStarX = 0;
    Picking().guideStarY = 0;
    Cam().exposureCount = 3;
    messages.shown.clear();
    const SequenceResult r = RunExposureSequence();
    EXPECT_EQ(r.framesRead, 3);
    EXPECT_FALSE(r.starLost);
    // One "Find centre failed" per frame, nothing else (no message 5 or 4).
    ASSERT_EQ(messages.shown.size(), 3u);
    for (const RecordedMessage& m : messages.shown) EXPECT_EQ(m.text, "Find centre failed - outside image area");
    // The three frames are summed where they lie.
    EXPECT_NEAR(State().imageA[500 * 1024 + 500], 3 * single, 3);
}

// ---- model 5 with the trigger and a long exposure ----

TEST_F(SequenceTest, Model5TriggeredLongExposureIsHostTimedAndClosesTheShutter) {
    Sim(ModelConfig(5, 0x0128));
    Connect("0128");
    Cam().trigger = true;
    Exposure('s', 7, kModeBin8);  // 7000 ms: too long for the camera's trigger read
    RunExposureSequence();
    std::vector<int> shutter;
    for (const SimCameraWrite& w : Writes(kShutterControl)) shutter.push_back(w.bytes[3]);
    EXPECT_EQ(shutter, (std::vector<int>{128, 64, 128}));
    EXPECT_FALSE(sim_->sim().ShutterOpen());
    EXPECT_EQ(LastRead().bytes[1], kReadPixels);
    EXPECT_NEAR(sim_->sim().LastExposureMs(), 7000, 10);

    // The focus loop in the same case waits the 7 s on the host as well.
    sim_->sim().ClearRecords();
    Exposure('s', 7, kModeBin8);
    events.interruptAt.push_back(clock.now + 100);
    // (A loop whose frames take no time never reaches the press: "Stop".)
    int pumps = 0;
    events.onPump = [&] {
        if (++pumps > 20) Session().stopFocus = true;
    };
    EXPECT_EQ(FocusLoop({}), 1);
    events.onPump = {};
    EXPECT_NEAR(sim_->sim().LastExposureMs(), 7000, 10);
    EXPECT_FALSE(sim_->sim().ShutterOpen());
    shutter.clear();
    for (const SimCameraWrite& w : Writes(kShutterControl)) shutter.push_back(w.bytes[3]);
    EXPECT_EQ(shutter, (std::vector<int>{64, 128}));
}

}  // namespace
