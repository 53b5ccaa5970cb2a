// Mouse picking in the image view: a button release or a move at a window
// position is turned into a displayed-bitmap position and handed to the
// active picking mode (photometry, row profile, merging, guide-star pick,
// focus-frame centre pick, sub-frame pick).
#pragma once
#include <string>

#include "display/view_layout.h"

enum class PickResult {
    NoMode,    // no picking mode active: nothing happens
    Refused,   // too close to the edge: message 2
    Failed,    // the centroid refinement failed (it showed its message)
    Done,
};

// The margin a click must keep from the edges of the displayed bitmap: the
// mask radius r, plus 25 in guide-star pick mode.
int PickMargin();
// True when the displayed-bitmap position is allowed for a click.
bool PickPositionAllowed(const ViewPort& view, int imageX, int imageY);

PickResult LeftButtonUp(const ViewPort& view, int x, int y);
PickResult RightButtonUp(const ViewPort& view, int x, int y);
// True when the view should be redrawn (the sub-frame box moved).
bool MouseMove(const ViewPort& view, int x, int y);

// Displayed-bitmap position -> image position: every displayed pixel of the
// binned display stands for the image pixel at twice its position.
int DisplayToImageScale();
// A displayed-bitmap x or y as an image x or y: the one rule of the pointer
// readout, the row profile and the other picks.
int DisplayedToImage(int displayed);
// The image pixel under a window position, through the same mapping the
// clicks use; false when the position is not on the image.
bool ImagePixelAt(const ViewPort& view, int x, int y, int& imageX, int& imageY);
// The status-bar readout for a window position: "x .. y .. value .." on the
// image, else the image size and the current file.
std::string PointerReadout(const ViewPort& view, int x, int y);
std::string ImageSummary();

// Half the sub-frame box in displayed coordinates, and the factor from
// displayed to full-frame coordinates.
void SubFrameHalfBox(int& halfWidth, int& halfHeight, int& scale);
