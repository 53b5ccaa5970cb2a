// The simulated mount: where the sky sits on the sensor, in pixels, as a
// function of time. Drift (constant rate plus a periodic error on R.A.),
// guiding at a guide rate while a relay output is held, a move command runs
// (at the guide rate or a multiple of it) or a timed pulse lasts, backlash
// on a direction reversal, the camera's rotation angle and, optionally, a
// mirror in the light path.
// Both camera heads share one mount. A small state machine fed with
// time-stamped inputs; it never reads a clock itself.
#pragma once
#include <cstdint>
#include <deque>

// How far back the mount answers exactly: longer than the longest exposure
// (90 minutes) with room to spare.
inline constexpr uint32_t kMountHistoryMs = 2u * 3600u * 1000u;

struct MountConfig {
    double driftRaPerSecond = 0;     // pixels per second along R.A. (before rotation)
    double driftDecPerSecond = 0;
    double periodicAmplitude = 0;    // pixels, on R.A.
    double periodicPeriodS = 480;    // seconds
    double guideRatePerSecond = 3;   // pixels per second while guiding
    double raBacklashMs = 0;         // guide time lost after a reversal of R.A.
    double decBacklashMs = 0;
    double cameraAngleDeg = 0;       // rotation of the sensor against R.A./Dec
    // A mirror in the light path (a star diagonal) turns one axis's motion
    // round on the sensor: west then moves the picture +x (mirrorRa), north
    // -y (mirrorDec).
    bool mirrorRa = false;
    bool mirrorDec = false;
    // Atmospheric seeing: the whole picture jitters by this much (pixels RMS
    // per axis) from frame to frame. Applied by the simulator per frame, not
    // part of the offset below.
    double seeingRmsPx = 0;
};

// Directions in mount axes: +R.A. is west, +Dec south. On the sensor (before
// the camera rotation, without a mirror) the picture moves the way the
// program's default direction letters take it: east +x, west -x, north +y,
// south -y.
class MountModel {
public:
    explicit MountModel(const MountConfig& config = {}, uint32_t startMs = 0);
    void Configure(const MountConfig& config);
    const MountConfig& Config() const { return config_; }
    // Restarts at `nowMs` with zero offset and no motion.
    void Reset(uint32_t nowMs);

    // Relay outputs (bit 0 west, 1 south, 2 north, 3 east) from `nowMs` on.
    void SetRelays(uint8_t bits, uint32_t nowMs);
    uint8_t Relays() const { return relays_; }
    // Axis motion from a serial command (LX200 :Mx# / :Qx#) from `nowMs` on:
    // signed speeds in guide rates (+ = west / south, 0 = still; a move at
    // the centring rate is 16).
    void SetGuideMotion(double raSpeed, double decSpeed, uint32_t nowMs);
    // A guide-rate move that ends by itself after `durationMs` (LX200
    // ":Mgx####", the AO unit's mount moves): raDir / decDir -1, 0 or +1; an axis with 0 keeps any pulse
    // it runs.
    void Pulse(int raDir, int decDir, uint32_t durationMs, uint32_t nowMs);
    // An instant move of the picture (AO tip-tilt step), in sensor pixels, at
    // `nowMs` (without a time: at the latest input or look at the mount).
    void Nudge(double dx, double dy, uint32_t nowMs);
    void Nudge(double dx, double dy);

    // The picture's offset on the sensor at `nowMs` (unbinned pixels), after
    // rotation. A time before the latest input is answered from the recorded
    // inputs, exactly, as far back as kMountHistoryMs.
    void OffsetAt(uint32_t nowMs, double& x, double& y);
    // The guided part alone, in mount axes (R.A., Dec), for tests.
    double GuidedRa(uint32_t nowMs);
    double GuidedDec(uint32_t nowMs);

private:
    struct Axis {
        double guided = 0;      // pixels moved by guiding
        int lastDir = 0;        // direction of the last motion (+1 / -1)
        double backlashLeft = 0;  // ms still absorbed by the gear slack
    };
    // The state after an input: from `ms` on the axes run in raDir / decDir
    // until the next input.
    struct Checkpoint {
        uint32_t ms;
        Axis ra, dec;
        double raSpeed, decSpeed;
        double nudgeX, nudgeY;
    };
    // A timed pulse on one axis.
    struct Timed {
        int dir = 0;
        uint32_t endMs = 0;
    };
    // A motion of the mount's axes (pixels, +R.A. west, +Dec south) as it
    // shows on the sensor: the orientation, the mirror and the camera angle.
    void AxesToSensor(double ra, double dec, double& x, double& y) const;
    void Advance(uint32_t nowMs);
    void AdvanceTo(uint32_t nowMs);
    void Record();
    void Run(Axis& axis, double speed, double ms, double backlashMs) const;
    // The guided part and the nudges at any time since the start.
    void StateAt(uint32_t nowMs, double& ra, double& dec, double& nx, double& ny) const;
    double RaSpeed() const;
    double DecSpeed() const;

    MountConfig config_;
    uint32_t startMs_ = 0;
    uint32_t lastMs_ = 0;
    uint8_t relays_ = 0;
    double serialRa_ = 0, serialDec_ = 0;
    Timed pulseRa_, pulseDec_;
    Axis ra_, dec_;
    double nudgeX_ = 0, nudgeY_ = 0;
    // One checkpoint per input, kept for as long as the longest exposure
    // can reach back.
    std::deque<Checkpoint> track_;
};
