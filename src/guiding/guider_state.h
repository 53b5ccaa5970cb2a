// The autoguider's process-wide record: the selected guide star, the trained
// guider and AO calibration (kept in memory; the settings file holds the
// default set and the AO gains), the reference position, the directions of
// the last corrections, the loop flags and the numbers the guiding windows
// show. Plain data; the guider dialog and the loops share it.
#pragma once
#include <cstdint>
#include <string>

#include "stars/centroid.h"
#include "guiding/correction.h"
#include "guiding/guiding_display.h"
#include "guiding/training.h"

// The guider exposure the dialog set up ("Hundredths"/"Tenths"/"Seconds" and
// the value; Bin 2x2; median; the dark frame).
struct GuiderExposure {
    char unit = 's';
    int value = 1;
    bool binned = false;
    bool median = false;
    bool applyDark = false;
    bool darkTaken = false;
};

struct GuiderState {
    // Guide star picked in the guider frame (guider pixels).
    bool starSelected = false;
    int starX = 0, starY = 0;
    GuiderExposure exposure;

    // Guider-camera training (in memory): full precision plus flags.
    bool trained = false;
    bool useTrained = false;
    GuiderTrainingResult trainedSet;
    // AO training.
    bool aoTrained = false;
    bool aoUseTrained = false;
    AoTrainingResult aoTrainedSet;

    // A training or a guiding loop runs.
    bool training = false;
    bool guiding = false;          // guider-camera guiding ("Stop Guiding" clears it)
    bool mainGuiding = false;      // main-camera guiding
    bool stop = false;             // set when a star search fails
    bool mainRelaysSettled = false;  // the relays got their four settling pulses
    bool ignoreRaAngle = false;    // "Ignore RA Angle": guide with the default set

    // Reference position of both loops, and the directions last sent.
    StarPosition reference;
    DirectionMemory directions;
    StarPosition lastStar;
    int referenceSignal = 0;           // the star's height above the sky at the start
    int16_t errorX = 0, errorY = 0;
    int16_t pulseX = 0, pulseY = 0;    // shown pulse lengths (AO: steps)
    int16_t aoX = 0, aoY = 0;          // AO counters (net steps since centring)
    std::string bumpLetter;            // the last mount bump letter
    uint32_t bumpMs = 0;
};

GuiderState& Guider();
// Back to the start-up content (tests).
void ResetGuider();

// The working search radius: the configured guide-star search radius.
int GuidingSearchRadius();
// The guider frame's size: guider width x 290 rows.
int GuiderFrameWidth();
int GuiderFrameHeight();

// The calibrations the corrections use, taken from the settings and the
// trained sets.
MainCameraCalibration MainCalibration();
GuiderDefaultCalibration DefaultCalibration();
TrainedCalibration TrainedSet();
// AO gains in use (R.A., Dec): settings fields 64 and 65; trained gains are
// fields 66 and 67.
int AoGainRa();
int AoGainDec();
