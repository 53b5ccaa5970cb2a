#include "guiding/smooth_params.h"

#include <cmath>
#include <iterator>

namespace {
const SmoothParamInfo kTable[] = {
    {"ra_aggressiveness", "ra", "Aggressiveness", "R.A. aggressiveness (0-1):", 0, 1, &SmoothParams::raAggressiveness},
    {"ra_min_move_px", "ra", "MinMove", "R.A. minimum move (px):", 0, 5, &SmoothParams::raMinMovePx},
    {"ra_hysteresis", "ra", "Hysteresis", "R.A. hysteresis (0-0.9):", 0, 0.9, &SmoothParams::raHysteresis},
    {"ra_max_pulse_ms", "ra", "MaxPulse", "R.A. maximum pulse (ms):", 10, 10000, &SmoothParams::raMaxPulseMs},
    {"dec_aggressiveness", "dec", "Aggressiveness", "Dec aggressiveness (0-1):", 0, 1, &SmoothParams::decAggressiveness},
    {"dec_min_move_px", "dec", "MinMove", "Dec minimum move (px):", 0, 5, &SmoothParams::decMinMovePx},
    {"dec_hysteresis", "dec", "Hysteresis", "Dec hysteresis (0-0.9):", 0, 0.9, &SmoothParams::decHysteresis},
    {"dec_max_pulse_ms", "dec", "MaxPulse", "Dec maximum pulse (ms):", 10, 10000, &SmoothParams::decMaxPulseMs},
    {"dec_reversal_frames", "dec", "ReversalFrames", "Dec reversal after frames:", 1, 10, &SmoothParams::decReversalFrames},
    {"worm_period_s", "ra", "WormPeriod", "Worm period (s, 0 off):", 0, 3600, &SmoothParams::wormPeriodS},
    {"predictor_weight", "ra", "PredictorWeight", "Prediction weight (0-1):", 0, 1, &SmoothParams::predictorWeight},
};
}  // namespace

const char* GuideRuleName(GuideRule rule) { return rule == GuideRule::Smooth ? "smooth" : "classic"; }

bool ParseGuideRule(const std::string& text, GuideRule& rule) {
    if (text == "classic") rule = GuideRule::Classic;
    else if (text == "smooth") rule = GuideRule::Smooth;
    else return false;
    return true;
}

const SmoothParamInfo* SmoothParamTable(size_t& count) {
    count = std::size(kTable);
    return kTable;
}

const SmoothParamInfo* FindSmoothParam(const std::string& key) {
    for (const SmoothParamInfo& i : kTable)
        if (key == i.key) return &i;
    return nullptr;
}

bool SetSmoothParam(SmoothParams& p, const SmoothParamInfo& info, double value) {
    if (!std::isfinite(value) || value < info.min || value > info.max) return false;
    p.*info.member = value;
    return true;
}
