// velmora-cli guide-server: the guiding server without windows, on the real
// clock and the guider camera (or the simulator). It serves until SIGTERM or
// SIGINT, or until a client asks for shutdown, and leaves the mount still.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "core/camera_models.h"
#include "core/cli.h"
#include "core/state.h"
#include "devices/sim/sim_options.h"
#include "devices/sim/simulator.h"
#include "devices/usb_transport.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"
#include "platform/stop_signal.h"
#include "server/poll_transport.h"
#include "server/server_guider.h"
#include "settings/cli_support.h"

namespace {

const char* kUsage =
    "usage: velmora-cli guide-server [--simulate] [--instance N] [--exposure MS] [--listen ADDR] [sim options]\n"
    "  serves the guiding protocol on ADDR (default 127.0.0.1), port 4400 + N - 1\n";

int Usage(const std::string& why) {
    std::fprintf(stderr, "%s\n%s%s", why.c_str(), kUsage, kSimOptionsUsage);
    return 2;
}

bool ParseInt(const std::string& text, int low, int high, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || v < low || v > high) return false;
    value = int(v);
    return true;
}

std::string HostName() {
    char name[256] = "";
    if (gethostname(name, sizeof name - 1) != 0) return "localhost";
    return name;
}

int RunGuideServer(const CliArgs& argv) {
    CliArgs args = argv;
    if (TakeFlag(args, "--simulate")) setenv("VELMORA_SIMULATE", "1", 1);
    int instance = 1, exposureMs = 1000;
    if (auto v = TakeOption(args, "--instance"); v && !ParseInt(*v, 1, 100, instance))
        return Usage("--instance wants 1 to 100");
    if (auto v = TakeOption(args, "--exposure"); v && !ParseInt(*v, 10, 10000, exposureMs))
        return Usage("--exposure wants milliseconds, 10 to 10000");
    const std::string address = TakeOption(args, "--listen").value_or("127.0.0.1");
    StartHeadless();
    // The kept calibration and guiding settings: a calibrated night goes on.
    LoadGuidingFile();
    std::string error;
    if (!ApplySimOptions(args, error)) return Usage(error);
    if (!args.empty()) return Usage("unknown argument " + args.front());
    const bool simulate = SimulationRequested();
    if (simulate) {
        Simulator::Instance().Configure(Simulator::Instance().Config());
        // The simulated mount listens on the guide relays.
        if (State().settings.driveMethod == 'n') State().settings.driveMethod = 'b';
    }
    State().settings.guidingMode = 'T';
    if (!SetGuiderExposureMs(exposureMs)) return Usage("the guider cannot expose " + std::to_string(exposureMs) + " ms");
    Guider().serverInstance = instance;

    PollTransport transport;
    const int port = 4400 + instance - 1;
    if (!transport.Listen(address, port, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("listening on %s:%d\n", address.c_str(), port);
    std::fflush(stdout);
    InstallStopSignals();
    std::string profile = "Simulator";
    if (!simulate) {
        const CameraModel* model = FindCameraModel(State().geometry.modelCode);
        profile = model ? model->name : "Camera";
    }
    {
        const PollingPlatform platform(transport);
        GuideServer server(transport, instance, HostName());
        ServerGuider guider(server, profile);
        EchoServerAlerts(true);
        transport.SetServer(&server);
        while (!guider.ShutdownRequested() && !StopSignal()) {
            if (!guider.Step()) transport.Service(50);
            else transport.Service(0);
        }
        guider.StopAll();
        transport.Service(0);
        transport.SetServer(nullptr);
        transport.CloseAll();
    }
    // A signal ends as every other run does: motions stopped, 128 + signal.
    LeaveIfStopSignalled();
    return 0;
}

const bool registered =
    RegisterCliCommand({"guide-server", "[--simulate] [--instance N] [--exposure MS] [--listen ADDR]", RunGuideServer});

}  // namespace
