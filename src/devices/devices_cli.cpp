// velmora-cli devices [--simulate]: what discovery finds.
// velmora-cli camera-info [--simulate]: firmware version, cooler, temperature.
// velmora-cli echo-test [--simulate]: the USB echo self-test.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/camera_models.h"
#include "core/cli.h"
#include "settings/cli_support.h"
#include "core/messages.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/transport.h"
#include "devices/usb_transport.h"

namespace {

std::string IdText(const std::string& path, const char* key) {
    const size_t at = path.find(key);
    if (at == std::string::npos || at + 8 > path.size()) return "????";
    return path.substr(at + 4, 4);
}

std::string ModelText(int model) {
    if (model == 0) return "-";
    const CameraModel* m = FindCameraModel(model);
    return std::to_string(model) + (m ? std::string(" (") + m->name + ")" : std::string());
}

void TakeSimulateFlag(CliArgs& args) {
    if (TakeFlag(args, "--simulate")) setenv("VELMORA_SIMULATE", "1", 1);
}

// Connects to the camera for a command; false (after "Sorry, No camera found
// on USB") when there is none. The discovery notices are information only.
bool ConnectCamera(const CliArgs& input) {
    CliArgs args = input;
    TakeSimulateFlag(args);
    if (!OpenCamera()) {
        ShowMessage(50, "Sorry, No camera found on USB");
        CloseDevices();
        return false;
    }
    TakeShownMessage();
    return true;
}

int RunDevices(const CliArgs& input) {
    CliArgs args = input;
    TakeSimulateFlag(args);
    DeviceEnumerator& enumerator = ActiveEnumerator();
    std::printf("Backend: %s\n", SimulationRequested() ? "simulator" : "USB (libusb, hidapi)");
    bool listed = true;
    for (InterfaceClass cls : {InterfaceClass::Hid, InterfaceClass::CameraDriver}) {
        std::vector<EnumeratedInterface> interfaces;
        const char* name = cls == InterfaceClass::Hid ? "HID" : "Camera driver";
        if (!enumerator.List(cls, interfaces)) {
            std::printf("%s class: cannot be listed\n", name);
            listed = false;
            continue;
        }
        std::printf("%s class: %zu interface(s)\n", name, interfaces.size());
        for (const EnumeratedInterface& item : interfaces) {
            if (!item.pathReadable) {
                std::printf("  %2d  (no path)\n", item.index);
                continue;
            }
            const std::string vid = IdText(item.path, "vid_");
            const std::string pid = IdText(item.path, "pid_");
            std::string what = "-";
            if (vid == kKorvaneVendorIdText) {
                if (pid == "0920")
                    what = "filter wheel";
                else if (const int model = ModelForPid(pid))
                    what = "camera model " + ModelText(model);
                else
                    what = "Korvane device";
            }
            std::printf("  %2d  %s  VID %s  PID %s  %s%s\n", item.index, item.path.c_str(), vid.c_str(),
                        pid.c_str(), what.c_str(), item.index >= kMaxInterfaces ? "  (beyond index 19, not used)" : "");
        }
    }
    const bool connected = OpenCamera();
    const DeviceLinkState& link = Link();
    if (connected) {
        for (const DeviceListEntry& e : link.deviceList) {
            if (!e.used) continue;
            std::printf("Camera: %s  VID %04x  PID %04x  model %s\n  Manufacturer: %s\n  Product: %s\n",
                        e.path.c_str(), e.vid, e.pid, ModelText(State().geometry.modelCode).c_str(),
                        e.manufacturer.c_str(), e.product.c_str());
        }
    } else {
        std::printf("Camera: none\n");
    }
    if (link.filterWheelPresent)
        std::printf("Filter wheel: present, %d filter(s) configured\n", int(State().settings.filterCount));
    else
        std::printf("Filter wheel: none\n");
    TakeShownMessage();
    CloseDevices();
    return connected && listed ? 0 : 1;
}

int RunCameraInfo(const CliArgs& input) {
    if (!ConnectCamera(input)) return 1;
    int status = 0;
    if (QueryFirmwareVersion()) {
        std::printf("Firmware version: %s\n", Camera().firmwareText.c_str());
    } else {
        std::printf("Firmware version: unknown\n");
        status = 1;
    }
    std::printf("Camera model: %s\n", ModelText(State().geometry.modelCode).c_str());
    if (Camera().coolerSupported) {
        int t = 0;
        std::printf("Cooler: supported\n");
        if (ReadCoolerTemperature(&t))
            std::printf("Temperature: %d C\n", t);
        else
            status = 1;
    } else {
        std::printf("Cooler: not supported\n");
    }
    if (TakeShownMessage()) status = 1;
    CloseDevices();
    return status;
}

int RunEchoTest(const CliArgs& input) {
    if (!ConnectCamera(input)) return 1;
    const size_t got = EchoSelfTest();  // shows "Read ... bytes, asked for ..." or the read error
    TakeShownMessage();
    CloseDevices();
    return got == 4 ? 0 : 1;
}

const bool registeredDevices = RegisterCliCommand({"devices", "[--simulate]", RunDevices});
const bool registeredCameraInfo = RegisterCliCommand({"camera-info", "[--simulate]", RunCameraInfo});
const bool registeredEchoTest = RegisterCliCommand({"echo-test", "[--simulate]", RunEchoTest});

}  // namespace
