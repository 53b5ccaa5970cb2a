#include "devices/sim/ao_unit.h"

#include <algorithm>
#include <cstdlib>

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

// The unit's directions as the program's default AO letters take them: a
// west step ('W', made for a positive x error) moves the picture +x, east
// -x, north +y, south -y. No mirror in front of the unit turns them.
void AoUnit::Tilt(int dx, int dy) {
    const int nx = std::clamp(tiltX_ + dx, -config_.travel, config_.travel);
    const int ny = std::clamp(tiltY_ + dy, -config_.travel, config_.travel);
    if (model_) model_->Nudge(-(nx - tiltX_) / config_.stepsPerPixel, (ny - tiltY_) / config_.stepsPerPixel);
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
        // A mount move at the guide rate for `value` ms through the unit's
        // guide port, wired so that it shifts the picture as a tilt of the
        // same letter does (a bump takes the tilt over): 'T' drives the
        // mount west, 'W' east, 'N' north, 'S' south.
        model_->Pulse(dx, -dy, uint32_t(value), nowMs);
    }
}
