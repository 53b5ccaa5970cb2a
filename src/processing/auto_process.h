// Auto-processing: the chain the exposure sequence runs on each new image
// (stretch with optional background removal, high pass low power, unsharp
// mask), and the rules of its "Auto-Processing Choices" dialog.
#pragma once
#include <string>

#include "core/settings_record.h"

// The stretch choice of the settings: 0 none, else the non-linear power
// (2 weak, 18 strong, or the user power).
int AutoStretchPower(const Settings& settings);
// The radio button in force: 101 none, 102 weak, 103 strong, 104 user.
int AutoStretchChoice(const Settings& settings);
// Sets the stretch choice from a radio button id (101..104).
void SetAutoStretchChoice(Settings& settings, int buttonId);

// "Save" of the dialog: each edit box's value is taken when valid (user power
// 2 <= v < 30, diameter 2..6, power 1..6); true when all three were valid.
bool TakeAutoChoiceEntries(Settings& settings, const std::string& userPower, const std::string& diameter,
                           const std::string& power);

// The chain on image buffer A, in order, each step with its own undo copy and
// history line, redrawing once at the end (when asked):
//  1. with a stretch chosen: the auto-contrast black point of the image; with
//     Remove Background the background table; then the non-linear stretch;
//  2. High Pass Low Power: radius 1, kernel 2, divisor 1;
//  3. Unsharp Mask with the stored diameter (as radius) and power.
void AutoProcess(bool redraw = true);

inline constexpr const char* kAutoHelpCaption = "Velmora - Auto Processing";
inline constexpr const char* kAutoHelpText =
    "To process images as they are taken choose from these options. You can select various non-linear "
    "stretches, a high pass or Unsharp mask filter.\n\nFor more control save raw images and apply all image "
    "processing later.";
