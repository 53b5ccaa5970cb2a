// Dark frame subtraction and flat field division, from the menu (second image
// through image buffer B) and automatically after each exposure (dark and flat
// kept loaded in work buffers of their own).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/state.h"

// A[i] = A[i] - D[i] when D[i] < A[i], else 0, for n pixels.
void SubtractDark(Pixel* a, const Pixel* dark, size_t n);

// The rectangle a flat mean is read from (inclusive bounds).
struct FlatWindow {
    int firstRow, lastRow, firstColumn, lastColumn;
    long Count() const { return long(lastRow - firstRow + 1) * (lastColumn - firstColumn + 1); }
};
// The menu window, rows 10..19 x columns 5..504, and the automatic one, rows
// 10..59 x columns 5..604, cut down to the largest window of that kind that
// fits a W x H image (never reading outside the image).
FlatWindow MenuFlatWindow(int width, int height);
FlatWindow AutoFlatWindow(int width, int height);
// Mean of the flat over a window: the sum times 0.0002 for the full menu
// window, times 1/30000 for the full automatic one, times 1/count otherwise.
double FlatMean(const Pixel* flat, int width, const FlatWindow& window);

// The flat row rule on rows firstRow..lastRow (inclusive), columns 3..W-1:
// v = a / f * mean (f != 0), mean (f = 0, a = 0), a (f = 0, a != 0);
// A = 65535 when v >= 65535, else v truncated.
void ApplyFlat(Pixel* a, const Pixel* flat, int width, int firstRow, int lastRow, double mean);

// Menu "&Subtract Image (Dark Frame)" on a chosen file: loads it into image
// buffer B (the loader reports its own errors; false and nothing changed when
// it fails), takes the undo copy, subtracts (below the label strip of a
// labelled image), adds "Dark Frame Subtracted" and redraws when asked.
bool SubtractDarkFile(const std::string& fileName, bool redraw = true);
// Menu "Apply &Flat Field" on a chosen file: loads it into B, undo copy, the
// flat row rule on rows 7 (11 for a labelled image) .. H-1 with a progress
// window "FLAT FIELD PROGRESS", "Flat Field Applied", redraw when asked. A key
// or mouse-button press during the run puts the image back (no history line)
// and returns false.
bool ApplyFlatFile(const std::string& fileName, bool redraw = true);

// Result codes of the automatic steps.
inline constexpr int kAutoOk = 0;
inline constexpr int kAutoCannotOpen = 11;
inline constexpr int kAutoWrongSize = 12;

// Automatic dark after an exposure: on the first call for a path (or when
// reload is set, or the geometry changed since it was read) the file is read
// into the dark work buffer; its length must be the native raw size W*H*2 of
// the current geometry. Then subtracted from image buffer A (no undo copy, no
// history line). Returns 0, 11 (cannot open / read) or 12 (wrong size); on a
// failure A is untouched and the next call tries the file again.
int AutoDark(const std::string& path, bool reload = false);
// Automatic flat: the same file handling, mean over rows 10..59 x columns
// 5..604, the flat row rule on rows 2..H-2.
int AutoFlat(const std::string& path, bool reload = false);
// Forget a loaded work buffer (a new path was chosen).
void ForgetAutoDark();
void ForgetAutoFlat();
bool AutoDarkLoaded();
bool AutoFlatLoaded();
// Shows the message an automatic step's code stands for: dark 11 -> 7,
// 12 -> 22; flat 11 -> 25, 12 -> 26. Nothing for 0.
void ShowAutoDarkResult(int code);
void ShowAutoFlatResult(int code);
// The history after automatic calibration: cleared, then "Dark Frame
// Subtracted" and/or "Flatfield Applied".
void RecordAutoCalibration(bool darkApplied, bool flatApplied);

// The label marker: pixel 4 + pixel 5 = 34 means rows 0..9 hold a label strip.
inline bool LabelStripPresent(const Pixel* image) { return int(image[4]) + int(image[5]) == 34; }
