// Dialog control ids of merging, auto-processing and the label (the menu
// command numbers are those of app/command_ids.h).
#pragma once

namespace processing_cmd {

// Buttons shared by the dialogs.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kHelp = 998;

// "MERGE IMAGES" (template 13). "Merge" is kOk.
inline constexpr int kMergeTemplate = 13;
inline constexpr int kMergeOriginal = 101;
inline constexpr int kMergeSecond = 102;
inline constexpr int kMergeAverage = 103;
inline constexpr int kMergeX1 = 104;
inline constexpr int kMergeX2 = 105;
inline constexpr int kMergeY1 = 106;
inline constexpr int kMergeY2 = 107;
inline constexpr int kMergeSuperimpose = 17185;
inline constexpr int kMergeCentre = 17186;
inline constexpr int kMergeAsteroidAdd = 17187;

// "Auto-Processing Choices" (template 20). "Save" is kOk.
inline constexpr int kAutoTemplate = 20;
inline constexpr int kAutoNoStretch = 101;
inline constexpr int kAutoWeak = 102;
inline constexpr int kAutoStrong = 103;
inline constexpr int kAutoUser = 104;
inline constexpr int kAutoUserPower = 105;
inline constexpr int kAutoRemoveBackground = 106;
inline constexpr int kAutoHighPass = 107;
inline constexpr int kAutoUnsharp = 108;
inline constexpr int kAutoDiameter = 109;
inline constexpr int kAutoPower = 110;

// "Label Current Image" (template 8).
inline constexpr int kLabelTemplate = 8;
inline constexpr int kLabelText = 4090;
inline constexpr int kLabelAutoDate = 102;
inline constexpr int kLabelOk = 104;

}  // namespace processing_cmd

// The file filter of the dark and flat choice.
inline constexpr const char* kCalibrationFileFilter = "Korvane (~*.)|~*.*|FITS files|*.FIT|All Files(*.*)|*.*|";

inline constexpr const char* kMergeHelpCaption = "Velmora_USB - Control Merging";
inline constexpr const char* kMergeHelpText =
    "Mark the position in the displayed image by pressing the left Mouse button. Then load the image to be "
    "merged by using the File/Open Menu Option. Mark the position to be matched on, and press the MERGE "
    "button.\n\nCheck the Average box if you want an average rather than addition.\n\nIf you want to set x "
    "and y shift to zero select superimpose.";
