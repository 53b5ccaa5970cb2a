// velmora-cli settings show | settings reset
#include <cstdio>
#include <string>

#include "app/cli.h"
#include "app/state.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "settings/settings_listing.h"

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

const bool registered = RegisterCliCommand({"settings show", "", RunShow}) &&
                        RegisterCliCommand({"settings reset", "", RunReset});

}  // namespace
