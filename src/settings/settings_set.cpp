#include "settings/settings_set.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>

#include "core/camera_models.h"
#include "core/state.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/ini_rules.h"
#include "settings/settings_file.h"
#include "settings/settings_listing.h"

namespace {

// A setter parses the text into the records; false when the text is not a
// value of the setting's kind or the dialog's rule refuses it.
using Setter = std::function<bool(Settings&, FitsDetails&, const std::string&)>;

bool ParseNumber(const std::string& text, long& v) {
    if (text.empty()) return false;
    char* end = nullptr;
    v = std::strtol(text.c_str(), &end, 10);
    return *end == 0 && v >= -32768 && v <= 32767;
}

bool ParseFlag(const std::string& text, bool& v) {
    if (text == "yes" || text == "y" || text == "1") {
        v = true;
    } else if (text == "no" || text == "n" || text == "0") {
        v = false;
    } else {
        return false;
    }
    return true;
}

Setter Short(int16_t Settings::*field, long lo = -32768, long hi = 32767) {
    return [=](Settings& s, FitsDetails&, const std::string& t) {
        long v;
        if (!ParseNumber(t, v) || v < lo || v > hi) return false;
        s.*field = int16_t(v);
        return true;
    };
}

Setter Flag(bool Settings::*field) {
    return [=](Settings& s, FitsDetails&, const std::string& t) { return ParseFlag(t, s.*field); };
}

Setter Letter(char Settings::*field, const std::string& allowed) {
    return [=](Settings& s, FitsDetails&, const std::string& t) {
        if (t.size() != 1 || allowed.find(t[0]) == std::string::npos) return false;
        s.*field = t[0];
        return true;
    };
}

// Four letters: one of the forms the swap buttons can make.
Setter Letters(std::array<char, 4> Settings::*field, std::vector<std::string> forms) {
    return [=](Settings& s, FitsDetails&, const std::string& t) {
        if (std::find(forms.begin(), forms.end(), t) == forms.end()) return false;
        std::copy(t.begin(), t.end(), (s.*field).begin());
        return true;
    };
}

Setter FitsText(std::string FitsDetails::*field, size_t limit) {
    return [=](Settings&, FitsDetails& f, const std::string& t) {
        if (t.size() > limit || t.find('\'') != std::string::npos) return false;
        f.*field = t;
        return true;
    };
}

Setter OneOf(int16_t Settings::*field, std::vector<int> values) {
    return [=](Settings& s, FitsDetails&, const std::string& t) {
        long v;
        if (!ParseNumber(t, v) || std::find(values.begin(), values.end(), int(v)) == values.end()) return false;
        s.*field = int16_t(v);
        return true;
    };
}

std::map<std::string, Setter> Setters() {
    std::map<std::string, Setter> m;
    m["autosaveCounter"] = Short(&Settings::autosaveCounter, 0);
    m["utOffsetHours"] = Short(&Settings::utOffsetHours, -12, 14);
    m["telescopeComPort"] = [](Settings& s, FitsDetails&, const std::string& t) {
        if (t != "1" && t != "2" && t != "3") return false;
        SelectTelescopePort(s, t[0]);
        return true;
    };
    m["guideStarMaskRadius"] = OneOf(&Settings::guideStarMaskRadius, {kMaskRadii.begin(), kMaskRadii.end()});
    m["windowBackground"] = Letter(&Settings::windowBackground, "lgr");
    m["focusDelay"] = Flag(&Settings::focusDelay);
    // The slew values: a rate of 0 is never stored, hysteresis at most 20.
    m["raPixelsPerSecond"] = Short(&Settings::raPixelsPerSecond, 1, 49);
    m["decPixelsPerSecond"] = Short(&Settings::decPixelsPerSecond, 1, 49);
    m["raBacklash"] = Short(&Settings::raBacklash, 0, 30);
    m["decBacklash"] = Short(&Settings::decBacklash, 0, 49);
    m["ignoreDriftBelowHysteresis"] = Flag(&Settings::ignoreDriftBelowHysteresis);
    m["driveMethod"] = Letter(&Settings::driveMethod, "nlab");
    m["raHysteresis"] = Short(&Settings::raHysteresis, 0, 20);
    m["decHysteresis"] = Short(&Settings::decHysteresis, 0, 20);
    m["guideLetters"] = Letters(&Settings::guideLetters, {"nsew", "snew", "nswe", "snwe"});
    m["autoWeakStretch"] = Flag(&Settings::autoWeakStretch);
    m["autoStrongStretch"] = Flag(&Settings::autoStrongStretch);
    m["autoUserStretch"] = Flag(&Settings::autoUserStretch);
    m["autoUserStretchValue"] = Short(&Settings::autoUserStretchValue, 2, 29);
    m["autoHighPassLowPower"] = Flag(&Settings::autoHighPassLowPower);
    m["autoUnsharpMask"] = Flag(&Settings::autoUnsharpMask);
    m["autoUnsharpDiameter"] = Short(&Settings::autoUnsharpDiameter, 2, 6);
    m["autoUnsharpPower"] = Short(&Settings::autoUnsharpPower, 1, 6);
    m["autoRemoveBackground"] = Flag(&Settings::autoRemoveBackground);
    m["object"] = FitsText(&FitsDetails::object, 68);
    m["telescope"] = FitsText(&FitsDetails::telescope, 68);
    m["instrument"] = FitsText(&FitsDetails::instrument, 68);
    m["observer"] = FitsText(&FitsDetails::observer, 68);
    m["origin"] = FitsText(&FitsDetails::origin, 68);
    m["filter"] = FitsText(&FitsDetails::filter, 68);
    m["showInterfaceDetails"] = Flag(&Settings::showInterfaceDetails);
    m["autosaveDir"] = [](Settings& s, FitsDetails&, const std::string& t) { return ApplyAutosaveDirectory(s, t); };
    m["guiderRaPixelsPerSecond"] = Short(&Settings::guiderRaPixelsPerSecond, 1, 49);
    m["guiderDecPixelsPerSecond"] = Short(&Settings::guiderDecPixelsPerSecond, 1, 49);
    m["guiderRaBacklash"] = Short(&Settings::guiderRaBacklash, 0, 30);
    m["guiderDecBacklash"] = Short(&Settings::guiderDecBacklash, 0, 49);
    m["guiderRaHysteresis"] = Short(&Settings::guiderRaHysteresis, 0, 20);
    m["guiderDecHysteresis"] = Short(&Settings::guiderDecHysteresis, 0, 20);
    m["ignoreBacklash"] = Flag(&Settings::ignoreBacklash);
    m["guiderOption57"] = Flag(&Settings::guiderOption57);
    m["filterCount"] = Short(&Settings::filterCount, 1, 8);
    m["suppressFileSavingWarning"] = Flag(&Settings::suppressFileSavingWarning);
    m["doNotExpandBinned"] = Flag(&Settings::doNotExpandBinned);
    m["ignoreCameraVidPid"] = Flag(&Settings::ignoreCameraVidPid);
    m["autoAdvance"] = Flag(&Settings::autoAdvance);
    m["aoOption"] = Flag(&Settings::aoOption);
    // "Ser 1", "Ser 2", "PC ".
    m["aoPort"] = OneOf(&Settings::aoPort, {1, 0, 3});
    m["guidingMode"] = Letter(&Settings::guidingMode, "TA");
    m["aoLetters"] = Letters(&Settings::aoLetters, {"nsew", "snew", "nswe", "snwe"});
    m["aoAvailable"] = [](Settings& s, FitsDetails&, const std::string& t) {
        bool on;
        if (!ParseFlag(t, on)) return false;
        SetAoAvailable(s, on);
        return true;
    };
    m["aoHalfRate"] = Flag(&Settings::aoHalfRate);
    // Zero-based, as listed; the dialog takes ports 1..7.
    m["pcComPort"] = [](Settings& s, FitsDetails&, const std::string& t) {
        long v;
        if (!ParseNumber(t, v) || v < 0 || v > 6) return false;
        ApplyShownPcComPort(s, int(v + 1));
        return true;
    };
    m["bumpLetters"] = Letters(&Settings::bumpLetters, {"NSTW", "SNTW", "NSWT", "SNWT"});
    m["usePcPortForGuiding"] = Flag(&Settings::usePcPortForGuiding);
    m["noNorthCorrections"] = Flag(&Settings::noNorthCorrections);
    m["noSouthCorrections"] = Flag(&Settings::noSouthCorrections);
    m["smallestCorrection"] =
        OneOf(&Settings::smallestCorrection, {kSmallestCorrections.begin(), kSmallestCorrections.end()});
    m["tiff16"] = Flag(&Settings::tiff16);
    m["manualModel"] = [](Settings& s, FitsDetails&, const std::string& t) {
        long v;
        if (!ParseNumber(t, v) || !FindCameraModel(int(v))) return false;
        SelectManualModel(s, int(v));
        return true;
    };
    m["helpBarAtTop"] = Flag(&Settings::helpBarAtTop);
    m["guiderType"] = [](Settings& s, FitsDetails&, const std::string& t) {
        if (t.size() != 1 || (t[0] != 's' && t[0] != 'x')) return false;
        SelectGuiderType(s, t[0]);
        return true;
    };
    m["useUsbFilterWheel"] = Flag(&Settings::useUsbFilterWheel);
    m["maximumCooling"] = Flag(&Settings::maximumCooling);
    m["flushBeforeExposure"] = Flag(&Settings::flushBeforeExposure);
    return m;
}

std::string ListedValue(const Settings& s, const FitsDetails& f, const std::string& name) {
    for (const SettingLine& line : ListSettings(s, f))
        if (line.name == name) return line.value;
    return "";
}

// The file's own rule: the candidate written and read back must list the
// same value for the name.
bool SurvivesTheFile(const std::string& name) {
    AppState& state = State();
    const std::string want = ListedValue(state.settings, state.fits, name);
    const Settings keepSettings = state.settings;
    const FitsDetails keepFits = state.fits;
    const std::string check = MapPath(kSettingsPath) + ".check";
    bool same = false;
    // A first command-line run has not made the folder (reading commands write nothing).
    const size_t slash = check.find_last_of('/');
    if (slash != std::string::npos) EnsureDirectory(check.substr(0, slash));
    if (ReplaceFile(check, EncodeSettings())) {
        state.settings = Settings{};
        state.fits = FitsDetails{};
        same = LoadSettings(check) == 0 && ListedValue(state.settings, state.fits, name) == want;
    }
    RemoveFile(check);
    state.settings = keepSettings;
    state.fits = keepFits;
    return same;
}

}  // namespace

SetSettingResult SetSetting(const std::string& name, const std::string& value, std::string& why) {
    static const std::map<std::string, Setter> setters = Setters();
    const auto it = setters.find(name);
    if (it == setters.end()) {
        why = "Sorry, there is no setting called " + name;
        return SetSettingResult::UnknownName;
    }
    AppState& state = State();
    const Settings keepSettings = state.settings;
    const FitsDetails keepFits = state.fits;
    bool ok = it->second(state.settings, state.fits, value);
    // "Use PC Port" is kept in memory only (the file stores Com2).
    if (ok && name != "telescopeComPort") ok = SurvivesTheFile(name);
    if (!ok) {
        state.settings = keepSettings;
        state.fits = keepFits;
        why = "Sorry, \"" + value + "\" is not a valid value for " + name;
        return SetSettingResult::BadValue;
    }
    if (SaveSettings() != 0) {
        state.settings = keepSettings;
        state.fits = keepFits;
        why = "Unable to save INI file, please check disk space";
        return SetSettingResult::WriteFailed;
    }
    return SetSettingResult::Done;
}
