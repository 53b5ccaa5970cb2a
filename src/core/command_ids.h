// The numbers of every menu command and tool-bar command of the main window.
// Subsystems keep their own named constants beside their handlers; this list
// is the one the menu tree is built from, so it names every command.
#pragma once

namespace cmd {

// File menu.
inline constexpr int kOpen = 24332;
inline constexpr int kSave = 24333;
inline constexpr int kSaveTiff = 24334;
inline constexpr int kSaveFits = 24335;
inline constexpr int kQuickSaveFits = 24336;
inline constexpr int kSaveBinnedFits = 24339;
inline constexpr int kLoadNextAutosaved = 24337;
inline constexpr int kDeleteFile = 13;
inline constexpr int kEditAutosaveFitsText = 19;
inline constexpr int kSelectDarkFrame = 104;
inline constexpr int kSelectFlatField = 122;
inline constexpr int kProgramDefaults = 121;
inline constexpr int kPrintSetup = 114;
inline constexpr int kPrint = 116;
inline constexpr int kExit = 24310;

// Edit menu.
inline constexpr int kUndoLastFilter = 9;
inline constexpr int kCopy = 17999;
inline constexpr int kAutoProcessing = 24324;
inline constexpr int kCreateHotPixelMap = 32101;
inline constexpr int kLoadHotPixelMap = 32102;

// Camera menu.
inline constexpr int kCameraInterface = 12;
inline constexpr int kGuiderCamera = 27;
inline constexpr int kSubFrameSelection = 124;
inline constexpr int kPickSubFrame = 125;
inline constexpr int kDefaultSubFrameCentre = 126;
inline constexpr int kPickGuideStar = 21;
inline constexpr int kFocusFrameCentre = 25;
inline constexpr int kDefaultFocusFrameCentre = 26;
inline constexpr int kStartAutoGuiding = 22;
inline constexpr int kTrainAutoGuiding = 23;
// "Guiding Server": a number of its own, used by no other command.
inline constexpr int kGuidingServer = 32201;
inline constexpr int kTelescopeControl = 24;
inline constexpr int kPopupStartAutoGuiding = 16101;
inline constexpr int kSetCameraType = 16102;

// View menu.
inline constexpr int kFitToWindow = 301;
inline constexpr int kBinHighResDisplay = 305;
inline constexpr int kCentreImage = 303;
inline constexpr int kFalseColour = 118;
inline constexpr int kAutoContrast = 119;
inline constexpr int kMaxPaletteStretch = 123;
inline constexpr int kMirrorImage = 302;
inline constexpr int kFlipImage = 304;
inline constexpr int kShowImageCentre = 127;
inline constexpr int kPhotometry = 14;
inline constexpr int kPlot3D = 15;
inline constexpr int kRowPlot = 16;
inline constexpr int kHistogram = 6;
inline constexpr int kProcessingHistory = 17;
inline constexpr int kFitsDetails = 20;
inline constexpr int kLabel = 8;

// Tool-bar display toggles (stretch display on, off, toggle, redraw).
inline constexpr int kStretchDisplayOn = 1901;
inline constexpr int kStretchDisplayOff = 1902;
inline constexpr int kStretchDisplayToggle = 1906;
inline constexpr int kStretchDisplayRedraw = 1907;

// Contrast menu.
inline constexpr int kNormalStretch = 1;
inline constexpr int kPowerLawStretch = 2;
inline constexpr int kSineStretch = 101;
inline constexpr int kRemoveBackground = 120;
inline constexpr int kNonLinearStretch = 117;
inline constexpr int kLogStretch = 102;
inline constexpr int kAntilogStretch = 103;
inline constexpr int kInvertStretch = 105;

// Filters menu.
inline constexpr int kUnsharpMask = 106;
inline constexpr int kHighPassLowPower = 107;
inline constexpr int kHighPassHighPower = 108;
inline constexpr int kSmootherSharper = 109;
inline constexpr int kMedianFilter = 3;
inline constexpr int kGaussianSmoother = 4;
inline constexpr int kLowPassSmoother = 5;
inline constexpr int kBasRelief = 7;
inline constexpr int kGradientFilter = 18;
// "Apply Hot Pixel Map": a number of its own, used by no other command.
inline constexpr int kApplyHotPixelMap = 32103;

// Merging menu.
inline constexpr int kSubtractDark = 110;
inline constexpr int kApplyFlat = 115;
inline constexpr int kMergeImages = 111;

// Help menu.
inline constexpr int kHelp = 112;
inline constexpr int kAbout = 113;

}  // namespace cmd
