// The program writes TIFF but reads no TIFF of its own: a TIFF handed to
// "Open" goes through the length classification like any other file. This
// target feeds it the program's TIFF files and their mutations.
#include "files/raw_files.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    fuzz::Reset();
    OpenImageFile(fuzz::WriteInput("in.tif", data, size));
    return 0;
}
