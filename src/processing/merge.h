// Merging two images aligned on a star marked in each: the merge mode the
// "Merge two Images together" command starts, the marks, and the merge of
// image buffer B (first image) with image buffer A (merge image).
#pragma once
#include <cstdint>
#include <functional>

#include "core/state.h"

struct MergeState {
    bool active = false;              // merge mode
    bool mergeImageSelected = false;  // next click marks the merge image
    int32_t x1 = 0, y1 = 0;           // mark on the first image (displayed coordinates)
    int32_t x2 = 0, y2 = 0;           // mark on the merge image
    bool average = false;
    bool superimpose = false;
    bool centre = false;              // shown and toggled; does not change the merge
    bool asteroidAdd = false;
    // Size of the first image when it went into image buffer B.
    int32_t firstWidth = 0, firstHeight = 0;
    // Called whenever marks, selection or mode change (the dialog refreshes).
    std::function<void()> changed;
};
MergeState& Merge();

// ---- Pure merge of the two buffers ----
// For rows r0..H-1 (r0 = 10 when either image carries the label marker) and
// columns 0..W-1, with g = i + dy, k = j + dx, only where r0 < g < H and
// 0 < k < W: p = first[i][j], q = merge[g][k]; h = p + q (Asteroid Add: 2p
// when 5q < p, 2q when 5p < q); first[i][j] = h / 2 with Average, else
// min(h, 65535). Other pixels of first keep their values.
struct MergeOptions {
    bool average = false;
    bool asteroidAdd = false;
};
void MergeBuffers(Pixel* first, const Pixel* merge, int width, int height, int dx, int dy,
                  const MergeOptions& options);

// Minimal window centroid used to refine a mark (the view's click refinement
// uses it until the guider's centroid search is plugged in) (background-subtracted,
// thresholded, intensity-weighted, inside a (2h+1)^2 window around (x, y) of
// a W x H image). Returns false (message 69 shown) when the window does not
// fit; else stores the rounded centroid in x, y.
bool WindowCentroid(const Pixel* image, int width, int height, int h, int& x, int& y);
// One centroid pass on image buffer A for a position in displayed-bitmap
// coordinates (halved with the binned display); the position moves onto the
// centroid, in the same coordinates.
bool DisplayedCentroid(int& x, int& y, int radius);

// ---- Merge mode ----
// What the merge command has to know about the display.
struct MergeDisplay {
    bool otherMouseMode = false;   // photometry or row profile active
    bool fitOrCentre = false;      // fit to window or centre image on
    bool binnedDisplay = false;    // marks are in the halved bitmap
};
// Starts merge mode: refused with message 35 (other mouse mode), 30 (fit or
// centre) or 31 (already merging); returns the code shown, 0 when started.
int StartMerge(const MergeDisplay& display);
bool MergeModeActive();
// The display state the merge command reads (View options and picking modes).
MergeDisplay CurrentMergeDisplay();
// Stores a mark already refined onto the star as the mark of the selected
// image (first or merge image) and refreshes the dialog.
void MergeStoreMark(int x, int y);
// "&Open..." while merging: selects the merge image and copies image buffer A
// (the first image) into image buffer B; the caller then loads the file.
void MergeOpeningSecondImage();
// "Merge": nothing until the merge image is selected; then leaves merge mode,
// merges (dx = x2 - x1, dy = y2 - y1, doubled with the binned display; 0 with
// Superimpose), copies B into A, switches Superimpose, Asteroid Add and
// Average off. No undo copy, no history line. True when merged. When the merge
// image does not have the first image's size nothing is merged and a message
// says so (the mode stays on).
bool RunMerge(bool binnedDisplay, bool redraw = true);
// "Cancel": leaves merge mode, images unchanged.
void CancelMerge();
