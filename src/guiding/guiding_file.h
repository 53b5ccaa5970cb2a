// The guiding file: a small text file of our own beside the settings file
// that keeps what the binary settings record has no room for: the whole
// trained calibration in full precision (so the next night starts calibrated),
// the correction rule and its parameters, and the focal length.
#pragma once
#include <string>

// The file's path: beside the settings file.
std::string GuidingFilePath();
// Reads the file into Guider() (a missing file leaves the defaults); false
// with a message for a file that cannot be read.
bool LoadGuidingFile();
// Writes Guider()'s kept fields (a temporary file renamed over the old one).
bool SaveGuidingFile();
// Forgets the trained guider calibration and saves the file.
void ClearGuidingCalibration();
