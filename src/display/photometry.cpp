#include "display/photometry.h"

#include <cmath>
#include <cstdio>

#include "core/messages.h"
#include "display/display_state.h"
#include "display/picking.h"

namespace {

PhotometryRecord& Record() {
    static PhotometryRecord record;
    return record;
}

void Changed() {
    if (PhotometryListener()) PhotometryListener()();
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Clicks arrive as image pixels; the pointer readout in displayed-bitmap
// coordinates, shown as the image pixel it stands for (twice the position
// with the binned display).
void InstallPickingHooks() {
    PickHooks& hooks = PickingHooks();
    hooks.photometryMeasure = [](int x, int y) {
        const ImageGeometry& g = State().geometry;
        MeasureAt(State().imageA, g.width, g.height, x, y);
    };
    hooks.photometryPointer = [](int x, int y, int value) {
        const int scale = DisplayToImageScale();
        ShowPointer(x * scale, y * scale, value);
    };
}

}  // namespace

PhotometryRecord& Photometry() { return Record(); }

std::function<void()>& PhotometryListener() {
    static std::function<void()> listener;
    return listener;
}

bool IsMaskRadius(int r) {
    for (int m : kMaskRadii)
        if (m == r) return true;
    return false;
}

int StartPhotometry() {
    const PickModes& modes = Picking().modes;
    int code = 0;
    if (modes.merging || modes.rowProfile) code = 35;
    else if (ViewOptions().fitToWindow || ViewOptions().centreImage) code = 36;
    else if (modes.photometry) code = 37;
    if (code) {
        ShowMessage(code);
        return code;
    }
    InstallPickingHooks();
    Record() = PhotometryRecord{};
    Picking().maskRadius = 4;
    Picking().modes.photometry = true;
    Changed();
    return 0;
}

void FinishPhotometry() { Picking().modes.photometry = false; }

void SelectMeasurement(char which) {
    if (which != 'o' && which != 'c' && which != 'b') return;
    Record().selected = which;
    if (which == 'b') Record().backgroundMeasured = true;
    Changed();
}

void SetMaskRadius(int r) {
    if (!IsMaskRadius(r)) return;
    Picking().maskRadius = r;
    PhotometryRecord& p = Record();
    p.object = p.comparison = p.background = PhotometryMeasure{};
    Changed();
}

bool MeasureAt(const Pixel* image, int width, int height, int x, int y) {
    const int r = Picking().maskRadius;
    if (x - r < 0 || y - r < 0 || x + r > width - 1 || y + r > height - 1) {
        ShowMessage(2);
        return false;
    }
    int32_t sum = 0;
    for (int row = y - r; row <= y + r; ++row) {
        const Pixel* line = image + size_t(row) * size_t(width);
        for (int column = x - r; column <= x + r; ++column) sum += line[column];
    }
    PhotometryRecord& p = Record();
    PhotometryMeasure& m = p.selected == 'c' ? p.comparison : p.selected == 'b' ? p.background : p.object;
    m = {sum, x, y};
    Changed();
    return true;
}

bool SnapToStar(int& x, int& y) {
    const int r = Picking().maskRadius;
    const int width = State().geometry.width, height = State().geometry.height;
    auto fits = [&] { return x - r >= 0 && y - r >= 0 && x + r <= width - 1 && y + r <= height - 1; };
    if (!fits()) {
        ShowMessage(2);
        return false;
    }
    if (const auto& centroid = PickingHooks().centroid) {
        for (int pass = 0; pass < 3; ++pass)
            if (!centroid(x, y, r)) return false;
    }
    if (!fits()) {
        ShowMessage(2);
        return false;
    }
    return true;
}

void ShowPointer(int x, int y, int value) {
    PhotometryRecord& p = Record();
    p.pointerShown = true;
    p.pointerX = x;
    p.pointerY = y;
    p.pointerValue = value;
    Changed();
}

PhotometryFigures ComputePhotometry(const PhotometryRecord& p, int maskRadius, int blackPoint) {
    PhotometryFigures f;
    const int32_t area = (2 * maskRadius + 1) * (2 * maskRadius + 1);
    f.objectMean = p.object.sum / area;
    f.comparisonMean = p.comparison.sum / area;
    f.backgroundLevel = p.backgroundMeasured ? p.background.sum / area : blackPoint * 256;
    const int32_t o = p.object.sum, c = p.comparison.sum, b = p.background.sum;
    if (o != 0 && c != 0 && b < o && b < c) {
        f.haveMagnitude = true;
        f.magnitude = -2.5 * std::log10(double(o - b) / double(c - b));
    }
    return f;
}

std::string FormatMean(int32_t value) { return Format("%7.0f", double(value)); }

std::string FormatMagnitude(const PhotometryFigures& f) { return f.haveMagnitude ? Format("%2.2f", f.magnitude) : ""; }

std::string FormatPointerValue(int value) { return Format("%6.0f", double(value)); }
