// The device simulator: a Korvane camera (any model of the table), a USB
// filter wheel and the sky and mount they look at, answering at the transport
// level (every byte the protocol code sends is parsed, every reply has the
// size the hardware gives). It is a DeviceEnumerator, so it plugs in where
// the USB stack does: `velmora --simulate`, `velmora-cli --simulate` or
// VELMORA_SIMULATE=1 select it, tests install it with ScopedSimulator.
//
// Time is the platform clock (NowMs()): in tests the fake clock of
// tests/support/test_env.h. A host-timed exposure lasts from the last
// ClearPixels 0 to the read; a camera-timed read (requests 2 and 18) takes
// its exposure from the request and waits it out on the platform clock
// before answering, as the camera would. The cooler moves toward its set
// point at a finite rate as the clock runs.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/camera_protocol.h"
#include "devices/sim/mount_model.h"
#include "devices/sim/serial_peer.h"
#include "devices/sim/sky_renderer.h"
#include "devices/usb_transport.h"

struct SimCameraConfig {
    bool present = true;
    int model = 4;                  // camera model code; sensor size from the model table
    uint16_t pid = 0x0126;          // the product id discovery sees
    uint16_t firmwareA = 12;        // firmware reply bytes 0-1 (A) and 2-3 (B): "B.A"
    uint16_t firmwareB = 1;
    char guiderType = 's';          // 's' 500 x 290 guider, other: 376 x 290
    double ambientC = 15;           // cooler off: the sensor drifts back here
    double coolerRatePerSecond = 0.5;  // degrees per second toward the target
    double coolerFloorBelowAmbient = 45;  // the cooler cannot get colder than ambient - this
    bool hidClass = false;          // list the camera in the HID class instead of the driver class
    // The guider head's own plate scale and orientation: a motion of one
    // main-sensor pixel moves the guider's picture by guiderScale guider
    // pixels, turned by guiderAngleDeg.
    double guiderScale = 0.8;
    double guiderAngleDeg = 3;
};

struct SimWheelConfig {
    bool present = true;
    int positions = 7;              // what the wheel reports at the query
};

// Faults to inject, each used once then cleared.
struct SimFaults {
    int failNextCameraWrite = 0;    // system error number; 0 = none
    int failNextCameraRead = 0;
    long shortNextCameraRead = -1;  // deliver only this many bytes of the next read
    bool garbageNextRead = false;   // the next read's bytes are random
    int failNextWheelWrite = 0;
    int failNextWheelRead = 0;
    int failOpen = 0;               // opening any device fails with this error
    bool openPermissionDenied = false;
    bool enumerationFails = false;  // List() cannot open the device set
};

// Faults of a night, at simulated seconds after the simulator was last
// configured (negative: never). A lost camera fails every request and read
// of both heads and no longer opens; a lost serial line makes the camera
// stall the requests of its serial ports; a silent mount ignores what it is
// sent (serial commands and guide relays) and answers nothing, on a line
// that stays open.
struct SimFaultTimes {
    double cameraLostS = -1;
    double serialLostS = -1;
    double mountSilentS = -1;
};

struct SimulatorConfig {
    uint64_t seed = 1;
    SimFaultTimes faultsAt;
    SimCameraConfig camera;
    SimWheelConfig wheel;
    MountConfig mount;
    // Star fields of the two heads; empty star lists are made from the seed
    // (60 stars on the main sensor; on the guider a whole field of its own,
    // see MakeGuiderField).
    SkyField mainField;
    SkyField guiderField;
    bool generateFields = true;
};

// One write the simulated camera received, as sent.
struct SimCameraWrite {
    uint32_t atMs = 0;
    Block bytes;
};

class Simulator : public DeviceEnumerator {
public:
    Simulator();
    ~Simulator() override;

    // The process-wide simulator that VELMORA_SIMULATE selects. Its camera
    // follows the model the settings name (configured PID, else model code)
    // each time discovery runs, unless VELMORA_SIM_MODEL names a model code of
    // the table: then it is that model, and discovery takes it whatever PID
    // is configured (the program switches to it as to any camera it
    // recognises). Another value of VELMORA_SIM_MODEL is reported once.
    static Simulator& Instance();
    // Following the settings (the process-wide simulator does; tests set
    // their own model).
    void FollowConfiguredModel(bool follow) { followsSettings_ = follow; }
    // Makes the camera the given model (and one of its PIDs); a model picked
    // this way is kept whatever the settings say.
    void PickModel(int model);
    bool PrepareCameraDiscovery(const std::string& configuredPid, int configuredModel) override;

    // Starts afresh with a configuration: the mount restarts at NowMs(), the
    // cooler sits at ambient, the star fields are generated (or taken), the
    // records and faults are cleared. Serial peers are kept.
    void Configure(const SimulatorConfig& config);
    const SimulatorConfig& Config() const { return config_; }

    // Test-facing controls.
    void SetSeed(uint64_t seed);                     // noise and generated fields
    void SetStarField(const SkyField& field);        // main head
    void SetGuiderField(const SkyField& field);      // guider head
    SkyField& MainField() { return config_.mainField; }
    SkyField& GuiderField() { return config_.guiderField; }
    void SetMount(const MountConfig& mount);         // drift, periodic error, rates, backlash, angle
    MountModel& Mount() { return mount_; }
    void SetFirmware(uint16_t a, uint16_t b);
    // Puts a peer on camera serial port 0 or 1 (nullptr: none). Not owned.
    void SetSerialPeer(int port, SerialPeer* peer);
    SerialPeer* SerialPeerAt(int port) const;
    SimFaults& Faults() { return faults_; }

    // State the tests look at.
    double SensorTemperatureC();       // at NowMs()
    double CoolerSetPointC() const { return setPointC_; }
    bool CoolerOn() const { return coolerOn_; }
    uint8_t RelayBits() const { return mount_.Relays(); }
    bool ShutterOpen() const { return shutterOpen_; }
    int WheelPosition() const { return wheelPosition_; }
    // Every write, for tests. The process-wide simulator keeps none: a night
    // of guiding would pile them up without bound.
    const std::vector<SimCameraWrite>& CameraWrites() const { return cameraWrites_; }
    void KeepRecords(bool keep) { keepRecords_ = keep; }
    const std::vector<Block>& WheelWrites() const { return wheelWrites_; }
    void ClearRecords();
    // The star's true offset from where it started (mount start, NowMs() of
    // the last Configure) at `nowMs`, in the pixels of head 0 (main) or 1
    // (guider): drift, periodic error, guiding, backlash and AO steps; seeing
    // jitter is not part of it.
    void TrueOffset(int head, uint32_t nowMs, double& x, double& y);
    // The exposure (ms) and request of the last frame read.
    double LastExposureMs() const { return lastExposureMs_; }
    // Where the last frame shows the star: its offset (as TrueOffset) over
    // the exposure, averaged, with the frame's seeing jitter.
    void LastFrameOffset(double& x, double& y) const {
        x = lastFrameOffsetX_;
        y = lastFrameOffsetY_;
    }
    // The last frame's seeing jitter alone (LastFrameOffset less it is where
    // the mount held the star).
    void LastFrameJitter(double& x, double& y) const {
        x = lastFrameJitterX_;
        y = lastFrameJitterY_;
    }
    FrameRequest LastFrameRequest() const { return lastFrame_; }
    uint8_t LastReadRequest() const { return lastReadRequest_; }

    // DeviceEnumerator.
    bool List(InterfaceClass cls, std::vector<EnumeratedInterface>& out) override;
    std::unique_ptr<CameraTransport> OpenCamera(const std::string& path, int& error,
                                                bool& permissionDenied) override;
    std::unique_ptr<ReportTransport> OpenReport(const std::string& path, int& error,
                                                bool& permissionDenied) override;

    // The device paths it lists.
    std::string CameraPath() const;
    std::string WheelPath() const;

    // Transport-level entry points (used by the simulated handles).
    TransferResult CameraWrite(const uint8_t* data, size_t count);
    TransferResult CameraRead(uint8_t* data, size_t count);
    TransferResult WheelWrite(const uint8_t* data, size_t count);
    TransferResult WheelRead(uint8_t* data, size_t count);

private:
    // The open faults and the device's presence: true when `path` names a
    // present device and no fault is injected; else `error` says why.
    bool CanOpen(bool present, const std::string& path, const std::string& devicePath, int& error,
                 bool& permissionDenied) const;
    void UpdateCooler(uint32_t nowMs);
    // True once a fault time (seconds, negative: never) has come.
    bool Reached(double atS) const;
    void PrepareFrame(const SetupHeader& header, const uint8_t* data);
    void Answer(std::vector<uint8_t> bytes);
    uint64_t NextFrameSeed();

    SimulatorConfig config_;
    bool followsSettings_ = false;
    int pickedModel_ = 0;
    std::string badModelText_;      // VELMORA_SIM_MODEL that names no model
    SimFaults faults_;
    uint32_t configuredMs_ = 0;
    MountModel mount_;
    std::array<SerialPeer*, 2> peers_{};
    // Reply waiting for the next read.
    std::vector<uint8_t> pending_;
    // A frame read waiting for its read: rendered when the read comes.
    bool framePending_ = false;
    FrameRequest pendingFrame_;
    uint8_t pendingRequest_ = 0;
    uint32_t exposureStartMs_ = 0;
    double lastExposureMs_ = 0;
    double lastFrameOffsetX_ = 0, lastFrameOffsetY_ = 0;
    double lastFrameJitterX_ = 0, lastFrameJitterY_ = 0;
    FrameRequest lastFrame_;
    uint8_t lastReadRequest_ = 0;
    // Cooler.
    double temperatureC_ = 15;
    uint32_t coolerMs_ = 0;
    double setPointC_ = 0;
    bool coolerOn_ = false;
    bool shutterOpen_ = false;
    uint32_t shutterOpenedMs_ = 0;
    double lightMs_ = 0;            // shutter-open time since the exposure start (model 5)
    uint32_t guiderStartMs_ = 0;    // the guider head integrates from its last read
    bool darkRead_ = false;         // camera-timed read with value 0x8003
    // Filter wheel.
    int wheelPosition_ = 1;
    std::vector<uint8_t> wheelPending_;
    uint64_t frameCounter_ = 0;
    // The star lists last made from the seed: a configuration that hands
    // them back (Config() edited and re-applied) gets them made afresh for
    // the new model, guider type or seed.
    std::vector<SimStar> generatedMain_, generatedGuider_;
    std::vector<uint32_t> generatedMainHot_, generatedGuiderHot_;
    bool keepRecords_ = true;
    std::vector<SimCameraWrite> cameraWrites_;
    std::vector<Block> wheelWrites_;
};

// Installs a simulator as the active device backend for the life of the
// object (tests): configures it, closes any open devices before and after,
// and puts the previous backend back. Runs on the platform clock in force
// (the fake clock inside a VelmoraTest).
class ScopedSimulator {
public:
    explicit ScopedSimulator(const SimulatorConfig& config = {});
    ~ScopedSimulator();
    ScopedSimulator(const ScopedSimulator&) = delete;
    ScopedSimulator& operator=(const ScopedSimulator&) = delete;
    Simulator& sim() { return sim_; }
    Simulator* operator->() { return &sim_; }

private:
    Simulator sim_;
    DeviceEnumerator* previous_ = nullptr;
};
