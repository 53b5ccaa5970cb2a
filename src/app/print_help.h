// Printing through the external print utility and opening the help file.
// Neither changes the program's state.
#pragma once
#include <functional>
#include <string>
#include <vector>

inline constexpr const char* kManualFileName = "manual.md";
inline constexpr const char* kHelpFailedText = "WinHelp failed!";
inline constexpr const char* kHelpFailedCaption = "Velmora_Fir";
inline constexpr const char* kAboutCaption = "Help About Velmora_USB";

// "PRINTIMG.EXE PRINT " followed by the current model's display bitmap (as a
// host path), and "PRINTIMG.EXE SETUP".
std::string PrintCommandLine();
std::string PrintSetupCommandLine();
// "&Print..." and "P&rint setup...": start the utility without waiting.
// False when it cannot be started (the window layer then offers the
// desktop's print dialogs).
bool PrintImage();
bool PrintSetup();

// Where the manual is looked for, in this order: installed under the
// program's prefix (<prefix>/share/doc/velmora/manual.md for <prefix>/bin),
// beside the program in docs/, then in the source tree the program was built
// from.
std::vector<std::string> ManualCandidates(const std::string& programDirectory);
// The first candidate that exists; empty when there is none.
std::string FindManual(const std::string& programDirectory);
// The help window that shows the manual (set by the window layer); true when
// it could show the file.
using ManualViewer = std::function<bool(const std::string& manualPath)>;
void SetManualViewer(ManualViewer viewer);
// "Help in using Velmora_USB": shows the manual in the help window; when
// there is no manual or it cannot be shown a stop box "WinHelp failed!"
// captioned "Velmora_Fir" is shown. True when shown.
bool OpenHelp(const std::string& programDirectory);
