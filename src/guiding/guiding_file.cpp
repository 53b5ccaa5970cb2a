#include "guiding/guiding_file.h"

#include "guiding/guider_state.h"
#include "settings/settings_file.h"

// A first stand-in: the file is not written yet.
std::string GuidingFilePath() { return SettingsFolder() + "/velmora-guiding.txt"; }
bool LoadGuidingFile() { return true; }
bool SaveGuidingFile() { return true; }
void ClearGuidingCalibration() {
    Guider().trained = false;
    Guider().useTrained = false;
    Guider().trainedSet = GuiderTrainingResult{};
    Guider().quality = {};
    Guider().trainedAtS = 0;
}
