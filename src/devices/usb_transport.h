// The seams between the device code and the system's USB stack. The camera
// and the filter wheel are reached through three small interfaces; the real
// program plugs in libusb (camera) and hidapi (filter wheel), the simulator
// (devices/sim) and the tests plug in their own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Korvane's USB vendor id, shared by every camera and the filter wheel.
inline constexpr uint16_t kKorvaneVendorId = 0x4B56;
// The same, as the four lower-case hex digits a device path spells.
inline constexpr const char* kKorvaneVendorIdText = "4b56";
// The filter wheel's product id.
inline constexpr uint16_t kFilterWheelProductId = 0x0920;

// The outcome of one transfer. ok = false carries the system error number in
// `error` (shown as %d in the messages); `bytes` is what actually moved.
struct TransferResult {
    bool ok = false;
    size_t bytes = 0;
    int error = 0;
};

// What an opened interface tells about itself for the device list. A text
// that cannot be read is nullopt (the list shows "- not present -").
struct InterfaceIdentity {
    uint16_t vid = 0;
    uint16_t pid = 0;
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;
};

// One open device interface. Writes and reads are blocking and never retried.
class DeviceLink {
public:
    virtual ~DeviceLink() = default;
    // Sends `count` bytes in one operation.
    virtual TransferResult Write(const uint8_t* data, size_t count) = 0;
    // Asks for `count` bytes in one operation; what arrives lands at `data`.
    virtual TransferResult Read(uint8_t* data, size_t count) = 0;
    virtual InterfaceIdentity Identity() = 0;
    // A small number that stands for the handle in the "Camera Found" notice.
    virtual int HandleNumber() const { return 0; }
};

// The camera: a write is one vendor request, the 8-byte setup header
// (request type 0x40, request, value, index, length) followed by the command
// data; a read collects the reply from the camera's bulk IN endpoint.
class CameraTransport : public DeviceLink {};

// The filter wheel: HID reports. A write sends byte 0 (the report number)
// followed by the report data; a read returns the report number in byte 0 and
// the data from byte 1.
class ReportTransport : public DeviceLink {};

// The two interface classes searched for the camera, in this order: the HID
// class, then the camera driver's own class (vendor-specific USB interfaces).
// The filter wheel is searched in the HID class only.
enum class InterfaceClass { Hid, CameraDriver };

// One entry of an interface class: its index (0..19 are looked at) and its
// device path, in which "vid_" and "pid_" each followed by four lower-case
// hex digits appear. pathReadable = false when the system lists the index
// but cannot name its path.
struct EnumeratedInterface {
    int index = 0;
    std::string path;
    bool pathReadable = true;
};

// Lists device interfaces by class and opens them by path.
class DeviceEnumerator {
public:
    virtual ~DeviceEnumerator() = default;
    // The interfaces of a class, in index order. Returns false when the
    // class's device set cannot be opened at all.
    virtual bool List(InterfaceClass cls, std::vector<EnumeratedInterface>& out) = 0;
    // Opens a path found by List. nullptr on failure; `error` then holds the
    // system error number (permissionDenied: the user may not open USB
    // devices, which the udev rule of the README fixes).
    virtual std::unique_ptr<CameraTransport> OpenCamera(const std::string& path, int& error,
                                                        bool& permissionDenied) = 0;
    virtual std::unique_ptr<ReportTransport> OpenReport(const std::string& path, int& error,
                                                        bool& permissionDenied) = 0;
    // The operating system's major and minor version (for the "Camera Found"
    // notice and the version flag).
    virtual std::pair<int, int> SystemVersion() { return {5, 1}; }
    // Told by camera discovery, before it lists the interfaces, which camera
    // the settings name (configured PID and model code). True asks discovery
    // to take the camera on offer whatever PID is configured, as with "Ignore
    // Camera VID/PID" (the simulator when VELMORA_SIM_MODEL picks a model).
    virtual bool PrepareCameraDiscovery(const std::string& /*configuredPid*/, int /*configuredModel*/) {
        return false;
    }
};

// Builds the device path of an interface: "<kind>#vid_xxxx&pid_xxxx#<where>",
// with the ids as four lower-case hex digits.
std::string MakeDevicePath(const std::string& kind, uint16_t vid, uint16_t pid, const std::string& where);

// The enumerator in force. At first use it is chosen once: the simulator when
// VELMORA_SIMULATE is "1" (velmora --simulate and velmora-cli --simulate set
// it), otherwise the real USB stack (libusb + hidapi).
DeviceEnumerator& ActiveEnumerator();
// Installs an enumerator (tests, the simulator); nullptr returns to the
// automatic choice. Returns the previous one (nullptr when it was automatic).
// Does not close open devices: call CloseDevices() first.
DeviceEnumerator* InstallEnumerator(DeviceEnumerator* enumerator);
// True when VELMORA_SIMULATE asks for the simulator.
bool SimulationRequested();
// The real USB stack's enumerator (libusb for the camera driver class, hidapi
// for the HID class).
DeviceEnumerator& UsbEnumerator();
