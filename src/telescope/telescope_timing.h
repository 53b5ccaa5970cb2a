// Waits of the telescope code: deadlines on the platform clock, compared as
// unsigned milliseconds (the clock may wrap). A stop signal ends the wait
// early, so the motion it times is stopped at once.
#pragma once
#include <cstdint>

#include "platform/platform.h"
#include "platform/stop_signal.h"

inline void WaitUntil(uint32_t deadlineMs) {
    for (;;) {
        const uint32_t now = NowMs();
        const int32_t left = int32_t(deadlineMs - now);
        if (left <= 0 || StopSignal()) return;
        WaitMs(uint32_t(left));
    }
}
