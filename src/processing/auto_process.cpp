#include "processing/auto_process.h"

#include <cerrno>
#include <cstdlib>

#include "core/state.h"
#include "display/display_state.h"
#include "display/render.h"
#include "platform/platform.h"
#include "processing/filters.h"
#include "processing/stretches.h"

int AutoStretchPower(const Settings& s) {
    if (s.autoWeakStretch) return 2;
    if (s.autoStrongStretch) return 18;
    if (s.autoUserStretch) return s.autoUserStretchValue;
    return 0;
}

int AutoStretchChoice(const Settings& s) {
    if (s.autoWeakStretch) return 102;
    if (s.autoStrongStretch) return 103;
    if (s.autoUserStretch) return 104;
    return 101;
}

void SetAutoStretchChoice(Settings& s, int buttonId) {
    s.autoWeakStretch = buttonId == 102;
    s.autoStrongStretch = buttonId == 103;
    s.autoUserStretch = buttonId == 104;
}

namespace {
// A whole-number entry; false for empty, signed garbage or trailing text.
bool ParseEntry(const std::string& text, long& value) {
    const char* begin = text.c_str();
    while (*begin == ' ') ++begin;
    if (*begin == '\0') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(begin, &end, 10);
    while (*end == ' ') ++end;
    return errno == 0 && *end == '\0';
}
}  // namespace

bool TakeAutoChoiceEntries(Settings& s, const std::string& userPower, const std::string& diameter,
                           const std::string& power) {
    long v = 0;
    bool all = true;
    if (ParseEntry(userPower, v) && v >= 2 && v < 30) s.autoUserStretchValue = int16_t(v);
    else all = false;
    if (ParseEntry(diameter, v) && v >= 2 && v <= 6) s.autoUnsharpDiameter = int16_t(v);
    else all = false;
    if (ParseEntry(power, v) && v >= 1 && v <= 6) s.autoUnsharpPower = int16_t(v);
    else all = false;
    return all;
}

void AutoProcess(bool redraw) {
    AppState& st = State();
    const Settings& s = st.settings;
    Sys().system->SetBusyCursor(true);
    if (const int power = AutoStretchPower(s)) {
        const int blackPoint = AutoContrastBlackPoint(st.imageA, st.geometry.width, st.geometry.height);
        BlackPoint() = blackPoint;
        if (s.autoRemoveBackground) RemoveBackground(blackPoint, false);
        NonLinearStretch(power, false);
    }
    if (s.autoHighPassLowPower) HighPassLowPower(false);
    if (s.autoUnsharpMask) Unsharp(s.autoUnsharpDiameter, s.autoUnsharpPower, false);
    if (redraw) RedrawImage();
    Sys().system->SetBusyCursor(false);
}
