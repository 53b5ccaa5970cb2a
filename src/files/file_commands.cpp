#include "files/file_commands.h"

#include <cctype>

#include "core/messages.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "files/file_state.h"
#include "files/fits.h"
#include "files/hot_pixels.h"
#include "files/raw_files.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {

// Asks for a file with the open or save dialog and remembers the filter.
std::string AskRemembering(bool save, const std::string& title, const char* filters) {
    int index = FileState().lastFilterIndex;
    FileChooser& chooser = *Sys().files;
    const std::string name = save ? chooser.AskSave(title, filters, index, "")
                                  : chooser.AskOpen(title, filters, index, "");
    if (!name.empty()) FileState().lastFilterIndex = RememberedFilterIndex(index, name);
    return name;
}

bool RunFitsDetailsDialog() {
    const auto& dialog = FileDialogs().fitsDetails;
    return dialog ? dialog() : true;
}

void SetCurrentFileName(const std::string& name) {
    State().currentFileName = name;
    UpdateMainWindowCaption();
}

// The steps of "S&ave as FITS file...": details dialog, save dialog, write.
void SaveFitsInteractively(bool unexpandedBinned) {
    AppState& s = State();
    s.fits.eightBit = false;
    FillFitsDateFromSystem();
    if (!RunFitsDetailsDialog()) return;
    int index = 1;
    std::string name = Sys().files->AskSave("Save as FITS file", kFitsFilter, index, "");
    if (name.empty()) return;
    name = WithDefaultExtension(name, "FIT");
    const ImageGeometry& g = s.geometry;
    const int result = unexpandedBinned
                           ? SaveFitsImage(name, s.rawBinned, g.unexpandedWidth, g.unexpandedHeight,
                                           s.fits.eightBit)
                           : SaveFits(name, s.imageA, s.fits.eightBit);
    if (result != 0) ShowMessage(29);
}

}  // namespace

FileDialogRunners& FileDialogs() {
    static FileDialogRunners runners;
    return runners;
}

int RememberedFilterIndex(int chosenIndex, const std::string& fileName) {
    if (chosenIndex == 2) return 2;
    return FileTitle(fileName).find('~') != std::string::npos ? 1 : 3;
}

std::string LowerTitle(const std::string& path) {
    std::string title = FileTitle(path);
    for (char& c : title) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return title;
}

std::string WithDefaultExtension(const std::string& fileName, const std::string& extension) {
    if (FileTitle(fileName).find('.') != std::string::npos) return fileName;
    return fileName + "." + extension;
}

void CommandOpen() {
    const std::string name = AskRemembering(false, "Open", kOpenFilter);
    if (name.empty()) return;
    // While merging, the image on screen becomes the first image.
    if (const auto& hook = UpperLayers().beforeImageOpen) hook();
    if (OpenImageFile(name) == kOpenedImage) SetCurrentFileName(LowerTitle(name));
}

void CommandSave() {
    const std::string name = AskRemembering(true, "Save", kNativeFilter);
    if (name.empty()) return;
    if (SaveRawFile(name)) SetCurrentFileName(FileTitle(name));
}

void CommandSaveTiff() {
    int index = 1;
    std::string name = Sys().files->AskSave("Save as Tiff file", kTiffFilter, index, "");
    if (name.empty()) return;
    name = WithDefaultExtension(name, "TIF");
    if (SaveTiff(name, State().imageA, State().settings.tiff16) != 0) ShowMessage(29);
}

void CommandSaveFits() { SaveFitsInteractively(false); }

void CommandQuickSaveFits() {
    const int result = QuickSaveFits(State().imageA);
    if (result == 1) ShowMessage(29);
    else if (result != 0) ShowMessage(24);  // the image is saved, the counter is not
}

void CommandSaveBinnedFits() {
    AppState& s = State();
    if (s.geometry.binningMode != 13 && s.geometry.binningMode != 14) {
        ShowMessage(68);
        return;
    }
    if (!s.settings.suppressFileSavingWarning) {
        const int answer = Sys().messages->Show(
            kProgramCaption, "The file you are about to save canot be re-loaded into this program",
            MessageIcon::Question);
        if (answer == kButtonCancel || answer == kButtonNo) return;
    }
    SaveFitsInteractively(true);
}

void CommandLoadNextAutosaved() {
    FileStateRecord& files = FileState();
    const int counter = uint16_t(State().settings.autosaveCounter);
    if (files.lastLoadedAutosave <= 0 || files.lastLoadedAutosave >= counter) {
        ShowMessage(40);
        return;
    }
    ++files.lastLoadedAutosave;
    const std::string name = QuickSaveFileName(uint16_t(files.lastLoadedAutosave));
    if (OpenImageFile(name) == kOpenedImage) SetCurrentFileName(LowerTitle(name));
}

void CommandDeleteFile() {
    const std::string name = AskRemembering(false, "Delete File", kNativeFilter);
    if (name.empty()) return;
    const auto& confirm = FileDialogs().confirmDelete;
    if (confirm && confirm(name)) RemoveFile(MapPath(name));
}

void CommandEditAutosaveFitsText() {
    LoadSettingsAtStartup();
    State().fits.eightBit = false;
    if (RunFitsDetailsDialog()) SaveSettingsReporting(24);
}

void CommandShowFitsDetails() { RunFitsDetailsDialog(); }

void CommandSelectDarkFrame() {
    const std::string name = AskRemembering(false, "Select Dark Frame", kNativeFilter);
    if (name.empty()) return;
    State().darkFileName = name;
    if (const auto& hook = UpperLayers().darkFrameChosen) hook();
}

void CommandSelectFlatField() {
    const std::string name = AskRemembering(false, "Select Flatfield File", kNativeFilter);
    if (name.empty()) return;
    State().flatFileName = name;
    if (const auto& hook = UpperLayers().flatFieldChosen) hook();
}

void CommandCreateHotPixelMap() {
    if (const auto& dialog = FileDialogs().hotPixelMap) dialog();
    RepaintMainWindow();
}
