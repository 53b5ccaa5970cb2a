#include "telescope/telescope_control.h"

#include <cctype>

#include "core/messages.h"
#include "core/state.h"
#include "devices/camera.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "telescope/lx200.h"
#include "telescope/telescope_link.h"

namespace {
bool prepared = false;
TelescopeControlState control;
}  // namespace

TelescopeControlState& TelescopeControl() { return control; }

char GuideLetterFor(char compass) {
    const Settings& s = State().settings;
    switch (compass) {
        case 'w': return MinusXLetter(s);
        case 'e': return PlusXLetter(s);
        case 'n': return PlusYLetter(s);
        default: return MinusYLetter(s);
    }
}

void ArrowPressed(char compass) {
    if (control.moving) return;
    StartMove(control.rate, MoveCommand(GuideLetterFor(compass)));
    control.moving = true;
}

void ArrowReleased() {
    if (!control.moving) return;
    StopMove();
    control.moving = false;
}

void FocusArrowPressed(bool in) {
    if (control.focusing) return;
    StartFocus(control.focusSpeed, in ? kFocusIn : kFocusOut);
    control.focusing = true;
}

void FocusArrowReleased() {
    if (!control.focusing) return;
    StopFocus();
    control.focusing = false;
}

void RelayArrowPressed(char compass) {
    if (control.moving) return;
    StartRelayMove(GuideLetterFor(compass));
    control.moving = true;
}

void RelayArrowReleased() {
    StopRelayMove();
    control.moving = false;
}

bool PrepareTelescopeControl() {
    if (!FileExists(MapPath(kSettingsPath))) LoadSettingsAtStartup();
    if (!OpenCamera()) {
        ShowMessage(50, kCameraNotFound);
        return false;
    }
    if (!prepared) {
        PrepareTelescopeLink();
        QueryFirmwareVersion();
        prepared = true;
    }
    return true;
}

void ResetTelescopeControl() {
    prepared = false;
    control = TelescopeControlState{};
}

bool ChooseObject(int messier, int ngc, char& catalogue, int& number) {
    if (messier >= 1 && messier <= 110) {
        catalogue = 'm';
        number = messier;
        return true;
    }
    if (ngc >= 1 && ngc <= 7815) {
        catalogue = 'c';
        number = ngc;
        return true;
    }
    return false;
}

bool ValidCoordinates(int hours, int minutes, int degrees, int decMinutes) {
    return hours >= 0 && hours < 24 && minutes >= 0 && minutes < 60 && degrees >= -89 && degrees < 90 &&
           decMinutes >= 0 && decMinutes < 60;
}

int PlanetNumber(const std::string& name) {
    static const int numbers[] = {901, 902, 904, 905, 906, 907, 908, 909};
    std::string lower;
    for (char c : name) lower += char(std::tolower(static_cast<unsigned char>(c)));
    for (size_t i = 0; i < 8; ++i) {
        std::string planet;
        for (const char* p = kPlanetNames[i]; *p; ++p) planet += char(std::tolower(static_cast<unsigned char>(*p)));
        if (planet == lower) return numbers[i];
    }
    return 0;
}

const char* RateCommand(char letter) {
    switch (letter) {
        case 'S': return kRateSlew;
        case 'M': return kRateFind;
        case 'C': return kRateCentre;
        default: return kRateGuide;
    }
}
