// Command numbers of the file commands (File menu, the hot pixel map commands
// of the Edit and Filters menus, and the FITS details item of the View menu).
#pragma once

namespace filecmd {
inline constexpr int kOpen = 24332;
inline constexpr int kSave = 24333;
inline constexpr int kSaveTiff = 24334;
inline constexpr int kSaveFits = 24335;
inline constexpr int kQuickSaveFits = 24336;
inline constexpr int kSaveBinnedFits = 24339;
inline constexpr int kLoadNextAutosaved = 24337;
inline constexpr int kDeleteFile = 13;
inline constexpr int kEditAutosaveFitsText = 19;
inline constexpr int kFitsDetails = 20;
inline constexpr int kSelectDarkFrame = 104;
inline constexpr int kSelectFlatField = 122;
inline constexpr int kCreateHotPixelMap = 32101;
inline constexpr int kLoadHotPixelMap = 32102;
inline constexpr int kApplyHotPixelMap = 32103;
}  // namespace filecmd

// Dialog templates and their controls.
namespace fitsdlg {
inline constexpr int kTemplate = 14;
inline constexpr int kContinue = 1;
inline constexpr int kAbort = 2;
inline constexpr int kObject = 101;
inline constexpr int kObserver = 102;
inline constexpr int kDate = 103;
inline constexpr int kTelescope = 104;
inline constexpr int kInstrument = 105;
inline constexpr int kComments = 106;
inline constexpr int kHistory = 107;
inline constexpr int kEightBit = 108;
inline constexpr int kOrigin = 109;
inline constexpr int kTime = 110;
inline constexpr int kUtScroll = 111;
inline constexpr int kUtValue = 112;
inline constexpr int kFocalLength = 113;
inline constexpr int kAperture = 114;
inline constexpr int kFilter = 115;
inline constexpr int kExposure = 116;
inline constexpr int kUnsigned = 117;
}  // namespace fitsdlg

namespace deletedlg {
inline constexpr int kTemplate = 9;
inline constexpr int kName = 101;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
}  // namespace deletedlg

namespace hpmdlg {
inline constexpr int kTemplate = 32;
inline constexpr int kDirectory = 32001;
inline constexpr int kName = 32002;
inline constexpr int kCount = 32003;
inline constexpr int kFullName = 32004;
inline constexpr int kThreshold = 32005;
inline constexpr int kChange = 32006;
inline constexpr int kScroll = 32007;
inline constexpr int kSave = 1;
inline constexpr int kFinished = 2;
}  // namespace hpmdlg
