#include "display/view_layout.h"

#include <algorithm>
#include <cstring>

ScrollRange ComputeScrollRange(bool fitToWindow, int displayedWidth, int displayedHeight, int clientWidth,
                               int clientHeight) {
    if (fitToWindow || (displayedWidth < clientWidth && displayedHeight < clientHeight)) return {};
    return {std::max(0, displayedWidth - clientWidth), std::max(0, displayedHeight - clientHeight)};
}

ViewPort MakeViewPort(int scrollX, int scrollY, int clientWidth, int clientHeight) {
    ViewPort v;
    v.scrollX = int16_t(scrollX);
    v.scrollY = int16_t(scrollY);
    v.clientWidth = clientWidth;
    v.clientHeight = clientHeight;
    v.displayedWidth = DisplayedWidth();
    v.displayedHeight = DisplayedHeight();
    v.fitToWindow = ViewOptions().fitToWindow;
    v.centreImage = ViewOptions().centreImage;
    return v;
}

int CentreOffset(bool centreImage, int clientSize, int displayedSize) {
    return centreImage && clientSize > displayedSize ? (clientSize - displayedSize) / 2 : 0;
}

Rect BitmapTarget(const ViewPort& v) {
    if (v.fitToWindow) return {0, 0, v.clientWidth, v.clientHeight};
    return {CentreOffset(v.centreImage, v.clientWidth, v.displayedWidth) - v.scrollX,
            CentreOffset(v.centreImage, v.clientHeight, v.displayedHeight) - v.scrollY, v.displayedWidth,
            v.displayedHeight};
}

void ClientToImage(const ViewPort& v, int x, int y, int& imageX, int& imageY) {
    if (v.fitToWindow && v.clientWidth > 0 && v.clientHeight > 0) {
        imageX = int(int64_t(x) * v.displayedWidth / v.clientWidth);
        imageY = int(int64_t(y) * v.displayedHeight / v.clientHeight);
        return;
    }
    const Rect r = BitmapTarget(v);
    imageX = x - r.left;
    imageY = y - r.top;
}

void ImageToClient(const ViewPort& v, int imageX, int imageY, int& x, int& y) {
    if (v.fitToWindow && v.displayedWidth > 0 && v.displayedHeight > 0) {
        x = int(int64_t(imageX) * v.clientWidth / v.displayedWidth);
        y = int(int64_t(imageY) * v.clientHeight / v.displayedHeight);
        return;
    }
    const Rect r = BitmapTarget(v);
    x = imageX + r.left;
    y = imageY + r.top;
}

bool HasLabelMarker(const uint16_t* image) { return int(image[4]) + int(image[5]) == 34; }

void MirrorRows(uint16_t* a, uint16_t* b, int width, int height) {
    const int r0 = HasLabelMarker(a) ? std::min(10, height) : 0;
    for (int r = r0; r < height; ++r) {
        const uint16_t* in = a + size_t(r) * width;
        uint16_t* out = b + size_t(r) * width;
        for (int c = 0; c < width; ++c) out[width - 1 - c] = in[c];
    }
    const size_t first = size_t(r0) * width;
    std::memcpy(a + first, b + first, (size_t(height) * width - first) * sizeof(uint16_t));
}

void FlipRows(uint16_t* a, uint16_t* b, int width, int height) {
    const int r0 = HasLabelMarker(a) ? std::min(10, height) : 0;
    for (int k = 0; r0 + k < height; ++k)
        std::memcpy(b + size_t(r0 + k) * width, a + size_t(height - 1 - k) * width, size_t(width) * sizeof(uint16_t));
    const size_t first = size_t(r0) * width;
    std::memcpy(a + first, b + first, (size_t(height) * width - first) * sizeof(uint16_t));
}
