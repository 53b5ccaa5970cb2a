#include "settings/settings_listing.h"

#include <cstdio>

namespace {

class Lister {
public:
    void Number(const char* name, double v) {
        char text[64];
        std::snprintf(text, sizeof text, "%g", v);
        lines.push_back({name, text});
    }
    void Flag(const char* name, bool v) { lines.push_back({name, v ? "yes" : "no"}); }
    void Letter(const char* name, char c) { lines.push_back({name, std::string(1, c)}); }
    void Text(const std::string& name, const std::string& v) { lines.push_back({name, "\"" + v + "\""}); }
    template <size_t N>
    void Letters(const char* name, const std::array<char, N>& letters) {
        lines.push_back({name, std::string(letters.begin(), letters.end())});
    }
    std::vector<SettingLine> lines;
};

}  // namespace

std::vector<SettingLine> ListSettings(const Settings& s, const FitsDetails& f) {
    Lister l;
    // The two file counters are counted unsigned, as the file names show them.
    l.Number("autosaveCounter", uint16_t(s.autosaveCounter));
    l.Number("utOffsetHours", s.utOffsetHours);
    l.Letter("telescopeComPort", s.telescopeComPort);
    l.Number("reserved4", s.reserved4);
    l.Number("guideStarMaskRadius", s.guideStarMaskRadius);
    l.Number("reserved6", s.reserved6);
    l.Letter("windowBackground", s.windowBackground);
    l.Flag("focusDelay", s.focusDelay);
    l.Number("raPixelsPerSecond", s.raPixelsPerSecond);
    l.Number("decPixelsPerSecond", s.decPixelsPerSecond);
    l.Number("raBacklash", s.raBacklash);
    l.Number("decBacklash", s.decBacklash);
    l.Flag("ignoreDriftBelowHysteresis", s.ignoreDriftBelowHysteresis);
    l.Letter("driveMethod", s.driveMethod);
    l.Flag("cameraOption15", s.cameraOption15);
    l.Number("raHysteresis", s.raHysteresis);
    l.Number("decHysteresis", s.decHysteresis);
    l.Letters("guideLetters", s.guideLetters);
    l.Flag("autoWeakStretch", s.autoWeakStretch);
    l.Flag("autoStrongStretch", s.autoStrongStretch);
    l.Flag("autoUserStretch", s.autoUserStretch);
    l.Number("autoUserStretchValue", s.autoUserStretchValue);
    l.Flag("autoHighPassLowPower", s.autoHighPassLowPower);
    l.Flag("autoUnsharpMask", s.autoUnsharpMask);
    l.Number("autoUnsharpDiameter", s.autoUnsharpDiameter);
    l.Number("autoUnsharpPower", s.autoUnsharpPower);
    l.Flag("autoRemoveBackground", s.autoRemoveBackground);
    l.Letter("reserved28", s.reserved28);
    l.Text("object", f.object);
    l.Text("telescope", f.telescope);
    l.Text("instrument", f.instrument);
    l.Text("observer", f.observer);
    l.Text("origin", f.origin);
    l.Text("history", f.history);
    l.Text("comment", f.comment);
    l.Text("filter", f.filter);
    l.Number("aperture", f.aperture);
    l.Number("focalLength", f.focalLength);
    l.Flag("unsignedFormat", s.unsignedFormat);
    l.Flag("showInterfaceDetails", s.showInterfaceDetails);
    l.Text("autosaveDir", s.autosaveDirText);
    l.Number("guiderRaPixelsPerSecond", s.guiderRaPixelsPerSecond);
    l.Number("guiderDecPixelsPerSecond", s.guiderDecPixelsPerSecond);
    l.Number("guiderRaBacklash", s.guiderRaBacklash);
    l.Number("guiderDecBacklash", s.guiderDecBacklash);
    l.Number("guiderRaHysteresis", s.guiderRaHysteresis);
    l.Number("guiderDecHysteresis", s.guiderDecHysteresis);
    l.Flag("ignoreBacklash", s.ignoreBacklash);
    l.Flag("filterWheelPresent", s.filterWheelPresent);
    l.Number("guiderAngle", s.guiderAngle);
    l.Flag("guiderOption57", s.guiderOption57);
    l.Number("filterCount", s.filterCount);
    for (size_t i = 0; i < s.filterNames.size(); ++i) l.Text("filterName" + std::to_string(i + 1), s.filterNames[i]);
    l.Flag("suppressFileSavingWarning", s.suppressFileSavingWarning);
    l.Flag("doNotExpandBinned", s.doNotExpandBinned);
    l.Flag("ignoreCameraVidPid", s.ignoreCameraVidPid);
    l.Flag("autoAdvance", s.autoAdvance);
    for (size_t i = 0; i < s.guiderCalibration.size(); ++i) {
        const std::string name = "guiderCalibration" + std::to_string(i + 1);
        l.Number(name.c_str(), s.guiderCalibration[i]);
    }
    l.Flag("aoOption", s.aoOption);
    l.Number("aoPort", s.aoPort);
    l.Letter("guidingMode", s.guidingMode);
    l.Letters("aoLetters", s.aoLetters);
    l.Flag("aoAvailable", s.aoAvailable);
    l.Flag("aoHalfRate", s.aoHalfRate);
    l.Number("pcComPort", s.pcComPort);
    l.Letters("bumpLetters", s.bumpLetters);
    l.Flag("guiderOption82", s.guiderOption82);
    l.Flag("guiderOption83", s.guiderOption83);
    l.Number("guiderAutosaveCounter", uint16_t(s.guiderAutosaveCounter));
    l.Flag("usePcPortForGuiding", s.usePcPortForGuiding);
    l.Flag("noNorthCorrections", s.noNorthCorrections);
    l.Flag("noSouthCorrections", s.noSouthCorrections);
    l.Number("smallestCorrection", s.smallestCorrection);
    l.Flag("tiff16", s.tiff16);
    l.Number("manualModel", s.manualModel);
    l.Text("configuredPid", s.configuredPid);
    l.Flag("helpBarAtTop", s.helpBarAtTop);
    l.Letter("guiderType", s.guiderType);
    l.Flag("useUsbFilterWheel", s.useUsbFilterWheel);
    l.Flag("maximumCooling", s.maximumCooling);
    l.Flag("flushBeforeExposure", s.flushBeforeExposure);
    return l.lines;
}
