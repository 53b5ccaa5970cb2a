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
    EXPECT_EQ(Take(mount), "110");  // '1' to Sr and Sd, no object for LI; -5.5 is above the horizon
}

TEST(Lx200Sim, SlewRefusalAndObjectInfo) {
    Lx200Mount mount(nullptr);
    Send(mount, "#:Sr 01:00.0#:Sd -89*00#:LI#");
    Send(mount, "#:MS#");
    EXPECT_EQ(Take(mount), "11" "1Object Below Horizon#");
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
    EXPECT_NEAR(x, -3, 1e-9);  // west: -x at the guide rate
    EXPECT_NEAR(y, 0, 1e-9);
    Send(mount, "#:RC#", 1000);
    Send(mount, "#:Mn#", 1000);
    Send(mount, "#:Qn#", 1500);
    model.OffsetAt(1500, x, y);
    EXPECT_NEAR(y, 3 * 16 * 0.5, 1e-9);  // centring rate: 16 guide rates, north +y
    EXPECT_NEAR(mount.DecDegrees(1500), 30 + 8 * 15.0 / 3600 * 0.5, 1e-9);
}

// Each axis runs at the rate its move began with until its own quit,
// whatever order the quits come in.
TEST(Lx200Sim, FastMovesShiftThePictureAtTheirRateWhateverTheStopOrder) {
    struct Case {
        const char* rate;
        const char* move;
        double x, y;  // after 1 s at 3 px/s per guide rate
    } cases[] = {
        {"#:RC#", "#:Me#", 48, 0},  // 8x sidereal = 16 guide rates, east +x
        {"#:RC#", "#:Mw#", -48, 0},
        {"#:RC#", "#:Ms#", 0, -48},
        {"#:RG#", "#:Me#", 3, 0},
        {"#:RM#", "#:Mn#", 0, 3 * 0.5 / (0.5 * 15.0 / 3600)},  // 0.5 degrees per second
    };
    for (const Case& c : cases) {
        MountConfig mc;
        mc.guideRatePerSecond = 3;
        MountModel model(mc, 0);
        Lx200Mount mount(&model);
        Send(mount, c.rate, 0);
        Send(mount, c.move, 0);
        Send(mount, "#:RG#", 500);  // a later rate command leaves the running move alone
        Send(mount, "#:Qn##:Qs##:Qe##:Qw#", 1000);
        double x, y;
        model.OffsetAt(5000, x, y);
        EXPECT_NEAR(x, c.x, 1e-6) << c.rate << c.move;
        EXPECT_NEAR(y, c.y, 1e-6) << c.rate << c.move;
    }
}

TEST(Lx200Sim, ARefusedGotoLeavesTheSlewAlone) {
    Lx200Config c;
    c.raHours = 6;
    c.decDegrees = 30;
    Lx200Mount mount(nullptr, c);
    Send(mount, "#:Sr 01:00.0#:Sd -89*00#:LI##:MS#", 0);
    EXPECT_EQ(Take(mount), "111Object Below Horizon#");
    EXPECT_FALSE(mount.Slewing(0));
    EXPECT_NEAR(mount.DecDegrees(60000), 30, 1e-9);
    // A slew under way keeps its target when the next go-to is refused.
    Send(mount, "#:Sr 06:00.0#:Sd +40*00#:LI##:MS#", 60000);
    Send(mount, "#:Sr 01:00.0#:Sd -89*00#:LI##:MS#", 61000);
    EXPECT_EQ(Take(mount, 61000), "110" "111Object Below Horizon#");
    EXPECT_NEAR(mount.RaHours(90000), 6, 1e-9);
    EXPECT_NEAR(mount.DecDegrees(90000), 40, 1e-9);
    // ":Q#" ends a go-to where it is.
    Send(mount, "#:Sr 06:00.0#:Sd +30*00#:LI##:MS#", 90000);
    Send(mount, "#:Q#", 91000);
    EXPECT_FALSE(mount.Slewing(91000));
    EXPECT_NEAR(mount.DecDegrees(95000), 36, 1e-9);
}

// What a generic LX200 client asks on connecting, going to a target,
// syncing and pulse-guiding, and what the mount answers, in turn.
TEST(Lx200Sim, AnswersAsAGenericLx200AndAnAutostar) {
    struct Step {
        const char* send;
        const char* answer;
    };
    const Step lx200[] = {
        {"\x06", "P"},
        {"#:GR#", "06:00:00#"},
        {"#:U#", ""},  // low precision
        {"#:GR#", "06:00.0#"},
        {"#:GD#", "+30*00#"},
        {"#:Sr 05:30.5#", "1"},
        {"#:Gr#", "05:30.5#"},
        {"#:U#", ""},  // high again
        {"#:Sr 05:30:45#", "1"},
        {"#:Sd +22*10:30#", "1"},
        {"#:Gr##:Gd#", "05:30:45#+22*10'30#"},
        {"#:Sd +95*00#", "0"},
        {"#:Sr 24:00:00#", "0"},
        {"#:CM#", "Coordinates     matched.        #"},
        {"#:GR##:GD#", "05:30:45#+22*10'30#"},
        {"#:Gc##:GG##:Gt##:Gg#", "(24)#+00#+52*00#350*00#"},
        {"#:GL##:GC##:GM##:GT#", "22:00:00#12/09/26#Velmora#60.1#"},
        {"#:GVP##:GVN##:GVD##:GVT#", "LX200 Classic#4.2G#Dec 01 2026#12:00:00#"},
        {"#:GW##:D#", "PT2##"},
        {"#:P#", "HIGH PRECISION"},
        {"#:P#", "LOW PRECISION"},
        {"#:St +48*30##:Sg 002*15##:SG -01#", "111"},
        {"#:Gt##:Gg##:GG#", "+48*30#002*15#-01#"},
        {"#:SL 21:30:00#", "1"},
        {"#:SC 01/02/27#", "1Updating Planetary Data#                              #"},
        {"#:GL##:GC#", "21:30:00#01/02/27#"},
        {"#:AA#\x06", "A"},
        {"#:LM 0031##:CM#", " M31 GALAXY MAG 3.4#"},
        {"#:GR#", "00:42:43#"},
    };
    Lx200Mount mount(nullptr);
    for (const Step& s : lx200) {
        Send(mount, s.send, 0);
        EXPECT_EQ(Take(mount, 0, 200), s.answer) << s.send;
    }
    Lx200Config c;
    c.autostar = true;
    Lx200Mount autostar(nullptr, c);
    Send(autostar, "#:GVP##:GVN#");
    EXPECT_EQ(Take(autostar), "Autostar#43Eg#");
}

TEST(Lx200Sim, SiderealTimeGainsFourMinutesADayAndPoleAltitudeIsTheLatitude) {
    Lx200Mount mount(nullptr);
    auto seconds = [](const std::string& t) {
        return std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(3, 2)) * 60 + std::stoi(t.substr(6, 2));
    };
    Send(mount, "#:GS#", 0);
    const int first = seconds(Take(mount, 0));
    Send(mount, "#:GS#", 86400000);
    const int second = seconds(Take(mount, 86400000));
    EXPECT_NEAR((second - first + 86400) % 86400, 236, 1);  // 3 min 56 s
    Send(mount, "#:Sr 03:00:00##:Sd +90*00:00##:CM#", 0);
    Take(mount, 0, 100);
    Send(mount, "#:GA#", 0);
    EXPECT_EQ(Take(mount, 0), "+52*00'00#");
}

TEST(Lx200Sim, PulseCommandsMoveAtTheGuideRateForTheirMilliseconds) {
    struct Case {
        const char* command;
        double x, y;
    } cases[] = {
        {"#:Mgw0500#", -1, 0}, {"#:Mge0500#", 1, 0}, {"#:Mgn0250#", 0, 0.5},
        {"#:Mgs1000#", 0, -2}, {"#:Mgx0500#", 0, 0}, {"#:Mgw05a0#", 0, 0},
    };
    for (const Case& c : cases) {
        MountConfig mc;
        mc.guideRatePerSecond = 2;
        MountModel model(mc, 0);
        Lx200Mount mount(&model);
        Send(mount, c.command, 1000);
        double x, y;
        model.OffsetAt(1100, x, y);
        if (c.x) EXPECT_NEAR(x, c.x > 0 ? 0.2 : -0.2, 1e-9) << c.command;  // under way
        model.OffsetAt(5000, x, y);
        EXPECT_NEAR(x, c.x, 1e-9) << c.command;
        EXPECT_NEAR(y, c.y, 1e-9) << c.command;
        EXPECT_EQ(Take(mount, 5000), "") << c.command;
    }
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
    EXPECT_NEAR(x, -0.5, 1e-9);  // east -x, north +y: as the default AO letters take them
    EXPECT_NEAR(y, 2, 1e-9);
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
    Send(ao, "MW00500", 0);
    double x, y;
    model.OffsetAt(250, x, y);
    EXPECT_NEAR(x, 0.5, 1e-9);  // a move of 500 ms at 2 px/s, +x as a 'W' tilt
    model.OffsetAt(2000, x, y);
    EXPECT_NEAR(x, 1, 1e-9);
    EXPECT_EQ(ao.TiltX(), 0);
    Send(ao, "MN00250", 2000);  // the mount moves as an 'N' tilt does: +y
    model.OffsetAt(3000, x, y);
    EXPECT_NEAR(y, 0.5, 1e-9);
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
