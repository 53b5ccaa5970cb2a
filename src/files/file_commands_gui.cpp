// The file commands in the main window's command table, with their dialogs.
#include "core/command_ids.h"
#include "core/commands.h"
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
    InstallDialogs() && RegisterCommand(cmd::kOpen, CommandOpen) &&
    RegisterCommand(cmd::kLoadHotPixelMap, CommandOpen) && RegisterCommand(cmd::kSave, CommandSave) &&
    RegisterCommand(cmd::kSaveTiff, CommandSaveTiff) && RegisterCommand(cmd::kSaveFits, CommandSaveFits) &&
    RegisterCommand(cmd::kQuickSaveFits, CommandQuickSaveFits) &&
    RegisterCommand(cmd::kSaveBinnedFits, CommandSaveBinnedFits) &&
    RegisterCommand(cmd::kLoadNextAutosaved, CommandLoadNextAutosaved) &&
    RegisterCommand(cmd::kDeleteFile, CommandDeleteFile) &&
    RegisterCommand(cmd::kEditAutosaveFitsText, CommandEditAutosaveFitsText) &&
    RegisterCommand(cmd::kFitsDetails, CommandShowFitsDetails) &&
    RegisterCommand(cmd::kSelectDarkFrame, CommandSelectDarkFrame) &&
    RegisterCommand(cmd::kSelectFlatField, CommandSelectFlatField) &&
    RegisterCommand(cmd::kCreateHotPixelMap, CommandCreateHotPixelMap) &&
    RegisterCommand(cmd::kApplyHotPixelMap, ApplyHotPixelMapCommand);

}  // namespace
