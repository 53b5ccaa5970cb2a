#include "core/camera_models.h"

#include <algorithm>
#include <cctype>

const std::vector<CameraModel>& CameraModels() {
    static const std::vector<CameraModel> models = {
        {1, "Alder", 1304, 1024, 0.00645, 8, "c:\\Autosave\\Velmora_Alder.bmp", nullptr,
         {" - takes 1 second", " - takes < 1 second", " - takes 1-2 seconds"}, "0505", {"0517"}},
        {2, "Birch", 1392, 1040, 0.00645, 8, "c:\\Autosave\\Velmora_Birch.bmp", "Velmora_Birch_HPM",
         {" - takes 2-3 seconds", " - takes 1-2 seconds", " - takes 4-5 seconds"}, "0119", {"0119", "0509"}},
        {4, "Fir", 2048, 2048, 0.0074, 16, "c:\\Autosave\\Velmora_Fir.bmp", "Velmora_Fir_HPM",
         {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 5-6 seconds"}, "0126", {"0126"}},
        {5, "Hazel", 3326, 2504, 0.0054, 4, "c:\\Autosave\\Velmora_Hazel.bmp", "Velmora_Hazel_HPM",
         {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 5-6 seconds"}, "0128", {"0128"}},
        {6, "Larch", 4008, 2672, 0.009, 16, "c:\\Autosave\\Velmora_Larch.bmp", "Velmora_Larch_HPM",
         {" - takes 4-5 seconds", " - takes 2-3 seconds", " - takes 8-9 seconds"}, "0135", {"0135"}},
        {7, "Maple", 4904, 3280, 0.0074, 16, "c:\\Autosave\\Velmora_Maple.bmp", "Velmora_Maple_HPM",
         {" - takes 6-7 seconds", " - takes 4-5 seconds", " - takes 10-11 seconds"}, "0136", {"0136"}},
        {8, "Elm", 2456, 2064, 0.00345, 16, "c:\\Autosave\\Velmora_Oak.bmp", "Velmora_Oak_HPM",
         {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 6-7 seconds"}, "0125", {"0137"}},
        {9, "Pine", 1940, 1460, 0.00345, 4, "c:\\Autosave\\Velmora_Pine.bmp", "Velmora_Pine_HPM",
         {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 6-7 seconds"}, "0174", {"0174"}},
        {10, "Rowan", 2750, 2200, 0.00345, 4, "c:\\Autosave\\Velmora_Rowan.bmp", "Velmora_Rowan_HPM",
         {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 6-7 seconds"}, "0194", {"0194"}},
        {11, "Spruce", 3388, 2712, 0.00369, 4, "c:\\Autosave\\Velmora_Spruce.bmp", "Velmora_Spruce_HPM",
         {" - takes 4-5 seconds", " - takes 2-3 seconds", " - takes 8-9 seconds"}, "0198", {}},
        {12, "Yew", 1392, 1040, 0.00645, 8, "c:\\Autosave\\Velmora_Yew.bmp", "Velmora_Yew_HPM",
         {" - takes 2-3 seconds", " - takes 1-2 seconds", " - takes 4-5 seconds"}, "0189", {}},
    };
    return models;
}

const CameraModel* FindCameraModel(int code) {
    for (const CameraModel& m : CameraModels())
        if (m.code == code) return &m;
    return nullptr;
}

std::string CameraDialogCaption(int code) {
    switch (code) {
        case 1: return "Velmora_Alder Camera Control";
        case 2: return "Velmora_Birch Camera Control";
        case 3: return "Velmora_Cedar Camera Control";
        case 4: return "Velmora_Fir Camera Control";
        case 5: return "Velmora_Hazel Camera Control";
        case 6: return "Velmora_Larch Camera Control";
        case 7: return "Velmora_Maple Camera Control";
        case 8: return "Velmora_Elm Camera Control";
        default: return "";
    }
}

int ModelForDiscoveredPid(const std::string& pid) {
    std::string want = pid;
    for (char& c : want) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const CameraModel& m : CameraModels())
        for (const char* p : m.discoveredPids)
            if (want == p) return m.code;
    return 0;
}

std::string DerivedBitmapName(const std::string& imageBitmapName, char letter) {
    const size_t dot = imageBitmapName.rfind(".bmp");
    if (dot == std::string::npos) return imageBitmapName + letter;
    return imageBitmapName.substr(0, dot) + letter + imageBitmapName.substr(dot);
}
