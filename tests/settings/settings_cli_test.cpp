#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/state.h"
#include "platform/files.h"
#include "settings/settings_file.h"
#include "support/test_env.h"
#include "default_settings_bytes.h"

namespace {

class SettingsCliTest : public VelmoraTest {
protected:
    std::string Ini() const { return home + "/autosave/Velmora.ini"; }
    void WriteIni(const Bytes& bytes) {
        std::filesystem::create_directories(home + "/autosave");
        ASSERT_TRUE(ReplaceFile(Ini(), bytes));
    }
    // Inode and modification time: a rewrite by rename changes the inode.
    std::pair<ino_t, int64_t> Identity() const {
        struct stat st {};
        if (::stat(Ini().c_str(), &st) != 0) return {0, 0};
        return {st.st_ino, int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    }
};

TEST_F(SettingsCliTest, ShowListsEveryFieldByNameWithoutWritingAFile) {
    const CliResult run = RunVelmoraCli(home, "settings show");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("autosaveCounter = 0\n"), std::string::npos);
    EXPECT_NE(run.output.find("instrument = \"Korvane CCD\"\n"), std::string::npos);
    EXPECT_NE(run.output.find("configuredPid = \"0126\"\n"), std::string::npos);
    EXPECT_NE(run.output.find("flushBeforeExposure = no\n"), std::string::npos);
    // A first start of a reading command shows the defaults and creates nothing.
    EXPECT_FALSE(std::filesystem::exists(Ini()));
}

TEST_F(SettingsCliTest, ReadingCommandsLeaveTheSettingsFileAlone) {
    Bytes ini = DefaultFileBytes();
    ini[7] = 9;  // field 5, mask radius 9: a file of the user's own
    WriteIni(ini);
    const auto before = Identity();
    std::filesystem::create_directories(home + "/in");
    const std::vector<std::string> commands = {"settings show", "fits-info " + home + "/in/missing.fit",
                                               "convert " + home + "/in/missing~ " + home + "/out~"};
    for (const std::string& command : commands) {
        RunVelmoraCli(home, command);
        EXPECT_EQ(Identity(), before) << command;
        EXPECT_EQ(ReadWholeFile(Ini()).value_or(Bytes{}), ini) << command;
    }
    EXPECT_FALSE(std::filesystem::exists(Ini() + ".tmp"));
}

TEST_F(SettingsCliTest, AMessageMeansANonZeroExit) {
    Bytes ini = DefaultFileBytes();
    ini[4] = '7';  // field 3: no such com port; the load goes on after a message
    WriteIni(ini);
    const CliResult run = RunVelmoraCli(home, "settings show");
    EXPECT_NE(run.output.find("Failed to read comm port value"), std::string::npos);
    EXPECT_NE(run.output.find("guideStarMaskRadius = 8\n"), std::string::npos);
    EXPECT_EQ(run.status, 1);
}

TEST_F(SettingsCliTest, ResetWritesTheDefaults) {
    Bytes junk(kSettingsFileSize, 'y');
    junk[4] = '1';  // a valid com port, so the read shows no message
    WriteIni(junk);
    const CliResult run = RunVelmoraCli(home, "settings reset");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadWholeFile(Ini()).value(), DefaultFileBytes());
}

}  // namespace
