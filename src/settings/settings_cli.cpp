// velmora-cli settings show | settings reset | settings set NAME VALUE
#include <cstdio>
#include <string>

#include "core/cli.h"
#include "core/state.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "settings/settings_listing.h"
#include "settings/settings_set.h"

namespace {

int RunShow(const CliArgs&) {
    for (const SettingLine& line : ListSettings(State().settings, State().fits))
        std::printf("%s = %s\n", line.name.c_str(), line.value.c_str());
    return 0;
}

int RunReset(const CliArgs&) {
    State().settings = Settings{};
    State().fits = FitsDetails{};
    if (SaveSettings() != 0) {
        std::fprintf(stderr, "Unable to save INI file, please check disk space\n");
        return 1;
    }
    std::printf("%s\n", MapPath(kSettingsPath).c_str());
    return 0;
}

// One setting by the name "settings show" prints; a bad name or value is
// refused with a message, the file unchanged.
int RunSet(const CliArgs& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: velmora-cli settings set NAME VALUE\n");
        return 2;
    }
    std::string why;
    if (SetSetting(args[0], args[1], why) != SetSettingResult::Done) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    for (const SettingLine& line : ListSettings(State().settings, State().fits))
        if (line.name == args[0]) std::printf("%s = %s\n", line.name.c_str(), line.value.c_str());
    return 0;
}

const bool registered = RegisterCliCommand({"settings show", "", RunShow}) &&
                        RegisterCliCommand({"settings reset", "", RunReset}) &&
                        RegisterCliCommand({"settings set", "NAME VALUE", RunSet});

}  // namespace
