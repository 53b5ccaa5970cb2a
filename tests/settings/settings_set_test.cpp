// `settings set NAME VALUE`: parsed by kind, checked by the dialog's rule and
// by the file's reader, written atomically; a refusal changes nothing.
#include <gtest/gtest.h>

#include "core/state.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "settings/settings_set.h"
#include "support/test_env.h"

namespace {

class SettingsSetTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ASSERT_EQ(SaveSettings(), 0);
        before = *ReadWholeFile(MapPath(kSettingsPath));
    }
    Bytes File() const { return *ReadWholeFile(MapPath(kSettingsPath)); }
    Bytes before;
};

TEST_F(SettingsSetTest, AcceptedValuesReachTheRecordAndTheFile) {
    struct Case {
        const char* name;
        const char* value;
    };
    const Case cases[] = {{"driveMethod", "a"},  {"aoPort", "3"},         {"pcComPort", "6"},
                          {"guideLetters", "snwe"}, {"bumpLetters", "NSWT"}, {"aoHalfRate", "no"},
                          {"raBacklash", "30"},  {"raHysteresis", "20"},  {"object", "M 31"}};
    std::string why;
    for (const Case& c : cases) EXPECT_EQ(SetSetting(c.name, c.value, why), SetSettingResult::Done) << c.name;
    const Settings& s = State().settings;
    EXPECT_EQ(s.driveMethod, 'a');
    EXPECT_EQ(s.aoPort, 3);
    EXPECT_EQ(s.pcComPort, 6);
    EXPECT_EQ(std::string(s.guideLetters.begin(), s.guideLetters.end()), "snwe");
    EXPECT_FALSE(s.aoHalfRate);
    EXPECT_EQ(State().fits.object, "M 31");
    // The file holds them: a fresh load gives them back.
    State().settings = Settings{};
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(State().settings.driveMethod, 'a');
    EXPECT_EQ(State().settings.pcComPort, 6);
    EXPECT_EQ(State().settings.raBacklash, 30);
    EXPECT_EQ(State().settings.bumpLetters[2], 'W');
}

TEST_F(SettingsSetTest, RefusedNamesAndValuesLeaveRecordAndFileAlone) {
    const std::pair<const char*, const char*> bad[] = {
        {"driveMethod", "x"},         {"driveMethod", "ll"},       {"aoPort", "2"},
        {"pcComPort", "7"},           {"pcComPort", "-1"},         {"guideLetters", "ewns"},
        {"guideLetters", "nse"},      {"raBacklash", "31"},        {"raPixelsPerSecond", "0"},
        {"raPixelsPerSecond", "50"},  {"raHysteresis", "21"},      {"guideStarMaskRadius", "10"},
        {"smallestCorrection", "300"}, {"aoHalfRate", "maybe"},    {"filterCount", "9"},
        {"manualModel", "99"},        {"autosaveCounter", "12x"},  {"object", "it's"},
        {"autoUserStretchValue", "30"}, {"guidingMode", "t"},
    };
    const Settings keep = State().settings;
    std::string why;
    for (auto [name, value] : bad) {
        EXPECT_EQ(SetSetting(name, value, why), SetSettingResult::BadValue) << name << " " << value;
        EXPECT_EQ(why, std::string("Sorry, \"") + value + "\" is not a valid value for " + name);
    }
    EXPECT_EQ(SetSetting("noSuchSetting", "1", why), SetSettingResult::UnknownName);
    EXPECT_EQ(why, "Sorry, there is no setting called noSuchSetting");
    EXPECT_EQ(File(), before);
    EXPECT_EQ(State().settings.driveMethod, keep.driveMethod);
    EXPECT_EQ(State().settings.raBacklash, keep.raBacklash);
    EXPECT_FALSE(FileExists(MapPath(kSettingsPath) + ".check"));
}

TEST_F(SettingsSetTest, DialogRulesThatChangeOtherFields) {
    std::string why;
    ASSERT_EQ(SetSetting("aoAvailable", "yes", why), SetSettingResult::Done);
    EXPECT_EQ(State().settings.guidingMode, 'A');  // "AO Unit Available" selects AO guiding
    ASSERT_EQ(SetSetting("telescopeComPort", "3", why), SetSettingResult::Done);
    EXPECT_TRUE(State().settings.usePcPortForGuiding);  // "Use PC Port"
}

TEST_F(SettingsSetTest, CliExitStatusAndMessage) {
    // The program's start rewrites the unsigned-format flag it clears on
    // loading; take the file as the program leaves it.
    ASSERT_EQ(RunVelmoraCli(VELMORA_CLI, home, "settings show").status, 0);
    before = File();
    const CliResult bad = RunVelmoraCli(VELMORA_CLI, home, "settings set aoPort 9");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.output.find("Sorry, \"9\" is not a valid value for aoPort"), std::string::npos) << bad.output;
    EXPECT_EQ(File(), before);
    const CliResult good = RunVelmoraCli(VELMORA_CLI, home, "settings set driveMethod b");
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.output, "driveMethod = b\n");
}

}  // namespace
