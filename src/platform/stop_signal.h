// SIGTERM, SIGINT and SIGHUP end the program without leaving a motion
// running. The handler only notes the signal in a flag; the real clock's
// waits test it and end early, so a running guide pulse or move reaches its
// stop at once. PollInterrupt (every long loop's pump) and the end of every
// pulse then leave through LeaveIfStopSignalled: every motion still running
// is stopped, and the program exits with 128 + the signal number. A second
// signal of the same kind ends the program at once (the system's default).
#pragma once

// Installs the handler for the three signals.
void InstallStopSignals();
// The signal that arrived (0 when none).
int StopSignal();
// What the handler does (tests raise it by hand); 0 forgets it.
void NoteStopSignal(int signal);

// The stop of every motion still running, installed by the layer that starts
// motions (the telescope link). Null: nothing to stop.
using MotionStopFn = void (*)();
void SetMotionStop(MotionStopFn stop);
// Runs the installed stop (also after a fatal device error during a motion).
void StopRunningMotions();

// When a stop signal has arrived: stops every running motion, flushes the
// open files and exits with 128 + the signal. Otherwise returns false at
// once (true only when a test's exit hook returned).
bool LeaveIfStopSignalled();
// Tests: what leaving does instead of exiting (null: exit).
using StopExitFn = void (*)(int status);
void SetStopExit(StopExitFn exitFn);
