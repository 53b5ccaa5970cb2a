// The star centroid every guiding, training, star-following and star-picking
// step measures with: a background-subtracted, thresholded, intensity-weighted
// centroid inside a square search window of side 2h + 1.
//
// The background is the most frequent value ÷ 16 bin (the lowest bin when
// counts tie) times 16.64; values below it become 0. Faint stars (brightest
// value in the window below 17000) are scaled by 4, values from 16384 on
// saturating at 65535. Only pixels at least 1 above the window's mean weigh
// in, and the weighted sums start at 1, so an empty (flat) window answers
// (1, 1) inside the window instead of dividing by zero.
#pragma once
#include <cstdint>

using Pixel = uint16_t;

// A star position in whole pixels plus tenths (0..9): x + tenthsX / 10.
struct StarPosition {
    int x = 0, y = 0;
    int tenthsX = 0, tenthsY = 0;
    double X() const { return x + tenthsX * 0.1; }
    double Y() const { return y + tenthsY * 0.1; }
    bool operator==(const StarPosition&) const = default;
};

// The raw measurement: the fractional centroid (cx, cy) inside the window,
// counted from its top-left corner (x - h, y - h).
struct WindowMeasure {
    int left = 0, top = 0;   // x - h, y - h
    double cx = 0, cy = 0;
    int peak = 0;            // the window's largest value
    int background = 0;      // the background level B
    // How far the brightest pixel stands above the background.
    int Signal() const { return peak > background ? peak - background : 0; }
};

// The window centred on (x, y) with half size h must lie inside the
// width x height frame (a window touching the right or bottom edge exactly is
// accepted). Otherwise shows message 69 "Find centre failed - outside image
// area" and returns false; nothing else changes.
bool MeasureWindow(const Pixel* image, int width, int height, int x, int y, int h, WindowMeasure& out);

// Whole pixels by truncation plus tenths: ⌊10c⌋ - 10⌊c⌋ per axis. Used while
// guiding or training and for the guider camera.
StarPosition TruncatedWithTenths(const WindowMeasure& m);
// Whole pixels by rounding, tenths 0 (star picks, following, photometry).
StarPosition Rounded(const WindowMeasure& m);

// The main-image variant: one pass at (x, y), moving (x, y) onto the rounded
// centroid. False (after message 69) when the window leaves the frame.
bool WindowCentroid(const Pixel* image, int width, int height, int& x, int& y, int h);

// The variant with tenths (guider camera, and the main camera while it
// guides or trains with "Ignore drift less than:" off): one pass at (x, y).
bool CentroidWithTenths(const Pixel* image, int width, int height, int x, int y, int h, StarPosition& out);

// The usual search: `passes` passes, each re-centred on the previous result.
// withTenths picks the output rule of the last pass.
bool FindStar(const Pixel* image, int width, int height, int x, int y, int h, int passes, bool withTenths,
              StarPosition& out);
