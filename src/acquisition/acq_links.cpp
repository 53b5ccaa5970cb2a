// The seam to the autosave writer, auto-processing and the calibration file
// names.
#include "acquisition/acq_links.h"

#include "app/state.h"
#include "display/render.h"
#include "files/fits.h"
#include "platform/paths.h"
#include "processing/auto_process.h"

std::string& AcqDarkPath() { return State().darkFileName; }
std::string& AcqFlatPath() { return State().flatFileName; }

int AcqQuickSave(std::string* fileName) {
    const int result = QuickSaveFits(State().imageA);
    if (fileName) *fileName = QuickSaveFileName(uint16_t(State().settings.autosaveCounter));
    return result;
}

void AcqAutoProcess() { AutoProcess(true); }

int AcqWriteFocusBitmap() {
    return WriteDisplayBitmap(MapPath(State().geometry.focusBitmapName)) ? 0 : 8;
}
