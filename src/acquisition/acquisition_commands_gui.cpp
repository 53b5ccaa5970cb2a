// The acquisition commands of the menu and tool bar.
#include "acquisition/camera_dialog.h"
#include "acquisition/subframe.h"
#include "acquisition/subframe_dialog.h"
#include "core/command_ids.h"
#include "core/commands.h"

using namespace cmd;

static const bool registered = [] {
    RegisterCommand(kCameraInterface, RunCameraInterface);
    RegisterCommand(kSubFrameSelection, RunSubFrameSelection);
    RegisterCommand(kPickSubFrame, PickSubFrame);
    RegisterCommand(kDefaultSubFrameCentre, DefaultSubFrameCentre);
    RegisterCommand(kFocusFrameCentre, FocusFrameCentre);
    RegisterCommand(kDefaultFocusFrameCentre, DefaultFocusFrameCentre);
    return true;
}();
