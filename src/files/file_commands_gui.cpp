// The file commands in the main window's command table, with their dialogs.
#include "app/commands.h"
#include "files/file_command_ids.h"
#include "files/file_commands.h"
#include "files/file_dialogs.h"
#include "files/hot_pixels.h"

namespace {

bool InstallDialogs() {
    FileDialogRunners& dialogs = FileDialogs();
    dialogs.fitsDetails = RunFitsDetailsDialog;
    dialogs.confirmDelete = RunDeleteDialog;
    dialogs.hotPixelMap = RunHotPixelMapDialog;
    return true;
}

const bool registered =
    InstallDialogs() && RegisterCommand(filecmd::kOpen, CommandOpen) &&
    RegisterCommand(filecmd::kLoadHotPixelMap, CommandOpen) && RegisterCommand(filecmd::kSave, CommandSave) &&
    RegisterCommand(filecmd::kSaveTiff, CommandSaveTiff) && RegisterCommand(filecmd::kSaveFits, CommandSaveFits) &&
    RegisterCommand(filecmd::kQuickSaveFits, CommandQuickSaveFits) &&
    RegisterCommand(filecmd::kSaveBinnedFits, CommandSaveBinnedFits) &&
    RegisterCommand(filecmd::kLoadNextAutosaved, CommandLoadNextAutosaved) &&
    RegisterCommand(filecmd::kDeleteFile, CommandDeleteFile) &&
    RegisterCommand(filecmd::kEditAutosaveFitsText, CommandEditAutosaveFitsText) &&
    RegisterCommand(filecmd::kFitsDetails, CommandShowFitsDetails) &&
    RegisterCommand(filecmd::kSelectDarkFrame, CommandSelectDarkFrame) &&
    RegisterCommand(filecmd::kSelectFlatField, CommandSelectFlatField) &&
    RegisterCommand(filecmd::kCreateHotPixelMap, CommandCreateHotPixelMap) &&
    RegisterCommand(filecmd::kApplyHotPixelMap, ApplyHotPixelMapCommand);

}  // namespace
