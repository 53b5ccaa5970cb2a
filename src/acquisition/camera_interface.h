// "Velmora Camera &Interface" (command 12) and the rules of the camera
// control dialog that do not need a window: the texts it shows, the scroll
// and button actions, the refusals.
#pragma once
#include <functional>
#include <string>

#include "acquisition/camera_settings.h"

// The dialog's close codes: Take Photo / Autoguide Photo (1), Go to
// Autoguider (2), anything else (0).
// Runs command 12: connect, show the dialog (showDialog returns its close
// code), then the exposure sequence or the autoguider.
void RunCameraInterfaceWith(const std::function<int()>& showDialog);

// Texts.
// 14 "Camera Mode".
std::string CameraModeText(const CameraSettings& cam);
// 15 "AutoGuider Status".
std::string AutoGuiderStatusText();
// 744: "Max Cooling Set" / "Adjust Cooling".
std::string CoolingText(bool maximumCooling);
// The dialog caption: the model's own, else the template's.
std::string CameraDialogTitle(int model);
inline constexpr const char* kCameraDialogTemplateCaption = "Velmora Control Interface";
inline constexpr const char* kCameraSeriesNote =
    "* To take a series of images select Continuous and set number of exposures";
extern const char* const kCameraHelpText;

// Scroll bars: line up adds one and line down takes one, page up/down jump
// to the minimum/maximum, thumb sets the position, all within min..max. A
// typed value above the maximum is left where it is by line up and steps down
// from where it is by line down: only the arrows are bounded.
enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Thumb };
int ApplyScroll(int current, int minimum, int maximum, ScrollAction action, int thumb = 0);

// Number of exposures 1..999.
inline constexpr int kMaxExposureCount = 999;
// Selecting an exposure mode: 1 clears binned geometry, the others set it.
void SelectExposureMode(int mode);
// "Take Photo": with a non-zero number in the exposure box the value and the
// number of exposures are taken from the boxes; false (nothing happens) for 0.
bool TakePhotoFromBoxes(const std::string& exposureText, const std::string& countText);
// Typed values of boxes 105 and 112 are taken over on refresh. The exposure
// value is kept within the camera's limits (0 .. the longest exposure in the
// unit in force), not within the arrows' maximum.
void TakeTypedValues(const std::string& exposureText, const std::string& countText);
// "Autoguide Photo": message 59 while guiding runs (false); else marks
// guiding during the exposure when a guide star was picked in the guider
// frame, and acts as "Take Photo".
bool AutoguidePhoto(const std::string& exposureText, const std::string& countText);
// "Go to Autoguider ": message 59 while guiding; "Please select a telescope
// drive method before using autoguider" without a drive method; else true
// (the dialog closes with code 2).
bool GoToAutoguider();
// "Cooling on": off when cooling is supported, on and maximum cooling is off;
// otherwise on.
void ToggleCoolingOn(bool coolerSupported);
// The cooler request of a refresh: the temperature read, or false when the
// cooler is not supported.
bool RefreshCooler();
// The set-point bar is ignored while maximum cooling is on.
bool SetPointBarActive();
