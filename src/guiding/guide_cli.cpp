// velmora-cli train / guide: the autoguider's trainings and guiding loops on
// the simulator, on a simulated clock (every wait advances it at once, so ten
// minutes of guiding run in seconds). The loops are the program's own.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/focus.h"
#include "core/cli.h"
#include "settings/cli_support.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/sim/sim_options.h"
#include "devices/sim/sim_serial_peers.h"
#include "devices/sim/simulator.h"
#include "devices/usb_transport.h"
#include "display/display_state.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"
#include "guiding/guiding_loops.h"
#include "guiding/image_scale.h"
#include "guiding/unguided_run.h"
#include "guiding/smooth_params.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/sim_clock.h"
#include "settings/settings_file.h"

namespace {

enum class Head { Main, Guider, Ao };

const char* kUsage =
    "usage: velmora-cli train --simulate [--main|--guider|--ao] [--exposure MS] [--focal-length MM] [rule options]\n"
    "                         [sim options]\n"
    "       velmora-cli guide --simulate [--main|--guider|--ao] --minutes M [--exposure MS] [--train]\n"
    "                         [--unguided] [--log FILE] [--focal-length MM] [rule options] [sim options]\n"
    "       velmora-cli guide-assistant --simulate [--main|--guider] --minutes M [--exposure MS] [--train]\n"
    "                         [--focal-length MM] [sim options]\n"
    "  --focal-length MM         the guiding optics' focal length (kept in the guiding file; 0: unknown);\n"
    "                            with it the results show arc seconds too\n"
    "rule options (remembered in the guiding file):\n"
    "  --rule classic|smooth     the correction rule\n"
    "  --accept-suspect          adopt a smooth calibration whose fit looks suspect\n"
    "  one option per smooth rule parameter:\n";

int Usage(const std::string& why) {
    std::fprintf(stderr, "%s\n%s", why.c_str(), kUsage);
    size_t count = 0;
    const SmoothParamInfo* table = SmoothParamTable(count);
    for (size_t i = 0; i < count; ++i) {
        std::string option = std::string("--") + table[i].key;
        std::replace(option.begin(), option.end(), '_', '-');
        std::fprintf(stderr, "  %-26s%s %g..%g\n", (option + " V").c_str(), table[i].label, table[i].min, table[i].max);
    }
    std::fprintf(stderr, "%s", kSimOptionsUsage);
    return 2;
}

bool ParseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && std::isfinite(value);
}

// The guider exposure closest to ms: seconds up to 10 s, else tenths or
// hundredths.
void SetGuiderExposure(int ms) {
    if (!SetGuiderExposureMs(ms)) SetGuiderExposureMs(std::clamp(ms / 10, 1, 500) * 10);
}

// Picks a guide star as the user would: a bright star of the simulated
// guider field well inside the frame (the click), refined by three centroid
// passes on a fresh frame.
bool PickGuiderStar() {
    if (!TakeGuiderFrame()) return false;
    const int w = GuiderFrameWidth(), h = GuiderFrameHeight(), r = GuidingSearchRadius();
    const int margin = r + 30;
    double best = -1;
    int bx = 0, by = 0;
    for (const SimStar& s : Simulator::Instance().GuiderField().stars) {
        if (s.x < margin || s.y < margin || s.x > w - margin || s.y > h - margin) continue;
        if (s.flux > best) {
            best = s.flux;
            bx = int(std::lround(s.x));
            by = int(std::lround(s.y));
        }
    }
    StarPosition p;
    if (best < 0 || !FindStar(State().guiderA, w, h, bx, by, r, 3, false, p)) return false;
    Guider().starSelected = true;
    Guider().starX = p.x;
    Guider().starY = p.y;
    std::fprintf(stderr, "guide star at x = %d, y = %d\n", p.x, p.y);
    return true;
}

// The main camera's guide star: the brightest simulated star away from the
// edges (the pick of command 21, in image coordinates).
bool PickMainStar() {
    const SkyField& field = Simulator::Instance().MainField();
    const ImageGeometry& g = State().geometry;
    double best = -1;
    for (const SimStar& s : field.stars) {
        if (s.x < 200 || s.y < 200 || s.x > g.width - 200 || s.y > g.height - 200) continue;
        if (s.flux > best) {
            best = s.flux;
            Picking().guideStarX = int(std::lround(s.x));
            Picking().guideStarY = int(std::lround(s.y));
        }
    }
    Picking().guideStarPicked = best > 0;
    return best > 0;
}

// The display of a command-line run: takes from the simulator where the
// frame the loop measured truly showed the star, for the reference and after
// every frame (by then the loop has already sent its correction).
class TrueOffsetProbe : public GuidingDisplay {
public:
    void Reference(double, double) override {
        Simulator::Instance().LastFrameOffset(refX_, refY_);
        haveRef_ = true;
        sum2_ = 0;
        mount_ = {};
        samples_ = 0;
    }
    void Sample() {
        if (!haveRef_) return;
        double x = 0, y = 0;
        Simulator::Instance().LastFrameOffset(x, y);
        sum2_ += (x - refX_) * (x - refX_) + (y - refY_) * (y - refY_);
        MountOffset(x, y);
        mount_.x += x;
        mount_.y += y;
        mount_.xx += x * x;
        mount_.yy += y * y;
        ++samples_;
    }
    double Rms() const { return samples_ ? std::sqrt(sum2_ / samples_) : 0; }
    // Without the frames' seeing and about the run's mean: how far the mount
    // let the star wander, which is what widens it in a long exposure (where
    // the lock sits does not count).
    double MountRms() const {
        if (!samples_) return 0;
        const double n = double(samples_), mx = mount_.x / n, my = mount_.y / n;
        return std::sqrt(std::max(0.0, mount_.xx / n - mx * mx + mount_.yy / n - my * my));
    }

private:
    static void MountOffset(double& x, double& y) {
        double jx = 0, jy = 0;
        Simulator::Instance().LastFrameOffset(x, y);
        Simulator::Instance().LastFrameJitter(jx, jy);
        x -= jx;
        y -= jy;
    }
    bool haveRef_ = false;
    double refX_ = 0, refY_ = 0, sum2_ = 0;
    struct {
        double x = 0, y = 0, xx = 0, yy = 0;
    } mount_;
    long samples_ = 0;
};

struct Run {
    Head head = Head::Guider;
    int exposureMs = 1000;
    std::string driveMethodBefore;
    double focalLengthMm = -1;  // -1: as the guiding file keeps it
    // The rule options, applied once the program has started.
    std::optional<GuideRule> rule;
    std::vector<std::pair<const SmoothParamInfo*, double>> params;
    bool acceptSuspect = false;
};

// --rule, --accept-suspect and one option per smooth parameter
// ("--ra-aggressiveness 0.6"), checked against the table's bounds.
bool TakeRuleOptions(CliArgs& args, Run& run, std::string& error) {
    if (auto r = TakeOption(args, "--rule")) {
        GuideRule rule;
        if (!ParseGuideRule(*r, rule)) {
            error = "--rule wants classic or smooth, not " + *r;
            return false;
        }
        run.rule = rule;
    }
    run.acceptSuspect = TakeFlag(args, "--accept-suspect");
    size_t count = 0;
    const SmoothParamInfo* table = SmoothParamTable(count);
    for (size_t i = 0; i < count; ++i) {
        std::string option = std::string("--") + table[i].key;
        std::replace(option.begin(), option.end(), '_', '-');
        auto v = TakeOption(args, option);
        if (!v) continue;
        double value = 0;
        SmoothParams probe;
        if (!ParseNumber(*v, value) || !SetSmoothParam(probe, table[i], value)) {
            char text[200];
            std::snprintf(text, sizeof text, "%s wants a number from %g to %g, not %s", option.c_str(), table[i].min,
                          table[i].max, v->c_str());
            error = text;
            return false;
        }
        run.params.emplace_back(&table[i], value);
    }
    return true;
}

// Sets the rule and parameters given and remembers them.
void ApplyRuleOptions(const Run& run) {
    GuiderState& g = Guider();
    if (!run.rule && run.params.empty()) return;
    if (run.rule) g.rule = *run.rule;
    for (const auto& [info, value] : run.params) SetSmoothParam(g.smooth, *info, value);
    SaveGuidingFile();
}

bool Prepare(CliArgs& args, Run& run, std::string& error) {
    if (TakeFlag(args, "--simulate")) setenv("VELMORA_SIMULATE", "1", 1);
    if (TakeFlag(args, "--main")) run.head = Head::Main;
    if (TakeFlag(args, "--ao")) run.head = Head::Ao;
    if (TakeFlag(args, "--guider")) run.head = Head::Guider;
    if (!TakeRuleOptions(args, run, error)) return false;
    if (auto e = TakeOption(args, "--exposure")) {
        double ms = 0;
        if (!ParseNumber(*e, ms) || ms < 10 || ms > 10000) {
            error = "--exposure wants milliseconds, 10 to 10000";
            return false;
        }
        run.exposureMs = int(ms);
    }
    if (auto f = TakeOption(args, "--focal-length")) {
        if (!ParseNumber(*f, run.focalLengthMm) || run.focalLengthMm < 0 || run.focalLengthMm > 100000) {
            error = "--focal-length wants millimetres, 0 to 100000";
            return false;
        }
    }
    if (!SimulationRequested()) {
        error = "train and guide run on the simulator only: add --simulate";
        return false;
    }
    return true;
}

// Starts the headless program on the simulator with the options applied.
bool Start(CliArgs& args, const Run& run, std::string& error) {
    StartHeadless();
    // The kept calibration and guiding settings: the same night as the last run.
    LoadGuidingFile();
    if (!ApplySimOptions(args, error)) return false;
    // The simulator follows the clock in force: restart it on the simulated one.
    Simulator::Instance().Configure(Simulator::Instance().Config());
    if (!args.empty()) {
        error = "unknown argument " + args.front();
        return false;
    }
    Settings& s = State().settings;
    // The simulated mount listens on the guide relays.
    if (s.driveMethod == 'n') s.driveMethod = 'b';
    if (run.head == Head::Ao) {
        s.guidingMode = 'A';
        EnsureSimulatedSerialPeers(false);
    } else {
        s.guidingMode = 'T';
    }
    SetGuiderExposure(run.exposureMs);
    if (run.focalLengthMm >= 0 && run.focalLengthMm != Guider().focalLengthMm) {
        Guider().focalLengthMm = run.focalLengthMm;
        SaveGuidingFile();
    }
    ApplyRuleOptions(run);
    if (!OpenCamera()) {
        error = "no camera";
        return false;
    }
    return run.head == Head::Main ? PickMainStar() : PickGuiderStar();
}

LoopEnd Train(const Run& run, GuidingContext c) {
    c.acceptSuspect = run.acceptSuspect;
    switch (run.head) {
        case Head::Main: return RunMainTraining(c, run.exposureMs);
        case Head::Guider: return RunGuiderTraining(c);
        case Head::Ao: return RunAoTraining(c);
    }
    return LoopEnd::Refused;
}

void PrintTrained(const Run& run) {
    const Settings& s = State().settings;
    const SimulatorConfig& sim = Simulator::Instance().Config();
    const int head = run.head == Head::Main ? 0 : 1;
    const bool smoothMain = Guider().trainedRule == GuideRule::Smooth && Guider().trainedOnMain;
    if (run.head == Head::Main && !smoothMain) {
        std::printf("rate_ra=%d rate_dec=%d backlash_ra=%d backlash_dec=%d angle_deg=0\n", s.raPixelsPerSecond,
                    s.decPixelsPerSecond, s.raBacklash, s.decBacklash);
    } else if (run.head != Head::Ao) {
        const GuiderTrainingResult& t = Guider().trainedSet;
        std::printf("rate_ra=%.3f rate_dec=%.3f backlash_ra=%.3f backlash_dec=%.3f angle_deg=%.2f\n", t.raRate,
                    t.decRate, t.raBacklash, t.decBacklash, t.theta * 180 / M_PI);
        if (Guider().trainedRule == GuideRule::Smooth) std::printf("%s\n", SmoothFitLine().c_str());
    } else {
        std::printf("ao_gain_ra=%.3f ao_gain_dec=%.3f\n", Guider().aoTrainedSet.raGain, Guider().aoTrainedSet.decGain);
    }
    double angle = std::fmod(SimHeadAngleDeg(sim, head), 360.0);
    if (angle > 180) angle -= 360;
    if (angle <= -180) angle += 360;
    std::printf("true_rate=%.3f true_angle_deg=%.2f true_backlash=%.3f\n", SimHeadRate(sim, head), angle,
                SimHeadBacklashPx(sim, head));
}

// Trains and prints the result; false when the training did not finish.
bool TrainAndPrint(const Run& run) {
    if (Train(run, {}) != LoopEnd::Done) {
        // A suspect fit that was not adopted is still shown.
        if (!SmoothFitLine().empty()) std::printf("%s\n", SmoothFitLine().c_str());
        return false;
    }
    TakeShownMessage();  // the summary box
    PrintTrained(run);
    return true;
}

// --minutes M of guide and guide-assistant.
bool TakeMinutes(CliArgs& args, double& minutes) {
    auto m = TakeOption(args, "--minutes");
    return m && ParseNumber(*m, minutes) && minutes > 0 && minutes <= 600;
}

int RunTrain(const CliArgs& argv) {
    CliArgs args = argv;
    Run run;
    std::string error;
    if (!Prepare(args, run, error)) return Usage(error);
    ScopedSimulatedClock clock;
    if (!Start(args, run, error)) return Usage(error.empty() ? "no guide star found" : error);
    return TrainAndPrint(run) ? 0 : 1;
}

int RunGuide(const CliArgs& argv) {
    CliArgs args = argv;
    Run run;
    std::string error;
    double minutes = 0;
    if (!TakeMinutes(args, minutes)) return Usage("--minutes M wanted (0 < M <= 600)");
    const bool train = TakeFlag(args, "--train");
    const bool unguided = TakeFlag(args, "--unguided");
    const std::optional<std::string> logPath = TakeOption(args, "--log");
    if (!Prepare(args, run, error)) return Usage(error);
    ScopedSimulatedClock clock;
    if (!Start(args, run, error)) return Usage(error.empty() ? "no guide star found" : error);
    if (train && !TrainAndPrint(run)) return 1;
    TrueOffsetProbe probe;
    GuidingStats stats;
    GuidingLog log;
    const double scale = GuidingScaleArcsec(run.head == Head::Main);
    if (run.head == Head::Guider) std::fprintf(stderr, "%s\n", CalibrationAgeText(Sys().clock->UnixSeconds()).c_str());
    if (logPath && !log.Open(*logPath, scale)) {
        std::fprintf(stderr, "cannot create the log %s\n", logPath->c_str());
        return 1;
    }
    const uint32_t durationMs = uint32_t(minutes * 60000);
    long frames = 0;
    bool complete = true;
    if (unguided) {
        // The same frames and measurements, no corrections. The window
        // follows the star, so a drift of pixels stays measured.
        UnguidedRunOptions o;
        o.mainCamera = run.head == Head::Main;
        o.exposureMs = run.exposureMs;
        o.durationMs = durationMs;
        o.stats = &stats;
        o.started = [&](const StarPosition& ref) { probe.Reference(ref.X(), ref.Y()); };
        o.frame = [&](const UnguidedFrame& f) {
            GuidingFrameReport rep;
            rep.timeMs = f.timeMs;
            rep.starX = f.star.X();
            rep.starY = f.star.Y();
            rep.errorX = f.errorX;
            rep.errorY = f.errorY;
            log.Write(rep, "unguided");
            probe.Sample();
            ++frames;
        };
        const LoopEnd end = RunUnguided(o);
        if (end == LoopEnd::Refused) {
            std::fprintf(stderr, "guiding ended early\n");
            return 1;
        }
        complete = end == LoopEnd::Done;
    } else {
        GuidingContext c;
        c.display = &probe;
        c.stats = &stats;
        c.log = logPath ? &log : nullptr;
        c.afterFrame = [&] {
            probe.Sample();
            ++frames;
        };
        LoopEnd end;
        if (run.head == Head::Main) {
            c.endMs = NowMs() + durationMs;
            end = RunMainGuiding(c, run.exposureMs);
        } else {
            // The end counts from the reference, after the stabilising frames.
            c.endMs = NowMs() + durationMs + 6 * uint32_t(run.exposureMs + 500);
            end = RunGuiderGuiding(c);
        }
        complete = end == LoopEnd::Done;
    }
    // A run that did not reach its end (a lost star, a failed camera, a stop)
    // prints what it measured and exits 1.
    if (!complete) std::fprintf(stderr, "guiding ended early\n");
    const GuidingRms rms = stats.Rms();
    std::printf("frames=%ld ignored=%d lost=%d rms_ra=%.3f rms_dec=%.3f rms_total=%.3f true_rms_total=%.3f px",
                frames, rms.ignored, rms.lost, rms.raRun, rms.decRun, rms.totalRun, probe.Rms());
    if (scale > 0) std::printf(" rms_total_arcsec=%.3f scale_arcsec=%.3f", rms.totalRun * scale, scale);
    std::printf("\n");
    std::printf("mount_rms_total=%.3f px (without the frames' seeing, about the mean)\n", probe.MountRms());
    return complete ? 0 : 1;
}

// The guiding assistant: an unguided run of M minutes read for the periodic
// error, the Dec drift and the seeing. Prints its report and one closing
// line in pixels of the camera that guides; a run that ends early prints
// what it measured and exits 1.
int RunGuideAssistant(const CliArgs& argv) {
    CliArgs args = argv;
    Run run;
    std::string error;
    double minutes = 0;
    if (!TakeMinutes(args, minutes)) return Usage("--minutes M wanted (0 < M <= 600)");
    const bool train = TakeFlag(args, "--train");
    if (std::find(args.begin(), args.end(), "--ao") != args.end()) return Usage("guide-assistant runs on --main or --guider");
    if (!Prepare(args, run, error)) return Usage(error);
    ScopedSimulatedClock clock;
    if (!Start(args, run, error)) return Usage(error.empty() ? "no guide star found" : error);
    if (train && !TrainAndPrint(run)) return 1;
    UnguidedRunOptions o;
    o.mainCamera = run.head == Head::Main;
    o.exposureMs = run.exposureMs;
    o.durationMs = uint32_t(minutes * 60000);
    int shownMinute = 0;
    o.progress = [&](double done) {
        const int minute = int(done * minutes);
        if (minute > shownMinute) std::fprintf(stderr, "guiding assistant: %d of %g min\n", shownMinute = minute, minutes);
    };
    const AssistantMeasurement a = MeasureForAssistant(o);
    if (a.end == LoopEnd::Refused) {
        std::fprintf(stderr, "no reference frame\n");
        return 1;
    }
    if (a.end != LoopEnd::Done) std::fprintf(stderr, "the measurement ended early\n");
    const bool main = run.head == Head::Main;
    std::printf("axes: %s; frames=%d over %.0f s\n", a.onTrainedAxes ? "trained R.A./Dec" : "camera x/y",
                a.result.frames, a.result.spanS);
    std::printf("%s", AssistantReport(a.result, GuidingScaleArcsec(main)).c_str());
    std::printf("%s\n", AssistantLine(a.result, main ? 1.0 : Simulator::Instance().Config().camera.guiderScale).c_str());
    return a.end == LoopEnd::Done ? 0 : 1;
}

const bool registered = RegisterCliCommand({"train", "--simulate [--main|--guider|--ao] [options]", RunTrain}) &&
                        RegisterCliCommand({"guide", "--simulate [--main|--guider|--ao] --minutes M [options]",
                                            RunGuide}) &&
                        RegisterCliCommand({"guide-assistant", "--simulate [--main|--guider] --minutes M [options]",
                                            RunGuideAssistant});

}  // namespace
