#include "platform/stop_signal.h"

#include <csignal>
#include <initializer_list>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t noted = 0;
MotionStopFn motionStop = nullptr;
StopExitFn stopExit = nullptr;
bool leaving = false;

extern "C" void OnStopSignal(int signal) { noted = signal; }

}  // namespace

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking read or poll returns at once with EINTR.
    // SA_RESETHAND: a second signal of the same kind ends the program at
    // once, should a step never come back to a wait.
    action.sa_flags = SA_RESETHAND;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &action, nullptr);
}

int StopSignal() { return noted; }
void NoteStopSignal(int signal) { noted = signal; }

void SetMotionStop(MotionStopFn stop) { motionStop = stop; }

void StopRunningMotions() {
    if (motionStop) motionStop();
}

void SetStopExit(StopExitFn exitFn) { stopExit = exitFn; }

bool LeaveIfStopSignalled() {
    const int signal = noted;
    // The stop itself waits on the clock and may poll: leave only once.
    if (!signal || leaving) return signal != 0;
    leaving = true;
    StopRunningMotions();
    std::fflush(nullptr);
    leaving = false;
    if (stopExit) {
        stopExit(128 + signal);
        return true;
    }
    // No destructors: the windows and devices may be in the middle of a step.
    _exit(128 + signal);
}
