// velmora-cli mount-sim [--autostar] [--low-precision] [--seed N]: a
// simulated LX200 (or Autostar) mount with an AO unit on a pseudo-terminal,
// answering as such a mount does (any LX200 client can drive it; its clock
// is the system's). Prints the terminal's path on the first line, serves
// until SIGINT or SIGTERM and logs every command it receives, with the
// clock, on standard error (the ACK byte as "<ACK>"). A program run with
// VELMORA_COM1=<path> then reaches it over a real serial device file.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "core/cli.h"
#include "settings/cli_support.h"
#include "devices/sim/sim_serial_peers.h"
#include "devices/sim/mount_model.h"
#include "platform/platform.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnSignal(int) { stopRequested = 1; }

int RunMountSim(const CliArgs& input) {
    CliArgs args = input;
    const bool autostar = TakeFlag(args, "--autostar");
    const bool lowPrecision = TakeFlag(args, "--low-precision");
    uint64_t seed = 1;
    if (auto text = TakeOption(args, "--seed")) seed = std::strtoull(text->c_str(), nullptr, 10);
    if (!args.empty()) {
        std::fprintf(stderr, "usage: velmora-cli mount-sim [--autostar] [--low-precision] [--seed N]\n");
        return 2;
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("mount-sim: cannot open a pseudo-terminal");
        return 1;
    }
    const std::string path = ptsname(master);
    // Holding the terminal open keeps it alive between clients; raw mode so
    // nothing is echoed or edited before a client sets its own.
    const int slave = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios t{};
        if (tcgetattr(slave, &t) == 0) {
            cfmakeraw(&t);
            cfsetispeed(&t, B9600);
            cfsetospeed(&t, B9600);
            tcsetattr(slave, TCSANOW, &t);
        }
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    MountModel model({}, NowMs());
    Lx200Config config;
    config.autostar = autostar;
    config.seed = seed;
    config.highPrecision = !lowPrecision;
    config.utcAtStartS = int64_t(std::time(nullptr));
    config.startMs = NowMs();
    Lx200Mount mount(&model, config);
    AoUnit ao(&model);
    SerialSplitter line({&mount, &ao});
    const uint32_t start = NowMs();
    auto log = [start](uint32_t now, const std::string& text) {
        const uint32_t ms = now - start;
        std::fprintf(stderr, "%u.%03u %s\n", ms / 1000, ms % 1000, text.c_str());
        std::fflush(stderr);
    };
    mount.onCommand = [&](uint32_t now, const std::string& c) { log(now, c == "\x06" ? "<ACK>" : ":" + c + "#"); };
    ao.onCommand = [&](uint32_t now, const std::string& c) { log(now, c); };

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::fprintf(stderr, "mount-sim: %s on %s\n", autostar ? "Autostar" : "LX200", path.c_str());
    while (!stopRequested) {
        pollfd p{master, POLLIN, 0};
        const int ready = poll(&p, 1, 1);
        if (ready > 0 && (p.revents & POLLIN)) {
            uint8_t bytes[256];
            const ssize_t n = read(master, bytes, sizeof bytes);
            if (n > 0) line.Receive(bytes, size_t(n), NowMs());
        }
        const std::vector<uint8_t> answer = line.Answer(256, NowMs());
        if (!answer.empty() && write(master, answer.data(), answer.size()) < 0) break;
    }
    std::fprintf(stderr, "mount-sim: stopped\n");
    if (slave >= 0) close(slave);
    close(master);
    return 0;
}

const bool registered = RegisterCliCommand({"mount-sim", "[--autostar] [--low-precision] [--seed N]", RunMountSim});

}  // namespace
