// Byte-level helpers shared by the file readers and writers: little-endian
// numbers, the image read in the geometry's read blocks, and pixels written
// through a conversion in cache-sized blocks.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/state.h"
#include "platform/files.h"

inline void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

inline void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads every one of the W x H x 2 data bytes of the current geometry from
// the file's position, as the writers wrote them (the camera's read blocks
// would drop the last bytes of a size they do not divide). Returns the bytes
// (one buffer shared by every reader, valid until the next call), or nullptr
// on a short read.
const uint8_t* ReadImageBytes(std::FILE* file);

// Pixels converted per block when a write needs a byte order or depth
// change: large enough that the writes are bound by the disk, small enough
// to stay in cache.
inline constexpr size_t kConvertPixels = 1 << 19;

// The 8-bit form of pixels: the high byte of each.
inline void HighBytes(const Pixel* in, size_t n, uint8_t* out) {
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t(in[i] >> 8);
}

// Writes `pixels` pixels, each turned into bytesPerPixel bytes by
// convert(const Pixel* in, size_t n, uint8_t* out). False on a short write.
template <class Convert>
bool WriteConverted(SafeFileWriter& writer, const Pixel* image, size_t pixels, size_t bytesPerPixel,
                    Convert convert) {
    std::vector<uint8_t> block(std::min(pixels, kConvertPixels) * bytesPerPixel + 1);
    for (size_t done = 0; done < pixels;) {
        const size_t n = std::min(kConvertPixels, pixels - done);
        convert(image + done, n, block.data());
        if (!writer.Write(block.data(), n * bytesPerPixel)) return false;
        done += n;
    }
    return true;
}
