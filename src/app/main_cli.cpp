// velmora-cli: the program's operations without a display.
#include <cstdlib>
#include <string>

#include "core/cli.h"
#include "platform/stop_signal.h"
#include "settings/cli_support.h"

int main(int argc, char** argv) {
    CliArgs args(argv + 1, argv + argc);
    if (TakeFlag(args, "--simulate")) setenv("VELMORA_SIMULATE", "1", 1);
    InstallStopSignals();
    StartHeadless();
    const int status = RunCli(args);
    // A stop signal ends the command early (its motion stopped): 128 + signal.
    LeaveIfStopSignalled();
    // A message at start-up is a failure even when the command carried on.
    return status == 0 && StartupMessageShown() ? 1 : status;
}
