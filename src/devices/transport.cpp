#include "devices/transport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/camera_models.h"
#include "core/messages.h"
#include "core/state.h"
#include "settings/settings_file.h"
#include "devices/camera.h"
#include "devices/camera_protocol.h"
#include "devices/transport_trace.h"
#include "platform/platform.h"

namespace {

constexpr const char* kNotPresent = "- not present -";

std::string Format(const char* format, int value) {
    char text[256];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void ShowStop(const std::string& text) { Sys().messages->Show("Error", text, MessageIcon::Stop); }

void ShowPermissionHint(const std::string& path) {
    ShowMessage(50,
                "Sorry, no permission to open the USB device\n" + path +
                    "\nInstall the udev rule from the README "
                    "(/etc/udev/rules.d/70-velmora.rules), then unplug and reconnect the device.");
}

// The device set of a class; "Could not attach to PnP node" when it cannot be
// opened.
bool ListClass(DeviceEnumerator& enumerator, InterfaceClass cls, std::vector<EnumeratedInterface>& interfaces) {
    if (enumerator.List(cls, interfaces)) return true;
    ShowMessage(50, "Could not attach to PnP node");
    return false;
}

// False (after the stop box) when the system lists an interface it cannot
// name.
bool PathReadable(const EnumeratedInterface& item) {
    if (item.pathReadable) return true;
    ShowStop("Could not find the system name for this HID device");
    return false;
}

// An open that failed: the stop box, and the udev hint when the system
// refused the permission.
void OpenFailed(const char* text, const std::string& path, int error, bool denied) {
    Link().lastError = error;
    ShowStop(text);
    if (denied) ShowPermissionHint(path);
}

// Four characters starting 4 after the first "vid" / "pid" of a path, in
// lower case; empty when the path does not spell them.
std::string IdAfter(const std::string& path, const char* key) {
    std::string lower = path;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    const size_t at = lower.find(key);
    if (at == std::string::npos || at + 8 > lower.size()) return "";
    return lower.substr(at + 4, 4);
}

int Decimal(const std::string& text) { return std::atoi(text.c_str()); }

// The trace of a camera request: the block on "usb", and for the serial-port
// requests the text on "cam-serial<index>". A serial read's reply is traced
// on the port too, so the last request is remembered.
int tracedSerialRead = -1;

void TraceCameraWrite(const uint8_t* data, size_t count) {
    TraceBlock('>', "usb", data, count);
    tracedSerialRead = -1;
    if (count < 8) return;
    const SetupHeader h = ParseHeader(data);
    if (h.index > 1) return;
    if (h.request == kWriteSerialPort) {
        TraceBlock('>', h.index ? "cam-serial1" : "cam-serial0", data + 8, std::min<size_t>(h.length, count - 8));
    } else if (h.request == kReadSerialPort) {
        tracedSerialRead = h.index;
    }
}

void TraceCameraRead(const uint8_t* data, size_t count) {
    TraceBlock('<', "usb", data, count);
    if (tracedSerialRead >= 0) TraceBlock('<', tracedSerialRead ? "cam-serial1" : "cam-serial0", data, count);
    tracedSerialRead = -1;
}

bool WriteOn(DeviceLink* link, const uint8_t* data, size_t count, const std::string& failure) {
    DeviceLinkState& s = Link();
    TransferResult r;
    if (TraceOn()) {
        if (link && link == s.camera.get()) {
            TraceCameraWrite(data, count);
        } else {
            TraceBlock('>', "hid", data, count);
        }
    }
    if (link) {
        r = link->Write(data, count);
    } else {
        r.error = 6;  // no handle
    }
    if (!r.ok) {
        s.lastError = r.error;
        ShowMessage(50, failure);
        return false;
    }
    return true;
}

bool ReadOn(DeviceLink* link, size_t count, const char* failureFormat) {
    DeviceLinkState& s = Link();
    count = std::min(count, kInputBlockSize);
    TransferResult r;
    if (link) {
        r = link->Read(s.input.data(), count);
    } else {
        r.error = 6;
    }
    s.lastRead = std::min(r.bytes, count);
    if (TraceOn()) {
        if (link && link == s.camera.get()) {
            TraceCameraRead(s.input.data(), s.lastRead);
        } else {
            TraceBlock('<', "hid", s.input.data(), s.lastRead);
        }
    }
    if (!r.ok) {
        s.lastError = r.error;
        ShowMessage(50, Format(failureFormat, r.error));
        return false;
    }
    return true;
}

}  // namespace

DeviceLinkState& Link() {
    static DeviceLinkState state;
    if (state.input.empty()) state.input.assign(kInputBlockSize, 0);
    return state;
}

uint8_t* OutputBlock() { return Link().output.data(); }
const uint8_t* InputBlock() { return Link().input.data(); }
uint8_t* MutableInputBlock() { return Link().input.data(); }
bool CameraConnected() { return Link().connected; }

int ModelForPid(const std::string& pid) {
    switch (Decimal(pid)) {
        case 119: return 2;
        case 126: return 4;
        case 128: return 5;
        case 135: return 6;
        case 136: return 7;
        case 137: return 8;
        case 174: return 9;
        case 194: return 10;
        case 198: return 11;
        case 509: return 2;
        case 517: return 1;
        default: return 0;
    }
}

bool DiscoverCamera() {
    DeviceLinkState& s = Link();
    Settings& settings = State().settings;
    DeviceEnumerator& enumerator = ActiveEnumerator();
    const bool adoptAny = enumerator.PrepareCameraDiscovery(settings.configuredPid, settings.manualModel);
    bool enumerated = false;
    for (InterfaceClass cls : {InterfaceClass::Hid, InterfaceClass::CameraDriver}) {
        std::vector<EnumeratedInterface> interfaces;
        if (!ListClass(enumerator, cls, interfaces)) return false;
        for (const EnumeratedInterface& item : interfaces) {
            if (item.index < 0 || item.index >= kMaxInterfaces) continue;
            enumerated = true;
            if (!PathReadable(item)) return false;
            const std::string vid = IdAfter(item.path, "vid");
            const std::string pid = IdAfter(item.path, "pid");
            if (vid.empty() || pid.empty()) continue;
            if (vid != s.configuredVid) continue;
            const bool autoDetect = settings.ignoreCameraVidPid || adoptAny;
            std::string configured = settings.configuredPid;
            for (char& c : configured) c = char(std::tolower(static_cast<unsigned char>(c)));
            if (!(pid == configured || autoDetect || Decimal(pid) == 920)) continue;
            if (pid == "0507") continue;
            WaitTenths(1);
            s.foundVid = vid;
            s.foundPid = pid;
            const int model = ModelForPid(pid);
            if (model != 0) {
                settings.configuredPid = pid;
                settings.manualModel = int16_t(model);
                State().geometry.modelCode = int16_t(model);
                ApplyCameraModel();
            } else if (Decimal(pid) == 920) {
                if (settings.showInterfaceDetails) ShowMessage(50, "Found Filter Wheel");
                // The filter wheel is found again by its own discovery; it is
                // never taken for the camera.
                continue;
            } else if (autoDetect) {
                settings.configuredPid = pid;
                ApplyCameraModel();
            } else {
                ShowMessage(50, "Attached Camera is not supported");
            }
            int error = 0;
            bool denied = false;
            std::unique_ptr<CameraTransport> camera = enumerator.OpenCamera(item.path, error, denied);
            if (!camera) {
                OpenFailed("Could not open HID device", item.path, error, denied);
                return false;
            }
            const InterfaceIdentity id = camera->Identity();
            DeviceListEntry& entry = s.deviceList[size_t(item.index)];
            entry.used = true;
            entry.path = item.path;
            entry.vid = id.vid;
            entry.pid = id.pid;
            entry.manufacturer = id.manufacturer.value_or(kNotPresent);
            entry.product = id.product.value_or(kNotPresent);
            entry.model = model;
            s.camera = std::move(camera);
        }
    }
    if (s.camera) {
        const auto [major, minor] = enumerator.SystemVersion();
        s.oldSystemFlag = major == 4 && minor != 0;
        if (settings.showInterfaceDetails) {
            char text[256];
            std::snprintf(text, sizeof text, "Camera Found, \nCAMIO = %6d\nO/S = %4d.%4d\nPID = %s",
                          s.camera->HandleNumber(), major, minor, settings.configuredPid.c_str());
            ShowMessage(50, text);
        }
        s.connected = true;
    } else {
        ShowMessage(50, "USB CAMIO device not found");
        s.connected = false;
    }
    return enumerated;
}

bool DiscoverFilterWheel() {
    DeviceLinkState& s = Link();
    DeviceEnumerator& enumerator = ActiveEnumerator();
    std::vector<EnumeratedInterface> interfaces;
    if (!ListClass(enumerator, InterfaceClass::Hid, interfaces)) return false;
    bool enumerated = false;
    for (const EnumeratedInterface& item : interfaces) {
        if (item.index < 0 || item.index >= kMaxInterfaces) continue;
        enumerated = true;
        if (!PathReadable(item)) return false;
        if (IdAfter(item.path, "vid") != kKorvaneVendorIdText || IdAfter(item.path, "pid") != "0920") continue;
        int error = 0;
        bool denied = false;
        std::unique_ptr<ReportTransport> wheel = enumerator.OpenReport(item.path, error, denied);
        if (!wheel) {
            OpenFailed("Could not open HID Filterwheel device", item.path, error, denied);
            return false;
        }
        s.filterWheel = std::move(wheel);
        s.filterWheelPresent = true;
        State().settings.filterWheelPresent = true;
        // Ask the wheel for its number of positions.
        s.output[0] = 0;
        s.output[1] = 0;
        s.output[2] = 0;
        if (!WriteOn(s.filterWheel.get(), s.output.data(), 3,
                     "Could not write First Block to USB Filterwheel - try rebooting USB device"))
            continue;
        WaitMs(50);
        if (!ReadOn(s.filterWheel.get(), 3, "Error %d trying to read data from USB Filterwheel\n")) continue;
        // A reply too short to hold the count, or a count of 0, says nothing.
        if (s.lastRead >= 3) {
            const int positions = s.input[2];
            Settings& settings = State().settings;
            if (positions >= 1 && positions < settings.filterCount) settings.filterCount = int16_t(positions);
        }
    }
    return enumerated;
}

bool WriteCamera(size_t length) {
    DeviceLinkState& s = Link();
    s.length = std::min(length, kOutputBlockSize);
    return WriteOn(s.camera.get(), s.output.data(), s.length, "Could not write CAMIO Output - try rebooting USB device");
}

bool ReadCamera(size_t length) {
    DeviceLinkState& s = Link();
    s.length = length;
    return ReadOn(s.camera.get(), length, "Error %d trying to read CAMIO data from USB\n");
}

bool WriteFilterWheel(size_t length) {
    DeviceLinkState& s = Link();
    s.length = std::min(length, kOutputBlockSize);
    const bool ok =
        WriteOn(s.filterWheel.get(), s.output.data(), s.length, "Could not write CAMIO Output - try rebooting USB device");
    WaitTenths(1);
    return ok;
}

bool ReadFilterWheel(size_t length) {
    DeviceLinkState& s = Link();
    s.length = length;
    WaitTenths(1);
    return ReadOn(s.filterWheel.get(), length, "Error %d trying to read CAMIO data from USB Filterwheel\n");
}

bool WriteReport(const uint8_t* bytes, size_t count) {
    if (count >= 255) {
        ShowMessage(50, "Maximum ByteCount for WriteUSBdevice is 254");
        return false;
    }
    DeviceLinkState& s = Link();
    uint8_t report[256] = {0};
    if (count) std::memcpy(report + 1, bytes, count);
    TransferResult r;
    TraceBlock('>', "hid", report, count + 1);
    if (s.filterWheel) {
        r = s.filterWheel->Write(report, count + 1);
    } else {
        r.error = 6;
    }
    if (!r.ok) {
        s.lastError = r.error;
        ShowMessage(50, Format("Error %d trying to send command to USB \n", r.error));
        return false;
    }
    return true;
}

bool ReadReport(uint8_t* bytes, size_t count) {
    if (count >= 255) {
        ShowMessage(50, "Maximum ByteCount for ReadUSBdevice is 254");
        return false;
    }
    if (count < 1) {
        ShowMessage(50, "Minimum ByteCount for ReadUSBdevice is 1");
        return false;
    }
    DeviceLinkState& s = Link();
    TransferResult r;
    if (s.filterWheel) {
        r = s.filterWheel->Read(s.input.data(), count + 1);
    } else {
        r.error = 6;
    }
    s.lastRead = std::min(r.bytes, count + 1);
    TraceBlock('<', "hid", s.input.data(), s.lastRead);
    if (!r.ok) {
        s.lastError = r.error;
        ShowMessage(50, "Could not get an Input Report");
        return false;
    }
    std::memcpy(bytes, s.input.data() + 1, count);
    return true;
}

size_t EchoSelfTest() {
    DeviceLinkState& s = Link();
    uint8_t data[4];
    for (uint8_t& b : data) b = uint8_t(std::rand() % 255);
    const Block block = BuildEchoTest(data);
    std::fill(s.output.begin(), s.output.end(), 0);
    std::copy(block.begin(), block.end(), s.output.begin());
    if (!WriteCamera(block.size())) return 0;
    if (!ReadCamera(4)) return s.lastRead;
    char text[128];
    std::snprintf(text, sizeof text, "Read %7d bytes, asked for %7d from USB\n", int(s.lastRead), 4);
    ShowMessage(50, text);
    return s.lastRead;
}

void CloseDevices() {
    DeviceLinkState& s = Link();
    s.camera.reset();
    s.filterWheel.reset();
    s.connected = false;
    s.filterWheelPresent = false;
    s.foundVid.clear();
    s.foundPid.clear();
    s.deviceList = {};
    ResetCameraInfo();
}
