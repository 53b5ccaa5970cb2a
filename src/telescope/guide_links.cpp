// The guider dialog's manual moves go through the telescope link, unless the
// guiding code plugs its own.
#include "guiding/guider_dialog_rules.h"
#include "telescope/ao.h"
#include "telescope/telescope_control.h"

namespace {

const bool plugged = [] {
    GuiderDialogLinks& links = GuiderLinks();
    if (!links.startMove) links.startMove = StartManualMove;
    if (!links.stopMove) links.stopMove = StopManualMove;
    if (!links.aoMountMove) links.aoMountMove = [](char letter, int steps) { AoMountMove(steps, letter); };
    if (!links.centreAo) links.centreAo = CentreAo;
    return true;
}();

}  // namespace
