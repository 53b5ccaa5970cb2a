#include "settings/ini_rules.h"

#include <filesystem>
#include <fstream>

#include "core/state.h"
#include "files/fits.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "support/test_env.h"

namespace {

class IniRulesTest : public VelmoraTest {
protected:
    Settings s;
};

TEST_F(IniRulesTest, PcPortSetsPortThreeAndGuidingFlag) {
    SelectTelescopePort(s, '3');
    EXPECT_EQ(s.telescopeComPort, '3');
    EXPECT_TRUE(s.usePcPortForGuiding);
    SelectTelescopePort(s, '1');
    EXPECT_EQ(s.telescopeComPort, '1');
    EXPECT_TRUE(s.usePcPortForGuiding);  // only "Use PC Port" touches the flag
}

TEST_F(IniRulesTest, DirectionSwaps) {
    EXPECT_FALSE(NorthSouthSwapped(s));
    ToggleNorthSouth(s);
    EXPECT_EQ(s.guideLetters, (std::array<char, 4>{'s', 'n', 'e', 'w'}));
    EXPECT_TRUE(NorthSouthSwapped(s));
    ToggleNorthSouth(s);
    EXPECT_EQ(s.guideLetters, (std::array<char, 4>{'n', 's', 'e', 'w'}));
    ToggleEastWest(s);
    EXPECT_EQ(s.guideLetters, (std::array<char, 4>{'n', 's', 'w', 'e'}));
    EXPECT_TRUE(EastWestSwapped(s));
    // Any other first letter resets to n, s.
    s.guideLetters[0] = 'x';
    ToggleNorthSouth(s);
    EXPECT_EQ(s.guideLetters[0], 'n');
    EXPECT_EQ(s.guideLetters[1], 's');
}

TEST_F(IniRulesTest, SlewValuesLimitHysteresisToTwenty) {
    ApplySlewValues(s, {3, 4, 5, 6, 21, 40, 7, 8, 9, 10, 20, 99});
    EXPECT_EQ(s.raPixelsPerSecond, 3);
    EXPECT_EQ(s.decBacklash, 6);
    EXPECT_EQ(s.raHysteresis, 20);
    EXPECT_EQ(s.decHysteresis, 20);
    EXPECT_EQ(s.guiderRaPixelsPerSecond, 7);
    EXPECT_EQ(s.guiderDecBacklash, 10);
    EXPECT_EQ(s.guiderRaHysteresis, 20);
    EXPECT_EQ(s.guiderDecHysteresis, 20);
    EXPECT_EQ(CurrentSlewValues(s), (SlewValues{3, 4, 5, 6, 20, 20, 7, 8, 9, 10, 20, 20}));
}

TEST_F(IniRulesTest, RaBacklashIsKeptToWhatTheFileReadsBack) {
    struct Case {
        int typed, stored;
    };
    for (const Case c : {Case{0, 0}, Case{30, 30}, Case{31, 30}, Case{49, 30}, Case{50, 30}, Case{1000, 30},
                         Case{-1, 0}}) {
        ApplySlewValues(s, {2, 2, c.typed, 0, 0, 0, 6, 6, c.typed, 0, 0, 0});
        EXPECT_EQ(s.raBacklash, c.stored) << c.typed;
        EXPECT_EQ(s.guiderRaBacklash, c.stored) << c.typed;
    }
}

TEST_F(IniRulesTest, TypedRaBacklashOf40KeepsEveryLaterSettingOverARestart) {
    ApplySlewValues(State().settings, {2, 2, 40, 0, 0, 0, 6, 6, 45, 0, 0, 0});
    State().settings.flushBeforeExposure = true;  // field 96, read after both backlash fields
    State().fits.object = "M31";
    ASSERT_EQ(SaveSettings(), 0);
    ResetState();
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(State().settings.raBacklash, 30);
    EXPECT_EQ(State().settings.guiderRaBacklash, 30);
    EXPECT_TRUE(State().settings.flushBeforeExposure);
    EXPECT_EQ(State().fits.object, "M31");
}

TEST_F(IniRulesTest, FilterDetails) {
    std::array<std::string, 8> names{"Red", "Green", "Blue", "Luminance", "Ha", "OIII", "SII", "Dark"};
    ApplyFilterDetails(s, 0, names);
    EXPECT_EQ(s.filterCount, 7);
    ApplyFilterDetails(s, 9, names);
    EXPECT_EQ(s.filterCount, 7);
    ApplyFilterDetails(s, 8, names);
    EXPECT_EQ(s.filterCount, 8);
    EXPECT_EQ(s.filterNames[3], "Luminanc");
}

TEST_F(IniRulesTest, ShownPcComPortIsOneBased) {
    ApplyShownPcComPort(s, 3);
    EXPECT_EQ(s.pcComPort, 2);
    ApplyShownPcComPort(s, 8);
    EXPECT_EQ(s.pcComPort, 2);
    ApplyShownPcComPort(s, 0);
    EXPECT_EQ(s.pcComPort, 2);
}

TEST_F(IniRulesTest, ManualModelStoresItsPid) {
    SelectManualModel(s, 7);
    EXPECT_EQ(s.manualModel, 7);
    EXPECT_EQ(s.configuredPid, "0136");
    SelectManualModel(s, 8);
    EXPECT_EQ(s.configuredPid, "0125");
}

TEST_F(IniRulesTest, AoAndGuiderType) {
    SetAoAvailable(s, true);
    EXPECT_EQ(s.guidingMode, 'A');
    s.guidingMode = 'T';
    SetAoAvailable(s, false);
    EXPECT_EQ(s.guidingMode, 'T');
    s.guiderOption82 = true;
    SelectGuiderType(s, 's');
    EXPECT_TRUE(s.guiderOption82);
    SelectGuiderType(s, 'x');
    EXPECT_FALSE(s.guiderOption82);
}

TEST_F(IniRulesTest, AutosaveDirectoryIsCreatedOrRefused) {
    EXPECT_TRUE(ApplyAutosaveDirectory(s, "c:\\Images\\Night1"));
    EXPECT_TRUE(std::filesystem::is_directory(home + "/images/night1"));
    EXPECT_EQ(s.autosaveDirText, "c:\\Images\\Night1");

    EXPECT_FALSE(ApplyAutosaveDirectory(s, "q:\\nowhere"));
    EXPECT_EQ(MessageTexts().back(), "Sorry, Invalid directory");
    EXPECT_EQ(s.autosaveDirText, "c:\\Images\\Night1");

    // A file in the way cannot become a folder.
    std::filesystem::create_directories(home + "/images");
    { std::ofstream(home + "/images/file") << "x"; }
    EXPECT_FALSE(ApplyAutosaveDirectory(s, "c:\\images\\file"));
    EXPECT_EQ(messages.shown.size(), 2u);

    EXPECT_TRUE(ApplyAutosaveDirectory(s, ""));
    EXPECT_EQ(s.autosaveDirText, "");
    EXPECT_TRUE(std::filesystem::is_directory(home + "/autosave"));
}

// The folder checked by "Set AutoSave Dir" is the folder the quick save
// writes into.
TEST_F(IniRulesTest, AutosaveDirectoryIsCheckedWhereItIsUsed) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::create_directories(home + "/cwd");
    std::filesystem::current_path(home + "/cwd");
    Settings& live = State().settings;

    EXPECT_FALSE(ApplyAutosaveDirectory(live, "/proc/velmora"));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sorry, Invalid directory"});
    EXPECT_EQ(live.autosaveDirText, "");
    EXPECT_FALSE(std::filesystem::exists(home + "/cwd/proc"));

    const std::string absolute = home + "/abs/night";
    EXPECT_TRUE(ApplyAutosaveDirectory(live, absolute));
    EXPECT_TRUE(std::filesystem::is_directory(absolute));
    EXPECT_EQ(MapPath(QuickSaveFileName(3)), absolute + "/IMG3.FIT");

    EXPECT_TRUE(ApplyAutosaveDirectory(live, "\\dir"));
    EXPECT_EQ(live.autosaveDirText, "\\dir");
    EXPECT_TRUE(std::filesystem::is_directory(home + "/cwd/dir"));
    EXPECT_EQ(MapPath(QuickSaveFileName(3)), home + "/cwd/dir/IMG3.FIT");

    EXPECT_TRUE(ApplyAutosaveDirectory(live, "sub\\night"));
    EXPECT_TRUE(std::filesystem::is_directory(home + "/cwd/sub/night"));
    EXPECT_EQ(MapPath(QuickSaveFileName(4)), home + "/cwd/sub/night/IMG4.FIT");
    std::filesystem::current_path(previous);
}

}  // namespace
