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
#include "guiding/smooth_params.h"
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
    // What the kept calibration was trained for and how well it fitted
    // (the smooth rule's several-step calibration fills the quality).
    GuideRule trainedRule = GuideRule::Classic;
    bool trainedOnMain = false;        // main camera (else the guider head)
    int trainedBinning = 1;
    long long trainedAtS = 0;          // seconds since 1970 (UTC), 0: never
    struct Quality {
        bool fitted = false;           // several steps fitted (smooth rule)
        double raSpreadPx = 0, decSpreadPx = 0;  // RMS distance of the points from the fitted lines
        double orthogonalityDeg = 0;   // how far the axes are from perpendicular
        bool suspect = false;          // a poor fit or skewed axes: adopted only when the user accepts it
    } quality;
    // The rule that guides, and the smooth rule's parameters.
    GuideRule rule = GuideRule::Classic;
    SmoothParams smooth;
    // The guiding optics' focal length (mm, 0: unknown) for the image scale.
    double focalLengthMm = 0;
    // The guiding server: listening (remembered across starts) and on which
    // instance (port 4400 + instance - 1).
    bool serverOn = false;
    int serverInstance = 1;
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

// The guider's exposure set to ms when the dialog's ranges can take it
// exactly (hundredths to 5 s, tenths to 10 s, seconds); false otherwise.
bool SetGuiderExposureMs(int ms);

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
// A trained calibration of the guider head is there and in use (one trained
// on the main camera does not serve the guider head).
bool GuiderCalibrationInUse();
// The AO gains guiding uses (R.A., Dec): the trained gains (settings fields
// 66 and 67) while a completed AO training is in use, otherwise the typed
// gains (fields 64 and 65).
int AoGainRa();
int AoGainDec();
