#include "settings/settings_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include <filesystem>
#include <functional>
#include <map>

#include "core/state.h"
#include "settings/settings_listing.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/test_env.h"
#include "default_settings_bytes.h"

namespace {

class SettingsFileTest : public VelmoraTest {
protected:
    std::string IniPath() { return MapPath(kSettingsPath); }
    Bytes ReadIni() { return ReadWholeFile(IniPath()).value_or(Bytes{}); }
    void WriteIni(const Bytes& bytes) {
        EnsureDirectory(home + "/autosave");
        ASSERT_TRUE(ReplaceFile(IniPath(), bytes));
    }
    // Offset of a field in the default layout.
    static constexpr size_t kField11 = 2 + 2 + 1 + 2 + 2 + 2 + 1 + 1 + 2 + 2;  // RA backlash
    static constexpr size_t kField28 = 44;
    static constexpr size_t kField29 = 45;
    static constexpr size_t kField45 = kField29 + 14 * 80 + 16;
};

TEST_F(SettingsFileTest, FirstStartWritesTheDefaultFileByteForByte) {
    EXPECT_EQ(IniPath(), home + "/autosave/Velmora.ini");
    EXPECT_EQ(LoadSettings(), 0);
    const Bytes written = ReadIni();
    EXPECT_EQ(written.size(), kSettingsFileSize);
    EXPECT_EQ(written, DefaultFileBytes());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsFileTest, FieldOffsetsOfTheLayout) {
    const Bytes b = DefaultFileBytes();
    ASSERT_EQ(b.size(), 1432u);
    EXPECT_EQ(b[kField28], 'n');
    EXPECT_EQ(std::string(b.begin() + kField29, b.begin() + kField29 + 11), "OBJECT  = '");
    EXPECT_EQ(b[kField45], 'y');
}

TEST_F(SettingsFileTest, RoundTripKeepsEveryField) {
    Settings& s = State().settings;
    s.autosaveCounter = 17;
    s.utOffsetHours = -3;
    s.telescopeComPort = '2';
    s.windowBackground = 'r';
    s.driveMethod = 'l';
    s.guideLetters = {'s', 'n', 'w', 'e'};
    s.autoUserStretchValue = 29;
    s.autosaveDirText = "d:\\images";
    s.guiderAngle = -37.9f;
    s.filterNames[2] = "Ha 7nm";
    s.configuredPid = "0136";
    s.manualModel = 7;
    s.guiderType = 'x';
    s.smallestCorrection = 200;
    State().fits.object = "M 42";
    State().fits.history = std::string(100, 'h');
    State().fits.aperture = 12.5;
    State().fits.focalLength = 80;
    ASSERT_EQ(SaveSettings(), 0);

    ResetState();
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(s.autosaveCounter, 17);
    EXPECT_EQ(s.utOffsetHours, -3);
    EXPECT_EQ(s.telescopeComPort, '2');
    EXPECT_EQ(s.windowBackground, 'r');
    EXPECT_EQ(s.driveMethod, 'l');
    EXPECT_EQ(s.guideLetters, (std::array<char, 4>{'s', 'n', 'w', 'e'}));
    EXPECT_EQ(s.autoUserStretchValue, 29);
    EXPECT_EQ(s.autosaveDirText, "d:\\images");
    EXPECT_EQ(s.guiderAngle, -37.0f);  // truncated towards zero
    EXPECT_EQ(s.filterNames[2], "Ha 7nm");
    EXPECT_EQ(s.configuredPid, "0136");
    EXPECT_EQ(s.manualModel, 7);
    EXPECT_EQ(s.guiderType, 'x');
    EXPECT_EQ(s.smallestCorrection, 200);
    EXPECT_EQ(State().fits.object, "M 42");
    // Pieces come back space padded: 68 + 68 + 68 + 51.
    EXPECT_EQ(State().fits.history, std::string(100, 'h') + std::string(255 - 100, ' '));
    EXPECT_EQ(State().fits.aperture, 12.5);
    EXPECT_EQ(State().fits.focalLength, 80);
}

TEST_F(SettingsFileTest, WriterClampsRatesAndBacklash) {
    Settings& s = State().settings;
    s.raPixelsPerSecond = 60;
    s.decPixelsPerSecond = 50;
    s.raBacklash = 49;
    s.decBacklash = 55;
    s.raHysteresis = 70;
    s.guiderRaPixelsPerSecond = 51;
    s.guiderDecBacklash = 50;
    s.guiderCalibration = {50, 49, 80, 6};
    ASSERT_EQ(SaveSettings(), 0);
    const Bytes b = ReadIni();
    auto shortAt = [&](size_t at) { return int16_t(b[at] | (b[at + 1] << 8)); };
    EXPECT_EQ(shortAt(kField11 - 4), 10);  // field 9: 60 -> 10
    EXPECT_EQ(shortAt(kField11 - 2), 10);  // field 10: 50 -> 10
    EXPECT_EQ(shortAt(kField11), 30);      // field 11: the reader takes 0..30 only
    EXPECT_EQ(shortAt(kField11 + 2), 0);   // field 12: 55 -> 0
    EXPECT_EQ(shortAt(kField11 + 7), 10);  // field 16
    const size_t field48 = kField45 + 2 + 100;
    EXPECT_EQ(shortAt(field48), 10);
    EXPECT_EQ(shortAt(field48 + 6), 0);    // field 51: 50 -> 0
    const size_t field64 = field48 + 12 + 2 + 2 + 1 + 2 + 80 + 4;
    // The AO gains are written as they are in memory.
    EXPECT_EQ(shortAt(field64), 50);
    EXPECT_EQ(shortAt(field64 + 2), 49);
    EXPECT_EQ(shortAt(field64 + 4), 80);
    // The record in memory is not clamped.
    EXPECT_EQ(s.raPixelsPerSecond, 60);
}

// Whatever a caller leaves in the records, the file the writer makes loads
// whole: every field over its whole range.
TEST_F(SettingsFileTest, WriterNeverWritesAValueTheReaderRefuses) {
    Settings base;
    base.flushBeforeExposure = true;  // field 96: read only when nothing before it was refused
    auto loadsWhole = [](const Settings& s) {
        State().settings = s;
        Settings back;
        back.flushBeforeExposure = false;
        FitsDetails fits;
        return DecodeSettings(EncodeSettings(), back, fits) == 0 && back.flushBeforeExposure;
    };
    using S = Settings;
    std::vector<std::pair<const char*, std::function<void(S&, int)>>> fields;
    for (auto [name, member] : std::initializer_list<std::pair<const char*, int16_t S::*>>{
             {"1", &S::autosaveCounter},           {"2", &S::utOffsetHours},
             {"4", &S::reserved4},                 {"5", &S::guideStarMaskRadius},
             {"6", &S::reserved6},                 {"9", &S::raPixelsPerSecond},
             {"10", &S::decPixelsPerSecond},       {"11", &S::raBacklash},
             {"12", &S::decBacklash},              {"16", &S::raHysteresis},
             {"17", &S::decHysteresis},            {"22", &S::autoUserStretchValue},
             {"25", &S::autoUnsharpDiameter},      {"26", &S::autoUnsharpPower},
             {"48", &S::guiderRaPixelsPerSecond},  {"49", &S::guiderDecPixelsPerSecond},
             {"50", &S::guiderRaBacklash},         {"51", &S::guiderDecBacklash},
             {"52", &S::guiderRaHysteresis},       {"53", &S::guiderDecHysteresis},
             {"58", &S::filterCount},              {"69", &S::aoPort},
             {"77", &S::pcComPort},                {"84", &S::guiderAutosaveCounter},
             {"88", &S::smallestCorrection},       {"90", &S::manualModel}})
        fields.push_back({name, [m = member](S& s, int v) { s.*m = int16_t(v); }});
    for (int i = 0; i < 4; ++i)
        fields.push_back({"64-67", [i](S& s, int v) { s.guiderCalibration[size_t(i)] = int16_t(v); }});
    for (const auto& [name, set] : fields) {
        for (int v = -32768; v <= 32767; ++v) {
            Settings s = base;
            set(s, v);
            if (!loadsWhole(s)) {
                ADD_FAILURE() << "field " << name << " = " << v;
                break;
            }
        }
    }
    // Letters, and each place of the four-letter fields, over every byte.
    std::vector<std::pair<const char*, std::function<void(S&, char)>>> letters{
        {"3", [](S& s, char c) { s.telescopeComPort = c; }}, {"7", [](S& s, char c) { s.windowBackground = c; }},
        {"14", [](S& s, char c) { s.driveMethod = c; }},     {"28", [](S& s, char c) { s.reserved28 = c; }},
        {"70", [](S& s, char c) { s.guidingMode = c; }},     {"93", [](S& s, char c) { s.guiderType = c; }}};
    for (int i = 0; i < 4; ++i) {
        letters.push_back({"18", [i](S& s, char c) { s.guideLetters[size_t(i)] = c; }});
        letters.push_back({"71-74", [i](S& s, char c) { s.aoLetters[size_t(i)] = c; }});
        letters.push_back({"78-81", [i](S& s, char c) { s.bumpLetters[size_t(i)] = c; }});
    }
    for (const auto& [name, set] : letters) {
        for (int c = 0; c < 256; ++c) {
            Settings s = base;
            set(s, char(c));
            EXPECT_TRUE(loadsWhole(s)) << "field " << name << " = byte " << c;
        }
    }
    // Both third and fourth guide letters refused at once.
    Settings both = base;
    both.guideLetters = {'n', 's', 'x', 'y'};
    EXPECT_TRUE(loadsWhole(both));
    // Texts and the angle.
    Settings texts = base;
    texts.autosaveDirText = std::string(300, '\'');
    texts.configuredPid = std::string(20, '\0');
    texts.filterNames[0] = std::string(40, 'x');
    texts.guiderAngle = 1e9f;
    EXPECT_TRUE(loadsWhole(texts));
}

TEST_F(SettingsFileTest, RefusedValuesAreWrittenAsTheNearestValueTheReaderTakes) {
    struct Case {
        const char* what;
        std::function<void(Settings&)> set;
        size_t at;      // offset in the file
        int16_t want;   // the short (or byte) written there
        bool isShort;
    };
    const size_t field22 = 35, field25 = 39, field48 = kField45 + 2 + 100, field56 = field48 + 14;
    const Case cases[] = {
        {"RA backlash 31", [](Settings& s) { s.raBacklash = 31; }, kField11, 30, true},
        {"RA backlash -4", [](Settings& s) { s.raBacklash = -4; }, kField11, 0, true},
        {"RA backlash 60 (clamp as 9)", [](Settings& s) { s.raBacklash = 60; }, kField11, 10, true},
        {"guider RA backlash 45", [](Settings& s) { s.guiderRaBacklash = 45; }, field48 + 4, 30, true},
        {"user stretch 0", [](Settings& s) { s.autoUserStretchValue = 0; }, field22, 1, true},
        {"user stretch 37", [](Settings& s) { s.autoUserStretchValue = 37; }, field22, 36, true},
        {"unsharp diameter 0", [](Settings& s) { s.autoUnsharpDiameter = 0; }, field25, 1, true},
        {"unsharp diameter -3 (read back as is)", [](Settings& s) { s.autoUnsharpDiameter = -3; }, field25, -3, true},
        {"unsharp power 9", [](Settings& s) { s.autoUnsharpPower = 9; }, field25 + 2, 6, true},
        {"angle 1e6", [](Settings& s) { s.guiderAngle = 1e6f; }, field56, 32767, true},
        {"angle -30.9", [](Settings& s) { s.guiderAngle = -30.9f; }, field56, -30, true},
        {"background x", [](Settings& s) { s.windowBackground = 'x'; }, 11, 'l', false},
        {"drive method q", [](Settings& s) { s.driveMethod = 'q'; }, 22, 'n', false},
        {"guide letters nsns", [](Settings& s) { s.guideLetters = {'s', 'n', 'n', 's'}; }, 28, 'n', false},
    };
    for (const Case& c : cases) {
        State().settings = Settings{};
        c.set(State().settings);
        const Bytes b = EncodeSettings();
        const int16_t got = c.isShort ? int16_t(b[c.at] | (b[c.at + 1] << 8)) : int16_t(b[c.at]);
        EXPECT_EQ(got, c.want) << c.what;
    }
    // Refused guide letters are written as the default four.
    State().settings.guideLetters = {'s', 'n', 'n', 's'};
    const Bytes b = EncodeSettings();
    EXPECT_EQ(std::string(b.begin() + 28, b.begin() + 32), "nsew");
}

TEST_F(SettingsFileTest, ShortFileLoadsAsMissingAndStartupRewritesIt) {
    Bytes b = DefaultFileBytes();
    b.resize(kField29);  // ends after field 28
    b[0] = 42;           // counter in the partial file
    WriteIni(b);
    EXPECT_EQ(LoadSettings(), 2);
    ResetState();
    LoadSettingsAtStartup();
    ASSERT_EQ(MessageTexts().size(), 1u);
    EXPECT_EQ(MessageTexts()[0], "Warning!\nNo INI file found, a new one has been created, please check defaults.");
    EXPECT_EQ(ReadIni().size(), kSettingsFileSize);
    EXPECT_EQ(State().settings.autosaveCounter, 42);
}

TEST_F(SettingsFileTest, EmptyAndForeignFilesNeverReadPastTheirEnd) {
    WriteIni(Bytes{});
    EXPECT_EQ(LoadSettings(), 2);
    WriteIni(Bytes(3000, 0xFF));  // foreign: fails the background check at once
    EXPECT_EQ(LoadSettings(), 0);  // rewritten from memory
    Bytes expected = DefaultFileBytes();
    for (size_t at : {0, 1, 2, 3, 5, 6, 7, 8, 9, 10}) expected[at] = 0xFF;  // fields 1-6 were taken
    EXPECT_EQ(ReadIni(), expected);
    // The com port message came first.
    ASSERT_FALSE(MessageTexts().empty());
    EXPECT_EQ(MessageTexts()[0], "Failed to read comm port value");
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
}

TEST_F(SettingsFileTest, InvalidBacklashStopsLoadingAndRewritesFromMemory) {
    Bytes b = DefaultFileBytes();
    b[0] = 9;               // field 1, read before the bad field
    b[kField11] = 31;       // RA backlash 31
    b[kField11 + 2] = 5;    // Dec backlash after it: not read
    WriteIni(b);
    State().settings.raBacklash = 3;
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(State().settings.autosaveCounter, 9);
    EXPECT_EQ(State().settings.raBacklash, 3);
    EXPECT_EQ(State().settings.decBacklash, 0);
    const Bytes rewritten = ReadIni();
    EXPECT_EQ(rewritten[kField11], 3);
    EXPECT_EQ(rewritten[kField11 + 2], 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsFileTest, EveryReaderCheckRejects) {
    struct Case {
        size_t offset;
        uint8_t byte;
    };
    const size_t field13 = kField11 + 4, field14 = field13 + 1, field15 = field14 + 1;
    const size_t field18 = field15 + 5, field22 = field18 + 7, field23 = field22 + 2;
    const size_t field25 = field23 + 2, field26 = field25 + 2, field27 = field26 + 2;
    const size_t field50 = kField45 + 2 + 100 + 4;
    const Case cases[] = {
        {11, 'x'},            // background letter
        {field13, '2'},       // ignore drift
        {field14, 'z'},       // drive method
        {field15, 'y'},       // camera option
        {field18 + 2, 'n'},   // third and fourth guide letters not e/w
        {field22, 0},         // user stretch 0
        {field22, 37},        // user stretch 37
        {field23, '1'},
        {field23 + 1, 'Y'},
        {field25, 0},         // unsharp diameter 0
        {field26, 7},         // unsharp power 7
        {field27, 'q'},
        {field50, 31},        // guider RA backlash
    };
    for (const Case& c : cases) {
        Bytes b = DefaultFileBytes();
        b[c.offset] = c.byte;
        if (c.offset == field18 + 2) b[c.offset + 1] = 's';
        b[0] = 77;  // proves the rewrite comes from memory, not the file
        WriteIni(b);
        State().settings.autosaveCounter = 0;
        EXPECT_EQ(LoadSettings(), 0) << c.offset;
        EXPECT_EQ(ReadIni(), [&] {
            Bytes expected = DefaultFileBytes();
            expected[0] = 77;
            if (c.offset > kField45) expected[kField45] = 'n';  // cleared once read
            return expected;
        }()) << "offset " << c.offset;
    }
}

TEST_F(SettingsFileTest, OneGuideLetterOfEastOrWestIsEnough) {
    Bytes b = DefaultFileBytes();
    const size_t field18 = kField11 + 4 + 3 + 4;
    b[field18 + 3] = 'x';  // third stays 'e'
    WriteIni(b);
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(State().settings.guideLetters[3], 'x');
}

TEST_F(SettingsFileTest, StrayField28ShiftsTheRestByOneByte) {
    Bytes b = DefaultFileBytes();
    b[kField28] = 'x';
    // Insert nothing: the object card is read with 79 bytes, so every later
    // field comes one byte early. Put a recognisable object in that window.
    const std::string object = "OBJECT  = 'Veil'";
    std::memcpy(&b[kField29], object.data(), object.size());
    WriteIni(b);
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(State().fits.object, "Veil");
    // The telescope card is read one byte early, so byte 12 of what is read is
    // its opening quote and the text comes back empty.
    State().fits.telescope = "unchanged?";
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(State().fits.telescope, "");
    EXPECT_EQ(State().settings.reserved28, 'x');
}

TEST_F(SettingsFileTest, StrayField28IsWrittenBackAsNoAndTheFileSettles) {
    Bytes b = DefaultFileBytes();
    b[kField28] = 'x';
    WriteIni(b);
    // Each start loads and saves; the shift must happen once at most.
    std::vector<Bytes> saved;
    for (int start = 0; start < 4; ++start) {
        ASSERT_EQ(LoadSettings(), 0);
        ASSERT_EQ(SaveSettings(), 0);
        saved.push_back(ReadIni());
    }
    ASSERT_EQ(saved[0].size(), kSettingsFileSize);
    EXPECT_EQ(saved[0][kField28], 'n');
    EXPECT_EQ(std::string(saved[0].begin() + kField29, saved[0].begin() + kField29 + 11), "OBJECT  = '");
    EXPECT_EQ(saved[1], saved[0]);
    EXPECT_EQ(saved[3], saved[0]);
    const int16_t model = State().settings.manualModel;
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(State().settings.manualModel, model);
    EXPECT_EQ(State().settings.reserved28, 'n');
}

TEST_F(SettingsFileTest, UnsignedFormatFlagIsAlwaysClearAfterLoading) {
    ASSERT_EQ(SaveSettings(), 0);
    State().settings.unsignedFormat = true;
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_FALSE(State().settings.unsignedFormat);
}

TEST_F(SettingsFileTest, PcPortIsStoredAsCom2) {
    State().settings.telescopeComPort = '3';
    State().settings.usePcPortForGuiding = true;
    ASSERT_EQ(SaveSettings(), 0);
    ResetState();
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(State().settings.telescopeComPort, '2');
    EXPECT_TRUE(State().settings.usePcPortForGuiding);
}

TEST_F(SettingsFileTest, EmptyAutosaveDirectoryMeansTheDefaultFolder) {
    EXPECT_EQ(AutosaveDirectory(), "c:\\AUTOSAVE");
    EXPECT_EQ(MapPath(AutosaveDirectory(), true), home + "/autosave");
    State().settings.autosaveDirText = "c:\\Night1";
    EXPECT_EQ(AutosaveDirectory(), "c:\\Night1");
}

TEST_F(SettingsFileTest, AutosaveDirectoryStopsAtAQuote) {
    Bytes b = DefaultFileBytes();
    const size_t field47 = kField45 + 2;
    const std::string typed = "c:\\obs'junk";
    std::memcpy(&b[field47], typed.c_str(), typed.size() + 1);
    WriteIni(b);
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(State().settings.autosaveDirText, "c:\\obs");
}

TEST_F(SettingsFileTest, FailedSaveKeepsThePreviousFile) {
    ASSERT_EQ(SaveSettings(), 0);
    const Bytes before = ReadIni();
    // A directory where the temporary file would go makes the write fail.
    ASSERT_TRUE(EnsureDirectory(IniPath() + ".tmp" + std::to_string(getpid())));
    State().settings.autosaveCounter = 5;
    EXPECT_EQ(SaveSettingsReporting(24), 3);
    EXPECT_EQ(MessageTexts().back(), "Unable to save INI file, please check disk space");
    EXPECT_EQ(ReadIni(), before);
}

TEST_F(SettingsFileTest, UnwritableHomeGivesMessage24AndCarriesOn) {
    const std::string blocked = home + "/blocked";
    ASSERT_TRUE(ReplaceFile(blocked, Bytes{1}));  // a file where a folder should be
    setenv("VELMORA_HOME", blocked.c_str(), 1);
    LoadSettingsAtStartup();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{
                                  "Warning!\nNo INI file found, a new one has been created, please check defaults.",
                                  "Unable to save INI file, please check disk space"}));
    setenv("VELMORA_HOME", home.c_str(), 1);
}

TEST_F(SettingsFileTest, LoadLeavesTheProcessTimeZoneAlone) {
    setenv("TZ", "EST5", 1);
    State().settings.utOffsetHours = 5;
    ASSERT_EQ(SaveSettings(), 0);
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_STREQ(getenv("TZ"), "EST5");
    setenv("TZ", "UTC", 1);
}

TEST_F(SettingsFileTest, OnlyTheFieldsAreReadFromAHugeFile) {
    WriteIni(DefaultFileBytes());
    ASSERT_EQ(::truncate(IniPath().c_str(), int64_t(2) << 30), 0);  // 2 GB, sparse
    State().settings.guideStarMaskRadius = 13;
    EXPECT_EQ(ReadSettings(), 0);
    EXPECT_EQ(State().settings.guideStarMaskRadius, 8);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsFileTest, AFifoOrDeviceIsRefusedWithTheReason) {
    EnsureDirectory(home + "/autosave");
    ASSERT_EQ(::mkfifo(IniPath().c_str(), 0600), 0);
    EXPECT_EQ(ReadSettings(), 2);  // returns at once: a FIFO is never opened for reading
    ASSERT_EQ(MessageTexts().size(), 1u);
    EXPECT_EQ(MessageTexts()[0], "Sorry, the settings file " + IniPath() + " is not a regular file and cannot be read");
    ASSERT_EQ(::unlink(IniPath().c_str()), 0);
    ASSERT_EQ(::symlink("/dev/zero", IniPath().c_str()), 0);
    EXPECT_EQ(ReadSettings(), 2);
    EXPECT_EQ(MessageTexts().size(), 2u);
    // The start-up load then writes a regular file in its place.
    LoadSettingsAtStartup();
    EXPECT_EQ(ReadIni(), DefaultFileBytes());
}

TEST_F(SettingsFileTest, CountersAreListedUnsigned) {
    State().settings.autosaveCounter = int16_t(uint16_t(40000));
    State().settings.guiderAutosaveCounter = int16_t(uint16_t(65534));
    std::map<std::string, std::string> shown;
    for (const SettingLine& line : ListSettings(State().settings, State().fits)) shown[line.name] = line.value;
    EXPECT_EQ(shown["autosaveCounter"], "40000");
    EXPECT_EQ(shown["guiderAutosaveCounter"], "65534");
}

// A killed save leaves "<name>.tmp<pid>"; the next start removes those of
// processes that no longer run, and nothing else.
TEST_F(SettingsFileTest, StartupRemovesStaleTemporaryFiles) {
    const std::string folder = home + "/autosave";
    EnsureDirectory(folder);
    const std::string dead = "99999999";  // above the kernel's largest pid (4194304)
    const std::string alive = std::to_string(getppid());
    const std::vector<std::string> stale = {"Velmora.ini.tmp" + dead, "IMG7.FIT.tmp" + dead};
    const std::vector<std::string> kept = {"Velmora.ini.tmp" + alive, "notes.tmp" + dead, "IMG7.FIT.tmpx",
                                           "IMG8.FIT", "IMG9.FIT.tmp"};
    for (const auto& name : stale) ASSERT_TRUE(ReplaceFile(folder + "/" + name, Bytes{1}));
    for (const auto& name : kept) ASSERT_TRUE(ReplaceFile(folder + "/" + name, Bytes{1}));
    LoadSettingsAtStartup();
    for (const auto& name : stale) EXPECT_FALSE(std::filesystem::exists(folder + "/" + name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(folder + "/" + name)) << name;
    // The autosave folder of the settings is cleaned too.
    State().settings.autosaveDirText = "c:\Night";
    EnsureDirectory(home + "/night");
    ASSERT_TRUE(ReplaceFile(home + "/night/IMG1.FIT.tmp" + dead, Bytes{1}));
    RemoveStaleSaveFiles();
    EXPECT_FALSE(std::filesystem::exists(home + "/night/IMG1.FIT.tmp" + dead));
}

}  // namespace
