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

// Binnings offered: 1 to 8 on each axis. The camera reads 1, 2, 3, 4 and 8
// on both axes alike itself; every other pair is the 1 x 1 read binned on the
// host.
inline constexpr int kMaxBinning = 8;
// The camera's exposure mode of a binning pair; 0 when it has no such mode.
int ModeForBinning(int hor, int ver);
// "Sorry, binning 9x9 is not available: use 1x1 to 8x8".
std::string BinningRefusal(int hor, int ver);
bool BinningOffered(int hor, int ver);
// Averages the bx x by blocks of a w x h picture into (w / bx) x (h / by)
// pixels (rounded to nearest); a part block at the right or bottom edge is
// dropped. The mean keeps the background where the camera's own binned reads
// have it (the bias is read once there): a sum would put 49 biases into a
// 7 x 7 pixel and fill the range before any light.
void BinAverage(const uint16_t* src, int w, int h, int bx, int by, uint16_t* dst);

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

// One main-camera frame at a binning: the camera's mode and window, and the
// binning left to the host.
struct MainRead {
    int mode = 0;               // the assembly mode of the read
    ReadWindow window;          // what the camera reads
    int softX = 1, softY = 1;   // averaged on the host after the read
    int Width() const { return window.ReplyWidth() / softX; }
    int Height() const { return window.ReplyHeight() / softY; }
};
MainRead PlanMainRead(int hor, int ver, const SensorFrame& frame, int sensorW, int sensorH);

// The guider head reads its whole frame, 1 x 1 or (the standard guider) 2 x 2;
// a sub-frame is cut from it and other binnings are averaged on the host.
struct GuiderRead {
    bool headBinned = false;    // the head's own 2 x 2 read
    int readW = 0, readH = 0;   // the picture the head returns
    int x = 0, y = 0, w = 0, h = 0;  // the part kept, in read pixels
    int softX = 1, softY = 1;
    int Width() const { return w / softX; }
    int Height() const { return h / softY; }
};
// frame in unbinned guider pixels, on a head of headW x kGuiderRows.
bool GuiderFrameFits(const SensorFrame& frame, int hor, int ver, int headW);
GuiderRead PlanGuiderRead(const SensorFrame& frame, int hor, int ver, char guiderType);
// The guide head's own pixel in micrometres, by guider type.
struct PixelSize {
    double x = 0, y = 0;
};
PixelSize GuiderPixelUm(char guiderType);

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
    // When to look again: the next step, or the next whole second of the
    // exposure so the time left is told at least once a second (1 ms at
    // least; 0 for a camera-timed exposure, whose read is due at once).
    uint32_t WakeMs(uint32_t nowMs) const;
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
// The same for a planned frame, binned on the host where the plan says so;
// `out` has room for read.Width() x read.Height() pixels.
bool ReadMainExposure(const MainRead& read, int32_t exposureMs, bool darkFrame, uint16_t* out);
// The guider head: the one-row read that starts the integration, then the
// frame after the exposure (plan.Width() x plan.Height() pixels, byte in the
// high half).
int GuiderFrameWidth();
bool StartGuiderExposure();
bool ReadGuiderExposure(const GuiderRead& plan, uint32_t exposureMs, uint16_t* out);
// The relay outputs.
bool SetRelays(uint8_t bits);

}  // namespace velmora_indi
