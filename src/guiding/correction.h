// Turning a measured star offset into guide pulses or AO steps. Pure
// functions: they read the error, the calibration and the last directions,
// and answer what to send; the loops send it (guiding_loops.h).
//
// Errors are signed thousandths of a pixel, e = (reference - measured);
// pulses are milliseconds. Letters: `letters` are the guide direction letters
// in the settings order (+y, -y, +x, -x), `aoLetters` the AO letters (+y,
// non-positive y, non-positive x, +x).
#pragma once
#include <array>
#include <cstdint>

#include "stars/centroid.h"

// The guiding error of one axis: (reference - measured) x 1000 + (reference
// tenths - measured tenths) x 100, computed wide and saturated to 16 bits, so
// a star far away reads as a large error (and is ignored by the range checks)
// instead of wrapping into a small one.
int16_t GuideError(int reference, int referenceTenths, int measured, int measuredTenths);
void GuideErrors(const StarPosition& reference, const StarPosition& measured, int16_t& ex, int16_t& ey);

// One axis' decision.
struct AxisPulse {
    bool act = false;       // the axis passed its threshold
    char direction = 0;     // letter of the pulse (0 when not acting)
    int32_t lengthMs = 0;   // pulse length, may be zero or negative (then nothing is sent)
    bool Send() const { return act && lengthMs > 0; }
};

struct Correction {
    bool ignored = false;   // error out of range: nothing this frame
    AxisPulse x, y;
    // The values the window shows as x and y pulse (16-bit).
    int16_t shownX = 0, shownY = 0;
};

// The last x and y directions (a change of direction adds the backlash).
struct DirectionMemory {
    char lastX = 0, lastY = 0;
};

// The pulse length: |error ÷ rate| - hysteresis x 100 for the guider,
// |error ÷ rate| - hysteresis x 100 for the main camera too (integer
// division; a rate below 1 counts as 1).
int32_t PulseLength(int32_t error, int rate, int hysteresis);

// Main camera: errors beyond ±5000 are ignored; with "Ignore drift less
// than:" on, R.A. acts above 1000 and Dec never; off, R.A. above 50 and Dec
// above 30. Backlash (pixels) is added on a change of direction.
struct MainCameraCalibration {
    bool ignoreDrift = false;
    int raRate = 2, decRate = 2;
    int raBacklash = 0, decBacklash = 0;
    int raHysteresis = 0, decHysteresis = 0;
    std::array<char, 4> letters{'n', 's', 'e', 'w'};
};
Correction MainCameraCorrection(int16_t ex, int16_t ey, const MainCameraCalibration& cal, DirectionMemory& memory);

// Guider camera, default calibration: errors beyond ±8000 ignored; an axis
// acts above the drift threshold ("Ignore drift less than:" on) or above 30;
// a Dec correction toward a switched-off side is skipped.
struct GuiderDefaultCalibration {
    bool ignoreDrift = false;
    int driftThreshold = 1000;  // thousandths of a pixel
    int raRate = 6, decRate = 6;
    int raBacklash = 0, decBacklash = 0;
    int raHysteresis = 0, decHysteresis = 0;
    bool noNorth = false, noSouth = false;
    std::array<char, 4> letters{'n', 's', 'e', 'w'};
};
Correction GuiderDefaultCorrection(int16_t ex, int16_t ey, const GuiderDefaultCalibration& cal,
                                   DirectionMemory& memory);

// Guider camera, trained calibration: the R.A. and Dec rate vectors measured
// while driving West and North (pixels per second on the sensor). The error
// is resolved exactly along the trained axes: e = a·ra + b·dec, with a and b
// in seconds of drive; a > 0 drives West, b > 0 North. Every camera angle
// and a mirrored picture are handled alike.
struct TrainedCalibration {
    double rx = 1, ry = 0;      // R.A. rate vector (West)
    double dx = 0, dy = -1;     // Dec rate vector (North)
    double raBacklash = 0, decBacklash = 0;  // magnitudes, pixels
    int raHysteresis = 0, decHysteresis = 0;
};
// The R.A. and Dec components of an error, in pixels along each trained
// axis' unit vector (West and North positive).
void ResolveError(double exPx, double eyPx, const TrainedCalibration& cal, double& raPx, double& decPx);
Correction TrainedCorrection(int16_t ex, int16_t ey, const TrainedCalibration& cal, DirectionMemory& memory);

// The AO unit: errors beyond ±8000 ignored; each axis acts above 30;
// steps = |e x gain| ÷ 1000.
struct AoCorrection {
    bool ignored = false;
    bool actX = false, actY = false;
    char letterX = 0, letterY = 0;
    int32_t stepsX = 0, stepsY = 0;
};
AoCorrection AoCorrectionFor(int16_t ex, int16_t ey, int raGain, int decGain, const std::array<char, 4>& aoLetters);
