// The FITS reader on arbitrary bytes: the header checks and the pixel read.
#include "core/state.h"
#include "files/fits.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    fuzz::Reset();
    const std::string path = fuzz::WriteInput("in.fit", data, size);
    LoadFits(path, State().imageB);
    fuzz::Reset();
    LoadFitsPixels(path, State().imageB);
    return 0;
}
