// The View menu and the display tool-bar buttons: command numbers bound to
// the display's option handlers, with their check marks.
#include "core/command_ids.h"
#include "core/commands.h"
#include "display/display_state.h"
#include "display/stretch_display_dialog.h"
#include "display/view_options.h"

namespace {

const bool registered = [] {
    RegisterCommand(cmd::kFitToWindow, ToggleFitToWindow, {}, [] { return ViewOptions().fitToWindow; });
    RegisterCommand(cmd::kCentreImage, ToggleCentreImage, {}, [] { return ViewOptions().centreImage; });
    RegisterCommand(cmd::kBinHighResDisplay, ToggleBinnedDisplay, {}, [] { return BinnedDisplay(); });
    RegisterCommand(cmd::kFalseColour, ToggleFalseColour, {}, [] { return ViewOptions().falseColour; });
    RegisterCommand(cmd::kAutoContrast, ToggleAutoContrast, {}, [] { return ViewOptions().autoContrast; });
    RegisterCommand(cmd::kShowImageCentre, ToggleShowImageCentre);
    RegisterCommand(cmd::kMirrorImage, MirrorImageCommand);
    RegisterCommand(cmd::kFlipImage, FlipImageCommand);
    RegisterCommand(cmd::kMaxPaletteStretch, [] { TMaxDialog::Open(); });
    // The tool-bar pair shows the stretch display state: 1901 reports itself
    // checked while stretch display is on.
    RegisterCommand(cmd::kStretchDisplayOn, [] {
        SetStretchDisplay(true);
        if (TMaxDialog* d = TMaxDialog::Instance()) d->Refresh();
    }, {}, [] { return ViewOptions().stretchDisplay; });
    RegisterCommand(cmd::kStretchDisplayOff, [] {
        SetStretchDisplay(false);
        if (TMaxDialog* d = TMaxDialog::Instance()) d->Refresh();
    });
    RegisterCommand(cmd::kStretchDisplayToggle, ToggleStretchDisplay);
    RegisterCommand(cmd::kStretchDisplayRedraw, RedrawStretchDisplay);
    return true;
}();

}  // namespace
