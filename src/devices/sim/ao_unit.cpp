#include "devices/sim/ao_unit.h"

#include <algorithm>
#include <cstdlib>

#include "devices/sim/lx200_mount.h"
#include "devices/sim/mount_model.h"

AoUnit::AoUnit(MountModel* model, const AoUnitConfig& config) : model_(model), config_(config) {}

void AoUnit::Receive(const uint8_t* bytes, size_t count, uint32_t nowMs) {
    for (size_t i = 0; i < count; ++i) {
        const char c = char(bytes[i]);
        if (partial_.empty()) {
            if (c == 'K') {
                Execute("K", nowMs);
            } else if (c == 'G' || c == 'M') {
                partial_ = c;
            }
            continue;
        }
        // A letter N/S/T/W, then five digits; anything else is not an AO
        // command (an LX200 text on the same line) and is dropped.
        const bool fits = partial_.size() == 1 ? (c == 'N' || c == 'S' || c == 'T' || c == 'W') : (c >= '0' && c <= '9');
        if (!fits) {
            partial_.clear();
            if (c == 'K') Execute("K", nowMs);
            if (c == 'G' || c == 'M') partial_ = c;
            continue;
        }
        partial_ += c;
        if (partial_.size() == 7) {
            Execute(partial_, nowMs);
            partial_.clear();
        }
    }
}

// East steps move the picture like an east move of the mount (-x), north
// steps like a north move (-y).
void AoUnit::Tilt(int dx, int dy) {
    const int nx = std::clamp(tiltX_ + dx, -config_.travel, config_.travel);
    const int ny = std::clamp(tiltY_ + dy, -config_.travel, config_.travel);
    if (model_) model_->Nudge(-(nx - tiltX_) / config_.stepsPerPixel, -(ny - tiltY_) / config_.stepsPerPixel);
    tiltX_ = nx;
    tiltY_ = ny;
}

void AoUnit::Execute(const std::string& command, uint32_t nowMs) {
    commands_.push_back(command);
    if (commands_.size() > 10000) commands_.erase(commands_.begin(), commands_.begin() + 5000);
    if (onCommand) onCommand(nowMs, command);
    if (command == "K") {
        Tilt(-tiltX_, -tiltY_);
        return;
    }
    const int value = std::atoi(command.c_str() + 2);
    const char letter = command[1];
    const int dx = letter == 'T' ? 1 : letter == 'W' ? -1 : 0;
    const int dy = letter == 'N' ? 1 : letter == 'S' ? -1 : 0;
    if (command[0] == 'G') {
        Tilt(dx * value, dy * value);
    } else if (model_) {
        // A mount move at the guide rate: west and south are + on the
        // mount's axes.
        const double pixels = model_->Config().guideRatePerSecond * value / 1000.0;
        ShiftMountAxes(*model_, -dx * pixels, -dy * pixels);
    }
}
