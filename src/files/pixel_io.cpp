#include "files/pixel_io.h"

const uint8_t* ReadImageBytes(std::FILE* file) {
    static std::vector<uint8_t> scratch;
    const ImageGeometry& g = State().geometry;
    const size_t bytes = size_t(std::max(0, g.width)) * size_t(std::max(0, g.height)) * 2;
    if (scratch.size() <= bytes) scratch.resize(bytes + 1);
    if (std::fread(scratch.data(), 1, bytes, file) != bytes) return nullptr;
    return scratch.data();
}
