// The simulated AO unit on a serial line. It parses the seven-character
// commands "G" + letter + five digits (a tip-tilt step: the picture shifts by
// steps / gain pixels), "M" + letter + five digits (a mount move of that many
// milliseconds at the guide rate, passed to the mount model) and the single
// "K" (back to the centre). Letters: N north, S south, T east, W west: a
// 'W' tilt moves the picture +x, 'N' +y. The unit does not answer.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "devices/sim/serial_peer.h"

class MountModel;

struct AoUnitConfig {
    double stepsPerPixel = 4;  // the unit's gain
    int travel = 1000;         // steps from the centre to the end stop
};

class AoUnit : public SerialPeer {
public:
    explicit AoUnit(MountModel* model, const AoUnitConfig& config = {});
    void Receive(const uint8_t* bytes, size_t count, uint32_t nowMs) override;
    std::vector<uint8_t> Answer(size_t, uint32_t) override { return {}; }

    // The tilt in steps from the centre (+ east, + north).
    int TiltX() const { return tiltX_; }
    int TiltY() const { return tiltY_; }
    const std::vector<std::string>& Commands() const { return commands_; }
    std::function<void(uint32_t nowMs, const std::string& command)> onCommand;

private:
    void Execute(const std::string& command, uint32_t nowMs);
    void Tilt(int dx, int dy);

    MountModel* model_;
    AoUnitConfig config_;
    std::string partial_;
    std::vector<std::string> commands_;
    int tiltX_ = 0, tiltY_ = 0;
};
