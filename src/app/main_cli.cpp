// velmora-cli: the program's operations without a display.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/cli.h"
#include "devices/sim/sim_options.h"
#include "platform/stop_signal.h"
#include "settings/cli_support.h"

int main(int argc, char** argv) {
    CliArgs args(argv + 1, argv + argc);
    const bool simulate = TakeFlag(args, "--simulate");
    if (simulate) setenv("VELMORA_SIMULATE", "1", 1);
    InstallStopSignals();
    StartHeadless();
    // The simulator's --sim-* and --seed options, for every command run on it.
    std::string error;
    if (simulate && !ApplySimOptions(args, error)) {
        std::fprintf(stderr, "velmora-cli: %s\n", error.c_str());
        return 2;
    }
    const int status = RunCli(args);
    // A stop signal ends the command early (its motion stopped): 128 + signal.
    LeaveIfStopSignalled();
    // A message at start-up is a failure even when the command carried on.
    return status == 0 && StartupMessageShown() ? 1 : status;
}
