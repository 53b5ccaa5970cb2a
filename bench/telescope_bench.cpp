// Guide pulse timing on the real clock, as the far end sees it: for 50, 200
// and 1000 ms pulses over the camera's serial port (LX200 move / quit), the
// camera's guide relays (on / off) and a PC port (a pseudo-terminal), the
// delivered length (move to quit, or relay on to off), the lead-in (call to
// move / on) and the tail (quit / off to the return). Yardstick: the platform
// clock's own WaitMs of the same length, measured the same way. Also the cost
// of a trace point while tracing is off, beside an 8-byte memcpy.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/state.h"
#include "devices/camera.h"
#include "devices/sim/simulator.h"
#include "devices/transport.h"
#include "devices/transport_trace.h"
#include "platform/platform.h"
#include "telescope/lx200.h"
#include "telescope/serial_library.h"
#include "telescope/telescope_link.h"

namespace {

double NowUs() {
    using namespace std::chrono;
    return double(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

// What the far end saw of one pulse, in milliseconds.
struct PulseSeen {
    double lead = 0, length = 0, tail = 0;
};

void Report(benchmark::State& state, const std::vector<PulseSeen>& seen) {
    double lead = 0, length = 0, tail = 0, worst = 0;
    for (const PulseSeen& s : seen) {
        lead += s.lead;
        length += s.length;
        tail += s.tail;
        worst = std::max(worst, std::abs(s.length - double(state.range(0))));
    }
    const double n = seen.empty() ? 1 : double(seen.size());
    state.counters["asked_ms"] = double(state.range(0));
    state.counters["delivered_ms"] = length / n;
    state.counters["worst_error_ms"] = worst;
    state.counters["lead_ms"] = lead / n;
    state.counters["tail_ms"] = tail / n;
}

// The camera handle with every write stamped as it leaves the program.
class StampedCamera : public CameraTransport {
public:
    explicit StampedCamera(std::unique_ptr<CameraTransport> inner) : inner_(std::move(inner)) {}
    TransferResult Write(const uint8_t* data, size_t count) override {
        writes.push_back({NowUs(), Block(data, data + count)});
        return inner_->Write(data, count);
    }
    TransferResult Read(uint8_t* data, size_t count) override { return inner_->Read(data, count); }
    InterfaceIdentity Identity() override { return inner_->Identity(); }
    std::vector<std::pair<double, Block>> writes;

private:
    std::unique_ptr<CameraTransport> inner_;
};

// The simulated camera on the real clock, with the stamped handle.
class CameraRig {
public:
    CameraRig() {
        State().settings.showInterfaceDetails = false;
        InstallEnumerator(&sim_);
        OpenCamera();
        auto stamped = std::make_unique<StampedCamera>(std::move(Link().camera));
        camera = stamped.get();
        Link().camera = std::move(stamped);
        ResetTelescopeLink();
    }
    ~CameraRig() {
        CloseDevices();
        InstallEnumerator(nullptr);
    }
    StampedCamera* camera = nullptr;

private:
    Simulator sim_;
};

void BM_PulseCameraSerial(benchmark::State& state) {
    CameraRig rig;
    State().settings.driveMethod = 'l';
    State().settings.aoPort = 0;
    std::vector<PulseSeen> seen;
    for (auto _ : state) {
        rig.camera->writes.clear();
        TelescopeLink().direction = 'e';
        TelescopeLink().pulseLength = uint32_t(state.range(0));
        const double start = NowUs();
        PulseGuideSerial();
        const double end = NowUs();
        double move = 0, quit = 0;
        for (const auto& [at, b] : rig.camera->writes) {
            if (b.size() >= 13 && b[1] == kWriteSerialPort && b[10] == 'M') move = at;
            if (b.size() >= 13 && b[1] == kWriteSerialPort && b[10] == 'Q') quit = at;
        }
        seen.push_back({(move - start) / 1000, (quit - move) / 1000, (end - quit) / 1000});
    }
    Report(state, seen);
}

void BM_PulseRelay(benchmark::State& state) {
    CameraRig rig;
    State().settings.driveMethod = 'b';
    std::vector<PulseSeen> seen;
    for (auto _ : state) {
        rig.camera->writes.clear();
        TelescopeLink().direction = 'n';
        TelescopeLink().pulseLength = uint32_t(state.range(0));
        const double start = NowUs();
        PulseGuideSerial();
        const double end = NowUs();
        double on = 0, off = 0;
        for (const auto& [at, b] : rig.camera->writes) {
            if (b.size() >= 8 && b[1] == kSetGuideOutputs) (b[2] ? on : off) = at;
        }
        seen.push_back({(on - start) / 1000, (off - on) / 1000, (end - off) / 1000});
    }
    Report(state, seen);
}

// A pseudo-terminal as COM1; a thread at the far end stamps every byte.
class TerminalRig {
public:
    TerminalRig() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master_);
        unlockpt(master_);
        setenv("VELMORA_COM1", ptsname(master_), 1);
        reader_ = std::thread([this] {
            while (!stop_) {
                pollfd p{master_, POLLIN, 0};
                if (poll(&p, 1, 5) <= 0) continue;
                char b[64];
                const ssize_t n = read(master_, b, sizeof b);
                const double at = NowUs();
                std::lock_guard<std::mutex> lock(mutex_);
                for (ssize_t i = 0; i < n; ++i) {
                    line_ += b[i];
                    if (b[i] == '#' && line_.size() > 1) {
                        commands_.push_back({at, line_});
                        line_.clear();
                    } else if (b[i] == '#') {
                        line_ = "#";
                    }
                }
            }
        });
        ResetTelescopeLink();
    }
    ~TerminalRig() {
        ResetTelescopeLink();
        stop_ = true;
        reader_.join();
        close(master_);
        unsetenv("VELMORA_COM1");
    }
    // The arrival time of the last command that begins with `head`.
    double Arrival(const std::string& head) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = commands_.rbegin(); it != commands_.rend(); ++it)
            if (it->second.rfind(head, 0) == 0) return it->first;
        return 0;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        commands_.clear();
    }

private:
    int master_ = -1;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string line_;
    std::vector<std::pair<double, std::string>> commands_;
};

void BM_PulsePcPort(benchmark::State& state) {
    TerminalRig rig;
    State().settings.driveMethod = 'l';
    State().settings.aoPort = 3;
    State().settings.pcComPort = 0;
    std::vector<PulseSeen> seen;
    for (auto _ : state) {
        rig.Clear();
        TelescopeLink().direction = 'w';
        TelescopeLink().pulseLength = uint32_t(state.range(0));
        const double start = NowUs();
        PulseGuideSerial();
        const double end = NowUs();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // the reader catches up
        const double move = rig.Arrival("#:Mw#"), quit = rig.Arrival("#:Qw#");
        seen.push_back({(move - start) / 1000, (quit - move) / 1000, (end - quit) / 1000});
    }
    State().settings.aoPort = 0;
    Report(state, seen);
}

// Yardstick: the platform clock's wait of the same length.
void BM_WaitMsYardstick(benchmark::State& state) {
    std::vector<PulseSeen> seen;
    for (auto _ : state) {
        const double start = NowUs();
        WaitMs(uint32_t(state.range(0)));
        seen.push_back({0, (NowUs() - start) / 1000, 0});
    }
    Report(state, seen);
}

// A trace point with tracing off, beside an 8-byte copy.
void BM_TracePointOff(benchmark::State& state) {
    StartTrace("");
    uint8_t block[8] = {0x40, 10, 0, 0, 0, 0, 5, 0};
    for (auto _ : state) {
        TraceBlock('>', "usb", block, sizeof block);
        benchmark::DoNotOptimize(block);
        benchmark::ClobberMemory();
    }
}

void BM_Memcpy8Yardstick(benchmark::State& state) {
    uint8_t from[8] = {0x40, 10, 0, 0, 0, 0, 5, 0}, to[8];
    for (auto _ : state) {
        std::memcpy(to, from, sizeof to);
        benchmark::DoNotOptimize(to);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_PulseCameraSerial)->Arg(50)->Arg(200)->Arg(1000)->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PulseRelay)->Arg(50)->Arg(200)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PulsePcPort)->Arg(50)->Arg(200)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaitMsYardstick)->Arg(50)->Arg(200)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TracePointOff);
BENCHMARK(BM_Memcpy8Yardstick);

}  // namespace
