// Printing through the external print utility and opening the help file.
// Neither changes the program's state.
#pragma once
#include <string>

inline constexpr const char* kHelpFileName = "Velmora.hlp";
inline constexpr const char* kHelpFailedText = "WinHelp failed!";
inline constexpr const char* kHelpFailedCaption = "Velmora_Fir";
inline constexpr const char* kAboutCaption = "Help About Velmora_USB";

// "PRINTIMG.EXE PRINT " followed by the current model's display bitmap (as a
// host path), and "PRINTIMG.EXE SETUP".
std::string PrintCommandLine();
std::string PrintSetupCommandLine();
// "&Print..." and "P&rint setup...": start the utility without waiting; a
// utility that cannot be started is not reported.
void PrintImage();
void PrintSetup();

// Where the help file is looked for: beside the program, then in the data
// root. Empty when it is in neither place.
std::string FindHelpFile(const std::string& programDirectory);
// "Help in using Velmora_USB": opens the help file in the desktop's viewer;
// when there is no help file or the viewer cannot be started a stop box
// "WinHelp failed!" captioned "Velmora_Fir" is shown. True when opened.
bool OpenHelp(const std::string& programDirectory);
