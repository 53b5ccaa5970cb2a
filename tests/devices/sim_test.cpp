// The simulator: the sky renderer and the mount model on their own, then the
// simulated camera and filter wheel through the real protocol code on the
// fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <numeric>

#include "core/state.h"
#include "devices/camera.h"
#include "devices/filter_wheel.h"
#include "devices/sim/sim_options.h"
#include "devices/sim/simulator.h"
#include "devices/transport.h"
#include "support/test_env.h"

namespace {

// ---- sky renderer ----

SkyField OneStar(double x, double y, double flux) {
    SkyField f;
    f.stars.push_back({x, y, flux});
    f.noise = false;
    f.skyPerSecond = 0;
    f.darkAt0C = 0;
    f.bias = 100;
    return f;
}

RenderRequest Window(int w, int h, double ms, int bin = 1) {
    RenderRequest r;
    r.sensorWidth = 2048;
    r.sensorHeight = 2048;
    r.width = w;
    r.height = h;
    r.xBin = r.yBin = bin;
    r.exposureMs = ms;
    return r;
}

// Weighted centroid of the pixels above `floor`.
std::pair<double, double> Centroid(const std::vector<uint16_t>& px, int w, double floor) {
    double sx = 0, sy = 0, s = 0;
    for (size_t k = 0; k < px.size(); ++k) {
        const double v = px[k] - floor;
        if (v <= 0) continue;
        sx += v * double(k % size_t(w));
        sy += v * double(k / size_t(w));
        s += v;
    }
    return {sx / s, sy / s};
}

TEST(SkyRenderer, SizesAndBinning) {
    SkyField f = OneStar(50, 50, 0);
    f.skyPerSecond = 10;
    std::vector<uint16_t> px;
    RenderRequest r = Window(100, 60, 1000, 1);
    RenderSky(f, r, px);
    EXPECT_EQ(px.size(), 6000u);
    EXPECT_EQ(px[0], 110);
    r.xBin = r.yBin = 2;
    RenderSky(f, r, px);
    EXPECT_EQ(px.size(), 1500u);
    EXPECT_EQ(px[0], 140);  // four pixels of sky in one
    r.xBin = r.yBin = 3;
    EXPECT_EQ(RenderedPixels(r), 33u * 20u);
}

TEST(SkyRenderer, StarSitsWhereItShouldAndScalesWithFlux) {
    const SkyField f = OneStar(40.5, 30.5, 10000);
    std::vector<uint16_t> px;
    RenderSky(f, Window(80, 60, 1000), px);
    auto [cx, cy] = Centroid(px, 80, 100);
    EXPECT_NEAR(cx, 40.0, 0.05);  // pixel k covers [k, k+1): centre of pixel 40 is 40.5
    EXPECT_NEAR(cy, 30.0, 0.05);
    const double total = std::accumulate(px.begin(), px.end(), 0.0) - 100.0 * double(px.size());
    EXPECT_NEAR(total, 10000, 50);
    const SkyField brighter = OneStar(40.5, 30.5, 20000);
    std::vector<uint16_t> px2;
    RenderSky(brighter, Window(80, 60, 1000), px2);
    EXPECT_GT(*std::max_element(px2.begin(), px2.end()), *std::max_element(px.begin(), px.end()));
    // Light grows with exposure.
    RenderSky(f, Window(80, 60, 2000), px2);
    const double total2 = std::accumulate(px2.begin(), px2.end(), 0.0) - 100.0 * double(px2.size());
    EXPECT_NEAR(total2, 2 * total, 100);
}

TEST(SkyRenderer, ClampsAtFullScale) {
    const SkyField f = OneStar(10, 10, 1e9);
    std::vector<uint16_t> px;
    RenderSky(f, Window(20, 20, 1000), px);
    EXPECT_EQ(*std::max_element(px.begin(), px.end()), 65535);
}

TEST(SkyRenderer, ShiftMovesTheStarAndWindowOffsetsCount) {
    const SkyField f = OneStar(40.5, 30.5, 10000);
    std::vector<uint16_t> px;
    RenderRequest r = Window(80, 60, 1000);
    r.shiftX = 5;
    r.shiftY = -3;
    RenderSky(f, r, px);
    auto [cx, cy] = Centroid(px, 80, 100);
    EXPECT_NEAR(cx, 45.0, 0.05);
    EXPECT_NEAR(cy, 27.0, 0.05);
    r.shiftX = r.shiftY = 0;
    r.xOffset = 20;
    r.yOffset = 10;
    RenderSky(f, r, px);
    std::tie(cx, cy) = Centroid(px, 80, 100);
    EXPECT_NEAR(cx, 20.0, 0.05);
    EXPECT_NEAR(cy, 20.0, 0.05);
}

TEST(SkyRenderer, DarkCurrentGrowsWithExposureAndFallsWithTemperature) {
    SkyField f = OneStar(-100, -100, 0);
    f.darkAt0C = 10;
    f.darkDoublingC = 6;
    std::vector<uint16_t> px;
    RenderRequest r = Window(4, 4, 10000);
    r.temperatureC = 0;
    RenderSky(f, r, px);
    EXPECT_EQ(px[0], 200);  // 10 e/s * 10 s
    r.exposureMs = 20000;
    RenderSky(f, r, px);
    EXPECT_EQ(px[0], 300);
    r.temperatureC = -6;
    RenderSky(f, r, px);
    EXPECT_EQ(px[0], 200);  // half the dark current
}

TEST(SkyRenderer, HotPixelsStayOnTheSensor) {
    SkyField f = OneStar(-100, -100, 0);
    f.hotPixels = {uint32_t(5 * 2048 + 7)};
    f.hotPixelPerSecond = 1000;
    std::vector<uint16_t> px;
    RenderRequest r = Window(16, 16, 2000);
    r.shiftX = 3;  // the sky moves, the hot pixel does not
    RenderSky(f, r, px);
    EXPECT_EQ(px[5 * 16 + 7], 2100);
    EXPECT_EQ(px[5 * 16 + 8], 100);
}

TEST(SkyRenderer, NoiseIsSeededAndRealistic) {
    SkyField f = OneStar(-100, -100, 0);
    f.noise = true;
    f.skyPerSecond = 400;
    f.readNoise = 0;
    std::vector<uint16_t> a, b, c;
    RenderRequest r = Window(100, 100, 1000);
    r.seed = 7;
    RenderSky(f, r, a);
    RenderSky(f, r, b);
    r.seed = 8;
    RenderSky(f, r, c);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    double mean = 0, var = 0;
    for (uint16_t v : a) mean += v;
    mean /= double(a.size());
    for (uint16_t v : a) var += (v - mean) * (v - mean);
    var /= double(a.size());
    EXPECT_NEAR(mean, 100 + 400, 3);
    EXPECT_NEAR(std::sqrt(var), 20, 2);  // photon noise: sqrt(400)
}

TEST(SkyRenderer, GeneratedFieldHasARealisticSpread) {
    const SkyField f = MakeStarField(2048, 2048, 200, 5, 42);
    ASSERT_EQ(f.stars.size(), 200u);
    EXPECT_EQ(f.hotPixels.size(), 5u);
    std::vector<double> flux;
    for (const SimStar& s : f.stars) {
        flux.push_back(s.flux);
        EXPECT_GE(s.x, 0);
        EXPECT_LT(s.x, 2048);
    }
    std::sort(flux.begin(), flux.end());
    EXPECT_GT(flux.back() / flux[100], 10);  // a few stars far brighter than the median
    EXPECT_EQ(MakeStarField(2048, 2048, 200, 5, 42).stars[17].x, f.stars[17].x);
    EXPECT_NE(MakeStarField(2048, 2048, 200, 5, 43).stars[17].x, f.stars[17].x);
}

TEST(SkyRenderer, EightBitHasItsOwnBiasGainAndFullScale) {
    // The guider's 8-bit values come from its own bias and gain, not from the
    // high byte of a 16-bit value (which hid sky and read noise).
    SkyField f = OneStar(10.5, 10.5, 1e9);
    f.bias = 12;
    f.gain = 40;
    f.skyPerSecond = 400;
    std::vector<uint8_t> narrow;
    RenderSky8(f, Window(20, 20, 1000), narrow);
    EXPECT_EQ(narrow[0], 22);              // 12 + 400 e / 40 e per ADU
    EXPECT_EQ(narrow[10 * 20 + 10], 255);  // a saturated star stops at full scale
    f.stars.clear();
    f.bias = 0;
    f.skyPerSecond = 0;
    f.readNoise = 80;  // 2 ADU: noise below zero is clamped, not wrapped
    f.noise = true;
    RenderSky8(f, Window(20, 20, 1000), narrow);
    EXPECT_EQ(*std::max_element(narrow.begin(), narrow.end()) < 20, true);
    EXPECT_GT(std::count(narrow.begin(), narrow.end(), 0), 100);
}

// Pixel statistics of the generated guider field on the guider head.
TEST(SkyRenderer, GuiderFieldIsNearFullScaleAndTypicalStarsHaveSnr20To50) {
    for (uint64_t seed : {1u, 2u, 3u}) {
        const SkyField f = MakeGuiderField(500, 290, seed);
        ASSERT_EQ(f.stars.size(), 12u);
        RenderRequest r;
        r.sensorWidth = 500;
        r.sensorHeight = 290;
        r.width = 500;
        r.height = 290;
        r.exposureMs = 1000;
        r.temperatureC = 15;
        // Brightest pixel of a 1 s frame: near but below full scale.
        int top = 0;
        std::vector<uint8_t> px;
        for (uint64_t k = 0; k < 3; ++k) {
            r.seed = 100 + k;
            RenderSky8(f, r, px);
            top = std::max(top, int(*std::max_element(px.begin(), px.end())));
        }
        EXPECT_GE(top, 200) << seed;
        EXPECT_LE(top, 254) << seed;
        // The background is not a constant: sky and read noise show.
        std::vector<uint8_t> corner;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) corner.push_back(px[size_t(y) * 500 + size_t(x)]);
        EXPECT_GT(*std::max_element(corner.begin(), corner.end()) - *std::min_element(corner.begin(), corner.end()), 2);
        // SNR of stars 1-4 (the typical guide stars): mean over the spread of
        // the background-subtracted 7 x 7 sum across 40 frames (a 21 x 21
        // window around each star).
        const int frames = 40;
        std::vector<std::vector<double>> sums(4);
        for (int k = 0; k < frames; ++k) {
            for (size_t i = 0; i < 4; ++i) {
                const SimStar& s = f.stars[i + 1];
                RenderRequest w = r;
                w.xOffset = int(s.x) - 10;
                w.yOffset = int(s.y) - 10;
                w.width = w.height = 21;
                w.seed = 1000 + uint64_t(k) * 4 + i;
                RenderSky8(f, w, px);
                // Background from the ring 8..10 pixels out.
                double ring = 0, box = 0;
                int ringCount = 0;
                for (int y = 0; y < 21; ++y)
                    for (int x = 0; x < 21; ++x) {
                        const int d = std::max(std::abs(x - 10), std::abs(y - 10));
                        const double v = px[size_t(y) * 21 + size_t(x)];
                        if (d >= 8) {
                            ring += v;
                            ++ringCount;
                        } else if (d <= 3) {
                            box += v;
                        }
                    }
                sums[i].push_back(box - 49 * ring / ringCount);
            }
        }
        for (size_t i = 0; i < 4; ++i) {
            const double mean = std::accumulate(sums[i].begin(), sums[i].end(), 0.0) / frames;
            double var = 0;
            for (double v : sums[i]) var += (v - mean) * (v - mean);
            const double snr = mean / std::sqrt(var / (frames - 1));
            EXPECT_GE(snr, 20) << "seed " << seed << " star " << i + 1;
            EXPECT_LE(snr, 50) << "seed " << seed << " star " << i + 1;
        }
    }
}

// ---- mount model ----

TEST(Mount, DriftAndPeriodicError) {
    MountConfig c;
    c.driftRaPerSecond = 0.5;
    c.driftDecPerSecond = -0.25;
    MountModel m(c, 1000);
    double x, y;
    m.OffsetAt(5000, x, y);
    EXPECT_NEAR(x, -2.0, 1e-9);  // westward drift: -x; northward: +y
    EXPECT_NEAR(y, 1.0, 1e-9);
    c = MountConfig{};
    c.periodicAmplitude = 3;
    c.periodicPeriodS = 40;
    MountModel p(c, 0);
    p.OffsetAt(10000, x, y);  // a quarter period
    EXPECT_NEAR(x, -3.0, 1e-9);
    p.OffsetAt(30000, x, y);
    EXPECT_NEAR(x, 3.0, 1e-9);
}

TEST(Mount, RelaysMoveAtTheGuideRate) {
    MountConfig c;
    c.guideRatePerSecond = 4;
    MountModel m(c, 0);
    m.SetRelays(kRelayWest, 1000);
    m.SetRelays(0, 2500);
    double x, y;
    m.OffsetAt(9000, x, y);
    EXPECT_NEAR(x, -6.0, 1e-9);  // west -x, as the default letters take it
    EXPECT_NEAR(y, 0.0, 1e-9);
    m.SetRelays(kRelayNorth, 9000);
    m.SetRelays(0, 10000);
    m.OffsetAt(10000, x, y);
    EXPECT_NEAR(y, 4.0, 1e-9);  // north +y
    m.SetRelays(kRelaySouth | kRelayEast, 10000);
    m.OffsetAt(10500, x, y);
    EXPECT_NEAR(x, -4.0, 1e-9);
    EXPECT_NEAR(y, 2.0, 1e-9);
    // Opposite bits together cancel.
    m.SetRelays(kRelayEast | kRelayWest, 10500);
    m.OffsetAt(20000, x, y);
    EXPECT_NEAR(x, -4.0, 1e-9);
}

TEST(Mount, BacklashOnADirectionChange) {
    MountConfig c;
    c.guideRatePerSecond = 2;
    c.raBacklashMs = 500;
    MountModel m(c, 0);
    m.SetRelays(kRelayWest, 0);
    m.SetRelays(0, 2000);
    EXPECT_NEAR(m.GuidedRa(2000), 4.0, 1e-9);  // the first move takes no slack
    m.SetRelays(kRelayEast, 3000);
    m.SetRelays(0, 5000);
    EXPECT_NEAR(m.GuidedRa(5000), 1.0, 1e-9);  // 2 s east less 0.5 s of slack
    m.SetRelays(kRelayEast, 6000);
    m.SetRelays(0, 7000);
    EXPECT_NEAR(m.GuidedRa(7000), -1.0, 1e-9);  // same direction: no slack
}

TEST(Mount, CameraAngleRotatesTheMotion) {
    MountConfig c;
    c.guideRatePerSecond = 1;
    c.cameraAngleDeg = 90;
    MountModel m(c, 0);
    m.SetRelays(kRelayWest, 0);
    m.SetRelays(0, 3000);
    double x, y;
    m.OffsetAt(3000, x, y);
    EXPECT_NEAR(x, 0.0, 1e-9);
    EXPECT_NEAR(y, -3.0, 1e-9);  // west's -x turned by 90 degrees
}

// The default direction letters take east +x and north +y; a mirror turns
// one axis round (the swap letters then guide again).
TEST(Mount, OrientationFollowsTheDefaultLettersAndAMirrorTurnsIt) {
    struct Case {
        bool mirrorRa, mirrorDec;
        uint8_t relay;
        double x, y;  // after 1 s at 3 px/s
    } cases[] = {
        {false, false, kRelayEast, 3, 0},  {false, false, kRelayWest, -3, 0}, {false, false, kRelayNorth, 0, 3},
        {false, false, kRelaySouth, 0, -3}, {true, false, kRelayEast, -3, 0},  {true, false, kRelayNorth, 0, 3},
        {false, true, kRelayWest, -3, 0},  {false, true, kRelayNorth, 0, -3}, {true, true, kRelayWest, 3, 0},
        {true, true, kRelaySouth, 0, 3},
    };
    for (const Case& c : cases) {
        MountConfig mc;
        mc.guideRatePerSecond = 3;
        mc.mirrorRa = c.mirrorRa;
        mc.mirrorDec = c.mirrorDec;
        MountModel m(mc, 0);
        m.SetRelays(c.relay, 0);
        m.SetRelays(0, 1000);
        double x, y;
        m.OffsetAt(1000, x, y);
        EXPECT_NEAR(x, c.x, 1e-9) << int(c.relay) << c.mirrorRa << c.mirrorDec;
        EXPECT_NEAR(y, c.y, 1e-9) << int(c.relay) << c.mirrorRa << c.mirrorDec;
    }
}

TEST(Mount, TimedPulsesEndByThemselvesAndStayExactInThePast) {
    MountConfig c;
    c.guideRatePerSecond = 2;
    c.raBacklashMs = 100;
    MountModel m(c, 0);
    m.Pulse(1, 0, 500, 1000);   // west
    m.Pulse(0, -1, 250, 1200);  // north, while the west pulse runs
    double x, y;
    m.OffsetAt(3000, x, y);
    EXPECT_NEAR(x, -1.0, 1e-9);
    EXPECT_NEAR(y, 0.5, 1e-9);
    m.OffsetAt(1250, x, y);
    EXPECT_NEAR(x, -0.5, 1e-9);
    EXPECT_NEAR(y, 0.1, 1e-9);
    // A fast serial move takes the slack up at its own speed.
    m.SetGuideMotion(-16, 0, 3000);  // east at 16 guide rates
    m.SetGuideMotion(0, 0, 3100);
    EXPECT_NEAR(m.GuidedRa(3100), 1.0 - 2 * 16 * 0.1 + 2 * 0.1, 1e-9);
}

TEST(Mount, PastTimesComeFromTheTrack) {
    MountConfig c;
    c.guideRatePerSecond = 1;
    MountModel m(c, 0);
    m.SetRelays(kRelayWest, 1000);
    m.SetRelays(0, 3000);
    double x, y;
    m.OffsetAt(10000, x, y);
    m.OffsetAt(2000, x, y);
    EXPECT_NEAR(x, -1.0, 1e-9);
    m.OffsetAt(500, x, y);
    EXPECT_NEAR(x, 0.0, 1e-9);
}

TEST(Mount, LongHistoryAnswersOldTimesExactly) {
    // 5000 relay changes: west on for 100 ms, off for 100 ms, from t = 0.
    MountConfig c;
    c.guideRatePerSecond = 3;
    MountModel m(c, 0);
    for (uint32_t k = 0; k < 5000; ++k) m.SetRelays(k % 2 == 0 ? kRelayWest : 0, k * 100);
    double x, y;
    // At 1050 ms: five whole 100 ms pulses and half of the sixth, at 3 px/s.
    m.OffsetAt(1050, x, y);
    EXPECT_NEAR(x, -1.65, 1e-9);
    m.OffsetAt(250000, x, y);  // 1250 pulses
    EXPECT_NEAR(x, -375.0, 1e-9);
    // A 90-minute exposure still finds its start.
    MountModel n(c, 0);
    for (uint32_t k = 0; k < 5400; ++k) n.SetRelays(k % 2 == 0 ? kRelayWest : 0, k * 1000);
    n.OffsetAt(10000, x, y);
    EXPECT_NEAR(x, -15.0, 1e-9);
}

TEST(Mount, BacklashIsExactInThePast) {
    double x_, y_;
    MountConfig c;
    c.guideRatePerSecond = 2;
    c.raBacklashMs = 500;
    MountModel m(c, 0);
    m.SetRelays(kRelayWest, 0);
    m.SetRelays(kRelayEast, 2000);
    m.SetRelays(0, 5000);
    m.OffsetAt(9000, x_, y_);
    // East from 2000 ms: the first 500 ms take up the slack, then -2 px/s.
    m.OffsetAt(2400, x_, y_);
    EXPECT_NEAR(x_, -4.0, 1e-9);
    m.OffsetAt(3000, x_, y_);
    EXPECT_NEAR(x_, -3.0, 1e-9);
}

// ---- the simulated devices through the protocol ----

class SimTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        State().settings.showInterfaceDetails = false;
        ResetFilterWheel();
    }
    void TearDown() override {
        sim.reset();
        ResetFilterWheel();
        VelmoraTest::TearDown();
    }
    Simulator& Start(SimulatorConfig config = {}) {
        sim = std::make_unique<ScopedSimulator>(config);
        EXPECT_TRUE(OpenCamera());
        messages.shown.clear();
        return sim->sim();
    }
    // A sub-frame around (x, y) with a host-timed exposure of `ms`.
    std::vector<uint16_t> TakeWindow(int x, int y, int w, int h, uint32_t ms) {
        ClearPixels(8);
        ClearPixels(0);
        Echo();
        WaitMs(ms);
        FrameRequest f;
        f.xOffset = uint16_t(x);
        f.yOffset = uint16_t(y);
        f.width = uint16_t(w);
        f.height = uint16_t(h);
        f.exposureMs = ms;
        size_t got = 0;
        EXPECT_TRUE(ReadExposure(f, false, false, &got));
        EXPECT_EQ(got, size_t(w) * size_t(h) * 2);
        std::vector<uint16_t> px(size_t(w) * size_t(h));
        for (size_t k = 0; k < px.size(); ++k) px[k] = uint16_t(FrameBytes()[2 * k] | (FrameBytes()[2 * k + 1] << 8));
        return px;
    }
    static SimulatorConfig QuietOneStar(double x, double y) {
        SimulatorConfig c;
        c.mainField = OneStar(x, y, 50000);
        c.guiderField = OneStar(250, 145, 50000);
        c.generateFields = false;
        return c;
    }
    std::unique_ptr<ScopedSimulator> sim;
};

TEST_F(SimTest, DiscoveryFindsCameraAndWheel) {
    State().settings.filterCount = 7;
    SimulatorConfig c;
    c.wheel.positions = 5;
    Simulator& s = Start(c);
    EXPECT_TRUE(CameraConnected());
    EXPECT_EQ(State().geometry.modelCode, 4);
    EXPECT_TRUE(Link().filterWheelPresent);
    EXPECT_EQ(State().settings.filterCount, 5);
    EXPECT_EQ(Link().deviceList[0].product, "Korvane CCD camera (simulated)");
    EXPECT_EQ(s.CameraPath(), "usb#vid_4b56&pid_0126#sim-camera");
}

TEST_F(SimTest, AnyModelOfTheTable) {
    SimulatorConfig c;
    c.camera.model = 2;
    c.camera.pid = 0x0119;
    State().settings.ignoreCameraVidPid = true;
    Start(c);
    EXPECT_EQ(State().geometry.modelCode, 2);
    EXPECT_EQ(State().geometry.sensorWidth, 1392);
}

TEST_F(SimTest, FirmwareIsConfigurable) {
    SimulatorConfig c;
    c.camera.firmwareA = 10;
    c.camera.firmwareB = 2;
    Start(c);
    EXPECT_TRUE(QueryFirmwareVersion());
    EXPECT_EQ(Camera().firmwareText, "2.10");
    EXPECT_FALSE(Camera().coolerSupported);
}

TEST_F(SimTest, EveryReadModeAnswersWithItsSize) {
    SimulatorConfig c;
    c.camera.model = 2;  // 1392 x 1040
    c.camera.pid = 0x0119;
    State().settings.configuredPid = "0119";
    Start(c);
    struct Mode {
        uint16_t w, h;
        uint8_t bin;
        uint16_t head;
        size_t bytes;
    };
    const Mode modes[] = {
        {1392, 1040, 1, 0, 1392u * 1040 * 2},  // high resolution
        {1392, 1040, 2, 0, 696u * 520 * 2},    // 2 x 2
        {1392, 1038, 3, 0, 464u * 346 * 2},    // 3 x 3
        {1392, 1040, 4, 0, 348u * 260 * 2},    // 4 x 4 and flush
        {1392, 1040, 8, 0, 174u * 130 * 2},    // 8 x 8 and "8x16"
        {696, 520, 1, 0, 696u * 520 * 2},      // sub-frame
        {128, 128, 1, 0, 32768},               // focus frame
        {256, 256, 2, 0, 32768},               // binned focus frame
        {500, 290, 1, 1, 145000},              // guider
        {500, 290, 2, 1, 36250},               // binned guider
        {500, 1, 1, 1, 500},                   // guider start row
    };
    for (const Mode& m : modes) {
        FrameRequest f;
        f.width = m.w;
        f.height = m.h;
        f.xBin = f.yBin = m.bin;
        f.head = m.head;
        size_t got = 0;
        EXPECT_TRUE(ReadFrame(f, &got));
        EXPECT_EQ(got, m.bytes) << m.w << "x" << m.h << " bin " << int(m.bin);
    }
    // Camera-timed reads answer in full too.
    FrameRequest f;
    f.width = 1392;
    f.height = 1040;
    f.xBin = f.yBin = 2;
    f.exposureMs = 300;
    size_t got = 0;
    EXPECT_TRUE(ReadExposure(f, false, false, &got));
    EXPECT_EQ(got, 696u * 520 * 2);
    EXPECT_TRUE(ReadExposure(f, true, false, &got));
    EXPECT_EQ(got, 696u * 520 * 2);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SimTest, OtherGuiderType) {
    SimulatorConfig c;
    c.camera.guiderType = 'x';
    Start(c);
    std::vector<uint16_t> out(500 * 290);
    StartGuiderIntegration();
    WaitMs(200);
    EXPECT_TRUE(ReadGuiderFrame('x', false, 200, out.data()));
    EXPECT_EQ(Link().lastRead, 376u * 290);
}

TEST_F(SimTest, ShortRepliesAnswerInFull) {
    Simulator& s = Start();
    EXPECT_TRUE(Echo());
    EXPECT_EQ(Link().lastRead, 1u);
    EXPECT_TRUE(Shutter(false));
    EXPECT_EQ(Link().lastRead, 2u);
    EXPECT_TRUE(ReadCoolerTemperature());
    EXPECT_EQ(Link().lastRead, 3u);
    EXPECT_TRUE(QueryFirmwareVersion());
    EXPECT_EQ(Link().lastRead, 4u);
    EXPECT_EQ(EchoSelfTest(), 4u);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Read       4 bytes, asked for       4 from USB\n"});
    EXPECT_EQ(s.CameraWrites().back().bytes.size(), 12u);
}

TEST_F(SimTest, HostTimedExposureRunsFromClearPixelsToTheRead) {
    Simulator& s = Start();
    TakeWindow(0, 0, 64, 64, 5000);
    EXPECT_EQ(s.LastExposureMs(), 5000);
    EXPECT_EQ(s.LastReadRequest(), kReadPixels);
    // A register clear (ClearPixels 8) during the wait does not restart it.
    ClearPixels(8);
    ClearPixels(0);
    WaitMs(3000);
    ClearPixels(8);
    WaitMs(4000);
    FrameRequest f;
    f.width = f.height = 64;
    f.exposureMs = 7000;
    ReadExposure(f, false);
    EXPECT_EQ(s.LastExposureMs(), 7000);
}

TEST_F(SimTest, CameraTimedExposureTakesTheRequestedTime) {
    Simulator& s = Start();
    FrameRequest f;
    f.width = f.height = 64;
    f.exposureMs = 800;
    const uint32_t t = clock.now;
    ReadExposure(f, false);
    EXPECT_EQ(s.LastReadRequest(), kReadPixelsDelayed);
    EXPECT_EQ(s.LastExposureMs(), 800);
    EXPECT_GE(clock.now - t, 800u);
}

TEST_F(SimTest, DarkCurrentGrowsWithExposure) {
    SimulatorConfig c;
    c.mainField = OneStar(-100, -100, 0);
    c.mainField.darkAt0C = 20;
    c.generateFields = false;
    Start(c);
    const std::vector<uint16_t> shortFrame = TakeWindow(0, 0, 16, 16, 2000);
    const std::vector<uint16_t> longFrame = TakeWindow(0, 0, 16, 16, 8000);
    EXPECT_GT(longFrame[0], shortFrame[0]);
}

TEST_F(SimTest, StarMovesByRateTimesTimeAfterARelayPulse) {
    SimulatorConfig c = QuietOneStar(100.5, 100.5);
    c.mount.guideRatePerSecond = 3;
    Start(c);
    auto before = TakeWindow(50, 50, 100, 100, 2000);
    auto [x0, y0] = Centroid(before, 100, 100);
    SetGuideOutputs(kRelayWest);
    WaitMs(2000);
    SetGuideOutputs(0);
    auto after = TakeWindow(50, 50, 100, 100, 2000);
    auto [x1, y1] = Centroid(after, 100, 100);
    EXPECT_NEAR(x1 - x0, -6.0, 0.05);  // west: -x, as the default letters take it
    EXPECT_NEAR(y1 - y0, 0.0, 0.05);
    // North moves it down the rows (+y).
    SetGuideOutputs(kRelayNorth);
    WaitMs(1000);
    SetGuideOutputs(0);
    auto third = TakeWindow(50, 50, 100, 100, 2000);
    auto [x2, y2] = Centroid(third, 100, 100);
    EXPECT_NEAR(y2 - y1, 3.0, 0.05);
    EXPECT_NEAR(x2 - x1, 0.0, 0.05);
}

TEST_F(SimTest, BacklashOnADirectionChangeThroughTheRelays) {
    SimulatorConfig c = QuietOneStar(100.5, 100.5);
    c.mount.guideRatePerSecond = 2;
    c.mount.raBacklashMs = 500;
    Start(c);
    auto [x0, y0] = Centroid(TakeWindow(50, 50, 100, 100, 1000), 100, 100);
    SetGuideOutputs(kRelayWest);
    WaitMs(2000);
    SetGuideOutputs(kRelayEast);  // straight into the other direction
    WaitMs(2000);
    SetGuideOutputs(0);
    auto [x1, y1] = Centroid(TakeWindow(50, 50, 100, 100, 1000), 100, 100);
    EXPECT_NEAR(x1 - x0, -1.0, 0.05);  // -4 west, then +3 east after 0.5 s of slack
}

TEST_F(SimTest, DriftSmearsAndMovesTheStar) {
    SimulatorConfig c = QuietOneStar(100.5, 100.5);
    c.mount.driftDecPerSecond = 0.5;
    Start(c);
    auto [x0, y0] = Centroid(TakeWindow(50, 50, 100, 100, 2000), 100, 100);
    WaitMs(10000);
    auto [x1, y1] = Centroid(TakeWindow(50, 50, 100, 100, 2000), 100, 100);
    EXPECT_NEAR(y1 - y0, -6.0, 0.1);  // 12 s southward between the mid-exposure times
}

TEST_F(SimTest, ProcessSimulatorFollowsTheConfiguredModel) {
    sim = std::make_unique<ScopedSimulator>();
    Simulator& s = sim->sim();
    s.FollowConfiguredModel(true);
    State().settings.configuredPid = "0128";
    State().settings.manualModel = 5;
    State().settings.ignoreCameraVidPid = false;
    EXPECT_TRUE(OpenCamera());
    EXPECT_EQ(s.Config().camera.model, 5);
    EXPECT_EQ(s.Config().camera.pid, 0x0128);
    EXPECT_EQ(State().geometry.modelCode, 5);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SimTest, PickedModelIsTakenWhateverPidIsConfigured) {
    sim = std::make_unique<ScopedSimulator>();
    Simulator& s = sim->sim();
    s.FollowConfiguredModel(true);
    s.PickModel(9);
    State().settings.configuredPid = "0126";
    State().settings.manualModel = 4;
    State().settings.ignoreCameraVidPid = false;
    EXPECT_TRUE(OpenCamera());
    EXPECT_TRUE(CameraConnected());
    EXPECT_EQ(s.Config().camera.pid, 0x0174);
    EXPECT_EQ(State().geometry.modelCode, 9);
    EXPECT_EQ(State().settings.configuredPid, "0174");
}

TEST_F(SimTest, GuiderSharesTheMountWithItsOwnScaleAndAngle) {
    SimulatorConfig c = QuietOneStar(100.5, 100.5);
    c.guiderField = OneStar(250.5, 145.5, 2e6);
    c.guiderField.bias = 10;
    c.guiderField.gain = 1000;
    c.mount.guideRatePerSecond = 2;
    c.camera.guiderScale = 0.5;
    c.camera.guiderAngleDeg = 90;
    Simulator& s = Start(c);
    std::vector<uint16_t> a(500 * 290), b(500 * 290);
    StartGuiderIntegration();
    WaitMs(500);
    ReadGuiderFrame('s', false, 500, a.data());
    SetGuideOutputs(kRelayEast);
    WaitMs(2000);
    SetGuideOutputs(0);
    StartGuiderIntegration();
    WaitMs(500);
    ReadGuiderFrame('s', false, 500, b.data());
    // East for 2 s at 2 px/s: +4 main pixels in x; on the guider half as far,
    // turned by 90 degrees: +2 guider pixels in y.
    auto [xa, ya] = Centroid(a, 500, (10 + 2) << 8);
    auto [xb, yb] = Centroid(b, 500, (10 + 2) << 8);
    EXPECT_NEAR(xb - xa, 0.0, 0.3);
    EXPECT_NEAR(yb - ya, 2.0, 0.3);
    double x, y;
    s.TrueOffset(0, NowMs(), x, y);
    EXPECT_NEAR(x, 4.0, 1e-9);
    EXPECT_NEAR(y, 0.0, 1e-9);
    s.TrueOffset(1, NowMs(), x, y);
    EXPECT_NEAR(x, 0.0, 1e-9);
    EXPECT_NEAR(y, 2.0, 1e-9);
    EXPECT_DOUBLE_EQ(SimHeadRate(s.Config(), 1), 1.0);
    EXPECT_DOUBLE_EQ(SimHeadAngleDeg(s.Config(), 1), 270.0);  // west: -x, turned by 90
}

TEST_F(SimTest, PeriodicErrorSmearsOverAWholePeriod) {
    // A camera-timed exposure of exactly one period: the star sweeps +-5 px in
    // x and comes back. Its x spread is the PSF's and the sweep's together:
    // sigma^2 = 1.6^2 + 5^2 / 2.
    SimulatorConfig c = QuietOneStar(100.5, 60.5);
    c.mount.periodicAmplitude = 5;
    c.mount.periodicPeriodS = 4;
    Start(c);
    FrameRequest f;
    f.width = 200;
    f.height = 120;
    f.exposureMs = 4000;
    size_t got = 0;
    ASSERT_TRUE(ReadExposure(f, true, false, &got));
    double sum = 0, sx = 0, sy = 0, sxx = 0, syy = 0;
    for (size_t k = 0; k < 200u * 120u; ++k) {
        const double v = double(FrameBytes()[2 * k] | (FrameBytes()[2 * k + 1] << 8)) - 100;
        const double x = double(k % 200) + 0.5, y = double(k / 200) + 0.5;
        sum += v;
        sx += v * x;
        sy += v * y;
        sxx += v * x * x;
        syy += v * y * y;
    }
    const double mx = sx / sum, my = sy / sum;
    EXPECT_NEAR(mx, 100.5, 0.05);
    EXPECT_NEAR(std::sqrt(sxx / sum - mx * mx), std::sqrt(1.6 * 1.6 + 12.5), 0.05);
    EXPECT_NEAR(std::sqrt(syy / sum - my * my), 1.6, 0.05);
}

TEST_F(SimTest, SeeingJittersEachFrame) {
    SimulatorConfig c = QuietOneStar(100.5, 60.5);
    c.mount.seeingRmsPx = 1.0;
    Start(c);
    std::vector<double> xs;
    for (int k = 0; k < 60; ++k) {
        const std::vector<uint16_t> px = TakeWindow(0, 0, 200, 120, 200);
        xs.push_back(Centroid(px, 200, 102).first);
    }
    const double mean = std::accumulate(xs.begin(), xs.end(), 0.0) / double(xs.size());
    double var = 0;
    for (double x : xs) var += (x - mean) * (x - mean);
    EXPECT_NEAR(std::sqrt(var / double(xs.size() - 1)), 1.0, 0.3);
    EXPECT_NEAR(mean, 100.0, 0.4);
}

TEST_F(SimTest, CoolerApproachesTheSetPoint) {
    SimulatorConfig c;
    c.camera.ambientC = 15;
    c.camera.coolerRatePerSecond = 0.5;
    Simulator& s = Start(c);
    int t = 0;
    EXPECT_TRUE(SetCooler(-10, true, false, &t));
    EXPECT_EQ(t, 15);
    WaitMs(10000);
    EXPECT_TRUE(ReadCoolerTemperature(&t));
    EXPECT_EQ(t, 10);
    WaitMs(60000);
    ReadCoolerTemperature(&t);
    EXPECT_EQ(t, -10);
    EXPECT_NEAR(s.SensorTemperatureC(), -10, 1e-9);
    SetCooler(-10, false, false, &t);
    WaitMs(4000);
    ReadCoolerTemperature(&t);
    EXPECT_EQ(t, -8);
    // Maximum cooling with the cooler off only reads: the cooler stays off.
    SetCooler(-30, false, true, &t);
    EXPECT_FALSE(s.CoolerOn());
}

TEST_F(SimTest, SameSeedSameFrames) {
    SimulatorConfig c;
    c.seed = 99;
    Start(c);
    const auto a = TakeWindow(0, 0, 256, 256, 3000);
    sim.reset();
    Start(c);
    const auto b = TakeWindow(0, 0, 256, 256, 3000);
    EXPECT_EQ(a, b);
    sim.reset();
    c.seed = 100;
    Start(c);
    const auto d = TakeWindow(0, 0, 256, 256, 3000);
    EXPECT_NE(a, d);
}

TEST_F(SimTest, RelayBitsReachTheMount) {
    Simulator& s = Start();
    SetGuideOutputs(kRelayNorth | kRelayEast);
    EXPECT_EQ(s.RelayBits(), kRelayNorth | kRelayEast);
    SetGuideOutputs(0);
    EXPECT_EQ(s.RelayBits(), 0);
}

TEST_F(SimTest, SerialPortsReachThePeer) {
    RecordingSerialPeer peer;
    Simulator& s = Start();
    s.SetSerialPeer(1, &peer);
    WriteSerialPort(1, "#:RG#");
    WriteSerialPort(0, "lost");
    EXPECT_EQ(std::string(peer.received.begin(), peer.received.end()), "#:RG#");
    const std::string answer = "1Object#";
    peer.pending.assign(answer.begin(), answer.end());
    std::string text;
    EXPECT_TRUE(ReadSlewAnswer(1, &text));
    EXPECT_EQ(text, "Object");
    EXPECT_EQ(Link().lastRead, 33u);  // padded to the asked size
    // Nothing attached: zeros, which read as an empty answer.
    EXPECT_TRUE(ReadSerialText(0, &text));
    EXPECT_EQ(text, "");
    s.SetSerialPeer(1, nullptr);
}

TEST_F(SimTest, SerialFilterWheelOnThePeer) {
    RecordingSerialPeer peer;
    Simulator& s = Start();
    s.SetSerialPeer(0, &peer);
    SelectFilter(3);
    EXPECT_EQ(peer.received, (std::vector<uint8_t>{0xA5, 0x01, 0x03, 0xA9}));
    s.SetSerialPeer(0, nullptr);
}

TEST_F(SimTest, UsbWheelMoves) {
    Simulator& s = Start();
    State().settings.useUsbFilterWheel = true;
    EXPECT_TRUE(SelectFilter(4));
    EXPECT_EQ(s.WheelPosition(), 4);
    EXPECT_EQ(s.WheelWrites().back(), (Block{0x00, 0x84, 0x00}));
    EXPECT_EQ(InputBlock()[1], 4);
    EXPECT_TRUE(PreviousFilter());
    EXPECT_EQ(s.WheelPosition(), 3);
    uint8_t query[2] = {0, 0};
    EXPECT_TRUE(WriteReport(query, 2));
    uint8_t reply[2];
    EXPECT_TRUE(ReadReport(reply, 2));
    EXPECT_EQ(reply[0], 3);
    EXPECT_EQ(reply[1], 7);
}

TEST_F(SimTest, Model5ShutterDecidesTheLight) {
    SimulatorConfig c = QuietOneStar(100.5, 100.5);
    c.camera.model = 5;
    c.camera.pid = 0x0128;
    State().settings.configuredPid = "0128";
    Start(c);
    // Host-timed with the shutter kept closed: a dark frame.
    auto dark = TakeWindow(50, 50, 100, 100, 2000);
    EXPECT_EQ(*std::max_element(dark.begin(), dark.end()), 100);
    // Opened for the exposure, closed before the read.
    ClearPixels(8);
    ClearPixels(0);
    Shutter(true);
    WaitMs(2000);
    Shutter(false);
    FrameRequest f;
    f.xOffset = f.yOffset = 50;
    f.width = f.height = 100;
    f.exposureMs = 2000;
    ReadExposure(f, false);
    EXPECT_GT(InputBlock()[2 * (50 * 100 + 50) + 1], 0);
    // Camera-timed: 0x8003 keeps it dark, 3 lets light in.
    f.exposureMs = 500;
    ReadExposure(f, false, true);
    uint16_t peak = 0;
    for (int k = 0; k < 10000; ++k) peak = std::max<uint16_t>(peak, uint16_t(InputBlock()[2 * k] | (InputBlock()[2 * k + 1] << 8)));
    EXPECT_EQ(peak, 100);
    ReadExposure(f, false, false);
    peak = 0;
    for (int k = 0; k < 10000; ++k) peak = std::max<uint16_t>(peak, uint16_t(InputBlock()[2 * k] | (InputBlock()[2 * k + 1] << 8)));
    EXPECT_GT(peak, 1000);
}

// ---- bad answers ----

TEST_F(SimTest, FailedReadShowsTheMessageAndGoesOn) {
    Simulator& s = Start();
    s.Faults().failNextCameraRead = 5;
    FrameRequest f;
    f.width = f.height = 64;
    EXPECT_FALSE(ReadFrame(f));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error 5 trying to read CAMIO data from USB\n"});
    EXPECT_TRUE(ReadFrame(f));  // the next one works
}

TEST_F(SimTest, ShortAndGarbageReplies) {
    Simulator& s = Start();
    s.Faults().shortNextCameraRead = 100;
    FrameRequest f;
    f.width = f.height = 64;
    size_t got = 0;
    EXPECT_TRUE(ReadFrame(f, &got));
    EXPECT_EQ(got, 100u);
    s.Faults().garbageNextRead = true;
    EXPECT_TRUE(QueryFirmwareVersion());  // garbage decodes to some version, nothing breaks
    s.Faults().shortNextCameraRead = 1;
    int t = 0;
    EXPECT_FALSE(ReadCoolerTemperature(&t));  // one byte is not a temperature
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SimTest, FailedWriteShowsTheMessage) {
    Simulator& s = Start();
    s.Faults().failNextCameraWrite = 19;
    EXPECT_FALSE(ClearPixels(0));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Could not write CAMIO Output - try rebooting USB device"});
}

TEST_F(SimTest, MissingCamera) {
    SimulatorConfig c;
    c.camera.present = false;
    sim = std::make_unique<ScopedSimulator>(c);
    EXPECT_FALSE(OpenCamera());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"USB CAMIO device not found"});
    EXPECT_FALSE(Echo());  // requests without a camera report and go on
}

TEST_F(SimTest, PermissionDenied) {
    sim = std::make_unique<ScopedSimulator>();
    sim->sim().Faults().openPermissionDenied = true;
    EXPECT_FALSE(OpenCamera());
    ASSERT_GE(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Could not open HID device");
    EXPECT_NE(messages.shown[1].text.find("udev rule"), std::string::npos);
}

TEST_F(SimTest, UnparsableBlockIsRefused) {
    Start();
    OutputBlock()[0] = 0x12;
    EXPECT_FALSE(WriteCamera(4));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Could not write CAMIO Output - try rebooting USB device"});
}

}  // namespace

namespace {

TEST_F(SimTest, ReconfiguringForAnotherModelMakesAFieldForItsSensor) {
    Simulator& s = Start();
    SimulatorConfig c = s.Config();
    c.camera.model = 7;  // 4904 x 3280
    c.camera.pid = 0x0136;
    s.Configure(c);
    double maxX = 0;
    for (const SimStar& star : s.Config().mainField.stars) maxX = std::max(maxX, star.x);
    EXPECT_GT(maxX, 2048);
    // A field the test set itself is kept.
    SimulatorConfig own = s.Config();
    own.mainField = OneStar(5, 5, 100);
    s.Configure(own);
    ASSERT_EQ(s.Config().mainField.stars.size(), 1u);
    s.Configure(s.Config());
    EXPECT_EQ(s.Config().mainField.stars.size(), 1u);
}

// ---- the simulator's command-line options ----

TEST(SimOptions, EveryOptionFillsTheConfiguration) {
    std::vector<std::string> args = {"--sim-angle", "30",        "--sim-rate",         "2.5", "keep",
                                     "--sim-pe",    "4:480",     "--sim-drift",        "-6",  "--sim-backlash",
                                     "5",           "--sim-seeing", "0.7",            "--sim-guider-scale",
                                     "0.6",         "--sim-guider-angle", "-12",      "--seed", "18446744073709551615",
                                     "--sim-mirror", "ew"};
    SimulatorConfig c;
    std::string error;
    ASSERT_TRUE(TakeSimOptions(args, c, error)) << error;
    EXPECT_EQ(args, std::vector<std::string>{"keep"});
    EXPECT_DOUBLE_EQ(c.mount.cameraAngleDeg, 30);
    EXPECT_DOUBLE_EQ(c.mount.guideRatePerSecond, 2.5);
    EXPECT_DOUBLE_EQ(c.mount.periodicAmplitude, 4);
    EXPECT_DOUBLE_EQ(c.mount.periodicPeriodS, 480);
    EXPECT_DOUBLE_EQ(c.mount.driftDecPerSecond, -0.1);  // -6 px per minute
    EXPECT_DOUBLE_EQ(c.mount.driftRaPerSecond, 0);
    EXPECT_DOUBLE_EQ(c.mount.raBacklashMs, 2000);       // 5 px at 2.5 px/s
    EXPECT_DOUBLE_EQ(c.mount.decBacklashMs, 2000);
    EXPECT_DOUBLE_EQ(c.mount.seeingRmsPx, 0.7);
    EXPECT_DOUBLE_EQ(c.camera.guiderScale, 0.6);
    EXPECT_DOUBLE_EQ(c.camera.guiderAngleDeg, -12);
    EXPECT_EQ(c.seed, 18446744073709551615ull);
    // The true geometry of each head, for comparing trained values.
    EXPECT_DOUBLE_EQ(SimHeadRate(c, 0), 2.5);
    EXPECT_DOUBLE_EQ(SimHeadRate(c, 1), 1.5);
    EXPECT_TRUE(c.mount.mirrorRa);
    EXPECT_FALSE(c.mount.mirrorDec);
    // Behind the mirror West moves the picture +x, along the camera angle;
    // without it the other way.
    EXPECT_DOUBLE_EQ(SimHeadAngleDeg(c, 0), 30);
    EXPECT_DOUBLE_EQ(SimHeadAngleDeg(c, 1), 18);
    c.mount.mirrorRa = false;
    EXPECT_DOUBLE_EQ(SimHeadAngleDeg(c, 0), 210);
    EXPECT_DOUBLE_EQ(SimHeadBacklashPx(c, 0), 5);
    EXPECT_DOUBLE_EQ(SimHeadBacklashPx(c, 1), 3);
}

TEST(SimOptions, BadValuesAreRefusedWithAClearMessage) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--sim-rate", "0"}, "--sim-rate: '0' is not a guide rate in pixels per second in 0.01..100"},
        {{"--sim-rate", "3px"}, "--sim-rate: '3px' is not a guide rate in pixels per second in 0.01..100"},
        {{"--sim-angle", "nan"}, "--sim-angle: 'nan' is not an angle in degrees in -360..360"},
        {{"--sim-angle", "400"}, "--sim-angle: '400' is not an angle in degrees in -360..360"},
        {{"--sim-pe", "3"}, "--sim-pe: '3' is not AMP_PX:PERIOD_S (for example 2.5:480)"},
        {{"--sim-pe", "3:0"}, "--sim-pe: '0' is not a period in seconds in 1..100000"},
        {{"--sim-pe", "-1:480"}, "--sim-pe: '-1' is not an amplitude in pixels in 0..1000"},
        {{"--sim-drift", ""}, "--sim-drift: '' is not a drift in pixels per minute in -1000..1000"},
        {{"--sim-backlash", "-2"}, "--sim-backlash: '-2' is not a backlash in pixels in 0..1000"},
        {{"--sim-seeing", "1e9"}, "--sim-seeing: '1e9' is not a jitter in pixels RMS in 0..50"},
        {{"--sim-guider-scale", "0"}, "--sim-guider-scale: '0' is not a scale in guider pixels per main pixel in 0.05..20"},
        {{"--seed", "-1"}, "--seed: '-1' is not a whole number in 0..18446744073709551615"},
        {{"--seed", "18446744073709551616"}, "--seed: '18446744073709551616' is not a whole number in 0..18446744073709551615"},
        {{"--sim-seeing"}, "--sim-seeing needs a value"},
        {{"--sim-mirror", "x"}, "--sim-mirror: 'x' is not one of ew, ns, both, none"},
    };
    for (const auto& t : cases) {
        std::vector<std::string> args = t.args;
        args.insert(args.begin(), {"--sim-rate", "7"});
        SimulatorConfig c;
        std::string error;
        EXPECT_FALSE(TakeSimOptions(args, c, error)) << t.message;
        EXPECT_EQ(error, t.message);
        // Nothing is taken over from a refused line.
        EXPECT_DOUBLE_EQ(c.mount.guideRatePerSecond, MountConfig{}.guideRatePerSecond);
    }
}

TEST(SimOptions, ProgramRefusesSimOptionsWithoutSimulate) {
    // velmora itself checks its options before it opens a window.
    const std::string program = (std::filesystem::path(VELMORA_CLI).parent_path() / "velmora").string();
    if (!std::filesystem::exists(program)) GTEST_SKIP() << "velmora is not built beside velmora-cli";
    const std::string line = "env -u VELMORA_SIMULATE " + program + " --sim-rate 2 2>&1";
    FILE* pipe = popen(line.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[512] = {0};
    const size_t n = fread(buffer, 1, sizeof buffer - 1, pipe);
    const int status = pclose(pipe);
    EXPECT_EQ(std::string(buffer, n), "velmora: the --sim-* and --seed options need --simulate\n");
    EXPECT_EQ(WEXITSTATUS(status), 2);
    pipe = popen((program + " --simulate --sim-pe 3 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    const size_t m = fread(buffer, 1, sizeof buffer - 1, pipe);
    EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 2);
    EXPECT_EQ(std::string(buffer, m), "velmora: --sim-pe: '3' is not AMP_PX:PERIOD_S (for example 2.5:480)\n");
}

}  // namespace
