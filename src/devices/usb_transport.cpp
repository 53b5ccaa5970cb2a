#include "devices/usb_transport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "devices/sim/simulator.h"

namespace {
DeviceEnumerator* installed = nullptr;
}

std::string MakeDevicePath(const std::string& kind, uint16_t vid, uint16_t pid, const std::string& where) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "#vid_%04x&pid_%04x#", vid, pid);
    return kind + ids + where;
}

bool SimulationRequested() {
    const char* value = std::getenv("VELMORA_SIMULATE");
    return value && std::strcmp(value, "1") == 0;
}

DeviceEnumerator& ActiveEnumerator() {
    if (installed) return *installed;
    if (SimulationRequested()) return Simulator::Instance();
    return UsbEnumerator();
}

DeviceEnumerator* InstallEnumerator(DeviceEnumerator* enumerator) {
    DeviceEnumerator* previous = installed;
    installed = enumerator;
    return previous;
}
