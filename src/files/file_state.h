// What the file commands remember between commands.
#pragma once
#include <string>

struct FileStateRecord {
    // Filter shown first by the open and save dialogs: 1 native, 2 FITS,
    // 3 all files.
    int lastFilterIndex = 1;
    // The number of the last autosaved file opened (IMG<n>.FIT); 0 = none.
    int lastLoadedAutosave = 0;
    std::string lastOpenedFile;
    // Hot pixel threshold, 5000..65535.
    int hotPixelThreshold = 65535;
};

FileStateRecord& FileState();
void ResetFileState();
