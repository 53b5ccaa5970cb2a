// The guiding file reader on arbitrary text. Whatever it took, the file it
// would write then reads back to the same record.
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    ResetGuider();
    ReadGuidingText(std::string(reinterpret_cast<const char*>(data), size));
    const std::string written = GuidingFileText();
    ResetGuider();
    if (!ReadGuidingText(written).empty() || GuidingFileText() != written) std::abort();
    return 0;
}
