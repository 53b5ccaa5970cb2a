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
    return "Sorry, binning " + std::to_string(hor) + "x" + std::to_string(ver) + " is not available: use 1x1 to 8x8";
}

bool BinningOffered(int hor, int ver) { return hor >= 1 && ver >= 1 && hor <= kMaxBinning && ver <= kMaxBinning; }

void BinAverage(const uint16_t* src, int w, int h, int bx, int by, uint16_t* dst) {
    const int ow = w / bx, oh = h / by;
    const uint32_t n = uint32_t(bx * by);
    std::vector<uint32_t> sums(size_t(std::max(0, ow)));
    for (int oy = 0; oy < oh; ++oy) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int dy = 0; dy < by; ++dy) {
            const uint16_t* line = src + size_t(oy * by + dy) * size_t(w);
            for (int ox = 0; ox < ow; ++ox)
                for (int dx = 0; dx < bx; ++dx) sums[size_t(ox)] += line[ox * bx + dx];
        }
        uint16_t* out = dst + size_t(oy) * size_t(ow);
        for (int ox = 0; ox < ow; ++ox) out[ox] = uint16_t((sums[size_t(ox)] + n / 2) / n);
    }
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

MainRead PlanMainRead(int hor, int ver, const SensorFrame& frame, int sensorW, int sensorH) {
    MainRead read;
    const bool full = IsFullFrame(frame, sensorW, sensorH);
    const int mode = ModeForBinning(hor, ver);
    if (mode != 0) {
        read.mode = AssemblyMode(mode, full);
        read.window = CaptureWindow(mode, frame, sensorW, sensorH);
        return read;
    }
    // The 1 x 1 read of whole binned pixels: the whole sensor for a full
    // frame (the binning drops the part pixels), the sub-frame trimmed
    // otherwise.
    SensorFrame trimmed = frame;
    if (!full) {
        trimmed.width = frame.width / hor * hor;
        trimmed.height = frame.height / ver * ver;
    }
    read.mode = AssemblyMode(kModeHighRes, full);
    read.window = CaptureWindow(kModeHighRes, trimmed, sensorW, sensorH);
    read.softX = hor;
    read.softY = ver;
    return read;
}

bool GuiderFrameFits(const SensorFrame& f, int hor, int ver, int headW) {
    if (!BinningOffered(hor, ver)) return false;
    if (f.x < 0 || f.y < 0 || f.width < hor || f.height < ver) return false;
    return f.x + f.width <= headW && f.y + f.height <= kGuiderRows;
}

GuiderRead PlanGuiderRead(const SensorFrame& frame, int hor, int ver, char guiderType) {
    GuiderRead read;
    // Only the standard guider bins on the head.
    read.headBinned = hor == 2 && ver == 2 && guiderType == 's';
    const int headBin = read.headBinned ? 2 : 1;
    read.readW = GuiderWidth(guiderType) / headBin;
    read.readH = kGuiderRows / headBin;
    read.x = frame.x / headBin;
    read.y = frame.y / headBin;
    read.softX = read.headBinned ? 1 : hor;
    read.softY = read.headBinned ? 1 : ver;
    read.w = std::min(frame.width / hor * read.softX, read.readW - read.x);
    read.h = std::min(frame.height / ver * read.softY, read.readH - read.y);
    return read;
}

PixelSize GuiderPixelUm(char guiderType) {
    // The standard guider's pixels are 9.8 x 12.6 um; the wide guider's, read
    // two columns at a time, 17.2 x 16.6 um.
    return guiderType == 's' ? PixelSize{9.8, 12.6} : PixelSize{17.2, 16.6};
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

uint32_t ExposureClock::WakeMs(uint32_t nowMs) const {
    if (!hostTimed_) return 0;
    const uint32_t toSecond = 1000 - (nowMs - startMs_) % 1000;
    return std::max<uint32_t>(1, std::min(NextStepMs(nowMs), toSecond));
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

bool ReadMainExposure(const MainRead& read, int32_t exposureMs, bool darkFrame, uint16_t* out) {
    if (read.softX == 1 && read.softY == 1) return ReadMainExposure(read.mode, read.window, exposureMs, darkFrame, out);
    std::vector<uint16_t> whole(read.window.ReplyPixels());
    if (!ReadMainExposure(read.mode, read.window, exposureMs, darkFrame, whole.data())) return false;
    BinAverage(whole.data(), read.window.ReplyWidth(), read.window.ReplyHeight(), read.softX, read.softY, out);
    return true;
}

int GuiderFrameWidth() { return GuiderWidth(State().settings.guiderType); }

bool StartGuiderExposure() { return StartGuiderIntegration(); }

bool ReadGuiderExposure(const GuiderRead& plan, uint32_t exposureMs, uint16_t* out) {
    const char type = State().settings.guiderType;
    if (!ReadGuiderBytes(type, plan.headBinned, exposureMs)) return false;
    const size_t want = size_t(plan.readW) * size_t(plan.readH);
    if (Link().lastRead < want) {
        char text[96];
        std::snprintf(text, sizeof text, "Read %7d bytes, asked for %7d from USB\n", int(Link().lastRead),
                      int(want));
        ShowMessage(50, text);
        return false;
    }
    // The kept part, byte in the high half, then the host's binning.
    std::vector<uint16_t> part(size_t(plan.w) * size_t(plan.h));
    for (int r = 0; r < plan.h; ++r)
        ExpandGuiderFrame(FrameBytes() + size_t(plan.y + r) * size_t(plan.readW) + size_t(plan.x), plan.w, 1,
                          part.data() + size_t(r) * size_t(plan.w));
    BinAverage(part.data(), plan.w, plan.h, plan.softX, plan.softY, out);
    return true;
}

bool SetRelays(uint8_t bits) { return SetGuideOutputs(bits); }

}  // namespace velmora_indi
