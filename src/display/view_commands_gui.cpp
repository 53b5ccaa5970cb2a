// The View menu and the display tool-bar buttons: command numbers bound to
// the display's option handlers, with their check marks.
#include "app/commands.h"
#include "display/display_state.h"
#include "display/stretch_display_dialog.h"
#include "display/view_command_ids.h"
#include "display/view_options.h"

namespace {

using namespace display_cmd;

const bool registered = [] {
    RegisterCommand(kFitToWindow, ToggleFitToWindow, {}, [] { return ViewOptions().fitToWindow; });
    RegisterCommand(kCentreImage, ToggleCentreImage, {}, [] { return ViewOptions().centreImage; });
    RegisterCommand(kBinHighResDisplay, ToggleBinnedDisplay, {}, [] { return BinnedDisplay(); });
    RegisterCommand(kFalseColour, ToggleFalseColour, {}, [] { return ViewOptions().falseColour; });
    RegisterCommand(kAutoContrast, ToggleAutoContrast, {}, [] { return ViewOptions().autoContrast; });
    RegisterCommand(kShowImageCentre, ToggleShowImageCentre);
    RegisterCommand(kMirrorImage, MirrorImageCommand);
    RegisterCommand(kFlipImage, FlipImageCommand);
    RegisterCommand(kMaxPaletteStretch, [] { TMaxDialog::Open(); });
    // The tool-bar pair shows the stretch display state: 1901 reports itself
    // checked while stretch display is on.
    RegisterCommand(kStretchDisplayOn, [] {
        SetStretchDisplay(true);
        if (TMaxDialog* d = TMaxDialog::Instance()) d->Refresh();
    }, {}, [] { return ViewOptions().stretchDisplay; });
    RegisterCommand(kStretchDisplayOff, [] {
        SetStretchDisplay(false);
        if (TMaxDialog* d = TMaxDialog::Instance()) d->Refresh();
    });
    RegisterCommand(kStretchDisplayToggle, ToggleStretchDisplay);
    RegisterCommand(kStretchDisplayRedraw, RedrawStretchDisplay);
    return true;
}();

}  // namespace
