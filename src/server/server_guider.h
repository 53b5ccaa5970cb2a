// The guider behind the guiding server: the server's methods on Velmora's
// own loops. Requests only note what is wanted (they may arrive inside a
// wait of a running frame); Step() then does it, one frame at a time, from
// the one event loop: the guider "Start" loop (`loop`), the guider training
// (`guide` without a calibration), guider guiding with its corrections, the
// lock shift of a dither and settling. Every state change, frame and settle
// step becomes an event.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "guiding/guiding_loops.h"
#include "server/guide_server.h"

// The messages of the server's loops and methods become Alert events; with
// echo on (no windows) they are also shown by the message sink in force.
void EchoServerAlerts(bool echo);

// A settle request: in range (star within `pixels` of the lock) for `time`
// seconds, failing after `timeout` seconds from the request.
struct SettleRequest {
    double pixels = 1.5, time = 10, timeout = 60;
};
// The settle object of guide and dither (bad params when malformed).
SettleRequest ParseSettle(const Json* settle);
// A region of interest [x, y, width, height] (bad params when malformed).
void ParseRoi(const Json& roi, int out[4]);

class ServerGuider {
public:
    // profile: the one profile's name ("Simulator" on the simulator).
    ServerGuider(GuideServer& server, std::string profile);
    ~ServerGuider();

    // Does the next piece of work: one frame of looping or guiding, a
    // selection, a whole training, a pending pulse or single frame. False
    // when there was nothing to do (the caller may sleep).
    bool Step();
    // Ends looping and guiding now (the mount left still).
    void StopAll();
    // Asks for that at the next step (from inside a running step).
    void RequestStop() { stopRequested_ = true; }
    bool ShutdownRequested() const { return shutdown_; }
    // The state as get_app_state and AppState give it.
    std::string AppState() const;
    // Something runs (looping, calibrating or guiding).
    bool Busy() const { return mode_ != Mode::Idle; }
    // Inside Step (its loops pump events).
    bool Stepping() const { return stepping_; }

private:
    enum class Mode { Idle, Looping, Calibrating, Guiding };
    class Display;
    class Output;

    void Register();
    void Burst(std::vector<Json>& events) const;
    void RequireConnected() const;
    void RequireNotSettling() const;

    void TakeLoopFrame();
    void StartGuide();
    void GuideFrame();
    void StopGuiding(bool emitStopped);
    bool SelectStar(int left, int top, int width, int height);
    void BeginSettle(const SettleRequest& r);
    void SettleFrame(double distance, bool found);
    void EndSettle(int status, const std::string& error);
    std::string MountName() const;
    Json GuideStepEvent(const struct GuidingFrameReport& r);
    Json StarFigures(double x, double y) const;

    GuideServer& server_;
    std::string profile_;
    std::unique_ptr<Display> display_;
    std::unique_ptr<Output> output_;
    GuidingContext context_;
    std::mt19937 random_;

    Mode mode_ = Mode::Idle;
    bool connected_ = false;
    bool haveFrame_ = false;
    bool discardFrames_ = false;  // a loop starts with two frames thrown away
    bool lost_ = false;
    bool paused_ = false, pausedFull_ = false;
    bool stopRequested_ = false, loopRequested_ = false, shutdown_ = false;
    bool stepping_ = false;
    bool selectedIdle_ = false;  // a star picked while nothing ran
    int loopFrame_ = 0, guideFrame_ = 0;
    uint32_t guideStartMs_ = 0;
    double avgDist_ = 0;
    struct PendingGuide {
        bool recalibrate = false;
        int roi[4];  // where to select a star when none is: x, y, width, height
    };
    std::optional<PendingGuide> pendingGuide_;
    struct PendingPulse {
        char direction;
        int ms;
    };
    std::optional<PendingPulse> pendingPulse_;
    std::optional<int> singleFrameMs_;
    std::string singleFramePath_;
    int savedImages_ = 0;
    struct Settling {
        bool active = false;
        SettleRequest request;
        uint32_t acceptedMs = 0;
        bool inRange = false;
        uint32_t inRangeSinceMs = 0;
        int frames = 0, dropped = 0;
    } settle_;
};
