// The application object and the main window.
#pragma once

// Builds TVelmoraApp and its main window and runs the message loop.
int RunVelmoraApp(int argc, char** argv);
