// The seam to the autosave writer, auto-processing and the calibration file
// names.
#include "acquisition/acq_links.h"

#include "core/state.h"
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

// While the focus loop runs the display renders the 128 x 128 frame under the
// model's focus bitmap name and reports its own failures (messages 8-10).
int AcqWriteFocusBitmap() {
    RedrawImage();
    return 0;
}
