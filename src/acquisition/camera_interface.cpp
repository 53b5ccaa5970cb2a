#include "acquisition/camera_interface.h"

#include <algorithm>
#include <cstdlib>

#include "acquisition/exposure_sequence.h"
#include "acquisition/guiding_hooks.h"
#include "core/camera_models.h"
#include "core/command_ids.h"
#include "core/commands.h"
#include "core/messages.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "devices/camera.h"
#include "devices/transport.h"
#include "display/render.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

const char* const kCameraHelpText =
    "Select exposure range using Radio buttons on left of dialog Window \nSelect anti-smear status using "
    "checkbox\nVary exposure time using scroll arrows,and take exposure by pressing the 'Take Photo' button\n\n"
    "The Focus mode allows repeated exposures of 0.01 to 10 seconds to be made, and displays the value of the "
    "most saturated pixel. In a starfield, altering the focus until the maximum value is returned will give a "
    "good indication of best focus.\n\nIt is posssible to use an 'slew and sum' mode, which will automatically "
    "sum images together, taking into account small amounts of drift in the telescope drive. To do this simply "
    "change the number of exposures from 1 to any value less than 100.\n\nPress Right Hand mouse button "
    "anywhere in Velmora_USB Window to pematurely terminate an exposure.\n\nThe delay option gives an audible "
    "10 second countdown to the exposure start\n\nIf multiple is used to control Continuous mode Slew&Sum is "
    "disabled";

namespace {
bool GuidingRuns() { return GuidingHooks().guidingActive && GuidingHooks().guidingActive(); }

// A number typed into a box; nullopt-like -1 when it is not a number.
int ParseNumber(const std::string& text) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str()) return -1;
    return int(std::clamp<long>(v, -1, 1'000'000));
}
}  // namespace

void RunCameraInterfaceWith(const std::function<int()>& showDialog) {
    if (!ConnectCamera()) return;
    if (GuidingHooks().resetGuideErrorSums) GuidingHooks().resetGuideErrorSums();
    Session().needRedraw = false;
    Session().autoguiderRequested = false;
    Cam().autoguidePhoto = false;
    const int code = showDialog ? showDialog() : 0;
    if (code == 1) {
        SaveSettingsReporting(21);
        RunExposureSequence();
        return;
    }
    if (Session().needRedraw) {
        Sys().system->SetBusyCursor(true);
        RedrawImage();
        Sys().system->SetBusyCursor(false);
    }
    if (code == 2 || Session().autoguiderRequested) {
        if (GuidingHooks().openAutoguider)
            GuidingHooks().openAutoguider();
        else
            RunCommand(cmd::kGuiderCamera);
    }
}

std::string CameraModeText(const CameraSettings& cam) {
    if (cam.continuous) return cam.exposureCount <= 1 ? "Continuous Imaging" : "Series Imaging";
    return cam.exposureCount <= 1 ? "Single Image" : "Auto Merging";
}

std::string AutoGuiderStatusText() {
    if (GuidingRuns()) return "Already Autoguiding";
    return CameraConnected() ? "Guider Camera available" : "Guider Camera not detected";
}

std::string CoolingText(bool maximumCooling) { return maximumCooling ? "Max Cooling Set" : "Adjust Cooling"; }

std::string CameraDialogTitle(int model) {
    const std::string caption = CameraDialogCaption(model);
    return caption.empty() ? std::string(kCameraDialogTemplateCaption) : caption;
}

int ApplyScroll(int current, int minimum, int maximum, ScrollAction action, int thumb) {
    int v = current;
    switch (action) {
        case ScrollAction::LineUp: v = current + 1; break;
        case ScrollAction::LineDown: v = current - 1; break;
        case ScrollAction::PageUp: v = minimum; break;
        case ScrollAction::PageDown: v = maximum; break;
        case ScrollAction::Thumb: v = thumb; break;
    }
    const bool line = action == ScrollAction::LineUp || action == ScrollAction::LineDown;
    return std::clamp(v, minimum, line ? std::max(maximum, current) : maximum);
}

void SelectExposureMode(int mode) {
    Cam().exposureMode = mode;
    ImageGeometry& g = State().geometry;
    g.binned = mode != kModeHighRes;
    g.binningMode = 0;
    RecomputeGeometry();
    UpdateMainWindowScroller();
}

void TakeTypedValues(const std::string& exposureText, const std::string& countText) {
    CameraSettings& cam = Cam();
    const int value = ParseNumber(exposureText);
    if (value >= 0) cam.exposureValue = std::clamp(value, 0, TypedExposureMaximum(cam.exposureUnit));
    const int count = ParseNumber(countText);
    if (count >= 0) cam.exposureCount = std::clamp(count, 1, kMaxExposureCount);
}

bool TakePhotoFromBoxes(const std::string& exposureText, const std::string& countText) {
    if (ParseNumber(exposureText) <= 0) return false;
    TakeTypedValues(exposureText, countText);
    return true;
}

bool AutoguidePhoto(const std::string& exposureText, const std::string& countText) {
    if (GuidingRuns()) {
        ShowMessage(59);
        return false;
    }
    if (GuidingHooks().guideStarPicked && GuidingHooks().guideStarPicked()) Cam().autoguidePhoto = true;
    return TakePhotoFromBoxes(exposureText, countText);
}

bool GoToAutoguider() {
    if (GuidingRuns()) {
        ShowMessage(59);
        return false;
    }
    if (State().settings.driveMethod == 'n') {
        ShowMessage(50, "Please select a telescope drive method before using autoguider");
        return false;
    }
    Session().autoguiderRequested = true;
    return true;
}

void ToggleCoolingOn(bool coolerSupported) {
    CameraSettings& cam = Cam();
    if (coolerSupported && cam.coolerOn && !State().settings.maximumCooling)
        cam.coolerOn = false;
    else
        cam.coolerOn = true;
}

bool RefreshCooler() {
    if (!CameraConnected() || !Camera().coolerSupported) return false;
    int temperature = 0;
    if (!SetCooler(Cam().coolerSetPoint, Cam().coolerOn, State().settings.maximumCooling, &temperature)) return false;
    Session().coolerTemperature = temperature;
    Session().coolerReadingValid = true;
    return true;
}

bool SetPointBarActive() { return !State().settings.maximumCooling; }
