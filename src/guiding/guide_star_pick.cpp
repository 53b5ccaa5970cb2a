#include "guiding/guide_star_pick.h"

#include "core/command_ids.h"
#include "core/commands.h"
#include "display/display_state.h"
#include "guiding/guider_state.h"

// Refused (message 33) while the picture is fitted or centred. Otherwise a
// toggle: turning it off only clears the mode; turning it on arms the pick
// with the configured guiding search radius and the standard arrow cursor.
void PickGuideStarCommand() {
    if (RefuseInFittedOrCentredDisplay(33)) return;
    PickState& p = Picking();
    if (p.modes.guideStarPick) {
        p.modes.guideStarPick = false;
        return;
    }
    p.modes.guideStarPick = true;
    p.guideSearchRadius = GuidingSearchRadius();
    if (ViewHooks().updateCursor) ViewHooks().updateCursor();
}

static const bool registered = [] {
    RegisterCommand(cmd::kPickGuideStar, PickGuideStarCommand);
    return true;
}();
