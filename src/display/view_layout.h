// Where the displayed bitmap goes in the image view, the scroll range, the
// mapping of window positions to image positions and the two geometric
// commands that rewrite image buffer A.
#pragma once
#include <array>
#include <cstdint>

#include "display/display_state.h"

struct ScrollRange {
    int x = 0;
    int y = 0;
};
// 0 x 0 with fit to window or when the bitmap is smaller than the client in
// both directions; else how far the bitmap reaches beyond the client.
ScrollRange ComputeScrollRange(bool fitToWindow, int displayedWidth, int displayedHeight, int clientWidth,
                               int clientHeight);

// The view as the mouse and the painter see it.
struct ViewPort {
    int scrollX = 0;
    int scrollY = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    int displayedWidth = 0;
    int displayedHeight = 0;
    bool fitToWindow = false;
    bool centreImage = false;
};
// The view of the current options and bitmap for a client area and scroll
// position.
ViewPort MakeViewPort(int scrollX, int scrollY, int clientWidth, int clientHeight);

// Offset of the bitmap's top-left corner in the client area (before
// scrolling): centred when centre image is on and the client is larger.
int CentreOffset(bool centreImage, int clientSize, int displayedSize);

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};
// The rectangle the bitmap occupies in window coordinates: the whole client
// area with fit to window, else the 1:1 picture moved by the centring offset
// and the scroll position.
Rect BitmapTarget(const ViewPort& view);

// Window position -> displayed-bitmap position (the image coordinates of the
// picking modes) and back.
void ClientToImage(const ViewPort& view, int x, int y, int& imageX, int& imageY);
void ImageToClient(const ViewPort& view, int imageX, int imageY, int& x, int& y);

// The label marker: pixel 4 + pixel 5 = 34.
bool HasLabelMarker(const uint16_t* image);
// Mirror left-right / flip top-bottom the rows below the label strip (rows
// 10.. when the marker is present, else all) through buffer b.
void MirrorRows(uint16_t* a, uint16_t* b, int width, int height);
void FlipRows(uint16_t* a, uint16_t* b, int width, int height);
