#include "acquisition/focus.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "acquisition/acq_links.h"
#include "acquisition/camera_settings.h"
#include "acquisition/exposure_sequence.h"
#include "acquisition/readout.h"
#include "core/messages.h"
#include "core/state.h"
#include "devices/camera.h"
#include "display/display_state.h"
#include "platform/platform.h"

FocusAnalysis AnalyseFocusFrame(const Pixel* frame) {
    FocusAnalysis a;
    std::array<int, 256> histogram{};
    int brightest = 0;
    for (int y = 12; y <= 125; ++y)
        for (int x = 5; x <= 125; ++x) {
            const int v = frame[y * kFocusFrameSize + x];
            ++histogram[v >> 8];
            const int above = frame[(y - 1) * kFocusFrameSize + x];
            if (v > brightest && above > brightest) {
                brightest = v;
                a.starX = x;
                a.starY = y;
            }
        }
    int mode = 0;
    for (int i = 1; i < 256; ++i)
        if (histogram[i] > histogram[mode]) mode = i;
    a.mostFrequentHighByte = mode;
    a.maxValue = brightest;
    const int level = mode * 128 + brightest / 2;
    const Pixel* row = frame + a.starY * kFocusFrameSize;
    int left = a.starX, right = a.starX;
    for (int x = a.starX; x >= 3; --x)
        if (row[x] > level) left = x;
    for (int x = a.starX; x <= 125; ++x)
        if (row[x] > level) right = x;
    a.fwhm = right - left + 1;
    return a;
}

bool FocusRefused(char unit, int value) { return unit == 'm' || value >= 100; }

int32_t AutochangeExposure(int32_t e, int maxValue, char& unit, int& value) {
    if (maxValue < 32000)
        e *= 2;
    else if (maxValue > 64000)
        e /= 2;
    if (e > 120000) {
        unit = 'm';
        value = e / 60000;
    } else if (e > 1000) {
        unit = 's';
        value = e / 1000;
    } else if (e > 100) {
        unit = 't';
        value = e / 100;
    } else if (e > 10) {
        unit = 'h';
        value = e / 10;
    } else {
        unit = 'q';
        value = e;
    }
    return e;
}

namespace {

// The host wait of a focus or guiding frame, clearing the registers as the
// exposure goes on. True when a key or mouse-button press arrived meanwhile
// (the wait takes the press, so the caller has to know of it).
bool HostWait(int32_t exposureMs) {
    ExposureWait wait;
    wait.startMs = NowMs();
    wait.exposureMs = exposureMs;
    wait.withProgress = false;
    return WaitForExposure(wait);
}

}  // namespace

bool TakeFocusFrame(int32_t exposureMs, bool* interrupted) {
    if (interrupted) *interrupted = false;
    AppState& s = State();
    const ImageGeometry& g = s.geometry;
    const CameraSettings& cam = Cam();
    ClearPixels(8);
    ClearPixels(0);
    // Host-timed as in the sequence: above 1 s without the trigger, and
    // triggered exposures too long for the camera's trigger read.
    if (HostTimesExposure(exposureMs, cam.trigger)) {
        if (g.modelCode == 5) Shutter(true);
        const bool pressed = HostWait(exposureMs);
        if (interrupted) *interrupted = pressed;
        if (g.modelCode == 5) Shutter(false);
    }
    // The focus origin is in image coordinates; a binned geometry halves them.
    const int scale = g.binned ? 2 : 1;
    const ReadWindow w =
        FocusWindow(g.focusOriginX * scale, g.focusOriginY * scale, cam.binFocusFrame, g.sensorWidth, g.sensorHeight);
    FrameRequest frame;
    frame.xOffset = uint16_t(w.x);
    frame.yOffset = uint16_t(w.y);
    frame.width = uint16_t(w.width);
    frame.height = uint16_t(w.height);
    frame.xBin = frame.yBin = uint8_t(w.binX);
    frame.exposureMs = uint32_t(exposureMs);
    size_t got = 0;
    const bool ok = ReadExposure(frame, cam.trigger, false, &got);
    BytesToPixels(s.imageA, FrameBytes(), size_t(kFocusFrameSize) * kFocusFrameSize * 2,
                  size_t(kFocusFrameSize) * kFocusFrameSize);
    return ok;
}

int FocusLoop(const std::function<void()>& refresh) {
    CameraSettings& cam = Cam();
    if (FocusRefused(cam.exposureUnit, cam.exposureValue)) {
        Beep();
        return 0;
    }
    AcqSession& session = Session();
    session.focusing = true;
    session.stopFocus = false;
    ViewOptions().focusLoopRunning = true;
    int frames = 0;
    for (;;) {
        ViewOptions().focusStretch = cam.stretch;
        int32_t e = ExposureMs(cam.exposureUnit, cam.exposureValue);
        // A press during the exposure ends the loop once this frame is read.
        bool pressed = false;
        const bool ok = TakeFocusFrame(e, &pressed);
        ++frames;
        const FocusAnalysis a = AnalyseFocusFrame(State().imageA);
        cam.maxValue = a.maxValue;
        cam.fwhm = a.fwhm;
        if (refresh) refresh();
        if (cam.autochange) AutochangeExposure(e, a.maxValue, cam.exposureUnit, cam.exposureValue);
        const int code = AcqWriteFocusBitmap();
        if (code) ShowMessage(code);
        Beep();
        if (refresh) refresh();
        if (!ok || pressed) break;
        if (State().settings.focusDelay && WaitSeconds(1)) break;
        if (PollInterrupt() || session.stopFocus) break;
    }
    session.focusing = false;
    ViewOptions().focusLoopRunning = false;
    return frames;
}

int MonitorLoop(const std::function<void()>& refresh) {
    AcqSession& session = Session();
    session.monitoring = true;
    int refreshes = 0;
    while (session.monitoring) {
        if (refresh) refresh();
        ++refreshes;
        const uint32_t until = NowMs() + 500;
        bool stop = false;
        while (int32_t(NowMs() - until) < 0) {
            if (PollInterrupt()) {
                stop = true;
                break;
            }
            WaitMs(std::min<uint32_t>(10, until - NowMs()));
        }
        if (stop) break;
    }
    session.monitoring = false;
    return refreshes;
}

int32_t GuiderExposureMs(char unit, int value) {
    const int32_t factor = unit == 'h' ? 10 : unit == 't' ? 100 : 1000;
    return factor * value;
}

void GuiderHistogram(const Pixel* frame, int width, int height, int& mostFrequent, int& highestBin) {
    std::array<int, 256> histogram{};
    for (int i = 0; i < width * height; ++i) ++histogram[frame[i] >> 8];
    mostFrequent = 1;
    for (int i = 2; i < 256; ++i)
        if (histogram[i] > histogram[mostFrequent]) mostFrequent = i;
    highestBin = 0;
    for (int i = 255; i >= 0; --i)
        if (histogram[i] >= 6) {
            highestBin = i;
            break;
        }
}

void SubtractGuiderDark(Pixel* frame, const Pixel* dark, int width, int height) {
    for (int i = 0; i < width * height; ++i) frame[i] = frame[i] > dark[i] ? Pixel(frame[i] - dark[i]) : Pixel(0);
}

void GuiderMedian(Pixel* frame, int width, int height) {
    std::vector<Pixel> scratch(frame, frame + size_t(width) * height);
    for (int y = 1; y + 1 < height; ++y)
        for (int x = 1; x + 1 < width; ++x) {
            std::array<int, 9> v{};
            int k = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) v[k++] = frame[(y + dy) * width + x + dx];
            std::sort(v.begin(), v.end());
            const int pixel = frame[y * width + x];
            const int median = v[4];
            if (0.6 * (v[8] - v[0]) < std::abs(median - pixel)) scratch[size_t(y) * width + x] = Pixel(median);
        }
    std::memcpy(frame, scratch.data(), scratch.size() * sizeof(Pixel));
}

GuiderCycleResult GuiderExposureCycle(const GuiderCycleOptions& options) {
    GuiderCycleResult result;
    AppState& s = State();
    const int32_t e = GuiderExposureMs(options.unit, options.value);
    const int width = GuiderWidth(s.settings.guiderType);
    bool ok = StartGuiderIntegration();
    // A plain wait on the millisecond clock: no messages are dispatched.
    WaitMs(uint32_t(e));
    ok = ReadGuiderFrame(s.settings.guiderType, options.binned, uint32_t(e), s.guiderA) && ok;
    GuiderHistogram(s.guiderA, width, kGuiderRows, result.mostFrequent, result.highestBin);
    if (options.dark) SubtractGuiderDark(s.guiderA, options.dark, width, kGuiderRows);
    if (options.median) GuiderMedian(s.guiderA, width, kGuiderRows);
    result.ok = ok;
    return result;
}

bool TakeMainGuidingFrame(int32_t exposureMs, bool& aborted) {
    bool pressed = false;
    const bool ok = TakeFocusFrame(exposureMs, &pressed);
    aborted = pressed || PollInterrupt();
    return ok;
}
