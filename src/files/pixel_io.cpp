#include "files/pixel_io.h"

const uint8_t* ReadImageBytes(std::FILE* file) {
    static std::vector<uint8_t> scratch;
    const ImageGeometry& g = State().geometry;
    const size_t bytes = size_t(std::max(0, g.width)) * size_t(std::max(0, g.height)) * 2;
    const size_t reads = size_t(std::max<int>(1, 2 * g.readBlocks));
    const size_t read = bytes / reads * reads;
    if (scratch.size() <= bytes) scratch.resize(bytes + 1);
    if (std::fread(scratch.data(), 1, read, file) != read) return nullptr;
    std::fill(scratch.begin() + ptrdiff_t(read), scratch.begin() + ptrdiff_t(bytes), 0);
    return scratch.data();
}
