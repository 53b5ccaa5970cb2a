// The focus mode of the camera dialog (repeated 128 x 128 focus-frame reads
// with the brightest pixel and the star's width), the automatic exposure
// change, the temperature monitor and the guider exposure cycle.
#pragma once
#include <cstdint>
#include <functional>

#include "acquisition/readout.h"

using Pixel = uint16_t;

inline constexpr int kFocusFrameSize = 128;

struct FocusAnalysis {
    int maxValue = 0;      // "Max Value"
    int fwhm = 0;          // "FWHM"
    int starX = 0, starY = 0;
    int mostFrequentHighByte = 0;
};
// The readings of a 128 x 128 focus frame: histogram of high bytes and the
// brightest pixel over rows 12..125 and columns 5..125; the half-maximum
// width on the brightest pixel's row.
FocusAnalysis AnalyseFocusFrame(const Pixel* frame);

// Focus mode refuses minutes and exposure values of 100 or more.
bool FocusRefused(char unit, int value);
// Autochange: E doubled below a peak of 32000, halved above 64000, then unit
// and value chosen afresh. Returns the new E.
int32_t AutochangeExposure(int32_t exposureMs, int maxValue, char& unit, int& value);

// The focus loop: repeats until a mouse-button or key press (or "Stop").
// refresh redraws the dialog after each frame. Returns the frames taken
// (0 when refused).
int FocusLoop(const std::function<void()>& refresh);
// Reads one focus frame into image buffer A (128 x 128 pixels) after the
// exposure; false when the transfer failed. interrupted (may be null) is set
// when a key or mouse-button press arrived during a host-timed exposure.
bool TakeFocusFrame(int32_t exposureMs, bool* interrupted = nullptr);

// The monitor loop: refresh every 500 ms until a mouse-button or key press.
// Returns the number of refreshes.
int MonitorLoop(const std::function<void()>& refresh);

// Guider exposure cycle (one guider frame into the first guider buffer).
struct GuiderCycleOptions {
    char unit = 'h';           // 'h' hundredths, 't' tenths, other seconds
    int value = 10;
    bool binned = false;       // guider 2 x 2
    const Pixel* dark = nullptr;  // guider dark frame to subtract (nullptr: none)
    bool median = false;       // "Apply Median Filter to all Images"
};
struct GuiderCycleResult {
    bool ok = false;
    int mostFrequent = 0;      // most frequent high byte among bins 1..255
    int highestBin = 0;        // highest high byte counted at least 6 times
};
int32_t GuiderExposureMs(char unit, int value);
GuiderCycleResult GuiderExposureCycle(const GuiderCycleOptions& options);
// The steps after the read, on a width x height guider frame.
void GuiderHistogram(const Pixel* frame, int width, int height, int& mostFrequent, int& highestBin);
void SubtractGuiderDark(Pixel* frame, const Pixel* dark, int width, int height);
void GuiderMedian(Pixel* frame, int width, int height);

// The sensor window a focus frame is read from: the focus origin (image
// pixels, twice that on the sensor in binned geometry), 128 x 128 sensor
// pixels or, with "Bin Focus Frame", 256 x 256 at bin 2 around it.
ReadWindow FocusReadWindow();

// A guiding frame of the main camera (the 128 x 128 focus frame at the focus
// origin) for main-camera guiding; aborted is set when a press cancelled it.
bool TakeMainGuidingFrame(int32_t exposureMs, bool& aborted);
