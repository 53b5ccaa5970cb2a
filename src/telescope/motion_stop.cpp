#include "telescope/motion_stop.h"

#include "platform/stop_signal.h"
#include "telescope/lx200.h"
#include "telescope/telescope_link.h"

RunningMotions& Running() {
    static RunningMotions running;
    return running;
}

void StopEveryMotion() {
    RunningMotions& m = Running();
    const RunningMotions was = m;
    m = RunningMotions{};
    if (was.move == 'a') {
        StopMove();
    } else if (was.move) {
        SendSerialCommand(TelescopePort(), QuitCommand(was.move));
    }
    if (was.focusing) StopFocus();
    if (was.relays) WriteRelays(0);
}

namespace {
const bool installed = [] {
    SetMotionStop(StopEveryMotion);
    return true;
}();
}  // namespace
