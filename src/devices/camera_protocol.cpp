#include "devices/camera_protocol.h"

#include <algorithm>
#include <cstring>

namespace {
void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v & 0xFF);
    p[1] = uint8_t(v >> 8);
}
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
}  // namespace

SetupHeader ParseHeader(const uint8_t* block) {
    SetupHeader h;
    h.type = block[0];
    h.request = block[1];
    h.value = Get16(block + 2);
    h.index = Get16(block + 4);
    h.length = Get16(block + 6);
    return h;
}

Block MakeHeader(uint8_t request, uint16_t value, uint16_t index, uint16_t length) {
    Block b(8, 0);
    b[0] = kRequestType;
    b[1] = request;
    Put16(&b[2], value);
    Put16(&b[4], index);
    Put16(&b[6], length);
    return b;
}

void PutParameters(uint8_t* data, const FrameRequest& f) {
    std::memset(data, 0, 14);
    Put16(data + 0, f.xOffset);
    Put16(data + 2, f.yOffset);
    Put16(data + 4, f.width);
    Put16(data + 6, f.height);
    data[8] = f.xBin;
    data[9] = f.yBin;
    Put16(data + 10, uint16_t(f.exposureMs & 0xFFFF));
}

FrameRequest ParseParameters(const uint8_t* data) {
    FrameRequest f;
    f.xOffset = Get16(data + 0);
    f.yOffset = Get16(data + 2);
    f.width = Get16(data + 4);
    f.height = Get16(data + 6);
    f.xBin = data[8];
    f.yBin = data[9];
    f.exposureMs = Get16(data + 10) | (uint32_t(Get16(data + 12)) << 16);
    return f;
}

size_t FrameReplyBytes(const FrameRequest& f) {
    if (f.xBin == 0 || f.yBin == 0) return 0;
    const size_t pixels = size_t(f.width / f.xBin) * size_t(f.height / f.yBin);
    return f.head == 0 ? pixels * 2 : pixels;
}

bool CameraTimesExposure(uint32_t e, bool trigger) { return e <= 1000 || (trigger && e < 6001); }

uint8_t ReadRequestFor(uint32_t e, bool trigger) {
    if (!CameraTimesExposure(e, trigger)) return kReadPixels;
    return trigger ? kReadPixelsTriggered : kReadPixelsDelayed;
}

Block BuildEcho(uint8_t data) {
    Block b = MakeHeader(kEcho, 0, 0, 1);
    b.push_back(data);
    return b;
}

Block BuildEchoTest(const uint8_t data[4]) {
    Block b = MakeHeader(kEcho, 0, 0, 4);
    b.insert(b.end(), data, data + 4);
    return b;
}

Block BuildClearPixels(uint16_t value) { return MakeHeader(kClearPixels, value, 0, 0); }

Block BuildExposureRead(FrameRequest frame, bool trigger, bool darkShutter) {
    const uint8_t request = ReadRequestFor(frame.exposureMs, trigger);
    if (request == kReadPixels) {
        frame.exposureMs = 0;
        frame.head = 0;
        return BuildReadPixels(frame);
    }
    Block b = MakeHeader(request, darkShutter ? 0x8003 : 3, 0, 14);
    b.resize(22, 0);
    PutParameters(&b[8], frame);
    return b;
}

Block BuildReadPixels(const FrameRequest& frame) {
    Block b = MakeHeader(kReadPixels, 3, frame.head, 10);
    uint8_t data[14];
    PutParameters(data, frame);
    b.insert(b.end(), data, data + 10);
    return b;
}

Block BuildSetGuideOutputs(uint8_t bits) { return MakeHeader(kSetGuideOutputs, bits, 0, 0); }

Block BuildWriteSerialPort(uint16_t port, const uint8_t* text, size_t count) {
    Block b = MakeHeader(kWriteSerialPort, 0, port, uint16_t(count & 0xFF));
    b.insert(b.end(), text, text + count);
    return b;
}

Block BuildReadSerialPort(uint16_t port, uint16_t count) { return MakeHeader(kReadSerialPort, 0, port, count); }

uint16_t CoolerValue(int setPointC) { return uint16_t(setPointC * 10 + 2730); }

Block BuildSetCooler(int setPointC, bool coolerOn, bool maximumCooling) {
    if (!coolerOn && maximumCooling) return BuildGetCoolerTemperature();
    return MakeHeader(kSetCooler, CoolerValue(setPointC), coolerOn ? 1 : 0, 0);
}

Block BuildGetCoolerTemperature() { return MakeHeader(kGetCoolerTemperature, 0, 0, 0); }

Block BuildShutterControl(bool open) { return MakeHeader(kShutterControl, open ? 64 << 8 : 128 << 8, 0, 0); }

Block BuildGetFirmwareVersion() { return MakeHeader(kGetFirmwareVersion, 0, 0, 0); }

std::vector<uint8_t> SerialFilterWheelBytes(int n) {
    return {0xA5, 0x01, uint8_t(n), uint8_t(0xA6 + n)};
}

int DecodeTemperature(const uint8_t* reply) {
    const int r = Get16(reply);
    return (r - 2730) / 10;
}

FirmwareVersion DecodeFirmware(const uint8_t* reply) { return {Get16(reply), Get16(reply + 2)}; }

std::string FirmwareText(const FirmwareVersion& v) {
    return std::to_string(v.b) + "." + std::to_string(v.a);
}

bool CoolerSupported(const FirmwareVersion& v, int model) { return !(v.a < 11 || model == 7); }

std::string SerialReplyText(const uint8_t* reply, size_t count) {
    const size_t n = std::min<size_t>(count, 33);
    std::string text;
    for (size_t i = 0; i < n && reply[i] != '#'; ++i) {
        if (reply[i] == 0) break;
        text.push_back(char(reply[i]));
    }
    return text;
}

void ExpandGuiderFrame(const uint8_t* bytes, int width, int height, uint16_t* out) {
    const size_t n = size_t(width) * size_t(height);
    for (size_t i = 0; i < n; ++i) out[i] = uint16_t(bytes[i] << 8);
}

void SpreadBinnedGuiderFrame(const uint8_t* bytes, int width, int height, uint16_t* out) {
    const int bw = width / 2;
    const int bh = height / 2;
    // Even rows from the received rows.
    for (int r = 0; r < bh; ++r) {
        const uint8_t* src = bytes + size_t(r) * bw;
        uint16_t* row = out + size_t(2 * r) * width;
        for (int k = 0; k < bw; ++k) {
            const int a = src[k];
            const int b = k + 1 < bw ? src[k + 1] : src[k];
            row[2 * k] = uint16_t(a << 8);
            row[2 * k + 1] = uint16_t(((a << 8) + (b << 8)) / 2);
        }
        for (int x = 2 * bw; x < width; ++x) row[x] = row[2 * bw - 1];
    }
    // Odd rows: the mean of the rows above and below; a last row without one
    // below repeats the row above.
    for (int y = 1; y < height; y += 2) {
        uint16_t* row = out + size_t(y) * width;
        const uint16_t* above = row - width;
        if (y + 1 < height && (y + 1) / 2 < bh) {
            const uint16_t* below = row + width;
            for (int x = 0; x < width; ++x) row[x] = uint16_t((above[x] + below[x]) / 2);
        } else {
            std::memcpy(row, above, size_t(width) * sizeof(uint16_t));
        }
    }
    // An odd height leaves a last even row without a received row.
    if (height % 2 == 1 && height > 1 && (height - 1) / 2 >= bh)
        std::memcpy(out + size_t(height - 1) * width, out + size_t(height - 2) * width,
                    size_t(width) * sizeof(uint16_t));
}
