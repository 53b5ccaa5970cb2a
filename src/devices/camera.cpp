#include "devices/camera.h"

#include <algorithm>
#include <cstring>

#include "core/state.h"
#include "devices/transport.h"
#include "platform/platform.h"

namespace {

CameraInfo info;

// Clears the output block, copies a request into it and writes it.
bool Send(const Block& block) {
    uint8_t* out = OutputBlock();
    std::memset(out, 0, kOutputBlockSize);
    const size_t n = std::min(block.size(), kOutputBlockSize);
    std::memcpy(out, block.data(), n);
    return WriteCamera(n);
}

bool SendAndRead(const Block& block, size_t reply) {
    if (!Send(block)) return false;
    return ReadCamera(reply);
}

}  // namespace

CameraInfo& Camera() { return info; }
void ResetCameraInfo() { info = CameraInfo{}; }

bool OpenCamera() {
    if (CameraConnected()) return true;
    DiscoverCamera();
    if (!Link().filterWheel) DiscoverFilterWheel();
    // A relay left closed by a crash or a power cut opens again.
    if (CameraConnected()) SetGuideOutputs(0);
    return CameraConnected();
}

bool QueryFirmwareVersion() {
    if (!SendAndRead(BuildGetFirmwareVersion(), kFirmwareReply)) return false;
    if (Link().lastRead < kFirmwareReply) return false;
    info.firmware = DecodeFirmware(InputBlock());
    info.firmwareText = FirmwareText(info.firmware);
    info.firmwareKnown = true;
    // Once off, the cooler stays off until the program ends.
    if (!CoolerSupported(info.firmware, State().geometry.modelCode)) info.coolerSupported = false;
    return true;
}

bool SetCooler(int setPointC, bool coolerOn, bool maximumCooling, int* temperatureC) {
    if (!info.coolerSupported) return false;
    setPointC = std::clamp(setPointC, -40, 35);
    if (!SendAndRead(BuildSetCooler(setPointC, coolerOn, maximumCooling), kCoolerReply)) return false;
    if (!(!coolerOn && maximumCooling)) info.setPointC = setPointC;
    if (Link().lastRead < 2) return false;
    info.temperatureC = DecodeTemperature(InputBlock());
    if (temperatureC) *temperatureC = info.temperatureC;
    return true;
}

bool ReadCoolerTemperature(int* temperatureC) {
    if (!SendAndRead(BuildGetCoolerTemperature(), kCoolerReply)) return false;
    if (Link().lastRead < 2) return false;
    info.temperatureC = DecodeTemperature(InputBlock());
    if (temperatureC) *temperatureC = info.temperatureC;
    return true;
}

bool Echo() { return SendAndRead(BuildEcho(0), kEchoReply); }

bool ClearPixels(uint16_t value) { return Send(BuildClearPixels(value)); }

bool Shutter(bool open) { return SendAndRead(BuildShutterControl(open), kShutterReply); }

bool ReadExposure(const FrameRequest& frame, bool trigger, bool darkShutter, size_t* bytesRead) {
    FrameRequest f = frame;
    f.head = 0;
    const bool ok = SendAndRead(BuildExposureRead(f, trigger, darkShutter), FrameReplyBytes(f));
    if (bytesRead) *bytesRead = Link().lastRead;
    return ok;
}

bool ReadFrame(const FrameRequest& frame, size_t* bytesRead) {
    const bool ok = SendAndRead(BuildReadPixels(frame), FrameReplyBytes(frame));
    if (bytesRead) *bytesRead = Link().lastRead;
    return ok;
}

const uint8_t* FrameBytes() { return InputBlock(); }

int GuiderWidth(char guiderType) { return guiderType == 's' ? 500 : 376; }

bool StartGuiderIntegration() {
    FrameRequest row;
    row.width = 500;
    row.height = 1;
    row.head = 1;
    return ReadFrame(row);
}

bool ReadGuiderBytes(char guiderType, bool binned, uint32_t exposureMs) {
    FrameRequest f;
    f.width = uint16_t(GuiderWidth(guiderType));
    f.height = kGuiderRows;
    f.xBin = f.yBin = binned ? 2 : 1;
    f.exposureMs = exposureMs;
    f.head = 1;
    return ReadFrame(f);
}

bool ReadGuiderFrame(char guiderType, bool binned, uint32_t exposureMs, uint16_t* out) {
    const bool ok = ReadGuiderBytes(guiderType, binned, exposureMs);
    // A short or failed read leaves the rest of the input block as it was;
    // the frame is converted as if it were complete.
    const int width = GuiderWidth(guiderType);
    if (binned)
        SpreadBinnedGuiderFrame(InputBlock(), width, kGuiderRows, out);
    else
        ExpandGuiderFrame(InputBlock(), width, kGuiderRows, out);
    return ok;
}

bool FlushSensor(int sensorWidth, int sensorHeight) {
    bool ok = ClearPixels(8);
    ok = ClearPixels(0) && ok;
    ok = Echo() && ok;
    FrameRequest f;
    f.width = uint16_t(sensorWidth);
    f.height = uint16_t(sensorHeight);
    f.xBin = f.yBin = 4;
    ok = ReadFrame(f) && ok;
    ok = Echo() && ok;
    ok = ReadFrame(f) && ok;
    return ok;
}

bool SetGuideOutputs(uint8_t bits) { return Send(BuildSetGuideOutputs(bits)); }

bool WriteSerialPort(int port, const uint8_t* text, size_t count) {
    count = std::min(count, kOutputBlockSize - 8);
    return Send(BuildWriteSerialPort(uint16_t(port), text, count));
}

bool WriteSerialPort(int port, const std::string& text) {
    return WriteSerialPort(port, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

bool ReadSerialPort(int port, size_t count, std::string* reply) {
    const bool ok = SendAndRead(BuildReadSerialPort(uint16_t(port), uint16_t(count)), count);
    if (reply) {
        const size_t n = std::min(Link().lastRead, count);
        reply->assign(reinterpret_cast<const char*>(InputBlock()), n);
    }
    return ok;
}

bool ReadSerialText(int port, std::string* text) {
    const bool ok = ReadSerialPort(port, 33, nullptr);
    if (text) *text = SerialReplyText(InputBlock(), std::min<size_t>(33, Link().lastRead));
    return ok;
}

bool ReadSlewAnswer(int port, std::string* text) {
    std::string first;
    if (!ReadSerialPort(port, 1, &first)) return false;
    if (!first.empty() && first[0] == '0') {
        if (text) *text = "0";
        return true;
    }
    return ReadSerialText(port, text);
}
