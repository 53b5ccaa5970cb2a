// "Open" on arbitrary bytes: the length decides between the raw image, its
// binned form, FITS and the hot pixel map.
#include "files/raw_files.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    fuzz::Reset();
    OpenImageFile(fuzz::WriteInput("in.raw", data, size));
    fuzz::Reset();
    LoadSecondImage(fuzz::WriteInput("second.raw", data, size));
    return 0;
}
