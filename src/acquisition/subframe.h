// The user sub-frame (exposure mode 5) and the focus frame: sizes, centres
// and the menu commands that place them. The picks on the image are made by
// the display's mouse handling.
#pragma once

// The sub-frame box: sensor size / divisor in each direction.
struct SubFrameBox {
    int width = 0, height = 0;
};
SubFrameBox SubFrameBoxFor(int sensorWidth, int sensorHeight, int divisor);
SubFrameBox CurrentSubFrameBox();
// Sets the divisor (2, 3 or 4; anything else counts as 4 like the dialog's
// last button).
void SetSubFrameDivisor(int divisor);
// The dialog button checked for a divisor: 210 for 2, 211 for 3, 212 else.
int SubFrameButtonFor(int divisor);

// Menu commands.
void DefaultSubFrameCentre();       // 126: centre of the image, in full-frame pixels
void PickSubFrame();                // 125
void FocusFrameCentre();            // 25
void DefaultFocusFrameCentre();     // 26: origin = (W/2 - half, H/2 - half)
// The focus-frame centre picked on the image (image coordinates).
void StoreFocusCentre(int x, int y);

inline constexpr const char* kSubFrameHelpCaption = "Velmora_USB - Set Sub-Frame Size";
inline constexpr const char* kSubFrameHelpText = "Select the size of high resolution sub-frame you want";
