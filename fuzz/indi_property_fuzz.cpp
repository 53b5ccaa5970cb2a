// The INDI driver's handling of new property values, without indiserver: a
// run of binnings, frames, exposures (some aborted), guider exposures, guide
// pulses, filter slots and filter names, each taken as the driver takes it
// and carried out on the simulated camera. Frame values are 16-bit, so values
// outside the sensor and below zero are tried; the exposure times are those
// the exposure property lets through (1 ms to 90 minutes).
#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/exposure_sequence.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/filter_wheel.h"
#include "devices/sim/simulator.h"
#include "fuzz_support.h"
#include "platform/platform.h"
#include "settings/ini_rules.h"
#include "settings/settings_file.h"
#include "velmora_indi_core.h"

using namespace velmora_indi;

namespace {

fuzz::StepClock simClock;
MessageRecorder messages;
ScopedSimulator* sim = nullptr;

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), left_(size) {}
    bool Empty() const { return left_ == 0; }
    uint8_t Byte() {
        if (!left_) return 0;
        --left_;
        return *data_++;
    }
    int Short() { return int16_t(uint16_t(Byte() | Byte() << 8)); }
    uint32_t Word() { return uint32_t(Byte()) | uint32_t(Byte()) << 8 | uint32_t(Byte()) << 16 | uint32_t(Byte()) << 24; }
    std::string Text() {
        std::string t;
        for (uint8_t n = Byte() % 40; n && left_; --n) t += char(Byte());
        return t;
    }

private:
    const uint8_t* data_;
    size_t left_;
};

// What the driver's properties hold between changes.
struct Chip {
    int binX = 1, binY = 1;
    SensorFrame frame;
};

void Start() {
    static bool started = false;
    if (started) return;
    started = true;
    fuzz::Start();
    Platform p = Sys();
    p.clock = &simClock;
    p.messages = &messages;
    InstallPlatform(p);
    // The smallest sensor of the model table (1304 x 1024, not square):
    // every pixel of a read is drawn with its noise.
    SimulatorConfig config;
    config.camera.model = 1;
    config.camera.pid = 0x0505;
    // Made by the static below, so that it goes before the device state it
    // uses at the end of the process.
    static ScopedSimulator made(config);
    sim = &made;
    // The driver's own connect with that model configured once the settings
    // are read, as the command line's --model does.
    State().geometry.modelCode = 1;
    ApplyCameraModel();
    const bool connected = ::ConnectCamera([] {
        State().settings.manualModel = 1;
        State().settings.configuredPid = "0505";
    });
    if (!connected) std::abort();
    if (State().geometry.sensorWidth != 1304) std::abort();
}

// The exposure clock over a whole exposure from `start` (any time, so the
// millisecond counter may wrap): it looks again at least once a second and
// at each step, never ends early, and counts the time left down.
void CheckExposureClock(uint32_t start, int32_t ms) {
    ExposureClock exposure;
    exposure.Start(start, ms);
    uint32_t now = start;
    const int most = ms / 1000 + ms / 2005 + 4;
    for (int steps = 0;; ++steps) {
        if (steps > most) std::abort();
        const ExposureClock::Due due = exposure.Step(now);
        if (due == ExposureClock::Due::ReadOut) break;
        const double left = exposure.SecondsLeft(now);
        if (left < 0 || left > ms / 1000.0) std::abort();
        const uint32_t wake = exposure.WakeMs(now);
        if (wake < 1 || wake > 1000) std::abort();
        now += wake;
    }
    if (exposure.HostTimed() && now - start < uint32_t(ms)) std::abort();
}

// A main exposure as the driver runs it: the checks, the plan, the clock's
// steps (an abort after `abortAfter` of them), the read into a buffer of the
// planned size. The simulated camera sees at most 20 s: the sky of a long
// exposure costs much and tells the driver's rules nothing new.
void MainExposure(const Chip& chip, uint32_t ms, uint32_t start, int abortAfter) {
    CheckExposureClock(start, int32_t(ms));
    const ImageGeometry& g = State().geometry;
    if (!BinningOffered(chip.binX, chip.binY)) {
        if (BinningRefusal(chip.binX, chip.binY).empty()) std::abort();
        return;
    }
    if (!FrameFits(chip.frame, std::max(chip.binX, chip.binY), g.sensorWidth, g.sensorHeight)) return;
    const MainRead read = PlanMainRead(chip.binX, chip.binY, chip.frame, g.sensorWidth, g.sensorHeight);
    if (read.Width() < 1 || read.Height() < 1 || read.Width() > g.sensorWidth || read.Height() > g.sensorHeight)
        std::abort();
    const ReadWindow& w = read.window;
    if (w.x < 0 || w.y < 0 || w.x + w.width > g.sensorWidth || w.y + w.height > g.sensorHeight) std::abort();
    std::vector<uint16_t> buffer(size_t(read.Width()) * size_t(read.Height()));

    const int32_t deviceMs = int32_t(std::min<uint32_t>(ms, 20000));
    BeginMainExposure(deviceMs, false);
    ExposureClock exposure;
    exposure.Start(simClock.now, deviceMs);
    for (int steps = 0;; ++steps) {
        if (steps == abortAfter) return;
        const ExposureClock::Due due = exposure.Step(simClock.now);
        if (due == ExposureClock::Due::ReadOut) break;
        if (due == ExposureClock::Due::RegisterClear) ClearRegisters();
        simClock.now += exposure.WakeMs(simClock.now);
    }
    ReadMainExposure(read, exposure.ExposureMs(), false, buffer.data());
}

void GuiderExposure(const Chip& chip, uint32_t ms) {
    const char type = State().settings.guiderType;
    if (!GuiderFrameFits(chip.frame, chip.binX, chip.binY, GuiderFrameWidth())) return;
    const GuiderRead plan = PlanGuiderRead(chip.frame, chip.binX, chip.binY, type);
    if (plan.x < 0 || plan.y < 0 || plan.w < 1 || plan.h < 1 || plan.x + plan.w > plan.readW ||
        plan.y + plan.h > plan.readH || plan.Width() < 1 || plan.Height() < 1)
        std::abort();
    std::vector<uint16_t> buffer(size_t(plan.Width()) * size_t(plan.Height()));
    if (!StartGuiderExposure()) return;
    simClock.now += std::max<uint32_t>(1, ms);
    ReadGuiderExposure(plan, ms, buffer.data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Start();
    // The simulator's record of every write would grow run by run.
    (*sim)->ClearRecords();
    Input in(data, size);
    State().settings.guiderType = (in.Byte() & 1) ? 's' : 'w';
    const ImageGeometry& g = State().geometry;
    Chip main, guider;
    main.frame = {0, 0, g.sensorWidth, g.sensorHeight};
    guider.frame = {0, 0, GuiderFrameWidth(), kGuiderRows};
    GuideRelays relays;
    int exposures = 0;
    while (!in.Empty()) {
        const uint8_t op = in.Byte();
        Chip& chip = op & 0x80 ? guider : main;
        switch (op & 0x7f) {
            case 0: {  // CCD_BINNING / GUIDER_BINNING
                const int hor = int8_t(in.Byte()), ver = int8_t(in.Byte());
                if (BinningOffered(hor, ver)) {
                    chip.binX = hor;
                    chip.binY = ver;
                }
                break;
            }
            case 1: {  // CCD_FRAME / GUIDER_FRAME
                const SensorFrame f{in.Short(), in.Short(), in.Short(), in.Short()};
                const bool fits = &chip == &main ? FrameFits(f, 1, g.sensorWidth, g.sensorHeight)
                                                 : GuiderFrameFits(f, 1, 1, GuiderFrameWidth());
                if (fits) chip.frame = f;
                break;
            }
            case 2: {  // CCD_EXPOSURE / GUIDER_EXPOSURE
                const uint32_t ms = in.Word() % 5'400'000 + 1;
                const uint32_t start = in.Word();
                const int abortAfter = int8_t(in.Byte());
                if (++exposures > 3) break;
                if (&chip == &main)
                    MainExposure(chip, ms, start, abortAfter);
                else
                    GuiderExposure(chip, ms % 100'000 + 1);
                break;
            }
            case 3: {  // TELESCOPE_TIMED_GUIDE_NS / _WE
                const auto d = GuideDirection(in.Byte() % 4);
                const uint32_t ms = in.Word();
                if (!SetRelays(relays.Start(d))) break;
                const uint8_t bits = relays.Bits();
                // Never both relays of one axis.
                if ((bits & 6) == 6 || (bits & 9) == 9) std::abort();
                if (in.Byte() & 1) {
                    simClock.now += std::max<uint32_t>(1, ms % 10'000);
                    SetRelays(relays.Stop(AxisOf(d)));
                }
                break;
            }
            case 4:  // FILTER_SLOT
                SelectFilter(int8_t(in.Byte()));
                break;
            case 5: {  // FILTER_NAME
                std::array<std::string, 8> names = State().settings.filterNames;
                for (int i = 1; i < 8; ++i) names[size_t(i)] = in.Text();
                ApplyFilterDetails(State().settings, State().settings.filterCount, names);
                break;
            }
            default:
                break;
        }
        JoinMessages(messages.Take());
    }
    SetRelays(relays.Stop(GuideAxis::NorthSouth));
    SetRelays(relays.Stop(GuideAxis::WestEast));
    return 0;
}
