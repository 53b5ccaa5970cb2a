#include "guiding/guider_state.h"

#include <algorithm>

#include "core/state.h"
#include "devices/camera.h"

GuiderState& Guider() {
    static GuiderState state;
    return state;
}

void ResetGuider() { Guider() = GuiderState{}; }

namespace {
class NullDisplay : public GuidingDisplay {};
}  // namespace

GuidingDisplay& NullGuidingDisplay() {
    static NullDisplay display;
    return display;
}

bool SetGuiderExposureMs(int ms) {
    GuiderExposure& e = Guider().exposure;
    if (ms >= 1000 && ms <= 10000 && ms % 1000 == 0) e.unit = 's', e.value = ms / 1000;
    else if (ms >= 100 && ms <= 10000 && ms % 100 == 0) e.unit = 't', e.value = ms / 100;
    else if (ms >= 10 && ms <= 5000 && ms % 10 == 0) e.unit = 'h', e.value = ms / 10;
    else return false;
    return true;
}

int GuidingSearchRadius() {
    const int r = State().settings.guideStarMaskRadius;
    return r > 0 ? r : 8;
}

int GuiderFrameWidth() { return GuiderWidth(State().settings.guiderType); }
int GuiderFrameHeight() { return kGuiderRows; }

MainCameraCalibration MainCalibration() {
    const Settings& s = State().settings;
    MainCameraCalibration c;
    c.ignoreDrift = s.ignoreDriftBelowHysteresis;
    c.raRate = s.raPixelsPerSecond;
    c.decRate = s.decPixelsPerSecond;
    c.raBacklash = s.raBacklash;
    c.decBacklash = s.decBacklash;
    c.raHysteresis = s.raHysteresis;
    c.decHysteresis = s.decHysteresis;
    c.letters = s.guideLetters;
    return c;
}

GuiderDefaultCalibration DefaultCalibration() {
    const Settings& s = State().settings;
    GuiderDefaultCalibration c;
    c.ignoreDrift = s.ignoreDriftBelowHysteresis;
    c.driftThreshold = s.smallestCorrection;
    c.raRate = s.guiderRaPixelsPerSecond;
    c.decRate = s.guiderDecPixelsPerSecond;
    c.raBacklash = s.guiderRaBacklash;
    c.decBacklash = s.guiderDecBacklash;
    c.raHysteresis = s.guiderRaHysteresis;
    c.decHysteresis = s.guiderDecHysteresis;
    c.noNorth = s.noNorthCorrections;
    c.noSouth = s.noSouthCorrections;
    c.letters = s.guideLetters;
    return c;
}

TrainedCalibration TrainedSet() {
    const GuiderState& g = Guider();
    const GuiderTrainingResult& t = g.trainedSet;
    const Settings& s = State().settings;
    // A calibration kept from a night at another binning: its pixels were
    // larger or smaller by the ratio of the binnings.
    const int binning = (g.trainedOnMain ? State().geometry.binned : g.exposure.binned) ? 2 : 1;
    const double k = double(std::max(1, g.trainedBinning)) / binning;
    TrainedCalibration c;
    c.rx = t.rx * k;
    c.ry = t.ry * k;
    c.dx = t.dx * k;
    c.dy = t.dy * k;
    c.raBacklash = t.raBacklash * k;
    c.decBacklash = t.decBacklash * k;
    c.raHysteresis = s.guiderRaHysteresis;
    c.decHysteresis = s.guiderDecHysteresis;
    return c;
}

bool GuiderCalibrationInUse() {
    const GuiderState& g = Guider();
    return g.trained && g.useTrained && !g.trainedOnMain;
}

namespace {
int AoGain(int axis) {
    const bool trained = Guider().aoTrained && Guider().aoUseTrained;
    return std::max<int>(1, State().settings.guiderCalibration[size_t(trained ? 2 + axis : axis)]);
}
}  // namespace

int AoGainRa() { return AoGain(0); }
int AoGainDec() { return AoGain(1); }
