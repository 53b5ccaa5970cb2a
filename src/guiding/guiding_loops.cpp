#include "guiding/guiding_loops.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "acquisition/focus.h"
#include "acquisition/guiding_hooks.h"
#include "acquisition/subframe.h"
#include "core/messages.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "devices/camera.h"
#include "display/display_state.h"
#include "guiding/correction.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"
#include "guiding/image_scale.h"
#include "guiding/smooth_calibration.h"
#include "guiding/smooth_rule.h"
#include "guiding/training.h"
#include "platform/platform.h"
#include "settings/settings_file.h"
#include "telescope/ao.h"
#include "telescope/telescope_link.h"

namespace {

constexpr const char* kDialogCaption = "Auto Guider Camera Control";

GuidingDisplay& Show(const GuidingContext& c) { return c.display ? *c.display : NullGuidingDisplay(); }
GuideOutput& Out(const GuidingContext& c) { return c.output ? *c.output : DefaultGuideOutput(); }

GuidingStats& OwnStats() {
    static GuidingStats stats;
    return stats;
}
GuidingStats* lastStats = nullptr;
GuidingStats& Stats(const GuidingContext& c) { return c.stats ? *c.stats : OwnStats(); }

char ModeOf(const GuidingContext& c) { return c.mode ? c.mode : State().settings.guidingMode; }

bool PastEnd(const GuidingContext& c) { return c.endMs != 0 && int32_t(NowMs() - c.endMs) >= 0; }

// Every guide pulse and AO step is bracketed by a beep. False when the pulse
// could not be sent.
bool SendPulse(GuideOutput& out, const AxisPulse& p) {
    if (!p.Send()) return true;
    Beep();
    const bool sent = out.Correction(p.direction, p.lengthMs);
    Beep();
    return sent;
}

// The last guider correction could not send its pulse: guiding ends with the
// device's message, after the frame is recorded.
bool pulseFailed = false;

// The guider frame and its size.
const Pixel* GuiderFrame() { return State().guiderA; }

// The searches of trainings and reference positions: a window of blank sky
// is a failed search (message 69), as a window outside the frame is.
bool SearchGuider(int x, int y, int dx, int dy, int passes, StarPosition& out) {
    const int w = GuiderFrameWidth(), h = GuiderFrameHeight(), r = GuidingSearchRadius();
    WindowMeasure m;
    if (!MeasureStarWindow(GuiderFrame(), w, h, x, y, r, m)) return false;
    const StarPosition first = TruncatedWithTenths(m);
    if (passes < 2) {
        out = first;
        return true;
    }
    if (!MeasureStarWindow(GuiderFrame(), w, h, first.x + dx, first.y + dy, r, m)) return false;
    out = TruncatedWithTenths(m);
    return true;
}

// The main camera's 128 x 128 guiding frame: with "Ignore drift less than:"
// off the star is measured with tenths, otherwise rounded. needStar: blank
// sky fails the search (trainings and the reference position).
bool SearchMain(int x, int y, int passes, bool needStar, StarPosition& out) {
    const bool tenths = !State().settings.ignoreDriftBelowHysteresis;
    return (needStar ? FindStarOnSky : FindStar)(State().imageA, kFocusFrameSize, kFocusFrameSize, x, y,
                                                 GuidingSearchRadius(), passes, tenths, out);
}

// Drives a training machine to its end. takeFrame: one frame into the
// buffer; search(x, y, dx, dy, out): the two-pass search.
LoopEnd DriveTraining(TrainingMachine& m, GuidingContext& c, const std::function<bool()>& takeFrame,
                      const std::function<bool(const TrainingStep&, StarPosition&)>& search) {
    GuideOutput& out = Out(c);
    GuidingDisplay& show = Show(c);
    TrainingStep step;
    int index = 0;
    while (m.Next(step)) {
        if (c.stopRequested && c.stopRequested()) return LoopEnd::Stopped;
        ++index;
        show.Caption(step.caption);
        switch (step.drive) {
            case TrainingStep::Drive::Pulse: {
                Beep();
                const bool sent = out.Pulse(step.direction, step.amount);
                Beep();
                if (!sent) return LoopEnd::CameraFailed;
                break;
            }
            case TrainingStep::Drive::Relay:
                if (!out.RelayPulse(step.direction, step.amount)) return LoopEnd::CameraFailed;
                break;
            case TrainingStep::Drive::Ao: {
                Beep();
                const bool sent = out.AoStep(step.direction, step.amount);
                Beep();
                if (!sent) return LoopEnd::CameraFailed;
                break;
            }
            case TrainingStep::Drive::None: break;
        }
        if (step.settleMs > 0) WaitMs(uint32_t(step.settleMs));
        if (!step.measure) {
            m.Skip();
            continue;
        }
        if (!takeFrame()) return LoopEnd::CameraFailed;
        show.FrameTaken();
        StarPosition p;
        if (!search(step, p)) return LoopEnd::StarLost;
        m.Measured(p);
        show.TrainingPosition(index, p.X(), p.Y());
    }
    return LoopEnd::Done;
}

GuidingFrameReport Report(const StarPosition& star, int16_t ex, int16_t ey) {
    GuiderState& g = Guider();
    GuidingFrameReport r;
    r.timeMs = NowMs();
    r.starX = star.X();
    r.starY = star.Y();
    r.errorX = ex;
    r.errorY = ey;
    // The AO counters and the last mount bump are the telescope link's.
    const TelescopeLinkState& link = TelescopeLink();
    g.aoX = link.aoX;
    g.aoY = link.aoY;
    g.bumpLetter = link.bumped ? link.bumpText : std::string();
    g.bumpMs = link.lastBumpMs;
    r.aoX = g.aoX;
    r.aoY = g.aoY;
    if (link.bumped && NowMs() - link.lastBumpMs < 2000) r.bumpLetter = link.bumpText;
    return r;
}

void Record(GuidingContext& c, GuidingFrameReport& r, const char* status) {
    GuiderState& g = Guider();
    r.pulseX = g.pulseX;
    r.pulseY = g.pulseY;
    // Every frame with a measured star counts, an ignored one too.
    Stats(c).Add(r.errorX * 0.001, r.errorY * 0.001, !r.measured);
    lastStats = &Stats(c);
    if (c.log) c.log->Write(r, status);
    Show(c).Frame(r);
    Show(c).Rms(Stats(c).Rms());
    if (c.afterFrame) c.afterFrame();
}

// The lost-star rule of both guiding loops. A window that holds only sky
// still yields a centroid: the star counts as lost when its brightest pixel
// stands less than 0.3 of the starting height above the sky (the brightness
// band of star following). referenceSignal 0: not measured, never lost.
bool StarLost(const WindowMeasure& m, int referenceSignal) {
    return referenceSignal > 0 && m.Signal() * 10 < referenceSignal * 3;
}

// The star's height above the sky in the window at (x, y); 0 when the
// window leaves the frame.
int SignalAt(const Pixel* frame, int w, int h, int x, int y) {
    WindowMeasure m;
    return MeasureWindow(frame, w, h, x, y, GuidingSearchRadius(), m) ? m.Signal() : 0;
}

// Every guiding run writes a log: the one the caller gave, else its own in
// the autosave folder (with arc seconds when the image scale is known).
void OpenRunLog(GuidingContext& c, GuidingLog& own, bool mainCamera) {
    if (!c.log && own.OpenInAutosaveFolder(GuidingScaleArcsec(mainCamera))) c.log = &own;
}

// A frame whose star was not found: counted, logged, shown.
void RecordLost(GuidingContext& c, const StarPosition& last, int16_t ex, int16_t ey) {
    GuidingFrameReport lost = Report(last, ex, ey);
    lost.measured = false;
    Stats(c).Lost();
    lastStats = &Stats(c);
    if (c.log) c.log->Write(lost, "lost");
    Show(c).Rms(Stats(c).Rms());
}

// The smooth rule of the guiding run (none: the classic corrections), its
// time origin, and whether the last correction was cut to the longest pulse.
std::optional<SmoothRule> smoothRule;
uint32_t smoothStartMs = 0;
bool smoothClipped = false;

// The smooth rule's correction of an error, both axes in one pulse time where
// the route allows it; false when the pulse could not be sent.
bool SmoothCorrection(GuideOutput& out, int16_t ex, int16_t ey, GuidingFrameReport& r) {
    GuiderState& g = Guider();
    const SmoothPulses sp = smoothRule->Step(ex * 0.001, ey * 0.001, (NowMs() - smoothStartMs) * 0.001);
    r.measured = true;
    smoothClipped = sp.ra.clipped || sp.dec.clipped;
    g.pulseX = int16_t(std::min<int32_t>(sp.ra.ms, 32767));
    g.pulseY = int16_t(std::min<int32_t>(sp.dec.ms, 32767));
    bool sent = true;
    if (sp.ra.Send() || sp.dec.Send()) {
        Beep();
        sent = out.CorrectionBoth(sp.ra.direction, sp.ra.ms, sp.dec.direction, sp.dec.ms);
        Beep();
    }
    if (sp.ra.Send()) r.directionX = sp.ra.direction;
    if (sp.dec.Send()) r.directionY = sp.dec.direction;
    return sent;
}

// Picks the rule of a guiding run on the guider head or the main camera.
void StartRule(bool onMain) {
    const GuiderState& g = Guider();
    smoothRule.reset();
    if (g.rule != GuideRule::Smooth) return;
    if (SmoothRuleApplies(onMain)) {
        smoothRule.emplace(TrainedSet(), g.smooth);
        smoothStartMs = NowMs();
    } else {
        ShowMessage(50, "The smooth rule needs a calibration trained with it on this camera: this run guides with "
                        "the classic rule. Train again to guide with the smooth rule.");
    }
}

// One correction on the guider frame in the buffer. False when the star was
// not found (the stop flag is set).
bool CorrectGuider(GuidingContext& c, GuidingFrameReport* report) {
    GuiderState& g = Guider();
    WindowMeasure m;
    if (!MeasureWindow(GuiderFrame(), GuiderFrameWidth(), GuiderFrameHeight(), g.reference.x, g.reference.y,
                       GuidingSearchRadius(), m)) {
        g.stop = true;
        return false;
    }
    if (StarLost(m, g.referenceSignal)) {
        ShowMessage(4);
        g.stop = true;
        return false;
    }
    const StarPosition star = TruncatedWithTenths(m);
    g.lastStar = star;
    int16_t ex = 0, ey = 0;
    GuideErrors(g.reference, star, ex, ey);
    g.errorX = ex;
    g.errorY = ey;
    GuidingFrameReport r = Report(star, ex, ey);
    GuideOutput& out = Out(c);
    pulseFailed = false;
    if (ModeOf(c) == 'A') {
        const AoCorrection a = AoCorrectionFor(ex, ey, AoGainRa(), AoGainDec(), State().settings.aoLetters);
        r.measured = !a.ignored;
        auto step = [&](bool act, char letter, int32_t steps, int16_t& shown, char& dir) {
            if (!act) return;
            shown = int16_t(std::min<int32_t>(steps, 32767));
            if (steps > 0 && !pulseFailed) {
                Beep();
                pulseFailed = !out.AoStep(letter, steps);
                Beep();
                dir = letter;
            }
        };
        step(a.actX, a.letterX, a.stepsX, g.pulseX, r.directionX);
        step(a.actY, a.letterY, a.stepsY, g.pulseY, r.directionY);
    } else if (smoothRule) {
        pulseFailed = !SmoothCorrection(out, ex, ey, r);
    } else {
        Correction corr;
        if (GuiderCalibrationInUse() && !g.ignoreRaAngle)
            corr = TrainedCorrection(ex, ey, TrainedSet(), g.directions);
        else
            corr = GuiderDefaultCorrection(ex, ey, DefaultCalibration(), g.directions);
        r.measured = !corr.ignored;
        if (corr.x.act) g.pulseX = corr.shownX;
        if (corr.y.act) g.pulseY = corr.shownY;
        pulseFailed = !SendPulse(out, corr.x);
        if (corr.x.Send()) r.directionX = corr.x.direction;
        if (!corr.ignored && !pulseFailed) WaitMs(70);
        if (!pulseFailed) pulseFailed = !SendPulse(out, corr.y);
        if (corr.y.Send()) r.directionY = corr.y.direction;
    }
    r.aoX = g.aoX = TelescopeLink().aoX;
    r.aoY = g.aoY = TelescopeLink().aoY;
    if (report) *report = r;
    return true;
}

}  // namespace

bool PumpGuiderEvents() {
    Sys().events->Pump();
    Sys().events->TakeInterrupt();
    return LoopStopRequested();
}

bool TakeGuiderFrame() {
    // The guider camera is found and opened on first use.
    if (!OpenCamera()) return false;
    const GuiderExposure& e = Guider().exposure;
    GuiderCycleOptions o;
    o.unit = e.unit;
    o.value = e.value;
    o.binned = e.binned;
    o.median = e.median;
    o.dark = e.applyDark && e.darkTaken ? State().guiderB : nullptr;
    return GuiderExposureCycle(o).ok;
}

GuidingFramePlacement PlaceGuidingFrame(int x, int y, int f, int imageWidth, int imageHeight, int k) {
    GuidingFramePlacement p;
    auto axis = [f](int v, int size, int& origin, int& star) {
        if (f < v && v < size - f) {
            origin = v - f;
            star = f;
        } else if (v <= f) {
            origin = 0;
            star = v;
        } else {
            origin = size - 2 * f;
            star = v - (size - 2 * f);
        }
    };
    axis(x, imageWidth, p.originX, p.starX);
    axis(y, imageHeight, p.originY, p.starY);
    // C++ remainders keep the dividend's sign, as the rule wants.
    p.xOffset = (k * p.originX) % 4;
    p.yOffset = (k * p.originY) % 30;
    p.guideX = k * p.starX + p.xOffset;
    p.guideY = k * p.starY - p.yOffset;
    return p;
}

std::string PlacementMessage(const GuidingFramePlacement& p) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "xcent=%5d, ycent = %5d, focus_x = %5d, focus_y = %5d,  xoffset = %5d, yoffset = %5d", p.guideX,
                  p.guideY, p.originX, p.originY, p.xOffset, p.yOffset);
    return text;
}

namespace {

// Places the 128 x 128 guiding frame on the picked star (image
// coordinates) and marks the small frames active. Returns the star's
// position inside the frame.
StarPosition PlaceMainFrame() {
    ImageGeometry& g = State().geometry;
    // The geometry's half size (32 in binned geometry, whose image pixels are
    // two sensor pixels: the frame still covers 128 sensor pixels).
    const int f = g.focusHalfSize;
    const int k = g.binned ? 2 : 1;
    const GuidingFramePlacement p =
        PlaceGuidingFrame(Picking().guideStarX, Picking().guideStarY, f, g.width, g.height, k);
    ShowMessage(50, PlacementMessage(p));
    g.focusOriginX = p.originX;
    g.focusOriginY = p.originY;
    g.focusCentreX = p.originX + f;
    g.focusCentreY = p.originY + f;
    ViewOptions().guidingSmallFrames = true;
    // The star in the pixels of the frame as it is read (the read offsets are
    // shown, not applied).
    const ReadWindow w = FocusReadWindow();
    return StarPosition{(k * Picking().guideStarX - w.x) / w.binX, (k * Picking().guideStarY - w.y) / w.binY, 0, 0};
}

void EndMainFrames() {
    ViewOptions().guidingSmallFrames = false;
    DefaultFocusFrameCentre();
}

// The main-camera loops need a drive method and the camera (message 55).
bool MainCameraReady() {
    if (State().settings.driveMethod == 'n') return false;
    if (!OpenCamera()) {
        ShowMessage(55);
        return false;
    }
    return true;
}

}  // namespace

namespace {
LoopEnd RunSmoothCalibration(GuidingContext& c, const StarPosition& p0, bool onMain,
                             const std::function<bool()>& takeFrame,
                             const std::function<bool(const TrainingStep&, StarPosition&)>& search);
}  // namespace

LoopEnd RunMainTraining(GuidingContext c, int32_t exposureMs) {
    Settings& s = State().settings;
    if (!MainCameraReady()) return LoopEnd::Refused;
    GuiderState& g = Guider();
    const StarPosition saved = g.lastStar;
    g.training = true;
    const StarPosition start = PlaceMainFrame();
    bool aborted = false;
    LoopEnd end = LoopEnd::Done;
    StarPosition p0;
    if (!TakeMainGuidingFrame(exposureMs, aborted)) end = LoopEnd::CameraFailed;
    else if (!SearchMain(start.x, start.y, 2, true, p0)) end = LoopEnd::StarLost;
    if (end == LoopEnd::Done && g.rule == GuideRule::Smooth) {
        end = RunSmoothCalibration(
            c, p0, true, [&] { return TakeMainGuidingFrame(exposureMs, aborted); },
            [](const TrainingStep& st, StarPosition& p) { return SearchMain(st.searchX, st.searchY, 2, true, p); });
    } else if (end == LoopEnd::Done) {
        const bool settle = s.driveMethod == 'b' && !g.mainRelaysSettled;
        MainTraining m(State().trainingSecondsMain, s.raHysteresis, s.decHysteresis, settle, p0);
        end = DriveTraining(
            m, c, [&] { return TakeMainGuidingFrame(exposureMs, aborted); },
            [&](const TrainingStep& st, StarPosition& p) { return SearchMain(st.searchX, st.searchY, 2, true, p); });
        if (settle) g.mainRelaysSettled = true;
        if (end == LoopEnd::Done) {
            const MainTrainingResult r = m.Result();
            ShowMessage(50, r.Summary());
            s.raPixelsPerSecond = r.storedRaRate;
            s.decPixelsPerSecond = r.storedDecRate;
            s.raBacklash = r.storedRaBacklash;
            s.decBacklash = r.storedDecBacklash;
            SaveSettings();
        }
    }
    g.training = false;
    g.lastStar = saved;
    EndMainFrames();
    return end;
}

namespace {
// The selected star measured on a fresh guider frame.
LoopEnd MeasureSelected(StarPosition& p) {
    const GuiderState& g = Guider();
    if (!TakeGuiderFrame()) return LoopEnd::CameraFailed;
    if (!SearchGuider(g.starX, g.starY, 0, 0, 2, p)) return LoopEnd::StarLost;
    return LoopEnd::Done;
}
}  // namespace

namespace {
std::string smoothFitLine;

std::string FitLineOf(const SmoothCalibrationFit& f) {
    char text[300];
    std::snprintf(text, sizeof text,
                  "fit_rate_ra=%.4f fit_rate_dec=%.4f fit_angle_deg=%.3f orthogonality_deg=%.3f spread_ra_px=%.3f "
                  "spread_dec_px=%.3f suspect=%d",
                  std::hypot(f.set.rx, f.set.ry), std::hypot(f.set.dx, f.set.dy), f.set.theta * 180 / M_PI,
                  f.quality.orthogonalityDeg, f.quality.raSpreadPx, f.quality.decSpreadPx, f.quality.suspect ? 1 : 0);
    return text;
}

// The smooth rule's calibration from the selected star at p0. A suspect fit
// is adopted only when the user accepts it; the calibration in use stays
// otherwise.
LoopEnd RunSmoothCalibration(GuidingContext& c, const StarPosition& p0, bool onMain,
                             const std::function<bool()>& takeFrame,
                             const std::function<bool(const TrainingStep&, StarPosition&)>& search) {
    GuiderState& g = Guider();
    smoothFitLine.clear();
    SmoothCalibration m(p0, onMain ? kFocusFrameSize : GuiderFrameWidth(),
                        onMain ? kFocusFrameSize : GuiderFrameHeight(), GuidingSearchRadius());
    const LoopEnd end = DriveTraining(m, c, takeFrame, search);
    if (end != LoopEnd::Done) return end;
    const SmoothCalibrationFit fit = m.Result();
    if (!fit.set.moved) {
        ShowMessage(50, kTrainingFailedText);
        return LoopEnd::Failed;
    }
    smoothFitLine = FitLineOf(fit);
    char summary[300];
    std::snprintf(summary, sizeof summary,
                  "R.A. %.3f px/s, Dec %.3f px/s, angle %.2f deg\nskew %.2f deg, spread R.A. %.2f px, Dec %.2f px\n"
                  "backlash R.A. %.2f px, Dec %.2f px",
                  std::hypot(fit.set.rx, fit.set.ry), std::hypot(fit.set.dx, fit.set.dy),
                  fit.set.theta * 180 / M_PI, fit.quality.orthogonalityDeg, fit.quality.raSpreadPx,
                  fit.quality.decSpreadPx, fit.set.raBacklash, fit.set.decBacklash);
    if (fit.quality.suspect && !c.acceptSuspect &&
        Sys().messages->Show(kProgramCaption,
                             std::string("The calibration looks suspect (a poor fit or skewed axes):\n") + summary +
                                 "\nUse it anyway?",
                             MessageIcon::Question) != kButtonYes) {
        ShowMessage(50, "The suspect calibration was not adopted; the calibration in use is kept.");
        return LoopEnd::Failed;
    }
    g.trainedSet = fit.set;
    g.quality = fit.quality;
    g.trained = true;
    g.useTrained = true;
    g.trainedRule = GuideRule::Smooth;
    NoteTrainedNow(onMain, (onMain ? State().geometry.binned : g.exposure.binned) ? 2 : 1);
    ShowMessage(50, summary);
    SaveGuidingFile();
    return LoopEnd::Done;
}
}  // namespace

std::string SmoothFitLine() { return smoothFitLine; }

bool SmoothRuleApplies(bool onMain) {
    const GuiderState& g = Guider();
    return g.rule == GuideRule::Smooth && g.trained && g.useTrained && g.trainedRule == GuideRule::Smooth &&
           g.trainedOnMain == onMain && !g.ignoreRaAngle;
}

LoopEnd RunGuiderTraining(GuidingContext c) {
    GuiderState& g = Guider();
    if (!g.starSelected) {
        ShowMessage(53);
        return LoopEnd::Refused;
    }
    g.training = true;
    // The moves are measured from where the star is, not from the whole
    // pixel the pick kept.
    StarPosition p0;
    LoopEnd end = MeasureSelected(p0);
    if (g.rule == GuideRule::Smooth) {
        if (end == LoopEnd::Done)
            end = RunSmoothCalibration(c, p0, false, TakeGuiderFrame, [](const TrainingStep& st, StarPosition& p) {
                return SearchGuider(st.searchX, st.searchY, 0, 0, 2, p);
            });
        g.training = false;
        Show(c).Caption(kDialogCaption);
        return end;
    }
    GuiderTraining m(State().trainingSecondsGuider, p0, GuiderFrameWidth(), GuiderFrameHeight(),
                     GuidingSearchRadius());
    if (end == LoopEnd::Done) end = DriveTraining(m, c, TakeGuiderFrame, [](const TrainingStep& st, StarPosition& p) {
        return SearchGuider(st.searchX, st.searchY, st.secondOffsetX, st.secondOffsetY, 2, p);
    });
    if (end == LoopEnd::Done && !m.Result().moved) {
        ShowMessage(50, kTrainingFailedText);
        end = LoopEnd::Failed;
    }
    if (end == LoopEnd::Done) {
        const GuiderTrainingResult r = m.Result();
        g.trainedSet = r;
        g.trained = true;
        g.useTrained = true;
        // Kept for the next night with what it was trained on.
        g.trainedRule = GuideRule::Classic;
        g.quality = {};
        NoteTrainedNow(false, g.exposure.binned ? 2 : 1);
        ShowMessage(50, r.Summary());
        SaveSettings();
        SaveGuidingFile();
    }
    g.training = false;
    Show(c).Caption(kDialogCaption);
    return end;
}

LoopEnd RunAoTraining(GuidingContext c) {
    GuiderState& g = Guider();
    if (!g.starSelected) {
        ShowMessage(53);
        return LoopEnd::Refused;
    }
    g.training = true;
    const auto& letters = State().settings.aoLetters;
    StarPosition p0;
    LoopEnd end = MeasureSelected(p0);
    AoTraining m(p0, letters.data());
    const StarPosition selected{g.starX, g.starY, 0, 0};
    if (end == LoopEnd::Done) end = DriveTraining(m, c, TakeGuiderFrame, [&](const TrainingStep&, StarPosition& p) {
        return SearchGuider(selected.x, selected.y, 0, 0, 2, p);
    });
    if (end == LoopEnd::Done && !m.Result().moved) {
        ShowMessage(50, kTrainingFailedText);
        end = LoopEnd::Failed;
    }
    if (end == LoopEnd::Done) {
        // The trained gains are kept apart from the typed gains in use; "Use
        // Default" switches between them and "Save Latest" copies them.
        const AoTrainingResult r = m.Result();
        g.aoTrainedSet = r;
        g.aoTrained = true;
        g.aoUseTrained = true;
        Settings& s = State().settings;
        s.guiderCalibration[2] = r.storedRaGain;
        s.guiderCalibration[3] = r.storedDecGain;
        SaveSettings();
    }
    g.training = false;
    Show(c).Caption(kDialogCaption);
    return end;
}

bool StartGuiderGuiding(GuidingContext& c) {
    GuiderState& g = Guider();
    if (State().settings.driveMethod == 'n' || !OpenCamera()) {
        ShowMessage(55);
        return false;
    }
    if (!g.starSelected) {
        ShowMessage(53);
        return false;
    }
    GuidingDisplay& show = Show(c);
    g.guiding = true;
    c.started = true;
    g.stop = false;
    pulseFailed = false;
    g.pulseX = g.pulseY = 0;
    if (!c.stats) OwnStats().Reset();
    if (ModeOf(c) != 'A') StartRule(false);
    else smoothRule.reset();
    show.Caption("Guiding Info - Creating Guiding Frame");
    StarPosition ref;
    if (!TakeGuiderFrame() || !TakeGuiderFrame()) {
        g.guiding = false;
        return false;
    }
    if (!SearchGuider(g.starX, g.starY, 0, 0, 2, ref)) {
        g.guiding = false;
        g.stop = true;
        return false;
    }
    g.reference = ref;
    g.lastStar = ref;
    {
        WindowMeasure m;
        g.referenceSignal = MeasureWindow(GuiderFrame(), GuiderFrameWidth(), GuiderFrameHeight(), ref.x, ref.y,
                                          GuidingSearchRadius(), m)
                                ? m.Signal()
                                : 0;
    }
    show.Reference(ref.X(), ref.Y());
    show.Caption("Guiding Info - stabilising");
    for (int i = 0; i < 2; ++i) {
        GuidingFrameReport r;
        if (!CorrectGuider(c, &r) || pulseFailed) {
            g.guiding = false;
            return false;
        }
        if (!TakeGuiderFrame()) {
            g.guiding = false;
            return false;
        }
        show.FrameTaken();
    }
    if (!CorrectGuider(c, nullptr) || pulseFailed) {
        g.guiding = false;
        return false;
    }
    show.Caption("Guiding Info");
    if (!TakeGuiderFrame()) {
        g.guiding = false;
        return false;
    }
    show.FrameTaken();
    return true;
}

namespace {
bool cycleCameraFailed = false;
}  // namespace

bool GuiderGuidingCycle(GuidingContext& c) {
    GuiderState& g = Guider();
    cycleCameraFailed = false;
    if (!TakeGuiderFrame()) {
        cycleCameraFailed = true;
        g.stop = true;
        return false;
    }
    Show(c).FrameTaken();
    GuidingFrameReport r;
    if (!CorrectGuider(c, &r)) {
        RecordLost(c, g.lastStar, g.errorX, g.errorY);
        return false;
    }
    Record(c, r, !r.measured ? "ignored" : smoothRule && smoothClipped ? "clipped" : "ok");
    if (pulseFailed) {
        cycleCameraFailed = true;
        g.stop = true;
        return false;
    }
    return true;
}

void FinishGuiderGuiding(GuidingContext& c) {
    Guider().guiding = false;
    smoothRule.reset();
    if (c.started && ModeOf(c) == 'A') Out(c).AoRecentre();
    c.started = false;
    Show(c).Finished();
}

LoopEnd RunGuiderGuiding(GuidingContext c) {
    GuiderState& g = Guider();
    if (!StartGuiderGuiding(c)) {
        const bool started = g.stop;
        FinishGuiderGuiding(c);
        return pulseFailed ? LoopEnd::CameraFailed : started ? LoopEnd::StarLost : LoopEnd::Refused;
    }
    GuidingLog ownLog;
    OpenRunLog(c, ownLog, false);
    LoopEnd end = LoopEnd::Done;
    for (;;) {
        if (!GuiderGuidingCycle(c)) {
            end = cycleCameraFailed ? LoopEnd::CameraFailed : LoopEnd::StarLost;
            break;
        }
        if (PumpGuiderEvents() || !g.guiding) {
            end = LoopEnd::Stopped;
            break;
        }
        if (PastEnd(c)) break;
    }
    FinishGuiderGuiding(c);
    return end;
}

LoopEnd RunMainGuiding(GuidingContext c, int32_t exposureMs) {
    if (!MainCameraReady()) return LoopEnd::Refused;
    GuiderState& g = Guider();
    const StarPosition saved = g.lastStar;
    g.mainGuiding = true;
    if (!c.stats) OwnStats().Reset();
    StartRule(true);
    GuidingLog ownLog;
    OpenRunLog(c, ownLog, true);
    StarPosition star = PlaceMainFrame();
    GuideOutput& out = Out(c);
    bool first = true;
    LoopEnd end = LoopEnd::Done;
    while (g.mainGuiding) {
        if (Sys().events) Sys().events->Pump();
        bool aborted = false;
        if (!TakeMainGuidingFrame(exposureMs, aborted)) {
            end = LoopEnd::CameraFailed;
            break;
        }
        if (aborted) {
            end = LoopEnd::Stopped;
            break;
        }
        Show(c).FrameTaken();
        if (first) {
            StarPosition ref;
            if (!SearchMain(star.x, star.y, 2, true, ref)) {
                end = LoopEnd::StarLost;
                break;
            }
            g.reference = ref;
            g.referenceSignal = SignalAt(State().imageA, kFocusFrameSize, kFocusFrameSize, ref.x, ref.y);
            Show(c).Caption("Guiding Info");
            Show(c).Reference(ref.X(), ref.Y());
            first = false;
        } else {
            WindowMeasure m;
            const bool inside = MeasureWindow(State().imageA, kFocusFrameSize, kFocusFrameSize, g.reference.x,
                                              g.reference.y, GuidingSearchRadius(), m);
            if (inside && StarLost(m, g.referenceSignal)) ShowMessage(4);
            if (!inside || StarLost(m, g.referenceSignal) || !SearchMain(g.reference.x, g.reference.y, 1, false, star)) {
                RecordLost(c, star, g.errorX, g.errorY);
                end = LoopEnd::StarLost;
                break;
            }
            int16_t ex = 0, ey = 0;
            GuideErrors(g.reference, star, ex, ey);
            g.errorX = ex;
            g.errorY = ey;
            const Correction corr =
                smoothRule ? Correction{} : MainCameraCorrection(ex, ey, MainCalibration(), g.directions);
            GuidingFrameReport r = Report(star, ex, ey);
            r.measured = !corr.ignored;
            if (corr.x.act) g.pulseX = corr.shownX;
            if (corr.y.act) g.pulseY = corr.shownY;
            const bool sent =
                smoothRule ? SmoothCorrection(out, ex, ey, r) : SendPulse(out, corr.x) && SendPulse(out, corr.y);
            if (corr.x.Send()) r.directionX = corr.x.direction;
            if (corr.y.Send()) r.directionY = corr.y.direction;
            Record(c, r, r.measured ? "ok" : "ignored");
            if (!sent) {
                end = LoopEnd::CameraFailed;
                break;
            }
        }
        if (PollInterrupt()) {
            end = LoopEnd::Stopped;
            break;
        }
        if (PastEnd(c)) break;
    }
    g.mainGuiding = false;
    smoothRule.reset();
    EndMainFrames();
    if (end == LoopEnd::Stopped) {
        Beep();
        ShowMessage(51);
    }
    Show(c).Finished();
    g.lastStar = saved;
    return end;
}

StarPosition PlaceMainGuidingFrame() { return PlaceMainFrame(); }
bool FindMainGuidingStar(int x, int y, StarPosition& out) { return SearchMain(x, y, 2, true, out); }
void EndMainGuidingFrames() { EndMainFrames(); }

GuidingRms LastGuidingRms() { return lastStats ? lastStats->Rms() : GuidingRms{}; }

namespace {

// Guiding inside a main-camera exposure ("Autoguide Photo").
struct PhotoGuiding {
    GuidingContext context;
    GuidingLog log;
    uint32_t nextMs = 0;
    bool running = false;
};
PhotoGuiding& Photo() {
    static PhotoGuiding p;
    return p;
}

}  // namespace

void InstallGuidingHooks() {
    ExposureGuidingHooks& h = GuidingHooks();
    h.guidingActive = [] { return Guider().guiding; };
    h.guideStarPicked = [] { return Guider().starSelected; };
    h.startGuiding = [] {
        PhotoGuiding& p = Photo();
        p.context = GuidingContext{};
        p.running = StartGuiderGuiding(p.context);
        p.nextMs = NowMs();
        if (!p.running) FinishGuiderGuiding(p.context);
        else OpenRunLog(p.context, p.log, false);
        return p.running;
    };
    h.guidingStep = [](uint32_t& endMs) {
        PhotoGuiding& p = Photo();
        if (!p.running || int32_t(NowMs() - p.nextMs) < 0) return;
        if (!GuiderGuidingCycle(p.context) || !Guider().guiding) {
            // The star is lost or guiding was stopped: the exposure ends now.
            p.running = false;
            endMs = NowMs();
        }
        p.nextMs = NowMs();
    };
    // The end of an autoguided exposure: with the AO guide method the AO
    // unit is recentred (FinishGuiderGuiding does it for guiding in mode 'A').
    h.stopGuiding = [](bool aoStep) {
        PhotoGuiding& p = Photo();
        p.running = false;
        if (aoStep) p.context.mode = 'A';
        FinishGuiderGuiding(p.context);
        p.log.Close();
        p.context.log = nullptr;
    };
    // The camera control dialog closed while the guiding mode is 'A'.
    h.cameraDialogClosed = [] {
        if (State().settings.guidingMode != 'A') return;
        PrepareTelescopeLink();
        AoRecentre();
    };
    h.mainImageGuidingActive = [] { return Guider().mainGuiding; };
}

namespace {
const bool hooksInstalled = [] {
    InstallGuidingHooks();
    return true;
}();
}  // namespace
