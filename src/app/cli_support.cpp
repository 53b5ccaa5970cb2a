#include "app/cli_support.h"

#include <algorithm>
#include <cstdio>

#include "app/messages.h"
#include "app/state.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {
bool messageShown = false;

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
    LoadSettingsAtStartup();
    State().geometry.modelCode = State().settings.manualModel;
    ApplyCameraModel();
    FillStartupImages();
    messageShown = false;
}

bool TakeShownMessage() {
    const bool shown = messageShown;
    messageShown = false;
    return shown;
}
