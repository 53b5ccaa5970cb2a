// The parameters of the smooth correction rule, in one table: the guider
// dialog's controls, the command-line options, the guiding file and the
// guiding server's algorithm parameters all walk it, so a parameter is named,
// bounded and defaulted in one place.
#pragma once
#include <cstddef>
#include <string>

// Which correction rule guides: the classic one (a training of single
// pulses, full corrections) or the smooth one (a fitted calibration and
// damped corrections).
enum class GuideRule { Classic, Smooth };
const char* GuideRuleName(GuideRule rule);                 // "classic" / "smooth"
bool ParseGuideRule(const std::string& text, GuideRule& rule);

struct SmoothParams {
    // Per axis: the fraction of the measured error corrected, the error
    // (pixels) below which nothing is sent, the share of the previous
    // correction blended in, and the longest pulse (ms).
    double raAggressiveness = 0.4, decAggressiveness = 0.4;
    double raMinMovePx = 0.15, decMinMovePx = 0.15;
    double raHysteresis = 0.1, decHysteresis = 0.1;
    double raMaxPulseMs = 2500, decMaxPulseMs = 2500;
    // Frames in a row with the error on the other side before Dec reverses.
    double decReversalFrames = 2;
    // The periodic-error predictor in R.A.: the worm period (s, 0: off) and
    // the weight of its prediction.
    double wormPeriodS = 0;
    double predictorWeight = 0.5;
};

// One parameter: its key (command-line option "--<key with - for _>", the
// guiding file's key), the guiding server's axis ("ra", "dec" or "" for
// neither) and name, the dialog's label, its bounds and the member.
struct SmoothParamInfo {
    const char* key;          // "ra_aggressiveness"
    const char* axis;         // "ra" / "dec" / ""
    const char* serverName;   // "Aggressiveness"
    const char* label;        // "R.A. aggressiveness (0-1):"
    double min, max;
    double SmoothParams::*member;
};
const SmoothParamInfo* SmoothParamTable(size_t& count);
// The entry of a key, or null.
const SmoothParamInfo* FindSmoothParam(const std::string& key);
// Sets a value when it lies within the bounds; false (nothing changed) otherwise.
bool SetSmoothParam(SmoothParams& p, const SmoothParamInfo& info, double value);
