#include "display/view_options.h"

#include <algorithm>

#include "core/command_ids.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "display/display_state.h"
#include "display/render.h"
#include "display/view_command_ids.h"
#include "display/view_layout.h"
#include "platform/platform.h"

namespace {

void Rebuild() {
    RedrawImage();
    AdjustScroller(false);
}

}  // namespace

void ToggleFitToWindow() {
    DisplayOptions& o = ViewOptions();
    if (Picking().modes.photometry) return;  // fixed while photometry runs
    o.fitToWindow = !o.fitToWindow;
    if (o.fitToWindow) o.centreImage = false;
    AdjustScroller(false);
    InvalidateView();
}

void ToggleCentreImage() {
    DisplayOptions& o = ViewOptions();
    if (Picking().modes.photometry) return;
    o.centreImage = !o.centreImage;
    if (o.centreImage) o.fitToWindow = false;
    AdjustScroller(false);
    InvalidateView();
}

void ToggleBinnedDisplay() {
    SetBinnedDisplay(!BinnedDisplay());
    Rebuild();
    UpdateMainWindowToolBar();
}

void ToggleFalseColour() {
    ViewOptions().falseColour = !ViewOptions().falseColour;
    Rebuild();
}

void ToggleAutoContrast() {
    ViewOptions().autoContrast = !ViewOptions().autoContrast;
    Rebuild();
}

void ToggleShowImageCentre() {
    ViewOptions().showImageCentre = !ViewOptions().showImageCentre;
    Rebuild();
}

void SetStretchDisplay(bool on) {
    ViewOptions().stretchDisplay = on;
    Rebuild();
    UpdateMainWindowToolBar();
}

void ToggleStretchDisplay() { SetStretchDisplay(!ViewOptions().stretchDisplay); }

void RedrawStretchDisplay() { Rebuild(); }

void MirrorImageCommand() {
    AppState& s = State();
    Sys().system->SetBusyCursor(true);
    MirrorRows(s.imageA, s.imageB, s.geometry.width, s.geometry.height);
    Sys().system->SetBusyCursor(false);
    Rebuild();
}

void FlipImageCommand() {
    AppState& s = State();
    Sys().system->SetBusyCursor(true);
    FlipRows(s.imageA, s.imageB, s.geometry.width, s.geometry.height);
    Sys().system->SetBusyCursor(false);
    Rebuild();
}

int BinnedDisplayToolBitmap() {
    return BinnedDisplay() ? display_cmd::kBinnedOnBitmap : display_cmd::kBinnedOffBitmap;
}

int StretchDisplayToolBitmap() {
    return ViewOptions().stretchDisplay ? display_cmd::kStretchOnBitmap : display_cmd::kStretchOffBitmap;
}

int StretchDisplayToolCommand() {
    return ViewOptions().stretchDisplay ? cmd::kStretchDisplayOff : cmd::kStretchDisplayOn;
}

double ScrollStretchPower(double power, ScrollAction action, int thumb) {
    switch (action) {
    case ScrollAction::LineUp: return power > 2 ? power - 1 : power;
    case ScrollAction::LineDown: return power < 50 ? power + 1 : power;
    case ScrollAction::PageUp: return 2;
    case ScrollAction::PageDown: return 50;
    case ScrollAction::Thumb: return std::clamp(double(thumb), 2.0, 50.0);
    }
    return power;
}

int ScrollStretchBlackLevel(int level, ScrollAction action, int thumb) {
    switch (action) {
    case ScrollAction::LineUp: return std::max(0, level - 1);
    case ScrollAction::LineDown: return std::min(250, level + 1);
    case ScrollAction::PageUp: return 0;
    case ScrollAction::PageDown: return 250;
    case ScrollAction::Thumb: return std::clamp(thumb, 0, 250);
    }
    return level;
}
