#include "settings/ini_rules.h"

#include <algorithm>
#include <cctype>

#include "core/camera_models.h"
#include "core/messages.h"
#include "platform/paths.h"

void SelectTelescopePort(Settings& s, char port) {
    s.telescopeComPort = port;
    if (port == '3') s.usePcPortForGuiding = true;
}

bool NorthSouthSwapped(const Settings& s) { return s.guideLetters[0] == 's'; }

void ToggleNorthSouth(Settings& s) {
    const bool first = s.guideLetters[0] == 'n';
    s.guideLetters[0] = first ? 's' : 'n';
    s.guideLetters[1] = first ? 'n' : 's';
}

bool EastWestSwapped(const Settings& s) { return s.guideLetters[2] == 'w'; }

void ToggleEastWest(Settings& s) {
    const bool east = s.guideLetters[2] == 'e';
    s.guideLetters[2] = east ? 'w' : 'e';
    s.guideLetters[3] = east ? 'e' : 'w';
}

int LimitHysteresis(int value) { return value > 20 ? 20 : value; }

int LimitRaBacklash(int value) { return std::clamp(value, 0, 30); }

void ApplySlewValues(Settings& s, const SlewValues& v) {
    s.raPixelsPerSecond = int16_t(v[0]);
    s.decPixelsPerSecond = int16_t(v[1]);
    s.raBacklash = int16_t(LimitRaBacklash(v[2]));
    s.decBacklash = int16_t(v[3]);
    s.raHysteresis = int16_t(LimitHysteresis(v[4]));
    s.decHysteresis = int16_t(LimitHysteresis(v[5]));
    s.guiderRaPixelsPerSecond = int16_t(v[6]);
    s.guiderDecPixelsPerSecond = int16_t(v[7]);
    s.guiderRaBacklash = int16_t(LimitRaBacklash(v[8]));
    s.guiderDecBacklash = int16_t(v[9]);
    s.guiderRaHysteresis = int16_t(LimitHysteresis(v[10]));
    s.guiderDecHysteresis = int16_t(LimitHysteresis(v[11]));
}

SlewValues CurrentSlewValues(const Settings& s) {
    return {s.raPixelsPerSecond,       s.decPixelsPerSecond,       s.raBacklash,       s.decBacklash,
            s.raHysteresis,            s.decHysteresis,            s.guiderRaPixelsPerSecond,
            s.guiderDecPixelsPerSecond, s.guiderRaBacklash,        s.guiderDecBacklash, s.guiderRaHysteresis,
            s.guiderDecHysteresis};
}

void ApplyFilterDetails(Settings& s, int count, const std::array<std::string, 8>& names) {
    s.filterCount = int16_t(count <= 0 || count > 8 ? 7 : count);
    for (size_t i = 0; i < names.size(); ++i) s.filterNames[i] = names[i].substr(0, 8);
}

void ApplyShownPcComPort(Settings& s, int shown) {
    if (shown >= 1 && shown <= 7) s.pcComPort = int16_t(shown - 1);
}

void SelectManualModel(Settings& s, int modelCode) {
    s.manualModel = int16_t(modelCode);
    if (const CameraModel* model = FindCameraModel(modelCode)) s.configuredPid = model->manualPid;
}

void SetAoAvailable(Settings& s, bool on) {
    s.aoAvailable = on;
    if (on) s.guidingMode = 'A';
}

void SelectGuiderType(Settings& s, char type) {
    s.guiderType = type;
    if (type != 's') s.guiderOption82 = false;
}

bool ApplyAutosaveDirectory(Settings& s, const std::string& typedText) {
    const std::string typed = typedText.substr(0, 78);
    // Only the program's drive c: exists on this system.
    const bool otherDrive = HasDrive(typed) && std::toupper(static_cast<unsigned char>(typed[0])) != 'C';
    // The folder checked is the folder the saves will use (AutosaveDirectory).
    const std::string folder = typed.empty() ? std::string(kDefaultAutosaveDir) : ResolveTypedFolder(typed);
    if (otherDrive || !EnsureDirectory(MapPath(folder, true))) {
        ShowMessage(52);
        return false;
    }
    s.autosaveDirText = typed;
    return true;
}
