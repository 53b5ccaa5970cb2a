// velmora-cli guider-capture: the guider dialog's "Start" without a window.
// Each guider frame is written as the guider bitmap and autosaved as the next
// numbered BMP of the autosave folder, whose path is printed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "acquisition/exposure_sequence.h"
#include "core/cli.h"
#include "settings/cli_support.h"
#include "core/state.h"
#include "guiding/guider_dialog_rules.h"
#include "guiding/guider_state.h"
#include "platform/paths.h"

namespace {

int Usage(const char* why) {
    std::fprintf(stderr,
                 "%s\nusage: velmora-cli guider-capture [--simulate] [--range h|t|s] [--value N] [--count N] [--bin] "
                 "[--median] [--dark] [--stretch N]\n",
                 why);
    return 2;
}

bool ParseInt(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return end != text.c_str() && *end == '\0';
}

int RunGuiderCapture(const CliArgs& argv) {
    CliArgs args = argv;
    if (TakeFlag(args, "--simulate")) setenv("VELMORA_SIMULATE", "1", 1);
    const bool bin = TakeFlag(args, "--bin");
    const bool median = TakeFlag(args, "--median");
    const bool dark = TakeFlag(args, "--dark");
    const auto rangeText = TakeOption(args, "--range");
    const auto valueText = TakeOption(args, "--value");
    const auto countText = TakeOption(args, "--count");
    const auto stretchText = TakeOption(args, "--stretch");
    if (!args.empty()) return Usage(("unknown argument: " + args.front()).c_str());
    GuiderExposure& e = Guider().exposure;
    const char range = rangeText && rangeText->size() == 1 ? (*rangeText)[0] : 's';
    if (range != 'h' && range != 't' && range != 's') return Usage("--range must be h, t or s");
    SetExposureRange(e, range);
    long value = e.value, count = 1, stretch = 0;
    if (valueText && (!ParseInt(*valueText, value) || value < kExposureMinimum || value > ExposureMaximum(range)))
        return Usage("--value must lie inside the range (1..500 h, 1..100 t, 1..10 s)");
    if (countText && (!ParseInt(*countText, count) || count < 1 || count > 9999)) return Usage("--count must be 1..9999");
    if (stretchText && (!ParseInt(*stretchText, stretch) || stretch < kStretchMinimum || stretch > kStretchMaximum))
        return Usage("--stretch must be 5..50");

    if (!ConnectCamera([] { State().settings.showInterfaceDetails = false; })) return 1;
    TakeShownMessage();
    e.value = int(value);
    e.median = median;
    GuiderDialogState& d = GuiderDialog();
    if (bin) {
        // Binned for this run only: the stored choice stays the user's.
        Settings probe = State().settings;
        probe.guiderOption82 = false;
        if (!ToggleGuiderBinning(probe, e)) return 1;
    }
    if (stretch) {
        d.stretchImages = true;
        d.stretch = int(stretch);
    }
    if (dark) {
        if (!TakeGuiderDark(d)) return 1;
        e.applyDark = true;
    }
    d.autosaveBmp = true;
    int16_t printed = State().settings.guiderAutosaveCounter;
    const int frames = RunGuiderExposures(
        d,
        [&] {
            const int16_t now = State().settings.guiderAutosaveCounter;
            if (now == printed) return;
            printed = now;
            std::printf("%s\n", MapPath(GuiderAutosaveName(AutosaveDirectory(), now)).c_str());
            std::fflush(stdout);
        },
        int(count));
    return frames == count && !TakeShownMessage() ? 0 : 1;
}

const bool registered = RegisterCliCommand(
    {"guider-capture", "[--simulate] [--range h|t|s] [--value N] [--count N] [--bin] [--median] [--dark] [--stretch N]",
     RunGuiderCapture});

}  // namespace
