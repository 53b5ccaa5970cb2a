// The settings reader on arbitrary bytes, with its rewrite of a bad file.
#include <filesystem>

#include "fuzz_support.h"
#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    std::filesystem::create_directories(fuzz::Home() + "/autosave");
    fuzz::WriteInput("autosave/Velmora.ini", data, size);
    LoadSettings();
    return 0;
}
