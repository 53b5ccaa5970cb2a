// velmora-cli: the program's operations without a display.
#include <cstdlib>
#include <string>

#include "core/cli.h"
#include "settings/cli_support.h"

int main(int argc, char** argv) {
    CliArgs args(argv + 1, argv + argc);
    if (TakeFlag(args, "--simulate")) setenv("VELMORA_SIMULATE", "1", 1);
    StartHeadless();
    const int status = RunCli(args);
    // A message at start-up is a failure even when the command carried on.
    return status == 0 && StartupMessageShown() ? 1 : status;
}
