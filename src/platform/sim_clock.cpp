#include "platform/sim_clock.h"

SimulatedClock::SimulatedClock(uint32_t startMs, int64_t unixBase) : now_(startMs), unixBase_(unixBase) {}

ScopedSimulatedClock::ScopedSimulatedClock()
    : clock_(1'000'000, Sys().clock ? Sys().clock->UnixSeconds() - 1000 : 0) {
    Platform p = Sys();
    previous_ = p.clock;
    p.clock = &clock_;
    InstallPlatform(p);
}

ScopedSimulatedClock::~ScopedSimulatedClock() {
    Platform p = Sys();
    p.clock = previous_;
    InstallPlatform(p);
}
