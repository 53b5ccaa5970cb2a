// The transport trace (VELMORA_TRACE) line by line, and `velmora-cli scope`
// on the simulator.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "devices/transport_trace.h"
#include "telescope/lx200.h"
#include "telescope_fixture.h"

namespace {

using Strings = std::vector<std::string>;

Strings Lines(const std::string& path) {
    std::ifstream in(path);
    Strings lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class TraceTest : public TelescopeTest {
protected:
    void SetUp() override {
        TelescopeTest::SetUp();
        path = HomePath("trace.txt");
        ASSERT_TRUE(StartTrace(path));
    }
    void TearDown() override {
        StartTrace("");
        TelescopeTest::TearDown();
    }
    std::string path;
};

TEST(TraceLine, Format) {
    const uint8_t bytes[] = {0x40, 0x0a, 0x00, 0xff, 0x9c};
    EXPECT_EQ(TraceLine(1234, '>', "usb", bytes, 5), "1234.000 > usb 40 0a 00 ff 9c\n");
    EXPECT_EQ(TraceLine(0, '<', "com2", bytes, 0), "0.000 < com2\n");
}

TEST_F(TraceTest, CameraSerialPortBlocksAreTracedOnUsbAndOnThePort) {
    Answer(peer1, "0");
    SendSerialCommand(1, "#:RG#", 5);
    clock.now += 12;
    ReadSerialReply(1, 1);
    EXPECT_EQ(Lines(path), (Strings{
                               "0.000 > usb 40 0a 00 00 01 00 05 00 23 3a 52 47 23",
                               "0.000 > cam-serial1 23 3a 52 47 23",
                               "12.000 > usb 40 0b 00 00 01 00 01 00",
                               "12.000 < usb 30",
                               "12.000 < cam-serial1 30",
                           }));
}

TEST_F(TraceTest, RelayPulseIsTracedAsTwoRequests) {
    TelescopeLink().direction = 'n';
    TelescopeLink().pulseLength = 40;
    PulseGuideRelay();
    EXPECT_EQ(Lines(path), (Strings{"10.000 > usb 40 09 04 00 00 00 00 00", "50.000 > usb 40 09 00 00 00 00 00 00"}));
}

TEST_F(TraceTest, PcPortAndFilterWheelChannels) {
    S().aoPort = 3;
    S().pcComPort = 1;
    pc.answers = {"0"};
    SendSerialCommand(0, "#:MS#", 5);
    ReadSerialReply(0, 1);
    const uint8_t report[] = {0x07};
    WriteReport(report, 1);
    EXPECT_EQ(Lines(path), (Strings{"0.000 > com2 23 3a 4d 53 23", "61.000 < com2 30", "81.000 > hid 00 07"}));  // the read ends 20 ms after the "0"
}

TEST_F(TraceTest, StoppedTraceWritesNothingMore) {
    StartTrace("");
    SendSerialCommand(0, "#:RG#", 5);
    EXPECT_TRUE(Lines(path).empty());
}

// ---- velmora-cli scope on the simulator ----

class ScopeCliTest : public VelmoraTest {};

TEST_F(ScopeCliTest, RefusalsGiveTheDialogTextAndNonZeroExit) {
    ASSERT_EQ(RunVelmoraCli(home, "settings set driveMethod l").status, 0);
    ASSERT_EQ(RunVelmoraCli(home, "settings set showInterfaceDetails no").status, 0);
    struct Case {
        std::string args;
        int status;
        std::string text;
    };
    const Case cases[] = {
        {"goto-messier 111", 1, "Object out of range - try again\n"},
        {"goto-ngc 7816", 1, "Object out of range - try again\n"},
        {"goto 24 0 0 0", 1, "Invalid Co-ordinates set.\n\nRange is R.A. 0hr 00min, to 23hr 59mins\n"},
        {"goto 3 0 -60 0", 1, "Slew answer: Object Below Horizon\n"},
        {"goto-planet Saturn", 0, "Info from Scope: SATURN MAG"},
        {"pulse x 100", 2, "usage:"},
    };
    for (const Case& c : cases) {
        const CliResult r = RunVelmoraCli(home, "scope --simulate " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.text), std::string::npos) << c.args << "\n" << r.output;
    }
}

// `scope move` sends the letter the swap settings give, with the relays as
// with the LX200 commands.
TEST_F(ScopeCliTest, MoveFollowsTheSwapLettersOnBothDriveMethods) {
    ASSERT_EQ(RunVelmoraCli(home, "settings set guideLetters nswe").status, 0);  // e/w swapped
    struct Case {
        const char* method;
        const char* direction;
        std::string sent;  // the trace's bytes of the move
    };
    const Case cases[] = {
        {"b", "w", "> usb 40 09 08 00"},                    // the East relay
        {"b", "e", "> usb 40 09 01 00"},                    // the West relay
        {"l", "w", "> cam-serial0 23 3a 4d 65 23"},         // "#:Me#"
    };
    const std::string trace = HomePath("move.txt");
    StartTrace("");  // this process stays untraced
    for (const Case& c : cases) {
        ASSERT_EQ(RunVelmoraCli(home, std::string("settings set driveMethod ") + c.method).status, 0);
        setenv("VELMORA_TRACE", trace.c_str(), 1);
        const CliResult r = RunVelmoraCli(home, std::string("scope --simulate move ") + c.direction + " 100");
        unsetenv("VELMORA_TRACE");
        EXPECT_EQ(r.status, 0) << r.output;
        bool found = false;
        for (const std::string& line : Lines(trace)) found |= line.find(c.sent) != std::string::npos;
        EXPECT_TRUE(found) << c.method << " " << c.direction;
    }
}

TEST_F(ScopeCliTest, WithoutDriveMethodNothingIsSent) {
    const CliResult r = RunVelmoraCli(home, "scope --simulate position");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Sorry. No Connection to Telescope"), std::string::npos) << r.output;
}

TEST_F(ScopeCliTest, TraceShowsTheWholeRequestSequenceOfAPosition) {
    ASSERT_EQ(RunVelmoraCli(home, "settings set driveMethod a").status, 0);
    const std::string trace = HomePath("t.txt");
    StartTrace("");  // this process stays untraced
    setenv("VELMORA_TRACE", trace.c_str(), 1);
    const CliResult traced = RunVelmoraCli(home, "scope --simulate position");
    unsetenv("VELMORA_TRACE");
    EXPECT_EQ(traced.status, 0) << traced.output;
    EXPECT_NE(traced.output.find("RA 06:00:00\nDec +30*00'00\n"), std::string::npos) << traced.output;
    Strings serial;
    for (const std::string& line : Lines(trace)) {
        std::istringstream in(line);
        std::string ms, dir, channel;
        in >> ms >> dir >> channel;
        if (channel == "cam-serial0") serial.push_back(dir + line.substr(line.find(channel) + channel.size()));
    }
    const std::string zeros = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    // Autostar: each answer read twice, the first read before the answer is ready.
    ASSERT_EQ(serial.size(), 6u);
    EXPECT_EQ(serial[0], "> 23 3a 47 52 23");
    EXPECT_EQ(serial[1], "<" + zeros + " 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(serial[2], "< 30 36 3a 30 30 3a 30 30 23" + zeros);
    EXPECT_EQ(serial[3], "> 23 3a 47 44 23");
}

}  // namespace
