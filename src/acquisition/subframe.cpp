#include "acquisition/subframe.h"

#include "core/state.h"
#include "display/display_state.h"

SubFrameBox SubFrameBoxFor(int sensorWidth, int sensorHeight, int divisor) {
    if (divisor != 2 && divisor != 3) divisor = 4;
    return {sensorWidth / divisor, sensorHeight / divisor};
}

SubFrameBox CurrentSubFrameBox() {
    const ImageGeometry& g = State().geometry;
    return SubFrameBoxFor(g.sensorWidth, g.sensorHeight, g.subFrameBinning);
}

void SetSubFrameDivisor(int divisor) {
    State().geometry.subFrameBinning = (divisor == 2 || divisor == 3) ? divisor : 4;
}

int SubFrameButtonFor(int divisor) { return divisor == 2 ? 210 : divisor == 3 ? 211 : 212; }

// The sub-frame centre is kept in full-frame pixels (the sub-frame read and
// the sub-frame pick work in them), so the centre of a binned image is
// scaled back up.
void DefaultSubFrameCentre() {
    ImageGeometry& g = State().geometry;
    const int scale = g.binned ? 2 : 1;
    g.subFrameCentreX = g.width / 2 * scale;
    g.subFrameCentreY = g.height / 2 * scale;
}

static void ArrowCursor() {
    if (ViewHooks().updateCursor) ViewHooks().updateCursor();
}

void PickSubFrame() {
    PickModes& modes = Picking().modes;
    modes.subFramePick = true;
    modes.focusFramePick = false;
    modes.guideStarPick = false;
    ArrowCursor();
}

void FocusFrameCentre() {
    PickModes& modes = Picking().modes;
    modes.focusFramePick = true;
    modes.subFramePick = false;
    modes.guideStarPick = false;
    ArrowCursor();
}

void DefaultFocusFrameCentre() {
    ImageGeometry& g = State().geometry;
    g.focusCentreX = g.width / 2;
    g.focusCentreY = g.height / 2;
    g.focusOriginX = g.width / 2 - g.focusHalfSize;
    g.focusOriginY = g.height / 2 - g.focusHalfSize;
}

void StoreFocusCentre(int x, int y) {
    ImageGeometry& g = State().geometry;
    g.focusCentreX = x;
    g.focusCentreY = y;
    g.focusOriginX = x - g.focusHalfSize;
    g.focusOriginY = y - g.focusHalfSize;
}

// The display stores focus-frame picks through this hook.
static const bool focusHookInstalled = [] {
    PickingHooks().storeFocusCentre = StoreFocusCentre;
    return true;
}();
