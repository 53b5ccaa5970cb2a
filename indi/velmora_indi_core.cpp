#include "velmora_indi_core.h"

#include <algorithm>
#include <cstdio>

#include "acquisition/camera_settings.h"
#include "acquisition/exposure_sequence.h"
#include "core/messages.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/camera_protocol.h"
#include "devices/transport.h"
#include "telescope/telescope_link.h"

namespace velmora_indi {

int ModeForBinning(int hor, int ver) {
    if (hor != ver) return 0;
    switch (hor) {
        case 1: return kModeHighRes;
        case 2: return kModeBin2;
        case 3: return kModeBin3;
        case 4: return kModeBin4;
        case 8: return kModeBin8;
        default: return 0;
    }
}

std::string BinningRefusal(int hor, int ver) {
    return "Sorry, binning " + std::to_string(hor) + "x" + std::to_string(ver) +
           " is not available: use 1x1, 2x2, 3x3, 4x4 or 8x8";
}

bool FrameFits(const SensorFrame& f, int bin, int sensorW, int sensorH) {
    if (bin < 1) return false;
    if (f.x < 0 || f.y < 0 || f.width < bin || f.height < bin) return false;
    return f.x + f.width <= sensorW && f.y + f.height <= sensorH;
}

bool IsFullFrame(const SensorFrame& f, int sensorW, int sensorH) {
    return f.x == 0 && f.y == 0 && f.width == sensorW && f.height == sensorH;
}

ReadWindow CaptureWindow(int mode, const SensorFrame& frame, int sensorW, int sensorH) {
    if (IsFullFrame(frame, sensorW, sensorH)) {
        // The image geometry only matters to the user sub-frame (mode 5),
        // which a full frame never is.
        return ModeWindow(mode, sensorW, sensorH, sensorW, sensorH, 2, sensorW / 2, sensorH / 2);
    }
    const ReadWindow modeWindow = ModeWindow(mode, sensorW, sensorH, sensorW, sensorH, 2, 0, 0);
    ReadWindow w;
    w.binX = modeWindow.binX;
    w.binY = modeWindow.binY;
    w.x = frame.x;
    w.y = frame.y;
    w.width = frame.width / w.binX * w.binX;
    w.height = frame.height / w.binY * w.binY;
    return w;
}

int AssemblyMode(int mode, bool fullFrame) {
    if (!fullFrame && mode == kModeHighRes) return kModeSubFrame;
    return mode;
}

void ExposureClock::Start(uint32_t nowMs, int32_t exposureMs, bool trigger) {
    exposureMs_ = std::max<int32_t>(0, exposureMs);
    hostTimed_ = HostTimesExposure(exposureMs_, trigger);
    startMs_ = nowMs;
    endMs_ = nowMs + uint32_t(exposureMs_);
    clearMs_ = nowMs + FirstRegisterClearMs(exposureMs_);
}

ExposureClock::Due ExposureClock::Step(uint32_t nowMs) {
    if (!hostTimed_) return Due::ReadOut;
    if (int32_t(nowMs - endMs_) >= 0) return Due::ReadOut;
    if (int32_t(nowMs - clearMs_) >= 0) {
        clearMs_ += kRegisterClearStepMs;
        return Due::RegisterClear;
    }
    return Due::Wait;
}

uint32_t ExposureClock::NextStepMs(uint32_t nowMs) const {
    if (!hostTimed_) return 0;
    const uint32_t next = int32_t(clearMs_ - endMs_) < 0 ? clearMs_ : endMs_;
    return int32_t(next - nowMs) > 0 ? next - nowMs : 0;
}

double ExposureClock::SecondsLeft(uint32_t nowMs) const {
    if (!hostTimed_) return exposureMs_ / 1000.0;
    return int32_t(endMs_ - nowMs) > 0 ? (endMs_ - nowMs) / 1000.0 : 0.0;
}

GuideAxis AxisOf(GuideDirection d) {
    return d == GuideDirection::North || d == GuideDirection::South ? GuideAxis::NorthSouth : GuideAxis::WestEast;
}

static char Letter(GuideDirection d) {
    switch (d) {
        case GuideDirection::North: return 'n';
        case GuideDirection::South: return 's';
        case GuideDirection::East: return 'e';
        case GuideDirection::West: return 'w';
    }
    return 0;
}

static uint8_t AxisBits(GuideAxis axis) {
    return axis == GuideAxis::NorthSouth ? uint8_t(RelayBit('n') | RelayBit('s')) : uint8_t(RelayBit('w') | RelayBit('e'));
}

uint8_t GuideRelays::Start(GuideDirection d) {
    // Both axes may pulse at once (INDI clients send them independently);
    // each direction drives the telescope code's relay bit.
    bits_ = uint8_t((bits_ & ~AxisBits(AxisOf(d))) | RelayBit(Letter(d)));
    return bits_;
}

uint8_t GuideRelays::Stop(GuideAxis axis) {
    bits_ = uint8_t(bits_ & ~AxisBits(axis));
    return bits_;
}

int MessageRecorder::Show(const std::string&, const std::string& text, MessageIcon) {
    texts_.push_back(text);
    return kButtonOk;
}

std::vector<std::string> MessageRecorder::Take() {
    std::vector<std::string> out;
    out.swap(texts_);
    return out;
}

std::string JoinMessages(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) {
        // INDI messages are one line: a line end becomes a space.
        std::string t;
        for (char c : text) {
            if (c != '\n')
                t += c;
            else if (!t.empty() && t.back() != ' ')
                t += ' ';
        }
        while (!t.empty() && t.back() == ' ') t.pop_back();
        if (t.empty()) continue;
        if (!joined.empty()) joined += " / ";
        joined += t;
    }
    return joined;
}

bool ConnectCamera() {
    if (!::ConnectCamera()) return false;
    // The camera reports its cooler once connected (firmware and model rule).
    return true;
}

void DisconnectCamera() {
    // Relays released before the handle goes.
    if (CameraConnected()) SetGuideOutputs(0);
    CloseDevices();
}

void BeginMainExposure(int32_t exposureMs, bool darkFrame) {
    const int model = State().geometry.modelCode;
    BeginExposure(model, exposureMs, false);
    if (HostTimesExposure(exposureMs, false)) OpenShutterForHostWait(model, darkFrame);
}

void ClearRegisters() { ClearPixels(8); }

bool ReadMainExposure(int mode, const ReadWindow& window, int32_t exposureMs, bool darkFrame, uint16_t* out) {
    const int model = State().geometry.modelCode;
    if (HostTimesExposure(exposureMs, false))
        CloseShutterAfterHostWait(model, false);
    else
        CloseShutterForCameraTimedRead(model, exposureMs);
    const FrameRequest frame = ExposureFrame(window, exposureMs);
    size_t got = 0;
    if (!ReadExposure(frame, false, DarkReadValue(mode, model, darkFrame), &got)) return false;
    const size_t want = FrameReplyBytes(frame);
    if (got < want) {
        char text[96];
        std::snprintf(text, sizeof text, "Read %7d bytes, asked for %7d from USB\n", int(got), int(want));
        ShowMessage(50, text);
        return false;
    }
    const int rw = window.ReplyWidth(), rh = window.ReplyHeight();
    std::vector<Pixel> scratch(window.ReplyPixels());
    // The picture is kept at its binned size (the program's unexpanded
    // binned image): INDI clients expect sensor / bin pixels.
    AssembleReadout(mode, FrameBytes(), window, out, rw, rh, scratch.data(), nullptr, true, model);
    return true;
}

int GuiderFrameWidth() { return GuiderWidth(State().settings.guiderType); }

bool StartGuiderExposure() { return StartGuiderIntegration(); }

bool ReadGuiderExposure(uint32_t exposureMs, uint16_t* out) {
    const char type = State().settings.guiderType;
    if (!ReadGuiderFrame(type, false, exposureMs, out)) return false;
    const size_t want = size_t(GuiderWidth(type)) * kGuiderRows;
    if (Link().lastRead < want) {
        char text[96];
        std::snprintf(text, sizeof text, "Read %7d bytes, asked for %7d from USB\n", int(Link().lastRead),
                      int(want));
        ShowMessage(50, text);
        return false;
    }
    return true;
}

bool SetRelays(uint8_t bits) { return SetGuideOutputs(bits); }

}  // namespace velmora_indi
