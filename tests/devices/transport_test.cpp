// Discovery rules against a scripted enumeration, the raw transfers and their
// messages, the report limits and the echo self-test.
#include <gtest/gtest.h>

#include "core/state.h"
#include "devices/fake_devices.h"
#include "devices/transport.h"
#include "support/test_env.h"

namespace {

using IC = InterfaceClass;

class DiscoveryTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        env = std::make_unique<ScopedFakeEnumerator>();
        State().settings.showInterfaceDetails = false;
    }
    void TearDown() override {
        env.reset();
        VelmoraTest::TearDown();
    }
    FakeEnumerator& fake() { return env->fake; }
    // Sends one block to the camera handle and tells which path got it.
    std::string CameraPathInUse() {
        OutputBlock()[0] = 0x40;
        WriteCamera(8);
        for (auto& [path, log] : fake().logs)
            if (!log.writes.empty()) return path;
        return "";
    }
    std::unique_ptr<ScopedFakeEnumerator> env;
};

TEST_F(DiscoveryTest, ConfiguredCameraIsOpenedAndConnected) {
    fake().Add(IC::CameraDriver, 0x4b56, 0x0126, "cam");
    EXPECT_TRUE(DiscoverCamera());
    EXPECT_TRUE(CameraConnected());
    EXPECT_EQ(State().geometry.modelCode, 4);
    EXPECT_EQ(Link().foundVid, "4b56");
    EXPECT_EQ(Link().foundPid, "0126");
    EXPECT_TRUE(messages.shown.empty());
    const DeviceListEntry& entry = Link().deviceList[0];
    EXPECT_TRUE(entry.used);
    EXPECT_EQ(entry.vid, 0x4b56);
    EXPECT_EQ(entry.pid, 0x0126);
    EXPECT_EQ(entry.manufacturer, "Korvane");
    EXPECT_EQ(entry.product, "- not present -");
}

TEST_F(DiscoveryTest, CameraFoundNoticeWithInterfaceDetails) {
    State().settings.showInterfaceDetails = true;
    fake().version = {4, 10};
    fake().Add(IC::CameraDriver, 0x4b56, 0x0126);
    DiscoverCamera();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
    EXPECT_EQ(messages.shown[0].text, "Camera Found, \nCAMIO =      1\nO/S =    4.  10\nPID = 0126");
    EXPECT_TRUE(Link().oldSystemFlag);
}

TEST_F(DiscoveryTest, SystemFlagOnlyForMajor4WithMinor) {
    fake().version = {4, 0};
    fake().Add(IC::CameraDriver, 0x4b56, 0x0126);
    DiscoverCamera();
    EXPECT_FALSE(Link().oldSystemFlag);
}

TEST_F(DiscoveryTest, NoCameraShowsNotFound) {
    EXPECT_FALSE(DiscoverCamera());  // nothing enumerated
    EXPECT_FALSE(CameraConnected());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"USB CAMIO device not found"});
}

TEST_F(DiscoveryTest, OtherPidWithoutAutoDetectIsIgnoredSilently) {
    fake().Add(IC::CameraDriver, 0x4b56, 0x0128);
    EXPECT_TRUE(DiscoverCamera());
    EXPECT_FALSE(CameraConnected());
    EXPECT_TRUE(fake().opened.empty());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"USB CAMIO device not found"});
}

TEST_F(DiscoveryTest, ForeignVendorIsSkippedEvenWithAutoDetect) {
    State().settings.ignoreCameraVidPid = true;
    fake().Add(IC::CameraDriver, 0x1234, 0x0126);
    DiscoverCamera();
    EXPECT_FALSE(CameraConnected());
    EXPECT_TRUE(fake().opened.empty());
}

TEST_F(DiscoveryTest, Pid0507IsNeverTheCamera) {
    State().settings.ignoreCameraVidPid = true;
    fake().Add(IC::CameraDriver, 0x4b56, 0x0507);
    DiscoverCamera();
    EXPECT_FALSE(CameraConnected());
    EXPECT_TRUE(fake().opened.empty());
    State().settings.configuredPid = "0507";
    State().settings.ignoreCameraVidPid = false;
    DiscoverCamera();
    EXPECT_TRUE(fake().opened.empty());
}

TEST_F(DiscoveryTest, PidMapsToModelAndSetsCameraType) {
    struct Case {
        uint16_t pid;
        int model;
        int width;
    };
    const Case cases[] = {{0x0119, 2, 1392}, {0x0126, 4, 2048}, {0x0128, 5, 3326}, {0x0135, 6, 4008},
                          {0x0136, 7, 4904}, {0x0137, 8, 2456}, {0x0174, 9, 1940}, {0x0194, 10, 2750},
                          {0x0198, 11, 3388}, {0x0509, 2, 1392}, {0x0517, 1, 1304}};
    for (const Case& c : cases) {
        env.reset();
        env = std::make_unique<ScopedFakeEnumerator>();
        ResetState();
        State().settings.showInterfaceDetails = false;
        State().settings.ignoreCameraVidPid = true;
        fake().Add(IC::CameraDriver, 0x4b56, c.pid);
        DiscoverCamera();
        char pid[8];
        std::snprintf(pid, sizeof pid, "%04x", c.pid);
        EXPECT_TRUE(CameraConnected()) << pid;
        EXPECT_EQ(State().geometry.modelCode, c.model) << pid;
        EXPECT_EQ(State().settings.manualModel, c.model) << pid;
        EXPECT_EQ(State().geometry.sensorWidth, c.width) << pid;
        EXPECT_EQ(State().settings.configuredPid, pid);
    }
    EXPECT_EQ(ModelForPid("0920"), 0);
    EXPECT_EQ(ModelForPid("0505"), 0);
}

TEST_F(DiscoveryTest, ConfiguredPidSelectsModelWithoutAutoDetect) {
    State().settings.configuredPid = "0119";
    fake().Add(IC::CameraDriver, 0x4b56, 0x0119);
    DiscoverCamera();
    EXPECT_TRUE(CameraConnected());
    EXPECT_EQ(State().geometry.modelCode, 2);
}

TEST_F(DiscoveryTest, AutoDetectAdoptsUnknownPidKeepingModel) {
    State().settings.ignoreCameraVidPid = true;
    State().geometry.modelCode = 4;
    fake().Add(IC::CameraDriver, 0x4b56, 0x0300);
    DiscoverCamera();
    EXPECT_TRUE(CameraConnected());
    EXPECT_EQ(State().settings.configuredPid, "0300");
    EXPECT_EQ(State().geometry.modelCode, 4);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(DiscoveryTest, ConfiguredButUnknownPidWarnsAndStillOpens) {
    State().settings.configuredPid = "0505";
    fake().Add(IC::CameraDriver, 0x4b56, 0x0505);
    DiscoverCamera();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Attached Camera is not supported"});
    EXPECT_TRUE(CameraConnected());
}

TEST_F(DiscoveryTest, FilterWheelIsReportedButNeverTakenForTheCamera) {
    State().settings.showInterfaceDetails = true;
    fake().Add(IC::Hid, 0x4b56, 0x0920);
    DiscoverCamera();
    EXPECT_FALSE(CameraConnected());
    EXPECT_TRUE(fake().opened.empty());
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Found Filter Wheel", "USB CAMIO device not found"}));
}

TEST_F(DiscoveryTest, LastMatchingCameraWins) {
    fake().Add(IC::Hid, 0x4b56, 0x0126, "first");
    const std::string second = fake().Add(IC::CameraDriver, 0x4b56, 0x0126, "second").path;
    DiscoverCamera();
    EXPECT_EQ(fake().opened.size(), 2u);
    EXPECT_EQ(CameraPathInUse(), second);
}

TEST_F(DiscoveryTest, OnlyIndexes0To19AreLookedAt) {
    FakeEnumerator::Entry& e = fake().Add(IC::CameraDriver, 0x4b56, 0x0126);
    e.index = 20;
    DiscoverCamera();
    EXPECT_FALSE(CameraConnected());
    EXPECT_TRUE(fake().opened.empty());
}

TEST_F(DiscoveryTest, IndexGapsAreSkipped) {
    FakeEnumerator::Entry& e = fake().Add(IC::CameraDriver, 0x4b56, 0x0126);
    e.index = 7;
    DiscoverCamera();
    EXPECT_TRUE(CameraConnected());
    EXPECT_TRUE(Link().deviceList[7].used);
}

TEST_F(DiscoveryTest, EachMatchWaits100msLive) {
    fake().Add(IC::CameraDriver, 0x4b56, 0x0126);
    const uint32_t start = clock.now;
    const int pumps = events.pumps;
    DiscoverCamera();
    EXPECT_GE(clock.now - start, 100u);
    EXPECT_GT(events.pumps, pumps);
}

TEST_F(DiscoveryTest, DeviceSetFailure) {
    fake().driverFails = true;
    fake().Add(IC::Hid, 0x4b56, 0x0126);
    EXPECT_FALSE(DiscoverCamera());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Could not attach to PnP node"});
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
}

TEST_F(DiscoveryTest, UnreadablePath) {
    fake().Add(IC::CameraDriver, 0x4b56, 0x0126).readable = false;
    EXPECT_FALSE(DiscoverCamera());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Error");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(messages.shown[0].text, "Could not find the system name for this HID device");
    EXPECT_FALSE(CameraConnected());
}

TEST_F(DiscoveryTest, OpenFailure) {
    fake().Add(IC::CameraDriver, 0x4b56, 0x0126).openFails = true;
    EXPECT_FALSE(DiscoverCamera());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Error");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(messages.shown[0].text, "Could not open HID device");
    EXPECT_FALSE(CameraConnected());
}

TEST_F(DiscoveryTest, PermissionDeniedNamesTheUdevRule) {
    fake().Add(IC::CameraDriver, 0x4b56, 0x0126).denied = true;
    EXPECT_FALSE(DiscoverCamera());
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Could not open HID device");
    EXPECT_NE(messages.shown[1].text.find("udev rule"), std::string::npos);
    EXPECT_NE(messages.shown[1].text.find("70-velmora.rules"), std::string::npos);
}

TEST_F(DiscoveryTest, UpperCasePathIdsStillMatch) {
    FakeEnumerator::Entry& e = fake().Add(IC::CameraDriver, 0x4b56, 0x0126);
    e.path = "USB#VID_4B56&PID_0126#X";
    DiscoverCamera();
    EXPECT_TRUE(CameraConnected());
}

TEST_F(DiscoveryTest, PathWithoutIdsIsSkipped) {
    fake().entries.push_back({IC::CameraDriver, 0, "usb#something-else", true});
    fake().entries.push_back({IC::CameraDriver, 1, "usb#vid_4b5", true});
    DiscoverCamera();
    EXPECT_FALSE(CameraConnected());
}

// ---- filter wheel discovery ----

class WheelDiscoveryTest : public DiscoveryTest {
protected:
    FakeLinkLog& AddWheel() {
        wheelPath = fake().Add(IC::Hid, 0x4b56, 0x0920, "wheel").path;
        return fake().LogFor(wheelPath);
    }
    std::string wheelPath;
};

TEST_F(WheelDiscoveryTest, FewerPositionsLowerTheCount) {
    FakeLinkLog& log = AddWheel();
    log.replies.push_back({0, 1, 5});
    State().settings.filterCount = 7;
    EXPECT_TRUE(DiscoverFilterWheel());
    EXPECT_TRUE(Link().filterWheelPresent);
    EXPECT_TRUE(State().settings.filterWheelPresent);
    EXPECT_EQ(State().settings.filterCount, 5);
    ASSERT_EQ(log.writes.size(), 1u);
    EXPECT_EQ(log.writes[0], (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(log.readSizes, std::vector<size_t>{3});
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(WheelDiscoveryTest, MorePositionsLeaveTheCount) {
    AddWheel().replies.push_back({0, 1, 9});
    State().settings.filterCount = 7;
    DiscoverFilterWheel();
    EXPECT_EQ(State().settings.filterCount, 7);
}

TEST_F(WheelDiscoveryTest, ZeroPositionsSayNothing) {
    AddWheel().replies.push_back({0, 0, 0});
    State().settings.filterCount = 7;
    DiscoverFilterWheel();
    EXPECT_EQ(State().settings.filterCount, 7);
}

TEST_F(WheelDiscoveryTest, ShortReplyKeepsTheCount) {
    AddWheel().replies.push_back({0, 1});
    State().settings.filterCount = 7;
    Link().input[2] = 2;  // stale byte from an earlier read
    DiscoverFilterWheel();
    EXPECT_EQ(State().settings.filterCount, 7);
}

TEST_F(WheelDiscoveryTest, IdsAreFixedNotConfigured) {
    Link().configuredVid = "1111";
    State().settings.configuredPid = "0126";
    AddWheel().replies.push_back({0, 1, 7});
    fake().Add(IC::Hid, 0x4b57, 0x0920);
    fake().Add(IC::Hid, 0x4b56, 0x0921);
    DiscoverFilterWheel();
    Link().configuredVid = kKorvaneVendorIdText;
    EXPECT_EQ(fake().opened, std::vector<std::string>{wheelPath});
}

TEST_F(WheelDiscoveryTest, WriteFailure) {
    AddWheel().failWrite = 5;
    DiscoverFilterWheel();
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"Could not write First Block to USB Filterwheel - try rebooting USB device"});
}

TEST_F(WheelDiscoveryTest, ReadFailure) {
    AddWheel().failRead = 110;
    DiscoverFilterWheel();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error 110 trying to read data from USB Filterwheel\n"});
    EXPECT_TRUE(Link().filterWheelPresent);
}

TEST_F(WheelDiscoveryTest, OpenFailure) {
    AddWheel();
    fake().entries.back().openFails = true;
    EXPECT_FALSE(DiscoverFilterWheel());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Could not open HID Filterwheel device");
    EXPECT_EQ(messages.shown[0].caption, "Error");
    EXPECT_FALSE(Link().filterWheelPresent);
}

TEST_F(WheelDiscoveryTest, DeviceSetFailure) {
    fake().hidFails = true;
    EXPECT_FALSE(DiscoverFilterWheel());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Could not attach to PnP node"});
}

// ---- transfers ----

class TransferTest : public DiscoveryTest {
protected:
    void SetUp() override {
        DiscoveryTest::SetUp();
        camPath = fake().Add(IC::CameraDriver, 0x4b56, 0x0126, "cam").path;
        wheelPath = fake().Add(IC::Hid, 0x4b56, 0x0920, "wheel").path;
        fake().LogFor(wheelPath).replies.push_back({0, 1, 7});
        DiscoverCamera();
        DiscoverFilterWheel();
        messages.shown.clear();
        cam().writes.clear();
        wheel().writes.clear();
        wheel().readSizes.clear();
    }
    FakeLinkLog& cam() { return fake().LogFor(camPath); }
    FakeLinkLog& wheel() { return fake().LogFor(wheelPath); }
    std::string camPath, wheelPath;
};

TEST_F(TransferTest, CameraWriteSendsExactlyLength) {
    for (int i = 0; i < 22; ++i) OutputBlock()[i] = uint8_t(i);
    EXPECT_TRUE(WriteCamera(22));
    ASSERT_EQ(cam().writes.size(), 1u);
    EXPECT_EQ(cam().writes[0].size(), 22u);
    EXPECT_EQ(cam().writes[0][21], 21);
}

TEST_F(TransferTest, CameraWriteFailure) {
    cam().failWrite = 19;
    EXPECT_FALSE(WriteCamera(8));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Could not write CAMIO Output - try rebooting USB device"});
}

TEST_F(TransferTest, CameraReadFailureShowsSystemError) {
    cam().failRead = 5;
    EXPECT_FALSE(ReadCamera(4));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error 5 trying to read CAMIO data from USB\n"});
}

TEST_F(TransferTest, ShortReadKeepsTheRestOfTheInputBlock) {
    MutableInputBlock()[0] = 9;
    MutableInputBlock()[1] = 9;
    MutableInputBlock()[2] = 9;
    cam().replies.push_back({1, 2});
    EXPECT_TRUE(ReadCamera(3));
    EXPECT_EQ(Link().lastRead, 2u);
    EXPECT_EQ(InputBlock()[0], 1);
    EXPECT_EQ(InputBlock()[1], 2);
    EXPECT_EQ(InputBlock()[2], 9);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TransferTest, NoCameraReportsTheWriteFailure) {
    CloseDevices();
    EXPECT_FALSE(WriteCamera(8));
    EXPECT_FALSE(ReadCamera(8));
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Could not write CAMIO Output - try rebooting USB device",
                                                        "Error 6 trying to read CAMIO data from USB\n"}));
}

TEST_F(TransferTest, OversizedReadIsClamped) {
    cam().replies.push_back({1});
    EXPECT_TRUE(ReadCamera(kInputBlockSize + 100));
    EXPECT_EQ(cam().readSizes.back(), kInputBlockSize);
}

TEST_F(TransferTest, FilterWheelTransfersWaitLive) {
    wheel().replies.push_back({0, 3, 7});
    uint32_t t = clock.now;
    EXPECT_TRUE(WriteFilterWheel(3));
    EXPECT_GE(clock.now - t, 100u);
    t = clock.now;
    EXPECT_TRUE(ReadFilterWheel(3));
    EXPECT_GE(clock.now - t, 100u);
    wheel().failRead = 32;
    EXPECT_FALSE(ReadFilterWheel(3));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error 32 trying to read CAMIO data from USB Filterwheel\n"});
}

TEST_F(TransferTest, WriteReportLimits) {
    std::vector<uint8_t> bytes(255, 0xAB);
    EXPECT_FALSE(WriteReport(bytes.data(), 255));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Maximum ByteCount for WriteUSBdevice is 254"});
    EXPECT_TRUE(wheel().writes.empty());
    EXPECT_TRUE(WriteReport(bytes.data(), 254));
    ASSERT_EQ(wheel().writes.size(), 1u);
    EXPECT_EQ(wheel().writes[0].size(), 255u);
    EXPECT_EQ(wheel().writes[0][0], 0);
    EXPECT_EQ(wheel().writes[0][1], 0xAB);
    EXPECT_EQ(wheel().writes[0][254], 0xAB);
}

TEST_F(TransferTest, WriteReportFailure) {
    wheel().failWrite = 5;
    const uint8_t b[2] = {1, 2};
    EXPECT_FALSE(WriteReport(b, 2));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error 5 trying to send command to USB \n"});
}

TEST_F(TransferTest, ReadReportLimits) {
    std::vector<uint8_t> out(255, 0);
    EXPECT_FALSE(ReadReport(out.data(), 255));
    EXPECT_FALSE(ReadReport(out.data(), 0));
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Maximum ByteCount for ReadUSBdevice is 254",
                                                        "Minimum ByteCount for ReadUSBdevice is 1"}));
    EXPECT_TRUE(wheel().readSizes.empty());
    std::vector<uint8_t> reply(255);
    for (size_t i = 0; i < reply.size(); ++i) reply[i] = uint8_t(i);
    wheel().replies.push_back(reply);
    EXPECT_TRUE(ReadReport(out.data(), 254));
    EXPECT_EQ(wheel().readSizes, std::vector<size_t>{255});
    EXPECT_EQ(out[0], 1);  // the report number is dropped
    EXPECT_EQ(out[253], 254);
}

TEST_F(TransferTest, ReadReportFailure) {
    uint8_t out[3];
    wheel().failRead = 5;
    EXPECT_FALSE(ReadReport(out, 3));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Could not get an Input Report"});
}

TEST_F(TransferTest, EchoSelfTest) {
    cam().replies.push_back({1, 2, 3, 4});
    EXPECT_EQ(EchoSelfTest(), 4u);
    ASSERT_EQ(cam().writes.size(), 1u);
    const std::vector<uint8_t>& w = cam().writes[0];
    ASSERT_EQ(w.size(), 12u);
    EXPECT_EQ(std::vector<uint8_t>(w.begin(), w.begin() + 8), (std::vector<uint8_t>{0x40, 0, 0, 0, 0, 0, 4, 0}));
    for (int i = 8; i < 12; ++i) EXPECT_LT(w[size_t(i)], 255);
    EXPECT_EQ(cam().readSizes, std::vector<size_t>{4});
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Read       4 bytes, asked for       4 from USB\n"});
}

TEST_F(TransferTest, EchoSelfTestReadError) {
    EXPECT_EQ(EchoSelfTest(), 0u);  // no reply: the read times out
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error 110 trying to read CAMIO data from USB\n"});
}

TEST_F(TransferTest, CloseDevicesDropsEverything) {
    EXPECT_TRUE(CameraConnected());
    CloseDevices();
    EXPECT_FALSE(CameraConnected());
    EXPECT_FALSE(Link().filterWheelPresent);
    EXPECT_EQ(Link().camera, nullptr);
    EXPECT_EQ(Link().filterWheel, nullptr);
}

}  // namespace

namespace {

TEST(LinkBlocks, Sizes) {
    EXPECT_EQ(kOutputBlockSize, 64u);
    EXPECT_EQ(kInputBlockSize, 2u * 16'085'120u);
    EXPECT_EQ(Link().input.size(), kInputBlockSize);
    EXPECT_EQ(kMaxInterfaces, 20);
    EXPECT_EQ(kKorvaneVendorId, 0x4B56);
    EXPECT_STREQ(kKorvaneVendorIdText, "4b56");
    EXPECT_EQ(MakeDevicePath("usb", 0x4B56, 0x0126, "x"), "usb#vid_4b56&pid_0126#x");
}

TEST_F(TransferTest, WriteNeverRunsPastTheOutputBlock) {
    EXPECT_TRUE(WriteCamera(100));
    EXPECT_EQ(cam().writes.back().size(), 64u);
}

}  // namespace
