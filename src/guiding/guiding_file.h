// The guiding file: a small text file of our own beside the settings file
// that keeps what the binary settings record has no room for: the whole
// trained calibration in full precision (so the next night starts calibrated),
// the correction rule and its parameters, and the focal length.
//
// A first comment line, then one "key=value" line per kept field (numbers
// "%.17g"). Reading ignores unknown keys; a line that cannot be used leaves
// its field's default, and one message names the first such line. A
// calibration is taken whole or not at all.
#pragma once
#include <string>

// The file's path: beside the settings file.
std::string GuidingFilePath();
// Reads the file into Guider() (a missing file leaves the defaults); false
// after one message for a file that could not be used as it stands.
bool LoadGuidingFile();
// Writes Guider()'s kept fields (a temporary file renamed over the old one);
// false after a message when it cannot be written.
bool SaveGuidingFile();
// Forgets the trained guider calibration and saves the file (false when it
// cannot be written).
bool ClearGuidingCalibration();

// The file's text for Guider() as it stands (the "key=value" lines after
// the first line are what `velmora-cli calibration show` prints).
std::string GuidingFileText();
// Reads a file's text into Guider(); returns "" when every line was used,
// else where the first unusable line is ("Line 5 and 2 more").
std::string ReadGuidingText(const std::string& text);
// A training just succeeded: what it was trained on, and now.
void NoteTrainedNow(bool onMain, int binning);
// "Calibration: none" or "Calibration: trained 2 h 10 min ago (classic,
// guider, bin 1)" at nowS (seconds since 1970).
std::string CalibrationAgeText(long long nowS);
