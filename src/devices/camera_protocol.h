// The camera's command blocks and reply decoders. Pure functions: no I/O,
// no globals. A block is the 8-byte setup header (request type 0x40, request,
// value, index, length; little-endian) followed by the command data; the
// `Block` holds exactly the bytes that are written.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Block = std::vector<uint8_t>;

inline constexpr uint8_t kRequestType = 0x40;

// Request codes.
enum CameraRequest : uint8_t {
    kEcho = 0,
    kClearPixels = 1,
    kReadPixelsDelayed = 2,
    kReadPixels = 3,
    kSetGuideOutputs = 9,
    kWriteSerialPort = 10,
    kReadSerialPort = 11,
    kReadPixelsTriggered = 18,
    kSetCooler = 30,
    kGetCoolerTemperature = 31,
    kShutterControl = 32,
    kGetFirmwareVersion = 255,
};

// Reply sizes of the short requests.
inline constexpr size_t kEchoReply = 1;
inline constexpr size_t kCoolerReply = 3;
inline constexpr size_t kShutterReply = 2;
inline constexpr size_t kFirmwareReply = 4;

// Relay output bits of SetGuideOutputs.
inline constexpr uint8_t kRelayWest = 1;
inline constexpr uint8_t kRelaySouth = 2;
inline constexpr uint8_t kRelayNorth = 4;
inline constexpr uint8_t kRelayEast = 8;

// The setup header fields of a block (for decoders, the simulator and tests).
struct SetupHeader {
    uint8_t type = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
};
// Reads the header of a block of at least 8 bytes.
SetupHeader ParseHeader(const uint8_t* block);
// An 8-byte header.
Block MakeHeader(uint8_t request, uint16_t value, uint16_t index, uint16_t length);

// The frame-read parameters: window on the sensor (unbinned pixels),
// binning, the exposure for camera-timed reads and the head.
struct FrameRequest {
    uint16_t xOffset = 0;
    uint16_t yOffset = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t xBin = 1;
    uint8_t yBin = 1;
    uint32_t exposureMs = 0;  // only the low 16 bits travel (data bytes 10-11)
    uint16_t head = 0;        // 0 main, 1 guider
};
// The 14-byte parameter block (bytes 12-13 are always 0).
void PutParameters(uint8_t* data, const FrameRequest& frame);
FrameRequest ParseParameters(const uint8_t* data);

// Bytes the camera returns for a frame: (width / xBin) x (height / yBin)
// pixels, 2 bytes each for head 0, 1 byte for head 1.
size_t FrameReplyBytes(const FrameRequest& frame);

// The choice among requests 2, 3 and 18 for an exposure of E ms: the camera
// times it when E <= 1000, or when the trigger flag is set and E < 6001
// (request 18 with the trigger, else 2; length 14, exposure bytes = E);
// otherwise the host has timed it (request 3, length 10, exposure bytes 0).
bool CameraTimesExposure(uint32_t exposureMs, bool trigger);
uint8_t ReadRequestFor(uint32_t exposureMs, bool trigger);

// Builders. Each returns exactly the bytes written.
Block BuildEcho(uint8_t data = 0);                  // 9 bytes, reply 1
// The echo self-test block: 12 bytes, length field 4, four data bytes.
Block BuildEchoTest(const uint8_t data[4]);
Block BuildClearPixels(uint16_t value);             // value 8 or 0; 8 bytes
// The exposure read of the main head: request 2/18 (22 bytes, value 3 or
// 0x8003 when darkShutter) or 3 (18 bytes, exposure bytes 0). darkShutter is
// only honoured on the camera-timed read.
Block BuildExposureRead(FrameRequest frame, bool trigger, bool darkShutter = false);
// A plain request 3 read (value 3) of any head: 18 bytes; the exposure bytes
// are filled from frame.exposureMs but only the 18 bytes are sent.
Block BuildReadPixels(const FrameRequest& frame);
Block BuildSetGuideOutputs(uint8_t bits);           // 8 bytes
Block BuildWriteSerialPort(uint16_t port, const uint8_t* text, size_t count);  // 8 + count
Block BuildReadSerialPort(uint16_t port, uint16_t count);  // 8 bytes, reply count
// Cooler: request 30 with value T * 10 + 2730 and index 1/0 (cooler on/off);
// request 31 when the cooler is off and maximum cooling is on. 8 bytes,
// reply 3.
Block BuildSetCooler(int setPointC, bool coolerOn, bool maximumCooling);
Block BuildGetCoolerTemperature();
// Shutter: open puts 64, close 128 in the value's high byte. 8 bytes, reply 2.
Block BuildShutterControl(bool open);
Block BuildGetFirmwareVersion();                    // 8 bytes, reply 4
// The serial filter wheel's 4 bytes for position n: 0xA5 0x01 n 0xA6+n.
std::vector<uint8_t> SerialFilterWheelBytes(int position);

// Decoders.
// Cooler reply: unsigned 16-bit R in bytes 0-1; (R - 2730) / 10, truncating.
int DecodeTemperature(const uint8_t* reply);
// Set point in tenths of a kelvin.
uint16_t CoolerValue(int setPointC);

struct FirmwareVersion {
    int a = 0;  // bytes 0-1
    int b = 0;  // bytes 2-3
};
FirmwareVersion DecodeFirmware(const uint8_t* reply);
// "%d.%d" with B first, then A.
std::string FirmwareText(const FirmwareVersion& version);
// False when A < 11 or the model is 7: the cooler is not offered.
bool CoolerSupported(const FirmwareVersion& version, int model);

// A serial reply of 33 bytes copied up to the first '#' (at most 33 bytes).
std::string SerialReplyText(const uint8_t* reply, size_t count);

// Guider frames: 8-bit bytes become 16-bit pixels (byte in the high half).
// Unbinned: width x height bytes into width x height pixels.
void ExpandGuiderFrame(const uint8_t* bytes, int width, int height, uint16_t* out);
// Binned: a (width/2) x (height/2) picture spread back to width x height:
// every even row, each received byte fills one pixel and the next pixel gets
// the mean of it and the following byte; every odd row is the mean of the
// rows above and below (the last odd row repeats the row above).
void SpreadBinnedGuiderFrame(const uint8_t* bytes, int width, int height, uint16_t* out);
