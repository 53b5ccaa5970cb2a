#include "app/print_help.h"

#include "core/state.h"
#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/platform.h"

// The bitmap's host path is quoted when it holds a space, so it stays one word.
std::string PrintCommandLine() {
    const std::string bitmap = MapPath(State().geometry.bitmapName);
    return "PRINTIMG.EXE PRINT " + (bitmap.find_first_of(" \t\"") == std::string::npos ? bitmap : QuoteCommandWord(bitmap));
}

std::string PrintSetupCommandLine() { return "PRINTIMG.EXE SETUP"; }

bool PrintImage() { return Sys().system->StartDetached(PrintCommandLine()); }

bool PrintSetup() { return Sys().system->StartDetached(PrintSetupCommandLine()); }

std::vector<std::string> ManualCandidates(const std::string& programDirectory) {
    std::vector<std::string> candidates;
    if (!programDirectory.empty()) {
        candidates.push_back(programDirectory + "/../share/doc/velmora/" + kManualFileName);
        candidates.push_back(programDirectory + "/docs/" + kManualFileName);
    }
#if defined(VELMORA_DOCS_DIR) && defined(VELMORA_BUILD_DIR)
    // A program run from its build tree reads the manual of its sources.
    if (programDirectory == VELMORA_BUILD_DIR) candidates.push_back(std::string(VELMORA_DOCS_DIR) + "/" + kManualFileName);
#endif
    return candidates;
}

std::string FindManual(const std::string& programDirectory) {
    for (const std::string& candidate : ManualCandidates(programDirectory))
        if (FileExists(candidate)) return candidate;
    return "";
}

static ManualViewer& Viewer() {
    static ManualViewer viewer;
    return viewer;
}

void SetManualViewer(ManualViewer viewer) { Viewer() = std::move(viewer); }

bool OpenHelp(const std::string& programDirectory) {
    const std::string file = FindManual(programDirectory);
    if (!file.empty() && Viewer() && Viewer()(file)) return true;
    Sys().messages->Show(kHelpFailedCaption, kHelpFailedText, MessageIcon::Stop);
    return false;
}
