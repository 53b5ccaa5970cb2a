#include "settings/cli_support.h"

#include <algorithm>
#include <cstdio>

#include "core/messages.h"
#include "core/state.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {
bool messageShown = false;
bool startupMessageShown = false;

class ConsoleMessageSink : public MessageSink {
public:
    int Show(const std::string&, const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        messageShown = true;
        return kButtonOk;
    }
};
}  // namespace

bool TakeFlag(CliArgs& args, const std::string& flag) {
    auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end()) return false;
    args.erase(it);
    return true;
}

std::optional<std::string> TakeOption(CliArgs& args, const std::string& name) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end() || it + 1 == args.end()) return std::nullopt;
    std::string value = *(it + 1);
    args.erase(it, it + 2);
    return value;
}

void StartHeadless() {
    static ConsoleMessageSink sink;
    Platform platform = Sys();
    platform.messages = &sink;
    InstallPlatform(platform);
    // A command-line run reads the settings and writes them only when its
    // command changes them: a missing or damaged file leaves the defaults (or
    // what could be read) in force for this run, and the file as it was.
    ReadSettings();
    RemoveStaleSaveFiles();
    State().geometry.modelCode = State().settings.manualModel;
    ApplyCameraModelGeometry();
    FillStartupImages();
    startupMessageShown = messageShown;
    messageShown = false;
}

bool StartupMessageShown() { return startupMessageShown; }

bool TakeShownMessage() {
    const bool shown = messageShown;
    messageShown = false;
    return shown;
}
