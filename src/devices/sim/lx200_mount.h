// The simulated LX200 / Autostar mount on a serial line. It parses the
// command texts the program sends (":...#", where the leading '#' of one
// command also ends a text sent without its own closing '#'), keeps the
// mount's pointing, slew rate, focuser and selected object, answers as such
// a mount does, and drives the simulator's mount model: a move runs the
// model's axis at the move's rate (the star shifts on the sensor at that
// speed), a pulse ":Mgx####" at the guide rate for its milliseconds.
//
// It answers as a generic LX200 (or an Autostar) does, so a client of any
// make can drive it: the ACK byte (0x06) gives the alignment ('P' polar, 'A'
// alt-az, 'L' land); "#:GR#" / "#:GD#" the position in high ("HH:MM:SS#",
// "sDD*MM'SS#") or low precision ("HH:MM.T#", "sDD*MM#"), toggled by ":U#";
// the set-co-ordinate texts ":Sr"/":Sd" (either precision) '1', or '0' when
// out of range; "#:MS#" "0" (slewing: the selected target becomes the slew
// target only then), "1Object Below Horizon#" or "2No Object Selected#";
// "#:CM#" (sync) the object text; "#:LI#" the selected catalogue object's
// text; ":Mgx####" a guide-rate pulse of that many ms; ":Q#" stops every
// motion and a go-to; ":D#" a bar while slewing; the site, time and product
// queries and settings (":Gc" ":GM" ":GT" ":Gt" ":Gg" ":GG" ":GL" ":GC"
// ":GV?" ":GA" ":GZ" ":GS" ":GW" ":St" ":Sg" ":SG" ":SL" ":SC" ...) from a
// site at latitude +52 and a clock that runs from `utcAtStartS`. An Autostar
// answers a position query only 5 ms after it (the program reads it a second
// time).
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "devices/sim/serial_peer.h"

class MountModel;

struct Lx200Config {
    bool autostar = false;
    uint64_t seed = 1;
    double raHours = 6.0;        // pointing at the start
    double decDegrees = 30.0;
    double latitude = 52.0;      // site, degrees north
    double longitudeWest = 350.0;  // site, degrees west of Greenwich (0..360)
    double horizonDec = -38.0;   // objects south of this never rise at the site
    double slewDegPerSecond = 4.0;
    bool highPrecision = true;   // position texts at the start (":U#" toggles)
    // The mount's clock: UTC seconds at the mount's `startMs`.
    int64_t utcAtStartS = 1796853600;  // 2026-12-09 22:00:00
    uint32_t startMs = 0;
};

class Lx200Mount : public SerialPeer {
public:
    // `model` (not owned, may be null) is moved by guide-rate commands.
    explicit Lx200Mount(MountModel* model, const Lx200Config& config = {});

    void Receive(const uint8_t* bytes, size_t count, uint32_t nowMs) override;
    std::vector<uint8_t> Answer(size_t count, uint32_t nowMs) override;

    // Each command received ("RG", "Mn", "Sr 23:59.0", ..., "\x06" for the
    // ACK byte), for logs and tests; onCommand sees each as it is parsed.
    std::function<void(uint32_t nowMs, const std::string& command)> onCommand;
    const std::vector<std::string>& Commands() const { return commands_; }

    // The mount's state at `nowMs`.
    double RaHours(uint32_t nowMs);
    double DecDegrees(uint32_t nowMs);
    char Rate() const { return rate_; }
    int FocusPosition(uint32_t nowMs);
    bool Slewing(uint32_t nowMs);
    std::string ObjectText() const { return objectText_; }

    bool HighPrecision() const { return highPrecision_; }

    // "HH:MM:SS" and "sDD*MM'SS" of a position; in low precision "HH:MM.T"
    // and "sDD*MM".
    static std::string RaText(double hours, bool high = true);
    static std::string DecText(double degrees, bool high = true);

private:
    void Execute(const std::string& command, uint32_t nowMs);
    void Log(const std::string& command, uint32_t nowMs);
    bool Query(const std::string& command, uint32_t nowMs);
    bool SetSite(const std::string& command, uint32_t nowMs);
    void Pulse(char direction, int ms, uint32_t nowMs);
    double UtcSeconds(uint32_t nowMs) const;
    double LocalSeconds(uint32_t nowMs) const;
    double SiderealHours(uint32_t nowMs) const;
    void SetSpeeds(uint32_t nowMs);
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
    // Motion of the two axes: -1, 0, +1 (+1 west / north for pointing), each
    // at the rate it was started with (degrees per second).
    int raDir_ = 0, decDir_ = 0;
    double raRate_ = 0, decRate_ = 0;
    uint32_t motionMs_ = 0;     // pointing last brought up to date
    double ra_, dec_;           // hours, degrees
    // The selected target (co-ordinate texts or a catalogue object) and the
    // one a go-to slews to: it becomes the latter only when "#:MS#" is
    // accepted.
    bool slewing_ = false;
    double slewRa_ = 0, slewDec_ = 0;
    double targetRa_ = 0, targetDec_ = 0;
    bool targetValid_ = false;
    double setRa_ = 0, setDec_ = 0;
    std::string objectText_;
    // Formats, site and clock.
    bool highPrecision_;
    bool highPrecisionPointing_ = false;  // ":P#"
    bool clock24_ = true;
    char alignment_ = 'P';
    double latitude_, longitudeWest_;
    double utcOffsetHours_ = 0;  // added to the local time gives UTC
    double clockShiftS_ = 0;     // set by ":SL" / ":SC"
    std::string siteName_ = "Velmora";
    double trackingHz_ = 60.1;
    // Focuser.
    int focusDir_ = 0;
    bool focusFast_ = true;
    uint32_t focusMs_ = 0;
    double focus_ = 0;
};
