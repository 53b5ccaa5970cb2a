#include "files/raw_files.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/messages.h"
#include "core/ui_hooks.h"
#include "files/file_state.h"
#include "files/fits.h"
#include "files/hot_pixels.h"
#include "files/pixel_io.h"
#include "platform/paths.h"
#include "platform/platform.h"

namespace {

// The busy cursor for the length of a load.
struct BusyCursor {
    BusyCursor() { Sys().system->SetBusyCursor(true); }
    ~BusyCursor() { Sys().system->SetBusyCursor(false); }
};

// Reads `bytes` bytes at the start of a file; false on a short read.
bool ReadStart(std::FILE* file, uint8_t* out, size_t bytes) {
    return std::fread(out, 1, bytes, file) == bytes;
}

// Raw pixels (little-endian) into a buffer of W x H of the geometry, read in
// the geometry's read blocks. Returns false on a short read; then the buffer
// is untouched.
bool ReadRawPixels(std::FILE* file, Pixel* buffer) {
    const ImageGeometry& g = State().geometry;
    const size_t pixels = size_t(g.width) * size_t(g.height);
    const uint8_t* bytes = ReadImageBytes(file);
    if (!bytes) return false;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(buffer, bytes, pixels * 2);
    } else {
        for (size_t i = 0; i < pixels; ++i) buffer[i] = Pixel(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return true;
}

// Writes pixels as 16-bit little-endian or as their high bytes.
bool WritePixels(SafeFileWriter& writer, const Pixel* image, size_t pixels, bool sixteenBit) {
    if (sixteenBit && std::endian::native == std::endian::little)
        return writer.Write(image, pixels * 2);
    if (sixteenBit)
        return WriteConverted(writer, image, pixels, 2, [](const Pixel* in, size_t n, uint8_t* out) {
            for (size_t i = 0; i < n; ++i) PutLe16(out + 2 * i, in[i]);
        });
    return WriteConverted(writer, image, pixels, 1, HighBytes);
}

void SetBinnedGeometry(bool binned) {
    State().geometry.binned = binned;
    RecomputeGeometry();
}

bool LoadHotPixelMapFile(std::FILE* file, int64_t length) {
    // Only as much as a map can hold is read: the magic, the count and at
    // most the largest list.
    const size_t want = size_t(std::min<int64_t>(length, 19 + 4 * int64_t(kMaxHotPixels)));
    std::vector<uint8_t> bytes(want);
    const size_t got = std::fread(bytes.data(), 1, want, file);
    bytes.resize(got);
    return LoadHotPixelMap(bytes.data(), bytes.size());
}

}  // namespace

FileStateRecord& FileState() {
    static FileStateRecord record;
    return record;
}

void ResetFileState() { FileState() = FileStateRecord{}; }

LengthClass ClassifyLength(int64_t length, int64_t ws, int64_t hs) {
    const FitsSizes f = FitsFileSizes(ws, hs);
    if (length == f.fullExact || length == f.fullPadded) return {LengthClass::Fits, false, false};
    if (length == f.fullOldPadding) return {LengthClass::Fits, false, true};
    if (length == f.binnedExact || length == f.binnedPadded) return {LengthClass::Fits, true, false};
    if (length == f.binnedOldPadding) return {LengthClass::Fits, true, true};
    if (length == ws * hs * 2) return {LengthClass::Raw, false, false};
    if (length == ws * hs / 2) return {LengthClass::Raw, true, false};
    return {};
}

int AutosaveNumberOfTitle(const std::string& title) {
    if (title.size() < 3) return -1;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(title[i])) != "IMG"[i]) return -1;
    const std::string rest = title.substr(3, title.find('.', 3) == std::string::npos
                                                 ? std::string::npos
                                                 : title.find('.', 3) - 3);
    long value = 0;
    size_t i = 0;
    while (i < rest.size() && rest[i] == ' ') ++i;
    bool negative = false;
    if (i < rest.size() && (rest[i] == '-' || rest[i] == '+')) negative = rest[i++] == '-';
    for (; i < rest.size() && std::isdigit(static_cast<unsigned char>(rest[i])) && value < 100000; ++i)
        value = value * 10 + (rest[i] - '0');
    return int(negative ? -value : value);
}

int OpenImageFile(const std::string& fileName) {
    AppState& s = State();
    FileState().lastOpenedFile = fileName;
    RecomputeGeometry();
    BusyCursor busy;

    const std::string host = MapPath(fileName);
    std::FILE* file = OpenRegularFile(host);
    if (!file) {
        ShowMessage(11);
        return 11;
    }
    const int64_t length = FileLength(host);
    const LengthClass kind = ClassifyLength(length, s.geometry.sensorWidth, s.geometry.sensorHeight);
    const bool wasBinned = s.geometry.binned;

    if (kind.kind == LengthClass::Raw) {
        SetBinnedGeometry(kind.binned);
        const bool ok = ReadRawPixels(file, s.imageA);
        std::fclose(file);
        if (!ok) {
            SetBinnedGeometry(wasBinned);
            ShowMessage(11);
            return 11;
        }
    } else if (kind.kind == LengthClass::Fits) {
        std::fclose(file);
        const FitsDetails details = s.fits;
        const auto history = s.history;
        const bool unsignedFormat = s.settings.unsignedFormat;
        ResetFitsDetails();
        SetBinnedGeometry(kind.binned);
        const int result = LoadFits(fileName, s.imageA);
        if (result != kFitsOk) {
            // Nothing of the failed file stays: details, history and
            // geometry are put back.
            s.fits = details;
            s.history = history;
            s.settings.unsignedFormat = unsignedFormat;
            SetBinnedGeometry(wasBinned);
            const int code = result == kFitsShortRead ? 13 : 14;
            ShowMessage(code);
            return code;
        }
        const int number = AutosaveNumberOfTitle(FileTitle(fileName));
        if (number >= 0) FileState().lastLoadedAutosave = number;
    } else {
        uint8_t magic[kHotPixelMagicBytes];
        const bool isMap = length >= 20 && ReadStart(file, magic, sizeof magic) &&
                           std::memcmp(magic, kHotPixelMagic, kHotPixelMagicBytes) == 0;
        if (!isMap) {
            std::fclose(file);
            ShowMessage(12);
            return 12;
        }
        std::rewind(file);
        const bool loaded = LoadHotPixelMapFile(file, length);
        std::fclose(file);
        if (!loaded) return 50;
        RedrawImageAbove();
        RepaintMainWindow();
        return kOpenedHotPixelMap;
    }

    RedrawImageAbove();
    RecomputeGeometry();
    UpdateMainWindowScroller();
    RepaintMainWindow();
    return kOpenedImage;
}

bool SaveRawFile(const std::string& fileName) {
    const ImageGeometry& g = State().geometry;
    SafeFileWriter writer(MapPath(fileName));
    if (!writer.Open()) {
        ShowMessage(17);
        return false;
    }
    const size_t pixels = size_t(g.width) * size_t(g.height);
    if (!WritePixels(writer, State().imageA, pixels, true) || !writer.Commit()) {
        ShowMessage(18);
        return false;
    }
    return true;
}

Bytes BuildTiffHeader(int width, int height, int strips, bool sixteenBit) {
    const uint32_t w = uint32_t(std::max(1, width)), h = uint32_t(std::max(1, height));
    strips = std::max(1, strips);
    const uint32_t b = sixteenBit ? 2 : 1;
    // Rows per strip: H / n, rounded up so that n strips carry every row.
    const uint32_t rowsPerStrip = (h + uint32_t(strips) - 1) / uint32_t(strips);
    const uint32_t n = (h + rowsPerStrip - 1) / rowsPerStrip;
    const uint32_t stripBytes = rowsPerStrip * w * b;
    const uint32_t lastBytes = (h - rowsPerStrip * (n - 1)) * w * b;

    Bytes out(186 + 8 * size_t(n), 0);
    uint8_t* p = out.data();
    p[0] = 'I';
    p[1] = 'I';
    PutLe16(p + 2, 42);
    PutLe32(p + 4, 8);
    PutLe16(p + 8, 13);
    enum Type { kShort = 3, kLong = 4, kRational = 5 };
    int entry = 0;
    auto add = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        uint8_t* e = p + 10 + 12 * entry++;
        PutLe16(e, tag);
        PutLe16(e + 2, type);
        PutLe32(e + 4, count);
        if (type == kShort && count == 1) PutLe16(e + 8, value);
        else PutLe32(e + 8, value);
    };
    const uint32_t offsetsAt = 186, countsAt = 186 + 4 * n, dataAt = 186 + 8 * n;
    add(254, kLong, 1, 0);
    add(256, kShort, 1, w);
    add(257, kShort, 1, h);
    add(258, kShort, 1, 8 * b);
    add(259, kShort, 1, 1);
    add(262, kShort, 1, 1);
    add(273, kLong, n, n == 1 ? dataAt : offsetsAt);
    add(277, kShort, 1, 1);
    add(278, kLong, 1, rowsPerStrip);
    add(279, kLong, n, n == 1 ? lastBytes : countsAt);
    add(282, kRational, 1, 170);
    add(283, kRational, 1, 178);
    add(296, kShort, 1, 3);
    PutLe32(p + 166, 0);
    PutLe32(p + 170, 510);
    PutLe32(p + 174, 6);
    PutLe32(p + 178, 256);
    PutLe32(p + 182, 4);
    for (uint32_t i = 0; i < n; ++i) {
        PutLe32(p + offsetsAt + 4 * i, dataAt + i * stripBytes);
        PutLe32(p + countsAt + 4 * i, i + 1 == n ? lastBytes : stripBytes);
    }
    return out;
}

int SaveTiff(const std::string& fileName, const Pixel* image, bool sixteenBit) {
    const ImageGeometry& g = State().geometry;
    const Bytes header = BuildTiffHeader(g.width, g.height, g.readBlocks, sixteenBit);
    SafeFileWriter writer(MapPath(fileName));
    if (!writer.Open() || !writer.Write(header.data(), header.size())) return 1;
    if (!WritePixels(writer, image, size_t(g.width) * size_t(g.height), sixteenBit)) return 1;
    return writer.Commit() ? 0 : 1;
}

int LoadSecondImage(const std::string& fileName) {
    AppState& s = State();
    const std::string host = MapPath(fileName);
    std::FILE* file = OpenRegularFile(host);
    if (!file) {
        ShowMessage(11);
        return 1;
    }
    const ImageGeometry& g = s.geometry;
    const int64_t length = FileLength(host);
    const LengthClass kind = ClassifyLength(length, g.sensorWidth, g.sensorHeight);
    if (kind.kind == LengthClass::Other || kind.oldPadding) {
        std::fclose(file);
        ShowMessage(16);
        return 1;
    }
    // A second image must have the geometry of the current one.
    if (kind.binned != g.binned) {
        std::fclose(file);
        ShowMessage(65);
        return 1;
    }
    if (kind.kind == LengthClass::Raw) {
        const bool ok = ReadRawPixels(file, s.imageB);
        std::fclose(file);
        if (!ok) {
            ShowMessage(11);
            return 1;
        }
        return 0;
    }
    std::fclose(file);
    const int result = LoadFitsPixels(fileName, s.imageB);
    if (result != kFitsOk) {
        ShowMessage(result == kFitsShortRead ? 13 : 14);
        return 1;
    }
    return 0;
}
