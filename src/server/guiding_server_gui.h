// The guiding server inside the program: the "Guiding Server" item of the
// Camera menu (checked while it listens, remembered in the guiding file), a
// Qt socket transport served by the program's event loop, and the server's
// state and client count in the status bar.
#pragma once
#include <functional>

// Tells the server when another loop is running (it steps only from the
// top of the event loop, never inside another loop's pumping).
void SetGuidingServerLoopCheck(std::function<bool()> otherLoopRunning);
// At program start: listens when the guiding file says the server was on.
void StartGuidingServerIfOn();
// Whether it listens, and how many clients it has.
bool GuidingServerListening();
int GuidingServerClients();
