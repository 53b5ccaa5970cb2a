// The INDI driver's rules without INDI: binnings, frames, exposure timing,
// relay bits, and the reads on the simulated camera with the fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/camera_settings.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/filter_wheel.h"
#include "devices/sim/simulator.h"
#include "devices/transport.h"
#include "support/test_env.h"
#include "velmora_indi_core.h"

using namespace velmora_indi;

namespace {

TEST(IndiBinning, OnlyTheCamerasModesAreOffered) {
    struct Case {
        int hor, ver, mode;
    };
    const Case cases[] = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}, {8, 8, 8}, {2, 3, 0},
                          {3, 2, 0}, {5, 5, 0}, {6, 6, 0}, {16, 16, 0}, {0, 0, 0}, {1, 8, 0}};
    for (const Case& c : cases) EXPECT_EQ(ModeForBinning(c.hor, c.ver), c.mode) << c.hor << "x" << c.ver;
    EXPECT_EQ(BinningRefusal(9, 9), "Sorry, binning 9x9 is not available: use 1x1 to 8x8");
    EXPECT_TRUE(BinningOffered(5, 7));
    EXPECT_FALSE(BinningOffered(9, 1));
    EXPECT_FALSE(BinningOffered(1, 0));
}

TEST(IndiBinning, AverageRoundsAndDropsPartBlocks) {
    // 5 x 3 at 2 x 2: two whole blocks, the last column and row dropped.
    const uint16_t src[] = {1, 2, 65535, 65535, 7,  //
                            3, 5, 65535, 65534, 7,  //
                            9, 9, 9,     9,     9};
    uint16_t dst[2] = {0, 0};
    BinAverage(src, 5, 3, 2, 2, dst);
    EXPECT_EQ(dst[0], 3);      // 11 / 4 = 2.75
    EXPECT_EQ(dst[1], 65535);  // 262139 / 4 = 65534.75
    uint16_t column[5] = {};
    BinAverage(src, 5, 3, 1, 3, column);
    EXPECT_EQ(column[0], 4);      // 13 / 3
    EXPECT_EQ(column[2], 43693);  // 131079 / 3
}

TEST(IndiFrame, FramesMustLieOnTheSensor) {
    struct Case {
        SensorFrame f;
        int bin;
        bool fits;
    };
    const Case cases[] = {
        {{0, 0, 2048, 2048}, 1, true},   {{0, 0, 2049, 2048}, 1, false}, {{-1, 0, 100, 100}, 1, false},
        {{1948, 1948, 100, 100}, 1, true}, {{1949, 0, 100, 100}, 1, false}, {{0, 0, 7, 100}, 8, false},
        {{0, 0, 8, 8}, 8, true},         {{10, 10, 0, 5}, 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameFits(c.f, c.bin, 2048, 2048), c.fits)
            << c.f.x << "," << c.f.y << " " << c.f.width << "x" << c.f.height << " bin " << c.bin;
}

TEST(IndiFrame, ReadWindowsOfFullFramesAndSubFrames) {
    struct Case {
        int mode;
        SensorFrame f;
        int sensorW, sensorH;
        int x, y, w, h, replyW, replyH;
    };
    const Case cases[] = {
        // The 3 x 3 read of a 1392 x 1040 sensor asks for 1392 x 1038.
        {3, {0, 0, 1392, 1040}, 1392, 1040, 0, 0, 1392, 1038, 464, 346},
        {3, {0, 0, 2048, 2048}, 2048, 2048, 0, 0, 2046, 2046, 682, 682},
        {8, {0, 0, 2048, 2048}, 2048, 2048, 0, 0, 2048, 2048, 256, 256},
        {2, {0, 0, 2048, 2048}, 2048, 2048, 0, 0, 2048, 2048, 1024, 1024},
        {1, {0, 0, 2048, 2048}, 2048, 2048, 0, 0, 2048, 2048, 2048, 2048},
        // Sub-frames keep their corner and drop the part of a binned pixel.
        {2, {100, 50, 301, 203}, 2048, 2048, 100, 50, 300, 202, 150, 101},
        {1, {7, 9, 33, 17}, 2048, 2048, 7, 9, 33, 17, 33, 17},
        {4, {40, 40, 130, 130}, 2048, 2048, 40, 40, 128, 128, 32, 32},
    };
    for (const Case& c : cases) {
        const ReadWindow w = CaptureWindow(c.mode, c.f, c.sensorW, c.sensorH);
        EXPECT_EQ(w.x, c.x);
        EXPECT_EQ(w.y, c.y);
        EXPECT_EQ(w.width, c.w);
        EXPECT_EQ(w.height, c.h);
        EXPECT_EQ(w.ReplyWidth(), c.replyW);
        EXPECT_EQ(w.ReplyHeight(), c.replyH);
    }
    EXPECT_EQ(AssemblyMode(1, true), kModeHighRes);
    EXPECT_EQ(AssemblyMode(1, false), kModeSubFrame);
    EXPECT_EQ(AssemblyMode(4, false), kModeBin4);
}

TEST(IndiExposureClock, CameraTimesOneSecondOrLess) {
    ExposureClock clock;
    clock.Start(5000, 1000);
    EXPECT_FALSE(clock.HostTimed());
    EXPECT_EQ(clock.NextStepMs(5000), 0u);
    EXPECT_EQ(clock.Step(5000), ExposureClock::Due::ReadOut);
    clock.Start(5000, 1001);
    EXPECT_TRUE(clock.HostTimed());
    EXPECT_EQ(clock.Step(5000), ExposureClock::Due::Wait);
    EXPECT_EQ(clock.NextStepMs(5000), 1001u);
    EXPECT_EQ(clock.Step(6000), ExposureClock::Due::Wait);
    EXPECT_EQ(clock.Step(6001), ExposureClock::Due::ReadOut);
}

// The times at which a host-timed exposure of E ms clears its registers.
std::vector<uint32_t> ClearTimes(int32_t exposureMs) {
    ExposureClock clock;
    const uint32_t start = 100000;
    clock.Start(start, exposureMs);
    std::vector<uint32_t> clears;
    uint32_t now = start;
    for (int guard = 0; guard < 1000; ++guard) {
        now += clock.NextStepMs(now);
        const ExposureClock::Due due = clock.Step(now);
        if (due == ExposureClock::Due::ReadOut) {
            EXPECT_EQ(now - start, uint32_t(exposureMs));
            break;
        }
        if (due == ExposureClock::Due::RegisterClear) clears.push_back(now - start);
    }
    return clears;
}

TEST(IndiExposureClock, RegisterClearsOnTheProgramsSchedule) {
    // 4 s: none during the wait; 10 s: one 2 s before the end; 14 s: at 12 s
    // only (the next would fall after the end).
    EXPECT_EQ(ClearTimes(4000), std::vector<uint32_t>{});
    EXPECT_EQ(ClearTimes(10000), std::vector<uint32_t>{8000});
    EXPECT_EQ(ClearTimes(14000), std::vector<uint32_t>{12000});
    EXPECT_EQ(ClearTimes(5001), std::vector<uint32_t>{3001});
    ExposureClock clock;
    clock.Start(0, 10000);
    EXPECT_DOUBLE_EQ(clock.SecondsLeft(2500), 7.5);
}

TEST(IndiExposureClock, WakesOnEveryWholeSecondOfTheExposure) {
    // The driver's loop: step, tell the time left, sleep until WakeMs.
    ExposureClock clock;
    const uint32_t start = 100000;
    clock.Start(start, 10000);
    std::vector<uint32_t> wakes;
    uint32_t now = start + clock.WakeMs(start);
    for (int guard = 0; guard < 100 && clock.Step(now) != ExposureClock::Due::ReadOut; ++guard) {
        wakes.push_back(now - start);
        now += clock.WakeMs(now);
    }
    EXPECT_EQ(now - start, 10000u);
    EXPECT_EQ(wakes, (std::vector<uint32_t>{1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000}));
    // A late wake keeps to the whole seconds; a camera-timed read is due now.
    EXPECT_EQ(clock.WakeMs(start + 1250), 750u);
    clock.Start(0, 1000);
    EXPECT_EQ(clock.WakeMs(0), 0u);
}

TEST(IndiGuideRelays, OnePulsePerAxis) {
    GuideRelays relays;
    // Bits: 1 west, 2 south, 4 north, 8 east.
    EXPECT_EQ(relays.Start(GuideDirection::West), 1);
    EXPECT_EQ(relays.Start(GuideDirection::North), 5);
    EXPECT_EQ(relays.Start(GuideDirection::South), 3);
    EXPECT_EQ(relays.Start(GuideDirection::East), 10);
    EXPECT_EQ(relays.Stop(GuideAxis::WestEast), 2);
    EXPECT_EQ(relays.Stop(GuideAxis::NorthSouth), 0);
    EXPECT_EQ(AxisOf(GuideDirection::East), GuideAxis::WestEast);
    EXPECT_EQ(AxisOf(GuideDirection::North), GuideAxis::NorthSouth);
}

TEST(IndiMessages, JoinedIntoOneLine) {
    EXPECT_EQ(JoinMessages({"Error 5 trying to read CAMIO data from USB\n", "", "Sorry, No camera found on USB"}),
              "Error 5 trying to read CAMIO data from USB / Sorry, No camera found on USB");
    EXPECT_EQ(JoinMessages({"Camera Found, \nCAMIO =      1"}), "Camera Found, CAMIO =      1");
    MessageRecorder recorder;
    recorder.Show("Velmora_USB", "one", MessageIcon::None);
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"one"});
    EXPECT_TRUE(recorder.Empty());
}

class IndiDeviceTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetAcquisition();
        ResetCameraInfo();
        ResetFilterWheel();
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
    bool Shown(const std::string& text) const {
        for (const std::string& t : MessageTexts())
            if (t == text) return true;
        return false;
    }
    std::unique_ptr<ScopedSimulator> sim_;
};

TEST_F(IndiDeviceTest, MissingCameraIsRefusedWithTheProgramsText) {
    SimulatorConfig config;
    config.camera.present = false;
    Sim(config);
    EXPECT_FALSE(ConnectCamera());
    EXPECT_TRUE(Shown("Sorry, No camera found on USB"));
}

TEST_F(IndiDeviceTest, PermissionFailureNamesTheUdevRule) {
    Simulator& sim = Sim();
    sim.Faults().openPermissionDenied = true;
    EXPECT_FALSE(ConnectCamera());
    EXPECT_TRUE(Shown("Could not open HID device"));
    bool hint = false;
    for (const std::string& t : MessageTexts()) hint = hint || t.find("udev rule") != std::string::npos;
    EXPECT_TRUE(hint);
    EXPECT_FALSE(CameraConnected());
}

TEST_F(IndiDeviceTest, BinnedFrameIsReadAtItsBinnedSize) {
    Simulator& sim = Sim();
    ASSERT_TRUE(ConnectCamera());
    const SensorFrame full{0, 0, 2048, 2048};
    const ReadWindow w = CaptureWindow(kModeBin2, full, 2048, 2048);
    std::vector<uint16_t> image(w.ReplyPixels(), 0);
    BeginMainExposure(1000, false);
    ASSERT_TRUE(ReadMainExposure(kModeBin2, w, 1000, false, image.data()));
    const FrameRequest f = sim.LastFrameRequest();
    EXPECT_EQ(sim.LastReadRequest(), kReadPixelsDelayed);
    EXPECT_EQ(f.width, 2048);
    EXPECT_EQ(f.height, 2048);
    EXPECT_EQ(f.xBin, 2);
    EXPECT_EQ(f.exposureMs, 1000u);
    // Sky, bias and stars: no pixel is left at 0, and some star stands far
    // above the background.
    EXPECT_EQ(std::count(image.begin(), image.end(), 0), 0);
    EXPECT_GT(*std::max_element(image.begin(), image.end()), 3000);
}

TEST_F(IndiDeviceTest, HostTimedSubFrameReadsTheWindowWithRequest3) {
    Simulator& sim = Sim();
    ASSERT_TRUE(ConnectCamera());
    const ReadWindow w = CaptureWindow(kModeHighRes, SensorFrame{300, 400, 64, 32}, 2048, 2048);
    std::vector<uint16_t> image(w.ReplyPixels(), 0);
    BeginMainExposure(2000, false);
    clock.WaitMs(2000);
    ASSERT_TRUE(ReadMainExposure(AssemblyMode(kModeHighRes, false), w, 2000, false, image.data()));
    const FrameRequest f = sim.LastFrameRequest();
    EXPECT_EQ(sim.LastReadRequest(), kReadPixels);
    EXPECT_EQ(f.xOffset, 300);
    EXPECT_EQ(f.yOffset, 400);
    EXPECT_EQ(f.width, 64);
    EXPECT_EQ(f.height, 32);
    EXPECT_NEAR(sim.LastExposureMs(), 2000, 1);
}

TEST_F(IndiDeviceTest, CameraThatStopsAnsweringFailsTheExposure) {
    Simulator& sim = Sim();
    ASSERT_TRUE(ConnectCamera());
    const ReadWindow w = CaptureWindow(kModeBin4, SensorFrame{0, 0, 2048, 2048}, 2048, 2048);
    std::vector<uint16_t> image(w.ReplyPixels(), 0);
    sim.Faults().failNextCameraRead = 5;
    EXPECT_FALSE(ReadMainExposure(kModeBin4, w, 500, false, image.data()));
    EXPECT_TRUE(Shown("Error 5 trying to read CAMIO data from USB\n"));
    // Part of a frame is not an image either.
    sim.Faults().shortNextCameraRead = 1000;
    EXPECT_FALSE(ReadMainExposure(kModeBin4, w, 500, false, image.data()));
    EXPECT_TRUE(Shown("Read    1000 bytes, asked for  524288 from USB\n"));
}

TEST_F(IndiDeviceTest, GuiderHeadAndRelays) {
    Simulator& sim = Sim();
    ASSERT_TRUE(ConnectCamera());
    ASSERT_EQ(GuiderFrameWidth(), 500);
    std::vector<uint16_t> guider(500 * 290, 0);
    ASSERT_TRUE(StartGuiderExposure());
    clock.WaitMs(500);
    ASSERT_TRUE(ReadGuiderExposure(PlanGuiderRead(SensorFrame{0, 0, 500, 290}, 1, 1, 's'), 500, guider.data()));
    EXPECT_EQ(sim.LastFrameRequest().head, 1);
    EXPECT_EQ(sim.LastFrameRequest().width, 500);
    EXPECT_EQ(sim.LastFrameRequest().height, 290);
    // Bytes sit in the high half of each pixel.
    for (uint16_t p : guider) ASSERT_EQ(p & 0xFF, 0);
    GuideRelays relays;
    ASSERT_TRUE(SetRelays(relays.Start(GuideDirection::West)));
    EXPECT_EQ(sim.RelayBits(), 1);
    ASSERT_TRUE(SetRelays(relays.Start(GuideDirection::North)));
    EXPECT_EQ(sim.RelayBits(), 5);
    DisconnectCamera();
    EXPECT_EQ(sim.RelayBits(), 0);
    EXPECT_FALSE(CameraConnected());
}

}  // namespace
