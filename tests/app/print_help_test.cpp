// Printing through the external utility, the help file, and the file
// dialogs' filter lists.
#include "app/print_help.h"

#include <filesystem>

#include "app/file_filters.h"
#include "core/state.h"
#include "settings/settings_file.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/command_line.h"
#include "support/test_env.h"

namespace {

class PrintHelpTest : public VelmoraTest {};

TEST_F(PrintHelpTest, PrintStartsTheUtilityWithTheDisplayBitmap) {
    PrintImage();
    PrintSetup();
    ASSERT_EQ(system.started.size(), 2u);
    EXPECT_EQ(system.started[0], "PRINTIMG.EXE PRINT " + HomePath("autosave/Velmora_Fir.bmp"));
    EXPECT_EQ(system.started[1], "PRINTIMG.EXE SETUP");
    // The bitmap follows the camera model.
    State().geometry.modelCode = 7;
    ApplyCameraModel();
    EXPECT_EQ(PrintCommandLine(), "PRINTIMG.EXE PRINT " + HomePath("autosave/Velmora_Maple.bmp"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PrintHelpTest, ADataRootWithASpaceStaysOneWord) {
    const std::string spaced = home + "/my data";
    setenv("VELMORA_HOME", spaced.c_str(), 1);
    EXPECT_EQ(SplitCommandLine(PrintCommandLine()),
              (std::vector<std::string>{"PRINTIMG.EXE", "PRINT", spaced + "/autosave/Velmora_Fir.bmp"}));
    setenv("VELMORA_HOME", home.c_str(), 1);
}

TEST_F(PrintHelpTest, HelpWithoutManualSaysWinHelpFailed) {
    int shown = 0;
    SetManualViewer([&](const std::string&) { return ++shown > 0; });
    EXPECT_FALSE(OpenHelp(home + "/nowhere"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_Fir");
    EXPECT_EQ(messages.shown[0].text, "WinHelp failed!");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(system.started.empty());
    SetManualViewer({});
}

TEST_F(PrintHelpTest, ManualIsFoundUnderThePrefixThenBesideTheProgram) {
    const std::string prefix = home + "/usr local";
    const std::string bin = prefix + "/bin";
    std::filesystem::create_directories(bin + "/docs");
    std::filesystem::create_directories(prefix + "/share/doc/velmora");
    EXPECT_EQ(FindManual(bin), "");
    ASSERT_TRUE(ReplaceFile(bin + "/docs/manual.md", Bytes{'#'}));
    EXPECT_EQ(FindManual(bin), bin + "/docs/manual.md");
    // The installed manual wins.
    ASSERT_TRUE(ReplaceFile(prefix + "/share/doc/velmora/manual.md", Bytes{'#'}));
    EXPECT_EQ(FindManual(bin), bin + "/../share/doc/velmora/manual.md");

    std::vector<std::string> opened;
    SetManualViewer([&](const std::string& path) {
        opened.push_back(path);
        return true;
    });
    EXPECT_TRUE(OpenHelp(bin));
    EXPECT_EQ(opened, (std::vector<std::string>{bin + "/../share/doc/velmora/manual.md"}));
    EXPECT_TRUE(messages.shown.empty());
    // A viewer that cannot show the file is a failed help.
    SetManualViewer([](const std::string&) { return false; });
    EXPECT_FALSE(OpenHelp(bin));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "WinHelp failed!");
    SetManualViewer({});
}

TEST_F(PrintHelpTest, PrintReportsAUtilityThatCannotStart) {
    struct NoPrograms : RecordingSystem {
        bool StartDetached(const std::string& line) override {
            started.push_back(line);
            return false;
        }
    } none;
    Platform platform = Sys();
    platform.system = &none;
    const Platform before = InstallPlatform(platform);
    EXPECT_FALSE(PrintImage());
    EXPECT_FALSE(PrintSetup());
    InstallPlatform(before);
    EXPECT_EQ(none.started.size(), 2u);
    EXPECT_TRUE(PrintImage());
}

TEST(FileFilterTest, PairsBecomeDialogEntries) {
    const auto filters = ParseFileFilters("FITS Files (*.fit)|*.fit|Tessel Files (*.tsl;*.raw)|*.tsl;*.raw|"
                                          "All Files (*.*)|*.*");
    ASSERT_EQ(filters.size(), 3u);
    EXPECT_EQ(filters[0].label, "FITS Files (*.fit)");
    EXPECT_EQ(filters[1].label, "Tessel Files (*.tsl *.raw)");
    EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.tsl", "*.raw"}));
    EXPECT_EQ(filters[2].label, "All Files (*)");
    EXPECT_EQ(DialogFilterString(filters), "FITS Files (*.fit);;Tessel Files (*.tsl *.raw);;All Files (*)");
    EXPECT_EQ(FilterIndexOfLabel(filters, "All Files (*)"), 3);
    EXPECT_EQ(FilterIndexOfLabel(filters, "Other (*.x)"), 0);
}

TEST(FileFilterTest, UpperCasePatternsAlsoMatchLowerCaseNames) {
    // The program's own Open list: FITS files saved elsewhere end in ".fit".
    const auto filters = ParseFileFilters("Korvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|");
    ASSERT_EQ(filters.size(), 3u);
    EXPECT_EQ(filters[0].label, "Korvane (~*.*)");
    EXPECT_EQ(filters[1].label, "FITS files (*.FIT *.fit)");
    EXPECT_EQ(filters[2].label, "All Files (*)");
    EXPECT_EQ(FilterIndexOfLabel(filters, "FITS files (*.FIT *.fit)"), 2);
}

TEST(FileFilterTest, OddListsDoNotBreak) {
    EXPECT_TRUE(ParseFileFilters("").empty());
    // A trailing "||", a description without patterns, no brackets.
    const auto filters = ParseFileFilters("Tiff|*.tif||");
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].label, "Tiff (*.tif)");
    const auto lone = ParseFileFilters("Images");
    ASSERT_EQ(lone.size(), 1u);
    EXPECT_EQ(lone[0].label, "Images (*)");
}

}  // namespace
