// The file commands without their windows: each asks the platform's file
// chooser for names and the dialogs below for the rest, so the same command
// runs in the program and in tests.
#pragma once
#include <functional>
#include <string>

// The dialogs the commands open (set by the dialog files; tests put fakes in).
struct FileDialogRunners {
    // "FITS DETAILS": true on "Continue".
    std::function<bool()> fitsDetails;
    // "DELETE FILE DIALOG" for a file name: true on "OK".
    std::function<bool(const std::string& fileName)> confirmDelete;
    // "Calculate Hot Pixel Map"; the dialog saves the map itself.
    std::function<void()> hotPixelMap;
};
FileDialogRunners& FileDialogs();

// Filter lists of the file dialogs.
inline constexpr const char* kOpenFilter = "Korvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|";
inline constexpr const char* kNativeFilter = "Korvane (~*.)|~*.*|FITS files|*.FIT|All Files(*.*)|*.*|";
inline constexpr const char* kTiffFilter = "Tiff file (*.TIF)|*.TIF|All Files(*.*)|*.*|";
inline constexpr const char* kFitsFilter = "FITS file (*.FIT)|*.FIT|All Files(*.*)|*.*|";

// The filter index remembered after a dialog: 2 when FITS was chosen, else 1
// when the title contains "~", else 3.
int RememberedFilterIndex(int chosenIndex, const std::string& fileName);
// The lower-cased title of a path.
std::string LowerTitle(const std::string& path);
// Appends ".<extension>" when the name's title has none.
std::string WithDefaultExtension(const std::string& fileName, const std::string& extension);

// The commands, by menu item.
void CommandOpen();                 // 24332, 32102
void CommandSave();                 // 24333
void CommandSaveTiff();             // 24334
void CommandSaveFits();             // 24335
void CommandQuickSaveFits();        // 24336
void CommandSaveBinnedFits();       // 24339
void CommandLoadNextAutosaved();    // 24337
void CommandDeleteFile();           // 13
void CommandEditAutosaveFitsText(); // 19
void CommandShowFitsDetails();      // 20
void CommandSelectDarkFrame();      // 104
void CommandSelectFlatField();      // 122
void CommandCreateHotPixelMap();    // 32101
