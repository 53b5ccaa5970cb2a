// The simulated LX200 / Autostar mount on a serial line. It parses the
// command texts the program sends (":...#", where the leading '#' of one
// command also ends a text sent without its own closing '#'), keeps the
// mount's pointing, slew rate, focuser and selected object, answers as such
// a mount does, and drives the simulator's mount model: a move at the guide
// rate runs the model's guide motion (the star shifts on the sensor), the
// faster rates shift it further at their speed.
//
// Answers: "#:MS#" gives "0" (slewing) or "1Object Below Horizon#"; "#:LI#"
// the selected catalogue object's text; "#:GR#" "HH:MM:SS#", "#:GD#"
// "sDD*MM'SS#". The set-co-ordinate texts get no answer. An Autostar answers
// a position query only 5 ms after it (the program reads it a second time).
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "devices/sim/serial_peer.h"

class MountModel;

// Shifts the picture by a motion of the mount's axes (pixels; +R.A. west,
// +Dec south), turned by the model's camera angle.
void ShiftMountAxes(MountModel& model, double raPixels, double decPixels);

struct Lx200Config {
    bool autostar = false;
    uint64_t seed = 1;
    double raHours = 6.0;        // pointing at the start
    double decDegrees = 30.0;
    double horizonDec = -38.0;   // objects south of this never rise at the site
    double slewDegPerSecond = 4.0;
};

class Lx200Mount : public SerialPeer {
public:
    // `model` (not owned, may be null) is moved by guide-rate commands.
    explicit Lx200Mount(MountModel* model, const Lx200Config& config = {});

    void Receive(const uint8_t* bytes, size_t count, uint32_t nowMs) override;
    std::vector<uint8_t> Answer(size_t count, uint32_t nowMs) override;

    // Each command received ("RG", "Mn", "Sr 23:59.0", ...), for logs and
    // tests; onCommand sees each as it is parsed.
    std::function<void(uint32_t nowMs, const std::string& command)> onCommand;
    const std::vector<std::string>& Commands() const { return commands_; }

    // The mount's state at `nowMs`.
    double RaHours(uint32_t nowMs);
    double DecDegrees(uint32_t nowMs);
    char Rate() const { return rate_; }
    int FocusPosition(uint32_t nowMs);
    bool Slewing(uint32_t nowMs);
    std::string ObjectText() const { return objectText_; }

    // "HH:MM:SS" and "sDD*MM'SS" of a position.
    static std::string RaText(double hours);
    static std::string DecText(double degrees);

private:
    void Execute(const std::string& command, uint32_t nowMs);
    void Move(char direction, uint32_t nowMs);
    void Quit(char axis, uint32_t nowMs);  // 'n','s','e','w' or 0 for all
    void Reply(const std::string& text, uint32_t readyMs);
    void SelectObject(char catalogue, int number);
    void SettleSlew(uint32_t nowMs);
    double RateDegPerSecond() const;
    double RateInGuideRates() const;
    void Track(uint32_t nowMs);

    MountModel* model_;
    Lx200Config config_;
    std::string partial_;
    bool inCommand_ = false;
    std::vector<std::string> commands_;
    struct Pending {
        uint32_t readyMs;
        uint8_t byte;
    };
    std::deque<Pending> answer_;
    char rate_ = 'S';
    // Motion of the two axes: -1, 0, +1 (+1 west / north for pointing).
    int raDir_ = 0, decDir_ = 0;
    uint32_t motionMs_ = 0;     // pointing last brought up to date
    double ra_, dec_;           // hours, degrees
    // Slew to a target.
    bool slewing_ = false;
    double targetRa_ = 0, targetDec_ = 0;
    bool targetValid_ = false;
    double setRa_ = 0, setDec_ = 0;
    std::string objectText_;
    // Focuser.
    int focusDir_ = 0;
    bool focusFast_ = true;
    uint32_t focusMs_ = 0;
    double focus_ = 0;
};
