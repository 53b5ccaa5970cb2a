// The camera session: the requests the exposure sequence, the camera dialog,
// the guider and the telescope code send, each one block out and at most one
// reply in, over the process-wide connection (devices/transport.h). The
// connection opens at first use (OpenCamera) and stays open until
// CloseDevices(). Failures show the transport's messages and return false;
// the caller carries on with what the input block holds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "devices/camera_protocol.h"

// Connects when no camera is connected: camera discovery, then filter wheel
// discovery unless a USB wheel is already open. Returns the connected flag
// (no message of its own; the caller shows "Sorry, No camera found on USB").
bool OpenCamera();

// What the session learnt from the camera.
struct CameraInfo {
    bool firmwareKnown = false;
    FirmwareVersion firmware;
    std::string firmwareText;       // "%d.%d"
    bool coolerSupported = true;    // switched off for good by an old firmware or model 7
    int temperatureC = 0;           // last cooler reading
    int setPointC = 0;              // last set point sent
};
CameraInfo& Camera();

// GetFirmwareVersion: reads the version and applies the cooler switch-off
// rule for the current model. False when the transfer failed.
bool QueryFirmwareVersion();
// The cooler request (30, or 31 when the cooler is off and maximumCooling is
// on) and its reply; the temperature lands in Camera().temperatureC and is
// returned in `temperatureC`. Does nothing and returns false when the cooler
// is not supported.
bool SetCooler(int setPointC, bool coolerOn, bool maximumCooling, int* temperatureC = nullptr);
// GetCoolerTemperature (31) alone.
bool ReadCoolerTemperature(int* temperatureC = nullptr);

// Echo: one byte out, one byte back.
bool Echo();
// ClearPixels with value 8 or 0 (no reply). The simulated camera starts a
// host-timed exposure at ClearPixels 0.
bool ClearPixels(uint16_t value);
// ShutterControl open/close (model 5), 2-byte reply.
bool Shutter(bool open);

// The exposure read of head 0: picks request 2, 3 or 18 from frame.exposureMs
// and `trigger` (see ReadRequestFor), sends it and reads the whole frame into
// the input block in one transfer. darkShutter: value 0x8003 on the
// camera-timed read (model 5 dark frames). Returns the bytes read; false
// (with *bytesRead possibly short) on a failed transfer.
bool ReadExposure(const FrameRequest& frame, bool trigger, bool darkShutter = false, size_t* bytesRead = nullptr);
// A plain request 3 read of any head and window (binned, sub-frame, focus,
// guider reads) into the input block.
bool ReadFrame(const FrameRequest& frame, size_t* bytesRead = nullptr);
// The frame bytes in the input block (valid after a read).
const uint8_t* FrameBytes();

// Guider head reads (head 1, 500 x 290 or 376 x 290, bin 1 or 2).
int GuiderWidth(char guiderType);    // 500 for 's', 376 for the other guider
inline constexpr int kGuiderRows = 290;
// The one-row read (width 500, height 1, head 1, bin 1) that starts the
// guider integration.
bool StartGuiderIntegration();
// Reads a guider frame and expands it into `out` (500 x 290 pixels, 16-bit):
// unbinned every byte becomes byte << 8; binned the quarter-size picture is
// spread back. `exposureMs` goes into the exposure bytes. The rows are laid
// out at the full guider width of `width` pixels.
bool ReadGuiderFrame(char guiderType, bool binned, uint32_t exposureMs, uint16_t* out);
// The read alone: the head's bytes in the input block, one per pixel, a
// quarter of the frame (width / 2 x 145) when binned.
bool ReadGuiderBytes(char guiderType, bool binned, uint32_t exposureMs);

// The sensor flush: ClearPixels 8, ClearPixels 0, Echo, a full-sensor 4 x 4
// read, Echo, the same read again (sensor size from the current geometry).
bool FlushSensor(int sensorWidth, int sensorHeight);

// SetGuideOutputs: the relay bit pattern (bit 0 west, 1 south, 2 north,
// 3 east); 0 releases all.
bool SetGuideOutputs(uint8_t bits);

// Camera serial ports (index 0 or 1). WriteSerialPort sends `count` bytes of
// text (at most 56, what fits the output block).
bool WriteSerialPort(int port, const uint8_t* text, size_t count);
bool WriteSerialPort(int port, const std::string& text);
// ReadSerialPort: asks for `count` bytes and reads them into the input block;
// `reply` gets the bytes that arrived.
bool ReadSerialPort(int port, size_t count, std::string* reply);
// A 33-byte read returned up to the first '#'.
bool ReadSerialText(int port, std::string* text);
// The telescope's slew answer: 1 byte first; "0" means no answer (returns
// "0"); otherwise the 33-byte answer up to '#'.
bool ReadSlewAnswer(int port, std::string* text);

// Resets the session record (tests; CloseDevices does it too).
void ResetCameraInfo();
