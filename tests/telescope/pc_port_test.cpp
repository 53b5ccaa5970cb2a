// The PC route over real serial device files: libserialport on a
// pseudo-terminal (the test holds the other end), an absent device, a
// terminal that goes away, and the whole route to `velmora-cli mount-sim`.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <thread>

#include "telescope/lx200.h"
#include "telescope_fixture.h"

namespace {

using Strings = std::vector<std::string>;

// Real devices answer in real time: these tests wait on a real clock.
class RealClock : public Clock {
public:
    uint32_t Milliseconds() override {
        using namespace std::chrono;
        return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void WaitMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    int64_t UnixSeconds() override { return 1'700'000'000; }
};

class PcPortTest : public TelescopeTest {
protected:
    void SetUp() override {
        TelescopeTest::SetUp();
        InstallSerialLibrary(nullptr);  // libserialport
        fakeClock = Sys().clock;
        Sys().clock = &realClock;
        S().aoPort = 3;
        S().pcComPort = 0;
    }
    void TearDown() override {
        ResetTelescopeLink();
        Sys().clock = fakeClock;
        if (master >= 0) close(master);
        unsetenv("VELMORA_COM1");
        TelescopeTest::TearDown();
    }
    RealClock realClock;
    Clock* fakeClock = nullptr;
    // A pseudo-terminal whose far end is COM1.
    void OpenTerminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        setenv("VELMORA_COM1", ptsname(master), 1);
    }
    // What arrived at the far end within `ms` real milliseconds.
    std::string Arrived(int ms = 300) {
        std::string got;
        pollfd p{master, POLLIN, 0};
        while (poll(&p, 1, ms) > 0) {
            char b[256];
            const ssize_t n = read(master, b, sizeof b);
            if (n <= 0) break;
            got.append(b, size_t(n));
            ms = 30;
        }
        return got;
    }
    int master = -1;
};

TEST_F(PcPortTest, AbsentDeviceGivesErrorAndOpenFailure) {
    setenv("VELMORA_COM1", "/nonexistent/ttyVELMORA", 1);
    SendSerialCommand(0, "#:RG#", 5);
    EXPECT_EQ(MessageTexts(), (Strings{"ERROR -4 \nOpen Communications Failed"}));
    EXPECT_FALSE(TelescopeLink().comOpen);
    EXPECT_EQ(ReadSerialReply(0, 33), "");  // tries again, fails again, empty
    EXPECT_EQ(TelescopeLink().scopeInfo, "");
}

TEST_F(PcPortTest, CommandsAndAnswersOverATerminal) {
    OpenTerminal();
    EXPECT_EQ(OpenComPort(), 1);
    SendSerialCommand(0, "#:GR#", 5);
    EXPECT_EQ(Arrived(), "#:GR#");
    ASSERT_EQ(write(master, "12:34:56#", 9), 9);
    ReadSerialReply(0, 33);
    EXPECT_EQ(TelescopeLink().scopeInfo, "12:34:56");
    // A mount that never answers: the read times out and the program goes on.
    ReadSerialReply(0, 33);
    EXPECT_EQ(TelescopeLink().scopeInfo, "");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PcPortTest, TerminalThatClosesGivesErrorAndClosesThePort) {
    OpenTerminal();
    SendSerialCommand(0, "#:RG#", 5);
    ASSERT_TRUE(TelescopeLink().comOpen);
    close(master);
    master = -1;
    ReadSerialReply(0, 33);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown[0].text.rfind("ERROR -", 0), 0u);
    EXPECT_FALSE(TelescopeLink().comOpen);
    messages.shown.clear();
    SendSerialCommand(0, "#:Qe#", 5);  // the device is gone: the open fails
    EXPECT_EQ(MessageTexts().back(), "ERROR -4 \nOpen Communications Failed");
}

// The simulated mount in its own process on a pseudo-terminal.
class MountSimProcess {
public:
    explicit MountSimProcess(const std::string& home, bool autostar = false) {
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            close(out[0]);
            close(err[0]);
            setenv("VELMORA_HOME", home.c_str(), 1);
            execl(VELMORA_CLI, VELMORA_CLI, "mount-sim", "--seed", "3", autostar ? "--autostar" : nullptr,
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
        // The first line is the terminal's path.
        char c;
        while (read(out_, &c, 1) == 1 && c != '\n') path += c;
    }
    // Stops it with SIGTERM; returns its exit status and its log.
    int Stop(std::string& log) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        char b[4096];
        ssize_t n;
        while ((n = read(err_, b, sizeof b)) > 0) log.append(b, size_t(n));
        close(out_);
        close(err_);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string path;

private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
};

TEST_F(PcPortTest, WholeRouteToMountSim) {
    MountSimProcess sim(home);
    ASSERT_EQ(sim.path.rfind("/dev/", 0), 0u) << sim.path;
    setenv("VELMORA_COM1", sim.path.c_str(), 1);
    EXPECT_EQ(GotoCatalogue('m', 31), "0");
    EXPECT_EQ(TelescopeLink().scopeInfo, "M31 GALAXY MAG 3.4");
    ReadPosition(false);
    EXPECT_TRUE(std::regex_match(TelescopeLink().raText, std::regex(R"(\d\d:\d\d:\d\d)"))) << TelescopeLink().raText;
    EXPECT_TRUE(std::regex_match(TelescopeLink().decText, std::regex(R"([+-]\d\d\*\d\d'\d\d)")))
        << TelescopeLink().decText;
    EXPECT_EQ(GotoCoordinates(2, 0, -80, 0), "1Object Below Horizon");
    EXPECT_TRUE(messages.shown.empty());
    ResetTelescopeLink();
    std::string log;
    EXPECT_EQ(sim.Stop(log), 0);
    EXPECT_NE(log.find(":LM 0031#"), std::string::npos) << log;
    EXPECT_NE(log.find(":Sd -80*00#"), std::string::npos) << log;
}

TEST_F(PcPortTest, AutostarPositionThroughMountSim) {
    MountSimProcess sim(home, true);
    setenv("VELMORA_COM1", sim.path.c_str(), 1);
    ReadPosition(true);
    EXPECT_EQ(TelescopeLink().raText, "06:00:00");
    EXPECT_EQ(TelescopeLink().decText, "+30*00'00");
    ResetTelescopeLink();
    std::string log;
    EXPECT_EQ(sim.Stop(log), 0);
    EXPECT_NE(log.find("Autostar"), std::string::npos) << log;
}

TEST_F(PcPortTest, CliScopeOverThePcRoute) {
    MountSimProcess sim(home);
    setenv("VELMORA_COM1", sim.path.c_str(), 1);
    ASSERT_EQ(RunVelmoraCli(home, "settings set driveMethod l").status, 0);
    ASSERT_EQ(RunVelmoraCli(home, "settings set aoPort 3").status, 0);
    const CliResult r = RunVelmoraCli(home, "scope --simulate goto-messier 42");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Info from Scope: M42 NEBULA MAG 4.0\nSlew answer: 0\n"), std::string::npos)
        << r.output;
    std::string log;
    sim.Stop(log);
    EXPECT_NE(log.find(":LM 0042#"), std::string::npos) << log;
}

}  // namespace
