// The simulated mount and AO unit: what they parse, how they answer, and how
// they move the mount model; then the program's commands through the
// simulated camera into them, on the fake clock.
#include <gtest/gtest.h>

#include "devices/sim/ao_unit.h"
#include "devices/sim/lx200_mount.h"
#include "devices/sim/mount_model.h"
#include "devices/sim/sim_serial_peers.h"
#include "telescope/ao.h"
#include "telescope/lx200.h"
#include "telescope_fixture.h"

namespace {

using Strings = std::vector<std::string>;

void Send(SerialPeer& peer, const std::string& text, uint32_t now = 0) {
    peer.Receive(reinterpret_cast<const uint8_t*>(text.data()), text.size(), now);
}

std::string Take(SerialPeer& peer, uint32_t now = 0, size_t count = 50) {
    const auto bytes = peer.Answer(count, now);
    return std::string(bytes.begin(), bytes.end());
}

TEST(Lx200Sim, TextsWithoutClosingHashAreEndedByTheNextCommand) {
    Lx200Mount mount(nullptr);
    Send(mount, "#:Sr 23:59.0");
    Send(mount, "#:Sd -05*30");
    Send(mount, "#:LI#");
    EXPECT_EQ(mount.Commands(), (Strings{"Sr 23:59.0", "Sd -05*30", "LI"}));
    Send(mount, "#:MS#");
    EXPECT_EQ(Take(mount), "0");  // -5.5 is above the horizon; no answer to Sr, Sd or LI
}

TEST(Lx200Sim, SlewRefusalAndObjectInfo) {
    Lx200Mount mount(nullptr);
    Send(mount, "#:Sr 01:00.0#:Sd -89*00#:LI#");
    Send(mount, "#:MS#");
    EXPECT_EQ(Take(mount), "1Object Below Horizon#");
    Send(mount, "#:LM 0031#");
    Send(mount, "#:LI#");
    EXPECT_EQ(Take(mount), "M31 GALAXY MAG 3.4#");
    Send(mount, "#:LC 7841#");  // beyond the mount's catalogue: nothing selected
    Send(mount, "#:LI#");
    EXPECT_EQ(Take(mount), "");
}

TEST(Lx200Sim, PositionFormats) {
    Lx200Config c;
    c.raHours = 12 + 34 / 60.0 + 56 / 3600.0;
    c.decDegrees = -(5 + 6 / 60.0 + 7 / 3600.0);
    Lx200Mount mount(nullptr, c);
    Send(mount, "#:GR#");
    Send(mount, "#:GD#");
    EXPECT_EQ(Take(mount), "12:34:56#-05*06'07#");
    EXPECT_EQ(Lx200Mount::DecText(-0.5), "-00*30'00");
    EXPECT_EQ(Lx200Mount::DecText(89.999999), "+90*00'00");
    EXPECT_EQ(Lx200Mount::RaText(23.9999999), "00:00:00");
}

TEST(Lx200Sim, AutostarAnswersPositionFiveMillisecondsLater) {
    Lx200Config c;
    c.autostar = true;
    Lx200Mount mount(nullptr, c);
    Send(mount, "#:GR#", 100);
    EXPECT_EQ(Take(mount, 104), "");
    EXPECT_EQ(Take(mount, 105), "06:00:00#");
}

TEST(Lx200Sim, GotoSlewsThePointingAtTheSlewSpeed) {
    Lx200Config c;
    c.raHours = 6;
    c.decDegrees = 30;
    Lx200Mount mount(nullptr, c);
    Send(mount, "#:Sr 06:00.0#:Sd +40*00#:LI#", 0);
    Send(mount, "#:MS#", 0);
    EXPECT_TRUE(mount.Slewing(1000));
    EXPECT_NEAR(mount.DecDegrees(1000), 34, 1e-9);  // 4 degrees per second
    EXPECT_FALSE(mount.Slewing(3000));
    EXPECT_NEAR(mount.DecDegrees(3000), 40, 1e-9);
}

TEST(Lx200Sim, GuideRateMoveShiftsTheStarAndFasterRatesShiftItFurther) {
    MountConfig mc;
    mc.guideRatePerSecond = 3;
    MountModel model(mc, 0);
    Lx200Mount mount(&model);
    Send(mount, "#:RG#", 0);
    Send(mount, "#:Mw#", 0);
    Send(mount, "#:Qw#", 1000);
    double x, y;
    model.OffsetAt(1000, x, y);
    EXPECT_NEAR(x, 3, 1e-9);  // west: +x at the guide rate
    EXPECT_NEAR(y, 0, 1e-9);
    Send(mount, "#:RC#", 1000);
    Send(mount, "#:Mn#", 1000);
    Send(mount, "#:Qn#", 1500);
    model.OffsetAt(1500, x, y);
    EXPECT_NEAR(y, -3 * 16 * 0.5, 1e-9);  // centring rate: 16 guide rates, north -y
    EXPECT_NEAR(mount.DecDegrees(1500), 30 + 8 * 15.0 / 3600 * 0.5, 1e-9);
}

TEST(Lx200Sim, FocuserFollowsSpeedAndDirection) {
    Lx200Mount mount(nullptr);
    Send(mount, "#:FS#", 0);
    Send(mount, "#:F+#", 0);
    Send(mount, "#:FQ#", 2000);
    Send(mount, "#:FF#", 2000);
    Send(mount, "#:F-#", 2000);
    EXPECT_EQ(mount.FocusPosition(2500), 20 - 50);
}

TEST(AoSim, StepsShiftThePictureByTheGainAndCentringReturnsIt) {
    MountModel model({}, 0);
    AoUnitConfig c;
    c.stepsPerPixel = 4;
    AoUnit ao(&model, c);
    Send(ao, "GN00008GT00002");
    double x, y;
    model.OffsetAt(0, x, y);
    EXPECT_NEAR(x, -0.5, 1e-9);
    EXPECT_NEAR(y, -2, 1e-9);
    EXPECT_EQ(ao.TiltY(), 8);
    Send(ao, "K");
    model.OffsetAt(0, x, y);
    EXPECT_NEAR(x, 0, 1e-9);
    EXPECT_NEAR(y, 0, 1e-9);
    EXPECT_EQ(ao.Commands(), (Strings{"GN00008", "GT00002", "K"}));
}

TEST(AoSim, MountBumpsMoveTheMountAtTheGuideRate) {
    MountConfig mc;
    mc.guideRatePerSecond = 2;
    MountModel model(mc, 0);
    AoUnit ao(&model);
    Send(ao, "MW00500");
    double x, y;
    model.OffsetAt(0, x, y);
    EXPECT_NEAR(x, 1, 1e-9);  // west 500 ms at 2 px/s
    EXPECT_EQ(ao.TiltX(), 0);
}

TEST(AoSim, IgnoresLx200TextsAndMalformedCommands) {
    MountModel model({}, 0);
    AoUnit ao(&model);
    Send(ao, "#:Mn##:MS#GX00001GN0a001#:Qn#GS00001");
    EXPECT_EQ(ao.Commands(), (Strings{"GS00001"}));
}

// ---- the program's commands through the simulated camera ----

class SimChainTest : public TelescopeTest {
protected:
    void SetUp() override {
        TelescopeTest::SetUp();
        sim->sim().Mount().Configure(MountConfig{});
        mount = std::make_unique<Lx200Mount>(&sim->sim().Mount());
        ao = std::make_unique<AoUnit>(&sim->sim().Mount());
        line = std::make_unique<SerialSplitter>(std::vector<SerialPeer*>{mount.get(), ao.get()});
        sim->sim().SetSerialPeer(0, line.get());
        sim->sim().Mount().Reset(clock.now);
    }
    void TearDown() override {
        sim->sim().SetSerialPeer(0, nullptr);
        TelescopeTest::TearDown();
    }
    std::unique_ptr<Lx200Mount> mount;
    std::unique_ptr<AoUnit> ao;
    std::unique_ptr<SerialSplitter> line;
};

TEST_F(SimChainTest, SerialGuidePulseMovesTheMountForThePulseLength) {
    S().driveMethod = 'l';
    TelescopeLink().direction = 'w';
    TelescopeLink().pulseLength = 500;
    PulseGuideSerial();
    EXPECT_NEAR(sim->sim().Mount().GuidedRa(clock.now), 3 * 0.5, 1e-9);
    EXPECT_EQ(mount->Commands(), (Strings{"RG", "Mw", "Qw"}));
}

TEST_F(SimChainTest, RelayPulseMovesTheMountForThePulseLength) {
    TelescopeLink().direction = 's';
    TelescopeLink().pulseLength = 1000;
    PulseGuideRelay();
    EXPECT_NEAR(sim->sim().Mount().GuidedDec(clock.now), 3, 1e-9);
}

TEST_F(SimChainTest, GotoAndPositionThroughTheCameraPort) {
    EXPECT_EQ(GotoCatalogue('m', 31), "0");
    EXPECT_EQ(TelescopeLink().scopeInfo, "M31 GALAXY MAG 3.4");
    clock.now += 60'000;  // the slew ends
    ReadPosition(false);
    EXPECT_EQ(TelescopeLink().raText, "00:42:43");
    EXPECT_EQ(TelescopeLink().decText, "+41*16'01");
    EXPECT_EQ(GotoCoordinates(1, 0, -60, 0), "Object Below Horizon");
}

TEST_F(SimChainTest, AoStepsReachTheUnitAndBumpsTheMount) {
    AoStep(52, 'n');
    EXPECT_EQ(ao->Commands(), (Strings{"GN00052", "MN00033"}));
    EXPECT_EQ(ao->TiltY(), 52);
}

}  // namespace
