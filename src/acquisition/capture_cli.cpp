// velmora-cli capture: the exposure sequence without a window. Each frame is
// quick-saved as the next numbered FITS file and its name printed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "acquisition/camera_settings.h"
#include "acquisition/exposure_sequence.h"
#include "core/camera_models.h"
#include "core/cli.h"
#include "settings/cli_support.h"
#include "core/state.h"
#include "devices/sim/simulator.h"
#include "devices/usb_transport.h"
#include "platform/paths.h"
#include "settings/settings_file.h"

namespace {

bool ParseInt(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return end != text.c_str() && *end == '\0';
}

bool ValidMode(long mode) {
    return mode == 1 || mode == 2 || mode == 3 || mode == 4 || mode == 5 || mode == 8 || mode == 16;
}

// The shortest unit that carries E exactly.
void SetExposure(long ms) {
    CameraSettings& cam = Cam();
    if (ms > 0 && ms % 60000 == 0 && ms / 60000 <= 90) {
        cam.exposureUnit = 'm';
        cam.exposureValue = int(ms / 60000);
    } else if (ms > 0 && ms % 1000 == 0) {
        cam.exposureUnit = 's';
        cam.exposureValue = int(ms / 1000);
    } else if (ms % 100 == 0) {
        cam.exposureUnit = 't';
        cam.exposureValue = int(ms / 100);
    } else if (ms % 10 == 0) {
        cam.exposureUnit = 'h';
        cam.exposureValue = int(ms / 10);
    } else {
        cam.exposureUnit = 'q';
        cam.exposureValue = int(ms);
    }
    cam.exposureMaximum = cam.exposureValue;
}

int Usage(const char* why) {
    std::fprintf(stderr,
                 "%s\nusage: velmora-cli capture [--simulate] [--model CODE] --mode M --exposure MS [--count N] "
                 "[--out DIR] [--dark FILE] [--flat FILE] [--auto-process]\n",
                 why);
    return 2;
}

int RunCapture(const CliArgs& argv) {
    CliArgs args = argv;
    if (TakeFlag(args, "--simulate")) setenv("VELMORA_SIMULATE", "1", 1);
    const bool autoProcess = TakeFlag(args, "--auto-process");
    const auto modelText = TakeOption(args, "--model");
    const auto modeText = TakeOption(args, "--mode");
    const auto exposureText = TakeOption(args, "--exposure");
    const auto countText = TakeOption(args, "--count");
    const auto outDir = TakeOption(args, "--out");
    const auto darkFile = TakeOption(args, "--dark");
    const auto flatFile = TakeOption(args, "--flat");
    if (!args.empty()) return Usage(("unknown argument: " + args.front()).c_str());
    long mode = 0, exposure = 0, count = 1, model = 0;
    if (!modeText || !ParseInt(*modeText, mode) || !ValidMode(mode)) return Usage("--mode must be 1, 2, 3, 4, 5, 8 or 16");
    if (!exposureText || !ParseInt(*exposureText, exposure) || exposure < 1 || exposure > kLongestExposureMs)
        return Usage("--exposure must be 1..5400000 milliseconds");
    if (countText && (!ParseInt(*countText, count) || count < 1 || count > 999))
        return Usage("--count must be 1..999");
    if (modelText && (!ParseInt(*modelText, model) || !FindCameraModel(int(model))))
        return Usage("--model must be a camera model code of the table");

    AppState& s = State();
    // --model picks the model by hand, as the program defaults do: its code
    // and product id. The simulated camera then is that model.
    std::string modelPid;
    if (model) {
        const CameraModel* row = FindCameraModel(int(model));
        modelPid = row->manualPid;
        if (SimulationRequested()) {
            if (!row->discoveredPids.empty()) modelPid = row->discoveredPids.front();
            Simulator::Instance().PickModel(int(model));
        }
        // The settings take the model once the settings file has been read
        // (quiet, below).
        s.geometry.modelCode = int16_t(model);
        ApplyCameraModel();
    }
    // The interface-detail notices are for the window; the command line keeps
    // quiet. --model and --out hold for this run only. The autosave counter is
    // written to the settings file with every frame, so the options of the
    // user's own settings are put back afterwards.
    bool details = s.settings.showInterfaceDetails;
    std::string autosaveDir = s.settings.autosaveDirText;
    int16_t manualModel = s.settings.manualModel;
    std::string configuredPid = s.settings.configuredPid;
    // Connecting reads the settings file (or writes a new one when it is
    // missing) and then calls quiet: the values read are the user's own, and
    // the overrides go on top of them only from then on.
    auto quiet = [&] {
        details = s.settings.showInterfaceDetails;
        autosaveDir = s.settings.autosaveDirText;
        manualModel = s.settings.manualModel;
        configuredPid = s.settings.configuredPid;
        s.settings.showInterfaceDetails = false;
        if (model) {
            s.settings.manualModel = int16_t(model);
            s.settings.configuredPid = modelPid;
        }
    };
    auto restore = [&] {
        if (s.settings.showInterfaceDetails != details || s.settings.autosaveDirText != autosaveDir ||
            s.settings.manualModel != manualModel || s.settings.configuredPid != configuredPid) {
            s.settings.showInterfaceDetails = details;
            s.settings.autosaveDirText = autosaveDir;
            s.settings.manualModel = manualModel;
            s.settings.configuredPid = configuredPid;
            SaveSettings();
        }
    };

    if (!ConnectCamera(quiet)) {
        restore();
        return 1;
    }
    TakeShownMessage();
    if (outDir) s.settings.autosaveDirText = *outDir;
    if (darkFile) s.darkFileName = *darkFile;
    if (flatFile) s.flatFileName = *flatFile;

    CameraSettings& cam = Cam();
    SetExposure(exposure);
    cam.exposureMode = int(mode);
    cam.exposureCount = 1;
    cam.continuous = true;  // every frame is saved on its own
    cam.autoSave = true;
    cam.autoDark = darkFile.has_value();
    cam.autoFlat = flatFile.has_value();
    cam.autoProcess = autoProcess;
    cam.delayBetween = 0;

    SequenceOptions options;
    options.maxFrames = int(count);
    options.headless = true;
    options.onSaved = [](const std::string& name) {
        std::printf("%s\n", MapPath(name).c_str());
        std::fflush(stdout);
    };
    const SequenceResult result = RunExposureSequence(options);
    restore();
    const bool shown = TakeShownMessage();
    if (result.filesSaved != int(count) || result.readFailed || shown) return 1;
    return 0;
}

const bool registered = RegisterCliCommand(
    {"capture",
     "[--simulate] [--model CODE] --mode M --exposure MS [--count N] [--out DIR] [--dark FILE] [--flat FILE] "
     "[--auto-process]",
     RunCapture});

}  // namespace
