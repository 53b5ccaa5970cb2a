// The hot pixel map reader on arbitrary bytes, straight and through "Open".
#include "files/hot_pixels.h"
#include "files/raw_files.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    fuzz::Reset();
    LoadHotPixelMap(data, size);
    fuzz::Reset();
    OpenImageFile(fuzz::WriteInput("in.hpm", data, size));
    return 0;
}
