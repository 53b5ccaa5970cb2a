// The View menu commands and the display tool-bar commands as plain logic:
// each changes its option, rebuilds the display where needed and recomputes
// the scroll range. The window files bind them to command numbers.
#pragma once

void ToggleFitToWindow();       // 301 (turning on turns centre off)
void ToggleCentreImage();       // 303 (turning on turns fit off)
void ToggleBinnedDisplay();     // 305
void ToggleFalseColour();       // 118
void ToggleAutoContrast();      // 119
void ToggleShowImageCentre();   // 127
void SetStretchDisplay(bool on);  // 1901 on, 1902 off
void ToggleStretchDisplay();    // 1906
void RedrawStretchDisplay();    // 1907
void MirrorImageCommand();      // 302
void FlipImageCommand();        // 304

// The tool-bar bitmaps that show the binned display and stretch display
// states, and the command the stretch button sends.
int BinnedDisplayToolBitmap();
int StretchDisplayToolBitmap();
int StretchDisplayToolCommand();

// The "Stretch Display" scroll bars.
enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Thumb };
// Power: line up -1 while above 2, line down +1 while below 50, page up 2,
// page down 50, thumb the position.
double ScrollStretchPower(double power, ScrollAction action, int thumb);
// Black level: line +-1 within 0..250, page up 0, page down 250, thumb.
int ScrollStretchBlackLevel(int level, ScrollAction action, int thumb);
