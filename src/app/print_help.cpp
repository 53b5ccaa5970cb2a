#include "app/print_help.h"

#include "app/state.h"
#include "platform/paths.h"
#include "platform/platform.h"

std::string PrintCommandLine() { return "PRINTIMG.EXE PRINT " + MapPath(State().geometry.bitmapName); }

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

static std::string Quoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

bool OpenHelp(const std::string& programDirectory) {
    const std::string file = FindHelpFile(programDirectory);
    if (!file.empty() && Sys().system->StartDetached("xdg-open " + Quoted(file))) return true;
    Sys().messages->Show(kHelpFailedCaption, kHelpFailedText, MessageIcon::Stop);
    return false;
}
