// The acquisition commands of the menu and tool bar.
#include "acquisition/acquisition_ids.h"
#include "acquisition/camera_dialog.h"
#include "acquisition/subframe.h"
#include "acquisition/subframe_dialog.h"
#include "app/commands.h"

using namespace acq;

static const bool registered = [] {
    RegisterCommand(kCmdCameraInterface, RunCameraInterface);
    RegisterCommand(kCmdSubFrameSelection, RunSubFrameSelection);
    RegisterCommand(kCmdPickSubFrame, PickSubFrame);
    RegisterCommand(kCmdDefaultSubFrameCentre, DefaultSubFrameCentre);
    RegisterCommand(kCmdFocusFrameCentre, FocusFrameCentre);
    RegisterCommand(kCmdDefaultFocusFrameCentre, DefaultFocusFrameCentre);
    return true;
}();
