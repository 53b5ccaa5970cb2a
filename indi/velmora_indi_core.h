// The INDI driver's rules that need no INDI: which read-out mode a binning
// asks for, which frames the camera can read, when a host-timed exposure
// clears its registers and ends, the relay bits of timed guide pulses, and the
// reads themselves over the program's own device and read-out code. The INDI
// layer (velmora_ccd.cpp) only turns properties into these calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/readout.h"
#include "platform/platform.h"

namespace velmora_indi {

// Binnings offered: 1, 2, 3, 4 and 8 on both axes alike.
// The exposure mode of a binning pair; 0 when the camera has no such mode.
int ModeForBinning(int hor, int ver);
// "Sorry, binning 2x3 is not available: use 1x1, 2x2, 3x3, 4x4 or 8x8".
std::string BinningRefusal(int hor, int ver);

// A frame in unbinned sensor pixels (what CCD_FRAME holds).
struct SensorFrame {
    int x = 0, y = 0, width = 0, height = 0;
};
// True when the frame lies on the sensor and holds at least one binned pixel.
bool FrameFits(const SensorFrame& frame, int bin, int sensorW, int sensorH);
// The whole sensor?
bool IsFullFrame(const SensorFrame& frame, int sensorW, int sensorH);
// The window to read for a frame at a binning mode: the mode's own window for
// the whole sensor (3 x 3 trims the sensor to whole binned pixels); a
// sub-frame is trimmed to whole binned pixels the same way.
ReadWindow CaptureWindow(int mode, const SensorFrame& frame, int sensorW, int sensorH);
// The assembly mode of a read: sub-frames at 1 x 1 are the user sub-frame
// (no column-pair correction, which needs the sensor's first columns).
int AssemblyMode(int mode, bool fullFrame);

// The timing of one main-camera exposure on the host's clock. The camera
// times exposures of 1 s or less itself inside the read request; longer ones
// run on the host, which clears the registers on the program's schedule and
// sends the read at the end.
class ExposureClock {
public:
    enum class Due { Wait, RegisterClear, ReadOut };
    void Start(uint32_t nowMs, int32_t exposureMs, bool trigger = false);
    bool HostTimed() const { return hostTimed_; }
    int32_t ExposureMs() const { return exposureMs_; }
    // What is due at nowMs. A register clear moves the next one 2005 ms on.
    Due Step(uint32_t nowMs);
    // Milliseconds until the next step (0: now).
    uint32_t NextStepMs(uint32_t nowMs) const;
    double SecondsLeft(uint32_t nowMs) const;

private:
    bool hostTimed_ = false;
    int32_t exposureMs_ = 0;
    uint32_t startMs_ = 0;
    uint32_t endMs_ = 0;
    uint32_t clearMs_ = 0;
};

// The camera's relay outputs for timed guide pulses: one pulse per axis at a
// time; a new pulse on an axis replaces the one running, the other axis goes
// on.
enum class GuideAxis { NorthSouth, WestEast };
enum class GuideDirection { North, South, East, West };
GuideAxis AxisOf(GuideDirection direction);
class GuideRelays {
public:
    // The relay bits with the direction's relay held.
    uint8_t Start(GuideDirection direction);
    // The relay bits with the axis released.
    uint8_t Stop(GuideAxis axis);
    uint8_t Bits() const { return bits_; }

private:
    uint8_t bits_ = 0;
};

// Records the program's messages instead of showing boxes; the driver hands
// them to INDI as the message of the property whose operation caused them.
class MessageRecorder : public MessageSink {
public:
    int Show(const std::string& caption, const std::string& text, MessageIcon icon) override;
    // The texts recorded since the last Take, and clears them.
    std::vector<std::string> Take();
    bool Empty() const { return texts_.empty(); }

private:
    std::vector<std::string> texts_;
};
// The texts joined into one INDI message (line ends trimmed, " / " between).
std::string JoinMessages(const std::vector<std::string>& texts);

// Device operations over the program's device layer. Each returns false after
// the program's message when the camera does not answer as it should.
// Opens the camera (discovery, filter wheel, firmware) with the program's
// settings file; false after "Sorry, No camera found on USB".
bool ConnectCamera();
void DisconnectCamera();
// Starts a main-camera exposure: the register clears and the echo.
void BeginMainExposure(int32_t exposureMs, bool darkFrame);
// A register clear during a host-timed exposure.
void ClearRegisters();
// The read at the end of an exposure of `window` (request 2 or 3 by the
// exposure time) and its assembly into `out`, which has room for the
// window's reply pixels. A reply shorter than the frame is refused with
// "Read %7d bytes, asked for %7d from USB\n": no part-frame goes out as an
// image.
bool ReadMainExposure(int mode, const ReadWindow& window, int32_t exposureMs, bool darkFrame, uint16_t* out);
// The guider head: the one-row read that starts the integration, then the
// frame after the exposure (GuiderWidth() x 290 pixels, byte in the high
// half).
int GuiderFrameWidth();
bool StartGuiderExposure();
bool ReadGuiderExposure(uint32_t exposureMs, uint16_t* out);
// The relay outputs.
bool SetRelays(uint8_t bits);

}  // namespace velmora_indi
