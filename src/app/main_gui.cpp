// velmora: the camera-control and image-processing program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/velmora_app_window.h"
#include "devices/sim/sim_options.h"
#include "devices/usb_transport.h"
#include "platform/stop_signal.h"

int main(int argc, char** argv) {
    InstallStopSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args)
        if (arg == "--simulate") setenv("VELMORA_SIMULATE", "1", 1);
    // The simulator's mount, seeing and seed: --sim-* options (see
    // devices/sim/sim_options.h); they only make sense on the simulator.
    std::string error;
    const size_t before = args.size();
    std::vector<std::string> rest = args;
    SimulatorConfig unused;
    if (!TakeSimOptions(rest, unused, error)) {
        std::fprintf(stderr, "velmora: %s\n", error.c_str());
        return 2;
    }
    if (rest.size() != before) {
        if (!SimulationRequested()) {
            std::fprintf(stderr, "velmora: the --sim-* and --seed options need --simulate\n");
            return 2;
        }
        ApplySimOptions(args, error);
    }
    return RunVelmoraApp(argc, argv);
}
