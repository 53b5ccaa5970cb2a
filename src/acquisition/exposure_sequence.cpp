#include "acquisition/exposure_sequence.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "acquisition/acq_links.h"
#include "acquisition/auto_merge.h"
#include "acquisition/camera_settings.h"
#include "acquisition/guiding_hooks.h"
#include "acquisition/subframe.h"
#include "core/desktop_rules.h"
#include "core/messages.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "devices/camera.h"
#include "devices/filter_wheel.h"
#include "devices/transport.h"
#include "display/render.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "processing/calibration.h"
#include "core/history.h"
#include "settings/settings_file.h"

ExposureGuidingHooks& GuidingHooks() {
    static ExposureGuidingHooks hooks;
    return hooks;
}

namespace {

bool Call(const std::function<bool()>& f) { return f && f(); }

// The running state of one sequence.
struct Run {
    int remaining = 1;
    bool cancelled = false;
    bool endContinuous = false;
};

// A press while waiting for an exposure: the exposure in progress is
// completed and read, nothing follows. During the read-out or the pause:
// nothing more at all.
void CancelPressed(Run& run, bool duringExposure) {
    Beep();
    run.remaining = duringExposure ? 1 : 0;
    run.cancelled = true;
    // The focus frame goes back to the image centre.
    DefaultFocusFrameCentre();
    if (Call(GuidingHooks().mainImageGuidingActive)) run.endContinuous = true;
}

Run* activeRun = nullptr;

// The sum of the 200 x 200 pixels around the image centre.
uint32_t CentreSum() {
    const ImageGeometry& g = State().geometry;
    uint32_t sum = 0;
    for (int y = g.height / 2 - 100; y < g.height / 2 + 100; ++y) {
        if (y < 0 || y >= g.height) continue;
        for (int x = g.width / 2 - 100; x < g.width / 2 + 100; ++x)
            if (x >= 0 && x < g.width) sum += State().imageA[size_t(y) * g.width + x];
    }
    return sum;
}

// The test series data file: rewritten whole after every line so that a
// crash never leaves a half-written file.
struct TestSeriesFile {
    std::string content;
    bool Create() {
        const std::string path = MapPath(kTestDataPath);
        RemoveFile(path);
        if (!ReplaceFile(path, "", 0)) {
            ShowMessage(50, "Failed to create data file");
            return false;
        }
        return true;
    }
    bool Append(int32_t exposureMs, uint32_t sum) {
        char line[64];
        std::snprintf(line, sizeof line, "%6d,%15u\n", int(exposureMs), unsigned(sum));
        content += line;
        if (!ReplaceFile(MapPath(kTestDataPath), content.data(), content.size())) {
            ShowMessage(50, "datafile write failed");
            return false;
        }
        return true;
    }
};

// History, redraw and autosave after a finished image.
bool FinishImage(const SequenceOptions& options, SequenceResult& result, bool readOk = true) {
    State().fits.exposureEnd = Sys().clock->UnixSeconds();
    RedrawImage();
    // A frame the camera did not deliver is shown but never saved.
    if (!Cam().autoSave || !readOk) return true;
    std::string name;
    if (AcqQuickSave(&name) != 0) {
        ShowMessage(29);
        return false;
    }
    ++result.filesSaved;
    result.savedFiles.push_back(name);
    if (options.onSaved) options.onSaved(name);
    return true;
}

}  // namespace

bool ConnectCamera(const std::function<void()>& afterSettingsLoad) {
    if (AcqDarkPath().empty()) AcqDarkPath() = "c:\\dark.def";
    if (AcqFlatPath().empty()) AcqFlatPath() = "c:\\flat.def";
    if (!CameraConnected()) {
        LoadSettingsAtStartup();
        if (afterSettingsLoad) afterSettingsLoad();
        OpenCamera();
        if (!CameraConnected()) {
            ShowMessage(50, "Sorry, No camera found on USB");
            return false;
        }
        QueryFirmwareVersion();
    }
    Cam().exposureCount = 1;
    return true;
}

bool WaitForExposure(const ExposureWait& wait) {
    const uint32_t start = wait.startMs;
    uint32_t end = start + uint32_t(wait.exposureMs);
    uint32_t clearAt = start + FirstRegisterClearMs(wait.exposureMs);
    const uint32_t stepMs = std::max<uint32_t>(1, uint32_t(wait.exposureMs) / uint32_t(wait.steps));
    uint32_t nextStep = start + stepMs;
    int position = 0;
    bool interrupted = false;
    // Exposures longer than a second show the time left.
    const bool showTimeLeft = wait.exposureMs > 1000;
    int shownLeft = -1;
    for (;;) {
        if (showTimeLeft) {
            const int left = SecondsLeft(NowMs(), end);
            if (left != shownLeft) Sys().progress->SetTimeLeft(shownLeft = left);
        }
        if (PollInterrupt()) {
            interrupted = true;
            if (activeRun) CancelPressed(*activeRun, true);
        }
        if (wait.guiding && GuidingHooks().guidingStep) GuidingHooks().guidingStep(end);
        uint32_t now = NowMs();
        if (int32_t(now - end) >= 0) break;
        if (int32_t(now - clearAt) >= 0) {
            ClearPixels(8);
            clearAt += kRegisterClearStepMs;
        }
        if (wait.withProgress && int32_t(now - nextStep) >= 0) {
            position = std::min(256, position + 256 / wait.steps);
            Sys().progress->SetPosition(position);
            nextStep += stepMs;
        }
        // Short sleeps keep the window alive; the last few milliseconds are
        // spun so the read goes out on time.
        now = NowMs();
        if (int32_t(end - now) > 12) {
            WaitMs(std::min<uint32_t>(end - now - 10, 5));
        } else {
            while (int32_t(NowMs() - end) < 0) WaitMs(0);
        }
    }
    if (showTimeLeft) Sys().progress->SetTimeLeft(-1);
    return interrupted;
}

AssemblyInfo AssembleReadout(int mode, const uint8_t* bytes, const ReadWindow& window, Pixel* image, int width,
                             int height, Pixel* scratch, Pixel* rawBinned, bool unexpanded, int model) {
    AssemblyInfo info;
    const int rw = window.ReplyWidth(), rh = window.ReplyHeight();
    const size_t count = size_t(rw) * rh;
    switch (mode) {
        case kModeHighRes:
        case kModeBin2: {
            // Rows of the reply are the rows of the image.
            Pixel* dst = image;
            if (rw == width) {
                BytesToPixels(dst, bytes, count * 2, std::min(count, size_t(width) * height));
            } else {
                BytesToPixels(scratch, bytes, count * 2, count);
                CentreInFrame(image, width, height, scratch, rw, rh);
            }
            if (mode == kModeHighRes && model == 1) ColumnPairCorrection(image, width, height);
            break;
        }
        case kModeBin3:
        case kModeBin4:
        case kModeBin8:
        case kModeBin8x16:
            BytesToPixels(scratch, bytes, count * 2, count);
            if (unexpanded) {
                if (rawBinned) std::memcpy(rawBinned, scratch, count * sizeof(Pixel));
                CentreInFrame(image, width, height, scratch, rw, rh);
                info.binningMode = mode == kModeBin3 ? 13 : 14;
                info.rawWidth = rw;
                info.rawHeight = rh;
            } else if (mode == kModeBin3) {
                Bilinear3x3(image, width, height, scratch, rw, rh);
            } else if (mode == kModeBin4) {
                Expand2x(image, width, height, scratch, rw, rh);
            } else {
                Expand4x(image, width, height, scratch, rw, rh);
            }
            break;
        case kModeSubFrame:
            BytesToPixels(scratch, bytes, count * 2, count);
            CentreInFrame(image, width, height, scratch, rw, rh);
            break;
        default: break;
    }
    return info;
}

void BeginExposure(int model, int32_t exposureMs, bool trigger) {
    ClearPixels(8);
    ClearPixels(0);
    Echo();
    // Model 5: the shutter is closed before a host-timed exposure (with or
    // without the trigger) and after it.
    if (model == 5 && HostTimesExposure(exposureMs, trigger)) Shutter(false);
}

void OpenShutterForHostWait(int model, bool darkFrame) {
    if (model == 5 && !darkFrame) Shutter(true);
}

void CloseShutterAfterHostWait(int model, bool /*trigger*/) {
    if (model == 5) Shutter(false);
}

void CloseShutterForCameraTimedRead(int model, int32_t exposureMs) {
    if (model == 5 && exposureMs <= 1000) Shutter(false);
}

bool DarkReadValue(int mode, int model, bool darkFrame) { return mode == kModeHighRes && model == 5 && darkFrame; }

FrameRequest ExposureFrame(const ReadWindow& w, int32_t exposureMs) {
    FrameRequest frame;
    frame.xOffset = uint16_t(w.x);
    frame.yOffset = uint16_t(w.y);
    frame.width = uint16_t(w.width);
    frame.height = uint16_t(w.height);
    frame.xBin = uint8_t(w.binX);
    frame.yBin = uint8_t(w.binY);
    frame.exposureMs = uint32_t(exposureMs);
    return frame;
}

bool ReadModeFrame(int mode, int32_t exposureMs) {
    AppState& s = State();
    ImageGeometry& g = s.geometry;
    const CameraSettings& cam = Cam();
    const int model = g.modelCode;
    CloseShutterForCameraTimedRead(model, exposureMs);
    const ReadWindow w = ModeWindow(mode, g.sensorWidth, g.sensorHeight, g.width, g.height, g.subFrameBinning,
                                    g.subFrameCentreX, g.subFrameCentreY);
    const FrameRequest frame = ExposureFrame(w, exposureMs);
    const bool is8x8 = mode == kModeBin8;
    const bool details = is8x8 && s.settings.showInterfaceDetails;
    if (details) ShowMessage(50, "About to send in 8x8");
    const bool darkRead = DarkReadValue(mode, model, cam.darkFrame);
    size_t got = 0;
    // The read moves the whole frame in one transfer; no window messages are
    // handled meanwhile.
    const bool ok = ReadExposure(frame, cam.trigger, darkRead, &got);
    if (details) {
        ShowMessage(50, "Back from send in 8x8");
        ShowMessage(50, "Back from Receive in 8x8");
    }
    // A short reply is assembled as if complete: the rest of the input block
    // holds what it held before.
    const bool unexpanded = s.settings.doNotExpandBinned;
    const AssemblyInfo info = AssembleReadout(mode, FrameBytes(), w, s.imageA, g.width, g.height, s.imageD,
                                              s.rawBinned, unexpanded, model);
    g.binningMode = int16_t(info.binningMode);
    if (info.binningMode) {
        g.unexpandedWidth = info.rawWidth;
        g.unexpandedHeight = info.rawHeight;
        g.unexpandedBytes = info.rawWidth * info.rawHeight * 2;
    }
    RecomputeGeometry();
    if (s.settings.autoAdvance) NextFilter();
    return ok;
}

namespace {

// The phases of a sequence. Each step does the work of its phase and names
// the next; RunExposureSequence runs them and owns the waits (the count-down,
// the exposure, the look at a continuous-mode frame, the pause).
enum class SequenceStep {
    Start,      // caption, test series file
    Delay,      // wait: the count-down before the first exposure
    Prepare,    // the geometry of the exposure mode
    Series,     // a new series of exposureCount frames
    Clear,      // totals, flush, sensor cleared, progress window
    Expose,     // host-timed: shutter open, guiding started
    Wait,       // wait: the exposure
    Exposed,    // shutter closed, guiding of a single frame stopped
    ReadOut,    // the read; presses during it; a failed read
    Calibrate,  // dark, flat, merging, auto-processing
    Show,       // continuous mode: the frame finished and saved
    Look,       // wait: two seconds to look at it
    Pause,      // wait: the pause between exposures
    Redraw,     // redraw, test series line, the frame limit
    EndSeries,  // the next series or the end
    Close,      // the last frame saved, guiding closed, counters cleared
    Done,
};

// The count-down before the first exposure; true when a press ended it.
bool CountDown() {
    Sys().progress->Open("EXPOSURE DELAY" + LeftSuffix(10));
    int position = 0;
    for (int n = 10; n >= 1; --n) {
        Sys().progress->SetCaption("EXPOSURE DELAY (Left - " + std::to_string(n) + ")");
        position += 25;
        Sys().progress->SetPosition(position);
        if (WaitSeconds(1)) {
            Sys().progress->Close();
            return true;
        }
        Beep();
    }
    Sys().progress->Close();
    return false;
}

// The pause between continuous-mode exposures in 16 slices; true when a
// press ended it.
bool PauseBetweenExposures(uint32_t total, Run& run) {
    Sys().progress->Open("Pause between exposures");
    int position = 0;
    bool pressed = false;
    for (int i = 0; i < 16 && !pressed; ++i) {
        const uint32_t until = NowMs() + total / 16;
        while (int32_t(NowMs() - until) < 0) {
            if (PollInterrupt()) {
                CancelPressed(run, false);
                pressed = true;
                break;
            }
            WaitMs(std::min<uint32_t>(10, until - NowMs()));
        }
        position += 256 / 16;
        Sys().progress->SetPosition(position);
    }
    Sys().progress->Close();
    return pressed;
}

// The running state of a sequence and its steps.
struct Sequence {
    explicit Sequence(const SequenceOptions& o) : options(o) {}
    const SequenceOptions& options;
    AppState& s = State();
    CameraSettings& cam = Cam();
    ImageGeometry& g = State().geometry;
    SequenceResult result;
    Run run;
    int32_t E = 0;
    TestSeriesFile testFile;
    bool testSeries = false;
    int progressSteps = 2, model = 0;
    bool guidingStarted = false, guidingEnded = false, continuous = false;
    // The series under way.
    int seriesCount = 1;
    bool merging = false, seriesEnded = false;
    std::optional<AutoMerge> merge;
    // The frame under way.
    ExposureWait wait;
    bool longUnit = false, readOk = true, lastFrame = false;

    SequenceStep Start() {
        E = CurrentExposureMs();
        s.currentFileName = "Tessel Camera Image";
        UpdateMainWindowCaption();
        testSeries = cam.testSeries;
        if (testSeries) {
            E = 0;
            cam.exposureCount = 100;
            cam.exposureUnit = 'h';
            if (!testFile.Create()) return SequenceStep::Done;
        }
        return cam.delayBefore ? SequenceStep::Delay : SequenceStep::Prepare;
    }
    SequenceStep Prepare() {
        g.binned = cam.exposureMode != kModeHighRes;
        g.binningMode = 0;
        RecomputeGeometry();
        UpdateMainWindowScroller();
        progressSteps = ProgressSteps(cam.exposureUnit, cam.exposureValue);
        model = g.modelCode;
        continuous = cam.continuous;
        return SequenceStep::Series;
    }
    SequenceStep Series() {
        run.remaining = std::max(1, cam.exposureCount);
        seriesCount = run.remaining;
        merging = seriesCount >= 2 && !continuous && !cam.autoguidePhoto && !testSeries;
        merge.emplace(cam.averaging ? seriesCount : 1, cam.altSlew);
        seriesEnded = false;
        return SequenceStep::Clear;
    }
    SequenceStep Clear() {
        if (testSeries) E += 25;
        s.fits.exposureStart = Sys().clock->UnixSeconds();
        if (continuous)
            Session().exposureSecondsTotal = E / 1000.0;
        else
            Session().exposureSecondsTotal += E / 1000.0;
        s.fits.exposure = Session().exposureSecondsTotal;
        if (s.settings.flushBeforeExposure) {
            ClearPixels(8);
            ClearPixels(0);
            FlushSensor(g.sensorWidth, g.sensorHeight);
        }
        Sys().progress->Open("EXPOSURE UNDERWAY" + LeftSuffix(run.remaining));
        BeginExposure(model, E, cam.trigger);
        return HostTimesExposure(E, cam.trigger) ? SequenceStep::Expose : SequenceStep::ReadOut;
    }
    SequenceStep Expose() {
        wait = ExposureWait{};
        wait.startMs = NowMs();
        wait.exposureMs = E;
        wait.steps = progressSteps;
        OpenShutterForHostWait(model, cam.darkFrame);
        longUnit = cam.exposureUnit == 's' || cam.exposureUnit == 'm';
        wait.withProgress = longUnit;
        if (longUnit && cam.autoguidePhoto && !guidingStarted) {
            if (GuidingHooks().startGuiding && !GuidingHooks().startGuiding()) {
                // Guiding could not start: nothing is read, the sequence ends.
                guidingEnded = true;
                Sys().progress->Close();
                seriesEnded = true;
                return SequenceStep::EndSeries;
            }
            guidingStarted = GuidingHooks().startGuiding != nullptr;
        }
        wait.guiding = guidingStarted;
        return SequenceStep::Wait;
    }
    SequenceStep Exposed() {
        CloseShutterAfterHostWait(model, cam.trigger);
        if (longUnit && guidingStarted && seriesCount == 1 && !continuous) {
            if (GuidingHooks().stopGuiding) GuidingHooks().stopGuiding(s.settings.guidingMode == 'A');
            guidingStarted = false;
        }
        return SequenceStep::ReadOut;
    }
    SequenceStep ReadOut() {
        Sys().progress->SetCaption(
            ReadoutCaption(cam.exposureMode, E, cam.trigger, run.remaining, g.readoutTexts.data()));
        Sys().progress->SetPosition(20);
        readOk = ReadModeFrame(cam.exposureMode, E);
        ++result.framesRead;
        // Presses that arrived during the read stop the sequence.
        if (PollInterrupt()) CancelPressed(run, false);
        Sys().progress->Close();
        if (!readOk) {
            // The camera stopped answering: keep what arrived and end.
            result.readFailed = true;
            run.remaining = 0;
            continuous = false;
        }
        return SequenceStep::Calibrate;
    }
    SequenceStep Calibrate() {
        bool darkApplied = false, flatApplied = false;
        if (cam.autoDark) {
            const int code = AutoDark(AcqDarkPath());
            ShowAutoDarkResult(code);
            darkApplied = code == kAutoOk;
        }
        if (cam.autoFlat) {
            const int code = AutoFlat(AcqFlatPath());
            ShowAutoFlatResult(code);
            flatApplied = code == kAutoOk;
        }
        if (!cam.keepHistory) RecordAutoCalibration(darkApplied, flatApplied);
        if (merging && readOk) {
            const int answer = merge->AddFrame();
            if (answer != 0) {
                ShowMessage(answer == 2 ? 5 : 4);
                result.starLost = true;
                run.remaining = 1;
            }
        }
        run.remaining = std::max(0, run.remaining - 1);
        if (cam.autoProcess) AcqAutoProcess();
        return continuous ? SequenceStep::Show : SequenceStep::Redraw;
    }
    SequenceStep Show() {
        FinishImage(options, result, readOk);
        lastFrame = options.maxFrames && result.framesRead >= options.maxFrames;
        // After a press nothing follows: no look, no pause.
        if (!options.headless && !lastFrame && !run.cancelled) return SequenceStep::Look;
        return PauseOrRedraw();
    }
    void StopAfterLook() {
        run.cancelled = true;
        continuous = false;
        run.remaining = 0;
    }
    SequenceStep PauseOrRedraw() const {
        if (continuous && cam.delayBetween >= 1 && !lastFrame && !run.cancelled) return SequenceStep::Pause;
        return SequenceStep::Redraw;
    }
    uint32_t PauseMs() const { return uint32_t(cam.delayBetween) * (cam.delayUnit == 'm' ? 60000u : 1000u); }
    SequenceStep Redraw() {
        RedrawImage();
        if (testSeries && !testFile.Append(E, CentreSum())) {
            run.remaining = 0;
            seriesEnded = true;
        }
        if (run.endContinuous) continuous = false;
        if (options.maxFrames && result.framesRead >= options.maxFrames) {
            run.remaining = 0;
            continuous = false;
        }
        return run.remaining > 0 ? SequenceStep::Clear : SequenceStep::EndSeries;
    }
    SequenceStep EndSeries() {
        merge.reset();
        if (!continuous || run.cancelled || seriesEnded) {
            continuous = false;
            return SequenceStep::Close;
        }
        return SequenceStep::Series;
    }
    SequenceStep Close() {
        if (!cam.continuous || testSeries) {
            if (!guidingEnded && result.framesRead > 0) FinishImage(options, result, !result.readFailed);
            if (Call(GuidingHooks().mainImageGuidingActive) && GuidingHooks().mainImageCorrection)
                GuidingHooks().mainImageCorrection();
        }
        // Close: guiding window closed, the guide-star positions found become
        // the new references, the counters are cleared.
        if (guidingStarted && GuidingHooks().stopGuiding) GuidingHooks().stopGuiding(false);
        if (GuidingHooks().adoptGuideReferences) GuidingHooks().adoptGuideReferences();
        if (run.cancelled) {
            cam.continuous = false;
            cam.exposureCount = 1;
        }
        Session().exposureSecondsTotal = 0;
        result.cancelled = run.cancelled;
        return SequenceStep::Done;
    }
};

}  // namespace

SequenceResult RunExposureSequence(const SequenceOptions& options) {
    Sequence q(options);
    activeRun = &q.run;
    SequenceStep step = SequenceStep::Start;
    while (step != SequenceStep::Done) {
        switch (step) {
            case SequenceStep::Start: step = q.Start(); break;
            case SequenceStep::Delay:
                // A press during the count-down: nothing is taken.
                if (CountDown()) {
                    q.result.cancelled = true;
                    step = SequenceStep::Done;
                } else {
                    step = SequenceStep::Prepare;
                }
                break;
            case SequenceStep::Prepare: step = q.Prepare(); break;
            case SequenceStep::Series: step = q.Series(); break;
            case SequenceStep::Clear: step = q.Clear(); break;
            case SequenceStep::Expose: step = q.Expose(); break;
            case SequenceStep::Wait:
                WaitForExposure(q.wait);
                step = SequenceStep::Exposed;
                break;
            case SequenceStep::Exposed: step = q.Exposed(); break;
            case SequenceStep::ReadOut: step = q.ReadOut(); break;
            case SequenceStep::Calibrate: step = q.Calibrate(); break;
            case SequenceStep::Show: step = q.Show(); break;
            case SequenceStep::Look:
                if (WaitSeconds(2)) q.StopAfterLook();
                step = q.PauseOrRedraw();
                break;
            case SequenceStep::Pause:
                if (PauseBetweenExposures(q.PauseMs(), q.run)) q.continuous = false;
                step = SequenceStep::Redraw;
                break;
            case SequenceStep::Redraw: step = q.Redraw(); break;
            case SequenceStep::EndSeries: step = q.EndSeries(); break;
            case SequenceStep::Close: step = q.Close(); break;
            case SequenceStep::Done: break;
        }
    }
    activeRun = nullptr;
    return q.result;
}
