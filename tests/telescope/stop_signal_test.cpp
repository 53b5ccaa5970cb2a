// A stop signal during a guide pulse: the stop is on the wire within 300 ms
// of the signal and velmora-cli exits with 128 + the signal. These run a real
// process on the real clock (a pulse of 8 s cut after 0.5 s), so each case
// takes under a second; on the fake clock the same rule is checked by the
// pulse code's own test below.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/stop_signal.h"
#include "telescope/ao.h"
#include "telescope/lx200.h"
#include "telescope/motion_stop.h"
#include "telescope_fixture.h"

namespace {

using SteadyTime = std::chrono::steady_clock;

double MsBetween(SteadyTime::time_point a, SteadyTime::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// velmora-cli with VELMORA_HOME=home and the extra variables, its output
// thrown away.
pid_t StartCli(const std::string& home, const std::vector<std::string>& args,
               const std::vector<std::pair<std::string, std::string>>& env) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("VELMORA_HOME", home.c_str(), 1);
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv{const_cast<char*>(VELMORA_CLI)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(VELMORA_CLI, argv.data());
        _exit(127);
    }
    return pid;
}

int ExitStatus(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class StopSignalTest : public TelescopeTest {
protected:
    void Set(const std::string& name, const std::string& value) {
        ASSERT_EQ(RunVelmoraCli(home, "settings set " + name + " " + value).status, 0);
    }
};

// The PC route to a terminal the test holds: "#:Mw#" goes out, the signal
// comes 0.5 s later, "#:Qw#" must follow within 300 ms.
TEST_F(StopSignalTest, LxPulseOnATerminalIsQuitWithin300MsOfEachSignal) {
    Set("driveMethod", "l");
    Set("aoPort", "3");
    Set("pcComPort", "0");
    for (const int sig : kSignals) {
        SCOPED_TRACE(strsignal(sig));
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        const std::string path = ptsname(master);
        const int slave = open(path.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        // --simulate for the camera the telescope control opens; the PC port
        // is the terminal all the same.
        const pid_t pid = StartCli(home, {"scope", "--simulate", "pulse", "w", "8000"}, {{"VELMORA_COM1", path}});
        std::string got;
        SteadyTime::time_point signalled{}, quit{};
        const SteadyTime::time_point start = SteadyTime::now();
        bool sent = false;
        while (MsBetween(start, SteadyTime::now()) < 5000) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 1) > 0) {
                char b[256];
                const ssize_t n = read(master, b, sizeof b);
                if (n > 0) got.append(b, size_t(n));
            }
            const size_t move = got.find("#:Mw#");
            if (!sent && move != std::string::npos && MsBetween(start, SteadyTime::now()) > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                kill(pid, sig);
                signalled = SteadyTime::now();
                sent = true;
            }
            if (sent && got.find("#:Qw#", move) != std::string::npos) {
                quit = SteadyTime::now();
                break;
            }
        }
        ASSERT_TRUE(sent) << got;
        ASSERT_NE(got.find("#:Qw#"), std::string::npos) << got;
        EXPECT_LT(MsBetween(signalled, quit), 300);
        EXPECT_EQ(ExitStatus(pid), 128 + sig);
        EXPECT_EQ(got, "#:RG##:Mw##:Qw#");
        close(slave);
        close(master);
    }
}

// The relay route on the simulated camera: the West relay closes, the signal
// comes 0.5 s later, the release shows in the transport trace within 300 ms.
TEST_F(StopSignalTest, RelayPulseOnTheSimulatedCameraIsReleasedWithin300MsOfEachSignal) {
    Set("driveMethod", "b");
    const std::string on = "> usb 40 09 01 00 00 00 00 00";
    const std::string off = "> usb 40 09 00 00 00 00 00 00";
    for (const int sig : kSignals) {
        SCOPED_TRACE(strsignal(sig));
        const std::string trace = HomePath("trace" + std::to_string(sig) + ".txt");
        const pid_t pid = StartCli(home, {"scope", "--simulate", "pulse", "w", "8000"}, {{"VELMORA_TRACE", trace}});
        auto Read = [&] {
            std::ifstream in(trace);
            std::stringstream s;
            s << in.rdbuf();
            return s.str();
        };
        const SteadyTime::time_point start = SteadyTime::now();
        std::string text;
        while (MsBetween(start, SteadyTime::now()) < 5000 && (text = Read()).find(on) == std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const size_t closed = text.find(on);
        ASSERT_NE(closed, std::string::npos) << text;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        kill(pid, sig);
        const SteadyTime::time_point signalled = SteadyTime::now();
        while (MsBetween(signalled, SteadyTime::now()) < 2000 && (text = Read()).find(off, closed) == std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const double released = MsBetween(signalled, SteadyTime::now());
        ASSERT_NE(text.find(off, closed), std::string::npos) << text;
        EXPECT_LT(released, 300);
        EXPECT_EQ(ExitStatus(pid), 128 + sig);
    }
}

// The pulse code on the fake clock (whose waits jump to their end): a signal
// noted during the pulse still lets the pulse send its stop, and the program
// leaves with 128 + the signal after it; the next pulse never starts.
int leftWith = 0;
void RecordExit(int status) { leftWith = status; }

TEST_F(StopSignalTest, SignalDuringAPulseQuitsAtOnceThenLeaves) {
    for (const char drive : {'l', 'b'}) {
        SCOPED_TRACE(drive);
        S().driveMethod = drive;
        sim->sim().ClearRecords();
        leftWith = 0;
        SetStopExit(RecordExit);
        const uint32_t start = clock.now;
        clock.onAdvance = [&](uint32_t now) {
            if (now - start >= 500) NoteStopSignal(SIGTERM);
        };
        TelescopeLink().direction = 'w';
        TelescopeLink().pulseLength = 8000;
        PulseGuideSerial();
        EXPECT_EQ(leftWith, 128 + SIGTERM);
        leftWith = 0;
        const size_t writes = sim->sim().CameraWrites().size();
        PulseGuideSerial();  // leaves before it starts
        EXPECT_EQ(sim->sim().CameraWrites().size(), writes);
        clock.onAdvance = nullptr;
        NoteStopSignal(0);
        SetStopExit(nullptr);
        EXPECT_EQ(leftWith, 128 + SIGTERM);
        if (drive == 'l') {
            EXPECT_EQ(Texts(TelescopePort()), (std::vector<std::string>{"#:RG#", "#:Mw#", "#:Qw#"}));
        } else {
            const std::vector<SimCameraWrite>& w = sim->sim().CameraWrites();
            ASSERT_EQ(w.size(), 2u);
            EXPECT_EQ(w[0].bytes[2], 1);  // West closed
            EXPECT_EQ(w[1].bytes[2], 0);  // released
        }
    }
}

}  // namespace

namespace {

// The stop of every running motion goes out on each route that still
// answers: with the camera's serial line closed the quits are tried and
// fail, the relays are released all the same. (The camera records every
// request it was sent, taken or not.)
TEST_F(StopSignalTest, EveryRunningMotionIsStoppedOnEachRouteThatAnswers) {
    const std::vector<std::string> stops{"#:Qn#", "#:Qs#", "#:Qe#", "#:Qw#", "#:FQ#"};
    S().driveMethod = 'l';
    for (const bool serialLost : {false, true}) {
        SCOPED_TRACE(serialLost);
        StartMove(kRateGuide, MoveCommand('e'));
        StartFocus(kFocusFast, kFocusIn);
        ASSERT_TRUE(WriteRelays(RelayBit('n')));
        SimulatorConfig config = sim->sim().Config();
        config.faultsAt.serialLostS = serialLost ? 0 : -1;
        sim->sim().Configure(config);  // clears the records
        messages.shown.clear();
        StopRunningMotions();
        EXPECT_EQ(Texts(TelescopePort()), stops);
        EXPECT_EQ(messages.shown.size(), serialLost ? stops.size() : 0u);
        EXPECT_EQ(sim->sim().RelayBits(), 0);
        const RunningMotions& m = Running();
        EXPECT_TRUE(m.move == 0 && !m.focusing && m.relays == 0);
    }
}

// A serial line that closes during a pulse: the quit fails, the pulse says
// so (guiding then ends), and nothing is left marked as running; an AO step
// on that line fails the same way.
TEST_F(StopSignalTest, PulseWhoseQuitFailsReportsIt) {
    S().driveMethod = 'l';
    SimulatorConfig config = sim->sim().Config();
    config.faultsAt.serialLostS = 0.5;
    sim->sim().Configure(config);
    TelescopeLink().direction = 'w';
    TelescopeLink().pulseLength = 2000;
    EXPECT_FALSE(PulseGuideSerial());
    const std::vector<Sent> sent = SerialWrites(TelescopePort());
    ASSERT_EQ(Texts(TelescopePort()), (std::vector<std::string>{"#:RG#", "#:Mw#", "#:Qw#"}));
    EXPECT_EQ(sent[2].atMs - sent[1].atMs, 2000u);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Could not write CAMIO Output - try rebooting USB device"}));
    EXPECT_EQ(Running().move, 0);
    // An AO step on the closed line says so too.
    S().aoPort = 0;
    S().aoOption = false;
    EXPECT_FALSE(AoStep(5, 'n'));
}

// A relay left closed by a crash opens again at the camera's first use.
TEST_F(StopSignalTest, FirstCameraUseReleasesTheRelays) {
    CloseDevices();
    sim->sim().Mount().SetRelays(RelayBit('w'), clock.now);
    ASSERT_EQ(sim->sim().RelayBits(), RelayBit('w'));
    ASSERT_TRUE(OpenCamera());
    EXPECT_EQ(sim->sim().RelayBits(), 0);
}

}  // namespace
