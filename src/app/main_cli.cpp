// velmora-cli: the program's operations without a display.
#include <cstdlib>
#include <string>

#include "app/cli.h"
#include "app/cli_support.h"

int main(int argc, char** argv) {
    CliArgs args(argv + 1, argv + argc);
    if (TakeFlag(args, "--simulate")) setenv("VELMORA_SIMULATE", "1", 1);
    StartHeadless();
    return RunCli(args);
}
