#include "guiding/guider_dialog_rules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "acquisition/focus.h"
#include "core/messages.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "devices/camera.h"
#include "stars/centroid.h"
#include "guiding/guiding_loops.h"
#include "display/palettes.h"
#include "display/render.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "settings/settings_file.h"
#include "telescope/lx200.h"

const char* const kGuiderHelpText =
    "Select exposure range using Radio buttons on right of dialog Window \nVary exposure time using scroll "
    "arrows,and take exposure by pressing the 'Start' button\n\nRepeated exposures of 0.01 to 10 seconds will "
    "be made, \n\nPress the 'Stop' button to cease taking exposures.\n\nSelect a star to guide on by first "
    "pressing the 'Select Guide Star' button and then choosing a star\n\nAfter picking a star you may select "
    "training which will correct for orientation.\nThe Default button will reset back to stored guide rates "
    "and standard orientation";

GuiderDialogState& GuiderDialog() {
    static GuiderDialogState state;
    return state;
}

void ResetGuiderDialog() { GuiderDialog() = GuiderDialogState{}; }

int ExposureMaximum(char range) { return range == 'h' ? 500 : range == 't' ? 100 : 10; }

void SetExposureRange(GuiderExposure& e, char range) {
    if (range != 'h' && range != 't' && range != 's') return;
    e.unit = range;
    e.value = range == 's' ? 1 : 5;
}

void ScrollExposure(GuiderExposure& e, GuiderScroll action) {
    if (action == GuiderScroll::LineUp && e.value > kExposureMinimum) --e.value;
    if (action == GuiderScroll::LineDown && e.value < ExposureMaximum(e.unit)) ++e.value;
}

void ScrollStretch(GuiderDialogState& d, GuiderScroll action, int thumb) {
    int v = d.stretch;
    switch (action) {
        case GuiderScroll::LineUp: v -= 1; break;
        case GuiderScroll::LineDown: v += 1; break;
        case GuiderScroll::PageUp: v = 5; break;
        case GuiderScroll::PageDown: v = 50; break;
        case GuiderScroll::Thumb: v = thumb; break;
        case GuiderScroll::EndScroll: break;
    }
    d.stretch = std::clamp(v, kStretchMinimum, kStretchMaximum);
}

std::string DarkExposureText(char range, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%2d", value);
    const char* unit = range == 'h' ? " hundredth " : range == 't' ? " tenth " : " second ";
    return text + std::string(unit);
}

std::string DarkFrameText(const GuiderExposure& e, const std::string& darkText) {
    if (!e.darkTaken) return "No darkframe has been taken";
    return darkText + (e.applyDark ? "darkframe being used" : "darkframe available");
}

void ToggleApplyDark(GuiderExposure& e) {
    if (e.darkTaken) e.applyDark = !e.applyDark;
}

std::string UsingValsText(bool usingTrained) { return usingTrained ? "Using Trained Vals" : "Using Default Vals"; }

std::string UseDefaultButtonText(bool usingTrained, bool trainedExist) {
    return !usingTrained && trainedExist ? "Use Trained" : "Use Defaults";
}

std::string GuidingModeText(char mode) { return mode == 'A' ? "AO Unit" : "Telescope Drives"; }

std::string AoModeText(bool relayMode) { return relayMode ? "Parallel" : "Serial"; }

void ToggleUseTrained(bool& useTrained, bool trainedExist) {
    if (trainedExist) useTrained = !useTrained;
}

bool AoUpDownSwapped(const Settings& s) { return s.aoLetters[0] == 's'; }
bool AoLeftRightSwapped(const Settings& s) { return s.aoLetters[2] == 'w'; }
bool MountNorthSouthSwapped(const Settings& s) { return s.bumpLetters[0] == 'S'; }
bool MountEastWestSwapped(const Settings& s) { return s.bumpLetters[2] == 'W'; }
void SwapAoUpDown(Settings& s) { std::swap(s.aoLetters[0], s.aoLetters[1]); }
void SwapAoLeftRight(Settings& s) { std::swap(s.aoLetters[2], s.aoLetters[3]); }
void SwapMountNorthSouth(Settings& s) { std::swap(s.bumpLetters[0], s.bumpLetters[1]); }
void SwapMountEastWest(Settings& s) { std::swap(s.bumpLetters[2], s.bumpLetters[3]); }

bool ToggleGuiderBinning(Settings& s, GuiderExposure& e) {
    if (s.guiderType != 's') {
        Sys().messages->Show(kProgramCaption, kExviewBinRefusal, MessageIcon::None);
        return false;
    }
    s.guiderOption82 = !s.guiderOption82;
    e.binned = s.guiderOption82;
    return true;
}

void SelectAoPort(Settings& s, int control) {
    switch (control) {
        case gcam::kAoPortSer1: s.aoPort = 1; break;
        case gcam::kAoPortSer2: s.aoPort = 0; break;
        case gcam::kAoPortPc: s.aoPort = 3; break;
        default: break;
    }
}

int TypedInteger(const std::string& text) {
    const long v = std::strtol(text.c_str(), nullptr, 10);
    return int(std::clamp<long>(v, INT16_MIN, INT16_MAX));
}

void ChangeGuiderDefaults(Settings& s, const std::string& raRate, const std::string& decRate,
                          const std::string& raBacklash, const std::string& decBacklash,
                          const std::string& angle) {
    s.guiderRaPixelsPerSecond = int16_t(std::max(1, TypedInteger(raRate)));
    s.guiderDecPixelsPerSecond = int16_t(std::max(1, TypedInteger(decRate)));
    s.guiderRaBacklash = int16_t(TypedInteger(raBacklash));
    s.guiderDecBacklash = int16_t(TypedInteger(decBacklash));
    s.guiderAngle = float(DegreesToRadians(std::strtod(angle.c_str(), nullptr)));
}

int GuiderDisplayOffset(char guiderType) { return guiderType == 's' ? 0 : 62; }

std::vector<uint8_t> GuiderDisplayBytes(const Pixel* frame, int width, int height, bool stretch,
                                        int stretchValue, int black) {
    std::vector<uint8_t> bytes(size_t(width) * height);
    for (size_t i = 0; i < bytes.size(); ++i) {
        int b = frame[i] >> 8;
        if (stretch) b = std::clamp((b - black) * stretchValue / 5, 0, 255);
        bytes[i] = uint8_t(b);
    }
    return bytes;
}

int WriteGuiderBitmap(const GuiderDialogState& d) {
    const AppState& s = State();
    const int width = GuiderWidth(s.settings.guiderType);
    const std::vector<uint8_t> bytes =
        GuiderDisplayBytes(s.guiderA, width, kGuiderRows, d.stretchImages, d.stretch, d.black);
    std::vector<uint8_t> file;
    BuildBitmapFile(bytes.data(), width, kGuiderRows, false, GreyPalette(nullptr), file);
    const std::string path = MapPath(s.geometry.guiderBitmapName);
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) EnsureDirectory(path.substr(0, slash));
    return ReplaceFile(path, file) ? 0 : 1;
}

int GuiderBlackLevel() {
    int mostFrequent = 0, highest = 0;
    GuiderHistogram(State().guiderA, GuiderWidth(State().settings.guiderType), kGuiderRows, mostFrequent, highest);
    return mostFrequent;
}

void ReportBitmapResult(int result) {
    if (result >= 1 && result <= 3) ShowMessage(7 + result);
}

int16_t NextGuiderAutosaveCounter(int16_t counter) {
    const uint16_t u = uint16_t(counter);
    if (u >= 65534) return 1;
    return int16_t(uint16_t(u + 1));
}

std::string GuiderAutosaveName(const std::string& directory, int16_t counter) {
    return JoinPath(directory, "IMG" + std::to_string(uint16_t(counter)) + ".BMP");
}

void SaveGuiderSettings() { SaveSettingsReporting(28); }

bool AutosaveGuiderBitmap() {
    AppState& s = State();
    const int16_t next = NextGuiderAutosaveCounter(s.settings.guiderAutosaveCounter);
    const std::string directory = AutosaveDirectory();
    const std::string target = MapPath(GuiderAutosaveName(directory, next));
    const auto bitmap = ReadWholeFile(MapPath(s.geometry.guiderBitmapName));
    const bool copied = EnsureDirectory(MapPath(directory, true)) && bitmap && ReplaceFile(target, *bitmap);
    if (!copied) {
        ShowMessage(50, kGuiderAutosaveFailure);
        return false;
    }
    ShowFileSaved(target);
    s.settings.guiderAutosaveCounter = next;
    SaveGuiderSettings();
    return true;
}

bool TakeGuiderDark(GuiderDialogState& d) {
    GuiderExposure& e = Guider().exposure;
    // The dark is taken without the old dark applied.
    const bool applying = e.applyDark;
    e.applyDark = false;
    Sys().system->SetBusyCursor(true);
    const bool ok = TakeGuiderFrame();
    Sys().system->SetBusyCursor(false);
    e.applyDark = applying;
    if (!ok) return false;
    d.black = GuiderBlackLevel();
    const int result = WriteGuiderBitmap(d);
    if (result != 0) {
        ReportBitmapResult(result);
        return false;
    }
    AppState& s = State();
    std::copy(s.guiderA, s.guiderA + size_t(kGuiderWidth) * kGuiderRows, s.guiderB);
    d.darkText = DarkExposureText(e.unit, e.value);
    e.darkTaken = true;
    return true;
}

void DiscardGuiderFrames() {
    AppState& s = State();
    // Two frames are read and thrown away first.
    for (int i = 0; i < 2; ++i) {
        StartGuiderIntegration();
        ReadGuiderFrame(s.settings.guiderType, Guider().exposure.binned, 0, s.guiderA);
    }
}

int RunGuiderExposures(GuiderDialogState& d, const std::function<void()>& refresh, int maxFrames) {
    d.exposing = true;
    d.stopRequested = false;
    DiscardGuiderFrames();
    int frames = 0;
    // "Stop" and a left-button press (the dialog notes it in stopRequested)
    // end the run; no key or right-button press does.
    while (!PumpGuiderEvents() && !d.stopRequested && (maxFrames <= 0 || frames < maxFrames)) {
        Sys().system->SetBusyCursor(true);
        const bool ok = TakeGuiderFrame();
        Sys().system->SetBusyCursor(false);
        // A camera that stopped answering ends the run (its message is shown).
        if (!ok) break;
        d.black = GuiderBlackLevel();
        ++frames;
        if (refresh) refresh();
        const int result = WriteGuiderBitmap(d);
        if (refresh) refresh();
        Sys().events->Pump();
        if (d.autosaveBmp && result == 0) AutosaveGuiderBitmap();
        ReportBitmapResult(result);
        if (refresh) refresh();
        Beep();
        if (d.pause) WaitMs(1000);
    }
    d.exposing = false;
    d.stopRequested = false;
    return frames;
}

bool PickInsideFrame(int cx, int cy, int offset, int h, int width) {
    return offset + h + 10 <= cx && cx <= offset + width - h + 10 && h + 45 <= cy && cy <= 335 - h;
}

bool PickGuideStar(GuiderDialogState& d, int cx, int cy, int offset, int h, int width,
                   const GuiderStarFinder& find, const std::function<void(int, int)>& moveCursor) {
    if (!PickInsideFrame(cx, cy, offset, h, width)) {
        ShowMessage(2);
        return false;
    }
    int x = cx - offset - 10, y = cy - 45;
    for (int pass = 0; pass < 3; ++pass) {
        if (!find(x, y)) return false;
        if (moveCursor) moveCursor(x + offset + 10, y + 45);
    }
    GuiderState& g = Guider();
    g.starSelected = true;
    g.starX = x;
    g.starY = y;
    char text[64];
    std::snprintf(text, sizeof text, "x position = %5d\ny position = %5d", x, y);
    ShowMessage(50, text);
    d.pickArmed = false;
    return true;
}

bool FindGuiderStarOnce(int& x, int& y) {
    StarPosition p;
    if (!FindStarOnSky(State().guiderA, GuiderFrameWidth(), GuiderFrameHeight(), x, y, GuidingSearchRadius(), 1, true,
                       p))
        return false;
    x = p.x;
    y = p.y;
    return true;
}

bool TrackCursor(GuiderDialogState& d, int cx, int cy, int offset, int width, const Pixel* frame) {
    const int x = cx - offset - 10, y = cy - 45;
    if (x < 0 || x >= width || y < 0 || y >= kGuiderRows) return false;
    d.cursorX = x;
    d.cursorY = y;
    d.cursorValue = frame[size_t(y) * width + x] / 256;
    return true;
}

void SaveLatestGuider(Settings& s, const GuiderState& g) {
    if (!g.trained) return;
    const GuiderTrainingResult& t = g.trainedSet;
    s.guiderRaPixelsPerSecond = std::max<int16_t>(1, t.storedRaRate);
    s.guiderDecPixelsPerSecond = std::max<int16_t>(1, t.storedDecRate);
    s.guiderRaBacklash = t.storedRaBacklash;
    s.guiderDecBacklash = t.storedDecBacklash;
    s.guiderAngle = float(t.theta);
}

int16_t& AoRaGain(Settings& s) { return s.guiderCalibration[0]; }
int16_t& AoDecGain(Settings& s) { return s.guiderCalibration[1]; }

void ChangeAoGains(Settings& s, const std::string& ra, const std::string& dec) {
    AoRaGain(s) = int16_t(std::max(1, TypedInteger(ra)));
    AoDecGain(s) = int16_t(std::max(1, TypedInteger(dec)));
}

void SaveLatestAo(Settings& s, const GuiderState& g) {
    if (!g.aoTrained) return;
    AoRaGain(s) = std::max<int16_t>(1, g.aoTrainedSet.storedRaGain);
    AoDecGain(s) = std::max<int16_t>(1, g.aoTrainedSet.storedDecGain);
}

ManualMove ManualMoveFor(const Settings& s, int bar, GuiderScroll action, bool moving) {
    ManualMove move;
    int index = -1;  // into the guide direction letters: +y, -y, +x, -x
    if (bar == gcam::kMoveLeftRight && action == GuiderScroll::LineUp) index = 3;    // West
    if (bar == gcam::kMoveLeftRight && action == GuiderScroll::LineDown) index = 2;  // East
    if (bar == gcam::kMoveUpDown && action == GuiderScroll::LineUp) index = 0;       // North
    if (bar == gcam::kMoveUpDown && action == GuiderScroll::LineDown) index = 1;     // South
    if (s.guidingMode == 'A') {
        // The AO letters are kept in the same order of directions: +y
        // (north), non-positive y (south), non-positive x (east), +x (west).
        if (index < 0) return move;
        move.kind = ManualMove::AoMove;
        move.letter = s.aoLetters[index];
        return move;
    }
    if (action == GuiderScroll::EndScroll) {
        if (moving) move.kind = ManualMove::Stop;
        return move;
    }
    if (index < 0 || moving) return move;
    move.kind = ManualMove::Start;
    const char letters[4] = {PlusYLetter(s), MinusYLetter(s), PlusXLetter(s), MinusXLetter(s)};
    move.letter = letters[index];
    return move;
}
