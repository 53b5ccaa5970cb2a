// Aperture photometry of the current image: the object, the comparison and
// a background spot, each the sum over a square mask of side 2r + 1, and the
// magnitude difference of the two stars. Positions are image pixels.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "core/state.h"

struct PhotometryMeasure {
    int32_t sum = 0;
    int x = 0, y = 0;
};

struct PhotometryRecord {
    char selected = 'o';  // 'o' object, 'c' comparison, 'b' background
    PhotometryMeasure object, comparison, background;
    bool backgroundMeasured = false;
    // Pointer readout: image position and the pixel value there.
    bool pointerShown = false;
    int pointerX = 0, pointerY = 0, pointerValue = 0;
};
PhotometryRecord& Photometry();
// Called after every change of the record (the dialog refreshes).
std::function<void()>& PhotometryListener();

// The mask radii of "Single Pixel", "5 Pixels" ... "17 Pixels". The radius
// itself is Picking().maskRadius, shared with the click refinement.
inline constexpr int kMaskRadii[] = {0, 2, 3, 4, 6, 8};
bool IsMaskRadius(int r);

// "&Photometry of Image": refused with message 35 while merging or the row
// profile runs, 36 in a fitted or centred display, 37 when photometry is on.
// Otherwise r = 4, everything cleared, photometry mode on. Returns the
// message code of a refusal, 0 when started.
int StartPhotometry();
// "Finished": photometry mode off.
void FinishPhotometry();
// The radio buttons. Choosing the background also marks it measured.
void SelectMeasurement(char which);
// A mask radio button: sets r and clears the three sums and positions.
void SetMaskRadius(int r);
// Sums the mask around image pixel (x, y) of the image into the selected
// measurement. A mask that does not fit in the image is refused with
// message 2 and nothing changes.
bool MeasureAt(const Pixel* image, int width, int height, int x, int y);
// Moves image pixel (x, y) of image buffer A onto the star: three passes of
// the program's centroid search with radius r, as a right click does (for a
// caller without the binned display, where displayed and image positions
// are the same). A mask that does
// not fit around the position is refused with message 2; false when refused
// or when the search failed (it showed its message).
bool SnapToStar(int& x, int& y);
// The pointer readout.
void ShowPointer(int x, int y, int value);

// What the dialog shows.
struct PhotometryFigures {
    int32_t objectMean = 0, comparisonMean = 0;
    int32_t backgroundLevel = 0;  // background mean, or black point x 256 until one is measured
    bool haveMagnitude = false;
    double magnitude = 0;         // -2.5 log10((O - B) / (C - B)), sums not means
};
PhotometryFigures ComputePhotometry(const PhotometryRecord& p, int maskRadius, int blackPoint);
// The texts of the value fields: "%7.0f" for the means and the background
// level, "%2.2f" or empty for the magnitude, "%6.0f" for the pointer value.
std::string FormatMean(int32_t value);
std::string FormatMagnitude(const PhotometryFigures& f);
std::string FormatPointerValue(int value);
