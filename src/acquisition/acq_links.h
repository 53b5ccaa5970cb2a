// What the exposure sequence calls in other subsystems (the autosave writer,
// auto-processing, the dark and flat paths), behind one small seam so the
// sequence and its tests do not depend on how those parts are spelt.
#pragma once
#include <string>

// The dark and flat file names used by the automatic calibration ("c:\dark.def"
// and "c:\flat.def" while none was chosen).
std::string& AcqDarkPath();
std::string& AcqFlatPath();
// The autosave writer: the next numbered FITS file in the autosave directory.
// 0 on success; fileName receives the program path written.
int AcqQuickSave(std::string* fileName);
// The auto-processing chain on image buffer A.
void AcqAutoProcess();
// Writes the focus frame bitmap (128 x 128) under the model's focus bitmap
// name and shows it; 0, or the message code of a failure not yet shown.
int AcqWriteFocusBitmap();
