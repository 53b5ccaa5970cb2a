// The display's process-wide records: the View options, the stretch display
// settings, the auto-contrast black point, the histogram counters, the
// displayed bitmap, the mouse-picking modes and the hooks through which the
// image view (a window) and the owners of the picking modes join in.
// GUI-free: logic anywhere may include it.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

struct DisplayOptions {
    bool fitToWindow = false;      // 301
    bool centreImage = false;      // 303
    bool falseColour = false;      // 118
    bool autoContrast = false;     // 119
    bool stretchDisplay = false;   // 1901 / 1902 / 1906
    bool showImageCentre = false;  // 127
    // Binned display (305) is State().binHighResDisplay: the geometry's scroll
    // extent follows it. Use BinnedDisplay() / SetBinnedDisplay().

    // Stretch display settings.
    double stretchPower = 25;          // 2..50
    int16_t stretchBlackLevel = 0;     // 0..250
    uint8_t autoBlackLevel = 255;      // smallest non-zero display byte
    uint8_t largestDisplayByte = 0;    // largest display byte below 253 (kept, unused)

    // 128 x 128 frames: the focus loop (with the camera dialog's "Stretch"
    // value 1..50 as the stretch power) and guiding on frames of the imaging
    // camera.
    bool focusLoopRunning = false;
    int focusStretch = 1;
    bool guidingSmallFrames = false;

    // Set by code outside the window (merging) that wants the next paint to
    // rebuild the bitmap first.
    bool redrawOnNextPaint = false;
};

DisplayOptions& ViewOptions();
bool BinnedDisplay();
// Sets the option and the geometry's scroll extent (W x H or W/2 x H/2).
void SetBinnedDisplay(bool on);
// Puts every display record back to its start-up value (binned display on).
void ResetDisplayState();

// The auto-contrast black point m (0..255): written by the auto-contrast
// histogram and by the background estimate at the end of every paint.
int& BlackPoint();
// 257 counters of high bytes (wrapping at 65536), shared with the histogram.
std::array<uint16_t, 257>& HistogramCounters();
// One byte per pixel (capacity of an image buffer): the display bytes of the
// last redraw.
uint8_t* DisplayBytes();

// The displayed bitmap: the 8-bit BMP file exactly as written by the last
// successful redraw (header, 256-entry palette, rows bottom-up, padded).
struct DisplayBitmap {
    int width = 0;
    int height = 0;
    int stride = 0;              // row length in the file, a multiple of 4
    std::vector<uint8_t> file;   // the whole BMP file
    uint64_t serial = 0;         // grows with every new bitmap
    // Row y of the picture, counted from the top.
    const uint8_t* Row(int y) const { return file.data() + 1078 + size_t(height - 1 - y) * stride; }
    // Palette entry i as red, green, blue.
    std::array<uint8_t, 3> Colour(int i) const {
        const uint8_t* e = file.data() + 54 + 4 * i;
        return {e[2], e[1], e[0]};
    }
};
// nullptr until the first successful redraw.
const DisplayBitmap* CurrentDisplayBitmap();
// Replaces the displayed bitmap (the old one is dropped after the new exists).
void PublishDisplayBitmap(DisplayBitmap& fresh);
void ClearDisplayBitmap();
// The displayed width and height (the bitmap's); W x H of the geometry
// (halved with binned display) before the first bitmap.
int DisplayedWidth();
int DisplayedHeight();

// Mouse-picking modes, set and cleared by their owners: photometry, the row
// profile, merging, the guide-star pick, and the focus-frame and sub-frame
// picks.
struct PickModes {
    bool photometry = false;
    bool rowProfile = false;
    bool merging = false;
    bool guideStarPick = false;
    bool focusFramePick = false;
    bool subFramePick = false;
    bool Any() const {
        return photometry || rowProfile || merging || guideStarPick || focusFramePick || subFramePick;
    }
};

struct PickState {
    PickModes modes;
    int maskRadius = 4;              // photometry mask and click-refinement radius r
    int guideSearchRadius = 8;       // the guider's centroid radius
    bool guideStarPicked = false;
    int guideStarX = 0, guideStarY = 0;  // image coordinates (not halved by the binned display)
    bool centroidRefine = false;     // set when the guide-star cross is drawn
    bool guidingWithImagingCamera = false;
    int guidingStarX = 0, guidingStarY = 0;
    bool subFrameSelectionActive = false;
    int boxLeft = 0, boxTop = 0, boxRight = 0, boxBottom = 0;  // displayed coordinates
    int profileRow = 250;
};
PickState& Picking();

// What the owners of the picking modes plug in. Unset hooks do nothing (the
// centroid hook: no refinement).
struct PickHooks {
    // One pass of the star centroid search around (x, y) with radius r in
    // image coordinates; moves (x, y) onto the centroid. False when the search
    // failed (it shows its own message).
    std::function<bool(int& x, int& y, int radius)> centroid;
    std::function<void()> rowProfileChanged;
    std::function<void(int x, int y)> mergeMark;
    // The image pixel under a photometry click (twice the displayed position
    // with the binned display).
    std::function<void(int x, int y)> photometryMeasure;
    std::function<void(int x, int y, int value)> photometryPointer;
    // Stores the picked focus-frame centre (image coordinates); unset: the
    // geometry's focus-frame centre and origin are set directly.
    std::function<void(int x, int y)> storeFocusCentre;
};
PickHooks& PickingHooks();

// What the image view window plugs in (no-ops without a window).
struct DisplayViewHooks {
    std::function<void()> invalidate;
    std::function<void(bool reset)> adjustScroller;
    std::function<void(int clientX, int clientY)> movePointer;
    std::function<void()> updateCursor;
};
DisplayViewHooks& ViewHooks();
void InvalidateView();
// Recomputes the scroll range (and with reset scrolls to 0, 0), then
// invalidates the view.
void AdjustScroller(bool reset);

// Commands that need the standard display geometry (photometry 36, row plot
// 38, merging 30, guide-star pick 33) refuse while fit to window or centre
// image is on: shows the message and returns true.
bool RefuseInFittedOrCentredDisplay(int messageCode);
