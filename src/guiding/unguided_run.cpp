#include "guiding/unguided_run.h"

#include "acquisition/focus.h"
#include "core/messages.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "guiding/correction.h"
#include "guiding/guider_state.h"
#include "platform/platform.h"

namespace {
// Between frames: the guider head drops key and mouse presses as guider
// guiding does; on the main camera a press ends the run as it ends guiding.
bool StopAsked(bool main) {
    if (!main) return PumpGuiderEvents();
    if (Sys().events) Sys().events->Pump();
    return PollInterrupt() || LoopStopRequested();
}
}  // namespace

LoopEnd RunUnguided(const UnguidedRunOptions& o) {
    const bool main = o.mainCamera;
    if (!main && !Guider().starSelected) {
        ShowMessage(53);
        return LoopEnd::Refused;
    }
    const int w = GuiderFrameWidth(), h = GuiderFrameHeight(), r = GuidingSearchRadius();
    bool aborted = false;
    auto frame = [&] { return main ? TakeMainGuidingFrame(o.exposureMs, aborted) && !aborted : TakeGuiderFrame(); };
    auto find = [&](const StarPosition& from, StarPosition& p) {
        return main ? FindMainGuidingStar(from.x, from.y, p)
                    : FindStar(State().guiderA, w, h, from.x, from.y, r, 2, true, p);
    };
    StarPosition ref = main ? PlaceMainGuidingFrame() : StarPosition{Guider().starX, Guider().starY, 0, 0};
    if (!frame() || (!main && !frame()) || !find(ref, ref)) {
        if (main) EndMainGuidingFrames();
        return LoopEnd::Refused;
    }
    if (o.started) o.started(ref);
    const uint32_t start = NowMs(), end = start + o.durationMs;
    StarPosition last = ref;
    LoopEnd result = LoopEnd::Done;
    while (int32_t(NowMs() - end) < 0) {
        if (StopAsked(main) || (o.cancel && *o.cancel)) {
            result = LoopEnd::Stopped;
            break;
        }
        if (!frame()) {
            result = aborted ? LoopEnd::Stopped : LoopEnd::CameraFailed;
            break;
        }
        StarPosition p;
        if (!find(last, p)) {
            if (o.stats) o.stats->Lost();
            result = LoopEnd::StarLost;
            break;
        }
        last = p;
        UnguidedFrame f;
        f.timeMs = NowMs();
        f.star = p;
        GuideErrors(ref, p, f.errorX, f.errorY);
        if (o.stats) o.stats->Add(f.errorX * 0.001, f.errorY * 0.001);
        if (o.frame) o.frame(f);
        if (o.progress && o.durationMs) o.progress(std::min(1.0, double(NowMs() - start) / o.durationMs));
    }
    if (main) EndMainGuidingFrames();
    return result;
}

AssistantMeasurement MeasureForAssistant(UnguidedRunOptions o) {
    AssistantMeasurement m;
    const GuiderState& g = Guider();
    const GuiderTrainingResult* axes = !o.mainCamera && GuiderCalibrationInUse() ? &g.trainedSet : nullptr;
    m.onTrainedAxes = axes != nullptr;
    std::vector<AssistantSample> trace;
    StarPosition ref;
    uint32_t startMs = 0;
    auto started = std::move(o.started);
    auto frame = std::move(o.frame);
    o.started = [&](const StarPosition& r) {
        ref = r;
        startMs = NowMs();
        if (started) started(r);
    };
    o.frame = [&](const UnguidedFrame& f) {
        AssistantSample s;
        s.timeS = (f.timeMs - startMs) / 1000.0;
        ResolveOnAxes(f.star.X() - ref.X(), f.star.Y() - ref.Y(), axes, s.raPx, s.decPx);
        trace.push_back(s);
        if (frame) frame(f);
    };
    m.end = RunUnguided(o);
    m.result = AnalyseTrace(trace);
    return m;
}
