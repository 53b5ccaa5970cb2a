// The guiding loops' serial pulses and AO steps go through the telescope
// link: plugged into the guide outputs when the program starts.
#include "guiding/guide_output.h"
#include "guiding/guider_dialog_rules.h"
#include "telescope/ao.h"
#include "telescope/lx200.h"
#include "telescope/telescope_control.h"
#include "telescope/telescope_link.h"

namespace {

bool SerialPulse(char direction, int32_t ms) {
    TelescopeLinkState& link = TelescopeLink();
    link.direction = direction;
    link.pulseLength = uint32_t(ms > 0 ? ms : 0);
    PulseGuideSerial();
    return true;
}

bool Ao(char letter, int32_t steps) {
    AoStep(int(steps), letter);
    return true;
}

const bool plugged = [] {
    GuideLinks().serialPulse = SerialPulse;
    GuideLinks().aoStep = Ao;
    // The guider dialog's manual moves, unless the guiding code plugs its own.
    GuiderDialogLinks& links = GuiderLinks();
    if (!links.startMove) links.startMove = StartManualMove;
    if (!links.stopMove) links.stopMove = StopManualMove;
    if (!links.aoMountMove) links.aoMountMove = [](char letter, int steps) { AoMountMove(steps, letter); };
    if (!links.centreAo) links.centreAo = CentreAo;
    return true;
}();

}  // namespace
