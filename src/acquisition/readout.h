// The read-out rules of the main camera: which window and binning each
// exposure mode asks the camera for, which read request an exposure uses, and
// how the reply is assembled into the image at the current geometry. Pure
// functions on plain buffers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

using Pixel = uint16_t;

// Frame-read parameters: the sensor window (unbinned pixels) and the binning.
struct ReadWindow {
    int x = 0, y = 0;
    int width = 0, height = 0;
    int binX = 1, binY = 1;
    // Pixels per row and rows the camera returns.
    int ReplyWidth() const { return binX ? width / binX : 0; }
    int ReplyHeight() const { return binY ? height / binY : 0; }
    size_t ReplyPixels() const { return size_t(ReplyWidth()) * ReplyHeight(); }
};

// The read request for an exposure of E milliseconds.
struct ReadRequestChoice {
    int code = 3;              // 2 delayed (camera-timed), 3 immediate, 18 triggered
    uint16_t value = 3;        // 3, or 0x8003 for the model-5 dark read
    uint16_t length = 10;      // 10 or 14 data bytes
    uint16_t exposureBytes = 0;
    int writeSize = 18;        // 18 or 22
};

// The camera times exposures of 1 s or less itself (and triggered ones below
// 6001 ms); longer ones are timed on the host and read with request 3.
bool CameraTimesExposure(int32_t exposureMs, bool trigger);
// Host-timed: E >= 1001 ms without the trigger, and triggered exposures too
// long for the camera's trigger read (E >= 6001 ms).
bool HostTimesExposure(int32_t exposureMs, bool trigger);
ReadRequestChoice ChooseReadRequest(int32_t exposureMs, bool trigger, bool darkReadValue);

// Register clears during a host-timed exposure: the first clear falls E + 5 ms
// after the start for E < 5001, else E - 2000 ms; each clear moves it 2005 ms.
uint32_t FirstRegisterClearMs(int32_t exposureMs);
inline constexpr uint32_t kRegisterClearStepMs = 2005;
// Progress granularity S of the exposure wait.
int ProgressSteps(char unit, int value);

// The sensor window of an exposure mode. sensorW/H is the sensor, imageW/H the
// image geometry (halved for every mode but 1). Sub-frame windows are kept on
// the sensor.
ReadWindow ModeWindow(int mode, int sensorW, int sensorH, int imageW, int imageH, int subFrameBinning,
                      int subCentreX, int subCentreY);
// The focus frame window: 128 x 128 at bin 1, or 256 x 256 at bin 2 starting
// 64 pixels further up and left (not below 0); kept on the sensor.
ReadWindow FocusWindow(int originX, int originY, bool binFocusFrame, int sensorW, int sensorH);

// Assembly. dst always has room for imageW x imageH pixels.
// Column-pair correction of model 1 high-resolution reads (in place).
void ColumnPairCorrection(Pixel* image, int width, int height);
// 4 x 4 read: src (width/2) x (height/2) spread to every second row and
// column, then x2 interpolation.
void Expand2x(Pixel* dst, int width, int height, const Pixel* src, int srcW, int srcH);
// 8 x 8 read: src (width/4) x (height/4) spread to every fourth row and
// column, then x4 interpolation.
void Expand4x(Pixel* dst, int width, int height, const Pixel* src, int srcW, int srcH);
// 3 x 3 read: bilinear resampling of src onto width x height.
void Bilinear3x3(Pixel* dst, int width, int height, const Pixel* src, int srcW, int srcH);
// An unexpanded binned picture (or a sub-frame window) centred in the frame
// with zero margins: left = (width - srcW) / 2, top = (height - srcH) / 2.
void CentreInFrame(Pixel* dst, int width, int height, const Pixel* src, int srcW, int srcH);
// Little-endian 16-bit reply bytes to pixels (count pixels; a short reply
// leaves the rest of dst as it was).
void BytesToPixels(Pixel* dst, const uint8_t* bytes, size_t bytesAvailable, size_t count);

// The read-out progress caption.
std::string ReadoutCaption(int mode, int32_t exposureMs, bool trigger, int remaining,
                           const std::string readoutTexts[3]);
// The " (Left - N)" suffix for N >= 2, else "".
std::string LeftSuffix(int remaining);
