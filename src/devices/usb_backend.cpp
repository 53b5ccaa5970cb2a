// The real USB stack: hidapi lists and opens the HID class (the filter
// wheel), libusb lists and opens devices with a vendor-specific interface
// (the camera driver class).
//
// On the wire a camera write is one vendor OUT control transfer: the setup
// packet carries the header's request type, request, value and index, and
// its data stage the whole block (header and command data, so the camera
// also sees the header's length field, which for the read requests names the
// reply size). A reply is read from the first bulk IN endpoint.
#include <hidapi/hidapi.h>
#include <libusb-1.0/libusb.h>
#include <sys/utsname.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "devices/usb_transport.h"

namespace {

constexpr unsigned kControlTimeoutMs = 5000;
constexpr unsigned kBulkTimeoutMs = 120000;  // a triggered read may wait a long time
constexpr int kHidReadTimeoutMs = 2000;

int ErrnoFromLibusb(int code) {
    switch (code) {
        case LIBUSB_ERROR_IO: return EIO;
        case LIBUSB_ERROR_INVALID_PARAM: return EINVAL;
        case LIBUSB_ERROR_ACCESS: return EACCES;
        case LIBUSB_ERROR_NO_DEVICE: return ENODEV;
        case LIBUSB_ERROR_NOT_FOUND: return ENOENT;
        case LIBUSB_ERROR_BUSY: return EBUSY;
        case LIBUSB_ERROR_TIMEOUT: return ETIMEDOUT;
        case LIBUSB_ERROR_OVERFLOW: return EOVERFLOW;
        case LIBUSB_ERROR_PIPE: return EPIPE;
        case LIBUSB_ERROR_INTERRUPTED: return EINTR;
        case LIBUSB_ERROR_NO_MEM: return ENOMEM;
        case LIBUSB_ERROR_NOT_SUPPORTED: return ENOTSUP;
        default: return EIO;
    }
}

libusb_context* Context() {
    static libusb_context* context = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (libusb_init(&context) != 0) context = nullptr;
    }
    return context;
}

bool HidReady() {
    static int result = hid_init();
    return result == 0;
}

// "kind#vid_xxxx&pid_xxxx#where" -> where.
std::string Where(const std::string& path) {
    const size_t first = path.find('#');
    if (first == std::string::npos) return "";
    const size_t second = path.find('#', first + 1);
    if (second == std::string::npos) return "";
    return path.substr(second + 1);
}

std::optional<std::string> Narrow(const wchar_t* text) {
    if (!text) return std::nullopt;
    std::string out;
    for (const wchar_t* p = text; *p; ++p) out.push_back(char(*p & 0xFF));
    return out;
}

bool HasVendorInterface(libusb_device* device) {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(device, &desc) != 0) return false;
    if (desc.bDeviceClass == LIBUSB_CLASS_VENDOR_SPEC) return true;
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 &&
        libusb_get_config_descriptor(device, 0, &config) != 0)
        return false;
    bool vendor = false;
    for (int i = 0; i < config->bNumInterfaces && !vendor; ++i)
        for (int a = 0; a < config->interface[i].num_altsetting; ++a)
            if (config->interface[i].altsetting[a].bInterfaceClass == LIBUSB_CLASS_VENDOR_SPEC) vendor = true;
    libusb_free_config_descriptor(config);
    return vendor;
}

std::string DeviceWhere(libusb_device* device) {
    char where[32];
    std::snprintf(where, sizeof where, "%03u-%03u", unsigned(libusb_get_bus_number(device)),
                  unsigned(libusb_get_device_address(device)));
    return where;
}

class LibusbCamera : public CameraTransport {
public:
    LibusbCamera(libusb_device_handle* handle, int interfaceNumber, uint8_t inEndpoint, uint16_t vid, uint16_t pid)
        : handle_(handle), interface_(interfaceNumber), in_(inEndpoint), vid_(vid), pid_(pid) {}
    ~LibusbCamera() override {
        libusb_release_interface(handle_, interface_);
        libusb_close(handle_);
    }
    TransferResult Write(const uint8_t* data, size_t count) override {
        TransferResult r;
        if (count < 8) {
            r.error = EINVAL;
            return r;
        }
        const uint16_t value = uint16_t(data[2] | (data[3] << 8));
        const uint16_t index = uint16_t(data[4] | (data[5] << 8));
        const int n = libusb_control_transfer(handle_, data[0], data[1], value, index, const_cast<uint8_t*>(data),
                                              uint16_t(count), kControlTimeoutMs);
        if (n < 0) {
            r.error = ErrnoFromLibusb(n);
            return r;
        }
        r.bytes = size_t(n);
        r.ok = r.bytes == count;
        if (!r.ok) r.error = EIO;
        return r;
    }
    TransferResult Read(uint8_t* data, size_t count) override {
        TransferResult r;
        int transferred = 0;
        const int rc = libusb_bulk_transfer(handle_, in_, data, int(count), &transferred, kBulkTimeoutMs);
        r.bytes = size_t(transferred > 0 ? transferred : 0);
        if (rc != 0) {
            r.error = ErrnoFromLibusb(rc);
            return r;
        }
        r.ok = true;
        return r;
    }
    InterfaceIdentity Identity() override {
        InterfaceIdentity id;
        id.vid = vid_;
        id.pid = pid_;
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(libusb_get_device(handle_), &desc) == 0) {
            unsigned char text[256];
            if (desc.iManufacturer &&
                libusb_get_string_descriptor_ascii(handle_, desc.iManufacturer, text, sizeof text) > 0)
                id.manufacturer = reinterpret_cast<char*>(text);
            if (desc.iProduct && libusb_get_string_descriptor_ascii(handle_, desc.iProduct, text, sizeof text) > 0)
                id.product = reinterpret_cast<char*>(text);
        }
        return id;
    }
    int HandleNumber() const override { return int(libusb_get_device_address(libusb_get_device(handle_))); }

private:
    libusb_device_handle* handle_;
    int interface_;
    uint8_t in_;
    uint16_t vid_, pid_;
};

class HidWheel : public ReportTransport {
public:
    HidWheel(hid_device* device, uint16_t vid, uint16_t pid) : device_(device), vid_(vid), pid_(pid) {}
    ~HidWheel() override { hid_close(device_); }
    TransferResult Write(const uint8_t* data, size_t count) override {
        TransferResult r;
        const int n = hid_write(device_, data, count);
        if (n < 0) {
            r.error = EIO;
            return r;
        }
        r.bytes = size_t(n);
        r.ok = true;
        return r;
    }
    TransferResult Read(uint8_t* data, size_t count) override {
        TransferResult r;
        if (count == 0) {
            r.ok = true;
            return r;
        }
        data[0] = 0;  // unnumbered reports: report number 0
        const int n = hid_read_timeout(device_, data + 1, count - 1, kHidReadTimeoutMs);
        if (n < 0) {
            r.error = EIO;
            return r;
        }
        if (n == 0 && count > 1) {
            r.error = ETIMEDOUT;
            return r;
        }
        r.bytes = size_t(n) + 1;
        r.ok = true;
        return r;
    }
    InterfaceIdentity Identity() override {
        InterfaceIdentity id;
        id.vid = vid_;
        id.pid = pid_;
        wchar_t text[256];
        if (hid_get_manufacturer_string(device_, text, 255) == 0) id.manufacturer = Narrow(text);
        if (hid_get_product_string(device_, text, 255) == 0) id.product = Narrow(text);
        return id;
    }

private:
    hid_device* device_;
    uint16_t vid_, pid_;
};

class RealUsbEnumerator : public DeviceEnumerator {
public:
    bool List(InterfaceClass cls, std::vector<EnumeratedInterface>& out) override {
        out.clear();
        if (cls == InterfaceClass::Hid) {
            if (!HidReady()) return false;
            hid_device_info* all = hid_enumerate(0, 0);
            int index = 0;
            for (hid_device_info* d = all; d; d = d->next) {
                EnumeratedInterface e;
                e.index = index++;
                e.pathReadable = d->path != nullptr;
                if (d->path) e.path = MakeDevicePath("hid", d->vendor_id, d->product_id, d->path);
                out.push_back(e);
            }
            hid_free_enumeration(all);
            return true;
        }
        libusb_context* context = Context();
        if (!context) return false;
        libusb_device** devices = nullptr;
        const ssize_t count = libusb_get_device_list(context, &devices);
        if (count < 0) return false;
        int index = 0;
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_descriptor desc{};
            if (libusb_get_device_descriptor(devices[i], &desc) != 0) continue;
            if (!HasVendorInterface(devices[i])) continue;
            EnumeratedInterface e;
            e.index = index++;
            e.path = MakeDevicePath("usb", desc.idVendor, desc.idProduct, DeviceWhere(devices[i]));
            out.push_back(e);
        }
        libusb_free_device_list(devices, 1);
        return true;
    }

    std::unique_ptr<CameraTransport> OpenCamera(const std::string& path, int& error,
                                                bool& permissionDenied) override {
        error = ENODEV;
        permissionDenied = false;
        if (path.rfind("hid#", 0) == 0) return nullptr;  // the camera answers on its own driver interface
        libusb_context* context = Context();
        if (!context) return nullptr;
        const std::string where = Where(path);
        libusb_device** devices = nullptr;
        const ssize_t count = libusb_get_device_list(context, &devices);
        if (count < 0) return nullptr;
        std::unique_ptr<CameraTransport> result;
        for (ssize_t i = 0; i < count && !result; ++i) {
            if (DeviceWhere(devices[i]) != where) continue;
            libusb_device_descriptor desc{};
            libusb_get_device_descriptor(devices[i], &desc);
            libusb_device_handle* handle = nullptr;
            const int rc = libusb_open(devices[i], &handle);
            if (rc != 0) {
                error = ErrnoFromLibusb(rc);
                permissionDenied = rc == LIBUSB_ERROR_ACCESS;
                break;
            }
            libusb_set_auto_detach_kernel_driver(handle, 1);
            // The first interface with a bulk IN endpoint.
            int interfaceNumber = -1;
            uint8_t in = 0;
            libusb_config_descriptor* config = nullptr;
            if (libusb_get_active_config_descriptor(devices[i], &config) == 0) {
                for (int k = 0; k < config->bNumInterfaces && interfaceNumber < 0; ++k) {
                    const libusb_interface_descriptor& alt = config->interface[k].altsetting[0];
                    for (int e = 0; e < alt.bNumEndpoints; ++e) {
                        const libusb_endpoint_descriptor& ep = alt.endpoint[e];
                        if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_IN) &&
                            (ep.bmAttributes & 3) == LIBUSB_TRANSFER_TYPE_BULK) {
                            interfaceNumber = alt.bInterfaceNumber;
                            in = ep.bEndpointAddress;
                            break;
                        }
                    }
                }
                libusb_free_config_descriptor(config);
            }
            if (interfaceNumber < 0) {
                libusb_close(handle);
                error = ENOENT;
                break;
            }
            const int claim = libusb_claim_interface(handle, interfaceNumber);
            if (claim != 0) {
                error = ErrnoFromLibusb(claim);
                permissionDenied = claim == LIBUSB_ERROR_ACCESS;
                libusb_close(handle);
                break;
            }
            result = std::make_unique<LibusbCamera>(handle, interfaceNumber, in, desc.idVendor, desc.idProduct);
            error = 0;
        }
        libusb_free_device_list(devices, 1);
        return result;
    }

    std::unique_ptr<ReportTransport> OpenReport(const std::string& path, int& error,
                                                bool& permissionDenied) override {
        permissionDenied = false;
        error = ENODEV;
        if (!HidReady()) return nullptr;
        const std::string where = Where(path);
        hid_device* device = hid_open_path(where.c_str());
        if (!device) {
            // hidapi does not tell why; an existing node we may not open is a permission problem.
            permissionDenied = true;
            error = EACCES;
            return nullptr;
        }
        uint16_t vid = 0, pid = 0;
        const size_t v = path.find("vid_"), p = path.find("pid_");
        if (v != std::string::npos) vid = uint16_t(std::strtoul(path.substr(v + 4, 4).c_str(), nullptr, 16));
        if (p != std::string::npos) pid = uint16_t(std::strtoul(path.substr(p + 4, 4).c_str(), nullptr, 16));
        error = 0;
        return std::make_unique<HidWheel>(device, vid, pid);
    }

    std::pair<int, int> SystemVersion() override {
        utsname name{};
        if (uname(&name) != 0) return {0, 0};
        int major = 0, minor = 0;
        std::sscanf(name.release, "%d.%d", &major, &minor);
        return {major, minor};
    }
};

}  // namespace

DeviceEnumerator& UsbEnumerator() {
    static RealUsbEnumerator enumerator;
    return enumerator;
}
