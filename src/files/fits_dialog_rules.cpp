#include "files/fits_dialog_rules.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/state.h"

namespace {

std::string Number(double value) {
    char text[512];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

void ParseNumber(const std::string& text, double& value) {
    const std::string head = text.substr(0, 19);
    char* end = nullptr;
    const double parsed = std::strtod(head.c_str(), &end);
    if (end != head.c_str() && std::isfinite(parsed)) value = parsed;
}

}  // namespace

FitsDialogTexts FitsDialogTextsFromDetails() {
    const AppState& s = State();
    const FitsDetails& f = s.fits;
    FitsDialogTexts t;
    t.object = f.object;
    t.observer = f.observer;
    t.date = f.date;
    t.telescope = f.telescope;
    t.instrument = f.instrument;
    t.comments = f.comment;
    t.history = f.history;
    t.origin = f.origin;
    t.time = f.time;
    t.focalLength = Number(f.focalLength);
    t.aperture = Number(f.aperture);
    t.filter = f.filter;
    t.exposure = Number(f.exposure);
    const int ut = s.settings.utOffsetHours;
    t.utOffset = ut < kMinUtOffset || ut > kMaxUtOffset ? 0 : ut;
    return t;
}

void StoreFitsDialogTexts(const FitsDialogTexts& t) {
    AppState& s = State();
    FitsDetails& f = s.fits;
    f.object = t.object.substr(0, 67);
    f.observer = t.observer.substr(0, 67);
    f.date = t.date.substr(0, 11);
    f.telescope = t.telescope.substr(0, 67);
    f.instrument = t.instrument.substr(0, 67);
    f.comment = t.comments.substr(0, 254);
    f.history = t.history.substr(0, 254);
    f.origin = t.origin.substr(0, 67);
    f.time = t.time.substr(0, 11);
    ParseNumber(t.focalLength, f.focalLength);
    ParseNumber(t.aperture, f.aperture);
    f.filter = t.filter.substr(0, 67);
    ParseNumber(t.exposure, f.exposure);
    s.settings.utOffsetHours = int16_t(t.utOffset < kMinUtOffset   ? kMinUtOffset
                                       : t.utOffset > kMaxUtOffset ? kMaxUtOffset
                                                                   : t.utOffset);
}

int StepUtOffset(int value, bool up) {
    if (up) return value <= 10 ? value + 1 : value;
    return value >= -10 ? value - 1 : value;
}
