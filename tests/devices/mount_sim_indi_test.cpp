// INDI's LX200 drivers against `velmora-cli mount-sim`: indiserver runs each
// driver on a free loopback port; the test speaks INDI's XML over a socket
// (no libindi client), points the driver at the simulator's terminal and
// connects, reads the position, goes to and syncs on a target, moves,
// pulse-guides and aborts; the simulator's command log shows what arrived.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/test_env.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return dir + "/" + name;
    return "";
}

// A child in its own process group (indiserver takes its driver with it).
struct Child {
    pid_t pid = 0;
    ~Child() { Stop(); }
    bool Start(std::vector<std::string> argv, const std::vector<std::string>& env, int out, const std::string& err) {
        std::vector<char*> a, e;
        for (std::string& s : argv) a.push_back(s.data());
        a.push_back(nullptr);
        std::vector<std::string> envCopy = env;
        for (std::string& s : envCopy) e.push_back(s.data());
        e.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0) posix_spawn_file_actions_adddup2(&actions, 2, 1);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attr, 0);
        const int rc = posix_spawn(&pid, a[0], &actions, &attr, a.data(), e.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        if (rc != 0) pid = 0;
        return rc == 0;
    }
    void Stop() {
        if (pid <= 0) return;
        kill(-pid, SIGTERM);
        bool reaped = false;
        for (int i = 0; i < 30 && !reaped; ++i) {
            reaped = waitpid(pid, nullptr, WNOHANG) == pid;
            if (!reaped) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(-pid, SIGKILL);
        if (!reaped) waitpid(pid, nullptr, 0);
        pid = 0;
    }
};

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

// One property vector as last sent: its state and its members' values.
struct Vector {
    std::string state;
    std::map<std::string, std::string> values;
    double Number(const std::string& name) const {
        auto it = values.find(name);
        return it == values.end() ? NAN : std::strtod(it->second.c_str(), nullptr);
    }
};

std::string Attr(const std::string& tag, const std::string& name) {
    const size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos) return "";
    const size_t from = at + name.size() + 3;
    return tag.substr(from, tag.find('"', from) - from);
}

class IndiLink {
public:
    bool Connect(int port) {
        for (int i = 0; i < 100; ++i) {
            fd_ = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in addr{};
            addr.sin_family = AF_INET;
            addr.sin_port = htons(uint16_t(port));
            addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return true;
            close(fd_);
            fd_ = -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    ~IndiLink() {
        if (fd_ >= 0) close(fd_);
    }
    void Send(const std::string& xml) { (void)!write(fd_, xml.data(), xml.size()); }
    void SetNumbers(const std::string& device, const std::string& name, const std::map<std::string, double>& v) {
        std::string xml = "<newNumberVector device=\"" + device + "\" name=\"" + name + "\">";
        for (const auto& [k, x] : v) xml += "<oneNumber name=\"" + k + "\">" + std::to_string(x) + "</oneNumber>";
        Send(xml + "</newNumberVector>");
    }
    void SetSwitch(const std::string& device, const std::string& name, const std::string& element, bool on) {
        Send("<newSwitchVector device=\"" + device + "\" name=\"" + name + "\"><oneSwitch name=\"" + element + "\">" +
             (on ? "On" : "Off") + "</oneSwitch></newSwitchVector>");
    }
    // Reads until `done` holds or the time is up.
    bool Until(const std::function<bool()>& done, int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
            if (left <= 0) return false;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, std::min(left, 50)) > 0) {
                char buffer[65536];
                const ssize_t n = read(fd_, buffer, sizeof buffer);
                if (n <= 0) return done();
                Take(std::string(buffer, size_t(n)));
            }
        }
        return true;
    }
    std::optional<Vector> Get(const std::string& name) const {
        auto it = vectors_.find(name);
        return it == vectors_.end() ? std::nullopt : std::optional<Vector>(it->second);
    }
    const std::string& Device() const { return device_; }
    const std::string& Messages() const { return messages_; }

private:
    // Whole def/set vectors off the front of the input.
    void Take(const std::string& bytes) {
        in_ += bytes;
        for (;;) {
            const size_t open = in_.find('<');
            if (open == std::string::npos) return in_.clear();
            const size_t close = in_.find('>', open);
            if (close == std::string::npos) return;
            std::string tag = in_.substr(open, close - open + 1);
            if (!Attr(tag, "message").empty()) messages_ += Attr(tag, "message") + "\n";
            std::string kind = tag.substr(1, tag.find_first_of(" >/", 1) - 1);
            if (kind.empty() || kind[0] == '/' || kind[0] == '?' || tag[tag.size() - 2] == '/') {
                in_.erase(0, close + 1);
                continue;
            }
            const size_t end = in_.find("</" + kind + ">", close);
            if (end == std::string::npos) return;
            const std::string body = in_.substr(close + 1, end - close - 1);
            in_.erase(0, end + kind.size() + 3);
            if (kind.find("Vector") == std::string::npos) continue;
            if (device_.empty()) device_ = Attr(tag, "device");
            Vector& v = vectors_[Attr(tag, "name")];
            if (!Attr(tag, "state").empty()) v.state = Attr(tag, "state");
            for (size_t p = body.find('<'); p != std::string::npos; p = body.find('<', p + 1)) {
                const size_t q = body.find('>', p);
                const std::string member = body.substr(p, q - p + 1);
                if (member[1] == '/') continue;
                const size_t stop = body.find('<', q);
                std::string value = body.substr(q + 1, stop - q - 1);
                value.erase(0, value.find_first_not_of(" \n\t"));
                value.erase(value.find_last_not_of(" \n\t") + 1);
                v.values[Attr(member, "name")] = value;
            }
        }
    }
    int fd_ = -1;
    std::string in_, device_, messages_;
    std::map<std::string, Vector> vectors_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Driver {
    const char* program;
    const char* simOptions;
    bool moves;  // LX200 Basic has no manual moves ("does not support North/South motion")
};

class MountSimIndiTest : public VelmoraTest, public ::testing::WithParamInterface<Driver> {};

TEST_P(MountSimIndiTest, DriverConnectsGoesToSyncsMovesGuidesAndAborts) {
    const std::string server = FindProgram("indiserver"), driver = FindProgram(GetParam().program);
    if (server.empty() || driver.empty()) GTEST_SKIP() << "indiserver or " << GetParam().program << " is not installed";
    const auto started = Clock::now();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("VELMORA_", 0) != 0 && entry.rfind("HOME=", 0) != 0) env.push_back(entry);
    }
    env.push_back("VELMORA_HOME=" + home);
    env.push_back("HOME=" + home);  // the drivers keep their configuration there

    // The simulator prints its terminal on the first line.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    Child sim;
    std::vector<std::string> simArgs{VELMORA_CLI, "mount-sim"};
    std::istringstream options(GetParam().simOptions);
    for (std::string word; options >> word;) simArgs.push_back(word);
    const std::string simLog = home + "/mount-sim.log";
    ASSERT_TRUE(sim.Start(simArgs, env, pipeFds[1], simLog));
    close(pipeFds[1]);
    std::string terminal;
    char c = 0;
    while (read(pipeFds[0], &c, 1) == 1 && c != '\n') terminal += c;
    close(pipeFds[0]);
    ASSERT_EQ(terminal.rfind("/dev/", 0), 0u) << terminal;

    Child indi;
    const int port = FreePort();
    ASSERT_TRUE(indi.Start({server, "-p", std::to_string(port), "-u", home + "/indi.socket", "-r", "0", driver}, env, -1,
                           home + "/indiserver.log"));
    IndiLink link;
    ASSERT_TRUE(link.Connect(port));
    link.Send("<getProperties version=\"1.7\"/>");
    ASSERT_TRUE(link.Until([&] { return link.Get("DEVICE_PORT") && link.Get("CONNECTION"); }, 3000));
    const std::string dev = link.Device();
    link.Send("<newTextVector device=\"" + dev + "\" name=\"DEVICE_PORT\"><oneText name=\"PORT\">" + terminal +
              "</oneText></newTextVector>");
    link.SetSwitch(dev, "CONNECTION", "CONNECT", true);
    const auto connecting = Clock::now();
    ASSERT_TRUE(link.Until([&] { return link.Get("CONNECTION")->state == "Ok" && link.Get("EQUATORIAL_EOD_COORD"); },
                           3000))
        << ReadFile(home + "/indiserver.log");
    // At once: no query of the connect sequence waits for a time-out.
    EXPECT_LT(Clock::now() - connecting, std::chrono::milliseconds(1500));
    link.SetNumbers(dev, "POLLING_PERIOD", {{"PERIOD_MS", 200}});

    // At a position, and done moving (before the first go-to the state is
    // still Idle).
    auto at = [&](double ra, double dec) {
        return [&link, ra, dec] {
            const auto v = link.Get("EQUATORIAL_EOD_COORD");
            return v && (v->state == "Ok" || v->state == "Idle") && std::fabs(v->Number("RA") - ra) < 0.002 &&
                   std::fabs(v->Number("DEC") - dec) < 0.02;
        };
    };
    // The position the simulator starts at: 06:00:00 +30*00.
    EXPECT_TRUE(link.Until(at(6.0, 30.0), 3000));
    // Go to 05:30:45 +22*10:30; the seconds arrive.
    link.SetSwitch(dev, "ON_COORD_SET", "TRACK", true);
    link.SetNumbers(dev, "EQUATORIAL_EOD_COORD", {{"RA", 5.5125}, {"DEC", 22.175}});
    EXPECT_TRUE(link.Until(at(5.5125, 22.175), 6000)) << link.Get("EQUATORIAL_EOD_COORD")->Number("RA");
    // Sync on 05:40:00 +23*00.
    link.SetSwitch(dev, "ON_COORD_SET", "SYNC", true);
    link.SetNumbers(dev, "EQUATORIAL_EOD_COORD", {{"RA", 5.0 + 40 / 60.0}, {"DEC", 23.0}});
    EXPECT_TRUE(link.Until(at(5.0 + 40 / 60.0, 23.0), 3000));
    // A move north and its stop, a pulse west, then abort.
    link.SetSwitch(dev, "TELESCOPE_MOTION_NS", "MOTION_NORTH", true);
    link.Until([] { return false; }, 300);
    link.SetSwitch(dev, "TELESCOPE_MOTION_NS", "MOTION_NORTH", false);
    const bool guides = link.Get("TELESCOPE_TIMED_GUIDE_WE").has_value();
    if (guides) {
        if (link.Get("Use Pulse Cmd")) link.SetSwitch(dev, "Use Pulse Cmd", "On", true);
        link.SetNumbers(dev, "TELESCOPE_TIMED_GUIDE_WE", {{"TIMED_GUIDE_W", 400}});
        link.Until([] { return false; }, 600);
    }
    link.SetSwitch(dev, "TELESCOPE_ABORT_MOTION", "ABORT", true);
    link.Until([] { return false; }, 300);
    indi.Stop();
    sim.Stop();

    const std::string log = ReadFile(simLog);
    std::vector<const char*> commands{":GR#", ":GD#", ":MS#", ":CM#", ":Q#"};
    if (GetParam().moves) commands.insert(commands.end(), {":Mn#", ":Qn#"});
    for (const char* command : commands)
        EXPECT_NE(log.find(command), std::string::npos) << command << "\n" << log << link.Messages();
    // The target's seconds, with or without a space after the command.
    EXPECT_TRUE(log.find(":Sr05:30:45#") != std::string::npos || log.find(":Sr 05:30:45#") != std::string::npos)
        << log;
    EXPECT_TRUE(log.find(":Sd+22*10:30#") != std::string::npos || log.find(":Sd +22*10:30#") != std::string::npos)
        << log;
    if (guides)
        EXPECT_NE(log.find(":Mgw0400#"), std::string::npos) << log;
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(15));
}

INSTANTIATE_TEST_SUITE_P(Lx200Drivers, MountSimIndiTest,
                         ::testing::Values(Driver{"indi_lx200basic", "", false}, Driver{"indi_lx200classic", "", true},
                                           Driver{"indi_lx200generic", "--low-precision", true},
                                           Driver{"indi_lx200autostar", "--autostar", true}),
                         [](const ::testing::TestParamInfo<Driver>& info) {
                             return std::string(info.param.program).substr(5);
                         });

}  // namespace
