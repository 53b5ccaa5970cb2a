#include <cstdio>
#include <filesystem>
#include <string>

#include "app/state.h"
#include "platform/files.h"
#include "settings/settings_file.h"
#include "support/test_env.h"

namespace {

class SettingsCliTest : public VelmoraTest {};

TEST_F(SettingsCliTest, ShowListsEveryFieldByName) {
    const CliResult run = RunVelmoraCli(home, "settings show");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("autosaveCounter = 0\n"), std::string::npos);
    EXPECT_NE(run.output.find("instrument = \"Korvane CCD\"\n"), std::string::npos);
    EXPECT_NE(run.output.find("configuredPid = \"0126\"\n"), std::string::npos);
    EXPECT_NE(run.output.find("flushBeforeExposure = no\n"), std::string::npos);
    // The first start wrote the default file.
    EXPECT_EQ(ReadWholeFile(home + "/autosave/Velmora.ini").value_or(Bytes{}).size(), kSettingsFileSize);
}

TEST_F(SettingsCliTest, ResetWritesTheDefaults) {
    Bytes junk(kSettingsFileSize, 'y');
    std::filesystem::create_directories(home + "/autosave");
    ASSERT_TRUE(ReplaceFile(home + "/autosave/Velmora.ini", junk));
    const CliResult run = RunVelmoraCli(home, "settings reset");
    EXPECT_EQ(run.status, 0) << run.output;
    State().settings = Settings{};
    State().fits = FitsDetails{};
    EXPECT_EQ(ReadWholeFile(home + "/autosave/Velmora.ini").value(), EncodeSettings());
}

}  // namespace
