// The serial link, the LX200 command set, the pulses and the AO commands on
// the fake clock, through the simulated camera's serial ports and relays and
// through a fake PC serial library.
#include <gtest/gtest.h>

#include "guiding/guide_output.h"
#include "settings/ini_rules.h"
#include "telescope/ao.h"
#include "telescope/lx200.h"
#include "telescope_fixture.h"

namespace {

using Strings = std::vector<std::string>;

// ---- the camera route, byte for byte ----

TEST_F(TelescopeTest, CameraRouteWriteIsRequestTenWithTheTextAndNoWait) {
    const uint32_t t0 = clock.now;
    SendSerialCommand(1, "#:RG#xyz", 5);
    ASSERT_EQ(sim->sim().CameraWrites().size(), 1u);
    const Block expected{0x40, 10, 0, 0, 1, 0, 5, 0, '#', ':', 'R', 'G', '#'};
    EXPECT_EQ(sim->sim().CameraWrites()[0].bytes, expected);
    EXPECT_EQ(clock.now, t0);
}

TEST_F(TelescopeTest, CameraRouteReadIsRequestElevenAndFillsScopeInfoUpToHash) {
    Answer(peer0, "M31 GAL MAG 3.5#junk");
    const std::string reply = ReadSerialReply(0, 33);
    const Block expected{0x40, 11, 0, 0, 0, 0, 33, 0};
    EXPECT_EQ(sim->sim().CameraWrites().back().bytes, expected);
    EXPECT_EQ(reply.size(), 33u);  // the camera pads to the asked count
    EXPECT_EQ(TelescopeLink().scopeInfo, "M31 GAL MAG 3.5");
}

TEST_F(TelescopeTest, SlewReplyZeroReadsOneByteOnly) {
    Answer(peer0, "0");
    EXPECT_EQ(ReadSlewReply(0), "0");
    ASSERT_EQ(sim->sim().CameraWrites().size(), 1u);
    EXPECT_EQ(sim->sim().CameraWrites()[0].bytes[6], 1);
}

TEST_F(TelescopeTest, SlewRefusalReadsTheTextAfterTheFirstByte) {
    Answer(peer0, "1Object Below Horizon#");
    EXPECT_EQ(ReadSlewReply(0), "Object Below Horizon");
    EXPECT_EQ(TelescopeLink().scopeInfo, "Object Below Horizon");
    ASSERT_EQ(sim->sim().CameraWrites().size(), 2u);
    EXPECT_EQ(sim->sim().CameraWrites()[1].bytes[6], 33);
}

TEST_F(TelescopeTest, MountThatNeverAnswersGivesEmptyTexts) {
    EXPECT_EQ(GetObjectInfo(), "");
    ReadPosition(false);
    EXPECT_EQ(TelescopeLink().raText, "");
    EXPECT_EQ(TelescopeLink().decText, "");
    EXPECT_TRUE(messages.shown.empty());
}

// ---- LX200 command texts ----

TEST_F(TelescopeTest, CommandTexts) {
    struct Case {
        std::string got, want;
    };
    const Case cases[] = {
        {CatalogueCommand('m', 31), "#:LM 0031#"},   {CatalogueCommand('m', 110), "#:LM 0110#"},
        {CatalogueCommand('c', 7815), "#:LC 7815#"}, {CatalogueCommand('s', 901), "#:LS 0901#"},
        {SetRaText(0, 0), "#:Sr 00:00.0"},           {SetRaText(23, 59), "#:Sr 23:59.0"},
        {SetRaText(5, 7), "#:Sr 05:07.0"},           {SetDecText(0, 0), "#:Sd +00*00"},
        {SetDecText(-0, 30), "#:Sd +00*30"},         {SetDecText(-5, 30), "#:Sd -05*30"},
        {SetDecText(-89, 0), "#:Sd -89*00"},         {SetDecText(89, 59), "#:Sd +89*59"},
        {MoveCommand('e'), "#:Me#"},                 {QuitCommand('w'), "#:Qw#"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
    EXPECT_EQ(CatalogueCommand('m', 31).size(), 10u);
    EXPECT_EQ(SetRaText(1, 2).size(), 12u);
    EXPECT_EQ(SetDecText(1, 2).size(), 11u);
}

TEST_F(TelescopeTest, MovesStopsAndFocus) {
    StartMove(kRateCentre, MoveCommand('n'));
    StopMove();
    StartFocus(kFocusSlow, kFocusOut);
    StopFocus();
    EXPECT_EQ(Texts(0), (Strings{"#:RC#", "#:Mn#", "#:Qn#", "#:Qs#", "#:Qe#", "#:Qw#", "#:FS#", "#:F-#", "#:FQ#"}));
}

TEST_F(TelescopeTest, TelescopePortFollowsTheComChoiceOnce) {
    S().telescopeComPort = '2';
    StopFocus();
    S().telescopeComPort = '1';  // kept until the program ends
    StopFocus();
    EXPECT_EQ(Texts(1), (Strings{"#:FQ#", "#:FQ#"}));
    EXPECT_TRUE(Texts(0).empty());
}

TEST_F(TelescopeTest, GotoCatalogueSequenceAndWaits) {
    Answer(peer0, "M31 EX GAL#");
    const uint32_t t0 = clock.now;
    // The answers queue up: object info first, then the slew answer.
    Answer(peer0, std::string(33 - 11, '\0') + "0");
    const std::string answer = GotoCatalogue('m', 31);
    const auto sent = SerialWrites(0);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].text, "#:LM 0031#");
    EXPECT_EQ(sent[1].text, "#:LI#");
    EXPECT_EQ(sent[2].text, "#:MS#");
    EXPECT_EQ(sent[2].atMs - t0, 200u);
    EXPECT_EQ(TelescopeLink().scopeInfo, "M31 EX GAL");
    EXPECT_EQ(answer, "0");
    EXPECT_EQ(clock.now - t0, 700u);
    EXPECT_EQ(system.beeps, 1);
}

TEST_F(TelescopeTest, GotoCoordinatesSendsTextsWithoutClosingHashAsOneRun) {
    // '1' for each co-ordinate text, no object info (the camera pads the
    // read), then the slew answer.
    Answer(peer0, "11" + std::string(33, '\0') + "0");
    const uint32_t t0 = clock.now;
    EXPECT_EQ(GotoCoordinates(24 - 1, 59, -89, 0), "0");
    const auto sent = SerialWrites(0);
    ASSERT_EQ(sent.size(), 4u);
    std::string run;
    for (size_t i = 0; i < 3; ++i) run += sent[i].text;
    EXPECT_EQ(run, "#:Sr 23:59.0#:Sd -89*00#:LI#");
    EXPECT_EQ(sent[0].text.size(), 12u);
    EXPECT_EQ(sent[1].text.size(), 11u);
    EXPECT_EQ(sent[3].text, "#:MS#");
    EXPECT_EQ(sent[3].atMs - t0, 1u);
    EXPECT_EQ(clock.now - t0, 2u);
}

TEST_F(TelescopeTest, ReadPositionAutostarReadsEachAnswerTwice) {
    Answer(peer0, std::string(33, '\0') + "12:34:56#" + std::string(24, '\0'));
    Answer(peer0, std::string(33, '\0') + "-05*06'07#");
    const uint32_t t0 = clock.now;
    ReadPosition(true);
    EXPECT_EQ(Texts(0), (Strings{"#:GR#", "#:GD#"}));
    EXPECT_EQ(TelescopeLink().raText, "12:34:56");
    EXPECT_EQ(TelescopeLink().decText, "-05*06'07");
    EXPECT_EQ(clock.now - t0, 20u);
    int reads = 0;
    for (const SimCameraWrite& w : sim->sim().CameraWrites()) reads += w.bytes[1] == 11;
    EXPECT_EQ(reads, 4);
}

// ---- pulses ----

TEST_F(TelescopeTest, SerialPulseTiming) {
    struct Case {
        char direction;
        uint32_t ms;
        Strings texts;
    };
    const Case cases[] = {
        {'e', 250, {"#:RG#", "#:Me#", "#:Qe#"}},
        {'w', 50, {"#:RG#", "#:Mw#", "#:Qw#"}},
        {'n', 1000, {"#:RG#", "#:Mn#", "#:Qn#"}},
        {'s', 0, {"#:RG#", "#:Ms#", "#:Qs#"}},  // zero length: back to back
    };
    for (const Case& c : cases) {
        sim->sim().ClearRecords();
        S().driveMethod = 'l';
        TelescopeLink().direction = c.direction;
        TelescopeLink().pulseLength = c.ms;
        const uint32_t t0 = clock.now;
        PulseGuideSerial();
        const auto sent = SerialWrites(0);
        ASSERT_EQ(sent.size(), 3u);
        EXPECT_EQ(Texts(0), c.texts);
        EXPECT_EQ(sent[0].atMs - t0, 0u);
        EXPECT_EQ(sent[1].atMs - t0, 20u);
        EXPECT_EQ(sent[2].atMs - t0, 20u + c.ms);
        EXPECT_EQ(clock.now - t0, 24u + c.ms);
    }
}

TEST_F(TelescopeTest, PulseWithForeignLetterSendsNothingButWaitsTheTail) {
    S().driveMethod = 'l';
    TelescopeLink().direction = 'x';
    TelescopeLink().pulseLength = 500;
    uint32_t t0 = clock.now;
    PulseGuideSerial();
    EXPECT_TRUE(sim->sim().CameraWrites().empty());
    EXPECT_EQ(clock.now - t0, 4u);
    t0 = clock.now;
    PulseGuideRelay();
    EXPECT_TRUE(sim->sim().CameraWrites().empty());
    EXPECT_EQ(clock.now - t0, 300u);
}

TEST_F(TelescopeTest, RelayPulsePatternsAndTiming) {
    const std::pair<char, int> bits[] = {{'n', 4}, {'e', 8}, {'w', 1}, {'s', 2}};
    for (auto [d, bit] : bits) {
        sim->sim().ClearRecords();
        S().driveMethod = 'b';
        TelescopeLink().direction = d;
        TelescopeLink().pulseLength = 120;
        const uint32_t t0 = clock.now;
        PulseGuideSerial();  // the socket drive method pulses the relays
        const auto writes = RelayWrites();
        ASSERT_EQ(writes.size(), 2u);
        EXPECT_EQ(writes[0], std::make_pair(t0 + 10, bit));
        EXPECT_EQ(writes[1], std::make_pair(t0 + 130, 0));
        EXPECT_EQ(clock.now - t0, 430u);
        EXPECT_TRUE(Texts(0).empty());
    }
}

TEST_F(TelescopeTest, ZeroLengthRelayPulseStillWritesOnAndOff) {
    TelescopeLink().direction = 'w';
    TelescopeLink().pulseLength = 0;
    const uint32_t t0 = clock.now;
    PulseGuideRelay();
    const auto writes = RelayWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0], std::make_pair(t0 + 10, 1));
    EXPECT_EQ(writes[1], std::make_pair(t0 + 10, 0));
}

TEST_F(TelescopeTest, RelayMoveStartsAfterOneMillisecondAndStopReleases) {
    const uint32_t t0 = clock.now;
    StartRelayMove('s');
    StopRelayMove();
    const auto writes = RelayWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0], std::make_pair(t0 + 1, 2));
    EXPECT_EQ(writes[1].second, 0);
}

TEST_F(TelescopeTest, DirectionLettersFollowTheSwaps) {
    EXPECT_EQ(std::string({PlusXLetter(S()), MinusXLetter(S()), PlusYLetter(S()), MinusYLetter(S())}), "ewns");
    ToggleEastWest(S());
    EXPECT_EQ(MoveCommand(MinusXLetter(S())), "#:Me#");  // "Swap e/w": the left arrow goes east
    ToggleNorthSouth(S());
    EXPECT_EQ(std::string({PlusXLetter(S()), MinusXLetter(S()), PlusYLetter(S()), MinusYLetter(S())}), "wesn");
}

// ---- AO ----

TEST_F(TelescopeTest, AoStepTextsAndCounters) {
    const uint32_t t0 = clock.now;
    AoStep(5, 'n');
    AoStep(3, 'e');
    AoStep(12, 's');
    AoStep(1, 'w');
    EXPECT_EQ(Texts(0), (Strings{"GN00005", "GT00003", "GS00012", "GW00001"}));
    EXPECT_EQ(TelescopeLink().aoY, -7);
    EXPECT_EQ(TelescopeLink().aoX, 2);
    EXPECT_EQ(clock.now - t0, 200u);  // 50 ms after each command
}

TEST_F(TelescopeTest, AoPortSettingPicksTheCameraPort) {
    S().aoPort = 1;  // "Ser 1"
    AoStep(2, 'n');
    EXPECT_EQ(Texts(1), (Strings{"GN00002"}));
    EXPECT_TRUE(Texts(0).empty());
}

TEST_F(TelescopeTest, AoBumpAtFiftyOneNotFifty) {
    S().guiderRaPixelsPerSecond = 6;
    S().guiderDecPixelsPerSecond = 4;
    S().aoHalfRate = true;
    AoStep(50, 'n');
    EXPECT_EQ(Texts(0), (Strings{"GN00050"}));
    clock.now += 1000;
    AoStep(1, 'n');  // y = 51: bump N for 400 / 6 / 2 = 33
    EXPECT_EQ(Texts(0), (Strings{"GN00050", "GN00001", "MN00033"}));
    EXPECT_EQ(TelescopeLink().bumpText, "N");
    EXPECT_EQ(TelescopeLink().aoY, 51);  // a bump leaves the counters
    sim->sim().ClearRecords();
    clock.now += 1000;
    AoStep(101, 'w');  // y = 51, x = -101: both bumps, 100 ms apart
    const auto sent = SerialWrites(0);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].text, "MN00033");
    EXPECT_EQ(sent[2].text, "MW00050");  // 400 / 4 / 2
    EXPECT_EQ(sent[2].atMs - sent[1].atMs, 150u);  // 50 after the command, then 100
}

TEST_F(TelescopeTest, AoBumpLengthsAndLettersFullRate) {
    S().aoHalfRate = false;
    S().guiderRaPixelsPerSecond = 7;
    S().guiderDecPixelsPerSecond = 3;
    S().bumpLetters = {'S', 'N', 'W', 'T'};  // "Swap Mount N/S" and "E/W"
    AoStep(60, 's');
    clock.now += 701;
    AoStep(60, 'e');
    EXPECT_EQ(Texts(0), (Strings{"GS00060", "MN00057", "GT00060", "MN00057", "MW00133"}));
}

TEST_F(TelescopeTest, TwoCorrectionsWithin700MsBumpOnce) {
    AoStep(60, 'n');  // the bump is checked at t0 + 50 (after the "G")
    AoStep(1, 'n');   // checked at t0 + 250: no second bump
    clock.now += 450;
    AoStep(1, 'n');  // exactly 700 after the bump: still none
    int bumps = 0;
    for (const std::string& t : Texts(0)) bumps += t[0] == 'M';
    EXPECT_EQ(bumps, 1);
    AoStep(1, 'n');  // now more than 700
    bumps = 0;
    for (const std::string& t : Texts(0)) bumps += t[0] == 'M';
    EXPECT_EQ(bumps, 2);
}

TEST_F(TelescopeTest, AoRelayModePatterns) {
    S().aoOption = true;
    const std::pair<char, int> patterns[] = {{'e', 0x07}, {'n', 0x0B}, {'s', 0x0D}, {'w', 0x0E}};
    for (auto [d, pattern] : patterns) {
        sim->sim().ClearRecords();
        const uint32_t t0 = clock.now;
        AoStep(75, d);
        const auto writes = RelayWrites();
        ASSERT_EQ(writes.size(), 2u);
        EXPECT_EQ(writes[0], std::make_pair(t0 + 10, pattern));
        EXPECT_EQ(writes[1], std::make_pair(t0 + 85, 0x0F));
        EXPECT_EQ(clock.now - t0, 385u);
    }
    EXPECT_EQ(TelescopeLink().aoX, 0);  // relay mode keeps no counters
    EXPECT_TRUE(Texts(0).empty());
}

TEST_F(TelescopeTest, AoMountMoveRecentreAndCentre) {
    AoMountMove(100, 'e');
    AoStep(3, 's');
    EXPECT_EQ(TelescopeLink().aoX, 100);
    EXPECT_EQ(TelescopeLink().aoY, -3);
    sim->sim().ClearRecords();
    const uint32_t t0 = clock.now;
    AoRecentre();
    EXPECT_EQ(Texts(0), (Strings{"GN00003", "GW00100"}));
    EXPECT_EQ(clock.now - t0, 700u);
    EXPECT_EQ(TelescopeLink().aoX, 100);  // the counters stay
    sim->sim().ClearRecords();
    CentreAo();
    EXPECT_EQ(Texts(0), (Strings{"K"}));
    EXPECT_EQ(TelescopeLink().aoX, 0);
    EXPECT_EQ(TelescopeLink().aoY, 0);
}

TEST_F(TelescopeTest, AoRelayCentreAndRecentre) {
    S().aoOption = true;
    TelescopeLink().aoX = 9;
    const uint32_t t0 = clock.now;
    CentreAo();
    AoRecentre();
    const auto writes = RelayWrites();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0], std::make_pair(t0, 0x0F));
    EXPECT_EQ(writes[1], std::make_pair(t0 + 100, 0));
    EXPECT_EQ(writes[2].second, 0);
    EXPECT_EQ(TelescopeLink().aoX, 0);
}

// ---- the PC route ----

TEST_F(TelescopeTest, PcRouteOpensOnceAndWaitsAfterEachSend) {
    S().aoPort = 3;
    S().pcComPort = 2;
    const uint32_t t0 = clock.now;
    SendSerialCommand(0, "#:RG#", 5);
    SendSerialCommand(1, "#:Mn#", 5);  // whatever the camera port: the PC port
    EXPECT_EQ(pc.Names(), (Strings{"reset", "baud", "dtr", "rts", "parms", "puts", "puts"}));
    EXPECT_EQ(pc.calls[0].bytes, "1024/1024");
    EXPECT_EQ(pc.calls[1].bytes, "5");
    EXPECT_EQ(pc.calls[2].bytes, "S");
    EXPECT_EQ(pc.calls[3].bytes, "S");
    EXPECT_EQ(pc.calls[4].bytes, "0,0,8");
    EXPECT_EQ(pc.Sent(), (Strings{"#:RG#", "#:Mn#"}));
    EXPECT_EQ(pc.calls[6].atMs - t0, 61u);
    EXPECT_EQ(clock.now - t0, 122u);
    EXPECT_TRUE(sim->sim().CameraWrites().empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TelescopeTest, PcRouteReadTakesOneLineThenClears) {
    S().aoPort = 3;
    pc.answers = {"1Object Below Horizon#"};
    EXPECT_EQ(ReadSlewReply(0), "1Object Below Horizon");
    pc.answers = {"0"};
    EXPECT_EQ(ReadSlewReply(0), "0");
    pc.answers = {"03:04:05#"};
    ReadSerialReply(0, 33);
    EXPECT_EQ(TelescopeLink().scopeInfo, "03:04:05");
    EXPECT_EQ(TelescopeLink().replyCount, 9);
    Strings names = pc.Names();
    EXPECT_EQ(Strings(names.end() - 2, names.end()), (Strings{"gets", "rxclear"}));
}

TEST_F(TelescopeTest, PcOpenFailureDropsTheSendAndTriesAgainNextTime) {
    S().aoPort = 3;
    pc.failParms = -5;
    SendSerialCommand(0, "#:Qe#", 5);
    EXPECT_EQ(MessageTexts(), (Strings{"ERROR -5 ", "Open Communications Failed"}));
    EXPECT_TRUE(pc.Sent().empty());
    EXPECT_FALSE(TelescopeLink().comOpen);
    SendSerialCommand(0, "#:Qw#", 5);
    EXPECT_EQ(pc.Sent(), (Strings{"#:Qw#"}));
    EXPECT_TRUE(TelescopeLink().comOpen);
}

TEST_F(TelescopeTest, PcAbsentDeviceShowsTheErrorAndOpenFailure) {
    S().aoPort = 3;
    pc.failReset = kSioCannotOpen;
    EXPECT_EQ(OpenComPort(), 0);
    EXPECT_EQ(MessageTexts(), (Strings{"ERROR -4 ", "Open Communications Failed"}));
    EXPECT_EQ(pc.Names(), (Strings{"reset", "done"}));
}

TEST_F(TelescopeTest, PcFailedWriteShowsErrorAndClosesThePort) {
    S().aoPort = 3;
    SendSerialCommand(0, "#:RG#", 5);
    pc.failPuts = kSioIoError;
    SendSerialCommand(0, "#:Me#", 5);
    EXPECT_EQ(MessageTexts(), (Strings{"ERROR -9 "}));
    EXPECT_FALSE(TelescopeLink().comOpen);
    EXPECT_EQ(pc.Names().back(), "done");
    pc.calls.clear();
    SendSerialCommand(0, "#:Qe#", 5);  // opens again
    EXPECT_EQ(pc.Names().front(), "reset");
    EXPECT_EQ(pc.Sent(), (Strings{"#:Qe#"}));
}

TEST_F(TelescopeTest, AoCommandOverThePcRoute) {
    S().aoPort = 3;
    const uint32_t t0 = clock.now;
    AoStep(4, 'w');
    EXPECT_EQ(pc.Sent(), (Strings{"GW00004"}));
    EXPECT_EQ(clock.now - t0, 61u);  // 1 + 10, then 50
    pc.calls.clear();
    CentreAo();
    EXPECT_EQ(pc.Sent(), (Strings{"K"}));
}

}  // namespace

namespace {

// The guiding loops reach the link through the guide outputs.
TEST_F(TelescopeTest, GuideOutputsPulseAndStepThroughTheLink) {
    S().driveMethod = 'l';
    const uint32_t t0 = clock.now;
    EXPECT_TRUE(DefaultGuideOutput().Pulse('n', 80));
    EXPECT_EQ(Texts(0), (std::vector<std::string>{"#:RG#", "#:Mn#", "#:Qn#"}));
    EXPECT_EQ(clock.now - t0, 104u);
    sim->sim().ClearRecords();
    EXPECT_TRUE(DefaultGuideOutput().AoStep('s', 7));
    EXPECT_EQ(Texts(0), (std::vector<std::string>{"GS00007"}));
}

}  // namespace

namespace {

TEST_F(TelescopeTest, GarbageAnswersStayWithinTheTextLimits) {
    std::string garbage;
    for (int i = 0; i < 80; ++i) garbage += char(0x80 + (i * 37) % 120);
    Answer(peer0, garbage);
    EXPECT_EQ(GetObjectInfo().size(), 33u);  // no '#': 33 bytes at most
    Answer(peer0, garbage);
    EXPECT_EQ(ReadSlewReply(0).size(), 33u);
    S().aoPort = 3;
    pc.answers = {garbage.substr(0, 50)};
    ReadSerialReply(0, 33);
    EXPECT_EQ(TelescopeLink().scopeInfo.size(), 33u);
    EXPECT_EQ(TelescopeLink().replyCount, 50);
}

}  // namespace

namespace {

TEST_F(TelescopeTest, AutostarPositionOverThePcRouteKeepsTheFirstAnswer) {
    S().aoPort = 3;
    pc.answers = {"12:34:56#", "", "-01*02'03#", ""};
    ReadPosition(true);
    EXPECT_EQ(TelescopeLink().raText, "12:34:56");
    EXPECT_EQ(TelescopeLink().decText, "-01*02'03");
    EXPECT_EQ(pc.Sent(), (std::vector<std::string>{"#:GR#", "#:GD#"}));
}

}  // namespace
