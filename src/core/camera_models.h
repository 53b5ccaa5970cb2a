// The camera model table: one row per model code.
#pragma once
#include <array>
#include <string>
#include <vector>

struct CameraModel {
    int code = 0;
    const char* name = "";         // "Fir"
    int sensorWidth = 0;
    int sensorHeight = 0;
    double pixelSizeMm = 0;        // e.g. 0.0074
    int readBlocks = 0;            // 4, 8 or 16
    const char* bitmapName = "";   // "c:\Autosave\Velmora_Fir.bmp"
    const char* hotPixelMapName = nullptr;  // nullptr: leave the current name
    std::array<const char*, 3> readoutTexts{};  // 2x2/sub-frame, other binned, high resolution
    const char* manualPid = "";    // stored by "Set Program Defaults"
    std::vector<const char*> discoveredPids;
};

// The row for a model code, or nullptr (model 3 and unknown codes have none).
const CameraModel* FindCameraModel(int code);
const std::vector<CameraModel>& CameraModels();
// The camera control dialog caption for a model; empty when the model keeps
// the template's caption (9, 10, 11, 12).
std::string CameraDialogCaption(int code);
// The model whose discovered PIDs include pid (4 lower-case or upper-case hex
// digits); 0 when none.
int ModelForDiscoveredPid(const std::string& pid);
// The focus-frame ('f') or guider ('g') bitmap name derived from an image
// bitmap name: the letter goes before ".bmp".
std::string DerivedBitmapName(const std::string& imageBitmapName, char letter);

// Camera model codes, in the order of the manual selection radio buttons
// 17301..17311 of the program defaults dialog.
inline constexpr std::array<int, 11> kManualModelOrder{1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12};
