#include "display/picking.h"

#include <algorithm>
#include <cstdio>

#include "core/desktop_rules.h"
#include "core/messages.h"
#include "core/state.h"
#include "stars/centroid.h"

namespace {

std::string Format(const char* format, int a, int b) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// Three passes of the centroid search around the position, moving the mouse
// pointer onto each result.
bool RefineOntoStar(const ViewPort& view, int& imageX, int& imageY) {
    PickHooks& hooks = PickingHooks();
    if (!hooks.centroid) return true;
    for (int pass = 0; pass < 3; ++pass) {
        if (!hooks.centroid(imageX, imageY, Picking().maskRadius)) return false;
        if (ViewHooks().movePointer) {
            int x = 0, y = 0;
            ImageToClient(view, imageX, imageY, x, y);
            ViewHooks().movePointer(x, y);
        }
    }
    return true;
}

void PickGuideStar(const ViewPort& view, int imageX, int imageY, PickResult& result) {
    if (!RefineOntoStar(view, imageX, imageY)) {
        result = PickResult::Failed;
        return;
    }
    // The pick is kept in image coordinates: with the binned display a
    // displayed pixel stands for the image pixel at twice its position, so the
    // star is measured once more there at full resolution.
    const int scale = BinnedDisplay() ? 2 : 1;
    int x = imageX * scale, y = imageY * scale;
    if (scale > 1) {
        const AppState& s = State();
        StarPosition star;
        if (!FindStar(s.imageA, s.geometry.width, s.geometry.height, x, y, Picking().guideSearchRadius, 1, false,
                      star)) {
            result = PickResult::Failed;
            return;
        }
        x = star.x;
        y = star.y;
    }
    PickState& p = Picking();
    p.guideStarPicked = true;
    p.guideStarX = x;
    p.guideStarY = y;
    ShowMessage(50, Format("x position = %5d\ny position = %5d", x, y));
    AdjustScroller(false);
    InvalidateView();
}

void PickFocusFrame(const ViewPort& view, int displayX, int displayY) {
    ImageGeometry& g = State().geometry;
    const int half = g.focusHalfSize;
    // The focus frame is placed on the image.
    const int scale = DisplayToImageScale();
    const int x = std::max(half + 3, std::min(displayX * scale, g.width - 1 - half));
    const int y = std::max(half + 1, std::min(displayY * scale, g.height - 1 - half));
    if (PickingHooks().storeFocusCentre) {
        PickingHooks().storeFocusCentre(x, y);
    } else {
        g.focusCentreX = x;
        g.focusCentreY = y;
        g.focusOriginX = x - half;
        g.focusOriginY = y - half;
    }
    Picking().modes.focusFramePick = false;
    char text[160];
    std::snprintf(text, sizeof text, "x position = %5d\ny position = %5d\nleft = %5d\ntop = %5d", x, y,
                  view.scrollX, view.scrollY);
    ShowMessage(50, text);
}

// Photometry lays its mask on image pixels: with the binned display a
// displayed pixel shows the image pixel at twice its position. A snapped
// position was refined in displayed pixels, so one more pass at full
// resolution puts it on the star's own image pixel.
bool MeasurePhotometry(int displayX, int displayY, bool snapped) {
    PickHooks& hooks = PickingHooks();
    const int scale = DisplayToImageScale();
    int x = displayX * scale, y = displayY * scale;
    if (scale > 1) {
        if (snapped && hooks.centroid) {
            const AppState& s = State();
            StarPosition star;
            if (!FindStar(s.imageA, s.geometry.width, s.geometry.height, x, y, Picking().maskRadius, 1, false, star))
                return false;
            x = star.x;
            y = star.y;
        }
    }
    if (hooks.photometryMeasure) hooks.photometryMeasure(x, y);
    return true;
}

void PickSubFrame(const ViewPort& view, int imageX, int imageY) {
    int halfWidth = 0, halfHeight = 0, scale = 1;
    SubFrameHalfBox(halfWidth, halfHeight, scale);
    const int x = std::max(halfWidth, std::min(imageX, view.displayedWidth - halfWidth));
    const int y = std::max(halfHeight, std::min(imageY, view.displayedHeight - halfHeight));
    ImageGeometry& g = State().geometry;
    g.subFrameCentreX = x * scale;
    g.subFrameCentreY = y * scale;
    Picking().modes.subFramePick = false;
    ShowMessage(50, Format("x position = %5d\ny position = %5d", g.subFrameCentreX, g.subFrameCentreY));
    InvalidateView();
}

}  // namespace

int DisplayToImageScale() { return BinnedDisplay() ? 2 : 1; }

bool ImagePixelAt(const ViewPort& view, int x, int y, int& imageX, int& imageY) {
    int dx = 0, dy = 0;
    ClientToImage(view, x, y, dx, dy);
    if (x < 0 || y < 0 || x >= view.clientWidth || y >= view.clientHeight) return false;
    if (dx < 0 || dy < 0 || dx >= view.displayedWidth || dy >= view.displayedHeight) return false;
    const ImageGeometry& g = State().geometry;
    imageX = dx * DisplayToImageScale();
    imageY = dy * DisplayToImageScale();
    return imageX < g.width && imageY < g.height;
}

std::string ImageSummary() {
    const AppState& s = State();
    return ImageSummaryText(s.geometry.width, s.geometry.height, s.currentFileName);
}

std::string PointerReadout(const ViewPort& view, int x, int y) {
    int imageX = 0, imageY = 0;
    if (!State().imageA || !ImagePixelAt(view, x, y, imageX, imageY)) return ImageSummary();
    const ImageGeometry& g = State().geometry;
    return PointerReadoutText(imageX, imageY, State().imageA[size_t(imageY) * size_t(g.width) + size_t(imageX)]);
}

int PickMargin() { return Picking().maskRadius + (Picking().modes.guideStarPick ? 25 : 0); }

bool PickPositionAllowed(const ViewPort& view, int imageX, int imageY) {
    const int m = PickMargin();
    return imageX >= m && imageX <= view.displayedWidth - 1 - m && imageY >= m &&
           imageY <= view.displayedHeight - 1 - m;
}

void SubFrameHalfBox(int& halfWidth, int& halfHeight, int& scale) {
    const ImageGeometry& g = State().geometry;
    const int divisor = g.subFrameBinning > 0 ? g.subFrameBinning : 2;
    int d = BinnedDisplay() ? 4 : 2;
    scale = BinnedDisplay() ? 2 : 1;
    if (g.binned) {
        d *= 2;
        scale *= 2;
    }
    halfWidth = g.sensorWidth / divisor / d;
    halfHeight = g.sensorHeight / divisor / d;
}

PickResult LeftButtonUp(const ViewPort& view, int x, int y) {
    const PickModes modes = Picking().modes;
    if (!modes.Any()) return PickResult::NoMode;
    int imageX = 0, imageY = 0;
    ClientToImage(view, x, y, imageX, imageY);
    if (!PickPositionAllowed(view, imageX, imageY)) {
        ShowMessage(2);
        return PickResult::Refused;
    }
    PickResult result = PickResult::Done;
    PickHooks& hooks = PickingHooks();
    if (modes.rowProfile) {
        Picking().profileRow = imageY;
        if (hooks.rowProfileChanged) hooks.rowProfileChanged();
    }
    if (modes.merging && !modes.photometry && !modes.rowProfile && !modes.guideStarPick &&
        !modes.focusFramePick && !modes.subFramePick) {
        int mx = imageX, my = imageY;
        if (!RefineOntoStar(view, mx, my)) return PickResult::Failed;
        if (hooks.mergeMark) hooks.mergeMark(mx, my);
    }
    if (modes.guideStarPick) PickGuideStar(view, imageX, imageY, result);
    if (modes.focusFramePick) PickFocusFrame(view, imageX, imageY);
    if (modes.photometry) MeasurePhotometry(imageX, imageY, false);
    if (modes.subFramePick) PickSubFrame(view, imageX, imageY);
    return result;
}

PickResult RightButtonUp(const ViewPort& view, int x, int y) {
    if (!Picking().modes.photometry) return PickResult::NoMode;
    int imageX = 0, imageY = 0;
    ClientToImage(view, x, y, imageX, imageY);
    if (!PickPositionAllowed(view, imageX, imageY)) {
        ShowMessage(2);
        return PickResult::Refused;
    }
    if (!RefineOntoStar(view, imageX, imageY)) return PickResult::Failed;
    // The refined position must still leave room for the mask.
    if (!PickPositionAllowed(view, imageX, imageY)) {
        ShowMessage(2);
        return PickResult::Refused;
    }
    return MeasurePhotometry(imageX, imageY, true) ? PickResult::Done : PickResult::Failed;
}

bool MouseMove(const ViewPort& view, int x, int y) {
    const PickModes modes = Picking().modes;
    int imageX = 0, imageY = 0;
    ClientToImage(view, x, y, imageX, imageY);
    if (modes.photometry && PickingHooks().photometryPointer) {
        const ImageGeometry& g = State().geometry;
        // The value under the pointer is the image pixel the displayed pixel
        // shows.
        const int scale = DisplayToImageScale();
        const int px = imageX * scale, py = imageY * scale;
        if (imageX > 1 && imageX < view.displayedWidth - 1 && imageY > 1 && imageY < view.displayedHeight - 1 &&
            px < g.width - 1 && py < g.height - 1)
            PickingHooks().photometryPointer(imageX, imageY, State().imageA[size_t(py) * g.width + px]);
    }
    if (modes.subFramePick) {
        int halfWidth = 0, halfHeight = 0, scale = 1;
        SubFrameHalfBox(halfWidth, halfHeight, scale);
        PickState& p = Picking();
        p.boxLeft = imageX - halfWidth;
        p.boxTop = imageY - halfHeight;
        p.boxRight = imageX + halfWidth;
        p.boxBottom = imageY + halfHeight;
        return true;
    }
    return false;
}
