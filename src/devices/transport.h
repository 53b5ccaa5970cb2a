// The process-wide connection to the camera and the filter wheel: the shared
// output and input blocks, the open handles, discovery and the raw transfers.
// Everything above (camera requests, filter wheel) builds a block in the
// output block, names a length and calls one write or one read. Every failure
// is shown through the message table (code 50 with the formatted text) and
// leaves the handles as they are; nothing is retried.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/usb_transport.h"

// Sizes of the shared blocks.
inline constexpr size_t kOutputBlockSize = 64;
inline constexpr size_t kInputBlockSize = 2 * 16'085'120;  // a full frame of the largest sensor
inline constexpr int kMaxInterfaces = 20;                   // interface indexes 0..19
inline constexpr size_t kMaxReportCount = 254;

// One entry of the device list filled by camera discovery (diagnostics only).
struct DeviceListEntry {
    bool used = false;
    std::string path;
    uint16_t vid = 0;
    uint16_t pid = 0;
    std::string manufacturer;  // "- not present -" when it cannot be read
    std::string product;
    int model = 0;             // camera model the PID maps to (0: none)
};

struct DeviceLinkState {
    // Bytes 0-7 the setup header, 8.. the command data.
    std::array<uint8_t, kOutputBlockSize> output{};
    // Every read lands here from byte 0 (report reads: byte 0 = report number).
    std::vector<uint8_t> input;
    // Bytes to write or to read; bytes that arrived in the last read.
    size_t length = 0;
    size_t lastRead = 0;
    bool connected = false;           // a camera handle was obtained
    bool filterWheelPresent = false;  // a USB filter wheel was opened
    bool oldSystemFlag = false;       // system major version 4 with a non-zero minor
    std::string foundVid, foundPid;   // four characters each, as in the path
    std::string configuredVid = kKorvaneVendorIdText;
    std::array<DeviceListEntry, kMaxInterfaces> deviceList{};
    std::unique_ptr<CameraTransport> camera;
    std::unique_ptr<ReportTransport> filterWheel;
    int lastError = 0;                // system error number of the last failed transfer
};

// The one connection of the process (the input block is allocated on first use).
DeviceLinkState& Link();
// The output block and the input block, for callers that build or decode.
uint8_t* OutputBlock();
const uint8_t* InputBlock();
uint8_t* MutableInputBlock();
// True while a camera is connected.
bool CameraConnected();

// Camera discovery: HID class, then the camera driver class, indexes 0..19;
// the matching rules on configured VID/PID, auto-detect ("Ignore Camera
// VID/PID"), PID 920 and 0507, the PID -> model map with "Set Camera Type",
// and the "Camera Found" / "USB CAMIO device not found" notices. True when at
// least one interface was enumerated (false after "Could not attach to PnP
// node" or an open failure). Sets the connected flag.
bool DiscoverCamera();
// Filter wheel discovery: HID class, VID 4b56 and PID 0920 fixed. Opens the
// wheel, asks for its positions and lowers the configured filter count to
// them. True when at least one interface was enumerated.
bool DiscoverFilterWheel();

// The camera model a discovered PID (four hex-digit text, read as a decimal
// number) maps to; 0 when none (PID 920 and unknown PIDs).
int ModelForPid(const std::string& pid);

// Raw camera transfers of the first `length` bytes of the output block / into
// the input block. False on failure (after the message).
bool WriteCamera(size_t length);
bool ReadCamera(size_t length);
// The same on the filter wheel, with a 100 ms live wait after each write and
// before each read.
bool WriteFilterWheel(size_t length);
bool ReadFilterWheel(size_t length);

// Generic report transfer: at most 254 bytes. WriteReport sends report number
// 0 followed by the bytes (count + 1 in all); ReadReport reads count + 1 bytes
// and copies all but the report number to `bytes`. False after the limit
// message or a failed transfer.
bool WriteReport(const uint8_t* bytes, size_t count);
bool ReadReport(uint8_t* bytes, size_t count);

// The echo self-test: Echo with 4 pseudo-random data bytes in a 12-byte
// block, then a 4-byte read; shows "Read %7d bytes, asked for %7d from USB\n"
// (or the read error). Returns the number of bytes read.
size_t EchoSelfTest();

// Closes every handle and clears the connected and present flags; called when
// the main window is destroyed (and by tests between cases).
void CloseDevices();
