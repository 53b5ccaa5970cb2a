#include "devices/filter_wheel.h"

#include <algorithm>
#include <cstring>

#include "core/state.h"
#include "devices/camera.h"
#include "devices/camera_protocol.h"
#include "devices/transport.h"
#include "platform/platform.h"

namespace {
FilterWheelState wheel;
}

FilterWheelState& FilterWheel() { return wheel; }
void ResetFilterWheel() { wheel = FilterWheelState{}; }

int FilterCount() { return std::clamp<int>(State().settings.filterCount, 1, kMaxFilterPositions); }

int FilterWheelSerialPort() { return State().settings.telescopeComPort == '2' ? 1 : 0; }

bool UsingUsbFilterWheel() {
    return State().settings.useUsbFilterWheel && Link().filterWheelPresent && Link().filterWheel;
}

std::string FilterWheelRouteText() {
    if (UsingUsbFilterWheel()) return "on USB";
    return FilterWheelSerialPort() == 0 ? "on Com1" : "on Com2";
}

bool SelectFilter(int n) {
    n = std::clamp(n, 1, FilterCount());
    wheel.current = n;
    const auto& names = State().settings.filterNames;
    wheel.currentName = names[size_t(n)];
    State().fits.filter = wheel.currentName;
    if (UsingUsbFilterWheel()) {
        uint8_t* out = OutputBlock();
        std::memset(out, 0, 8);
        out[0] = 0;
        out[1] = uint8_t(128 + n);
        out[2] = 0;
        if (!WriteFilterWheel(3)) return false;
        WaitMs(4);
        return ReadFilterWheel(3);
    }
    const std::vector<uint8_t> bytes = SerialFilterWheelBytes(n);
    return WriteSerialPort(FilterWheelSerialPort(), bytes.data(), bytes.size());
}

bool NextFilter() {
    const int n = wheel.current >= FilterCount() ? 1 : wheel.current + 1;
    return SelectFilter(n);
}

bool PreviousFilter() {
    const int n = wheel.current <= 1 ? FilterCount() : wheel.current - 1;
    return SelectFilter(n);
}

bool FirstFilter() { return SelectFilter(1); }
