// A simulated millisecond clock: every wait advances it at once, so a long
// loop (ten minutes of guiding) runs in the time its computing takes. The
// command-line runs on the simulator install it; the simulated sky and mount
// read the same clock through NowMs(), so they move with it.
#pragma once
#include <cstdint>

#include "platform/platform.h"

class SimulatedClock : public Clock {
public:
    // startMs: the clock's first reading; unixBase: wall-clock seconds at 0.
    explicit SimulatedClock(uint32_t startMs = 1'000'000, int64_t unixBase = 0);
    uint32_t Milliseconds() override { return now_; }
    void WaitMs(uint32_t ms) override { now_ += ms; }
    int64_t UnixSeconds() override { return unixBase_ + now_ / 1000; }
    void Advance(uint32_t ms) { now_ += ms; }

private:
    uint32_t now_;
    int64_t unixBase_;
};

// Installs a simulated clock as the platform clock for the life of the
// object (the wall-clock base is taken from the clock in force) and puts the
// previous one back.
class ScopedSimulatedClock {
public:
    ScopedSimulatedClock();
    ~ScopedSimulatedClock();
    ScopedSimulatedClock(const ScopedSimulatedClock&) = delete;
    ScopedSimulatedClock& operator=(const ScopedSimulatedClock&) = delete;
    SimulatedClock& clock() { return clock_; }

private:
    SimulatedClock clock_;
    Clock* previous_ = nullptr;
};
