#include <cstring>
#include <filesystem>
#include <limits>

#include "files/fits.h"
#include "files/raw_files.h"
#include "files_fixture.h"
#include "platform/paths.h"
#include "settings/settings_file.h"

namespace {

class FitsTest : public FilesTest {};

TEST_F(FitsTest, HeaderOfA1392x1040ImageIsByteExact) {
    UseModel(2);
    FitsDetails& f = State().fits;
    f.object = "M42";
    f.observer = "A. Observer";
    f.date = "2023-11-14";
    f.time = "22:13:20";
    f.origin = "Home";
    f.telescope = "C8";
    f.filter = "Red";
    f.exposure = 30;
    f.focalLength = 80;
    f.aperture = 50.5;
    State().history[0] = "Dark Frame Subtracted";
    f.history = "processed";
    f.comment = "first light";
    FillPattern(State().imageA, Pixels());
    ASSERT_EQ(SaveFits(Host("m42.fit"), State().imageA, false), 0);

    const Bytes file = Read(Host("m42.fit"));
    ASSERT_EQ(file.size(), 2'903'040u);  // 5760 + 2,895,360 + 1,920
    const std::string expected[] = {
        "SIMPLE  =                    T /",
        "BITPIX  =                   16 /",
        "NAXIS   =                    2 /",
        "NAXIS1  =                 1392 /",
        "NAXIS2  =                 1040 /",
        "OBJECT  = 'M42'",
        "TELESCOP= 'C8'",
        "INSTRUME= 'Korvane CCD'",
        "OBSERVER= 'A. Observer'",
        "ORIGIN  = 'Home'",
        "DATE-OBS= '2023-11-14'",
        "TIME-OBS= '22:13:20'",
        "HISTORY = 'Dark Frame Subtracted'",
    };
    for (int i = 0; i < 13; ++i) EXPECT_EQ(Card(file, i + 1), Padded(expected[i])) << "card " << i + 1;
    for (int i = 14; i <= 27; ++i) EXPECT_EQ(Card(file, i), Padded("HISTORY = ''")) << "card " << i;
    EXPECT_EQ(Card(file, 28), "HISTORY = '" + std::string("processed") + std::string(59, ' ') + "'");
    for (int i = 29; i <= 31; ++i) EXPECT_EQ(Card(file, i), "HISTORY = '" + std::string(68, ' ') + "'");
    EXPECT_EQ(Card(file, 32), "COMMENT = '" + std::string("first light") + std::string(57, ' ') + "'");
    for (int i = 33; i <= 35; ++i) EXPECT_EQ(Card(file, i), "COMMENT = '" + std::string(68, ' ') + "'");
    EXPECT_EQ(Card(file, 36), Padded("BZERO   =   +3.2768000000E+04"));
    EXPECT_EQ(Card(file, 37), Padded("BSCALE  =   +1.0000000000E+00"));
    EXPECT_EQ(Card(file, 38), Padded("PIXWIDTH=    6.4500000000E-03"));
    EXPECT_EQ(Card(file, 39), Padded("PIXHEIGH=    6.4500000000E-03"));
    EXPECT_EQ(Card(file, 40), Padded("SATURATE=                32768"));
    EXPECT_EQ(Card(file, 41), Padded("EXPTIME =    3.0000000000E+01"));
    EXPECT_EQ(Card(file, 42), Padded("FOCALLEN=    8.0000000000E+01"));
    EXPECT_EQ(Card(file, 43), Padded("APERTURE=    5.0500000000E+01"));
    EXPECT_EQ(Card(file, 44), Padded("FILTER  = 'Red'"));
    EXPECT_EQ(Card(file, 45), Padded("END"));
    for (int i = 46; i <= 72; ++i) EXPECT_EQ(Card(file, i), std::string(80, ' ')) << "card " << i;

    // Data: v - 32768 big-endian, row 0 first; then 1,920 zero bytes.
    const Pixel* a = State().imageA;
    for (size_t i : {size_t(0), size_t(1), size_t(2), size_t(3), size_t(1391), size_t(1392), Pixels() - 1}) {
        const uint16_t v = uint16_t(a[i] - 32768);
        EXPECT_EQ(file[5760 + 2 * i], v >> 8) << i;
        EXPECT_EQ(file[5760 + 2 * i + 1], v & 0xff) << i;
    }
    EXPECT_EQ(file[5760], 0x80);  // 0
    EXPECT_EQ(file[5761], 0x00);
    EXPECT_EQ(file[5762], 0x7F);  // 65535
    EXPECT_EQ(file[5763], 0xFF);
    EXPECT_EQ(file[5764], 0x00);  // 32768
    EXPECT_EQ(file[5765], 0x00);
    for (size_t i = 5760 + 2'895'360; i < file.size(); ++i) ASSERT_EQ(file[i], 0) << i;
}

TEST_F(FitsTest, FillRule) {
    EXPECT_EQ(FitsFillBytes(2'895'360), 1920);
    EXPECT_EQ(FitsFillBytes(2880), 2880);  // a whole block after an exact multiple
    EXPECT_EQ(FitsFillBytes(1), 2879);
    // 1440 x 2 pixels = 5760 data bytes, a multiple of 2880.
    std::vector<Pixel> image(1440 * 2, 1000);
    ASSERT_EQ(SaveFitsImage(Host("exact.fit"), image.data(), 1440, 2, false), 0);
    EXPECT_EQ(Read(Host("exact.fit")).size(), 5760u + 5760u + 2880u);
    EXPECT_EQ(Card(Read(Host("exact.fit")), 4), Padded("NAXIS1  =                 1440 /"));
    EXPECT_EQ(Card(Read(Host("exact.fit")), 5), Padded("NAXIS2  =                    2 /"));
}

TEST_F(FitsTest, WideValuesPushTheSlashRight) {
    std::vector<Pixel> image(12345, 7);
    ASSERT_EQ(SaveFitsImage(Host("wide.fit"), image.data(), 12345, 1, false), 0);
    EXPECT_EQ(Card(Read(Host("wide.fit")), 4), Padded("NAXIS1  =                 12345 /"));
}

TEST_F(FitsTest, EightBitDataAreTheHighBytes) {
    std::vector<Pixel> image = {0x1234, 0xFFFF, 0x00FF, 0x8000};
    ASSERT_EQ(SaveFitsImage(Host("eight.fit"), image.data(), 2, 2, true), 0);
    const Bytes file = Read(Host("eight.fit"));
    ASSERT_EQ(file.size(), 5760u + 2880u);
    EXPECT_EQ(Card(file, 2), Padded("BITPIX  =                    8 /"));
    EXPECT_EQ(file[5760], 0x12);
    EXPECT_EQ(file[5761], 0xFF);
    EXPECT_EQ(file[5762], 0x00);
    EXPECT_EQ(file[5763], 0x80);
    for (size_t i = 5764; i < file.size(); ++i) ASSERT_EQ(file[i], 0);
}

TEST_F(FitsTest, LongTextsAreCutIntoPiecesOf68AndReadBackWith255Characters) {
    UseModel(2);
    std::string text;
    for (int i = 0; i < 254; ++i) text += char('a' + i % 26);
    State().fits.history = text;
    State().fits.comment = text;
    State().fits.object = std::string(80, 'x');  // cut to 68: the quote in column 80
    ASSERT_EQ(SaveFits(Host("long.fit"), State().imageA, false), 0);
    const Bytes file = Read(Host("long.fit"));
    EXPECT_EQ(Card(file, 6), "OBJECT  = '" + std::string(68, 'x') + "'");
    EXPECT_EQ(Card(file, 28), "HISTORY = '" + text.substr(0, 68) + "'");
    EXPECT_EQ(Card(file, 30), "HISTORY = '" + text.substr(136, 68) + "'");
    EXPECT_EQ(Card(file, 31), "HISTORY = '" + text.substr(204, 50) + std::string(18, ' ') + "'");
    EXPECT_EQ(Card(file, 35), "COMMENT = '" + text.substr(204, 50) + std::string(18, ' ') + "'");

    ResetFitsDetails();
    ASSERT_EQ(LoadFits(Host("long.fit"), State().imageB), 0);
    EXPECT_EQ(State().fits.history.size(), 255u);
    EXPECT_EQ(State().fits.history, text + " ");
    EXPECT_EQ(State().fits.comment, text + " ");
    EXPECT_EQ(State().fits.object, std::string(68, 'x'));
}

TEST_F(FitsTest, RoundTripRestoresPixelsAndDetails) {
    UseModel(2);
    FillPattern(State().imageA, Pixels(), 7);
    FitsDetails& f = State().fits;
    f.object = "NGC 7000";
    f.observer = "me";
    f.date = "2024-01-02";
    f.time = "03:04:05";
    f.origin = "garden";
    f.telescope = "refractor";
    f.instrument = "cam";
    f.filter = "Ha";
    f.exposure = 120.5;
    f.focalLength = 31.5;
    f.aperture = 12.25;
    for (int i = 0; i < kHistoryEntries; ++i) State().history[i] = "step " + std::to_string(i);
    ASSERT_EQ(SaveFits(Host("rt.fit"), State().imageA, false), 0);
    const FitsDetails saved = f;
    const auto history = State().history;

    ResetFitsDetails();
    std::vector<Pixel> original(State().imageA, State().imageA + Pixels());
    std::fill(State().imageA, State().imageA + Pixels(), 0);
    ASSERT_EQ(LoadFits(Host("rt.fit"), State().imageA), 0);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), State().imageA));
    EXPECT_EQ(f.object, saved.object);
    EXPECT_EQ(f.observer, saved.observer);
    EXPECT_EQ(f.date, saved.date);
    EXPECT_EQ(f.time, saved.time);
    EXPECT_EQ(f.origin, saved.origin);
    EXPECT_EQ(f.telescope, saved.telescope);
    EXPECT_EQ(f.instrument, saved.instrument);
    EXPECT_EQ(f.filter, saved.filter);
    EXPECT_DOUBLE_EQ(f.exposure, 120.5);
    EXPECT_DOUBLE_EQ(f.focalLength, 31.5);
    EXPECT_DOUBLE_EQ(f.aperture, 12.25);
    EXPECT_DOUBLE_EQ(f.pixelWidthMm, 0.00645);
    EXPECT_DOUBLE_EQ(f.pixelHeightMm, 0.00645);
    EXPECT_EQ(State().history, history);
    EXPECT_FALSE(State().settings.unsignedFormat);
}

TEST_F(FitsTest, PixelSizeCardsFollowTheBinning) {
    UseModel(7);  // 7.4 um
    ComputeFitsPixelSize();
    EXPECT_DOUBLE_EQ(State().fits.pixelWidthMm, 0.0074);
    State().geometry.binned = true;
    RecomputeGeometry();
    ComputeFitsPixelSize();
    EXPECT_DOUBLE_EQ(State().fits.pixelWidthMm, 0.0148);
    State().geometry.binningMode = 13;
    ComputeFitsPixelSize();
    EXPECT_NEAR(State().fits.pixelHeightMm, 0.0222, 1e-12);
    State().geometry.binningMode = 14;
    ComputeFitsPixelSize();
    EXPECT_NEAR(State().fits.pixelWidthMm, 0.0296, 1e-12);
}

TEST_F(FitsTest, NegativeNumbersReadBackWithTheirSign) {
    UseModel(2);
    State().fits.exposure = -2.5;
    State().fits.focalLength = -1e-3;
    State().fits.aperture = -12345.678;
    ASSERT_EQ(SaveFits(Host("neg.fit"), State().imageA, false), 0);
    const Bytes file = Read(Host("neg.fit"));
    // The sign stands in column 14, the value runs to column 30.
    EXPECT_EQ(Card(file, 41), Padded("EXPTIME =    -2.5000000000E+00"));
    ResetFitsDetails();
    ASSERT_EQ(LoadFits(Host("neg.fit"), State().imageA), 0);
    EXPECT_DOUBLE_EQ(State().fits.exposure, -2.5);
    EXPECT_DOUBLE_EQ(State().fits.focalLength, -1e-3);
    EXPECT_DOUBLE_EQ(State().fits.aperture, -12345.678);
}

TEST_F(FitsTest, NumbersThatAreNotFiniteAreWrittenAsZeroAndNotReadBack) {
    UseModel(2);
    State().fits.exposure = std::numeric_limits<double>::quiet_NaN();
    State().fits.focalLength = std::numeric_limits<double>::infinity();
    State().fits.aperture = 3;
    ASSERT_EQ(SaveFits(Host("nan.fit"), State().imageA, false), 0);
    Bytes file = Read(Host("nan.fit"));
    EXPECT_EQ(Card(file, 41), Padded("EXPTIME =    0.0000000000E+00"));
    EXPECT_EQ(Card(file, 42), Padded("FOCALLEN=    0.0000000000E+00"));
    EXPECT_EQ(Card(file, 43), Padded("APERTURE=    3.0000000000E+00"));
    // A file from elsewhere with such a value keeps the reset value.
    const std::string nan = Padded("EXPTIME =                  NAN");
    std::copy(nan.begin(), nan.end(), file.begin() + 40 * 80);
    Write(Host("nan.fit"), file);
    ResetFitsDetails();
    ASSERT_EQ(LoadFits(Host("nan.fit"), State().imageA), 0);
    EXPECT_DOUBLE_EQ(State().fits.exposure, 0);
    EXPECT_DOUBLE_EQ(State().fits.aperture, 3);
}

TEST_F(FitsTest, UnsignedFilesLoadWithoutTheOffsetAndTheNextSaveUsesIt) {
    UseModel(2);
    FillPattern(State().imageA, Pixels(), 3);
    ASSERT_EQ(SaveFits(Host("u.fit"), State().imageA, false), 0);
    Bytes file = Read(Host("u.fit"));
    const std::string bzero = Padded("BZERO   =   +0.0000000000E+00");
    std::memcpy(file.data() + 35 * 80, bzero.data(), 80);
    Write(Host("u.fit"), file);
    ASSERT_EQ(LoadFits(Host("u.fit"), State().imageB), 0);
    EXPECT_TRUE(State().settings.unsignedFormat);
    // No offset: the stored big-endian word is the sample.
    EXPECT_EQ(State().imageB[0], 0x8000);   // 0 was stored as 80 00
    EXPECT_EQ(State().imageB[1], 0x7FFF);   // 65535 as 7F FF
    EXPECT_EQ(State().imageB[2], 0x0000);   // 32768 as 00 00
    ASSERT_EQ(SaveFits(Host("u2.fit"), State().imageB, false), 0);
    EXPECT_FALSE(State().settings.unsignedFormat);
    EXPECT_EQ(Card(Read(Host("u2.fit")), 36), Padded("BZERO   =   +3.2768000000E+04"));
}

TEST_F(FitsTest, HeaderChecksRejectOtherLayouts) {
    UseModel(2);
    ASSERT_EQ(SaveFits(Host("ok.fit"), State().imageA, false), 0);
    const Bytes good = Read(Host("ok.fit"));
    auto withCard = [&](int n, const std::string& text) {
        Bytes b = good;
        const std::string card = Padded(text);
        std::memcpy(b.data() + (n - 1) * 80, card.data(), 80);
        Write(Host("bad.fit"), b);
        return LoadFits(Host("bad.fit"), State().imageB);
    };
    EXPECT_EQ(withCard(2, "BITPIX  =                    8 /"), kFitsForeign);
    EXPECT_EQ(withCard(2, "BITPIX  =                  -32 /"), kFitsForeign);
    EXPECT_EQ(withCard(3, "NAXIS   =                    3 /"), kFitsForeign);
    EXPECT_EQ(withCard(4, "NAXIS1  =                 1391 /"), kFitsForeign);
    EXPECT_EQ(withCard(5, "NAXIS2  =                 1041 /"), kFitsForeign);
    EXPECT_EQ(withCard(4, "NAXIS1  =                 abcd /"), kFitsForeign);
    // Half sizes pass the header check; the length decides the geometry.
    EXPECT_EQ(withCard(4, "NAXIS1  =                  696 /"), kFitsOk);
    EXPECT_EQ(withCard(5, "NAXIS2  =                  520 /"), kFitsOk);
    // A foreign reader's fixed layout would put BITPIX's value elsewhere.
    EXPECT_EQ(withCard(2, "BITPIX  = 16"), kFitsForeign);
}

TEST_F(FitsTest, ShortFilesReturnOneAndChangeNothing) {
    UseModel(2);
    FillPattern(State().imageA, Pixels(), 5);
    State().fits.object = "saved";
    ASSERT_EQ(SaveFits(Host("full.fit"), State().imageA, false), 0);
    const Bytes good = Read(Host("full.fit"));
    State().fits.object = "current";
    std::fill(State().imageB, State().imageB + Pixels(), 42);
    for (size_t cut : {size_t(0), size_t(100), size_t(159), size_t(5759), size_t(5760), good.size() - 1920 - 1}) {
        Write(Host("cut.fit"), Bytes(good.begin(), good.begin() + cut));
        EXPECT_EQ(LoadFits(Host("cut.fit"), State().imageB), kFitsShortRead) << cut;
        EXPECT_EQ(State().fits.object, "current") << cut;
        EXPECT_EQ(State().imageB[0], 42) << cut;
        EXPECT_EQ(State().imageB[Pixels() - 1], 42) << cut;
    }
    EXPECT_EQ(LoadFits(Host("missing.fit"), State().imageB), kFitsShortRead);
    // The data without the fill are enough.
    Write(Host("cut.fit"), Bytes(good.begin(), good.end() - 1920));
    EXPECT_EQ(LoadFits(Host("cut.fit"), State().imageB), kFitsOk);
    EXPECT_EQ(State().fits.object, "saved");
}

TEST_F(FitsTest, PixelsOnlyReaderLeavesTheDetails) {
    UseModel(2);
    FillPattern(State().imageA, Pixels(), 9);
    State().fits.object = "file";
    ASSERT_EQ(SaveFits(Host("p.fit"), State().imageA, false), 0);
    State().fits.object = "kept";
    State().settings.unsignedFormat = true;
    ASSERT_EQ(LoadFitsPixels(Host("p.fit"), State().imageB), 0);
    EXPECT_EQ(State().fits.object, "kept");
    EXPECT_FALSE(State().settings.unsignedFormat);
    EXPECT_TRUE(std::equal(State().imageA, State().imageA + Pixels(), State().imageB));
}

TEST_F(FitsTest, ResetKeepsOriginOffsetAndFlags) {
    FitsDetails& f = State().fits;
    f.object = f.observer = f.date = f.time = f.telescope = f.comment = f.history = "x";
    f.origin = "kept";
    f.instrument = "other";
    f.filter = "Blue";
    f.exposure = f.focalLength = f.aperture = 9;
    f.eightBit = true;
    State().settings.unsignedFormat = true;
    State().settings.utOffsetHours = 4;
    State().history[3] = "line";
    ResetFitsDetails();
    EXPECT_EQ(f.object, "");
    EXPECT_EQ(f.observer, "");
    EXPECT_EQ(f.date, "");
    EXPECT_EQ(f.time, "");
    EXPECT_EQ(f.telescope, "");
    EXPECT_EQ(f.comment, "");
    EXPECT_EQ(f.history, "");
    EXPECT_EQ(f.instrument, "Korvane CCD");
    EXPECT_EQ(f.filter, "None");
    EXPECT_EQ(f.exposure, 0);
    EXPECT_EQ(f.focalLength, 0);
    EXPECT_EQ(f.aperture, 0);
    EXPECT_EQ(f.origin, "kept");
    EXPECT_TRUE(f.eightBit);
    EXPECT_TRUE(State().settings.unsignedFormat);
    EXPECT_EQ(State().settings.utOffsetHours, 4);
    EXPECT_EQ(State().history[3], "");
}

TEST_F(FitsTest, AcceptedFileSizes) {
    const FitsSizes s = FitsFileSizes(1392, 1040);
    EXPECT_EQ(s.fullExact, 2'895'360 + 5760);
    EXPECT_EQ(s.fullPadded, 2'903'040);
    EXPECT_EQ(s.fullOldPadding, 2'895'360 + 5760 + 2'895'360 % 2880 + 2880);
    EXPECT_EQ(s.binnedExact, 723'840 + 5760);
    EXPECT_EQ(s.binnedPadded, 723'840 + (2880 - 723'840 % 2880) + 5760);
    EXPECT_EQ(s.binnedOldPadding, 723'840 + 5760 + (180'960 % 2880) + 2880);
}

TEST_F(FitsTest, AutosaveCounterWraps) {
    EXPECT_EQ(NextAutosaveCounter(0), 1);
    EXPECT_EQ(NextAutosaveCounter(16), 17);
    EXPECT_EQ(NextAutosaveCounter(32767), 32768);
    EXPECT_EQ(NextAutosaveCounter(65529), 65530);
    EXPECT_EQ(NextAutosaveCounter(65530), 1);
    EXPECT_EQ(NextAutosaveCounter(65535), 1);
}

TEST_F(FitsTest, UtIsTheClocksOwnReadingWhateverTheTimeZone) {
    // 1700000000 s = 2023-11-14 22:13:20 UT.
    for (const char* zone : {"UTC", "EST5", "GMT5", "GMT-3", "JST-9"}) {
        setenv("TZ", zone, 1);
        tzset();
        const UtTime t = PcClockToUt(1'700'000'000);
        EXPECT_EQ(FitsDateText(t), "2023-11-14") << zone;
        EXPECT_EQ(FitsTimeText(t), "22:13:20") << zone;
    }
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(FitsTimeText(PcClockToUt(946'684'800 - 1)), "23:59:59");
    EXPECT_EQ(FitsDateText(PcClockToUt(946'684'800 - 1)), "2099-12-31");  // 1999: year 2000 + 99
}

// The same clock and settings stamp the same UT, whether the offset was just
// edited or came from the settings file at a start.
TEST_F(FitsTest, QuickSaveStampDoesNotDependOnHistory) {
    UseModel(2);
    AppState& s = State();
    auto stamp = [&] {
        s.fits.exposureStart = 1'700'000'000;
        s.fits.exposureEnd = 1'700'000'010;
        EXPECT_EQ(QuickSaveFits(s.imageA), 0);
        return s.fits.date + " " + s.fits.time;
    };
    s.settings.utOffsetHours = 0;
    const std::string atZero = stamp();
    s.settings.utOffsetHours = 5;  // edited in the FITS details dialog
    const std::string edited = stamp();
    ASSERT_EQ(LoadSettings(), 0);  // a restart with the same settings
    ASSERT_EQ(s.settings.utOffsetHours, 5);
    const std::string restarted = stamp();
    EXPECT_EQ(atZero, "2023-11-14 22:13:25");
    EXPECT_EQ(edited, "2023-11-14 22:13:25");
    EXPECT_EQ(restarted, "2023-11-14 22:13:25");
    // The system date of an interactive save follows the same rule.
    setenv("TZ", "GMT5", 1);
    tzset();
    clock.unixBase = 1'700'002'000 - clock.now / 1000;  // 2023-11-14 22:46:40 UT
    s.fits.date.clear();
    FillFitsDateFromSystem();
    EXPECT_EQ(s.fits.date, "2023-11-14");
}

TEST_F(FitsTest, QuickSaveNumbersTheFileAndStampsMidExposure) {
    UseModel(2);
    AppState& s = State();
    s.settings.autosaveCounter = 16;
    s.settings.utOffsetHours = 5;
    s.fits.exposureStart = 1'700'000'000;
    s.fits.exposureEnd = 1'700'000'011;  // mid = start + 5.5 s, truncated
    FillPattern(s.imageA, Pixels(), 11);
    ASSERT_EQ(QuickSaveFits(s.imageA), 0);
    EXPECT_EQ(s.settings.autosaveCounter, 17);
    EXPECT_EQ(s.fits.exposureStart, 1'700'000'005);
    EXPECT_EQ(s.fits.time, "22:13:25");
    EXPECT_EQ(s.fits.date, "2023-11-14");
    EXPECT_EQ(QuickSaveFileName(17), "c:\\AUTOSAVE\\IMG17.FIT");
    const Bytes file = Read(home + "/autosave/IMG17.FIT");
    ASSERT_EQ(file.size(), 2'903'040u);
    EXPECT_EQ(Card(file, 11), Padded("DATE-OBS= '2023-11-14'"));
    EXPECT_EQ(Card(file, 12), Padded("TIME-OBS= '22:13:25'"));
    // The counter went into the settings file (field 1, little-endian).
    const Bytes ini = Read(home + "/autosave/Velmora.ini");
    ASSERT_GE(ini.size(), 2u);
    EXPECT_EQ(ini[0] | (ini[1] << 8), 17);
}

TEST_F(FitsTest, FailedQuickSaveKeepsTheCounter) {
    UseModel(2);
    AppState& s = State();
    s.settings.autosaveCounter = 16;
    ASSERT_EQ(SaveSettings(), 0);
    const Bytes ini = Read(home + "/autosave/Velmora.ini");
    // A folder where IMG17.FIT should go: the save fails as on a full disk.
    std::filesystem::create_directories(home + "/autosave/IMG17.FIT");
    EXPECT_EQ(QuickSaveFits(s.imageA), 1);
    EXPECT_EQ(s.settings.autosaveCounter, 16);
    EXPECT_EQ(Read(home + "/autosave/Velmora.ini"), ini);
    std::filesystem::remove(home + "/autosave/IMG17.FIT");
    EXPECT_EQ(QuickSaveFits(s.imageA), 0);
    EXPECT_EQ(s.settings.autosaveCounter, 17);
    EXPECT_TRUE(FileExists(home + "/autosave/IMG17.FIT"));
}

TEST_F(FitsTest, OnlyAValidDateIsWrittenAsDateObs) {
    UseModel(2);
    // The fake clock stands at 2023-11-14 22:30:00 UT.
    struct Case {
        const char* date;
        const char* written;
    };
    for (const Case c : {Case{"2024-05-06", "2024-05-06"}, Case{"2024-02-29", "2024-02-29"},
                         Case{"2024-05-06T21:04:05", "2024-05-06T21:04:05"},
                         Case{"2024-05-06T21:04:05.25", "2024-05-06T21:04:05.25"},
                         Case{"2024-13-45", "2023-11-14"}, Case{"2023-02-29", "2023-11-14"},
                         Case{"2024-04-31", "2023-11-14"}, Case{"2024-00-10", "2023-11-14"},
                         Case{"2024/05/06", "2023-11-14"}, Case{"06/05/24", "2023-11-14"},
                         Case{"2024-05-06 junk", "2023-11-14"}, Case{"2024-05-06T25:00:00", "2023-11-14"},
                         Case{"", "2023-11-14"}}) {
        State().fits.date = c.date;
        ASSERT_EQ(SaveFits(Host("d.fit"), State().imageA, false), 0);
        EXPECT_EQ(Card(Read(Host("d.fit")), 11), Padded(std::string("DATE-OBS= '") + c.written + "'")) << c.date;
    }
}

TEST_F(FitsTest, QuickSaveWithoutExposureStampsUsesTheTimeOfTheSave) {
    UseModel(2);
    AppState& s = State();
    s.fits.exposureStart = s.fits.exposureEnd = 0;  // nothing exposed yet
    s.settings.utOffsetHours = 0;
    ASSERT_EQ(QuickSaveFits(s.imageA), 0);
    // The fake clock stands at 1,700,001,000 s: 2023-11-14 22:30:00 UT.
    EXPECT_EQ(s.fits.date, "2023-11-14");
    EXPECT_EQ(s.fits.time, "22:30:00");
    EXPECT_EQ(s.fits.exposureStart, 1'700'001'000);
}

TEST_F(FitsTest, QuickSaveAlwaysWritesSixteenBitAndWrapsTheCounter) {
    UseModel(2);
    State().settings.autosaveCounter = int16_t(uint16_t(65530));
    State().fits.eightBit = true;
    State().settings.autosaveDirText = "c:\\Images\\Night";
    ASSERT_EQ(QuickSaveFits(State().imageA), 0);
    EXPECT_EQ(uint16_t(State().settings.autosaveCounter), 1);
    const Bytes file = Read(home + "/images/night/IMG1.FIT");
    ASSERT_EQ(file.size(), 2'903'040u);
    EXPECT_EQ(Card(file, 2), Padded("BITPIX  =                   16 /"));
}

TEST_F(FitsTest, FailedSaveKeepsThePreviousFile) {
    UseModel(2);
    ASSERT_EQ(SaveFits(Host("keep.fit"), State().imageA, false), 0);
    const Bytes before = Read(Host("keep.fit"));
    // The temporary file cannot be made: a directory stands in its way.
    std::filesystem::create_directory(Host("keep.fit") + ".tmp" + std::to_string(getpid()));
    std::fill(State().imageA, State().imageA + Pixels(), 5);
    EXPECT_EQ(SaveFits(Host("keep.fit"), State().imageA, false), 1);
    EXPECT_EQ(Read(Host("keep.fit")), before);
    EXPECT_EQ(SaveFits(Host("no/such/dir/x.fit"), State().imageA, false), 1);
}

TEST_F(FitsTest, InteractiveSavesFillAShortDate) {
    clock.unixBase = 1'700'000'000;
    clock.now = 0;
    State().fits.date = "2023-1-1";
    FillFitsDateFromSystem();
    EXPECT_EQ(State().fits.date, "2023-11-14");
    State().fits.date = "1999-12-31";
    FillFitsDateFromSystem();
    EXPECT_EQ(State().fits.date, "1999-12-31");
}

}  // namespace
