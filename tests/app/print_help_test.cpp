// Printing through the external utility, the help file, and the file
// dialogs' filter lists.
#include "app/print_help.h"

#include <filesystem>

#include "app/file_filters.h"
#include "app/state.h"
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

TEST_F(PrintHelpTest, HelpWithoutHelpFileSaysWinHelpFailed) {
    EXPECT_FALSE(OpenHelp(home + "/nowhere"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_Fir");
    EXPECT_EQ(messages.shown[0].text, "WinHelp failed!");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(system.started.empty());
}

TEST_F(PrintHelpTest, HelpFileIsOpenedInTheViewer) {
    const std::string dir = home + "/bin dir";
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(ReplaceFile(dir + "/Velmora.hlp", Bytes{1, 2, 3}));
    EXPECT_EQ(FindHelpFile(dir), dir + "/Velmora.hlp");
    EXPECT_TRUE(OpenHelp(dir));
    ASSERT_EQ(system.started.size(), 1u);
    // The folder's space stays inside one word of the command line.
    EXPECT_EQ(SplitCommandLine(system.started[0]), (std::vector<std::string>{"xdg-open", dir + "/Velmora.hlp"}));
    EXPECT_TRUE(messages.shown.empty());
    // In the data root when not beside the program.
    ASSERT_TRUE(ReplaceFile(HomePath("Velmora.hlp"), Bytes{1}));
    EXPECT_EQ(FindHelpFile(""), HomePath("Velmora.hlp"));
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
