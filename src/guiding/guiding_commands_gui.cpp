// The autoguiding commands of the menu: "Start Auto-Guiding" (22) and "Train
// Auto-Guiding" (23) on the main camera's guiding frame, and the pop-up
// "Start AutoGuiding" (16101) of the guider camera. Command 27 lives with its
// dialog.
#include "acquisition/camera_settings.h"
#include "acquisition/exposure_sequence.h"
#include "core/command_ids.h"
#include "core/commands.h"
#include "core/state.h"
#include "guiding/guider_camera_dialog.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_loops.h"
#include "guiding/guiding_window.h"
#include "telescope/telescope_link.h"

namespace {

// The main-camera commands need a drive method, the camera and the link.
bool PrepareMainCamera() {
    if (State().settings.driveMethod == 'n') return false;
    if (!ConnectCamera()) return false;
    PrepareTelescopeLink();
    return true;
}

void StartAutoGuiding() {
    if (Guider().mainGuiding || !PrepareMainCamera()) return;
    InfoGuidingDisplay display;
    GuidingContext context;
    context.display = &display;
    RunMainGuiding(context, CurrentExposureMs());
}

void TrainAutoGuiding() {
    if (Guider().training || !PrepareMainCamera()) return;
    GuidingContext context;
    RunMainTraining(context, CurrentExposureMs());
}

void StartGuiderGuiding() {
    if (Guider().guiding || Guider().training) return;
    if (TGCamDialog* dialog = OpenGuiderCameraDialog()) dialog->StartGuiding();
}

const bool registered = [] {
    RegisterCommand(cmd::kStartAutoGuiding, StartAutoGuiding, {}, [] { return Guider().mainGuiding; });
    RegisterCommand(cmd::kTrainAutoGuiding, TrainAutoGuiding);
    RegisterCommand(cmd::kPopupStartAutoGuiding, StartGuiderGuiding);
    return true;
}();

}  // namespace
