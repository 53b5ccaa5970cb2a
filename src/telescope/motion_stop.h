// The motions the program has started and not yet stopped: an LX200 move or
// guide pulse, a focuser move, closed guide relays. The commands that start
// and stop them keep this record; StopEveryMotion sends the stop of each on
// its route, so a stop signal or a fatal device error never leaves the mount
// moving. It is the motion stop of platform/stop_signal.h.
#pragma once
#include <cstdint>

struct RunningMotions {
    // The direction of a running LX200 guide pulse ('e', 'w', 'n', 's'), 'a'
    // for a manual move (all four quits stop it), 0 for none.
    char move = 0;
    bool focusing = false;
    // The relay bits last written (AO relay mode rests at 0x0F).
    uint8_t relays = 0;
};
RunningMotions& Running();

// Sends the stop of every running motion: the quit command(s) of a move,
// "#:FQ#" for the focuser, 0 to the relays. Each goes out on its own route
// even when another fails; the record is cleared.
void StopEveryMotion();
