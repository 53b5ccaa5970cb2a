// Command numbers of the View menu and of the display's tool-bar buttons.
#pragma once

namespace display_cmd {

inline constexpr int kFitToWindow = 301;
inline constexpr int kMirrorImage = 302;
inline constexpr int kCentreImage = 303;
inline constexpr int kFlipImage = 304;
inline constexpr int kBinHighResDisplay = 305;
inline constexpr int kFalseColour = 118;
inline constexpr int kAutoContrast = 119;
inline constexpr int kMaxPaletteStretch = 123;
inline constexpr int kShowImageCentre = 127;

// Tool-bar stretch display buttons.
inline constexpr int kStretchDisplayOn = 1901;
inline constexpr int kStretchDisplayOff = 1902;
inline constexpr int kStretchDisplayToggle = 1906;
inline constexpr int kStretchDisplayRedraw = 1907;

// Tool-bar bitmaps that show the state of a toggle.
inline constexpr int kBinnedOffBitmap = 1904;
inline constexpr int kBinnedOnBitmap = 1905;
inline constexpr int kStretchOffBitmap = 1002;  // button sends 1901
inline constexpr int kStretchOnBitmap = 1003;   // button sends 1902
inline constexpr int kMaxPaletteStretchBitmap = 1908;

// "Stretch Display" dialog (template 21).
inline constexpr int kStretchDialogTemplate = 21;
inline constexpr int kStretchActivate = 21002;
inline constexpr int kStretchBlackScroll = 21003;
inline constexpr int kStretchBlackEdit = 21004;
inline constexpr int kStretchPowerScroll = 21005;
inline constexpr int kStretchPowerEdit = 21006;

}  // namespace display_cmd
