#include "devices/sim/simulator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/camera_models.h"
#include "core/messages.h"
#include "core/state.h"
#include "devices/sim/sim_random.h"
#include "devices/transport.h"
#include "platform/platform.h"

namespace {

int64_t Since(uint32_t a, uint32_t b) { return int32_t(b - a); }

class SimCameraHandle : public CameraTransport {
public:
    explicit SimCameraHandle(Simulator& sim) : sim_(sim) {}
    TransferResult Write(const uint8_t* data, size_t count) override { return sim_.CameraWrite(data, count); }
    TransferResult Read(uint8_t* data, size_t count) override { return sim_.CameraRead(data, count); }
    InterfaceIdentity Identity() override {
        InterfaceIdentity id;
        id.vid = kKorvaneVendorId;
        id.pid = sim_.Config().camera.pid;
        id.manufacturer = "Korvane";
        id.product = "Korvane CCD camera (simulated)";
        return id;
    }
    int HandleNumber() const override { return 1; }

private:
    Simulator& sim_;
};

class SimWheelHandle : public ReportTransport {
public:
    explicit SimWheelHandle(Simulator& sim) : sim_(sim) {}
    TransferResult Write(const uint8_t* data, size_t count) override { return sim_.WheelWrite(data, count); }
    TransferResult Read(uint8_t* data, size_t count) override { return sim_.WheelRead(data, count); }
    InterfaceIdentity Identity() override {
        InterfaceIdentity id;
        id.vid = kKorvaneVendorId;
        id.pid = kFilterWheelProductId;
        id.manufacturer = "Korvane";
        id.product = "Korvane USB filter wheel (simulated)";
        return id;
    }
    int HandleNumber() const override { return 2; }

private:
    Simulator& sim_;
};

void SensorSize(int model, int& w, int& h) {
    const CameraModel* m = FindCameraModel(model);
    w = m ? m->sensorWidth : 2048;
    h = m ? m->sensorHeight : 2048;
}

}  // namespace

Simulator::Simulator() { Configure(SimulatorConfig{}); }
Simulator::~Simulator() = default;

Simulator& Simulator::Instance() {
    static Simulator simulator;
    static bool chosen = false;
    if (!chosen) {
        chosen = true;
        simulator.FollowConfiguredModel(true);
        simulator.KeepRecords(false);
        if (const char* text = std::getenv("VELMORA_SIM_MODEL")) {
            char* end = nullptr;
            const long code = std::strtol(text, &end, 10);
            if (end != text && *end == '\0' && FindCameraModel(int(code)))
                simulator.PickModel(int(code));
            else
                simulator.badModelText_ = text;
        }
    }
    return simulator;
}

namespace {

uint16_t PidOf(const CameraModel& model) {
    const char* pid = model.discoveredPids.empty() ? model.manualPid : model.discoveredPids[0];
    return uint16_t(std::strtoul(pid, nullptr, 16));
}

}  // namespace

void Simulator::PickModel(int model) {
    const CameraModel* row = FindCameraModel(model);
    if (!row) return;
    pickedModel_ = model;
    SimulatorConfig config = config_;
    config.camera.model = model;
    config.camera.pid = PidOf(*row);
    Configure(config);
}

bool Simulator::PrepareCameraDiscovery(const std::string& configuredPid, int configuredModel) {
    if (!badModelText_.empty()) {
        ShowMessage(50, "VELMORA_SIM_MODEL=" + badModelText_ + " is not a camera model code of the table");
        badModelText_.clear();
    }
    if (pickedModel_) return true;
    if (!followsSettings_) return false;
    // The camera the settings name: the model of the configured PID (the
    // PID discovery looks for), else the configured model with its own PID.
    int model = ModelForDiscoveredPid(configuredPid);
    uint16_t pid = 0;
    if (model) {
        pid = uint16_t(std::strtoul(configuredPid.c_str(), nullptr, 16));
    } else if (const CameraModel* row = FindCameraModel(configuredModel)) {
        model = configuredModel;
        pid = PidOf(*row);
    } else {
        return false;
    }
    if (model != config_.camera.model || pid != config_.camera.pid) {
        SimulatorConfig config = config_;
        config.camera.model = model;
        config.camera.pid = pid;
        Configure(config);
    }
    return false;
}

void Simulator::Configure(const SimulatorConfig& config) {
    config_ = config;
    const uint32_t now = NowMs();
    configuredMs_ = now;
    mount_.Configure(config_.mount);
    mount_.Reset(now);
    if (config_.generateFields) {
        if (!generatedMain_.empty() && config_.mainField.stars == generatedMain_) {
            config_.mainField.stars.clear();
            if (config_.mainField.hotPixels == generatedMainHot_) config_.mainField.hotPixels.clear();
        }
        if (!generatedGuider_.empty() && config_.guiderField.stars == generatedGuider_) {
            config_.guiderField.stars.clear();
            if (config_.guiderField.hotPixels == generatedGuiderHot_) config_.guiderField.hotPixels.clear();
        }
        int w = 0, h = 0;
        SensorSize(config_.camera.model, w, h);
        if (config_.mainField.stars.empty()) {
            SkyField made = MakeStarField(w, h, 60, 6, SimRandom::Mix(config_.seed, 1));
            config_.mainField.stars = made.stars;
            if (config_.mainField.hotPixels.empty()) config_.mainField.hotPixels = made.hotPixels;
            generatedMain_ = config_.mainField.stars;
            generatedMainHot_ = config_.mainField.hotPixels;
        }
        if (config_.guiderField.stars.empty()) {
            const int gw = config_.camera.guiderType == 's' ? 500 : 376;
            SkyField made = MakeGuiderField(gw, 290, SimRandom::Mix(config_.seed, 2));
            if (!config_.guiderField.hotPixels.empty()) made.hotPixels = config_.guiderField.hotPixels;
            config_.guiderField = made;
            generatedGuider_ = config_.guiderField.stars;
            generatedGuiderHot_ = config_.guiderField.hotPixels;
        }
    }
    faults_ = SimFaults{};
    pending_.clear();
    framePending_ = false;
    exposureStartMs_ = guiderStartMs_ = now;
    lastExposureMs_ = 0;
    temperatureC_ = config_.camera.ambientC;
    coolerMs_ = now;
    setPointC_ = 0;
    coolerOn_ = false;
    shutterOpen_ = false;
    lightMs_ = 0;
    darkRead_ = false;
    wheelPosition_ = 1;
    wheelPending_.clear();
    frameCounter_ = 0;
    ClearRecords();
}

void Simulator::SetSeed(uint64_t seed) {
    config_.seed = seed;
    frameCounter_ = 0;
}

void Simulator::SetStarField(const SkyField& field) { config_.mainField = field; }
void Simulator::SetGuiderField(const SkyField& field) { config_.guiderField = field; }

void Simulator::SetMount(const MountConfig& mount) {
    config_.mount = mount;
    mount_.Configure(mount);
}

void Simulator::SetFirmware(uint16_t a, uint16_t b) {
    config_.camera.firmwareA = a;
    config_.camera.firmwareB = b;
}

void Simulator::SetSerialPeer(int port, SerialPeer* peer) {
    if (port >= 0 && port < 2) peers_[size_t(port)] = peer;
}

SerialPeer* Simulator::SerialPeerAt(int port) const { return port >= 0 && port < 2 ? peers_[size_t(port)] : nullptr; }

void Simulator::ClearRecords() {
    cameraWrites_.clear();
    wheelWrites_.clear();
}

std::string Simulator::CameraPath() const {
    return MakeDevicePath(config_.camera.hidClass ? "hid" : "usb", kKorvaneVendorId, config_.camera.pid, "sim-camera");
}

std::string Simulator::WheelPath() const {
    return MakeDevicePath("hid", kKorvaneVendorId, kFilterWheelProductId, "sim-wheel");
}

bool Simulator::List(InterfaceClass cls, std::vector<EnumeratedInterface>& out) {
    // The process-wide simulator lists the camera the settings name.
    if (followsSettings_) PrepareCameraDiscovery(State().settings.configuredPid, State().settings.manualModel);
    out.clear();
    if (faults_.enumerationFails) return false;
    if (cls == InterfaceClass::Hid) {
        if (config_.wheel.present) out.push_back({int(out.size()), WheelPath(), true});
        if (config_.camera.present && config_.camera.hidClass) out.push_back({int(out.size()), CameraPath(), true});
    } else if (config_.camera.present && !config_.camera.hidClass && !Reached(config_.faultsAt.cameraLostS)) {
        out.push_back({0, CameraPath(), true});
    }
    return true;
}

bool Simulator::Reached(double atS) const {
    return atS >= 0 && Since(configuredMs_, NowMs()) >= int64_t(std::llround(atS * 1000));
}

bool Simulator::CanOpen(bool present, const std::string& path, const std::string& devicePath, int& error,
                        bool& permissionDenied) const {
    permissionDenied = faults_.openPermissionDenied;
    if (faults_.failOpen || faults_.openPermissionDenied)
        error = faults_.failOpen ? faults_.failOpen : EACCES;
    else if (!present || path != devicePath)
        error = ENODEV;
    else
        error = 0;
    return error == 0;
}

std::unique_ptr<CameraTransport> Simulator::OpenCamera(const std::string& path, int& error, bool& permissionDenied) {
    const bool present = config_.camera.present && !Reached(config_.faultsAt.cameraLostS);
    if (!CanOpen(present, path, CameraPath(), error, permissionDenied)) return nullptr;
    return std::make_unique<SimCameraHandle>(*this);
}

std::unique_ptr<ReportTransport> Simulator::OpenReport(const std::string& path, int& error, bool& permissionDenied) {
    if (!CanOpen(config_.wheel.present, path, WheelPath(), error, permissionDenied)) return nullptr;
    return std::make_unique<SimWheelHandle>(*this);
}

double Simulator::SensorTemperatureC() {
    UpdateCooler(NowMs());
    return temperatureC_;
}

void Simulator::UpdateCooler(uint32_t nowMs) {
    const int64_t dt = Since(coolerMs_, nowMs);
    if (dt <= 0) return;
    coolerMs_ = nowMs;
    const SimCameraConfig& c = config_.camera;
    const double target = coolerOn_ ? std::max(setPointC_, c.ambientC - c.coolerFloorBelowAmbient) : c.ambientC;
    const double step = c.coolerRatePerSecond * double(dt) / 1000.0;
    if (std::fabs(target - temperatureC_) <= step)
        temperatureC_ = target;
    else
        temperatureC_ += target > temperatureC_ ? step : -step;
}

void Simulator::Answer(std::vector<uint8_t> bytes) {
    pending_ = std::move(bytes);
    framePending_ = false;
}

uint64_t Simulator::NextFrameSeed() { return SimRandom::Mix(config_.seed, 1000 + frameCounter_++); }

TransferResult Simulator::CameraWrite(const uint8_t* data, size_t count) {
    const uint32_t now = NowMs();
    if (keepRecords_) cameraWrites_.push_back({now, Block(data, data + count)});
    TransferResult r;
    if (faults_.failNextCameraWrite) {
        r.error = faults_.failNextCameraWrite;
        faults_.failNextCameraWrite = 0;
        return r;
    }
    if (Reached(config_.faultsAt.cameraLostS)) {
        r.error = ENODEV;  // the camera is gone
        return r;
    }
    if (count < 8 || data[0] != kRequestType) {
        r.error = EPIPE;  // the camera stalls a request it cannot parse
        return r;
    }
    const bool serialRequest = data[1] == kWriteSerialPort || data[1] == kReadSerialPort;
    if (serialRequest && Reached(config_.faultsAt.serialLostS)) {
        r.error = EPIPE;  // the camera stalls a request for a port whose line has closed
        return r;
    }
    const bool silent = Reached(config_.faultsAt.mountSilentS);
    r.ok = true;
    r.bytes = count;
    const SetupHeader h = ParseHeader(data);
    const uint8_t* body = data + 8;
    const size_t bodyBytes = count - 8;
    UpdateCooler(now);
    auto reply16 = [](int value, size_t size) {
        std::vector<uint8_t> b(size, 0);
        b[0] = uint8_t(value & 0xFF);
        if (size > 1) b[1] = uint8_t((value >> 8) & 0xFF);
        return b;
    };
    switch (h.request) {
        case kEcho: {
            const size_t n = std::min<size_t>(h.length, bodyBytes);
            Answer(std::vector<uint8_t>(body, body + n));
            break;
        }
        case kClearPixels:
            if (h.value == 0) {
                exposureStartMs_ = now;
                lightMs_ = 0;
                if (shutterOpen_) shutterOpenedMs_ = now;
            }
            break;
        case kReadPixelsDelayed:
        case kReadPixels:
        case kReadPixelsTriggered: {
            uint8_t params[14] = {0};
            std::memcpy(params, body, std::min<size_t>(bodyBytes, 14));
            FrameRequest f = ParseParameters(params);
            f.head = h.request == kReadPixels ? h.index : 0;
            if (h.request == kReadPixels) f.exposureMs &= 0xFFFF;
            pendingFrame_ = f;
            pendingRequest_ = h.request;
            darkRead_ = h.request != kReadPixels && (h.value & 0x8000);
            pending_.clear();
            framePending_ = true;
            break;
        }
        case kSetGuideOutputs:
            // A silent mount no longer follows its guide port.
            if (!silent) mount_.SetRelays(uint8_t(h.value & 0x0F), now);
            break;
        case kWriteSerialPort: {
            const size_t n = std::min<size_t>(h.length, bodyBytes);
            SerialPeer* peer = SerialPeerAt(h.index);
            if (peer && !silent) peer->Receive(body, n, now);
            break;
        }
        case kReadSerialPort: {
            std::vector<uint8_t> answer;
            SerialPeer* peer = SerialPeerAt(h.index);
            if (peer && !silent) answer = peer->Answer(h.length, now);
            answer.resize(h.length, 0);
            Answer(std::move(answer));
            break;
        }
        case kSetCooler:
            setPointC_ = (int(h.value) - 2730) / 10.0;
            coolerOn_ = h.index == 1;
            [[fallthrough]];
        case kGetCoolerTemperature: {
            const int tenthsK = int(std::lround(temperatureC_ * 10 + 2730));
            std::vector<uint8_t> b = reply16(tenthsK, 3);
            // Byte 2: cooler drive in percent.
            b[2] = coolerOn_ ? uint8_t(std::clamp(std::fabs(temperatureC_ - config_.camera.ambientC) * 2.5, 0.0, 100.0))
                             : 0;
            Answer(std::move(b));
            break;
        }
        case kShutterControl: {
            const int high = h.value >> 8;
            if (high == 64 && !shutterOpen_) {
                shutterOpen_ = true;
                shutterOpenedMs_ = now;
            } else if (high == 128 && shutterOpen_) {
                shutterOpen_ = false;
                lightMs_ += double(std::max<int64_t>(0, Since(shutterOpenedMs_, now)));
            }
            Answer({uint8_t(shutterOpen_ ? 1 : 0), 0});
            break;
        }
        case kGetFirmwareVersion: {
            std::vector<uint8_t> b(4);
            b[0] = uint8_t(config_.camera.firmwareA & 0xFF);
            b[1] = uint8_t(config_.camera.firmwareA >> 8);
            b[2] = uint8_t(config_.camera.firmwareB & 0xFF);
            b[3] = uint8_t(config_.camera.firmwareB >> 8);
            Answer(std::move(b));
            break;
        }
        default: break;  // unknown requests are accepted and ignored
    }
    return r;
}

void Simulator::PrepareFrame(const SetupHeader&, const uint8_t*) {
    const FrameRequest f = pendingFrame_;
    framePending_ = false;
    uint32_t now = NowMs();
    const bool cameraTimed = pendingRequest_ != kReadPixels;
    double exposureMs;
    uint32_t startMs;
    if (cameraTimed) {
        // The camera exposes now, for the time in the request.
        exposureMs = double(f.exposureMs);
        startMs = now;
        Sys().clock->WaitMs(f.exposureMs);
        now = NowMs();
    } else if (f.head == 1) {
        exposureMs = double(std::max<int64_t>(0, Since(guiderStartMs_, now)));
        startMs = guiderStartMs_;
    } else {
        exposureMs = double(std::max<int64_t>(0, Since(exposureStartMs_, now)));
        startMs = exposureStartMs_;
    }
    UpdateCooler(now);
    lastExposureMs_ = exposureMs;
    lastFrame_ = f;
    lastReadRequest_ = pendingRequest_;

    RenderRequest r;
    const bool guider = f.head == 1;
    if (guider) {
        r.sensorWidth = config_.camera.guiderType == 's' ? 500 : 376;
        r.sensorHeight = 290;
    } else {
        SensorSize(config_.camera.model, r.sensorWidth, r.sensorHeight);
    }
    r.xOffset = f.xOffset;
    r.yOffset = f.yOffset;
    r.width = f.width;
    r.height = f.height;
    r.xBin = std::max<int>(1, f.xBin);
    r.yBin = std::max<int>(1, f.yBin);
    r.exposureMs = exposureMs;
    r.temperatureC = temperatureC_;
    r.seed = NextFrameSeed();
    // Light: a model 5 camera has a shutter; elsewhere the sky is always on.
    if (!guider && config_.camera.model == 5) {
        if (cameraTimed) {
            r.lightMs = darkRead_ ? 0 : exposureMs;
        } else {
            double light = lightMs_;
            if (shutterOpen_) light += double(std::max<int64_t>(0, Since(shutterOpenedMs_, now)));
            r.lightMs = std::min(light, exposureMs);
        }
    }
    // The path of the sky during the exposure, integrated over the whole of
    // it: the offset at the middle of equal slices (at most 10 ms each, 1024
    // at most), so a motion that comes back to where it started (a whole
    // period of periodic error, a guide pulse and its return) still smears.
    const int slices = std::clamp(int(std::ceil(exposureMs / 10.0)), 1, 1024);
    // Seeing moves the whole picture by a random amount for this frame.
    SimRandom seeing(SimRandom::Mix(r.seed, 99));
    const double jitterX = config_.mount.seeingRmsPx * seeing.Normal();
    const double jitterY = config_.mount.seeingRmsPx * seeing.Normal();
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300, sumX = 0, sumY = 0;
    for (int k = 0; k < slices; ++k) {
        double x, y;
        TrueOffset(f.head, startMs + uint32_t(std::lround(exposureMs * (k + 0.5) / slices)), x, y);
        x += jitterX;
        y += jitterY;
        r.path.push_back({x, y});
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
        sumX += x;
        sumY += y;
    }
    lastFrameOffsetX_ = sumX / slices;
    lastFrameOffsetY_ = sumY / slices;
    lastFrameJitterX_ = jitterX;
    lastFrameJitterY_ = jitterY;
    if (maxX - minX < 0.01 && maxY - minY < 0.01) {
        // The picture stood still: one position renders the same, faster.
        r.path.clear();
        r.shiftX = sumX / slices;
        r.shiftY = sumY / slices;
    }
    const SkyField& field = guider ? config_.guiderField : config_.mainField;
    if (guider) {
        std::vector<uint8_t> bytes;
        RenderSky8(field, r, bytes);
        pending_ = std::move(bytes);
        guiderStartMs_ = now;
    } else {
        std::vector<uint16_t> pixels;
        RenderSky(field, r, pixels);
        pending_.resize(pixels.size() * 2);
        for (size_t k = 0; k < pixels.size(); ++k) {
            pending_[2 * k] = uint8_t(pixels[k] & 0xFF);
            pending_[2 * k + 1] = uint8_t(pixels[k] >> 8);
        }
        // Reading the sensor clears it: the next exposure starts here.
        exposureStartMs_ = now;
        lightMs_ = 0;
        if (shutterOpen_) shutterOpenedMs_ = now;
    }
    pending_.resize(FrameReplyBytes(f), 0);
}

void Simulator::TrueOffset(int head, uint32_t nowMs, double& x, double& y) {
    mount_.OffsetAt(nowMs, x, y);
    if (head != 1) return;
    // The guider's picture: turned by its angle, scaled by its plate scale.
    const double a = config_.camera.guiderAngleDeg * 3.14159265358979323846 / 180.0;
    const double s = config_.camera.guiderScale;
    const double gx = s * (x * std::cos(a) - y * std::sin(a));
    const double gy = s * (x * std::sin(a) + y * std::cos(a));
    x = gx;
    y = gy;
}

TransferResult Simulator::CameraRead(uint8_t* data, size_t count) {
    TransferResult r;
    if (Reached(config_.faultsAt.cameraLostS)) {
        r.error = ENODEV;
        pending_.clear();
        framePending_ = false;
        return r;
    }
    if (faults_.failNextCameraRead) {
        r.error = faults_.failNextCameraRead;
        faults_.failNextCameraRead = 0;
        framePending_ = false;
        pending_.clear();
        return r;
    }
    if (framePending_) PrepareFrame({}, nullptr);
    if (pending_.empty()) {
        r.error = ETIMEDOUT;  // nothing to send: the read times out
        return r;
    }
    size_t n = std::min(count, pending_.size());
    if (faults_.shortNextCameraRead >= 0) {
        n = std::min(n, size_t(faults_.shortNextCameraRead));
        faults_.shortNextCameraRead = -1;
    }
    std::memcpy(data, pending_.data(), n);
    if (faults_.garbageNextRead) {
        SimRandom rng(SimRandom::Mix(config_.seed, 77 + frameCounter_));
        for (size_t k = 0; k < n; ++k) data[k] = uint8_t(rng.Next());
        faults_.garbageNextRead = false;
    }
    pending_.clear();
    r.ok = true;
    r.bytes = n;
    return r;
}

TransferResult Simulator::WheelWrite(const uint8_t* data, size_t count) {
    if (keepRecords_) wheelWrites_.push_back(Block(data, data + count));
    TransferResult r;
    if (faults_.failNextWheelWrite) {
        r.error = faults_.failNextWheelWrite;
        faults_.failNextWheelWrite = 0;
        return r;
    }
    r.ok = true;
    r.bytes = count;
    if (count < 2) return r;
    const int command = data[1];
    const int positions = std::clamp(config_.wheel.positions, 1, 255);
    if (command >= 129 && command <= 128 + std::min(positions, 7)) wheelPosition_ = command - 128;
    wheelPending_ = {0, uint8_t(wheelPosition_), uint8_t(positions)};
    return r;
}

TransferResult Simulator::WheelRead(uint8_t* data, size_t count) {
    TransferResult r;
    if (faults_.failNextWheelRead) {
        r.error = faults_.failNextWheelRead;
        faults_.failNextWheelRead = 0;
        return r;
    }
    if (wheelPending_.empty()) {
        r.error = ETIMEDOUT;
        return r;
    }
    const size_t n = std::min(count, wheelPending_.size());
    std::memcpy(data, wheelPending_.data(), n);
    wheelPending_.clear();
    r.ok = true;
    r.bytes = n;
    return r;
}

ScopedSimulator::ScopedSimulator(const SimulatorConfig& config) {
    CloseDevices();
    sim_.Configure(config);
    previous_ = InstallEnumerator(&sim_);
}

ScopedSimulator::~ScopedSimulator() {
    CloseDevices();
    InstallEnumerator(previous_);
}
