#include "settings/settings_file.h"

#include <cstring>

#include "core/messages.h"
#include "core/state.h"
#include "platform/paths.h"
#include "platform/platform.h"

namespace {

constexpr size_t kCardLength = 80;
constexpr size_t kPieceLength = 68;
constexpr size_t kAutosaveDirBytes = 100;
constexpr size_t kFilterNameBytes = 10;
constexpr size_t kPidBytes = 5;

// ---- writing -------------------------------------------------------------

class Writer {
public:
    void Short(int16_t v) {
        const uint16_t u = static_cast<uint16_t>(v);
        bytes.push_back(uint8_t(u & 0xFF));
        bytes.push_back(uint8_t(u >> 8));
    }
    void Letter(char c) { bytes.push_back(uint8_t(c)); }
    void YesNo(bool flag) { Letter(flag ? 'y' : 'n'); }
    void Digit(bool flag) { Letter(flag ? '1' : '0'); }
    void Double(double v) {
        uint8_t raw[8];
        std::memcpy(raw, &v, 8);  // the host is little-endian
        bytes.insert(bytes.end(), raw, raw + 8);
    }
    // Keyword text and value in an 80-byte card of spaces, closed by a quote.
    void Card(const std::string& keyword, const std::string& value) {
        std::string card = keyword + value.substr(0, kCardLength - keyword.size() - 1) + "'";
        card.resize(kCardLength, ' ');
        bytes.insert(bytes.end(), card.begin(), card.end());
    }
    // Four cards carrying 68-character pieces of a long text, each padded with
    // spaces so the closing quote stands at byte 80.
    void PieceCards(const std::string& keyword, const std::string& text) {
        for (size_t k = 0; k < 4; ++k) {
            std::string piece = k * kPieceLength < text.size() ? text.substr(k * kPieceLength, kPieceLength) : "";
            piece.resize(kPieceLength, ' ');
            Card(keyword, piece);
        }
    }
    // A text with its terminating NUL in a fixed field; fill is the byte
    // before the text is copied in.
    void Fixed(const std::string& text, size_t size, char fill) {
        std::string field(size, fill);
        const size_t n = std::min(text.size(), size - 1);
        std::memcpy(field.data(), text.data(), n);
        field[n] = '\0';
        bytes.insert(bytes.end(), field.begin(), field.end());
    }
    Bytes bytes;
};

// Speed and hysteresis values of 50 or more are written as 10; Dec backlash
// values of 50 or more as 0.
int16_t ClampRate(int16_t v) { return v >= 50 ? 10 : v; }
int16_t ClampDecBacklash(int16_t v) { return v >= 50 ? 0 : v; }

// ---- reading -------------------------------------------------------------

enum class ReadResult { Ok, Short, Invalid };

class Reader {
public:
    explicit Reader(const Bytes& bytes) : bytes_(bytes) {}
    bool Take(size_t n, const uint8_t*& out) {
        if (pos_ + n > bytes_.size()) return false;
        out = bytes_.data() + pos_;
        pos_ += n;
        return true;
    }
    bool Short(int16_t& v) {
        const uint8_t* p;
        if (!Take(2, p)) return false;
        v = static_cast<int16_t>(uint16_t(p[0] | (p[1] << 8)));
        return true;
    }
    bool Byte(char& c) {
        const uint8_t* p;
        if (!Take(1, p)) return false;
        c = static_cast<char>(p[0]);
        return true;
    }
    bool Double(double& v) {
        const uint8_t* p;
        if (!Take(8, p)) return false;
        std::memcpy(&v, p, 8);
        return true;
    }
    // The characters from byte 12 up to the first quote of a card.
    bool CardText(std::string& text, size_t length = kCardLength) {
        const uint8_t* p;
        if (!Take(length, p)) return false;
        text.clear();
        for (size_t i = 11; i < length && p[i] != '\''; ++i) text.push_back(char(p[i]));
        return true;
    }
    bool PieceText(std::string& text) {
        text.clear();
        for (int k = 0; k < 4; ++k) {
            std::string piece;
            if (!CardText(piece)) return false;
            if (k == 3 && piece.size() > 51) piece.resize(51);
            text += piece;
        }
        return true;
    }
    // A fixed text field: up to the NUL (or a quote), at most size - 1.
    bool Fixed(std::string& text, size_t size, bool quoteEnds) {
        const uint8_t* p;
        if (!Take(size, p)) return false;
        text.clear();
        for (size_t i = 0; i + 1 < size && p[i] != 0; ++i) {
            if (quoteEnds && (p[i] == '\'' || p[i] == '"')) break;
            text.push_back(char(p[i]));
        }
        return true;
    }

private:
    const Bytes& bytes_;
    size_t pos_ = 0;
};

bool IsOneOf(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

// Reads every field into s and f in file order. A value that fails its check
// is not taken and ends the reading.
ReadResult Decode(const Bytes& bytes, Settings& s, FitsDetails& f) {
    Reader r(bytes);
    int16_t v;
    char c;
    std::string text;
#define SHORT_INTO(field) \
    if (!r.Short(v)) return ReadResult::Short; \
    s.field = v;
#define NEED(expr) \
    if (!(expr)) return ReadResult::Short;
#define CHECK(ok) \
    if (!(ok)) return ReadResult::Invalid;

    SHORT_INTO(autosaveCounter);                                        // 1
    SHORT_INTO(utOffsetHours);                                          // 2
    NEED(r.Byte(c));                                                    // 3
    if (c == '1' || c == '2')
        s.telescopeComPort = c;
    else
        Sys().messages->Show(kProgramCaption, "Failed to read comm port value", MessageIcon::None);
    SHORT_INTO(reserved4);                                              // 4
    SHORT_INTO(guideStarMaskRadius);                                    // 5
    SHORT_INTO(reserved6);                                              // 6
    NEED(r.Byte(c));                                                    // 7
    CHECK(IsOneOf(c, "lgr"));
    s.windowBackground = c;
    NEED(r.Byte(c));                                                    // 8
    s.focusDelay = c == '1';
    SHORT_INTO(raPixelsPerSecond);                                      // 9
    SHORT_INTO(decPixelsPerSecond);                                     // 10
    NEED(r.Short(v));                                                   // 11
    CHECK(v >= 0 && v <= 30);
    s.raBacklash = v;
    SHORT_INTO(decBacklash);                                            // 12
    NEED(r.Byte(c));                                                    // 13
    CHECK(IsOneOf(c, "10"));
    s.ignoreDriftBelowHysteresis = c == '1';
    NEED(r.Byte(c));                                                    // 14
    CHECK(IsOneOf(c, "nlab"));
    s.driveMethod = c;
    NEED(r.Byte(c));                                                    // 15
    CHECK(IsOneOf(c, "10"));
    s.cameraOption15 = c == '1';
    SHORT_INTO(raHysteresis);                                           // 16
    SHORT_INTO(decHysteresis);                                          // 17
    {                                                                   // 18
        std::array<char, 4> letters{};
        for (char& l : letters) NEED(r.Byte(l));
        CHECK(IsOneOf(letters[2], "ew") || IsOneOf(letters[3], "ew"));
        s.guideLetters = letters;
    }
    NEED(r.Byte(c));                                                    // 19
    s.autoWeakStretch = c == 'y';
    NEED(r.Byte(c));                                                    // 20
    s.autoStrongStretch = c == 'y';
    NEED(r.Byte(c));                                                    // 21
    s.autoUserStretch = c == 'y';
    NEED(r.Short(v));                                                   // 22
    CHECK(v >= 1 && v <= 36);
    s.autoUserStretchValue = v;
    NEED(r.Byte(c));                                                    // 23
    CHECK(IsOneOf(c, "yn"));
    s.autoHighPassLowPower = c == 'y';
    NEED(r.Byte(c));                                                    // 24
    CHECK(IsOneOf(c, "yn"));
    s.autoUnsharpMask = c == 'y';
    NEED(r.Short(v));                                                   // 25
    CHECK(v != 0 && v <= 6);
    s.autoUnsharpDiameter = v;
    NEED(r.Short(v));                                                   // 26
    CHECK(v != 0 && v <= 6);
    s.autoUnsharpPower = v;
    NEED(r.Byte(c));                                                    // 27
    CHECK(IsOneOf(c, "yn"));
    s.autoRemoveBackground = c == 'y';
    NEED(r.Byte(c));                                                    // 28
    s.reserved28 = c;
    // An older layout without a proper field 28 is one byte shorter here.
    NEED(r.CardText(f.object, IsOneOf(c, "yn") ? kCardLength : kCardLength - 1));  // 29
    NEED(r.CardText(f.telescope));                                      // 30
    NEED(r.CardText(f.instrument));                                     // 31
    NEED(r.CardText(f.observer));                                       // 32
    NEED(r.CardText(f.origin));                                         // 33
    NEED(r.PieceText(f.history));                                       // 34-37
    NEED(r.PieceText(f.comment));                                       // 38-41
    NEED(r.CardText(f.filter));                                         // 42
    NEED(r.Double(f.aperture));                                         // 43
    NEED(r.Double(f.focalLength));                                      // 44
    NEED(r.Byte(c));                                                    // 45
    s.unsignedFormat = false;
    NEED(r.Byte(c));                                                    // 46
    s.showInterfaceDetails = c == 'y';
    NEED(r.Fixed(text, kAutosaveDirBytes, true));                       // 47
    s.autosaveDirText = text;
    SHORT_INTO(guiderRaPixelsPerSecond);                                // 48
    SHORT_INTO(guiderDecPixelsPerSecond);                               // 49
    NEED(r.Short(v));                                                   // 50
    CHECK(v >= 0 && v <= 30);
    s.guiderRaBacklash = v;
    SHORT_INTO(guiderDecBacklash);                                      // 51
    SHORT_INTO(guiderRaHysteresis);                                     // 52
    SHORT_INTO(guiderDecHysteresis);                                    // 53
    NEED(r.Byte(c));                                                    // 54
    s.ignoreBacklash = c == 'y';
    NEED(r.Byte(c));                                                    // 55
    s.filterWheelPresent = c == 'y';
    NEED(r.Short(v));                                                   // 56
    s.guiderAngle = v;
    NEED(r.Byte(c));                                                    // 57
    s.guiderOption57 = c == 'y';
    SHORT_INTO(filterCount);                                            // 58
    for (std::string& name : s.filterNames) NEED(r.Fixed(name, kFilterNameBytes, false));  // 59
    NEED(r.Byte(c));                                                    // 60
    s.suppressFileSavingWarning = c == 'y';
    NEED(r.Byte(c));                                                    // 61
    s.doNotExpandBinned = c == 'y';
    NEED(r.Byte(c));                                                    // 62
    s.ignoreCameraVidPid = c == 'y';
    NEED(r.Byte(c));                                                    // 63
    s.autoAdvance = c == 'y';
    for (int16_t& cal : s.guiderCalibration) {                         // 64-67
        NEED(r.Short(v));
        cal = v;
    }
    NEED(r.Byte(c));                                                    // 68
    s.aoOption = c == 'y';
    SHORT_INTO(aoPort);                                                 // 69
    NEED(r.Byte(c));                                                    // 70
    s.guidingMode = c;
    for (char& l : s.aoLetters) NEED(r.Byte(l));                        // 71-74
    NEED(r.Byte(c));                                                    // 75
    s.aoAvailable = c == 'y';
    NEED(r.Byte(c));                                                    // 76
    s.aoHalfRate = c == 'y';
    SHORT_INTO(pcComPort);                                              // 77
    for (char& l : s.bumpLetters) NEED(r.Byte(l));                      // 78-81
    NEED(r.Byte(c));                                                    // 82
    s.guiderOption82 = c == 'y';
    NEED(r.Byte(c));                                                    // 83
    s.guiderOption83 = c == 'y';
    SHORT_INTO(guiderAutosaveCounter);                                  // 84
    NEED(r.Byte(c));                                                    // 85
    s.usePcPortForGuiding = c == 'y';
    NEED(r.Byte(c));                                                    // 86
    s.noNorthCorrections = c == 'y';
    NEED(r.Byte(c));                                                    // 87
    s.noSouthCorrections = c == 'y';
    SHORT_INTO(smallestCorrection);                                     // 88
    NEED(r.Byte(c));                                                    // 89
    s.tiff16 = c == 'y';
    SHORT_INTO(manualModel);                                            // 90
    NEED(r.Fixed(text, kPidBytes, false));                              // 91
    s.configuredPid = text;
    NEED(r.Byte(c));                                                    // 92
    s.helpBarAtTop = c == 'y';
    NEED(r.Byte(c));                                                    // 93
    s.guiderType = c;
    NEED(r.Byte(c));                                                    // 94
    s.useUsbFilterWheel = c == 'y';
    NEED(r.Byte(c));                                                    // 95
    s.maximumCooling = c == 'y';
    NEED(r.Byte(c));                                                    // 96
    s.flushBeforeExposure = c == 'y';
    return ReadResult::Ok;
#undef SHORT_INTO
#undef NEED
#undef CHECK
}

}  // namespace

Bytes EncodeSettings() {
    const Settings& s = State().settings;
    const FitsDetails& f = State().fits;
    Writer w;
    w.Short(s.autosaveCounter);                           // 1
    w.Short(s.utOffsetHours);                             // 2
    w.Letter(s.telescopeComPort == '1' ? '1' : '2');      // 3
    w.Short(s.reserved4);                                 // 4
    w.Short(s.guideStarMaskRadius);                       // 5
    w.Short(s.reserved6);                                 // 6
    w.Letter(s.windowBackground);                         // 7
    w.Digit(s.focusDelay);                                // 8
    w.Short(ClampRate(s.raPixelsPerSecond));              // 9
    w.Short(ClampRate(s.decPixelsPerSecond));             // 10
    w.Short(ClampRate(s.raBacklash));                     // 11
    w.Short(ClampDecBacklash(s.decBacklash));             // 12
    w.Digit(s.ignoreDriftBelowHysteresis);                // 13
    w.Letter(s.driveMethod);                              // 14
    w.Digit(s.cameraOption15);                            // 15
    w.Short(ClampRate(s.raHysteresis));                   // 16
    w.Short(ClampRate(s.decHysteresis));                  // 17
    for (char l : s.guideLetters) w.Letter(l);            // 18
    w.YesNo(s.autoWeakStretch);                           // 19
    w.YesNo(s.autoStrongStretch);                         // 20
    w.YesNo(s.autoUserStretch);                           // 21
    w.Short(s.autoUserStretchValue);                      // 22
    w.YesNo(s.autoHighPassLowPower);                      // 23
    w.YesNo(s.autoUnsharpMask);                           // 24
    w.Short(s.autoUnsharpDiameter);                       // 25
    w.Short(s.autoUnsharpPower);                          // 26
    w.YesNo(s.autoRemoveBackground);                      // 27
    w.YesNo(s.reserved28 == 'y');                         // 28 (a stray byte is not kept)
    w.Card("OBJECT  = '", f.object);                      // 29
    w.Card("TELESCOP= '", f.telescope);                   // 30
    w.Card("INSTRUME= '", f.instrument);                  // 31
    w.Card("OBSERVER= '", f.observer);                    // 32
    w.Card("ORIGIN  = '", f.origin);                      // 33
    w.PieceCards("HISTORY = '", f.history);               // 34-37
    w.PieceCards("COMMENT = '", f.comment);               // 38-41
    w.Card("FILTER  = '", f.filter);                      // 42
    w.Double(f.aperture);                                 // 43
    w.Double(f.focalLength);                              // 44
    w.YesNo(s.unsignedFormat);                            // 45
    w.YesNo(s.showInterfaceDetails);                      // 46
    w.Fixed(s.autosaveDirText, kAutosaveDirBytes, ' ');   // 47
    w.Short(ClampRate(s.guiderRaPixelsPerSecond));        // 48
    w.Short(ClampRate(s.guiderDecPixelsPerSecond));       // 49
    w.Short(ClampRate(s.guiderRaBacklash));               // 50
    w.Short(ClampDecBacklash(s.guiderDecBacklash));       // 51
    w.Short(ClampRate(s.guiderRaHysteresis));             // 52
    w.Short(ClampRate(s.guiderDecHysteresis));            // 53
    w.YesNo(s.ignoreBacklash);                            // 54
    w.YesNo(s.filterWheelPresent);                        // 55
    w.Short(static_cast<int16_t>(s.guiderAngle));         // 56 (truncated towards zero)
    w.YesNo(s.guiderOption57);                            // 57
    w.Short(s.filterCount);                               // 58
    for (const std::string& name : s.filterNames) w.Fixed(name, kFilterNameBytes, '\0');  // 59
    w.YesNo(s.suppressFileSavingWarning);                 // 60
    w.YesNo(s.doNotExpandBinned);                         // 61
    w.YesNo(s.ignoreCameraVidPid);                        // 62
    w.YesNo(s.autoAdvance);                               // 63
    for (int16_t cal : s.guiderCalibration) w.Short(ClampRate(cal));  // 64-67
    w.YesNo(s.aoOption);                                  // 68
    w.Short(s.aoPort);                                    // 69
    w.Letter(s.guidingMode);                              // 70
    for (char l : s.aoLetters) w.Letter(l);               // 71-74
    w.YesNo(s.aoAvailable);                               // 75
    w.YesNo(s.aoHalfRate);                                // 76
    w.Short(s.pcComPort);                                 // 77
    for (char l : s.bumpLetters) w.Letter(l);             // 78-81
    w.YesNo(s.guiderOption82);                            // 82
    w.YesNo(s.guiderOption83);                            // 83
    w.Short(s.guiderAutosaveCounter);                     // 84
    w.YesNo(s.usePcPortForGuiding);                       // 85
    w.YesNo(s.noNorthCorrections);                        // 86
    w.YesNo(s.noSouthCorrections);                        // 87
    w.Short(s.smallestCorrection);                        // 88
    w.YesNo(s.tiff16);                                    // 89
    w.Short(s.manualModel);                               // 90
    w.Fixed(s.configuredPid, kPidBytes, '\0');            // 91
    w.YesNo(s.helpBarAtTop);                              // 92
    w.Letter(s.guiderType);                               // 93
    w.YesNo(s.useUsbFilterWheel);                         // 94
    w.YesNo(s.maximumCooling);                            // 95
    w.YesNo(s.flushBeforeExposure);                       // 96
    return w.bytes;
}

static std::string SettingsFolder(const std::string& programPath) {
    const std::string host = MapPath(programPath);
    const size_t slash = host.find_last_of('/');
    return slash == std::string::npos ? "." : host.substr(0, slash);
}

int SaveSettings(const std::string& programPath) {
    EnsureDirectory(SettingsFolder(programPath));
    // Written under a temporary name and renamed, so a failed write keeps the
    // previous file.
    return ReplaceFile(MapPath(programPath), EncodeSettings()) ? 0 : 3;
}

int ReadSettings(const std::string& programPath) {
    const std::string host = MapPath(programPath);
    if (IsNonRegularFile(host)) {
        ShowMessage(50, "Sorry, the settings file " + host + " is not a regular file and cannot be read");
        return 2;
    }
    // Nothing past the 96 fields is ever read, whatever the file's length.
    const auto bytes = ReadWholeFile(host, kSettingsFileSize);
    if (!bytes) return 2;
    switch (Decode(*bytes, State().settings, State().fits)) {
        case ReadResult::Short: return 2;
        case ReadResult::Invalid: return kSettingsInvalid;
        case ReadResult::Ok: break;
    }
    // The UT offset is not turned into a process time zone: the clock already
    // counts UT (see PcClockToUt), and a changed TZ would make local times
    // depend on whether a load has happened.
    return 0;
}

int LoadSettings(const std::string& programPath) {
    const std::string folder = SettingsFolder(programPath);
    if (!DirectoryExists(folder)) {
        if (!EnsureDirectory(folder)) return 3;
        return SaveSettings(programPath);
    }
    const int read = ReadSettings(programPath);
    return read == kSettingsInvalid ? SaveSettings(programPath) : read;
}

void RemoveStaleSaveFiles() {
    RemoveStaleTempFiles(SettingsFolder(kSettingsPath));
    RemoveStaleTempFiles(MapPath(AutosaveDirectory(), true));
}

void LoadSettingsAtStartup() {
    if (LoadSettings() != 0) {
        ShowMessage(1);
        SaveSettingsReporting(24);
    }
    RemoveStaleSaveFiles();
}

int SaveSettingsReporting(int failureMessage) {
    const int result = SaveSettings();
    if (result != 0) ShowMessage(failureMessage);
    return result;
}

void ApplyCameraModel() {
    ApplyCameraModelGeometry();
    SaveSettingsReporting(24);
}
