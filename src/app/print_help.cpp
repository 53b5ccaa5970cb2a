#include "app/print_help.h"

#include "app/state.h"
#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/platform.h"

// The bitmap's host path is quoted when it holds a space, so it stays one word.
std::string PrintCommandLine() {
    const std::string bitmap = MapPath(State().geometry.bitmapName);
    return "PRINTIMG.EXE PRINT " + (bitmap.find_first_of(" \t\"") == std::string::npos ? bitmap : QuoteCommandWord(bitmap));
}

std::string PrintSetupCommandLine() { return "PRINTIMG.EXE SETUP"; }

void PrintImage() { Sys().system->StartDetached(PrintCommandLine()); }

void PrintSetup() { Sys().system->StartDetached(PrintSetupCommandLine()); }

std::string FindHelpFile(const std::string& programDirectory) {
    if (!programDirectory.empty()) {
        const std::string beside = programDirectory + "/" + kHelpFileName;
        if (FileExists(beside)) return beside;
    }
    const std::string inRoot = MapPath(std::string("c:\\") + kHelpFileName);
    if (FileExists(inRoot)) return inRoot;
    return "";
}

bool OpenHelp(const std::string& programDirectory) {
    const std::string file = FindHelpFile(programDirectory);
    if (!file.empty() && Sys().system->StartDetached("xdg-open " + QuoteCommandWord(file))) return true;
    Sys().messages->Show(kHelpFailedCaption, kHelpFailedText, MessageIcon::Stop);
    return false;
}
