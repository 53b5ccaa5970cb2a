#include "files/fits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "core/camera_models.h"
#include "files/pixel_io.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {

// One 80-byte card: the text from byte 1, the rest spaces.
void PutCard(char* card, const std::string& text) {
    std::memset(card, ' ', kFitsCardBytes);
    std::memcpy(card, text.data(), std::min(text.size(), kFitsCardBytes));
}

// FITS header text is printable ASCII and a quote would end the string
// early: other characters are written as '?', a quote as '`'.
std::string CardText(std::string text) {
    for (char& c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\'') c = '`';
        else if (u < 32 || u > 126) c = '?';
    }
    return text;
}

std::string Quoted(const char* keyword, const std::string& value) {
    return std::string(keyword) + CardText(value.substr(0, kFitsCardTextMax)) + "'";
}

// Piece k (0..3) of a long text, 68 characters padded with spaces.
std::string Piece(const std::string& text, int k) {
    std::string piece(kFitsCardTextMax, ' ');
    const size_t start = size_t(k) * kFitsCardTextMax;
    if (start < text.size()) {
        const size_t n = std::min(kFitsCardTextMax, text.size() - start);
        std::memcpy(piece.data(), text.data() + start, n);
    }
    return CardText(piece);
}

// A number card's value; "NAN" or "INF" is no FITS number, such a value is
// written as 0.
std::string Formatted(const char* format, double value) {
    if (!std::isfinite(value)) value = 0;
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string FormattedInt(const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The characters from column 12 up to the first quote (at most column 80).
std::string QuotedValue(const char* card) {
    std::string value;
    for (size_t i = 11; i < kFitsCardBytes && card[i] != '\''; ++i) value += card[i];
    return value;
}

// Columns first..last (1-based) read as a decimal integer; false when they
// hold no number.
bool ColumnsAsInt(const char* card, int first, int last, long& value) {
    char text[32] = {};
    std::memcpy(text, card + first - 1, size_t(last - first + 1));
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text;
}

// The value field of a number card (columns 10..30) with its sign; the value
// is left as it was when the field holds no (finite) number.
void ReadNumber(const char* card, double& value) {
    char text[32] = {};
    std::memcpy(text, card + 9, 21);
    char* end = nullptr;
    const double parsed = std::strtod(text, &end);
    if (end != text && std::isfinite(parsed)) value = parsed;
}

struct ParsedHeader {
    FitsDetails fits;
    std::array<std::string, kHistoryEntries> history;
    bool unsignedFormat = false;
};

// The header checks and, with details, the extraction of the header texts and
// numbers. header holds `available` bytes of the file start.
int ParseHeader(const char* header, size_t available, bool details, ParsedHeader& out) {
    auto card = [&](int n) { return header + size_t(n - 1) * kFitsCardBytes; };
    auto have = [&](int n) { return available >= size_t(n) * kFitsCardBytes; };
    const ImageGeometry& g = State().geometry;

    if (!have(2)) return kFitsShortRead;
    if (card(2)[28] != '1' || card(2)[29] != '6') return kFitsForeign;
    if (!have(3)) return kFitsShortRead;
    if (card(3)[29] != '2') return kFitsForeign;
    if (!have(4)) return kFitsShortRead;
    long width = 0, height = 0;
    if (!ColumnsAsInt(card(4), 27, 30, width) ||
        (width != g.sensorWidth && width != g.sensorWidth / 2))
        return kFitsForeign;
    if (!have(5)) return kFitsShortRead;
    if (!ColumnsAsInt(card(5), 27, 30, height) ||
        (height != g.sensorHeight && height != g.sensorHeight / 2))
        return kFitsForeign;
    if (!have(kFitsHeaderCards)) return kFitsShortRead;

    if (details) {
        FitsDetails& f = out.fits;
        std::string* texts[7] = {&f.object, &f.telescope, &f.instrument, &f.observer,
                                 &f.origin, &f.date, &f.time};
        for (int i = 0; i < 7; ++i) *texts[i] = QuotedValue(card(6 + i));
        for (int i = 0; i < kHistoryEntries; ++i) out.history[i] = QuotedValue(card(13 + i));
        f.history.clear();
        f.comment.clear();
        for (int k = 0; k < 4; ++k) {
            std::string h = QuotedValue(card(28 + k)), c = QuotedValue(card(32 + k));
            if (k == 3) {
                h = h.substr(0, 51);
                c = c.substr(0, 51);
            }
            f.history += h;
            f.comment += c;
        }
        ReadNumber(card(38), f.pixelWidthMm);
        ReadNumber(card(39), f.pixelHeightMm);
        ReadNumber(card(41), f.exposure);
        ReadNumber(card(42), f.focalLength);
        ReadNumber(card(43), f.aperture);
        f.filter = QuotedValue(card(44));
    }
    out.unsignedFormat = std::memcmp(card(36), "BZERO   =   +0.0000000000E+00", 29) == 0;
    return kFitsOk;
}

// Reads and checks one file; on success commits the header (with details)
// and decodes the pixels into buffer.
int ReadFits(const std::string& fileName, Pixel* buffer, bool details) {
    std::FILE* file = OpenRegularFile(MapPath(fileName));
    if (!file) return kFitsShortRead;
    char header[kFitsHeaderBytes];
    const size_t got = std::fread(header, 1, sizeof header, file);
    AppState& s = State();
    ParsedHeader parsed;
    parsed.fits = s.fits;
    const int result = ParseHeader(header, got, details, parsed);
    if (result != kFitsOk) {
        std::fclose(file);
        return result;
    }
    // The data come in the current geometry's read blocks.
    const uint8_t* in = ReadImageBytes(file);
    std::fclose(file);
    if (!in) return kFitsShortRead;

    if (details) {
        s.fits = parsed.fits;
        s.history = parsed.history;
    }
    s.settings.unsignedFormat = parsed.unsignedFormat;
    const uint16_t offset = parsed.unsignedFormat ? 0 : 0x8000;
    const size_t pixels = size_t(s.geometry.width) * size_t(s.geometry.height);
    for (size_t i = 0; i < pixels; ++i)
        buffer[i] = static_cast<Pixel>(((in[2 * i] << 8) | in[2 * i + 1]) ^ offset);
    return kFitsOk;
}

}  // namespace

int64_t FitsFillBytes(int64_t dataBytes) { return int64_t(kFitsBlockBytes) - dataBytes % int64_t(kFitsBlockBytes); }

FitsSizes FitsFileSizes(int64_t ws, int64_t hs) {
    const int64_t full = ws * hs * 2, binned = ws * hs / 2, header = int64_t(kFitsHeaderBytes);
    return FitsSizes{full + header,
                     full + FitsFillBytes(full) + header,
                     full + header + full % 2880 + 2880,
                     binned + header,
                     binned + FitsFillBytes(binned) + header,
                     binned + header + (ws * hs / 8) % 2880 + 2880};
}

void ComputeFitsPixelSize() {
    AppState& s = State();
    const ImageGeometry& g = s.geometry;
    const CameraModel* model = FindCameraModel(g.modelCode);
    double width = model ? model->pixelSizeMm : g.pixelWidthMm;
    double height = model ? model->pixelSizeMm : g.pixelHeightMm;
    if (g.binned) {
        if (!model) {  // the geometry already holds the doubled size
            width /= 2;
            height /= 2;
        }
        const double factor = g.binningMode == 13 ? 3 : g.binningMode == 14 ? 4 : 2;
        width *= factor;
        height *= factor;
    }
    s.fits.pixelWidthMm = width;
    s.fits.pixelHeightMm = height;
}

std::string BuildFitsHeader(int width, int height, bool eightBit) {
    const AppState& s = State();
    const FitsDetails& f = s.fits;
    std::string header(kFitsHeaderBytes, ' ');
    int n = 0;
    auto add = [&](const std::string& text) { PutCard(header.data() + size_t(n++) * kFitsCardBytes, text); };
    add("SIMPLE  =                    T /");
    add(eightBit ? "BITPIX  =                    8 /" : "BITPIX  =                   16 /");
    add("NAXIS   =                    2 /");
    add("NAXIS1  =                 " + FormattedInt("%4d /", width));
    add("NAXIS2  =                 " + FormattedInt("%4d /", height));
    add(Quoted("OBJECT  = '", f.object));
    add(Quoted("TELESCOP= '", f.telescope));
    add(Quoted("INSTRUME= '", f.instrument));
    add(Quoted("OBSERVER= '", f.observer));
    add(Quoted("ORIGIN  = '", f.origin));
    add(Quoted("DATE-OBS= '", f.date));
    add(Quoted("TIME-OBS= '", f.time));
    for (int i = 0; i < kHistoryEntries; ++i) add(Quoted("HISTORY = '", s.history[i]));
    for (int k = 0; k < 4; ++k) add("HISTORY = '" + Piece(f.history, k) + "'");
    for (int k = 0; k < 4; ++k) add("COMMENT = '" + Piece(f.comment, k) + "'");
    add("BZERO   =   +3.2768000000E+04");
    add("BSCALE  =   +1.0000000000E+00");
    add("PIXWIDTH=" + Formatted("    %11.10E", f.pixelWidthMm));
    add("PIXHEIGH=" + Formatted("    %11.10E", f.pixelHeightMm));
    add("SATURATE=                32768");
    add("EXPTIME =" + Formatted("    %11.10E", f.exposure));
    add("FOCALLEN=" + Formatted("    %11.10E", f.focalLength));
    add("APERTURE=" + Formatted("    %11.10E", f.aperture));
    add(Quoted("FILTER  = '", f.filter));
    add("END");
    return header;  // cards 46..72 stay blank
}

int SaveFitsImage(const std::string& fileName, const Pixel* image, int width, int height, bool eightBit) {
    ComputeFitsPixelSize();
    // An empty DATE-OBS is not a valid FITS date: every save fills a short
    // date from the system date, as the interactive saves always did.
    FillFitsDateFromSystem();
    // The file is always written in the offset form (BZERO 32768).
    State().settings.unsignedFormat = false;
    const std::string header = BuildFitsHeader(width, height, eightBit);

    SafeFileWriter writer(MapPath(fileName));
    if (!writer.Open() || !writer.Write(header.data(), header.size())) return 1;
    const size_t pixels = size_t(std::max(0, width)) * size_t(std::max(0, height));
    const bool written =
        eightBit ? WriteConverted(writer, image, pixels, 1, HighBytes)
                 : WriteConverted(writer, image, pixels, 2, [](const Pixel* in, size_t n, uint8_t* out) {
                       // v - 32768 as 16-bit two's complement, high byte first.
                       for (size_t i = 0; i < n; ++i) {
                           const uint16_t v = uint16_t(in[i] ^ 0x8000);
                           out[2 * i] = uint8_t(v >> 8);
                           out[2 * i + 1] = uint8_t(v);
                       }
                   });
    if (!written) return 1;
    const std::vector<uint8_t> fill(size_t(FitsFillBytes(int64_t(pixels) * (eightBit ? 1 : 2))), 0);
    if (!writer.Write(fill.data(), fill.size())) return 1;
    return writer.Commit() ? 0 : 1;
}

int SaveFits(const std::string& fileName, const Pixel* image, bool eightBit) {
    const ImageGeometry& g = State().geometry;
    return SaveFitsImage(fileName, image, g.width, g.height, eightBit);
}

int LoadFits(const std::string& fileName, Pixel* buffer) { return ReadFits(fileName, buffer, true); }

int LoadFitsPixels(const std::string& fileName, Pixel* buffer) { return ReadFits(fileName, buffer, false); }

void ResetFitsDetails() {
    AppState& s = State();
    FitsDetails& f = s.fits;
    f.object.clear();
    f.observer.clear();
    f.date.clear();
    f.time.clear();
    f.telescope.clear();
    f.instrument = "Korvane CCD";
    f.comment.clear();
    f.history.clear();
    for (std::string& entry : s.history) entry.clear();
    f.focalLength = 0;
    f.aperture = 0;
    f.exposure = 0;
    f.filter = "None";
}

UtTime PcClockToUt(int64_t seconds) {
    const std::time_t now = static_cast<std::time_t>(seconds);
    std::tm t{};
    gmtime_r(&now, &t);
    return UtTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

std::string FitsDateText(const UtTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", 2000 + ((t.year % 100) + 100) % 100, t.month, t.day);
    return text;
}

std::string FitsTimeText(const UtTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

bool IsValidFitsDate(const std::string& date) {
    // "YYYY-MM-DD", optionally followed by "Thh:mm:ss[.s...]".
    auto digits = [&](size_t at, size_t n) {
        if (date.size() < at + n) return -1;
        int v = 0;
        for (size_t i = at; i < at + n; ++i) {
            if (date[i] < '0' || date[i] > '9') return -1;
            v = v * 10 + (date[i] - '0');
        }
        return v;
    };
    const int year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || date[4] != '-' || date[7] != '-') return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int days[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (day > days[month - 1]) return false;
    if (date.size() == 10) return true;
    const int hour = digits(11, 2), minute = digits(14, 2), second = digits(17, 2);
    if (date[10] != 'T' || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60 ||
        date[13] != ':' || date[16] != ':')
        return false;
    if (date.size() == 19) return true;
    if (date[19] != '.' || date.size() == 20) return false;
    return digits(20, date.size() - 20 > 9 ? 9 : date.size() - 20) >= 0 && date.size() <= 29;
}

void FillFitsDateFromSystem() {
    FitsDetails& f = State().fits;
    if (IsValidFitsDate(f.date)) return;
    f.date = FitsDateText(PcClockToUt(Sys().clock->UnixSeconds()));
}

uint16_t NextAutosaveCounter(uint16_t counter) { return counter >= 65530 ? 1 : uint16_t(counter + 1); }

std::string QuickSaveFileName(uint16_t counter) {
    return JoinPath(AutosaveDirectory(), "IMG" + std::to_string(counter) + ".FIT");
}

int QuickSaveFits(const Pixel* image) {
    AppState& s = State();
    EnsureDirectory(MapPath(AutosaveDirectory(), true));
    // The counter is a 16-bit field of the settings file, counted unsigned.
    const uint16_t counter = NextAutosaveCounter(uint16_t(s.settings.autosaveCounter));
    const std::string name = QuickSaveFileName(counter);

    FitsDetails& f = s.fits;
    // An image never exposed in this session has no stamps: it carries the
    // time of the save rather than 1 January 1970, which the two-digit year
    // would turn into 2070.
    if (f.exposureStart == 0 && f.exposureEnd == 0) f.exposureStart = f.exposureEnd = Sys().clock->UnixSeconds();
    const int64_t mid = f.exposureStart + int64_t(double(f.exposureEnd - f.exposureStart) * 0.5);
    f.exposureStart = mid;
    const UtTime ut = PcClockToUt(mid);
    f.time = FitsTimeText(ut);
    f.date = FitsDateText(ut);

    const int result = SaveFits(name, image, false);
    // A file is counted only once it is saved: a failed save keeps the number
    // for the next try.
    if (result != 0) return result;
    s.settings.autosaveCounter = int16_t(counter);
    return SaveSettings();
}
