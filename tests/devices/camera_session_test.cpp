// The camera session and the filter wheel over a recording camera: what goes
// out for each call, how replies are decoded, and what happens on bad answers.
#include <gtest/gtest.h>

#include "core/state.h"
#include "devices/camera.h"
#include "devices/fake_devices.h"
#include "devices/filter_wheel.h"
#include "devices/transport.h"
#include "support/test_env.h"

namespace {

using IC = InterfaceClass;
using Bytes8 = std::vector<uint8_t>;

class SessionTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        env = std::make_unique<ScopedFakeEnumerator>();
        State().settings.showInterfaceDetails = false;
        camPath = env->fake.Add(IC::CameraDriver, 0x4b56, 0x0126, "cam").path;
        ResetFilterWheel();
    }
    void TearDown() override {
        env.reset();
        ResetFilterWheel();
        VelmoraTest::TearDown();
    }
    void Connect() {
        ASSERT_TRUE(OpenCamera());
        cam().writes.clear();
        messages.shown.clear();
    }
    FakeLinkLog& cam() { return env->fake.LogFor(camPath); }
    std::unique_ptr<ScopedFakeEnumerator> env;
    std::string camPath;
};

TEST_F(SessionTest, OpenCameraConnectsOnceAndLooksForTheWheel) {
    const std::string wheel = env->fake.Add(IC::Hid, 0x4b56, 0x0920, "wheel").path;
    env->fake.LogFor(wheel).replies.push_back({0, 1, 6});
    EXPECT_TRUE(OpenCamera());
    EXPECT_TRUE(Link().filterWheelPresent);
    EXPECT_EQ(State().settings.filterCount, 6);
    const size_t opened = env->fake.opened.size();
    EXPECT_TRUE(OpenCamera());  // already connected: no new discovery
    EXPECT_EQ(env->fake.opened.size(), opened);
}

TEST_F(SessionTest, OpenCameraWithoutCamera) {
    env->fake.entries.clear();
    EXPECT_FALSE(OpenCamera());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"USB CAMIO device not found"});
    // Discovery runs again next time.
    camPath = env->fake.Add(IC::CameraDriver, 0x4b56, 0x0126, "cam").path;
    EXPECT_TRUE(OpenCamera());
}

TEST_F(SessionTest, FirmwareVersionAndCoolerSwitchOff) {
    Connect();
    cam().replies.push_back({12, 0, 3, 0});
    EXPECT_TRUE(QueryFirmwareVersion());
    EXPECT_EQ(cam().writes.back(), (Bytes8{0x40, 255, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cam().readSizes.back(), 4u);
    EXPECT_EQ(Camera().firmwareText, "3.12");
    EXPECT_TRUE(Camera().coolerSupported);

    cam().replies.push_back({10, 0, 3, 0});
    QueryFirmwareVersion();
    EXPECT_FALSE(Camera().coolerSupported);
    // Once off, off until the end.
    cam().replies.push_back({12, 0, 3, 0});
    QueryFirmwareVersion();
    EXPECT_FALSE(Camera().coolerSupported);
    const size_t writes = cam().writes.size();
    EXPECT_FALSE(SetCooler(-10, true, false));
    EXPECT_EQ(cam().writes.size(), writes);
}

TEST_F(SessionTest, Model7HasNoCooler) {
    State().geometry.modelCode = 7;
    Connect();
    State().geometry.modelCode = 7;
    cam().replies.push_back({40, 0, 1, 0});
    QueryFirmwareVersion();
    EXPECT_FALSE(Camera().coolerSupported);
}

TEST_F(SessionTest, ShortFirmwareReplyIsNotTrusted) {
    Connect();
    cam().replies.push_back({12});
    EXPECT_FALSE(QueryFirmwareVersion());
    EXPECT_FALSE(Camera().firmwareKnown);
    EXPECT_TRUE(Camera().coolerSupported);
}

TEST_F(SessionTest, CoolerSetAndRead) {
    Connect();
    cam().replies.push_back({0x1A, 0x09, 0});
    int t = 99;
    EXPECT_TRUE(SetCooler(-40, true, false, &t));
    EXPECT_EQ(cam().writes.back(), (Bytes8{0x40, 30, 0x1A, 0x09, 1, 0, 0, 0}));
    EXPECT_EQ(cam().readSizes.back(), 3u);
    EXPECT_EQ(t, -40);
    EXPECT_EQ(Camera().setPointC, -40);
    // Out of range set points are kept within -40..35.
    cam().replies.push_back({0xAF, 0x0A, 0});
    SetCooler(-90, true, false, &t);
    EXPECT_EQ(cam().writes.back()[2], 0x1A);
    EXPECT_EQ(t, 0);
    // Maximum cooling with the cooler off only reads.
    cam().replies.push_back({0xA4, 0x0B, 0});
    SetCooler(-10, false, true, &t);
    EXPECT_EQ(cam().writes.back()[1], 31);
    EXPECT_EQ(t, 25);
    cam().replies.push_back({0xA4, 0x0B, 0});
    EXPECT_TRUE(ReadCoolerTemperature(&t));
    EXPECT_EQ(cam().writes.back(), (Bytes8{0x40, 31, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SessionTest, CoolerWithoutAnswer) {
    Connect();
    int t = 7;
    EXPECT_FALSE(SetCooler(-10, true, false, &t));
    EXPECT_EQ(t, 7);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error 110 trying to read CAMIO data from USB\n"});
}

TEST_F(SessionTest, ShortRequests) {
    Connect();
    cam().replies.push_back({0});
    EXPECT_TRUE(Echo());
    EXPECT_TRUE(ClearPixels(8));
    EXPECT_TRUE(ClearPixels(0));
    cam().replies.push_back({1, 0});
    EXPECT_TRUE(Shutter(true));
    EXPECT_TRUE(SetGuideOutputs(kRelayEast));
    EXPECT_EQ(cam().writes, (std::vector<Bytes8>{{0x40, 0, 0, 0, 0, 0, 1, 0, 0},
                                                  {0x40, 1, 8, 0, 0, 0, 0, 0},
                                                  {0x40, 1, 0, 0, 0, 0, 0, 0},
                                                  {0x40, 32, 0, 64, 0, 0, 0, 0},
                                                  {0x40, 9, 8, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(cam().readSizes, (std::vector<size_t>{1, 2}));
}

TEST_F(SessionTest, ExposureReadsChooseTheRequest) {
    Connect();
    FrameRequest f;
    f.width = 2048;
    f.height = 2048;
    f.xBin = f.yBin = 2;
    f.exposureMs = 1000;
    cam().replies.push_back(Bytes8(1024 * 1024 * 2, 1));
    size_t got = 0;
    EXPECT_TRUE(ReadExposure(f, false, false, &got));
    EXPECT_EQ(got, 1024u * 1024 * 2);
    EXPECT_EQ(cam().writes.back().size(), 22u);
    EXPECT_EQ(cam().writes.back()[1], 2);
    f.exposureMs = 1001;
    cam().replies.push_back(Bytes8(16, 1));
    EXPECT_TRUE(ReadExposure(f, false, false, &got));
    EXPECT_EQ(got, 16u);  // a short frame is reported, not an error
    EXPECT_EQ(cam().writes.back().size(), 18u);
    EXPECT_EQ(cam().writes.back()[1], 3);
    EXPECT_EQ(cam().readSizes.back(), 1024u * 1024 * 2);
}

TEST_F(SessionTest, SensorFlushSequence) {
    Connect();
    for (int i = 0; i < 4; ++i) cam().replies.push_back({0});
    EXPECT_TRUE(FlushSensor(1392, 1040) || true);
    const Bytes8 binned{0x40, 3, 3, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0x70, 0x05, 0x10, 0x04, 4, 4};
    EXPECT_EQ(cam().writes, (std::vector<Bytes8>{{0x40, 1, 8, 0, 0, 0, 0, 0},
                                                  {0x40, 1, 0, 0, 0, 0, 0, 0},
                                                  {0x40, 0, 0, 0, 0, 0, 1, 0, 0},
                                                  binned,
                                                  {0x40, 0, 0, 0, 0, 0, 1, 0, 0},
                                                  binned}));
    EXPECT_EQ(cam().readSizes, (std::vector<size_t>{1, 1392 * 1040 / 8, 1, 1392 * 1040 / 8}));
}

TEST_F(SessionTest, GuiderReads) {
    Connect();
    cam().replies.push_back(Bytes8(500, 0));
    EXPECT_TRUE(StartGuiderIntegration());
    EXPECT_EQ(cam().writes.back(), (Bytes8{0x40, 3, 3, 0, 1, 0, 10, 0, 0, 0, 0, 0, 0xF4, 0x01, 1, 0, 1, 1}));
    EXPECT_EQ(cam().readSizes.back(), 500u);

    std::vector<uint16_t> out(500 * 290, 0);
    cam().replies.push_back(Bytes8(145000, 0x40));
    EXPECT_TRUE(ReadGuiderFrame('s', false, 500, out.data()));
    EXPECT_EQ(cam().readSizes.back(), 145000u);
    EXPECT_EQ(out[0], 0x4000);
    EXPECT_EQ(out[144999], 0x4000);

    cam().replies.push_back(Bytes8(36250, 0x20));
    EXPECT_TRUE(ReadGuiderFrame('s', true, 500, out.data()));
    EXPECT_EQ(cam().readSizes.back(), 36250u);
    EXPECT_EQ(cam().writes.back()[16], 2);
    EXPECT_EQ(out[144999], 0x2000);

    cam().replies.push_back(Bytes8(376 * 290, 0x10));
    EXPECT_TRUE(ReadGuiderFrame('x', false, 500, out.data()));
    EXPECT_EQ(cam().readSizes.back(), 376u * 290);
    EXPECT_EQ(cam().writes.back()[12], 0x78);  // 376 = 0x178
    EXPECT_EQ(cam().writes.back()[13], 0x01);
}

TEST_F(SessionTest, GuiderReadFailureStillConverts) {
    Connect();
    std::vector<uint16_t> out(500 * 290, 1);
    EXPECT_FALSE(ReadGuiderFrame('s', false, 100, out.data()));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error 110 trying to read CAMIO data from USB\n"});
    EXPECT_NE(out[0], 1);  // converted from whatever the input block held
}

TEST_F(SessionTest, SerialPortWriteAndRead) {
    Connect();
    EXPECT_TRUE(WriteSerialPort(1, "#:Mn#"));
    EXPECT_EQ(cam().writes.back(), (Bytes8{0x40, 10, 0, 0, 1, 0, 5, 0, '#', ':', 'M', 'n', '#'}));
    // Text longer than the output block holds is cut to 56 bytes.
    EXPECT_TRUE(WriteSerialPort(0, std::string(80, 'x')));
    EXPECT_EQ(cam().writes.back().size(), 64u);
    EXPECT_EQ(cam().writes.back()[6], 56);

    const std::string answer = "+12*34#garbage";
    Bytes8 reply(answer.begin(), answer.end());
    reply.resize(33, 0);
    cam().replies.push_back(reply);
    std::string text;
    EXPECT_TRUE(ReadSerialText(0, &text));
    EXPECT_EQ(cam().writes.back(), (Bytes8{0x40, 11, 0, 0, 0, 0, 33, 0}));
    EXPECT_EQ(text, "+12*34");
}

TEST_F(SessionTest, SlewAnswerZeroMeansNoAnswer) {
    Connect();
    cam().replies.push_back({'0'});
    std::string text;
    EXPECT_TRUE(ReadSlewAnswer(1, &text));
    EXPECT_EQ(text, "0");
    EXPECT_EQ(cam().readSizes, std::vector<size_t>{1});

    cam().replies.push_back({'1'});
    const std::string answer = "Object below horizon#";
    Bytes8 reply(answer.begin(), answer.end());
    reply.resize(33, 0);
    cam().replies.push_back(reply);
    EXPECT_TRUE(ReadSlewAnswer(1, &text));
    EXPECT_EQ(text, "Object below horizon");
    EXPECT_EQ(cam().readSizes, (std::vector<size_t>{1, 1, 33}));
}

// ---- filter wheel ----

class WheelTest : public SessionTest {
protected:
    void UseUsbWheel() {
        wheelPath = env->fake.Add(IC::Hid, 0x4b56, 0x0920, "wheel").path;
        wheel().replies.push_back({0, 1, 7});
        Connect();
        State().settings.useUsbFilterWheel = true;
        wheel().writes.clear();
        wheel().readSizes.clear();
    }
    FakeLinkLog& wheel() { return env->fake.LogFor(wheelPath); }
    std::string wheelPath;
};

TEST_F(WheelTest, UsbWheelBytes) {
    UseUsbWheel();
    EXPECT_TRUE(UsingUsbFilterWheel());
    EXPECT_EQ(FilterWheelRouteText(), "on USB");
    wheel().replies.push_back({0, 3, 7});
    const uint32_t t = clock.now;
    EXPECT_TRUE(SelectFilter(3));
    EXPECT_EQ(wheel().writes, (std::vector<Bytes8>{{0x00, 0x83, 0x00}}));
    EXPECT_EQ(wheel().readSizes, std::vector<size_t>{3});
    EXPECT_GE(clock.now - t, 204u);  // 100 ms after the write, 4 ms, 100 ms before the read
    EXPECT_EQ(FilterWheel().current, 3);
    EXPECT_TRUE(cam().writes.empty());
}

TEST_F(WheelTest, SerialWheelBytes) {
    Connect();
    EXPECT_FALSE(UsingUsbFilterWheel());
    EXPECT_EQ(FilterWheelRouteText(), "on Com1");
    EXPECT_TRUE(SelectFilter(3));
    EXPECT_EQ(cam().writes, (std::vector<Bytes8>{{0x40, 10, 0, 0, 0, 0, 4, 0, 0xA5, 0x01, 0x03, 0xA9}}));
    EXPECT_TRUE(cam().readSizes.empty());  // no reply is read
    State().settings.telescopeComPort = '2';
    EXPECT_EQ(FilterWheelRouteText(), "on Com2");
    SelectFilter(1);
    EXPECT_EQ(cam().writes.back(), (Bytes8{0x40, 10, 0, 0, 1, 0, 4, 0, 0xA5, 0x01, 0x01, 0xA7}));
}

TEST_F(WheelTest, UsbOptionWithoutWheelUsesSerial) {
    Connect();
    State().settings.useUsbFilterWheel = true;
    EXPECT_FALSE(UsingUsbFilterWheel());
    SelectFilter(2);
    EXPECT_EQ(cam().writes.back()[1], 10);
}

TEST_F(WheelTest, NextWrapsAndPreviousWraps) {
    Connect();
    State().settings.filterCount = 5;
    SelectFilter(5);
    NextFilter();
    EXPECT_EQ(FilterWheel().current, 1);
    PreviousFilter();
    EXPECT_EQ(FilterWheel().current, 5);
    PreviousFilter();
    EXPECT_EQ(FilterWheel().current, 4);
    NextFilter();
    EXPECT_EQ(FilterWheel().current, 5);
    FirstFilter();
    EXPECT_EQ(FilterWheel().current, 1);
    EXPECT_EQ(cam().writes.back()[10], 1);
}

TEST_F(WheelTest, CountOutsideTheWheelIsKeptWithin1To7) {
    Connect();
    State().settings.filterCount = 8;  // the settings allow 8; the wheel has 7 command bytes
    EXPECT_EQ(FilterCount(), 7);
    SelectFilter(7);
    NextFilter();
    EXPECT_EQ(FilterWheel().current, 1);
    SelectFilter(12);
    EXPECT_EQ(FilterWheel().current, 7);
    SelectFilter(0);
    EXPECT_EQ(FilterWheel().current, 1);
    State().settings.filterCount = 0;
    EXPECT_EQ(FilterCount(), 1);
}

TEST_F(WheelTest, CurrentNameGoesToTheHeader) {
    Connect();
    EXPECT_EQ(FilterWheel().currentName, "None");
    State().settings.filterNames[2] = "Red";
    SelectFilter(2);
    EXPECT_EQ(FilterWheel().currentName, "Red");
    EXPECT_EQ(State().fits.filter, "Red");
}

TEST_F(WheelTest, WheelFailureKeepsTheChoice) {
    UseUsbWheel();
    wheel().failWrite = 5;
    EXPECT_FALSE(SelectFilter(4));
    EXPECT_EQ(FilterWheel().current, 4);
    EXPECT_FALSE(MessageTexts().empty());
}

}  // namespace
