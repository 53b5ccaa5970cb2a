#include "devices/sim/sim_options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

const char* const kSimOptionsUsage =
    "  --sim-angle DEG           main sensor's angle against R.A./Dec (-360..360)\n"
    "  --sim-rate PX_PER_S       guide rate on the main sensor (0.01..100)\n"
    "  --sim-pe AMP_PX:PERIOD_S  periodic error in R.A. (0..1000 px, 1..100000 s)\n"
    "  --sim-drift PX_PER_MIN    drift in Dec (-1000..1000)\n"
    "  --sim-backlash PX         backlash after a reversal, both axes (0..1000)\n"
    "  --sim-mirror AXES         a mirror turns west (ew), north (ns) or both round on the sensor\n"
    "  --sim-seeing PX           star jitter, RMS per axis and frame (0..50)\n"
    "  --sim-guider-scale F      guider pixels per main-sensor pixel (0.05..20)\n"
    "  --sim-guider-angle DEG    guider's angle against the main sensor (-360..360)\n"
    "  --seed N                  noise, star fields and seeing (0..18446744073709551615)\n"
    "  --sim-camera-lost-at S    the camera stops answering at S simulated seconds\n"
    "  --sim-serial-lost-at S    the mount's serial line closes at S seconds\n"
    "  --sim-mount-silent-at S   the mount stops answering at S seconds, the line stays open\n";

namespace {

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && errno == 0 && std::isfinite(value);
}

// A number within [low, high]; otherwise the message says what is accepted.
bool Ranged(const std::string& option, const std::string& text, double low, double high, const char* what,
            double& value, std::string& error) {
    if (ParseNumber(text, value) && value >= low && value <= high) return true;
    char range[96];
    std::snprintf(range, sizeof range, "%g..%g", low, high);
    error = option + ": '" + text + "' is not " + what + " in " + range;
    return false;
}

const char* const kOptions[] = {"--sim-angle",    "--sim-rate",         "--sim-pe",
                                "--sim-drift",    "--sim-backlash",     "--sim-mirror",     "--sim-seeing",
                                "--sim-guider-scale", "--sim-guider-angle", "--seed",
                                "--sim-camera-lost-at", "--sim-serial-lost-at", "--sim-mount-silent-at"};

bool Known(const std::string& word) {
    return std::find(std::begin(kOptions), std::end(kOptions), word) != std::end(kOptions);
}

}  // namespace

bool TakeSimOptions(std::vector<std::string>& args, SimulatorConfig& config, std::string& error) {
    SimulatorConfig c = config;
    MountConfig& m = c.mount;
    // Backlash is given in pixels and held as guide time lost, so it is
    // converted once the rate is known (the options come in any order).
    double backlashPx = -1;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (!Known(option)) {
            rest.push_back(option);
            continue;
        }
        if (i + 1 >= args.size()) {
            error = option + " needs a value";
            return false;
        }
        const std::string text = args[++i];
        double v = 0;
        if (option == "--sim-angle") {
            if (!Ranged(option, text, -360, 360, "an angle in degrees", v, error)) return false;
            m.cameraAngleDeg = v;
        } else if (option == "--sim-rate") {
            if (!Ranged(option, text, 0.01, 100, "a guide rate in pixels per second", v, error)) return false;
            m.guideRatePerSecond = v;
        } else if (option == "--sim-pe") {
            const size_t colon = text.find(':');
            double amplitude = 0, period = 0;
            if (colon == std::string::npos || !ParseNumber(text.substr(0, colon), amplitude) ||
                !ParseNumber(text.substr(colon + 1), period)) {
                error = option + ": '" + text + "' is not AMP_PX:PERIOD_S (for example 2.5:480)";
                return false;
            }
            if (!Ranged(option, text.substr(0, colon), 0, 1000, "an amplitude in pixels", v, error) ||
                !Ranged(option, text.substr(colon + 1), 1, 100000, "a period in seconds", v, error))
                return false;
            m.periodicAmplitude = amplitude;
            m.periodicPeriodS = period;
        } else if (option == "--sim-drift") {
            if (!Ranged(option, text, -1000, 1000, "a drift in pixels per minute", v, error)) return false;
            m.driftDecPerSecond = v / 60.0;
        } else if (option == "--sim-backlash") {
            if (!Ranged(option, text, 0, 1000, "a backlash in pixels", v, error)) return false;
            backlashPx = v;
        } else if (option == "--sim-mirror") {
            if (text != "ew" && text != "ns" && text != "both" && text != "none") {
                error = option + ": '" + text + "' is not one of ew, ns, both, none";
                return false;
            }
            m.mirrorRa = text == "ew" || text == "both";
            m.mirrorDec = text == "ns" || text == "both";
        } else if (option == "--sim-seeing") {
            if (!Ranged(option, text, 0, 50, "a jitter in pixels RMS", v, error)) return false;
            m.seeingRmsPx = v;
        } else if (option == "--sim-guider-scale") {
            if (!Ranged(option, text, 0.05, 20, "a scale in guider pixels per main pixel", v, error)) return false;
            c.camera.guiderScale = v;
        } else if (option == "--sim-guider-angle") {
            if (!Ranged(option, text, -360, 360, "an angle in degrees", v, error)) return false;
            c.camera.guiderAngleDeg = v;
        } else if (option == "--sim-camera-lost-at" || option == "--sim-serial-lost-at" ||
                   option == "--sim-mount-silent-at") {
            if (!Ranged(option, text, 0, 1e6, "a time in simulated seconds", v, error)) return false;
            SimFaultTimes& f = c.faultsAt;
            (option == "--sim-camera-lost-at" ? f.cameraLostS : option == "--sim-serial-lost-at" ? f.serialLostS
                                                                                                 : f.mountSilentS) = v;
        } else {  // --seed
            char* end = nullptr;
            errno = 0;
            const unsigned long long seed = std::strtoull(text.c_str(), &end, 10);
            if (text.empty() || text[0] == '-' || end != text.c_str() + text.size() || errno != 0) {
                error = option + ": '" + text + "' is not a whole number in 0..18446744073709551615";
                return false;
            }
            c.seed = seed;
        }
    }
    if (backlashPx >= 0) m.raBacklashMs = m.decBacklashMs = backlashPx / m.guideRatePerSecond * 1000.0;
    config = c;
    args = rest;
    return true;
}

bool ApplySimOptions(std::vector<std::string>& args, std::string& error) {
    if (std::none_of(args.begin(), args.end(), Known)) return true;
    Simulator& sim = Simulator::Instance();
    SimulatorConfig config = sim.Config();
    if (!TakeSimOptions(args, config, error)) return false;
    sim.Configure(config);
    return true;
}

double SimHeadRate(const SimulatorConfig& config, int head) {
    return config.mount.guideRatePerSecond * (head == 1 ? config.camera.guiderScale : 1.0);
}

double SimHeadAngleDeg(const SimulatorConfig& config, int head) {
    // West moves the picture -x at angle 0, +x behind a mirror that turns R.A.
    return config.mount.cameraAngleDeg + (config.mount.mirrorRa ? 0.0 : 180.0) +
           (head == 1 ? config.camera.guiderAngleDeg : 0.0);
}

double SimHeadBacklashPx(const SimulatorConfig& config, int head) {
    return config.mount.raBacklashMs * SimHeadRate(config, head) / 1000.0;
}
