#include "processing/merge.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/messages.h"
#include "core/ui_hooks.h"
#include "display/display_state.h"
#include "display/render.h"
#include "stars/centroid.h"
#include "processing/calibration.h"

MergeState& Merge() {
    static MergeState state;
    return state;
}

namespace {
void NotifyChanged() {
    if (Merge().changed) Merge().changed();
}
}  // namespace

void MergeBuffers(Pixel* first, const Pixel* merge, int width, int height, int dx, int dy,
                  const MergeOptions& options) {
    const int r0 = (LabelStripPresent(first) || LabelStripPresent(merge)) ? 10 : 0;
    // Columns j whose partner k = j + dx lies in 1..W-1.
    const int jBegin = std::max(0, 1 - dx);
    const int jEnd = std::min(width, width - dx);  // exclusive
    if (jBegin >= jEnd) return;
    for (int i = r0; i < height; ++i) {
        const int g = i + dy;
        if (!(r0 < g && g < height)) continue;
        Pixel* out = first + size_t(i) * width;
        const Pixel* in = merge + size_t(g) * width + dx;
        for (int j = jBegin; j < jEnd; ++j) {
            const int p = out[j];
            const int q = in[j];
            int h;
            if (options.asteroidAdd)
                h = 5 * q < p ? 2 * p : (5 * p < q ? 2 * q : p + q);
            else
                h = p + q;
            out[j] = options.average ? Pixel(h / 2) : Pixel(std::min(h, 65535));
        }
    }
}

bool WindowCentroid(const Pixel* image, int width, int height, int h, int& x, int& y) {
    // The guider's star centroid, one pass, rounded to whole pixels.
    StarPosition p;
    if (!FindStar(image, width, height, x, y, h, 1, false, p)) return false;
    x = p.x;
    y = p.y;
    return true;
}

int StartMerge(const MergeDisplay& display) {
    int code = 0;
    if (display.otherMouseMode) code = 35;
    else if (display.fitOrCentre) code = 30;
    else if (Merge().active) code = 31;
    if (code) {
        ShowMessage(code);
        return code;
    }
    MergeState& m = Merge();
    m.active = true;
    m.mergeImageSelected = false;
    m.x1 = m.y1 = m.x2 = m.y2 = 0;
    m.average = false;
    m.firstWidth = m.firstHeight = 0;
    Picking().modes.merging = true;
    NotifyChanged();
    return 0;
}

MergeDisplay CurrentMergeDisplay() {
    MergeDisplay d;
    d.otherMouseMode = Picking().modes.photometry || Picking().modes.rowProfile;
    d.fitOrCentre = ViewOptions().fitToWindow || ViewOptions().centreImage;
    d.binnedDisplay = BinnedDisplay();
    return d;
}

void MergeStoreMark(int x, int y) {
    MergeState& m = Merge();
    if (!m.active) return;
    if (m.mergeImageSelected) {
        m.x2 = x;
        m.y2 = y;
    } else {
        m.x1 = x;
        m.y1 = y;
    }
    NotifyChanged();
}

bool MergeModeActive() { return Merge().active; }

void MergeOpeningSecondImage() {
    MergeState& m = Merge();
    if (!m.active) return;
    // Only the first open copies the first image aside: opening another file
    // while the merge image is already selected replaces the merge image and
    // keeps the first image in B.
    if (!m.mergeImageSelected) {
        const AppState& s = State();
        std::memcpy(s.imageB, s.imageA, size_t(s.geometry.pixels) * sizeof(Pixel));
        m.firstWidth = s.geometry.width;
        m.firstHeight = s.geometry.height;
        m.mergeImageSelected = true;
    }
    NotifyChanged();
}

bool RunMerge(bool binnedDisplay, bool redraw) {
    MergeState& m = Merge();
    if (!m.active || !m.mergeImageSelected) return false;
    AppState& s = State();
    const int width = s.geometry.width, height = s.geometry.height;
    if (m.firstWidth != width || m.firstHeight != height) {
        ShowMessage(50, "Sorry, the merge image must be the same size as the first image");
        return false;
    }
    m.active = false;
    m.mergeImageSelected = false;
    Picking().modes.merging = false;
    int dx = m.x2 - m.x1, dy = m.y2 - m.y1;
    if (binnedDisplay) {
        dx *= 2;
        dy *= 2;
    }
    if (m.superimpose) dx = dy = 0;
    MergeBuffers(s.imageB, s.imageA, width, height, dx, dy, MergeOptions{m.average, m.asteroidAdd});
    std::memcpy(s.imageA, s.imageB, size_t(s.geometry.pixels) * sizeof(Pixel));
    m.superimpose = m.asteroidAdd = m.average = false;
    NotifyChanged();
    if (redraw) RedrawImage();
    return true;
}

void CancelMerge() {
    Merge().active = false;
    Merge().mergeImageSelected = false;
    Picking().modes.merging = false;
    NotifyChanged();
}

bool DisplayedCentroid(int& x, int& y, int radius) {
    // With the binned display the star is searched for at the image position
    // the displayed position stands for.
    const AppState& s = State();
    const int scale = BinnedDisplay() ? 2 : 1;
    int ix = x * scale, iy = y * scale;
    StarPosition p;
    if (!FindStar(s.imageA, s.geometry.width, s.geometry.height, ix, iy, radius, 1, false, p)) return false;
    ix = p.x;
    iy = p.y;
    x = ix / scale;
    y = iy / scale;
    return true;
}

namespace {
// A click while merging marks the star (the view refines it onto the centroid
// first); until the guider's centroid search is plugged in, the view refines
// with the window centroid above.
const bool hooksRegistered = [] {
    PickHooks& hooks = PickingHooks();
    hooks.mergeMark = [](int x, int y) { MergeStoreMark(x, y); };
    if (!hooks.centroid) {
        hooks.centroid = DisplayedCentroid;
    }
    return true;
}();
}  // namespace

// While merging, an image opened from the File menu makes the one on screen
// the first image.
static const bool kInstalledInFileLayer = [] {
    UpperLayers().beforeImageOpen = [] {
        if (MergeModeActive()) MergeOpeningSecondImage();
    };
    return true;
}();
